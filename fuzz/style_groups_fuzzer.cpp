// Any bytes as a group file: reading never fails on them, every entry splits into its parts,
// and an entry rebuilt from its parts keeps its description and path. The same bytes as a
// pattern and a name for the browser's matching.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/StyleBrowser.h"
#include "app/StyleGroups.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The same bytes as a typed pattern and a file name: any mask ends, and "*" takes anything.
  korvel::MatchesStylePattern(text.substr(size / 2), text.substr(0, size / 2));
  if (!korvel::MatchesStylePattern(text, "*")) std::abort();
  korvel::StyleGroupFile file;
  std::string error;
  if (!file.LoadText(text, error)) return 0;
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
