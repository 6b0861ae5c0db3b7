// Any bytes as an arrangement file: the reader refuses or takes them without reading out of
// bounds, and what it takes is written and read back as the same song. The song then plays
// with a small style for a few hundred clocks, its chords, commands and melody, so that a song
// that hangs the clock shows as a timeout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "FuzzEngine.h"
#include "app/Engine.h"
#include "app/Songs.h"
#include "performance/ArrangementFile.h"
#include "stylegen/StyleSource.h"

namespace {

constexpr const char* kStyle =
    "style fuzz\n"
    "tempo 120\n"
    "metre 4/4\n"
    "channel 2 \"Bass\" program 33 volume 100 pan 64 reverb 0 chorus 0\n"
    "part Basic 1\n"
    "  ch 2 C2 . . . G1 . . .\n"
    "part Ending 1\n"
    "  ch 2 C2 . . . . . . .\n";

struct Player : FuzzEngine {
  korvel::Songs Songs{Engine, Dialogs, View};

  Player() {
    std::lock_guard lock(Engine.Lock);
    const auto style = korvel::CompileStyleSource(kStyle).Contents;
    if (!Engine.Loader.TakeStyleFile(
            "fuzz.kvs", korvel::SerializeStyleFile(style.Channels, style.Parts, style.Material))) {
      std::abort();
    }
    Songs.Autoload = false;
  }

  void Play(const korvel::Arrangement& song) {
    {
      std::lock_guard lock(Engine.Lock);
      Songs.Apply(song);
      Engine.Song.Play();
    }
    for (int tick = 0; tick < 600 && Engine.Step(); ++tick) {
    }
    std::lock_guard lock(Engine.Lock);
    Engine.Song.Stop();
    Driver.ClearSent();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Player* player = new Player;
  korvel::Arrangement song;
  try {
    song = korvel::ReadArrangement(std::span<const uint8_t>(data, size));
  } catch (const korvel::ArrangementError&) {
    return 0;
  }
  player->Play(song);
  if (song.OldLayout) song.SetHeader(song.FirstMeasure(), 120, 16, 0);
  korvel::Arrangement again;
  try {
    again = korvel::ReadArrangement(korvel::ArrangementBytes(song));
  } catch (const korvel::ArrangementError&) {
    // Only a style path whose file name alone is too long for its field cannot be written.
    return 0;
  }
  const bool same = again.SongEnd == song.SongEnd && again.Melody == song.Melody &&
                    again.Memo == song.Memo && again.Title == song.Title &&
                    again.Copyright == song.Copyright &&
                    std::equal(again.Chords.begin() + 1, again.Chords.begin() + song.SongEnd,
                               song.Chords.begin() + 1) &&
                    again.FirstMeasure() == song.FirstMeasure();
  if (!same) std::abort();
  return 0;
}
