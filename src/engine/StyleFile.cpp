#include "engine/StyleFile.h"

#include <algorithm>

#include "platform/AtomicFile.h"

namespace korvel {

bool IsStyleStamp(int32_t value) {
  return value >= kStampLow && value < kStampLow + kStampRange;
}

StyleFileContents ParseStyleFile(std::span<const uint8_t> bytes) {
  StyleFileContents contents;
  size_t offset = 0;
  if (bytes.size() >= 4 && IsStyleStamp(GetI32(bytes.data()))) {
    contents.HasStamp = true;
    offset = 4;
  }
  auto take = [&](uint8_t* into, size_t size) {
    const size_t available = offset < bytes.size() ? std::min(size, bytes.size() - offset) : 0;
    std::copy_n(bytes.begin() + static_cast<ptrdiff_t>(offset), available, into);
    offset += size;
    return available;
  };
  take(contents.Channels.Bytes.data(), kStyleChannelTableSize);
  take(contents.Parts.Bytes.data(), kStylePartTableSize);
  if (offset < bytes.size()) {
    const size_t length = std::min<size_t>(bytes.size() - offset, kMaxStyleMaterial);
    contents.Material.assign(bytes.begin() + static_cast<ptrdiff_t>(offset),
                             bytes.begin() + static_cast<ptrdiff_t>(offset + length));
  }
  return contents;
}

std::vector<uint8_t> SerializeStyleFile(const StyleChannelTable& channels,
                                        const StylePartTable& parts,
                                        std::span<const uint8_t> material, bool stamp) {
  std::vector<uint8_t> bytes;
  bytes.reserve(4 + kStyleChannelTableSize + kStylePartTableSize + material.size());
  if (stamp) {
    bytes.resize(4);
    PutI32(bytes.data(), kStampLow);
  }
  bytes.insert(bytes.end(), channels.Bytes.begin(), channels.Bytes.end());
  bytes.insert(bytes.end(), parts.Bytes.begin(), parts.Bytes.end());
  bytes.insert(bytes.end(), material.begin(),
               material.begin() +
                   static_cast<ptrdiff_t>(std::min<size_t>(material.size(), kMaxStyleMaterial)));
  return bytes;
}

void WriteStyleFile(const std::string& path, const StyleChannelTable& channels,
                    const StylePartTable& parts, std::span<const uint8_t> material) {
  WriteFileAtomically(path, SerializeStyleFile(channels, parts, material));
}

}  // namespace korvel
