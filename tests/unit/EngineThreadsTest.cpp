// The clock thread, an input thread and a GUI thread share the engine through its lock. Under
// ThreadSanitizer this shows they share nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "app/Engine.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

// A view that may be called from the clock thread while the test reads it: it only counts.
struct CountingView : View {
  std::atomic<int> lamps{0};
  void BeatLamp(uint32_t) override { ++lamps; }
  void MeasureDisplay(const std::string&) override {}
  void ChordPanel(const std::string&) override {}
  void Title(const std::string&) override {}
  void TempoField(int) override {}
  void FocusKeyboard() override {}
};

// Polls until `condition` holds, for at most five seconds, so a thread that died or hangs fails
// the test instead of stalling it.
bool Eventually(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(EngineThreads, AnOutputErrorOnTheClockOrAnInputThreadIsReportedAndTheThreadGoesOn) {
  RecordingDriver driver({"Module"}, {"App out"});
  MidiDevices devices(driver, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  test::ScriptedDialogs dialogs;
  CountingView view;
  Engine engine(devices, input, dialogs, view);
  const auto sent = [&driver](std::vector<uint8_t> bytes) {
    const auto all = driver.Sent();
    return std::any_of(all.begin(), all.end(),
                       [&](const SentMessage& m) { return m.Bytes == bytes; });
  };
  const std::string failure = MidiErrorText(kMidiError);
  {
    std::lock_guard lock(engine.Lock);
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();  // also switches the clock on
    engine.Ports.MidiInList = 0;
    engine.Ports.MidiInChange();
    engine.Transport.MasterMode = true;  // every clock sends a timing clock
    engine.Transport.TempoEdit1Change(250);
    driver.SetShortFailure("Module", kMidiError);
  }
  ASSERT_TRUE(Eventually([&] { return !dialogs.Errors().empty(); }));
  EXPECT_EQ(dialogs.Errors().front(), failure);
  driver.SetShortFailure("Module", kMidiOk);
  ASSERT_TRUE(Eventually([&] { return sent({0xF8}); })) << "the clock goes on";
  {
    std::lock_guard lock(engine.Lock);
    engine.Transport.ToggleClock();  // off: only the input thread sends now
    driver.SetShortFailure("Module", kMidiError);
  }
  const size_t before = dialogs.Errors().size();
  ASSERT_TRUE(driver.Inject("App out", 0x90 | 60 << 8 | 100 << 16));  // passed on to MIDI out
  ASSERT_TRUE(Eventually([&] { return dialogs.Errors().size() > before; }));
  EXPECT_EQ(dialogs.Errors().back(), failure);
  driver.SetShortFailure("Module", kMidiOk);
  ASSERT_TRUE(driver.Inject("App out", 0x90 | 62 << 8 | 100 << 16));
  EXPECT_TRUE(Eventually([&] { return sent({0x90, 62, 100}); })) << "the input thread goes on";
}

TEST(EngineThreads, ClockInputAndGuiThreadsShareTheEngineThroughItsLock) {
  RecordingDriver driver({"Module"}, {"Keys", "App out"});
  MidiDevices devices(driver, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  test::ScriptedDialogs dialogs;
  CountingView view;
  auto engine = std::make_unique<Engine>(devices, input, dialogs, view);
  {
    std::lock_guard lock(engine->Lock);
    engine->Ports.ComboBox1 = 0;
    engine->Ports.ComboBox1Change();  // also switches the clock on
    engine->Ports.MidiInList = 1;
    engine->Ports.MidiInChange();
    engine->Transport.Metronome = true;
    engine->Transport.MasterMode = true;
    engine->Transport.TempoEdit1Change(250);
    ASSERT_EQ(engine->Transport.ClockState, 1);
  }
  std::atomic<bool> done{false};
  std::thread application([&] {  // another program's messages arrive on the driver's thread
    for (int i = 0; !done; ++i) {
      driver.Inject("App out", 0x90 | (i % 2 ? 0 : 100) << 16 | 60 << 8);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  // The GUI thread changes the tempo while the clock runs.
  for (int i = 0; i < 40; ++i) {
    {
      std::lock_guard lock(engine->Lock);
      engine->Transport.TempoEdit1Change(i % 2 ? 250 : 200);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  done = true;
  application.join();
  {
    std::lock_guard lock(engine->Lock);
    EXPECT_GT(engine->Transport.TickCount, 20u);
  }
  engine.reset();  // stops the clock and the input threads before what they call goes away
  EXPECT_GT(view.lamps.load(), 0);
  size_t clocks = 0;
  size_t notes = 0;
  for (const auto& m : driver.Sent()) {
    clocks += m.Bytes == std::vector<uint8_t>{0xF8};
    notes += m.Bytes.size() == 3 && m.Bytes[0] == 0x90;
  }
  EXPECT_GT(clocks, 20u);
  EXPECT_GT(notes, 100u) << "the application's notes are passed on to MIDI out";
}

}  // namespace
}  // namespace korvel
