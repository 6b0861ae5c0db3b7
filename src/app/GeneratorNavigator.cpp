#include "app/GeneratorNavigator.h"

#include <algorithm>

#include "app/Engine.h"
#include "app/GeneratorCommands.h"
#include "stylegen/GeneratorNavigation.h"

namespace korvel {

namespace {

int MeasureLength(const Engine& engine) {
  return std::max<int>(engine.Transport.MeasureSixteenths, 4);
}

int BeatLength(const Engine& engine) {
  return std::max<int>(engine.Transport.ClocksPerBeat / 6, 1);
}

// `jumpedTo`: the counter a jump left, which the next beat counts only when it starts.
NavigationState StateOf(const Engine& engine, int loopLength, int32_t jumpedTo) {
  const StyleGenerator& gen = engine.Generator;
  NavigationState s;
  s.MeasureSixteenths = MeasureLength(engine);
  s.BeatSixteenths = BeatLength(engine);
  s.StyleMode = engine.Style.StyleMode;
  s.LoopStart = gen.LoopRange.FirstMeasure;
  s.LoopEnd = gen.LoopRange.LastMeasure;
  s.LoopLength = loopLength;
  if (engine.Player.Playing) {
    s.SixteenthCounter = engine.Player.PartSixteenths;
    if (s.SixteenthCounter == jumpedTo) s.SixteenthCounter += s.BeatSixteenths;
  } else {
    // Stopped: the measure the range starts at counts as playing.
    const GeneratorRange& range = s.StyleMode ? gen.LoopRange : gen.SongRange;
    s.SixteenthCounter = (range.FirstMeasure - 1) * s.MeasureSixteenths + 4 + s.BeatSixteenths;
  }
  return s;
}

// Styles are made of the first chunk: in style mode the material ends with it.
int WorkSixteenths(const Engine& engine) {
  const WorkMaterial& work = engine.Style.Work;
  if (engine.Style.StyleMode && work.Chunks[1].Allocated) return work.Chunks[0].WorkSixteenths;
  return work.WorkSixteenths;
}

void Send(Engine& engine, const std::vector<ChasedMessage>& messages) {
  TMidiOutput& port = *engine.Ports.PlayPort;
  if (!port.IsOpen()) return;
  for (const ChasedMessage& m : messages) port.PutShort(m.Status, m.Data1, m.Data2);
}

}  // namespace

bool GeneratorNavigator::Free() const {
  return !engine_.Player.Playing || engine_.Generator.Playing;
}

void GeneratorNavigator::StartIfStopped() {
  if (engine_.Player.Playing) return;
  Style& style = engine_.Style;
  if (!style.StyleMode) {
    StartGeneratorPlay(engine_);
    return;
  }
  // The loop plays whether or not the selected part is set yet.
  ChordValue& chord = engine_.Chord;
  if (chord.EditChordRoot == kNoChord) {
    chord.ChordRoot = chord.EditChordRoot = 48;
    chord.ChordType = chord.EditChordType = 1;
  }
  engine_.Generator.SetupWorkRange();
  style.StyleLength = style.Work.WorkLength;
  engine_.Player.StartStyle(std::clamp(style.SelectedPart, 0, kStylePartCount - 1));
  engine_.Generator.Playing = engine_.Player.Playing;
}

void GeneratorNavigator::Jump(int measures, int sixteenths) {
  Style& style = engine_.Style;
  StylePlayer& player = engine_.Player;
  WorkMaterial& work = style.Work;
  StyleGenerator& gen = engine_.Generator;
  const int ms = MeasureLength(engine_);
  const bool wasPlaying = player.Playing;
  StartIfStopped();
  if (!player.Playing) return;
  const int16_t editRoot = engine_.Chord.EditChordRoot;
  const int16_t editType = engine_.Chord.EditChordType;

  // Where the material was left: a part about to start stands at its start.
  int32_t old = wasPlaying ? player.PlayPosition : 0;
  if (style.StyleMode && old >= player.PartEndPos + kPartSwitchMarker) old = player.PartStartPos;
  const WorkPoint from{work.CurrentChunk, std::max(old, 0)};
  player.EndBookedNotes(16);

  const GeneratorRange& loop = gen.LoopRange;
  const int first = std::max(loop.FirstMeasure, 1);
  const bool closed = loop.LastMeasure > 0 && loop.LastMeasure >= first;
  if (style.StyleMode) {
    const int32_t length = std::max(work.WorkLength, 0);
    player.Preview.EndPos =
        closed ? std::clamp(work.FindWorkPosition(loop.LastMeasure, 1, ms) + 1, 0, length) : length;
    player.Preview.StartPos =
        std::clamp(work.FindWorkPosition(first - 1, 1, ms) + 1, 0, player.Preview.EndPos);
    player.Preview.Measures = closed ? loop.LastMeasure - first + 1 : 0;
  }
  // Last, so that the chunk of the new position is the current one.
  const int32_t position = std::max(work.FindWorkPosition(measures, 1, ms) + 1, 0);
  const WorkPoint to{work.CurrentChunk, position};
  work.RecorderPosition = position;
  player.PlayPosition = position;
  player.WaitClocks = 0;
  player.PartSixteenths = sixteenths;
  jumpedTo_ = sixteenths;
  player.BeatInMeasure = 0;
  engine_.Transport.SetCountersForMeasureStart();
  if (style.StyleMode) {
    // The loop is entered at the measure jumped to and repeats from its own start.
    player.Preview.Active = true;
    player.PartStartPos = player.Preview.StartPos;
    player.PartEndPos = std::max(player.Preview.EndPos, position);
    player.PartStartSixteenths = (first - 1) * ms + 4;
    const int left = closed ? loop.LastMeasure - measures : 0;
    player.PartBeatsLeft = left > 0 ? left * player.BeatsPerMeasure : -1;
    player.PendingSuccessor = 0;  // the loop repeats
  }

  if (from < to) {
    Send(engine_, ChaseControllers(work, from, to, engine_.Notes.MasterTranspose,
                                   engine_.Live.TransmitControllers, engine_.Sent));
  } else if (to < from) {
    Send(engine_, PitchBendCentre());
  }
  engine_.Chord.EditChordRoot = editRoot;
  engine_.Chord.EditChordType = editType;
  gen.Playing = true;
}

bool GeneratorNavigator::Apply(bool styleOnly, const NavigationOp& op) {
  if (!Free() || engine_.Generator.WorkEmpty()) return false;
  if (styleOnly && !engine_.Style.StyleMode) return false;
  NavigationState state = StateOf(engine_, loopLength_, jumpedTo_);
  NavigationMove move;
  if (!op(state, move)) return false;
  if (state.StyleMode) {
    engine_.Generator.LoopRange.FirstMeasure = state.LoopStart;
    engine_.Generator.LoopRange.LastMeasure = state.LoopEnd;
  }
  Jump(move.Measures, move.SixteenthCounter);
  return true;
}

bool GeneratorNavigator::NextMeasure() {
  const int work = WorkSixteenths(engine_);
  return Apply(false, [work](NavigationState& s, NavigationMove& m) {
    return korvel::NextMeasure(s, work, m);
  });
}

bool GeneratorNavigator::PreviousMeasure() {
  return Apply(false,
               [](NavigationState& s, NavigationMove& m) { return korvel::PreviousMeasure(s, m); });
}

bool GeneratorNavigator::LastFourMeasures() {
  const int work = WorkSixteenths(engine_);
  return Apply(false, [work](NavigationState& s, NavigationMove& m) {
    return korvel::LastFourMeasures(s, work, m);
  });
}

bool GeneratorNavigator::LoopsBack() {
  return Apply(true, [](NavigationState& s, NavigationMove& m) { return korvel::LoopsBack(s, m); });
}

bool GeneratorNavigator::LoopsForward() {
  const int work = WorkSixteenths(engine_);
  return Apply(true, [work](NavigationState& s, NavigationMove& m) {
    return korvel::LoopsForward(s, work, m);
  });
}

bool GeneratorNavigator::Rewind() {
  return Apply(false, [this](NavigationState& s, NavigationMove& m) {
    // The range controls start again (the beats stay): measure 1 to the end.
    StyleGenerator& gen = engine_.Generator;
    gen.SongRange.FirstMeasure = gen.LoopRange.FirstMeasure = 1;
    gen.SongRange.LastMeasure = gen.LoopRange.LastMeasure = 0;
    s.LoopStart = 1;
    s.LoopEnd = 0;
    m = {0, 4};
    return true;
  });
}

bool GeneratorNavigator::LoopStartHere() {
  return Apply(true, [](NavigationState& s, NavigationMove& m) {
    korvel::LoopStartHere(s);
    m = {s.LoopStart - 1, (s.LoopStart - 1) * s.MeasureSixteenths + 4};
    return true;
  });
}

void GeneratorNavigator::ChooseLoopLength(int measures) {
  loopLength_ = std::clamp(measures, 1, kMostLoopMeasures) - 1;
  const Style& style = engine_.Style;
  GeneratorRange& loop = engine_.Generator.LoopRange;
  if (!engine_.Player.Playing || !engine_.Generator.Playing || !style.StyleMode) return;
  if (loop.LastMeasure == 0 || style.SelectedPart < kIntro || style.SelectedPart > kEnding) return;
  Apply(true, [this](NavigationState& s, NavigationMove& m) {
    s.LoopEnd = std::min(s.LoopStart + loopLength_, kMostGeneratorMeasures);
    m = {s.LoopStart - 1, (s.LoopStart - 1) * s.MeasureSixteenths + 4};
    return true;
  });
}

bool GeneratorNavigator::ApplyLoop() {
  if (!engine_.Player.Playing || !engine_.Generator.Playing) return false;
  return Apply(true, [](NavigationState& s, NavigationMove& m) {
    // The measure that plays goes on when the new loop holds it; otherwise the loop starts.
    const int playing = PlayingMeasure(s);
    const bool inside = playing >= s.LoopStart && (s.LoopEnd == 0 || playing <= s.LoopEnd);
    const int target = inside ? playing : std::max(s.LoopStart, 1);
    m = {target - 1, (target - 1) * s.MeasureSixteenths + 4};
    return true;
  });
}

bool GeneratorNavigator::ChoosePart(int part, bool variation) {
  if (part < 0 || part >= kStylePartCount || !Free() || engine_.Generator.WorkEmpty()) return false;
  Style& style = engine_.Style;
  if (part == kIntro) Rewind();
  if (part == kEnding) LastFourMeasures();
  // The measure that plays, taken before the mode changes.
  const int playing = part == kIntro ? 2 : PlayingMeasure(StateOf(engine_, loopLength_, jumpedTo_));
  if (!style.StyleMode) {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    engine_.Player.AllSoundOff(*engine_.Ports.PlayPort);
    style.StyleMode = true;
  }
  const bool fill = part >= kFillBasic;
  if (part == kFillBasic || part == kFillExtended)
    engine_.StyleParts.ChosenAsVariation[static_cast<size_t>(part)] = variation;
  engine_.StyleParts.SelectPart(part);
  const bool wholeLoop = !fill || variation;
  // The loop ends with the material at the latest.
  const int measures =
      MeasureCount(StateOf(engine_, loopLength_, jumpedTo_), WorkSixteenths(engine_));
  const int last = std::clamp(std::min(playing + (wholeLoop ? loopLength_ : 0), measures), playing,
                              kMostGeneratorMeasures);
  return Apply(true, [playing, last](NavigationState& s, NavigationMove& m) {
    s.LoopStart = playing;
    s.LoopEnd = last;
    m = {playing - 1, (playing - 1) * s.MeasureSixteenths + 4};
    return true;
  });
}

}  // namespace korvel
