// The file player against another program on a private JACK server: a file with tempo changes
// arrives note by note on the file's tempo map, and a loop range repeats exactly.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/MidiFilePlayer.h"
#include "platform/PacedThread.h"
#include "platform/RtMidiDriver.h"
#include "support/JackCapture.h"
#include "support/ScriptedDialogs.h"
#include "support/SmfBuilder.h"
#include "support/TempDir.h"
#include "support/TempoMap.h"

namespace korvel {
namespace {

using test::IndexOf;
using test::SmfEvent;

// Note-ons as they arrive, with the time of arrival in microseconds, and how many messages
// of any kind arrived.
struct TimedCapture {
  std::mutex mutex;
  std::vector<std::pair<int, int64_t>> noteOns;  // note, time
  size_t received = 0;
  static void Receive(double, std::vector<unsigned char>* message, void* self) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    auto* capture = static_cast<TimedCapture*>(self);
    std::lock_guard lock(capture->mutex);
    ++capture->received;
    if (message->size() != 3 || (*message)[0] != 0x90 || (*message)[2] == 0) return;
    capture->noteOns.emplace_back(
        (*message)[1], std::chrono::duration_cast<std::chrono::microseconds>(now).count());
  }
  std::vector<std::pair<int, int64_t>> Take() {
    std::lock_guard lock(mutex);
    return noteOns;
  }
  size_t Received() {
    std::lock_guard lock(mutex);
    return received;
  }
};

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
  RtMidiDriver driver{MidiApiChoice::Jack};
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
  TimedCapture capture;
  RtMidiIn probe{RtMidi::UNIX_JACK, "probe"};

  void SetUp() override {
    ASSERT_EQ(driver.Problem(), "") << "is the test's JACK server up?";
    probe.ignoreTypes(false, false, false);
    probe.setCallback(&TimedCapture::Receive, &capture);
    probe.openVirtualPort("capture");
    ports.FillDeviceLists();
    std::lock_guard engine(lock);
    player.RunClock = [this](bool run) { run ? clock.Start() : clock.Stop(); };
    player.AutoStart = false;
    player.SelectOutput(IndexOf(ports.OutputList(), "probe:capture"));
    ASSERT_NE(player.Output(), nullptr);
    ASSERT_TRUE(player.Open(dir.Write("tempo.mid", TempoChanges())));
  }
  // Waits (10 s at most) until `done` holds; `locked` takes the engine lock for it.
  template <typename Done>
  bool WaitUntil(Done done, bool locked = true) {
    for (int i = 0; i < 1000; ++i) {
      {
        std::unique_lock engine(lock, std::defer_lock);
        if (locked) engine.lock();
        if (done()) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // The connection stands once a message has come through it; one sent before the server made
  // it is lost, so the probe goes out until one arrives. Nothing is played before.
  void WaitForConnection() {
    ASSERT_TRUE(WaitUntil([this] {
      if (capture.Received() > 0) return true;
      player.Output()->PutShort(0xB0, 121, 0);
      return false;
    }));
  }
};

// What a pass received that is wrong: missing notes, notes out of order, or notes more than
// 2 ms off the tempo map (the transport's latency, the same for every note, set aside).
std::string Problems(const std::vector<std::pair<int, int64_t>>& notes) {
  if (notes.size() != 48) return "received " + std::to_string(notes.size()) + " of 48 notes";
  const test::TempoMap map(kDivision, kTempos);
  std::vector<double> offsets;
  for (size_t i = 0; i < notes.size(); ++i) {
    if (notes[i].first != 36 + static_cast<int>(i))
      return "note " + std::to_string(i) + " out of order";
    offsets.push_back(static_cast<double>(notes[i].second) -
                      map.Microseconds(static_cast<int64_t>(i) * 120));
  }
  auto sorted = offsets;
  std::sort(sorted.begin(), sorted.end());
  const double start = sorted[sorted.size() / 2];
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (std::abs(offsets[i] - start) > 2000.0)
      return "note " + std::to_string(i) + " " + std::to_string(offsets[i] - start) + " us off";
  }
  return {};
}

TEST_F(JackFilePlayer, EveryNoteArrivesInOrderOnTheTempoMap) {
  WaitForConnection();
  {
    std::lock_guard engine(lock);
    player.Repeat = false;
    player.Play();
  }
  ASSERT_TRUE(WaitUntil([this] { return !player.Playing(); }));
  // The server hands the last notes over in its own time, later on a busy machine.
  WaitUntil([this] { return capture.Take().size() >= 48; }, false);
  EXPECT_EQ(Problems(capture.Take()), "");
}

TEST_F(JackFilePlayer, ALoopRangeRepeatsExactly) {
  WaitForConnection();
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
  // Three passes, and perhaps the start of a fourth before the test saw the third end.
  ASSERT_TRUE(WaitUntil([this] { return capture.Take().size() >= 12; }, false));
  const auto notes = capture.Take();
  for (size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i].first, 52 + static_cast<int>(i % 4)) << "note " << i;
  }
}

}  // namespace
}  // namespace korvel
