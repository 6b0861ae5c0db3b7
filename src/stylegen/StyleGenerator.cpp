#include "stylegen/StyleGenerator.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace korvel {

namespace {

void Call(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

StyleGenerator::StyleGenerator(Style& style, Transport& transport, StylePlayer& player,
                               SongTransport& song, ChordRecognition& recognition,
                               ChordValue& chord, NoteBookkeeping& notes, LiveSettings& live,
                               ChannelState& sent, MidiPorts& ports, Dialogs& dialogs)
    : style_(style),
      transport_(transport),
      player_(player),
      song_(song),
      recognition_(recognition),
      chord_(chord),
      notes_(notes),
      live_(live),
      sent_(sent),
      ports_(ports),
      dialogs_(dialogs) {
  OctaveMemory.fill(-1);
  SavedLiveSettings.fill(ChannelState::kNone);
}

int StyleGenerator::ChordVariety() const {
  return kVarietyValues[static_cast<size_t>(std::clamp(VarietyIndex, 0, 3))];
}

int StyleGenerator::ChordSensitivity() const {
  return kSensitivityValues[static_cast<size_t>(std::clamp(SensitivityIndex, 0, 3))];
}

bool StyleGenerator::WorkEmpty() const {
  return style_.Work.WorkLength <= 0;
}

int StyleGenerator::MeasureSixteenths() const {
  return std::max<int>(transport_.MeasureSixteenths, 4);
}

void StyleGenerator::SetupWorkRange() {
  const GeneratorRange& range = CurrentRange();
  const int ms = MeasureSixteenths();
  const int first = std::clamp(range.FirstMeasure, 1, kMostGeneratorMeasures);
  const int beat = std::clamp(range.Beat, 1, 4);
  const int last = std::clamp(range.LastMeasure, 0, kMostGeneratorMeasures);
  RangeStart = ms * (first - 1) + kFirstBeatPos + (beat - 1) * 4;
  // To the end means to the end of the material, however long.
  RangeEnd =
      last == 0 ? std::numeric_limits<int32_t>::max() : last * ms + kFirstBeatPos + (beat - 1) * 4;
  StopPosition = style_.Work.WorkLength;
  if (!style_.StyleMode && last > 0) {
    StopPosition = std::max(style_.Work.FindWorkPosition(last, 1, ms), 0);
  }
  // Last, so that the chunk of the range's start is the current one. The next clock starts a
  // measure there.
  style_.Work.RecorderPosition = style_.Work.FindWorkPosition(first - 1, beat, ms) + 1;
  transport_.SetCountersForMeasureStart();
}

bool StyleGenerator::RangeInFirstChunk() {
  if (style_.Work.CurrentChunk == 0) return true;
  const int measures = style_.Work.Chunks[0].WorkSixteenths / MeasureSixteenths();
  dialogs_.InformUser("Measures 1 - " + std::to_string(measures) +
                      " available for stylecreating !");
  return false;
}

void StyleGenerator::TakeRestoreCopyIfPending() {
  if (!RestoreCopyPending) return;
  style_.Work.KeepRestoreCopy();
  RestoreCopyPending = false;
}

bool StyleGenerator::AnalyseChords(GeneratorSender sender) {
  if (sender == GeneratorSender::GenerateChords) {
    if (WorkEmpty() || player_.Playing) return false;
    if (!song_.Empty() && !dialogs_.AskYesNo("Replace current chords ?")) return false;
    song_.ClearChordMemory();
  }
  style_.StyleMode = false;
  SetupWorkRange();
  ChordMemory& memory = song_.Memory;
  memory.SetControl(kFirstBeatPos, 0, 0);  // the empty song's end mark moves to the end

  AnalysisSettings settings;
  settings.StartClock = int64_t{RangeStart - kFirstBeatPos} * 6;
  settings.EndClock = SongRange.LastMeasure > 0 ? int64_t{RangeEnd - kFirstBeatPos} * 6 : -1;
  settings.IntervalBeats = ChordIntervalBeats();
  settings.Variety = ChordVariety();
  settings.Sensitivity = ChordSensitivity();
  settings.FromRestoreCopy = style_.Work.RestoreAvailable && !RestoreCopyPending;
  const AnalysisResult result = AnalyseWork(style_.Work, settings, recognition_, chord_, memory);

  // As a recording ends: the first beat borrows the first chord, the end mark follows the
  // last measure analysed.
  if (!memory.Entry(kFirstBeatPos).HasChord()) {
    for (int pos = kFirstBeatPos + 4; pos <= kLastBeatPos; pos += 4) {
      const ChordEntry found = memory.Entry(pos);
      if (!found.HasChord()) continue;
      ChordEntry first = memory.Entry(kFirstBeatPos);
      first.Root = found.Root;
      first.Type = found.Type;
      memory.SetEntry(kFirstBeatPos, first);
      break;
    }
  }
  const int ms = MeasureSixteenths();
  const int endMark = MeasureStartAtOrAfter(result.EndPos, ms);
  if (ChordMemory::IsEntry(endMark)) {
    memory.SetControl(endMark, kCommandEnd, 0);
    song_.SongEnd = std::min(endMark + ms, kChordMemorySize);
  } else {
    song_.SongEnd = kChordMemorySize;
  }
  song_.SongPos = kFirstBeatPos;

  TakeRestoreCopyIfPending();
  StoredSettingsCode = SettingsCode();
  analysed_ = memory;
  if (sender == GeneratorSender::GenerateChords) Call(Hooks.ChordsGenerated);
  return true;
}

void StyleGenerator::ChordsForConversion(bool convertAll) {
  if (!song_.Empty()) {
    // The chords stay when they were found with these settings, even when corrected since.
    if (!RestoreCopyPending && SettingsCode() == StoredSettingsCode) return;
    // Chords the analysis did not write (corrected, recorded or loaded) are never replaced
    // without asking; with "Confirm" no chords are.
    const bool byHand = song_.Memory.Bytes != analysed_.Bytes;
    if ((ConfirmNewChords || byHand) && !dialogs_.AskYesNo("Generate new Chords ?")) return;
  }
  song_.ClearChordMemory();
  AnalyseChords(convertAll ? GeneratorSender::ConvertAll : GeneratorSender::ConvertMeasures);
}

bool StyleGenerator::AskModify() {
  if (style_.Parts.Part(style_.SelectedPart).Empty()) return true;
  char text[96];
  if (LoopRange.LastMeasure == 0) {
    std::snprintf(text, sizeof text, "Modify all measures, starting at measure %d",
                  LoopRange.FirstMeasure);
  } else {
    std::snprintf(text, sizeof text, "Modify Measures %d - %d", LoopRange.FirstMeasure,
                  LoopRange.LastMeasure);
  }
  return dialogs_.AskYesNo(text);
}

bool StyleGenerator::ConvertAll(GeneratorSender sender) {
  if (WorkEmpty() || player_.Playing) return false;
  const bool convertAll = sender == GeneratorSender::ConvertAll;
  // Everything that can refuse comes first: a refusal changes nothing and finds no chords.
  if (!convertAll) {
    style_.StyleMode = true;
    SetupWorkRange();
    if (!RangeInFirstChunk()) return false;
    if (sender == GeneratorSender::ConvertMeasures && !AskModify()) return false;
  }
  if (convertAll || RestoreCopyPending) {
    if (style_.Channels.Converted() && style_.Work.RestoreAvailable && !RestoreCopyPending) {
      style_.Work.RestoreOriginal();
      style_.Channels.SetConverted(false);
    } else {
      style_.Work.KeepRestoreCopy();
      RestoreCopyPending = false;
    }
  } else if (!style_.Work.RestoreAvailable) {
    style_.Work.KeepRestoreCopy();  // the first conversion keeps the original to come back to
  }
  ChordsForConversion(convertAll);
  if (!ConvertWork(sender)) return false;
  style_.Channels.SetConverted(true);
  return true;
}

void StyleGenerator::ConvertStyle() {
  if (player_.Playing) player_.StopPlayback();
  for (int part = kStylePartCount - 1; part >= 0; --part) {
    const StylePart record = style_.Parts.Part(part);
    if (record.Empty()) continue;
    if (KeepIntroEnding && (part == kIntro || part == kEnding)) continue;
    if (KeepBasicExtended && (part == kBasic || part == kExtended)) continue;
    if (KeepFills && part >= kFillBasic) continue;
    style_.SelectedPart = part;
    LoopRange.FirstMeasure = record.FirstMeasure();
    LoopRange.Beat = std::clamp<int>(record.StartBeat(), 1, 4);
    LoopRange.LastMeasure = record.LastMeasure();
    ConvertAll(GeneratorSender::ConvertStyle);
  }
  if (player_.Playing) player_.StopPlayback();
}

void StyleGenerator::ResetGeneratedStyle() {
  if (style_.StyleMode && StyleChanged && dialogs_.AskYesNo("Save Style first ?")) {
    Call(Hooks.SaveStyle);
  }
  style_.Work.ClearWork();
  style_.Work.RestoreAvailable = false;
  style_.Parts.Clear();
  StyleChanged = false;
  style_.Channels.Reset();
  style_.Channels.SetMeasureLength(static_cast<int16_t>(MeasureSixteenths()));
  style_.StyleLength = 0;
  Call(Hooks.ControllerReset);
  sent_.ResetChannelStateCopy();
  style_.StyleLoaded = false;
  style_.SongLoaded = false;
  RestoreCopyPending = false;
  StoredSettingsCode = kNoSettingsCode;
}

bool StyleGenerator::NewWork(std::optional<GeneratorSender> sender) {
  if (sender) {
    if (!WorkEmpty() && StyleChanged && !dialogs_.AskYesNo("Replace current work ?")) return false;
    if (*sender == GeneratorSender::NewMenu) transport_.SetMetre(2);  // 4/4
    ResetGeneratedStyle();
  }
  LoopRange = {};
  SongRange = {};
  style_.SelectedPart = PlayIntro ? kIntro : kBasic;
  SourceChannel = 0;
  DestinationChannel = 0;
  SetupWorkRange();
  style_.Work.RestoreAvailable = false;
  ConvertMode = kDefaultConvertMode;
  ChordIntervalIndex = 1;
  style_.Work.RecorderPosition = 0;
  return true;
}

}  // namespace korvel
