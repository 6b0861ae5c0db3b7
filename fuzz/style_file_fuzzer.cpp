// Any bytes as a style file: the reader takes what is there, clears parts that point outside
// the material, and analysing and describing the result reads nothing out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/Style.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korvel::Style* style = [] {
    auto* s = new korvel::Style;
    s->Work.AllocateWork();
    return s;
  }();
  style->Work.ClearWork();
  style->TakeFileContents(std::span<const uint8_t>(data, size));
  for (int p = 0; p < korvel::kStylePartCount; ++p) {
    const korvel::StylePart part = style->Parts.Part(p);
    if (!part.Empty() && (part.EndPos() > style->StyleLength || part.StartPos() < 0)) std::abort();
  }
  style->AnalyseStyleParts(0, korvel::kStylePartCount - 1, 3, "SC-55.KVI");
  style->StyleName = korvel::MakeStyleName("fuzz.kvs", style->Parts);
  return korvel::StyleInfoText(*style).empty() ? 1 : 0;
}
