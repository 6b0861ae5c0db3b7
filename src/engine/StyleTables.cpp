#include "engine/StyleTables.h"

#include <algorithm>

namespace korvel {

const char* StylePartName(int part) {
  static const char* const kNames[kStylePartCount] = {
      " Intro",       " Basic",   " Extended", " Ending", " Fill in Basic", " Fill in Extended",
      " To Extended", " To Basic"};
  return part >= 0 && part < kStylePartCount ? kNames[part] : "";
}

const char* StylePartFileCode(int part, bool holdsVariation) {
  static const char* const kCodes[kStylePartCount] = {"i11", "v11", "v21", "e11",
                                                      "f12", "f22", "f11", "f21"};
  if (holdsVariation && part == kFillBasic) return "v31";
  if (holdsVariation && part == kFillExtended) return "v41";
  return part >= 0 && part < kStylePartCount ? kCodes[part] : "";
}

uint16_t DefaultSuccessor(int part) {
  static const uint16_t kSuccessors[kStylePartCount] = {1, 0, 0, 254, 255, 255, 2, 1};
  return part >= 0 && part < kStylePartCount ? kSuccessors[part] : kRepeat;
}

void StylePart::Clear() {
  std::fill_n(b_, kStylePartSize, 0);
}

void StylePart::Set(int number, int firstMeasure, int measures, int32_t start, int32_t end) {
  SetFirstMeasure(static_cast<uint16_t>(firstMeasure));
  SetLastMeasure(static_cast<uint16_t>(firstMeasure + measures - 1));
  SetStartBeat(1);
  SetMeasureCount(static_cast<uint16_t>(measures));
  SetStartPos(start);
  SetEndPos(end);
  SetSuccessor(DefaultSuccessor(number));
}

void StyleChannelTable::Reset() {
  std::fill_n(Bytes.begin(), 16 * kChannelRecordSize, 255);
  std::fill(Bytes.begin() + 16 * kChannelRecordSize, Bytes.end(), 0);
  SetTempo(120);
  SetStartMeasure(1);
  SetMeasureLength(16);
}

}  // namespace korvel
