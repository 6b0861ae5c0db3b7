// The clock against another program on a private JACK server: MIDI clock sent in master mode
// keeps the tempo, and in slave mode another program's clock drives the metronome.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "app/Engine.h"
#include "app/MidiSystem.h"
#include "support/JackCapture.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

using test::Bytes;
using test::IndexOf;
using test::JackRecorder;

class JackClock : public ::testing::Test {
 protected:
  MidiSystem system{{.Api = MidiApiChoice::Jack}};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  JackRecorder probe{"probe"};
  // Korvel's MIDI out goes to the probe; the clock is left switched off.
  void ConnectOutput(Engine& engine) {
    MidiPorts& ports = engine.Ports;
    ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
    ASSERT_GE(ports.ComboBox1, 0);
    ports.ComboBox1Change();
    ports.ComboBox5 = IndexOf(ports.OutputList(), kNoDevice);
    ports.ComboBox5Change();
    ASSERT_TRUE(ports.MidiOutput1.IsOpen());
    ASSERT_TRUE(probe.WaitConnected());
    if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
  }
};

TEST_F(JackClock, MasterModeSends480ClocksIn10SecondsAt120Bpm) {
  Engine engine(system.Devices, system.InputSettings, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    ConnectOutput(engine);
    engine.Transport.MasterMode = true;
    engine.Transport.Tempo = 120;
    engine.Transport.ToggleClock();
  }
  std::this_thread::sleep_for(std::chrono::seconds(10));
  {
    std::lock_guard lock(engine.Lock);
    engine.Transport.ToggleClock();
  }
  probe.WaitCycles(2);
  const auto messages = probe.Messages();
  const auto clocks = std::count(messages.begin(), messages.end(), Bytes{0xF8});
  EXPECT_NEAR(static_cast<double>(clocks), 480.0, 1.0);
}

TEST_F(JackClock, SlaveModeClicksAtTheExternalClockCounts) {
  RtMidiOut probeOut(RtMidi::UNIX_JACK, "player");
  probeOut.openVirtualPort("clock");
  Engine engine(system.Devices, system.InputSettings, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    ConnectOutput(engine);
    MidiPorts& ports = engine.Ports;
    ports.MidiInList = IndexOf(ports.InputList(), "player:clock");
    ASSERT_GE(ports.MidiInList, 0);
    ports.MidiInChange();
    ASSERT_TRUE(ports.MidiInput2.IsOpen());
    engine.Transport.SetSlaveMode(true);
    engine.Transport.Metronome = true;
    engine.Transport.ToggleClock();
    engine.Transport.SyncStart1Click();  // wait for the external Start
  }
  ASSERT_TRUE(JackRecorder::WaitUntil(
      [&] { return jack_port_connected(jack_port_by_name(probe.Handle(), "player:clock")) > 0; }));
  probe.WaitCycles(2);
  probe.Forget();  // the silencing of the set-up is not what is tested
  auto send = [&](uint8_t status, int times) {
    for (int i = 0; i < times; ++i) {
      probeOut.sendMessage(&status, 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  };
  send(0xF8, 10);  // counted down by the start delay, without effect
  send(0xFC, 1);   // a Stop while the delay is pending is ignored
  send(0xFA, 1);   // Start
  send(0xF8, 49);
  // Everything sent is in when the 59th clock is.
  JackRecorder::WaitUntil([&] {
    const auto messages = probe.Messages();
    return std::count(messages.begin(), messages.end(), Bytes{0xF8}) >= 59;
  });
  probe.WaitCycles(2);

  // Korvel forwards what the application sends and clicks before the clock that made it.
  std::string stream;
  for (const auto& m : probe.Messages()) {
    if (m == Bytes{0xF8})
      stream += "c";
    else if (m == Bytes{0xFA})
      stream += "[start]";
    else if (m == Bytes{0xFC})
      stream += "[stop]";
    else if (m.size() == 3 && m[0] == 0x99)
      stream += "<" + std::to_string(m[2]) + ">";
    else
      stream += "?";
  }
  const std::string beat(24, 'c');
  EXPECT_EQ(stream, std::string(10, 'c') + "[stop][start]<120>" + beat + "<107>" + beat + "<107>c");
}

}  // namespace
}  // namespace korvel
