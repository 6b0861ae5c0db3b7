// Arrangement files (.KVA): one song as the chord memory with its song header, the melody, the
// song's text and the name of its style. The reader takes the whole file and checks every field
// before anything is handed on, so a damaged file is refused with the reason in words and the
// song in memory stays as it was.
//
// Layout, little-endian: [255, int32 L, L bytes of 8-byte melody events]
//   then [253, int32 T, T bytes of Windows-1252 text ending in a zero] or 1380 bytes of text,
//   120 reserved bytes (the first two: a first measure above 8, else zero), [252, 160-byte
//   zero-terminated style file name], and the chord block to the end of the file (its first 4 bytes
//   are the song header).
// A file starting with 254 is the oldest layout: the chord block follows at once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "performance/MelodyTrack.h"

namespace korvel {

class ArrangementError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Arrangement {
  static constexpr int kChordBytes = 12004;
  static constexpr int kFixedTextBytes = 1380;
  static constexpr int kReservedBytes = 120;
  static constexpr int kStyleNameBytes = 160;
  static constexpr int kDefaultMeasureSixteenths = 16;

  // The chord memory: bytes 0..3 are the song header (first measure, tempo, measure length in
  // sixteenths, melody program), then one 4-byte entry per counted beat.
  std::array<uint8_t, kChordBytes> Chords{};
  // Chord bytes the song uses, a multiple of 4; 4 is an empty song.
  int SongEnd = 4;
  // The oldest layout's header carries only the first measure.
  bool OldLayout = false;
  // The melody program (header byte 3) applies only to a file with a melody block.
  bool HasMelodyBlock = false;
  std::vector<MelodyEvent> Melody;
  // The style file as the file names it (it may be a Windows path); empty: no style block.
  std::string StyleName;
  // UTF-8, lines separated by "\n". The text block carries the memo and four more lines.
  std::string Memo;
  std::string Title;
  std::string Subtitle;
  std::string Author;
  std::string Copyright;
  // Lines of the text as stored in the file.
  int TextLines = 0;
  // A "First measure" above 8, which the header cannot hold: the first two reserved bytes
  // keep it (little-endian), where readers that know only the header do not look.
  int LongFirstMeasure = 0;
  static constexpr int kMostMeasures = 500;

  // "First measure": the long one when it is 9..500 and header byte 0 is 8, else header
  // byte 0 when it is 1..8, else 1.
  int FirstMeasure() const;
  int Tempo() const { return Chords[1]; }
  // The header's measure length; the default metre for the oldest layout, which has none.
  int MeasureSixteenths() const;
  int MelodyProgram() const { return Chords[3]; }
  // "Last measure": the number of measures the song occupies.
  int LastMeasure() const;
  void SetHeader(int firstMeasure, int tempo, int measureSixteenths, int melodyProgram);
};

// Throws ArrangementError with the reason in words.
Arrangement ReadArrangement(std::span<const uint8_t> bytes);
Arrangement LoadArrangementFile(const std::string& path);
// The current layout: the melody block when there is a melody, the text block with its marker,
// the reserved bytes, the style block when a style is named, and SongEnd chord bytes. A style
// path too long for its field is stored as its file name. Throws ArrangementError when the
// header or the song cannot be stored as they are.
std::vector<uint8_t> ArrangementBytes(const Arrangement& arrangement);
// Replaces the file atomically; throws ArrangementError or std::runtime_error in words.
void SaveArrangementFile(const std::string& path, const Arrangement& arrangement);

// One field per line, for korvel-cli song-info.
std::string SongInfoText(const Arrangement& arrangement);

}  // namespace korvel
