// Any text as a style source: the compiler either builds a style whose parts lie inside its
// material or names the line that is wrong; it never reads or writes out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "performance/Progression.h"
#include "stylegen/StyleSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const auto compiled = korvel::CompileStyleSource(text);
    const auto& c = compiled.Contents;
    for (int p = 0; p < korvel::kStylePartCount; ++p) {
      const korvel::StylePart part = c.Parts.Part(p);
      if (!part.Empty() && part.EndPos() > static_cast<int32_t>(c.Material.size())) std::abort();
    }
  } catch (const korvel::StyleSourceError&) {
  }
  try {
    korvel::ParseProgression(text);
  } catch (const std::invalid_argument&) {
  }
  return 0;
}
