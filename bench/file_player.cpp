// How closely the file player follows a file's tempo map: a 20-second file with tempo changes
// (120, 90, 160, 75 BPM; 480 ticks per quarter, a note every eighth) plays into the recording
// driver, stepped (the player's own resolution) and then in real time on its pacing thread.
// Prints the deviation of every note-on from the tempo map: p50, p99 and max in microseconds,
// with the song's start placed where the notes fit best.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "app/HeadlessUi.h"
#include "app/MidiFilePlayer.h"
#include "platform/AtomicFile.h"
#include "platform/ClockThread.h"
#include "platform/PacedThread.h"
#include "platform/RecordingDriver.h"
#include "support/SmfBuilder.h"
#include "support/TempoMap.h"

namespace {

using korvel::test::SmfEvent;

constexpr int kDivision = 480;
const std::vector<std::pair<int64_t, int>> kTempos = {
    {0, 500000}, {7680, 666667}, {15360, 375000}, {23040, 800000}};
constexpr int64_t kLength = 30720;

std::vector<uint8_t> TestFile() {
  std::vector<SmfEvent> track;
  for (const auto& [tick, tempo] : kTempos) {
    track.push_back(korvel::test::Tempo(tick, static_cast<uint32_t>(tempo)));
  }
  for (int64_t tick = 0; tick < kLength; tick += kDivision / 2) {
    const auto note = static_cast<uint8_t>(48 + (tick / 240) % 24);
    track.push_back({tick, {0x90, note, 100}});
    track.push_back({tick + 200, {0x80, note, 0}});
  }
  return korvel::test::BuildSmf(kDivision, {track});
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

struct Rig {
  korvel::RecordingDriver driver{{"Module"}, {}};
  korvel::MidiDevices devices{driver, nullptr};
  korvel::ChannelState channels;
  korvel::InputCallbackSettings input{channels};
  korvel::TextDialogs dialogs{nullptr};
  korvel::MidiPorts ports{devices, input, dialogs, korvel::InputDispatch::Manual};
  korvel::MidiFilePlayer player{ports, devices, dialogs};
};

void Report(const char* name, const std::vector<korvel::SentMessage>& sent) {
  const korvel::test::TempoMap map(kDivision, kTempos);
  std::vector<double> offsets;
  int64_t tick = 0;
  for (const auto& message : sent) {
    if (message.Bytes[0] != 0x90) continue;
    offsets.push_back(static_cast<double>(message.TimeUs) - map.Microseconds(tick));
    tick += kDivision / 2;
  }
  if (offsets.empty()) return;
  // The song's start is where the notes fall best (the median offset); the first note's own
  // lateness is shown apart, as the latency of starting.
  const double start = Percentile(offsets, 0.5);
  std::vector<double> deviations;
  for (double offset : offsets) deviations.push_back(std::abs(offset - start));
  std::printf("%-10s notes %zu  p50 %.0f us  p99 %.0f us  max %.0f us  first note %+.0f us\n", name,
              deviations.size(), Percentile(deviations, 0.5), Percentile(deviations, 0.99),
              Percentile(deviations, 1.0), offsets.front() - start);
}

}  // namespace

int main() {
  const auto path = std::filesystem::temp_directory_path() / "korvel-file-player-bench.mid";
  korvel::WriteFileAtomically(path.string(), TestFile());
  {
    Rig rig;
    rig.driver.SetTimeSource(
        [&rig] { return rig.player.Frames() * 1'000'000 / korvel::kFileSampleRate; });
    rig.player.Repeat = false;
    rig.player.SelectOutput(0);
    rig.player.Open(path.string());
    while (rig.player.Playing()) rig.player.Advance(korvel::kFileBlockFrames);
    Report("stepped", rig.driver.Sent());
  }
  {
    Rig rig;
    korvel::EngineLock lock;
    rig.driver.SetTimeSource([] { return korvel::MonotonicNanos() / 1000; });
    korvel::PacedThread clock(
        lock, korvel::kFileSampleRate, korvel::kFileBlockFrames,
        [&rig](int64_t frames) { rig.player.Advance(frames); },
        [&rig] { rig.player.EndSoundingNotes(); });
    {
      std::lock_guard engine(lock);
      rig.player.Repeat = false;
      rig.player.RunClock = [&clock](bool run) { run ? clock.Start() : clock.Stop(); };
      rig.player.SelectOutput(0);
      rig.player.Open(path.string());
    }
    while (true) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::lock_guard engine(lock);
      if (!rig.player.Playing()) break;
    }
    Report("real time", rig.driver.Sent());
  }
  std::filesystem::remove(path);
  return 0;
}
