// Reads a Standard MIDI File (format 0, 1 or 2, metrical division) into fresh work material:
// every track merged by time into three-byte channel messages and time bytes of MIDI clocks,
// with the tempo, the metre and the first channel settings the file brings. The reader changes
// nothing else; applying what it read is the import's work.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/StyleTables.h"
#include "engine/WorkMaterial.h"
#include "stylegen/MidiTrackReader.h"

namespace korvel {

inline constexpr int kMaxMidiTracks = 32;

// A time signature the generator knows, by numerator and denominator (the metronome bytes say
// nothing of the metre): the "Metrum" entry it selects (the rows are in that list's order) and
// the "Change Chord per Measure ..." item it sets (-1: none).
struct TimeSignatureRow {
  uint8_t Numerator;
  uint8_t DenominatorPower;
  int16_t MeasureSixteenths;
  int ChordInterval;
};
inline constexpr std::array<TimeSignatureRow, 8> kTimeSignatureRows = {{
    {6, 2, 24, 1},   // 6/4
    {5, 2, 20, 4},   // 5/4
    {4, 2, 16, -1},  // 4/4
    {3, 2, 12, 2},   // 3/4
    {2, 2, 8, 1},    // 2/4
    {1, 2, 4, 0},    // 1/4
    {6, 3, 12, 2},   // 6/8
    {2, 3, 4, 0},    // 2/8
}};
// A file without a time signature is in 4/4.
inline constexpr int kFourFourRow = 2;

struct MidiReadSettings {
  // "    Try to optimize timing": the whole measures of silence before the first note-on are
  // left out (what else comes before it stands at the start).
  bool OptimizeTiming = false;
  // Off with "Don't get metrum from file".
  bool TakeMetre = true;
  // Tempo events count only in the first four measures (three of 3/4 or 6/8).
  bool CaptureTempo = true;
  // The metre in force: it stays with "Don't get metrum from file", and when the file's
  // time signatures have no row.
  int16_t MeasureSixteenths = 16;
  // Bytes of the file read so far and in all: every 1024 events and at the end.
  std::function<void(size_t read, size_t total)> Progress;
};

struct MidiReadResult {
  int Format = 0;
  int Tracks = 0;      // as the header declares them
  int TracksRead = 0;  // at most 32
  int Division = 0;
  int Tempo = 0;  // beats per minute; 0 when the file set none in the capture window
  // The row of kTimeSignatureRows taken last: kFourFourRow for a file without a time
  // signature; -1 for none (the file's signatures have no row, or the metre is not taken).
  int MetreRow = -1;
  int16_t MeasureSixteenths = 16;  // the metre at the end of the file
  // The first value of each tracked controller, program and channel pressure per channel, in
  // the channel table's record layout; 255 = none.
  std::array<std::array<uint8_t, kChannelRecordSize>, 16> FirstValues{};
  std::array<bool, 16> HasNotes{};
  int64_t Clocks = 0;  // written to the material
  // The chain of chunks filled up: the material holds what was read until then.
  bool OutOfMemory = false;
  WorkMaterial Work;
};

// Reads any bytes: the material read, or MidiFileError with the message to show.
MidiReadResult ReadMidiFile(std::span<const uint8_t> bytes, const MidiReadSettings& settings = {});

// What was read, one field per line, for scripts and tests; with `events`, then one line per
// channel message ("event CLOCK STATUS DATA1 DATA2", CLOCK counting the clocks before it) and
// "end". `metre` names the metre in force when the file set none.
std::string MidiReadText(const MidiReadResult& result, const std::string& metre, bool events);

// The material in the order it stands: `clocks` for each time byte, `message` for each channel
// message.
void WalkMaterial(const WorkMaterial& work, const std::function<void(int clocks)>& clocks,
                  const std::function<void(uint8_t, uint8_t, uint8_t)>& message);

// Appends `from` to `to` on the next bar line of `measureSixteenths`: the last measure of `to`
// is filled up with clocks first, and the appended material starts with a time byte of its own.
// False when the chain filled up; what fitted stays.
bool AppendOnBarLine(WorkMaterial& to, const WorkMaterial& from, int measureSixteenths);

}  // namespace korvel
