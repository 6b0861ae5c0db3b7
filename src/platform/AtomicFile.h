// Every file Korvel writes replaces its target atomically: the bytes go to a temporary file in
// the same folder, reach the disk, and only then take the target's name. A crash or a full disk
// leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvel {

// Throws std::runtime_error with a message in words when the file cannot be written.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// The whole file, or nothing with the reason in `error`.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string& error);

}  // namespace korvel
