// Korvel's ports against another program's ports on a private JACK server (dummy backend), the
// way a musician's sequencer or virtual keyboard would meet them.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "midi/MidiPorts.h"
#include "platform/JackMidiDriver.h"
#include "support/JackCapture.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

using test::Bytes;
using test::IndexOf;
using test::JackRecorder;

class JackMidi : public ::testing::Test {
 protected:
  JackMidiDriver driver;
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings settings{channels};
  test::ScriptedDialogs dialogs;

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
  JackRecorder probe("probe");
  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
  ASSERT_GE(ports.ComboBox1, 0);
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen()) << (dialogs.Messages.empty() ? "" : dialogs.Messages[0]);
  // At once: the first beat of a style goes out the moment the port is open.
  SendAll(ports.MidiOutput1);
  EXPECT_EQ(probe.WaitFor(kOutgoing.size()), kOutgoing);
}

// Korvel's last messages before a port closes are the note-offs that end what sounds: they
// still go out, though the port closes within the period that carries them.
TEST_F(JackMidi, WhatIsQueuedWhenThePortClosesStillGoesOut) {
  JackRecorder probe("probe");
  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen());
  ASSERT_TRUE(probe.WaitConnected());
  std::vector<Bytes> offs;
  for (uint8_t note = 0; note < 128; ++note) {
    ports.MidiOutput1.PutShort(0x80, note, 0);
    offs.push_back({0x80, note, 0});
  }
  ports.MidiOutput1.Close();
  EXPECT_EQ(probe.Messages(), offs);
}

// A system-exclusive message longer than a cycle's whole buffer goes out in pieces, byte for
// byte, instead of being dropped.
TEST_F(JackMidi, ASystemExclusiveDumpLargerThanACycleArrivesWhole) {
  JackRecorder probe("probe");
  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen());
  ASSERT_TRUE(probe.WaitConnected());
  Bytes dump = {0xF0, 0x43, 0x00};
  for (int i = 0; i < 40000; ++i) dump.push_back(static_cast<uint8_t>(i % 128));
  dump.push_back(0xF7);
  ports.MidiOutput1.PutLong(dump.data(), dump.size());
  ports.MidiOutput1.PutShort(0x90, 60, 100);
  ports.MidiOutput1.Close();
  Bytes joined;
  std::vector<Bytes> messages = probe.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), (Bytes{0x90, 60, 100})) << "the note after the dump";
  messages.pop_back();
  for (const Bytes& piece : messages) joined.insert(joined.end(), piece.begin(), piece.end());
  EXPECT_EQ(joined, dump);
}

TEST_F(JackMidi, OtherProgramsConnectToKorvelsVirtualPort) {
  MidiPorts ports(devices, settings, dialogs);
  ports.ComboBox1 = IndexOf(ports.OutputList(), kVirtualOutputName);
  ASSERT_GE(ports.ComboBox1, 0);
  ports.ComboBox1Change();
  ASSERT_TRUE(ports.MidiOutput1.IsOpen());

  // The graph shows the port as the device list names it.
  JackRecorder probe("probe");
  ASSERT_EQ(jack_connect(probe.Handle(), "Korvel:virtual out", probe.PortName().c_str()), 0)
      << "Korvel's virtual output is not in the JACK graph";
  ASSERT_TRUE(probe.WaitConnected());
  SendAll(ports.MidiOutput1);
  EXPECT_EQ(probe.WaitFor(kOutgoing.size()), kOutgoing);
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
  JackRecorder watcher("watcher");
  ASSERT_TRUE(JackRecorder::WaitUntil(
      [&] { return jack_port_connected(jack_port_by_name(watcher.Handle(), "probe:keys")) > 0; }));

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
  JackRecorder::WaitUntil([&] {
    std::lock_guard lock(engineLock);
    return received.size() >= expected.size();
  });
  watcher.WaitCycles(2);  // any extra message has arrived by then
  std::lock_guard lock(engineLock);
  EXPECT_EQ(received, expected) << "repeated volume dropped, modulation kept, clock dropped";
}

}  // namespace
}  // namespace korvel
