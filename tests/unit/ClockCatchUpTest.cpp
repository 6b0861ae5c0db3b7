// The clock never loses a tick: a tick that runs long delays the clocks after it, which are
// then played back to back; only a stall skips time, and then every note the engine holds ends
// and the song goes on in its bar.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/PlayerRig.h"
#include "support/SoundingNotes.h"

namespace korvel {
namespace {

// Long notes on two channels and a note on every beat, so that notes sound at any moment.
test::StyleFixture& LongNotes() {
  static test::StyleFixture fixture = [] {
    test::StyleFixture f;
    auto events = test::BeatNotes({60, 62, 64, 65}, 20);
    for (const test::FixtureEvent e : {test::FixtureEvent{0, 0x92, 48, 90},
                                       {90, 0x92, 48, 0},
                                       {6, 0x93, 67, 80},
                                       {80, 0x93, 67, 0}}) {
      events.push_back(e);
    }
    f.Part(kBasic, 1, events);
    return f;
  }();
  return fixture;
}

std::vector<std::string> NoteOnsFrom(const std::vector<std::string>& notes, int64_t tick) {
  std::vector<std::string> from;
  for (const auto& note : notes) {
    if (std::stoll(note) >= tick && !note.ends_with(":0")) from.push_back(note);
  }
  return from;
}

TEST(ClockStall, EndsEveryNoteTheEngineHoldsAndKeepsTheBar) {
  test::PlayerRig steady;
  test::PlayerRig stalled;
  for (test::PlayerRig* rig : {&steady, &stalled}) {
    rig->Load(LongNotes());
    rig->Start();
    rig->Chord(48, 1);
    rig->Ticks(30);
  }
  ASSERT_FALSE(test::Sounding(stalled.driver.Sent()).empty());
  stalled.transport.ClockStalled();
  EXPECT_TRUE(test::Sounding(stalled.driver.Sent()).empty());
  EXPECT_EQ(stalled.transport.ClockInBeat, steady.transport.ClockInBeat);
  EXPECT_EQ(stalled.transport.BeatCounter, steady.transport.BeatCounter);
  EXPECT_EQ(stalled.player.PlayPosition, steady.player.PlayPosition);
  steady.Ticks(200);
  stalled.Ticks(200);
  EXPECT_EQ(NoteOnsFrom(stalled.Notes(), 31), NoteOnsFrom(steady.Notes(), 31))
      << "the song goes on where it stopped, in its bar";
  EXPECT_EQ(test::Sounding(stalled.driver.Sent()), test::Sounding(steady.driver.Sent()));
}

// The real clock thread at 250 BPM, one of whose ticks takes ten clock periods: the clocks that
// fall due meanwhile are played after it, and the music is the same, note for note, as that of
// a clock stepped by hand.
TEST(ClockThreadCatchUp, ALongTickDelaysTheClocksAfterItAndLosesNone) {
  constexpr int kClocks = 150;
  constexpr uint64_t kLongTick = 20;
  test::PlayerRig stepped;
  stepped.Load(LongNotes());
  stepped.Start();
  stepped.Chord(48, 1);
  stepped.Ticks(kClocks);

  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  Engine engine{devices, input, dialogs, view, Timing::Realtime, InputDispatch::Manual};
  uint64_t base = 0;
  driver.SetTickSource([&] { return static_cast<int64_t>(engine.Transport.TickCount - base); });
  {
    std::lock_guard lock(engine.Lock);
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();  // opens the module and switches the clock on
    engine.Transport.ToggleClock();
    engine.Transport.Tempo = 250;
    engine.Transport.ToggleClock();
    engine.Style.TakeFileContents(LongNotes().FileBytes());
    engine.Style.AnalyseStyleParts(0, kStylePartCount - 1, 3, "");
    engine.Style.StyleMode = true;
    engine.Style.StyleLoaded = true;
    engine.Transport.ApplyStyleMetre(engine.Style.Channels.MeasureLength());
    engine.Player.StartStyle(kBasic);
    engine.Transport.StartDelay = 0;
    engine.Chord.ChordRoot = engine.Chord.EditChordRoot = 48;
    engine.Chord.ChordType = engine.Chord.EditChordType = 1;
    engine.Player.ChordChangeEntry(ChordTonesOf(48, 1));
    base = engine.Transport.TickCount;
    driver.ClearSent();
    engine.BeforeTick = [&] {
      if (engine.Transport.TickCount - base == kLongTick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    };
  }
  std::vector<SentMessage> played;
  for (;;) {
    {
      std::lock_guard lock(engine.Lock);
      if (engine.Transport.TickCount - base >= kClocks) {
        played = driver.Sent();
        engine.Transport.ToggleClock();
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::vector<std::string> notes;
  for (const auto& m : played) {
    if (m.Tick > kClocks) continue;
    const int h = m.Bytes[0] & 0xF0;
    if (h != 0x80 && h != 0x90) continue;
    notes.push_back(std::to_string(m.Tick) + ":" + std::to_string((m.Bytes[0] & 0x0F) + 1) + ":" +
                    std::to_string(m.Bytes[1]) + ":" + std::to_string(h == 0x80 ? 0 : m.Bytes[2]));
  }
  EXPECT_EQ(notes, stepped.Notes());
  EXPECT_EQ(engine.RealtimeClock()->Dropped(), 0u);
  EXPECT_TRUE(test::Sounding(driver.Sent()).empty()) << "the clock switched off ends them all";
}

}  // namespace
}  // namespace korvel
