#include "app/ProgressionPlayer.h"

#include "performance/ChordTypes.h"

namespace korvel {

namespace {
constexpr int kTrailingMeasures = 2;
// However the style behaves, a performance ends this many beats after its last step.
constexpr int kMostBeatsAfterTheEnd = 256;
}  // namespace

ProgressionPlayer::ProgressionPlayer(Engine& engine, std::vector<ProgressionStep> steps,
                                     int startPart)
    : engine_(engine), steps_(std::move(steps)), startPart_(startPart) {}

int ProgressionPlayer::RootNote(int pitchClass, int firstKey) {
  const int rootPlaceOffset = 12 - firstKey % 12;
  int root = firstKey + (pitchClass + rootPlaceOffset) % 12;
  if (root < 44) root += 12;
  return root;
}

void ProgressionPlayer::Press(ProgressionKey key) {
  ControlKeys& keys = engine_.Keys;
  switch (key) {
    case ProgressionKey::Intro:
      keys.ControlKeyNote = keys.IntroKey();
      break;
    case ProgressionKey::Fill:
      keys.ControlKeyNote = keys.FillInKey;
      break;
    case ProgressionKey::Basic:
      keys.ControlKeyNote = keys.ToBasicKey;
      break;
    case ProgressionKey::Extended:
      keys.ControlKeyNote = keys.ToAdvKey;
      break;
    case ProgressionKey::Ending:
      keys.ControlKeyNote = keys.EndingKey;
      break;
  }
  keys.ControlKeyCode = 12;
  engine_.Player.ChordChangeEntry({0, 0, 0, 0});
}

void ProgressionPlayer::BeforeTick() {
  if (finished_) return;
  StylePlayer& player = engine_.Player;
  Transport& transport = engine_.Transport;
  if (tick_ == 0) {
    const bool intro =
        !steps_.empty() && !steps_[0].Chord && steps_[0].Key == ProgressionKey::Intro;
    if (intro) ++next_;
    player.StartStyle(startPart_ >= 0 ? startPart_ : intro ? kIntro : engine_.Style.SelectedPart);
    transport.StartDelay = 0;  // this very tick starts the first measure
  }
  const int clocksPerBeat = transport.ClocksPerBeat;
  while (next_ < steps_.size() && tick_ == nextBeatTick_) {
    const ProgressionStep& step = steps_[next_++];
    if (!step.Chord) {
      Press(step.Key);
      continue;
    }
    const int root = RootNote(step.Chord->PitchClass, engine_.Live.FirstKey);
    ChordValue& chord = engine_.Chord;
    chord.ChordRoot = static_cast<int16_t>(root);
    chord.ChordType = static_cast<int16_t>(step.Chord->Type);
    chord.EditChordRoot = chord.ChordRoot;
    chord.EditChordType = chord.ChordType;
    player.ChordChangeEntry(ChordTonesOf(root, step.Chord->Type));
    nextBeatTick_ += int64_t{step.Beats} * clocksPerBeat;
  }
  if (next_ >= steps_.size()) {
    const bool endedWithEnding =
        !steps_.empty() && !steps_.back().Chord && steps_.back().Key == ProgressionKey::Ending;
    if (!endedWithEnding && endTick_ < 0) {
      endTick_ = nextBeatTick_ + int64_t{kTrailingMeasures} * transport.MeasureSixteenths * 6;
    }
    const bool overdue = tick_ >= nextBeatTick_ + int64_t{kMostBeatsAfterTheEnd} * clocksPerBeat;
    if (tick_ > 0 && (!player.Playing || overdue || (endTick_ >= 0 && tick_ >= endTick_))) {
      if (player.Playing) transport.StopCommand();
      finished_ = true;
      return;
    }
  }
  ++tick_;
}

}  // namespace korvel
