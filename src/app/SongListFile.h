// Song list files (.KVL): plain text, one song per line, each a title and a song file with a
// snapshot of the performance settings it is played with. A line keeps fixed columns so that
// lists written elsewhere still read; every setting is checked on its own, and a damaged one is
// left out (the setting then stays as it is) instead of shifting or spoiling the others.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvel {

inline constexpr int kSongTitleColumns = 50;
inline constexpr int kSongPathColumns = 80;

// The eight mixer values in their columns' order.
inline constexpr std::array<const char*, 8> kSongMixerNames = {
    "volume", "pan", "reverb", "chorus", "modulation", "expression", "sustain", "aftertouch"};

struct SongEntry {
  std::string Title;  // at most 50 characters
  std::string Path;   // as stored: absolute, or relative to the list's folder
  std::optional<std::array<bool, 16>> Channels;  // the channel boxes: ticked = muted
  std::optional<int> KeyboardMode;               // the keyboard mode list's index, 0..9
  std::optional<bool> Chords;                    // " Chords"
  std::optional<bool> Instruments;               // " Instruments ..."
  std::optional<bool> HarmonicPad;               // " Harmonic PAD, transposed"
  std::optional<bool> MelodyAdLib;               // " Melody Ad Lib"
  std::optional<bool> SendChordCodes;            // " Send Chord Codes ..."
  std::optional<bool> SecondAdLib;               // the second ad-lib box
  std::optional<int> LiveChannel;                // 0..15
  std::optional<int> Octave;                     // -3..4
  std::optional<int> Semitones;                  // -11..11
  std::optional<int> Instrument;                 // instrument list index, 0..999
  std::array<std::optional<int>, 8> Mixer;       // 0..127 each
  std::optional<std::string> KeySet;             // 13 three-digit fields and "000"
  std::optional<int> MinusOneChannel;            // 1..16 when "Minus One" is on, else 0

  bool operator==(const SongEntry&) const = default;
};

// A line read, and the names of the settings that could not be read from it.
struct ReadSongEntry {
  SongEntry Entry;
  std::vector<std::string> BadFields;
};

// The line for an entry; unset settings are written as their defaults. The title is cut to 50
// bytes on a character boundary; the path must already fit its 80 columns (see StoredSongPath).
std::string FormatSongEntry(const SongEntry& entry);
// Reads a line (a trailing CR is ignored). Columns count bytes, or characters in a UTF-8 line
// written with its title padded by characters; a title that is not UTF-8 is read as
// Windows-1252. Nothing, with the reason in `why`, when the line holds no song file or its
// columns do not line up.
std::optional<ReadSongEntry> ParseSongEntry(const std::string& line, std::string* why = nullptr);

// How a song's file is kept in a list in `listFolder`: the whole path when it fits 80 columns,
// else the path relative to the list's folder when that fits; nothing when neither does.
std::optional<std::string> StoredSongPath(const std::string& path, const std::string& listFolder);
// The file a stored path names: relative paths lie below the list's folder; a Windows path
// (drive letter, backslashes) is looked for by its file name, in any case, in the list's folder.
std::string ResolveSongPath(const std::string& stored, const std::string& listFolder);

// The lines of a list file, without a byte order mark, line ends (CR LF or LF) and empty lines.
std::vector<std::string> SongListLines(std::span<const uint8_t> bytes,
                                       std::vector<int>* lineNumbers = nullptr);
// Replaces the file with the lines, one per line, atomically; throws on failure.
void WriteSongList(const std::string& path, const std::vector<std::string>& lines);

// The entry's settings as "key=value" fields separated by blanks, only those that are set.
std::string SongSettingsText(const SongEntry& entry);

}  // namespace korvel
