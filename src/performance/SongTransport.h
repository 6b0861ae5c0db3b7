// The song transport: real-time, step and punch-in recording into the chord memory, playback
// with start measure, lead-in, loop range, repeats, end mark and ending, pause and stop. The
// clock tick hands it every counted tick while a song plays or records; the chords it plays go
// through the chord setter and its control keys through ControlKeyPressed, as if played live.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "performance/ChordMemory.h"
#include "performance/LiveInput.h"
#include "platform/Dialogs.h"

namespace korvel {

// TransportMode values.
inline constexpr int kSongStopped = 0;
inline constexpr int kSongPlaying = -1;
inline constexpr int kSongPlayingFromEditor = -2;
inline constexpr int kSongRecording = 1;
inline constexpr int kSongStepRecording = 2;

// An ending still running this many beats after it began stops the song.
inline constexpr int kEndingBeatLimit = 44;

enum class SongStop { None, Command, EndMark, Ending, MemoryFull };
enum class SongJump { None, Start, Repeat, Loop };
// The intro menu: how the lead-in measures sound.
enum class LeadInMute { MuteNone, MuteAll, Drums, DrumsLastMeasure, Metronome };
// Where the melody's saved pointers are taken and restored.
enum class MelodyMark { Repeat, Loop };

// What one counted beat of playback did.
struct SongBeat {
  int Pos = 0;  // the entry played, after any jump
  SongJump Jump = SongJump::None;
  int KeyNote = 0;  // a control key passed on (1..250), with its value
  int KeyValue = 0;
  int Tempo = 0;      // a tempo command passed on
  int ChordRoot = 0;  // the chord as the setter made it
  int ChordType = 0;
};

// What the song transport asks of other parts. Unset hooks are skipped.
struct SongTransportHooks {
  // The melody track: cleared with the song, started at the first beat, its pointers saved at
  // a repeat or loop start and restored on the jump back, muted (false) or played (true).
  std::function<void()> ClearMelody;
  std::function<bool()> MelodyEmpty;
  std::function<void()> StartMelody;
  std::function<void(MelodyMark)> SaveMelody;
  std::function<void(MelodyMark)> RestoreMelody;
  std::function<void(bool play)> PlayMelody;
  // A pause: the melody falls silent until the song starts again from its beginning.
  std::function<void()> PauseMelody;
  // Song mix commands send the channels' settings again; the end of the song sends the
  // harmonic pad's.
  std::function<void()> ResendChannelSettings;
  std::function<void()> SendPadSettings;
  // "Accompaniment" "On" for step recording.
  std::function<void()> AccompanimentOn;
  // The song editor: open at a measure, whether it is the active window, its cursor, and
  // emptied by "&New".
  std::function<void(int measure)> OpenEditor;
  std::function<bool()> EditorActive;
  std::function<void(int pos)> EditorFollow;
  std::function<void()> ClearEditor;
  // The chord memory changed outside the editor (loaded, cleared, recorded, overwritten while
  // playing): the editor's undo copy must not bring an older song back over it.
  std::function<void()> MemoryReplaced;
  // Every played beat, after it was applied.
  std::function<void(const SongBeat&)> BeatPlayed;
  // The song played to its end mark or through its ending (not a Stop): the song list plays
  // on. Runs on the clock thread.
  std::function<void()> SongEnded;
};

class SongTransport {
 public:
  SongTransport(Transport& transport, StylePlayer& player, ChordRecognition& chords,
                LiveInput& input, Style& style, MidiPorts& ports, ChordValue& chord,
                ControlKeys& keys, NoteBookkeeping& notes, LiveSettings& live, Dialogs& dialogs,
                View& view);

  // Connects the clock's, the player's and the live input's hooks to this transport.
  void Attach();

  SongTransportHooks Hooks;

  // The song.
  ChordMemory Memory;
  int SongEnd = kFirstBeatPos;  // one measure past the end mark; 4 = empty
  bool Empty() const { return SongEnd < 5; }
  // Takes a stored chord block (header bytes 0..3, then the entries): SongEnd is its length.
  void LoadSong(const uint8_t* bytes, size_t size);

  // Settings (controls and menu items).
  int FirstMeasure = 1;    // "First measure", 1..500
  int LastMeasure = 1;     // "Last measure", 1..500
  bool LoopOn = false;     // "Loop"
  bool Overwrite = false;  // " Edit": live chords replace the song while it plays
  bool IgnoreTempi = false;
  bool IgnoreLoops = false;
  LeadInMute LeadIn = LeadInMute::MuteNone;
  int StepTaps = 4;           // "Taps per Measure"
  bool StepPreview = false;   // " Step Record Preview"
  int ChordPreviewAhead = 0;  // 0, 4 or 8 bytes
  // Added to the roots played: the keyboard's transpose from each start on, then command 252.
  int SongTranspose = 0;
  void SetFirstMeasure(int measure);
  void SetLastMeasure(int measure);
  // The intro menu's choice; "Mute None " also lets the external application's intro length
  // move the song's position.
  void SetLeadIn(LeadInMute mute);
  // "Start measure" (-500..500) lives with the clock, which the external application sets.
  void SetStartMeasure(int measure);

  // Transport state.
  int TransportMode = kSongStopped;
  int SongPos = kFirstBeatPos;
  int StartPos = kFirstBeatPos;
  int LoopStart = kFirstBeatPos;
  int LoopEnd = kFirstBeatPos + 15;
  int RepeatStartPos = 0;
  int RepeatEndPos = 0;  // 0 = no repeat active
  int RepeatCount = 0;
  bool EndingInProgress = false;
  int EndingBeats = 0;
  bool FirstBeatPending = false;
  bool JumpPending = false;
  SongStop LastStop = SongStop::None;
  std::string BeatPanel;  // "P", "R", or the step's tap number
  int DisplayedMeasure = 1;
  bool Paused() const { return pausedMode_ != kSongStopped; }
  bool Running() const { return TransportMode != kSongStopped; }
  bool StepRecording() const { return TransportMode == kSongStepRecording; }

  // Operations of the buttons and menus.
  void ClearChordMemory();
  // "&Clear" and "&New": stop, and ask before a song is lost.
  void ClearCommand(bool alsoEditor);
  void Record();
  void StartStepRecord();
  void PunchIn();
  void PlayOverwrite();
  // Play, or pause and resume while the song runs.
  void Play();
  void Stop();
  void Edit();
  // The Pause key and function code 1976.
  void PlayPauseToggle();

  // The clock's per-tick work while the song plays or records.
  void Tick();
  // The entry the next beat of playback plays, after the loop, repeat or end-mark jump it
  // takes: what a chord announced ahead of the beat has to be.
  ChordEntry ComingEntry() const;
  // A chord or control key entered while step recording.
  void OnStepChord();
  // The Stop command's work in the song (the clock calls it before its reset).
  void StopWork();

 private:
  void StartClockAndStyle();
  void ResetSongState();
  void RestoreFieldTempo();
  void PrepareTake(int pos);
  void OnBeatPlayback();
  void OnBeatRecord(bool onGrid);
  void OnRecordWindow();
  void LeadInBeat(SongBeat& beat);
  void LoopJump();
  // The repeat command of the entry about to play.
  void RepeatCommand();
  // The song's ending, a live Ending key or the style's ending or fade-out is under way.
  bool EndingRunning() const;
  // The chord sounding at a position: the latest chord at or before it.
  ChordEntry LookBack(int pos) const;
  // The entry as it plays at a position, reached by a jump or not.
  ChordEntry EntryAt(int pos, bool jumped) const;
  // The end mark, or the end of a chord block that has none.
  bool EndsSong(int pos, const ChordEntry& entry) const;
  void ApplyMix(uint8_t value);
  void PassControl(uint8_t control, uint8_t value, SongBeat& beat);
  void ShowChordPreview();
  void ShowPosition(int pos);
  void ShowBeatPanel(const std::string& text);
  // A chord the setter placed, as the song stores it.
  ChordEntry StoredChord(int root, int type) const;
  // The live chord and control key pending, as the song stores them.
  ChordEntry PendingLiveInput() const;
  bool LiveChordPending() const;
  bool LiveControlPending() const;
  void Finish(SongStop reason);
  void FinishTake();
  // A chord or a song command anywhere before the end.
  bool HoldsMusic() const;
  int MeasureSixteenths() const;

  Transport& transport_;
  StylePlayer& player_;
  ChordRecognition& chords_;
  LiveInput& input_;
  Style& style_;
  MidiPorts& ports_;
  ChordValue& chord_;
  ControlKeys& keys_;
  NoteBookkeeping& notes_;
  LiveSettings& live_;
  Dialogs& dialogs_;
  View& view_;
  int pausedMode_ = kSongStopped;
  bool chordsBoxSaved_ = false;  // " Chords" as it was before playback switched it off
  bool chordsBoxWasOn_ = true;
  bool leadInActive_ = false;
  // The take: where it started, the end mark it found, the last entry it wrote, the chord
  // held in its lead-in.
  int takeOldEnd_ = kFirstBeatPos;
  int lastWritten_ = -1;
  ChordEntry leadInChord_;
  ChordEntry heldChord_;  // sounding when Record was pressed
  // Step recording.
  bool firstStep_ = true;
  ChordEntry lastStepChord_;
  int tap_ = 1;
  int stepSize_ = 4;
  bool savedPlayChords_ = false;
  bool savedClockOn_ = false;
};

}  // namespace korvel
