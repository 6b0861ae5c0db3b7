#include "stylegen/StyleParts.h"

#include <algorithm>

namespace korvel {

std::string PartQuestion(const std::string& verb, int part) {
  std::string name = StylePartName(part);
  // The list indents its names by a blank; the question quotes the name itself.
  if (!name.empty() && name.front() == ' ') name.erase(0, 1);
  return verb + " \"" + name + "\" ?";
}

StyleParts::StyleParts(Style& style, StyleGenerator& generator, Transport& transport,
                       StylePlayer& player, NoteBookkeeping& notes, Dialogs& dialogs)
    : style_(style),
      generator_(generator),
      transport_(transport),
      player_(player),
      notes_(notes),
      dialogs_(dialogs) {}

int StyleParts::MeasureSixteenths() const {
  return std::max<int>(transport_.MeasureSixteenths, 4);
}

bool StyleParts::SetStylePart(PartSender sender) {
  const int part = std::clamp(style_.SelectedPart, 0, kStylePartCount - 1);
  StylePart record = style_.Parts.Part(part);
  GeneratorRange& range = generator_.LoopRange;
  if (sender == PartSender::ClearButton || range.LastMeasure == 0) {
    if (record.Empty() || !dialogs_.AskYesNo(PartQuestion("Clear", part))) return false;
    // The whole record goes, so that no stale position is ever saved with it.
    record.Clear();
    range = {};
    style_.AnalyseStyleParts(0, kStylePartCount - 1, 0, "");
    generator_.StyleChanged = true;
    if (player_.Playing) player_.StopPlayback();
    return true;
  }
  if (range.LastMeasure < range.FirstMeasure || generator_.WorkEmpty()) return false;
  // Parts live in the first chunk: a range that ends beyond it is refused.
  style_.Work.FindWorkPosition(range.LastMeasure, 1, MeasureSixteenths());
  if (!generator_.RangeInFirstChunk()) return false;
  if (sender == PartSender::SetButton &&
      !dialogs_.AskYesNo(PartQuestion(record.Empty() ? "Set as" : "Modify", part))) {
    return false;
  }
  style_.Channels.SetConverted(false);
  generator_.StyleChanged = true;
  const int oldLast = record.Empty() ? 0 : record.LastMeasure();
  const bool withSender = sender != PartSender::None;
  FillRecord(part, range.FirstMeasure, range.LastMeasure, range.Beat, withSender, withSender);
  if (!withSender) {
    style_.StyleLoaded = true;
    style_.SongLoaded = false;
    return true;
  }
  if (part == kBasic || part == kExtended) FollowMainPart(part, oldLast);
  if (player_.Playing) player_.StopPlayback();
  // The main part just set plays, with whatever transitions followed it.
  style_.SelectedPart = part;
  style_.StyleMode = true;
  if (Hooks.Play) Hooks.Play();
  style_.StyleLoaded = true;
  style_.SongLoaded = false;
  return true;
}

void StyleParts::FillRecord(int part, int first, int last, int beat, bool mutes, bool withSender) {
  StylePart record = style_.Parts.Part(part);
  WorkMaterial& work = style_.Work;
  const int ms = MeasureSixteenths();
  beat = std::clamp(beat, 1, 4);
  // FindWorkPosition gives -1 for the very start: a part from measure 1 starts at 0.
  const int32_t length = std::max(work.WorkLength, 0);
  const int32_t end = std::clamp(work.FindWorkPosition(last, beat, ms) + 1, 0, length);
  const int32_t start = std::clamp(work.FindWorkPosition(first - 1, beat, ms) + 1, 0, end);
  const bool wasVariation = !record.Empty() && record.Successor() == kFurtherVariation;
  record.Set(part, first, last - first + 1, start, end);
  record.SetStartBeat(static_cast<uint16_t>(beat));
  if ((part == kFillBasic || part == kFillExtended) &&
      (ChosenAsVariation[static_cast<size_t>(part)] || (!withSender && wasVariation))) {
    record.SetSuccessor(kFurtherVariation);
  }
  // A beat that the part's last, short bar lacks is entered at the part's end.
  const auto entries = work.BeatEntries(first, ms);
  for (int b = 2; b <= 4; ++b) {
    record.SetBeatEntry(b, std::clamp(entries[static_cast<size_t>(b - 2)], start, end));
  }
  if (mutes) {
    for (int c = 0; c < 16; ++c) record.SetPartMute(c, notes_.ChannelMute[static_cast<size_t>(c)]);
  }
  work.CurrentChunk = 0;
  style_.AnalyseStyleParts(part, part, 0, "");
}

bool StyleParts::HoldsOnlyMeasure(int part, int measure) const {
  const StylePart record = style_.Parts.Part(part);
  return !record.Empty() && record.FirstMeasure() == measure && record.LastMeasure() == measure;
}

void StyleParts::FollowMainPart(int mainPart, int oldMainLast) {
  const int transition = mainPart == kBasic ? kToExtended : kToBasic;
  const int fill = mainPart == kBasic ? kFillBasic : kFillExtended;
  const int last = generator_.LoopRange.LastMeasure;
  // A transition or fill follows while it is unset or holds the one measure it was given
  // automatically (the main part's old last measure); one set by hand stays.
  for (int part : {transition, fill}) {
    if (!style_.Parts.Part(part).Empty() && !HoldsOnlyMeasure(part, oldMainLast)) continue;
    FillRecord(part, last, last, 1, true, true);
  }
}

void StyleParts::SelectPart(int part) {
  if (part < 0 || part >= kStylePartCount) return;
  style_.SelectedPart = part;
  const StylePart record = style_.Parts.Part(part);
  if (record.Empty()) {
    generator_.LoopRange = {};
  } else {
    generator_.LoopRange = {record.FirstMeasure(), std::clamp<int>(record.StartBeat(), 1, 4),
                            record.LastMeasure()};
  }
  if (player_.Playing) player_.SelectStylePart(part);
}

std::array<std::array<int16_t, 2>, kStylePartCount> StyleParts::PanelMeasures() const {
  std::array<std::array<int16_t, 2>, kStylePartCount> table{};
  for (int part = 0; part < kStylePartCount; ++part) {
    const StylePart record = style_.Parts.Part(part);
    if (record.Empty()) continue;
    table[static_cast<size_t>(part)] = {static_cast<int16_t>(record.FirstMeasure()),
                                        static_cast<int16_t>(record.LastMeasure())};
  }
  return table;
}

}  // namespace korvel
