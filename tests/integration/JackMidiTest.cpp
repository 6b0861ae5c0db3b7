// Korvel's ports against another program's ports on a private JACK server (dummy backend), the
// way a musician's sequencer or virtual keyboard would meet them.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "midi/MidiPorts.h"
#include "platform/RtMidiDriver.h"
#include "support/JackCapture.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

using test::Bytes;
using test::Capture;
using test::IndexOf;

class JackMidi : public ::testing::Test {
 protected:
  RtMidiDriver driver{MidiApiChoice::Jack};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings settings{channels};
  test::ScriptedDialogs dialogs;
  Capture capture;

  void SetUp() override { ASSERT_EQ(driver.Problem(), "") << "is the test's JACK server up?"; }
};

const std::vector<Bytes> kOutgoing = {
    {0x90, 60, 100},
    {0xB0, 7, 100},
    {0xC0, 5},
    {0xE0, 0x00, 0x50},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
    {0x80, 60, 0},
};

void SendAll(TMidiOutput& out) {
  for (const auto& m : kOutgoing) {
    if (m[0] == 0xF0) {
      out.PutLong(m.data(), m.size());
    } else {
      out.PutShort(m[0], m[1], m.size() > 2 ? m[2] : 0);
    }
  }
}

TEST_F(JackMidi, WhatKorvelSendsReachesAnotherProgram) {
  RtMidiIn probe(RtMidi::UNIX_JACK, "probe");
  probe.ignoreTypes(false, false, false);
  probe.setCallback(&Capture::Receive, &capture);
  probe.openVirtualPort("capture");

  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
  ASSERT_GE(ports.ComboBox1, 0);
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen()) << (dialogs.Messages.empty() ? "" : dialogs.Messages[0]);
  SendAll(ports.MidiOutput1);
  EXPECT_EQ(capture.WaitFor(kOutgoing.size()), kOutgoing);
}

TEST_F(JackMidi, OtherProgramsConnectToKorvelsVirtualPort) {
  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), kVirtualOutputName);
  ASSERT_GE(ports.ComboBox1, 0);
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen());

  RtMidiIn probe(RtMidi::UNIX_JACK, "probe");
  probe.ignoreTypes(false, false, false);
  probe.setCallback(&Capture::Receive, &capture);
  int port = -1;
  for (unsigned i = 0; i < probe.getPortCount(); ++i) {
    const std::string name = probe.getPortName(i);
    if (name.rfind("Korvel", 0) == 0 && name.find("Virtual out") != std::string::npos) {
      port = static_cast<int>(i);
    }
  }
  ASSERT_GE(port, 0) << "Korvel's virtual output is not in the JACK graph";
  probe.openPort(static_cast<unsigned>(port), "capture");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  SendAll(ports.MidiOutput1);
  EXPECT_EQ(capture.WaitFor(kOutgoing.size()), kOutgoing);
}

TEST_F(JackMidi, WhatAnotherProgramPlaysArrivesThinnedAndInOrder) {
  RtMidiOut probe(RtMidi::UNIX_JACK, "probe");
  probe.openVirtualPort("keys");

  MidiPorts ports(devices, settings, dialogs);
  std::mutex engineLock;
  std::vector<Bytes> received;
  ports.MidiInput1.OnMidiInput = [&](TMidiInput& port) {
    std::lock_guard lock(engineLock);
    while (auto event = port.GetMidiEvent()) {
      received.push_back(event->Sysex.empty()
                             ? Bytes{event->MidiMessage, event->Data1, event->Data2}
                             : event->Sysex);
    }
  };
  ports.ExtMidiInList = IndexOf(ports.InputList(), "probe:keys");
  ASSERT_GE(ports.ExtMidiInList, 0);
  ports.ExtMidiInChange();
  ASSERT_TRUE(ports.MidiInput1.IsOpen());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the connection settles

  const std::vector<Bytes> played = {
      {0x90, 64, 90},
      {0xB0, 7, 100},
      {0xB0, 7, 100},
      {0xB0, 7, 100},
      {0xB0, 7, 90},
      {0xB0, 1, 5},
      {0xB0, 1, 5},
      {0xB0, 1, 5},
      {0xF8},
      {0x80, 64, 0},
      {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
  };
  for (const auto& m : played) probe.sendMessage(&m);
  const std::vector<Bytes> expected = {
      {0x90, 64, 90}, {0xB0, 7, 100}, {0xB0, 7, 90}, {0xB0, 1, 5},
      {0xB0, 1, 5},   {0xB0, 1, 5},   {0x80, 64, 0}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
  };
  for (int i = 0; i < 500; ++i) {
    {
      std::lock_guard lock(engineLock);
      if (received.size() >= expected.size()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::lock_guard lock(engineLock);
  EXPECT_EQ(received, expected) << "repeated volume dropped, modulation kept, clock dropped";
}

}  // namespace
}  // namespace korvel
