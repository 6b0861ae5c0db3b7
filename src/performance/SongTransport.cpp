#include "performance/SongTransport.h"

#include <algorithm>

#include "performance/ChordTypes.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

constexpr int kMostMeasures = 500;
constexpr uint8_t kStepVelocity = 90;
const char* const kEmptyMessage = "Chordmemory is empty !";

}  // namespace

SongTransport::SongTransport(Transport& transport, StylePlayer& player, ChordRecognition& chords,
                             LiveInput& input, Style& style, MidiPorts& ports, ChordValue& chord,
                             ControlKeys& keys, NoteBookkeeping& notes, LiveSettings& live,
                             Dialogs& dialogs, View& view)
    : transport_(transport),
      player_(player),
      chords_(chords),
      input_(input),
      style_(style),
      ports_(ports),
      chord_(chord),
      keys_(keys),
      notes_(notes),
      live_(live),
      dialogs_(dialogs),
      view_(view) {
  Memory.Clear();
  SetLeadIn(LeadIn);  // the clock's copy of "Mute None " starts in step
}

void SongTransport::Attach() {
  TransportHooks& t = transport_.Hooks;
  t.ChordMemoryActive = [this] { return Running(); };
  t.ChordMemoryTick = [this] { Tick(); };
  t.StopPerformance = [this] { StopWork(); };
  t.ApplyStartMeasure = [this] { SetStartMeasure(transport_.StartMeasure); };
  t.SetChordMemoryPosition = [this](int pos) { SongPos = pos; };
  StylePlayerHooks& p = player_.Hooks;
  p.StepRecording = [this] { return StepRecording(); };
  p.StepRecordChord = [this] { OnStepChord(); };
  p.ClearChordMemoryStopFlag = [this] { EndingInProgress = false; };
  p.ChordMemoryIdle = [this] { return !Running(); };
  p.ChordMemoryStopped = [this] { return EndingInProgress; };
  input_.Hooks.StepRecording = [this] { return StepRecording(); };
  input_.Hooks.ChordMemoryAction = [this] { PlayPauseToggle(); };
}

int SongTransport::MeasureSixteenths() const {
  return std::max<int>(transport_.MeasureSixteenths, 4);
}

void SongTransport::LoadSong(const uint8_t* bytes, size_t size) {
  Memory.Bytes.fill(0);
  const size_t taken = std::min(size, Memory.Bytes.size());
  std::copy(bytes, bytes + taken, Memory.Bytes.begin());
  Call(Hooks.MemoryReplaced);
  SongEnd = std::max(static_cast<int>(taken), kFirstBeatPos);
  SongPos = kFirstBeatPos;
}

void SongTransport::SetFirstMeasure(int measure) {
  FirstMeasure = std::clamp(measure, 1, kMostMeasures);
}

void SongTransport::SetLastMeasure(int measure) {
  LastMeasure = std::clamp(measure, 1, kMostMeasures);
}

void SongTransport::SetLeadIn(LeadInMute mute) {
  LeadIn = mute;
  transport_.MuteNone = mute == LeadInMute::MuteNone;
}

void SongTransport::ShowBeatPanel(const std::string& text) {
  BeatPanel = text;
  view_.BeatPanel(text);
}

void SongTransport::SetStartMeasure(int measure) {
  transport_.StartMeasure = std::clamp(measure, -kMostMeasures, kMostMeasures);
  StartPos = MeasureStart(transport_.StartMeasure, MeasureSixteenths());
  JumpPending = transport_.StartMeasure > 1;
}

void SongTransport::ClearChordMemory() {
  SongPos = kFirstBeatPos;
  SongEnd = kFirstBeatPos;
  view_.MeasureDisplay("1");
  DisplayedMeasure = 1;
  FirstMeasure = 1;
  LastMeasure = 1;
  Memory.Clear();
  Call(Hooks.MemoryReplaced);
  Call(Hooks.ClearMelody);
}

void SongTransport::ClearCommand(bool alsoEditor) {
  if (Running() || Paused()) Stop();
  if (SongEnd > kFirstBeatPos && !dialogs_.AskYesNo("Clear Chordmemory ?")) return;
  ClearChordMemory();
  if (alsoEditor) Call(Hooks.ClearEditor);
}

void SongTransport::StartClockAndStyle() {
  if (transport_.ClockState == 0) transport_.ToggleClock();
  // The style starts on a measure start, with its count-in when "Count in" is on. A style that
  // already runs (the first chord started it) falls silent first: starting it again forgets
  // which notes it holds.
  if (player_.Playing) player_.AllSoundOff(*ports_.PlayPort);
  player_.StartStyle(style_.SelectedPart);
  if (!player_.Playing) {
    transport_.SetCountersForMeasureStart();
    if (transport_.CountIn && !transport_.SlaveMode) transport_.ArmCountIn();
    if (transport_.ClockState < 0) transport_.StartDelay = kWaitForExternalStart;
  }
  transport_.SetProcessPriority(kRealtimePriorityClass);
  // The melody starts with the first beat, on the internal clock as on an external one.
  FirstBeatPending = true;
}

void SongTransport::ResetSongState() {
  RestoreFieldTempo();
  SongTranspose = input_.KeyTranspose();
  EndingInProgress = false;
  EndingBeats = 0;
  RepeatStartPos = RepeatEndPos = RepeatCount = 0;
  LastStop = SongStop::None;
}

void SongTransport::RestoreFieldTempo() {
  // A song's tempo commands last as long as the song: the clock comes back to the field.
  if (transport_.ClockState > 0) transport_.SetClockTempo(transport_.Tempo);
}

void SongTransport::PrepareTake(int pos) {
  Call(Hooks.MemoryReplaced);
  SongPos = pos;
  // The end mark the take finds; a take that reaches it moves it behind itself.
  takeOldEnd_ = SongEnd;
  for (int p = kFirstBeatPos; p < SongEnd && ChordMemory::IsEntry(p); p += 4) {
    if (Memory.Entry(p).Control == kCommandEnd) {
      takeOldEnd_ = p;
      break;
    }
  }
  lastWritten_ = -1;
  leadInChord_ = {};
  heldChord_ = {};
}

void SongTransport::Record() {
  if (Running()) return;
  if (Paused()) Stop();
  SetStartMeasure(transport_.StartMeasure);
  const int ms = MeasureSixteenths();
  const std::string measure = std::to_string(transport_.StartMeasure);
  int pos = StartPos;
  if (Overwrite) {
    if (!dialogs_.AskYesNo("Replace current chords, starting at measure " + measure)) return;
    pos = StartPos < 5 ? kFirstBeatPos : StartPos;
  } else if (!Empty()) {
    if (StartPos + 2 * ms < SongEnd || StartPos < kFirstBeatPos) {
      if (!dialogs_.AskYesNo("Replace current chords ?")) return;
      ClearChordMemory();
    } else if (!dialogs_.AskYesNo("Start Recording at Measure " + measure)) {
      return;
    }
  }
  PrepareTake(pos);
  ResetSongState();
  // Starting the clock forgets the chord; the take begins with it.
  if (chord_.EditChordRoot != kNoChord && chord_.EditChordType > 0)
    heldChord_ = StoredChord(chord_.EditChordRoot, chord_.EditChordType);
  StartClockAndStyle();
  ShowBeatPanel("R");
  TransportMode = kSongRecording;
  view_.SongTransportChanged();
}

void SongTransport::StartStepRecord() {
  if (Running()) return;
  if (Paused()) Stop();
  if (!Overwrite && !Empty()) {
    if (!dialogs_.AskYesNo("Replace current chords ?")) return;
    ClearChordMemory();
  }
  // Steps keep to whole beats: a tap count that would leave the grid falls back to the next
  // smaller one that keeps it.
  const std::vector<int> taps = StepTapsKeepingGrid(MeasureSixteenths());
  int kept = 1;
  for (int t : taps) {
    if (t <= StepTaps) kept = t;
  }
  StepTaps = kept;
  stepSize_ = MeasureSixteenths() / StepTaps;
  StepPreview = false;
  SetStartMeasure(std::max(transport_.StartMeasure, 1));
  // Chords are taken while the clock is off; it comes back on at Stop.
  savedClockOn_ = transport_.ClockState != 0;
  if (savedClockOn_) transport_.ToggleClock();
  savedPlayChords_ = transport_.PlayChordsMode;
  if (!savedPlayChords_) chords_.UsePlayChords(true);
  Call(Hooks.AccompanimentOn);
  live_.TriggerVelocity = kStepVelocity;
  ShowBeatPanel("1");
  const bool fromStart = Overwrite && StartPos >= 5;
  PrepareTake(fromStart ? StartPos : kFirstBeatPos);
  DisplayedMeasure = fromStart ? transport_.StartMeasure : 1;
  view_.MeasureDisplay(std::to_string(DisplayedMeasure));
  firstStep_ = true;
  ResetSongState();
  TransportMode = kSongStepRecording;
  view_.SongTransportChanged();
}

void SongTransport::PunchIn() {
  if (Empty()) {
    dialogs_.InformUser(kEmptyMessage);
    return;
  }
  Overwrite = true;
  Record();
}

void SongTransport::PlayOverwrite() {
  // It starts a take: while the song runs, Play would pause it instead.
  if (Running()) return;
  if (Empty()) {
    dialogs_.InformUser(kEmptyMessage);
    return;
  }
  Overwrite = true;
  Play();
}

void SongTransport::Play() {
  if (StepRecording()) {
    Stop();
    return;
  }
  if (Running()) {
    if (transport_.StartDelay > 1000) {
      transport_.StartDelay = 0;  // the external start is not waited for
      return;
    }
    // Pause: the style falls silent where it is, the clock keeps running.
    pausedMode_ = TransportMode;
    TransportMode = kSongStopped;
    player_.AllSoundOff(*ports_.PlayPort);
    player_.Playing = false;
    Call(Hooks.PauseMelody);
    view_.SongTransportChanged();
    return;
  }
  const int ms = MeasureSixteenths();
  if (Paused()) {
    // Resume at the start of the measure shown; a paused recording records on.
    const int mode = pausedMode_;
    pausedMode_ = kSongStopped;
    SongPos = MeasureStart(std::max(DisplayedMeasure, 1), ms);
    if (SongPos >= SongEnd && mode < 0) SongPos = kFirstBeatPos;
    JumpPending = mode < 0;
    StartClockAndStyle();
    FirstBeatPending = mode > 0;  // a take records its melody on; playback plays without
    ShowBeatPanel(mode < 0 ? "P" : "R");
    TransportMode = mode;
    view_.SongTransportChanged();
    return;
  }
  if (Empty()) {
    dialogs_.InformUser(kEmptyMessage);
    return;
  }
  SetStartMeasure(transport_.StartMeasure);
  LoopStart = MeasureStart(FirstMeasure, ms);
  LoopEnd = LastMeasure * ms + 3;
  const bool fromStartMeasure =
      transport_.StartMeasure > 1 || transport_.StartMeasure < FirstMeasure;
  SongPos = fromStartMeasure ? StartPos : kFirstBeatPos;
  if (SongPos >= SongEnd) {
    SongPos = kFirstBeatPos;
    JumpPending = false;
  }
  ResetSongState();
  StartClockAndStyle();
  ShowBeatPanel("P");
  // A lead-in sounds the song's first chord and part from its first beat on.
  if (SongPos < LoopStart) {
    const ChordEntry first = Memory.Entry(kFirstBeatPos);
    SongBeat ignored;
    PassControl(first.Control, first.Value, ignored);
    if (first.HasChord()) chords_.SetChord(first.Root, first.PlayableType(), SongTranspose);
  }
  TransportMode =
      Hooks.EditorActive && Hooks.EditorActive() ? kSongPlayingFromEditor : kSongPlaying;
  if (!Overwrite) {
    chordsBoxSaved_ = true;
    chordsBoxWasOn_ = input_.Chords;
    input_.Chords = false;  // the keyboard does not change the song's chords
  }
  view_.SongTransportChanged();
}

void SongTransport::Stop() {
  transport_.StopCommand();
}

void SongTransport::Finish(SongStop reason) {
  LastStop = reason;
  Stop();
  if (reason == SongStop::EndMark || reason == SongStop::Ending) Call(Hooks.SongEnded);
}

void SongTransport::StopWork() {
  const int mode = Running() ? TransportMode : pausedMode_;
  if (mode == kSongStopped) return;
  if (LastStop == SongStop::None) LastStop = EndingRunning() ? SongStop::Ending : SongStop::Command;
  TransportMode = kSongStopped;
  pausedMode_ = kSongStopped;
  if (mode > 0) FinishTake();
  if (mode == kSongStepRecording) {
    if (!savedPlayChords_) chords_.UsePlayChords(false);
    if (savedClockOn_ && transport_.ClockState == 0) transport_.ToggleClock();
  }
  if (leadInActive_) {
    notes_.SoloChannel = notes_.SoloSelection;
    leadInActive_ = false;
  }
  if (chordsBoxSaved_) {
    input_.Chords = chordsBoxWasOn_;
    chordsBoxSaved_ = false;
  }
  EndingInProgress = false;
  RepeatStartPos = RepeatEndPos = RepeatCount = 0;
  SongTranspose = input_.KeyTranspose();
  RestoreFieldTempo();
  ShowBeatPanel("");
  view_.SongTransportChanged();
}

void SongTransport::FinishTake() {
  if (lastWritten_ >= kFirstBeatPos) {
    const int takeEnd = lastWritten_ + 4;
    if (lastWritten_ >= takeOldEnd_) {
      // Every recorded beat stays: the end mark goes to the next measure start behind the take,
      // and no older end mark is left in front of it.
      const int ms = MeasureSixteenths();
      const int mark = std::min(MeasureStartAtOrAfter(takeEnd, ms), kLastBeatPos);
      for (int p = std::min(takeOldEnd_, mark); p < mark; p += 4) {
        if (Memory.Entry(p).Control == kCommandEnd) Memory.SetControl(p, 0, 0);
      }
      Memory.SetControl(mark, kCommandEnd, 0);
      SongEnd = std::min(mark + ms, kChordMemorySize);
    }
  }
  // A song begins with a chord: the first one recorded lends it to the first beat.
  if (!Memory.Entry(kFirstBeatPos).HasChord()) {
    for (int p = kFirstBeatPos + 4; p < SongEnd && ChordMemory::IsEntry(p); p += 4) {
      const ChordEntry found = Memory.Entry(p);
      if (!found.HasChord()) continue;
      ChordEntry first = Memory.Entry(kFirstBeatPos);
      first.Root = found.Root;
      first.Type = found.Type;
      Memory.SetEntry(kFirstBeatPos, first);
      break;
    }
  }
  lastWritten_ = -1;
  // "Last measure" shows the song's measures, as after opening it.
  SetLastMeasure((SongEnd - kFirstBeatPos) / MeasureSixteenths());
  // A take in which nothing was played leaves no song behind, only an empty memory: saving it
  // then says so instead of writing a song that plays nothing.
  if (!HoldsMusic() && Hooks.MelodyEmpty && Hooks.MelodyEmpty()) ClearChordMemory();
}

bool SongTransport::HoldsMusic() const {
  for (int p = kFirstBeatPos; p < SongEnd && ChordMemory::IsEntry(p); p += 4) {
    const ChordEntry entry = Memory.Entry(p);
    if (entry.HasChord() || (entry.Control != 0 && entry.Control != kCommandEnd)) return true;
  }
  return false;
}

void SongTransport::Edit() {
  if (TransportMode >= kSongRecording) return;
  Call(Hooks.OpenEditor, DisplayedMeasure);
}

void SongTransport::PlayPauseToggle() {
  if (Running()) {
    Stop();
  } else if (chord_.EditChordRoot == kNoChord) {
    Play();
  } else {
    Stop();
  }
}

}  // namespace korvel
