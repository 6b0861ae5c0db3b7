// The work file (.KVW): the generator's whole work in one file, little-endian, no gaps: work
// sixteenths (u16), the chord memory's length L (i16), the first L + 4 bytes of the chord
// memory, the channel table, the part table and the material. The material is chunk 0 of the
// chain; when the chain holds more chunks, each follows the one before it behind its
// continuation marker F0, just as a reader walking the material crosses from chunk to chunk.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/StyleTables.h"
#include "engine/WorkMaterial.h"

namespace korvel {

inline constexpr int kWorkHeaderSize = 4;
// The largest L: its L + 4 bytes fill the 12,004-byte chord memory.
inline constexpr int kMaxWorkChordLength = 12000;
// A chunk's used bytes: a message begun at the fill mark ends three bytes after it.
inline constexpr int kMaxChunkUsed = kChunkFill + 3;

struct WorkFileContents {
  uint16_t WorkSixteenths = 0;
  int16_t ChordLength = 0;      // L
  std::vector<uint8_t> Chords;  // the first L + 4 bytes of the chord memory
  // A short file ends after a whole block: the blocks it lacks stay as the reset left them.
  std::optional<StyleChannelTable> Channels;
  std::optional<StylePartTable> Parts;
  std::vector<std::vector<uint8_t>> Chunks;  // the used bytes of each chunk, markers left out
  // A file cut inside a message of its material keeps the whole messages before the cut (and
  // the parts that lie within them); this says so in words. Empty for a whole file.
  std::string Cut;

  size_t MaterialBytes() const;
};

// Reads any bytes: the contents, or nothing with the reason in words in `error`.
std::optional<WorkFileContents> ParseWorkFile(std::span<const uint8_t> bytes, std::string& error);

std::vector<uint8_t> SerializeWorkFile(const WorkFileContents& contents);

// The work as it stands: the chain's chunks up to their used lengths, the chord memory up to
// `songEnd`.
WorkFileContents CollectWork(const WorkMaterial& work, std::span<const uint8_t> chordMemory,
                             int songEnd, const StyleChannelTable& channels,
                             const StylePartTable& parts);

// Puts the material into cleared work: chunks, used lengths, work length, the sixteenths each
// chunk closed with, the chain-extended flag; chunk 0 is current. The work sixteenths are the
// file's.
void TakeWorkMaterial(WorkMaterial& work, const WorkFileContents& contents);

// What a work file holds, one field per line, for scripts and tests.
std::string WorkInfoText(const WorkFileContents& contents);

}  // namespace korvel
