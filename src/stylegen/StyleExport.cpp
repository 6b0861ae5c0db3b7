#include "stylegen/StyleExport.h"

#include <algorithm>
#include <cstdio>

namespace korvel {

namespace {

// The key that switches the player to `part`; 0 for none.
int PartKey(int part, const ControlKeys& keys, const StylePartTable& parts, bool single) {
  switch (part) {
    case kIntro:
      return keys.IntroKey();
    case kEnding:
      return keys.EndingKey;
    case kFillBasic:
    case kFillExtended:
      return keys.FillInKey;
    case kToExtended:
      return keys.ToAdvKey;
    case kToBasic:
      return keys.ToBasicKey;
    case kExtended:
      // Without a transition nothing else leads from Basic to Extended; the player goes
      // straight to Extended when To Extended is empty.
      return !single && parts.Part(kToExtended).Empty() ? keys.ToAdvKey : 0;
    default:
      return 0;
  }
}

}  // namespace

int StyleMeasureBytes(int16_t measureLength) {
  if (measureLength == 0) return 16;
  return measureLength < 0 ? -2 * measureLength : measureLength;
}

std::string StyleArrangement::Listing() const {
  std::string text;
  for (const ExportedPart& p : Parts) {
    char line[64];
    std::snprintf(line, sizeof line, "%-18.18s : %2.2d - %2.2d\r\n", StylePartName(p.Part),
                  p.FirstMeasure, p.LastMeasure);
    text += line;
  }
  return text;
}

std::optional<StyleArrangement> BuildStyleArrangement(const StylePartTable& parts,
                                                      int16_t measureLength,
                                                      const ControlKeys& keys, int part,
                                                      bool playIntro, bool leadIn) {
  const bool single = part != kFullStyleExport;
  if (single && (part < 0 || part >= kStylePartCount)) return std::nullopt;
  StyleArrangement a;
  a.MeasureBytes = StyleMeasureBytes(measureLength);
  a.PlayedParts = parts;
  a.PlayIntro = !single && playIntro && !parts.Part(kIntro).Empty();
  a.Chords.Clear();
  a.Chords.SetEntry(kFirstBeatPos, {});  // the empty memory's end mark goes

  int measure = leadIn ? 2 : 1;
  if (a.PlayIntro) {
    const int count = parts.Part(kIntro).MeasureCount();
    a.Parts.push_back({kIntro, 1, count});
    measure = count + 1;
  }

  std::vector<int> order(kStyleExportOrder.begin(), kStyleExportOrder.end());
  if (single) order = {part};
  for (const int p : order) {
    const StylePart record = parts.Part(p);
    if (record.Empty() || record.MeasureCount() == 0) continue;
    const int pos = MeasureStart(measure, a.MeasureBytes);
    const int count = record.MeasureCount();
    // The part and the end mark after it must fit the chord memory.
    if (MeasureStart(measure + count, a.MeasureBytes) > kLastBeatPos) break;
    a.Parts.push_back({p, measure, measure + count - 1});
    const int key = PartKey(p, keys, parts, single);
    if (key > 0) a.Chords.SetControl(pos, static_cast<uint8_t>(key), kControlKeyCode);
    measure += count;
  }
  if (a.Parts.empty() || (a.PlayIntro && a.Parts.size() == 1)) return std::nullopt;
  // The accompaniment waits for its chord: without an intro the lead-in measure stays silent
  // and the first part starts on the bar line the listing gives it.
  const int first = MeasureStart(a.Parts.front().FirstMeasure, a.MeasureBytes);
  ChordEntry start = a.Chords.Entry(first);
  start.Root = 48;
  start.Type = 1;
  a.Chords.SetEntry(first, start);

  if (single && part == kExtended) {
    std::copy_n(&parts.Bytes[kExtended * kStylePartSize], kStylePartSize,
                &a.PlayedParts.Bytes[kBasic * kStylePartSize]);
  } else if (single && part == kFillExtended) {
    std::copy_n(&parts.Bytes[kFillExtended * kStylePartSize], kStylePartSize,
                &a.PlayedParts.Bytes[kFillBasic * kStylePartSize]);
  }

  const int end = MeasureStart(measure, a.MeasureBytes);
  a.Chords.SetControl(end, kCommandEnd, 0);
  a.LastMeasure = measure - 1;
  a.SongEnd = end + 4;
  return a;
}

std::string StylePartFileName(const std::string& folder, int setNumber, const StylePartTable& parts,
                              int part) {
  const bool variation = parts.Part(part).Successor() == kFurtherVariation;
  return folder + "sty" + std::to_string(setNumber) + "_" + StylePartFileCode(part, variation) +
         ".mid";
}

}  // namespace korvel
