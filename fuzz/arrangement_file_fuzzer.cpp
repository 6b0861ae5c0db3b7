// Any bytes as an arrangement file: the reader refuses or takes them without reading out of
// bounds, and what it takes is written and read back as the same song.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "performance/ArrangementFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::Arrangement song;
  try {
    song = korvel::ReadArrangement(std::span<const uint8_t>(data, size));
  } catch (const korvel::ArrangementError&) {
    return 0;
  }
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
