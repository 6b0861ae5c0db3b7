// The style file (.KVS): an optional 4-byte stamp, the channel table, the part table and the
// event material, little-endian with no padding, no other header and no end marker.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/StyleTables.h"

namespace korvel {

inline constexpr int32_t kStampLow = 41'119'530;
inline constexpr int32_t kStampRange = 65'535;
inline constexpr int32_t kMaxStyleMaterial = 65'500;

// A stamp lies in 41,119,530 .. 41,119,530 + 65,534.
bool IsStyleStamp(int32_t value);

struct StyleFileContents {
  bool HasStamp = false;
  StyleChannelTable Channels;     // what the file did not hold keeps its reset value
  StylePartTable Parts;           // what the file did not hold stays empty
  std::vector<uint8_t> Material;  // at most 65,500 bytes
};

// Reads whatever bytes a file holds; a short file gives what it has, never more.
StyleFileContents ParseStyleFile(std::span<const uint8_t> bytes);

// Stamp, channel table, part table and material, as "Save Style as ..." writes them.
std::vector<uint8_t> SerializeStyleFile(const StyleChannelTable& channels,
                                        const StylePartTable& parts,
                                        std::span<const uint8_t> material, bool stamp = true);

// Writes atomically; throws std::runtime_error with a message in words.
void WriteStyleFile(const std::string& path, const StyleChannelTable& channels,
                    const StylePartTable& parts, std::span<const uint8_t> material);

}  // namespace korvel
