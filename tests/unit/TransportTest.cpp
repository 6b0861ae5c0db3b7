#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "engine/Transport.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

struct FakeTimer : ClockTimer {
  std::vector<int> Starts;
  int Stops = 0;
  bool Running = false;
  void Start(int tempo) override {
    Starts.push_back(tempo);
    Running = true;
  }
  void Stop() override {
    ++Stops;
    Running = false;
  }
};

class TransportTest : public ::testing::Test {
 protected:
  RecordingDriver driver{{"Module", "App in"}, {"Keys", "App out"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  FakeTimer timer;
  MidiPorts ports{devices, input, dialogs, InputDispatch::Manual};
  Transport transport{ports, input, timer, view};
  int64_t tick = 0;
  std::vector<std::string> calls;  // hook calls, in order
  std::vector<int64_t> changesAt;  // ticks at which pending changes were applied

  void SetUp() override {
    driver.SetTickSource([this] { return tick; });
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();
    ports.ComboBox5 = 3;  // <None>
    ports.ComboBox5Change();
    ports.MidiInList = 1;
    ports.MidiInChange();
    ports.MidiInput2.OnMidiInput = [this](TMidiInput& port) {
      transport.MidiInput2MidiInput(port);
    };
    auto& h = transport.Hooks;
    h.ApplyPendingCommand = [this] {
      calls.push_back("command");
      changesAt.push_back(tick);
    };
    h.ApplyChordChange = [this] { calls.push_back("chord"); };
    for (auto [hook, name] : {std::pair{&h.ReleaseTriggeredChord, "release"},
                              {&h.AllSoundOff, "sound off"},
                              {&h.ResetChordState, "chord state"},
                              {&h.ResetChordDisplay, "chord display"},
                              {&h.ResetStylePlayer, "style reset"},
                              {&h.StopMelodyAndPads, "melody"},
                              {&h.StopPerformance, "stop"},
                              {&h.SilenceLiveChannel, "live off"},
                              {&h.PlayStyleTick, "style tick"}}) {
      *hook = [this, name = std::string(name)] { calls.push_back(name); };
    }
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      ++tick;
      transport.ClockTick();
    }
  }
  void StartClock() {
    transport.ToggleClock();
    calls.clear();
    driver.ClearSent();
    view.Lamps.clear();
  }
  // Metronome clicks as "tick:velocity".
  std::vector<std::string> Clicks() {
    std::vector<std::string> clicks;
    for (const auto& m : driver.Sent()) {
      if (m.Bytes.size() == 3 && m.Bytes[0] == 0x99) {
        clicks.push_back(std::to_string(m.Tick) + ":" + std::to_string(m.Bytes[2]));
      }
    }
    return clicks;
  }
};

TEST(TransportPeriod, ClockPeriodAsDisplayed) {
  // Milliseconds per clock and the design's timer interval (a quarter of it).
  const int cases[][3] = {{120, 21, 5}, {100, 25, 6}, {25, 100, 25}, {250, 10, 2}, {60, 42, 10}};
  for (const auto& c : cases) {
    EXPECT_EQ(Transport::ClockPeriodFor(c[0]), c[1]) << c[0];
    EXPECT_EQ(Transport::ClockPeriodFor(c[0]) / 4, c[2]) << c[0];
  }
}

TEST_F(TransportTest, ToggleClockSwitchesBetweenOffInternalAndExternal) {
  transport.ToggleClock();
  EXPECT_EQ(transport.ClockState, 1);
  EXPECT_EQ(view.Lamps.back(), kLampRed);
  EXPECT_EQ(view.Measures.back(), "1");
  EXPECT_EQ(timer.Starts, std::vector<int>{120});
  EXPECT_EQ(transport.ClockPeriod, 21);

  transport.ToggleClock();
  EXPECT_EQ(transport.ClockState, 0);
  EXPECT_EQ(view.Lamps.back(), kLampBlack);
  EXPECT_FALSE(timer.Running);

  transport.SetSlaveMode(true);
  transport.ToggleClock();
  EXPECT_EQ(transport.ClockState, -1);
  EXPECT_EQ(view.Lamps.back(), kLampBlue);
  EXPECT_FALSE(timer.Running) << "the external application drives the clock";
  EXPECT_EQ(input.ClockForwarding(), 1) << "timing clocks reach the input buffer";

  transport.Hooks.ChordMemoryActive = [] { return true; };
  transport.ToggleClock();
  EXPECT_EQ(transport.ClockState, -1) << "ignored while a song plays or records";
}

TEST_F(TransportTest, TheFirstTickAfterAResetIsAnAccentedBeatStartOnTheGrid) {
  transport.Metronome = true;
  transport.MasterMode = true;
  StartClock();
  Ticks(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"command", "chord"}));
  EXPECT_EQ(transport.BeatCounter, 1);
  EXPECT_EQ(transport.ClockInBeat, 1);
  EXPECT_EQ(view.Lamps, std::vector<uint32_t>{kLampRed});
  // Timing clock first, then the accented click (channel 10, note 37, velocity 120).
  EXPECT_EQ(driver.SentText(), "1 Module: F8\n1 Module: 99 25 78\n");

  Ticks(13);
  EXPECT_EQ(view.Lamps, (std::vector<uint32_t>{kLampRed, kLampBlack})) << "dark at clock 13";
  Ticks(24 * 7 - 13);
  EXPECT_EQ(Clicks(), (std::vector<std::string>{"1:120", "25:107", "49:107", "73:107", "97:120",
                                                "121:107", "145:107", "169:107"}));
  int clocks = 0;
  for (const auto& m : driver.Sent()) clocks += m.Bytes == std::vector<uint8_t>{0xF8};
  EXPECT_EQ(clocks, 24 * 7 + 1);
}

TEST_F(TransportTest, ChangesTakeEffectOnTheQuantizeGridOrJustLate) {
  transport.SetQuantize(1);  // "2/4": a step of two beats
  StartClock();
  Ticks(24 * 6);
  // The step starts at the beat (1) and changes still count while the clock is below 8.
  const std::vector<int64_t> expected = {1,  2,  3,  4,  5,  6,  7,   49,  50,  51, 52,
                                         53, 54, 55, 97, 98, 99, 100, 101, 102, 103};
  EXPECT_EQ(changesAt, expected);

  changesAt.clear();
  transport.PlayChordsMode = true;  // then only the step start counts
  Ticks(24 * 2);
  EXPECT_EQ(changesAt, std::vector<int64_t>{145});
}

TEST_F(TransportTest, CountInOfFourBeatsWithEighthsInTheLastTwo) {
  StartClock();
  transport.ArmCountIn();
  Ticks(24 * 4);
  EXPECT_EQ(Clicks(),
            (std::vector<std::string>{"1:120", "25:75", "49:75", "61:75", "73:75", "85:75"}));
  EXPECT_TRUE(changesAt.empty()) << "nothing changes during the count-in";
  Ticks(1);
  EXPECT_FALSE(transport.CountInActive);
  EXPECT_EQ(changesAt, std::vector<int64_t>{97}) << "the count-in ends on a normal beat start";
}

TEST_F(TransportTest, CountInOfThreeBeatsIn34) {
  transport.SetMetre(3);  // "3/4"
  StartClock();
  transport.ArmCountIn();
  Ticks(24 * 3 + 1);
  EXPECT_EQ(Clicks(), (std::vector<std::string>{"1:120", "25:75", "49:75"}));
  EXPECT_EQ(changesAt, std::vector<int64_t>{73});
}

TEST_F(TransportTest, SlaveModeFollowsTheExternalClockAndItsStartDelay) {
  transport.SetSlaveMode(true);
  transport.Metronome = true;
  StartClock();
  transport.SyncStart1Click();
  EXPECT_EQ(transport.StartDelay, kWaitForExternalStart);
  auto send = [&](uint8_t status, int times = 1) {
    for (int i = 0; i < times; ++i) {
      ++tick;
      driver.Inject("App out", status);
      ports.MidiInput2.ProcessNotifications();
    }
  };
  send(0xF8, 30);
  send(0xFC);  // Stop while the start delay is pending: ignored
  EXPECT_TRUE(Clicks().empty());
  EXPECT_EQ(transport.StartDelay, kWaitForExternalStart - 30);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "stop"), 0);

  send(0xFA);  // Start
  EXPECT_EQ(transport.StartDelay, 0);
  send(0xF8, 49);
  EXPECT_EQ(Clicks(), (std::vector<std::string>{"33:120", "57:107", "81:107"}));

  send(0xFC);  // Stop now stops
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "stop"), 1);
  EXPECT_EQ(transport.ClockInBeat, transport.ClocksPerBeat) << "the transport was reset";
}

TEST_F(TransportTest, SwitchingSlaveModeMovesARunningClockToTheOtherSource) {
  const auto externalClock = [this] {
    const uint64_t before = transport.TickCount;
    driver.Inject("App out", 0xF8);
    ports.MidiInput2.ProcessNotifications();
    return transport.TickCount > before;
  };
  transport.ToggleClock();
  ASSERT_TRUE(timer.Running);
  transport.SetSlaveMode(true);
  EXPECT_EQ(transport.ClockState, -1);
  EXPECT_FALSE(timer.Running) << "one clock drives the transport, not two";
  EXPECT_EQ(view.Lamps.back(), kLampBlue);
  EXPECT_TRUE(externalClock());

  transport.SetSlaveMode(false);
  EXPECT_EQ(transport.ClockState, 1) << "the clock button stays on and the timer runs";
  EXPECT_TRUE(timer.Running);
  EXPECT_EQ(timer.Starts.back(), transport.Tempo);
  EXPECT_FALSE(externalClock());

  transport.ToggleClock();
  transport.SetSlaveMode(true);
  EXPECT_EQ(transport.ClockState, 0) << "a stopped clock stays stopped";
  EXPECT_FALSE(timer.Running);
}

TEST_F(TransportTest, TheExternalApplicationsControllersAndThru) {
  transport.ToggleClock();
  timer.Starts.clear();
  transport.TempoDetection = true;
  transport.IntroDetection = true;
  driver.ClearSent();
  const uint32_t events[] = {
      0xB0 | 22 << 8 | 70 << 16,   // tempo 140
      0xB0 | 22 << 8 | 126 << 16,  // 252: out of range, ignored
      0xB0 | 21 << 8 | 2 << 16,    // a two-measure intro
      0x91 | 60 << 8 | 99 << 16,   // passed on unchanged
      0xF8,                        // not in slave mode: the input port drops it
  };
  for (uint32_t e : events) driver.Inject("App out", e);
  ports.MidiInput2.ProcessNotifications();
  EXPECT_EQ(timer.Starts, std::vector<int>{140});
  EXPECT_EQ(transport.Tempo, 140);
  EXPECT_EQ(view.Tempos, std::vector<int>{140}) << "the tempo field shows it";
  EXPECT_EQ(transport.StartMeasure, -2);
  EXPECT_EQ(driver.SentText(), "0 Module: 91 3C 63\n");
  EXPECT_TRUE(changesAt.empty());
}

TEST_F(TransportTest, AnExternalNoteEndsWhereItWasSentThoughTheFilterChanged) {
  // The filter transposes by `shift` and drops everything while `muted`.
  int shift = 2;
  bool muted = false;
  transport.Hooks.ChannelFilter = [&](uint8_t, uint8_t data1) -> uint8_t {
    return muted ? 255 : static_cast<uint8_t>(data1 + shift);
  };
  driver.ClearSent();
  driver.Inject("App out", 0x91 | 60 << 8 | 99 << 16);
  driver.Inject("App out", 0x91 | 64 << 8 | 99 << 16);
  ports.MidiInput2.ProcessNotifications();
  shift = 5;
  driver.Inject("App out", 0x81 | 60 << 8 | 0 << 16);  // after a transposition
  ports.MidiInput2.ProcessNotifications();
  muted = true;
  driver.Inject("App out", 0x91 | 64 << 8 | 0 << 16);   // after a mute
  driver.Inject("App out", 0x91 | 67 << 8 | 99 << 16);  // muted: never sent
  driver.Inject("App out", 0x81 | 67 << 8 | 0 << 16);
  ports.MidiInput2.ProcessNotifications();
  EXPECT_EQ(driver.SentText(),
            "0 Module: 91 3E 63\n0 Module: 91 42 63\n0 Module: 81 3E 00\n0 Module: 91 42 00\n");
}

TEST_F(TransportTest, AMidiLoopBackIntoMidiInLetsTheEngineGo) {
  driver.ClearSent();
  driver.Connect("Module", "App out");  // MIDI out led back into MIDI in
  driver.Inject("App out", 0x90 | 60 << 8 | 100 << 16);
  auto handled =
      std::async(std::launch::async, [this] { ports.MidiInput2.ProcessNotifications(); });
  const bool returned = handled.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  driver.Connect("Module", "");  // cut the loop, so a handler that hangs ends
  handled.wait();
  EXPECT_TRUE(returned) << "the handler takes what had arrived and returns";
  EXPECT_EQ(driver.Sent().size(), 1u);
}

TEST_F(TransportTest, TempoFieldRange) {
  transport.TempoEdit1Change(90);  // clock off: only the field changes
  EXPECT_TRUE(timer.Starts.empty());
  transport.ToggleClock();
  EXPECT_EQ(timer.Starts, std::vector<int>{90});
  for (int tempo : {24, 251, 0}) transport.TempoEdit1Change(tempo);
  EXPECT_EQ(timer.Starts, std::vector<int>{90}) << "out of range keeps the timer";
  for (int tempo : {25, 250}) transport.TempoEdit1Change(tempo);
  EXPECT_EQ(timer.Starts, (std::vector<int>{90, 25, 250}));
  EXPECT_EQ(transport.ClockPeriod, 10);
}

TEST_F(TransportTest, QuantizeAndMetreLists) {
  struct Case {
    int quantize, resolution, beats, clocksPerBeat;
  };
  const Case cases[] = {{0, 1, 1, 24}, {1, 1, 2, 24}, {3, 1, 4, 24}, {4, 1, 6, 24},
                        {5, 2, 1, 12}, {6, 2, 2, 12}, {8, 2, 4, 12}, {9, 2, 5, 12}};
  for (const auto& c : cases) {
    transport.SetQuantize(c.quantize);
    EXPECT_EQ(transport.ClockResolution, c.resolution) << c.quantize;
    EXPECT_EQ(transport.QuantizeBeats, c.beats) << c.quantize;
    EXPECT_EQ(transport.ClocksPerBeat, c.clocksPerBeat) << c.quantize;
  }
  const int metres[][3] = {{0, 24, 4}, {1, 20, 5}, {2, 16, 4}, {3, 12, 3},
                           {4, 8, 4},  {5, 4, 4},  {6, 12, 3}, {7, 4, 4}};
  for (const auto& m : metres) {
    transport.SetMetre(m[0]);
    EXPECT_EQ(transport.MeasureSixteenths, m[1]) << m[0];
    EXPECT_EQ(transport.ClickAccentPeriod, m[2]) << m[0];
  }
  transport.SetQuantize(0);
  transport.StartMeasure = -2;
  transport.SetMetre(8);  // "1/8" forces "Quantize" "1/8": eighth resolution doubles the intro
  EXPECT_EQ(transport.QuantizeIndex, 5);
  EXPECT_EQ(transport.StartMeasure, -4);
  transport.SetQuantize(2);
  EXPECT_EQ(transport.StartMeasure, -2);
  transport.SetQuantize(1);
  EXPECT_EQ(transport.StartMeasure, -2) << "no change of resolution, no change of measure";
}

TEST_F(TransportTest, StopAndResetInTheirOrder) {
  transport.MasterMode = true;
  StartClock();
  transport.ArmCountIn();
  Ticks(5);
  driver.Inject("Keys", 0x90 | 60 << 8 | 100 << 16);
  ports.MidiInput1.Open();  // reopened on the same device below; its buffer gets drained
  transport.PlayChordsMode = true;
  driver.ClearSent();
  transport.StopCommand();
  EXPECT_FALSE(transport.CountInActive);
  EXPECT_EQ(driver.SentText(), "5 Module: FC\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"stop", "release", "sound off", "chord state",
                                             "chord display", "style reset", "melody"}));
  EXPECT_EQ(view.Lamps.back(), kLampBlack);
  EXPECT_EQ(view.Titles.back(), "Korvel");
  EXPECT_EQ(transport.ClickCounter, transport.ClickAccentPeriod + 1);
  EXPECT_EQ(transport.BeatCounter, transport.QuantizeBeats + 1);
}

TEST_F(TransportTest, WithoutAnOpenOutputOnlyTheStylePlayerRuns) {
  transport.Hooks.StylePlayerRunning = [] { return true; };
  StartClock();
  ports.ComboBox1 = 3;
  ports.ComboBox1Change();
  calls.clear();
  Ticks(30);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "style tick"), 30);
  EXPECT_TRUE(changesAt.empty());
  EXPECT_TRUE(view.Lamps.empty());

  transport.ToggleClock();  // off: ticks that still arrive do nothing
  calls.clear();
  Ticks(5);
  EXPECT_TRUE(calls.empty());
}

TEST_F(TransportTest, AStartDelaySwallowsTicksAndTheStylePlayer) {
  transport.Hooks.StylePlayerRunning = [] { return true; };
  StartClock();
  transport.StartDelay = 3;
  Ticks(2);
  EXPECT_TRUE(calls.empty());
  Ticks(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"command", "chord", "style tick"}));
}

// A clock that arrives while a tick runs (from inside it) waits for that tick and is then
// played; a tick that fails leaves the clock free for the next.
TEST_F(TransportTest, AClockArrivingInsideATickIsPlayedRightAfterIt) {
  StartClock();
  std::vector<uint64_t> styleTicks;
  bool fail = false;
  transport.Hooks.StylePlayerRunning = [] { return true; };
  transport.Hooks.PlayStyleTick = [&] {
    styleTicks.push_back(transport.TickCount);
    if (styleTicks.size() == 1) {
      transport.ClockTick();
      EXPECT_EQ(styleTicks.size(), 1u) << "not inside the running tick";
    }
    if (fail) throw std::runtime_error("output failed");
  };
  const uint64_t start = transport.TickCount;
  transport.ClockTick();
  EXPECT_EQ(styleTicks, (std::vector<uint64_t>{start + 1, start + 2}));
  fail = true;
  EXPECT_THROW(transport.ClockTick(), std::runtime_error);
  fail = false;
  transport.ClockTick();
  EXPECT_EQ(styleTicks.size(), 4u) << "a failed tick leaves the clock free";
}

}  // namespace
}  // namespace korvel
