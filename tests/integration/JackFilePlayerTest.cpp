// The file player against another program on a private JACK server: a file with tempo changes
// arrives note by note on the file's tempo map, and a loop range repeats exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "app/MidiFilePlayer.h"
#include "platform/JackMidiDriver.h"
#include "platform/PacedThread.h"
#include "support/JackCapture.h"
#include "support/ScriptedDialogs.h"
#include "support/SmfBuilder.h"
#include "support/TempDir.h"
#include "support/TempoMap.h"

namespace korvel {
namespace {

using test::IndexOf;
using test::SmfEvent;

// Note-ons as they arrive: the note, and its frame's time in microseconds.
std::vector<std::pair<int, int64_t>> NoteOns(const test::JackRecorder& probe) {
  std::vector<std::pair<int, int64_t>> notes;
  for (const auto& event : probe.Events()) {
    const auto& m = event.Message;
    if (m.size() == 3 && m[0] == 0x90 && m[2] != 0) {
      notes.emplace_back(m[1], static_cast<int64_t>(event.Micros));
    }
  }
  return notes;
}

constexpr int kDivision = 480;
const std::vector<std::pair<int64_t, int>> kTempos = {{0, 500000}, {1920, 300000}, {3840, 750000}};

// Sixteenths for three bars at 120, 200 and 80 BPM, each note one higher.
std::vector<uint8_t> TempoChanges() {
  std::vector<SmfEvent> track;
  for (const auto& [tick, tempo] : kTempos) {
    track.push_back(test::Tempo(tick, static_cast<uint32_t>(tempo)));
  }
  for (int i = 0; i < 48; ++i) {
    track.push_back({i * 120, {0x90, static_cast<uint8_t>(36 + i), 100}});
    track.push_back({i * 120 + 100, {0x80, static_cast<uint8_t>(36 + i), 0}});
  }
  return test::BuildSmf(kDivision, {track});
}

class JackFilePlayer : public ::testing::Test {
 protected:
  JackMidiDriver driver;
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings settings{channels};
  test::ScriptedDialogs dialogs;
  MidiPorts ports{devices, settings, dialogs};
  EngineLock lock;
  MidiFilePlayer player{ports, devices, dialogs};
  PacedThread clock{lock, kFileSampleRate, kFileBlockFrames,
                    [this](int64_t frames) { player.Advance(frames); },
                    [this] { player.EndSoundingNotes(); }};
  test::TempDir dir{"jack-file-player"};
  test::JackRecorder probe{"probe"};

  void SetUp() override {
    ASSERT_EQ(driver.Problem(), "") << "is the test's JACK server up?";
    ports.FillDeviceLists();
    std::lock_guard engine(lock);
    player.RunClock = [this](bool run) { run ? clock.Start() : clock.Stop(); };
    player.AutoStart = false;
    player.SelectOutput(IndexOf(ports.OutputList(), "probe:capture"));
    ASSERT_NE(player.Output(), nullptr);
    ASSERT_TRUE(player.Open(dir.Write("tempo.mid", TempoChanges())));
    ASSERT_TRUE(probe.WaitConnected());
  }
  // Waits (10 s at most) until `done` holds under the engine lock.
  template <typename Done>
  bool WaitUntil(Done done) {
    for (int i = 0; i < 1000; ++i) {
      {
        std::lock_guard engine(lock);
        if (done()) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

// What a pass received that is wrong: missing notes, notes out of order, or a bar played at
// another tempo than the file's: the middle gap between the notes of each bar, which a busy
// machine's scheduling does not move, is its sixteenth within a tenth. How close each note comes
// to its time is measured in bench/file_player.
std::string Problems(const std::vector<std::pair<int, int64_t>>& notes) {
  if (notes.size() != 48) return "received " + std::to_string(notes.size()) + " of 48 notes";
  for (size_t i = 0; i < notes.size(); ++i) {
    if (notes[i].first != 36 + static_cast<int>(i))
      return "note " + std::to_string(i) + " out of order";
  }
  const test::TempoMap map(kDivision, kTempos);
  for (size_t bar = 0; bar < 3; ++bar) {
    std::vector<int64_t> gaps;
    for (size_t i = bar * 16 + 1; i < bar * 16 + 16; ++i)
      gaps.push_back(notes[i].second - notes[i - 1].second);
    std::sort(gaps.begin(), gaps.end());
    const double played = static_cast<double>(gaps[gaps.size() / 2]);
    const int64_t first = static_cast<int64_t>(bar) * 1920;
    const double meant = map.Microseconds(first + 120) - map.Microseconds(first);
    if (std::abs(played - meant) > meant / 10)
      return "bar " + std::to_string(bar + 1) + " has sixteenths of " + std::to_string(played) +
             " us, not " + std::to_string(meant);
  }
  return {};
}

TEST_F(JackFilePlayer, EveryNoteArrivesInOrderOnTheTempoMap) {
  {
    std::lock_guard engine(lock);
    player.Repeat = false;
    player.Play();
  }
  ASSERT_TRUE(WaitUntil([this] { return !player.Playing(); }));
  probe.WaitCycles(2);  // the last notes are on their way for a period
  EXPECT_EQ(Problems(NoteOns(probe)), "");
}

TEST_F(JackFilePlayer, ALoopRangeRepeatsExactly) {
  {
    std::lock_guard engine(lock);
    player.Repeat = true;
    player.Play();
    ASSERT_TRUE(player.SetLoop(1920, 2400));  // the first beat at 200 BPM: four notes
  }
  ASSERT_TRUE(WaitUntil([this] { return player.Passes() >= 3; }));
  {
    std::lock_guard engine(lock);
    player.Stop();
  }
  probe.WaitCycles(2);
  // Three passes, and perhaps the start of a fourth before the test saw the third end.
  const auto notes = NoteOns(probe);
  ASSERT_GE(notes.size(), 12U);
  for (size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i].first, 52 + static_cast<int>(i % 4)) << "note " << i;
  }
}

}  // namespace
}  // namespace korvel
