#include "performance/ChordMemory.h"

#include <algorithm>

namespace korvel {

ChordEntry ChordMemory::Entry(int pos) const {
  if (!IsEntry(pos)) return {};
  const auto at = static_cast<size_t>(pos);
  return {Bytes[at], Bytes[at + 1], Bytes[at + 2], Bytes[at + 3]};
}

void ChordMemory::SetEntry(int pos, const ChordEntry& entry) {
  if (!IsEntry(pos)) return;
  const auto at = static_cast<size_t>(pos);
  Bytes[at] = entry.Root;
  Bytes[at + 1] = entry.Type;
  Bytes[at + 2] = entry.Control;
  Bytes[at + 3] = entry.Value;
}

void ChordMemory::SetControl(int pos, uint8_t control, uint8_t value) {
  if (!IsEntry(pos)) return;
  Bytes[static_cast<size_t>(pos) + 2] = control;
  Bytes[static_cast<size_t>(pos) + 3] = value;
}

void ChordMemory::Clear() {
  Bytes.fill(0);
  SetControl(kFirstBeatPos, kCommandEnd, 0);
}

int MeasureStart(int measure, int measureSixteenths) {
  return (measure - 1) * measureSixteenths + kFirstBeatPos;
}

int MeasureOf(int pos, int measureSixteenths) {
  const int ms = std::max(measureSixteenths, 4);
  if (pos < kFirstBeatPos) return pos / ms;
  return (pos - kFirstBeatPos) / ms + 1;
}

std::string PositionText(int pos, int measureSixteenths) {
  const int ms = std::max(measureSixteenths, 4);
  if (pos < kFirstBeatPos) return std::to_string(pos / ms);
  return std::to_string(MeasureOf(pos, ms)) + ":" +
         std::to_string((pos - kFirstBeatPos) % ms / 4 + 1);
}

int MeasureStartAtOrAfter(int pos, int measureSixteenths) {
  const int ms = std::max(measureSixteenths, 4);
  const int offset = pos - kFirstBeatPos;
  if (offset <= 0) return kFirstBeatPos;
  return kFirstBeatPos + (offset + ms - 1) / ms * ms;
}

std::vector<int> StepTapsKeepingGrid(int measureSixteenths) {
  std::vector<int> taps;
  const int beats = std::max(measureSixteenths / 4, 1);
  for (int t = 1; t <= 6; ++t) {
    if (beats % t == 0) taps.push_back(t);
  }
  return taps;
}

}  // namespace korvel
