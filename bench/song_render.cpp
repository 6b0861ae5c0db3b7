// What rendering a song offline costs: a 200-measure arrangement with a chord every measure and
// a melody note on every beat, played with the rock1 style through the engine on the stepped
// clock into a Standard MIDI File, as korvel-cli song-render does. The counter "clocks/s" is
// how many MIDI clocks the render gets through per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>

#include "app/HeadlessUi.h"
#include "app/Render.h"
#include "app/SongSource.h"
#include "engine/StyleFile.h"
#include "platform/AtomicFile.h"
#include "stylegen/StyleSource.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMeasures = 200;

std::string LongSong() {
  const char* chords[] = {"C", "Am", "F", "G7"};
  std::string text = "style rock1.kvs\ntempo 120\nmeasure 16\n";
  for (int m = 1; m < kMeasures; ++m) {
    text += std::string("bar ") + (m == 1 ? "[Intro]" : "") + chords[m % 4] + " . . .\n";
  }
  text += "bar [End]. . . .\n";
  for (int beat = 0; beat < (kMeasures - 1) * 4; ++beat) {
    text += "note " + std::to_string(beat * 24) + " " + std::to_string(60 + beat % 12) + " 20\n";
  }
  return text;
}

struct Files {
  fs::path Folder = fs::temp_directory_path() / "korvel-bench-song-render";
  std::string Song = (Folder / "long.kva").string();
  std::string Style = (Folder / "rock1.kvs").string();
  std::string Out = (Folder / "long.mid").string();
  Files() {
    fs::create_directories(Folder);
    std::string error;
    const auto source = korvel::ReadWholeFile(KORVEL_DATA_DIR "/style-src/rock1.kst", error);
    if (!source) throw std::runtime_error(error);
    const auto style =
        korvel::CompileStyleSource(std::string(source->begin(), source->end())).Contents;
    korvel::WriteStyleFile(Style, style.Channels, style.Parts, style.Material);
    korvel::SaveArrangementFile(Song, korvel::CompileSongSource(LongSong()));
  }
  ~Files() { fs::remove_all(Folder); }
};

void BM_RenderSongToMidiFile(benchmark::State& state) {
  Files files;
  korvel::TextDialogs dialogs(nullptr);
  korvel::NoView view;
  const korvel::SongRequest request{files.Song, files.Style, files.Folder.string(), 0};
  int64_t clocks = 0;
  for (auto _ : state) {
    const auto result = korvel::RenderToMidiFile(korvel::SongStart(request, dialogs, view),
                                                 files.Out, dialogs, view);
    if (!result.Played) {
      state.SkipWithError("the song did not play");
      return;
    }
    clocks += result.Clocks;
  }
  state.counters["clocks/s"] =
      benchmark::Counter(static_cast<double>(clocks), benchmark::Counter::kIsRate);
  state.counters["clocks"] = static_cast<double>(clocks) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RenderSongToMidiFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
