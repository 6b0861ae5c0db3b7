// Any bytes as a group file: reading never fails on them, every entry splits into its parts,
// and an entry rebuilt from its parts keeps its description and path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/StyleGroups.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::StyleGroupFile file;
  std::string error;
  if (!file.LoadText(std::string(reinterpret_cast<const char*>(data), size), error)) return 0;
  for (int group = 1; group <= 64; ++group) {
    for (const auto& entry : file.Entries(group)) {
      if (entry.empty()) std::abort();
      const auto parts = korvel::SplitGroupEntry(entry);
      if (parts.Path.find("{2}") != std::string::npos) continue;
      if (parts.Description.find_first_of("\r\n") != std::string::npos) continue;
      const auto rebuilt = korvel::SplitGroupEntry(
          korvel::MakeGroupEntry("x.kvs", "4/4", 120, 1, parts.Description, parts.Path));
      if (rebuilt.Description != parts.Description || rebuilt.Path != parts.Path) std::abort();
    }
  }
  return 0;
}
