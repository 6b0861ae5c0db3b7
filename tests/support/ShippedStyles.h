// The styles Korvel ships, compiled from their sources in data/style-src.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/AtomicFile.h"
#include "stylegen/StyleSource.h"
#include "support/SourcePaths.h"

namespace korvel::test {

// Name -> compiled style, every source in the data folder. Throws on a source that fails.
inline std::map<std::string, CompiledStyle> ShippedStyles() {
  std::map<std::string, CompiledStyle> styles;
  const std::filesystem::path folder = std::filesystem::path(SourceDataDir()) / "style-src";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".kst") continue;
    std::string error;
    const auto bytes = ReadWholeFile(entry.path().string(), error);
    if (!bytes) throw std::runtime_error(error);
    styles.emplace(entry.path().stem().string(),
                   CompileStyleSource(std::string(bytes->begin(), bytes->end())));
  }
  return styles;
}

}  // namespace korvel::test
