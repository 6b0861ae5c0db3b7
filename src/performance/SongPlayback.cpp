// The song transport's work on the clock: what each counted beat of playback and recording
// does, the record window after a beat, and the steps of step recording.
#include <algorithm>

#include "performance/ChordTypes.h"
#include "performance/SongTransport.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

// Solo selections of the lead-in: every channel, none, only the drums.
constexpr int16_t kSoloAll = 0;
constexpr int16_t kSoloNone = 100;
constexpr int16_t kSoloDrums = kDrumChannel + 1;

// Commands that leave a state behind (mix, transpose, tempo), which a jump has to restore; the
// other controls are events of their own beat.
bool IsStateCommand(uint8_t control) {
  return control == kCommandMix || control == kCommandTranspose || control == kCommandTempo;
}

}  // namespace

void SongTransport::Tick() {
  if (StepRecording()) return;
  Transport& t = transport_;
  if (t.ClockInBeat <= t.ClocksPerBeat) {
    const bool recordsLive = TransportMode == kSongRecording || (TransportMode < 0 && Overwrite);
    if (recordsLive && t.BeatCounter == 1 && t.ClockInBeat < t.RecordChordWindow) {
      OnRecordWindow();
    }
    return;
  }
  view_.BeatLamp(t.BeatLampColor);
  t.ClockInBeat = 1;
  const bool onGrid = t.BeatCounter >= t.QuantizeBeats;
  if (onGrid) t.BeatCounter = 0;
  ++t.BeatCounter;
  if (TransportMode > 0) {
    OnBeatRecord(onGrid);
  } else {
    OnBeatPlayback();
  }
  if (!Running()) return;  // the song ended on this beat
  // Playback changes chords on any beat; recording keeps the quantize grid.
  if (TransportMode < 0 || onGrid) {
    player_.ApplyPendingCommand();
    player_.ApplyChordChange();
  }
  if (t.Metronome) t.PlayClick(107);
}

bool SongTransport::LiveChordPending() const {
  return chord_.ChordRoot >= 1 && chord_.ChordRoot <= kLastControlKey;
}

bool SongTransport::LiveControlPending() const {
  const int key = keys_.RecControlKeyNote;
  return (key >= 1 && key <= kLastControlKey) || key == kCommandTempo;
}

ChordEntry SongTransport::StoredChord(int root, int type) const {
  // Playback passes the song's transposition to the setter again, and the setter swaps major
  // and minor again: the song keeps the chord from before both, so it sounds as it was heard.
  root -= transport_.PlayChordsMode ? SongTranspose : SongTranspose % 12;
  while (root > 127) root -= 12;
  while (root < 1) root += 12;
  if (chords_.MajorMinor) type = SwapMajorMinor(type);
  return {static_cast<uint8_t>(root), static_cast<uint8_t>(std::clamp(type, 0, 255)), 0, 0};
}

ChordEntry SongTransport::PendingLiveInput() const {
  ChordEntry entry;
  if (chord_.ChordRoot >= 1) entry = StoredChord(chord_.ChordRoot, chord_.ChordType);
  if (keys_.RecControlKeyNote >= 1) {
    entry.Control = static_cast<uint8_t>(std::min(keys_.RecControlKeyNote, 255));
    entry.Value = static_cast<uint8_t>(std::clamp(keys_.RecControlKeyCode, 0, 255));
  }
  return entry;
}

void SongTransport::ShowPosition(int pos) {
  view_.MeasureDisplay(PositionText(pos, MeasureSixteenths()));
  DisplayedMeasure = MeasureOf(pos, MeasureSixteenths());
}

void SongTransport::OnBeatRecord(bool onGrid) {
  // Off the quantize grid nothing is written; what was played waits for the grid.
  ChordEntry values = onGrid ? PendingLiveInput() : ChordEntry{};
  if (heldChord_.HasChord()) {
    // The chord sounding when Record was pressed begins the take, unless another is played.
    if (onGrid && !values.HasChord()) {
      values.Root = heldChord_.Root;
      values.Type = heldChord_.Type;
      chords_.SetChord(heldChord_.Root, heldChord_.PlayableType(), SongTranspose);
    }
    heldChord_ = {};
  }
  if (FirstBeatPending) {
    Call(Hooks.StartMelody);
    FirstBeatPending = false;
  }
  if (SongPos == kFirstBeatPos - MeasureSixteenths()) SongPos = kFirstBeatPos;  // no measure 0
  if (SongPos < kFirstBeatPos) {
    // The lead-in is not stored; the chord held in it begins the song.
    if (values.HasChord()) leadInChord_ = values;
    ShowPosition(SongPos);
    SongPos += 4;
    return;
  }
  if (!ChordMemory::IsEntry(SongPos)) {
    Finish(SongStop::MemoryFull);
    return;
  }
  if (SongPos == kFirstBeatPos && !values.HasChord() && leadInChord_.HasChord()) {
    values.Root = leadInChord_.Root;
    values.Type = leadInChord_.Type;
  }
  Memory.SetEntry(SongPos, values);
  lastWritten_ = std::max(lastWritten_, SongPos);
  ShowPosition(SongPos);
  SongPos += 4;
}

void SongTransport::OnRecordWindow() {
  // The beat that just began is the entry behind the position; never the header bytes.
  const int pos = SongPos - 4;
  if (!ChordMemory::IsEntry(pos)) return;
  const bool chordArrived = LiveChordPending();
  const bool controlArrived = LiveControlPending();
  if (!chordArrived && !controlArrived) return;
  const ChordEntry live = PendingLiveInput();
  ChordEntry entry = Memory.Entry(pos);
  if (chordArrived) {
    entry.Root = live.Root;
    if (live.Type > 0) entry.Type = live.Type;
  }
  if (controlArrived) {
    entry.Control = live.Control;
    if (live.Value > 0) entry.Value = live.Value;
  }
  Memory.SetEntry(pos, entry);
  if (TransportMode == kSongRecording) lastWritten_ = std::max(lastWritten_, pos);
  player_.ApplyPendingCommand();
  player_.ApplyChordChange();
}

void SongTransport::LeadInBeat(SongBeat& beat) {
  leadInActive_ = true;
  // The measure before the loop start; before measure 1 that is measure -1, there being no
  // measure 0.
  const int ms = MeasureSixteenths();
  const bool lastMeasure = SongPos >= LoopStart - (LoopStart == kFirstBeatPos ? 2 : 1) * ms;
  switch (LeadIn) {
    case LeadInMute::MuteNone:
      notes_.SoloChannel = kSoloAll;
      break;
    case LeadInMute::MuteAll:
      notes_.SoloChannel = kSoloNone;
      break;
    case LeadInMute::Drums:
      notes_.SoloChannel = kSoloDrums;
      break;
    case LeadInMute::DrumsLastMeasure:
      notes_.SoloChannel = lastMeasure ? kSoloDrums : kSoloNone;
      break;
    case LeadInMute::Metronome:
      notes_.SoloChannel = kSoloNone;
      if (!transport_.Metronome) transport_.PlayClick(107);
      break;
  }
  beat.Pos = SongPos;
  ShowPosition(SongPos);
  Call(Hooks.BeatPlayed, beat);
  SongPos += 4;
  JumpPending = true;  // the song proper starts with the chord that sounds there
}

void SongTransport::LoopJump() {
  SongPos = LoopStart;
  if (LoopStart >= LoopEnd) LoopEnd = LoopStart + MeasureSixteenths();
  Call(Hooks.RestoreMelody, MelodyMark::Loop);
  // Every pass plays the song's form, its repeats included.
  RepeatStartPos = RepeatEndPos = RepeatCount = 0;
}

void SongTransport::RepeatCommand() {
  const int ms = MeasureSixteenths();
  const int measureStart = MeasureStart(MeasureOf(SongPos, ms), ms);
  // A repeat jumps back to its measure's start, wherever in the measure its command stands:
  // the melody's place is kept at every measure start until a repeat holds it.
  if (RepeatEndPos == 0 && SongPos == measureStart) Call(Hooks.SaveMelody, MelodyMark::Repeat);
  if (IgnoreLoops) {
    RepeatEndPos = 0;
    return;
  }
  const ChordEntry here = Memory.Entry(SongPos);
  if (here.Control != kCommandRepeat) return;
  if (here.Value <= 100) {
    if (RepeatEndPos != 0) RepeatEndPos = measureStart + ms;
  } else if (RepeatEndPos == 0) {
    RepeatCount = here.Value - 100;
    RepeatStartPos = RepeatEndPos = measureStart;
  }
}

ChordEntry SongTransport::EntryAt(int pos, bool jumped) const {
  // After a jump the chord that sounds at the new place is borrowed from before it; a control
  // only when it is a state the song is in, never an intro or ending played once.
  ChordEntry entry = Memory.Entry(pos);
  if (!jumped || entry.HasChord()) return entry;
  const ChordEntry found = LookBack(pos);
  entry.Root = found.Root;
  entry.Type = found.Type;
  if (entry.Control == 0 && IsStateCommand(found.Control)) {
    entry.Control = found.Control;
    entry.Value = found.Value;
  }
  return entry;
}

bool SongTransport::EndsSong(int pos, const ChordEntry& entry) const {
  // A chord block without its end mark ends where it ends, as its measure count says.
  return entry.Control == kCommandEnd || pos == SongEnd;
}

ChordEntry SongTransport::ComingEntry() const {
  // The jumps the next beat takes, as OnBeatPlayback takes them, without taking them.
  int pos = SongPos;
  bool jumped = JumpPending;
  if (RepeatEndPos != 0 && pos == RepeatEndPos && RepeatCount > 1 && RepeatStartPos > 0 &&
      RepeatStartPos < pos) {
    pos = RepeatStartPos;
    jumped = true;
  } else if (!JumpPending && LoopOn && pos >= LoopEnd) {
    pos = LoopStart;
    jumped = true;
  }
  ChordEntry entry = EntryAt(pos, jumped);
  if (EndsSong(pos, entry) && LoopOn && pos > MeasureSixteenths() + kFirstBeatPos)
    entry = EntryAt(LoopStart, true);
  return entry;
}

ChordEntry SongTransport::LookBack(int pos) const {
  for (int p = pos; p >= kFirstBeatPos; p -= 4) {
    const ChordEntry entry = Memory.Entry(p);
    if (entry.HasChord()) return entry;
  }
  return {};
}

void SongTransport::ApplyMix(uint8_t value) {
  if (value <= 16 || value == 255) {
    notes_.SoloChannel = value;
    if (value != 0) Call(Hooks.ResendChannelSettings);
  } else if (value == 220 || value == 221) {
    Call(Hooks.PlayMelody, value == 221);
  } else if (value >= 222 && value <= 237) {
    const auto c = static_cast<size_t>(237 - value);
    notes_.ChannelMute[c] = 1;
    notes_.ChannelBoxes[c] = true;  // a ticked box keeps the mute across part changes
    Call(Hooks.ResendChannelSettings);
  } else if (value >= 239 && value <= 254) {
    const auto c = static_cast<size_t>(254 - value);
    notes_.ChannelBoxes[c] = false;
    // The song lifts its own mute; a part that mutes the channel keeps it silent.
    const bool partMutes =
        style_.StyleMode && style_.Parts.Part(player_.CurrentPart).PartMute(static_cast<int>(c));
    notes_.ChannelMute[c] = partMutes ? 1 : 0;
  }
}

void SongTransport::PassControl(uint8_t control, uint8_t value, SongBeat& beat) {
  if (control >= 1 && control <= kLastControlKey) {
    beat.KeyNote = control;
    beat.KeyValue = value;
    input_.ControlKeyPressed(control, value);
  } else if (control == kCommandTempo && !IgnoreTempi && value >= kMinTempo && value <= kMaxTempo) {
    beat.Tempo = value;
    input_.ControlKeyPressed(kTempoCommandKey, value);
  }
}

void SongTransport::ShowChordPreview() {
  if (ChordPreviewAhead <= 0) return;
  int ahead = ChordPreviewAhead;
  if (ahead > 4 && Memory.Entry(SongPos + 4).HasChord()) ahead = 4;
  const ChordEntry next = Memory.Entry(SongPos + ahead);  // empty past the memory's end
  if (!next.HasChord()) return;
  int type = chords_.ChordTypeOverride != 0 ? chords_.ChordTypeOverride : next.PlayableType();
  if (chords_.MajorMinor) type = SwapMajorMinor(type);
  view_.ChordPanel(chords_.ChordName(next.Root + SongTranspose % 12, type));
}

bool SongTransport::EndingRunning() const {
  return EndingInProgress || keys_.EndingPending ||
         (player_.Playing && (player_.CurrentPart == kEnding || player_.FadeActive));
}

void SongTransport::OnBeatPlayback() {
  SongBeat beat;
  if (FirstBeatPending) {
    Call(Hooks.StartMelody);
    FirstBeatPending = false;
  }
  const int ms = MeasureSixteenths();
  if (SongPos == kFirstBeatPos - ms) SongPos = kFirstBeatPos;  // there is no measure 0
  if (SongPos < LoopStart) {
    LeadInBeat(beat);
    return;
  }
  if (!ChordMemory::IsEntry(SongPos)) {
    Finish(SongStop::MemoryFull);
    return;
  }
  if (leadInActive_) {
    notes_.SoloChannel = notes_.SoloSelection;
    leadInActive_ = false;
  }

  // Repeats: the jump back at the end of a repeated measure.
  if (RepeatEndPos != 0 && SongPos == RepeatEndPos) {
    --RepeatCount;
    if (RepeatCount > 0 && RepeatStartPos > 0 && RepeatStartPos < SongPos) {
      SongPos = RepeatStartPos;
      Call(Hooks.RestoreMelody, MelodyMark::Repeat);
      beat.Jump = SongJump::Repeat;
    } else {
      RepeatEndPos = 0;
    }
  }
  if (beat.Jump == SongJump::None) {
    if (JumpPending) {
      JumpPending = false;
      beat.Jump = SongJump::Start;
    } else if (LoopOn && SongPos >= LoopEnd) {
      LoopJump();
      beat.Jump = SongJump::Loop;
    }
    // Also on the beat a lead-in ends on: the loop comes back to the melody's place there.
    if (beat.Jump != SongJump::Loop && SongPos == LoopStart)
      Call(Hooks.SaveMelody, MelodyMark::Loop);
  }
  RepeatCommand();

  ChordEntry entry = EntryAt(SongPos, beat.Jump != SongJump::None);

  // Mix and transpose commands, then the end of the song, which with Loop on jumps to the loop
  // start once per beat.
  bool loopedOnEnd = false;
  for (;;) {
    if (entry.Control == kCommandMix) {
      ApplyMix(entry.Value);
      entry.Control = 0;
    } else if (entry.Control == kCommandTranspose) {
      SongTranspose = entry.Value > 244 ? entry.Value - 256 : entry.Value;
      entry.Control = 0;
    }
    if (!EndsSong(SongPos, entry)) break;
    if (LoopOn && SongPos > ms + kFirstBeatPos && !loopedOnEnd) {
      loopedOnEnd = true;
      LoopJump();
      RepeatCommand();
      beat.Jump = SongJump::Loop;
      entry = EntryAt(SongPos, true);
      continue;
    }
    if (live_.HarmonicPad) Call(Hooks.SendPadSettings);
    if (!EndingRunning()) {
      Finish(SongStop::EndMark);
      return;
    }
    entry.Control = 0;  // the ending plays on past the mark
    break;
  }

  if (EndingRunning() && ++EndingBeats >= kEndingBeatLimit) {
    Finish(SongStop::Ending);
    return;
  }

  // Live input wins over the song while "Overwrite chords" is on; the song's loop, repeat and
  // end checks above hold all the same.
  const bool liveChord = Overwrite && LiveChordPending();
  const bool liveControl = Overwrite && LiveControlPending();
  if (!liveControl && entry.Control == keys_.EndingKey) {
    const bool nearSongEnd = LoopOn && SongPos >= SongEnd - 8 * ms;
    const bool passesLeft = RepeatEndPos != 0 && RepeatCount >= 2;
    if (nearSongEnd || passesLeft) {
      entry.Control = 0;
    } else {
      EndingInProgress = true;
      EndingBeats = 0;
    }
  }
  if (!liveControl) PassControl(entry.Control, entry.Value, beat);
  if (!Running()) return;  // a second Ending key stops at once
  if (!liveChord) {
    if (entry.HasChord()) {
      chords_.SetChord(entry.Root, entry.PlayableType(), SongTranspose);
      beat.ChordRoot = chord_.EditChordRoot;
      beat.ChordType = chord_.EditChordType;
    } else {
      ShowChordPreview();
    }
  } else {
    beat.ChordRoot = chord_.ChordRoot;
    beat.ChordType = chord_.ChordType;
  }
  if (liveChord || liveControl) {
    // Only what was played live replaces the song's bytes.
    const ChordEntry live = PendingLiveInput();
    ChordEntry stored = Memory.Entry(SongPos);
    if (liveChord) {
      stored.Root = live.Root;
      stored.Type = live.Type;
    }
    if (liveControl) {
      stored.Control = live.Control;
      stored.Value = live.Value;
    }
    Memory.SetEntry(SongPos, stored);
    Call(Hooks.MemoryReplaced);
  }

  beat.Pos = SongPos;
  if (TransportMode == kSongPlayingFromEditor) {
    DisplayedMeasure = MeasureOf(SongPos, ms);
    Call(Hooks.EditorFollow, SongPos);
  } else {
    ShowPosition(SongPos);
  }
  Call(Hooks.BeatPlayed, beat);
  SongPos += 4;
}

void SongTransport::OnStepChord() {
  if (StepPreview) {
    // Chords are only sounded.
    keys_.ControlKeyNote = keys_.ControlKeyCode = 0;
    keys_.RecControlKeyNote = keys_.RecControlKeyCode = 0;
    player_.ApplyChordChange();
    return;
  }
  if (firstStep_) {
    lastStepChord_ = {};
    tap_ = 1;
    firstStep_ = false;
  }
  if (!ChordMemory::IsEntry(SongPos)) {
    Finish(SongStop::MemoryFull);
    return;
  }
  const ChordEntry live = PendingLiveInput();
  ChordEntry entry;
  // A chord entered again is stored as a beat without a change.
  if (live.HasChord() && !(live.Root == lastStepChord_.Root && live.Type == lastStepChord_.Type)) {
    entry.Root = live.Root;
    entry.Type = live.Type;
    lastStepChord_ = live;
  }
  entry.Control = live.Control;
  entry.Value = live.Value;
  Memory.SetEntry(SongPos, entry);
  lastWritten_ = std::max(lastWritten_, SongPos);
  if (live.HasChord()) {
    SongPos += stepSize_;
    view_.MeasureDisplay(std::to_string(MeasureOf(SongPos - 4, MeasureSixteenths())));
    DisplayedMeasure = MeasureOf(SongPos - 4, MeasureSixteenths());
    tap_ = tap_ % StepTaps + 1;
    ShowBeatPanel(std::to_string(tap_));
    keys_.RecControlKeyNote = keys_.RecControlKeyCode = 0;
    keys_.ControlKeyNote = keys_.ControlKeyCode = 0;
    player_.ApplyChordChange();
  } else if (live.Control != 0 && ports_.PlayPort->IsOpen()) {
    ports_.PlayPort->PutShort(0x99, static_cast<uint8_t>(transport_.ClickNote), 127);
  }
}

}  // namespace korvel
