// The file player's own mode for Standard MIDI Files: FluidSynth's MIDI file player hosted by a
// private, silent synthesizer (no SoundFont, no audio) whose sample clock Korvel advances, so
// every event comes out under the engine lock, where Korvel sends it through the player's own
// output. Positions, the step and the loop range are in file ticks. Every operation is called
// with the engine lock held.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/PlayableMidiFile.h"
#include "midi/MidiPorts.h"
#include "platform/Dialogs.h"

namespace korvel {

inline constexpr const char* kFileNotFound = "File not found !";
inline constexpr const char* kBadLoopRange = "The loop end must lie after the loop start !";
inline constexpr int kFileSampleRate = 96000;
// The frames of one turn of FluidSynth's sample clock.
inline constexpr int kFileBlockFrames = 64;

class MidiFilePlayer {
 public:
  MidiFilePlayer(MidiPorts& ports, MidiDevices& devices, Dialogs& dialogs);
  ~MidiFilePlayer();
  MidiFilePlayer(const MidiFilePlayer&) = delete;
  MidiFilePlayer& operator=(const MidiFilePlayer&) = delete;

  // Where a missing file is looked for by its name (the program's SONGS folder).
  std::string SongsFolder;
  // "AutoStart": a file plays as soon as it is open. "Repeat": at the loop end, play again
  // from the loop start instead of completing.
  bool AutoStart = true;
  bool Repeat = true;

  // Stops what plays and opens `path` (or the file of its name in SongsFolder); a file that
  // is missing or not a playable MIDI file is refused in words and nothing changes.
  bool Open(const std::string& path);
  bool Loaded() const { return file_ != nullptr; }
  const std::string& FileName() const { return path_; }

  // The media buttons. Play: the whole song from its beginning. Pause: pauses while playing,
  // otherwise plays on from the position. Stop: stops, and the loop range becomes the whole
  // song. Step and Back: a step forward or back when that stays inside the song.
  void Play();
  void Pause();
  void Stop();
  void Step();
  void Back();
  // The position slider: playback goes on from `tick`, kept inside the song.
  void MoveTo(int64_t tick);
  bool Playing() const { return playing_; }

  // "LoopStart": the loop starts at the position (refused at or after the loop end).
  // "LoopEnd": with no loop end set, the position becomes the loop end (refused at or before
  // the loop start) and playback restarts at the loop start; otherwise the loop end is cleared
  // and playback goes on from the former loop end to the end of the song.
  void LoopStartClick();
  void LoopEndClick();
  // A loop range given at once; refused in words unless from < to <= Length().
  bool SetLoop(int64_t from, int64_t to);

  int64_t Position() const { return position_; }
  int64_t Length() const;
  int64_t StepSize() const { return Length() / 100 * 10; }
  int64_t LoopStart() const { return loopStart_; }
  int64_t LoopEnd() const { return loopEnd_; }
  // How often the loop end was reached since Play.
  int Passes() const { return passes_; }

  // The tempo shown: the file's first tempo when it lies in 25..250, else 120. SetTempo
  // scales playback by tempo / shown tempo, so the file's own tempo changes stay.
  int FileTempo() const;
  int Tempo() const { return tempo_; }
  void SetTempo(int bpm);

  // "MCI-OUT": an index into the output list of `ports` (the mapper entry second to last,
  // "<None>" last). A device the main ports have open is shared, not opened twice. Applied
  // now and again at every Play.
  int OutputSelection = -1;
  void SelectOutput(int selection);
  TMidiOutput* Output() const { return out_; }

  // Advances the sample clock by `frames` at kFileSampleRate while playing (the pacing
  // thread, or a test or an offline render stepping it); the events that fall due are sent.
  void Advance(int64_t frames);
  // Frames played since the file was opened.
  int64_t Frames() const { return frames_; }
  // Note-offs for the notes that sound: the pacing thread skipped time after a stall, and
  // their note-offs fell in it. The position stays.
  void EndSoundingNotes();

  // The loop end was reached without "Repeat" (the song ended). Completed runs on the pacing
  // thread under the engine lock: it only queues the next song to the GUI thread, or the GUI
  // polls TakeCompleted instead.
  std::function<void()> Completed;
  bool TakeCompleted();
  // Switches the pacing thread on and off as playback starts and stops; unset when stepped.
  std::function<void(bool run)> RunClock;

 private:
  struct Fluid;
  friend struct PlayerCallbacks;
  void Seek(int64_t tick);
  void StartPlaying();
  void Halt();
  void Silence();
  void ReachedLoopEnd();
  bool PastLoopEnd(int64_t tick);
  void Send(uint8_t status, uint8_t data1, uint8_t data2);
  void SendEvent(int64_t tick, int type, int channel, int data1, int data2);
  void SendSysex(int64_t tick, uint32_t index);
  void ResolveOutput();

  MidiPorts& ports_;
  Dialogs& dialogs_;
  TMidiOutput own_;
  TMidiOutput* out_ = nullptr;
  std::unique_ptr<Fluid> fluid_;
  std::unique_ptr<PlayableMidiFile> file_;
  std::string path_;
  bool playing_ = false;
  bool started_ = false;  // FluidSynth's player has been started
  bool loaded_ = false;   // and has read its file
  int64_t deferredSeek_ = -1;
  int64_t position_ = 0;
  int64_t loopStart_ = 0;
  int64_t loopEnd_ = 0;
  int64_t seekTarget_ = 0;  // events before it come while the player catches up after a seek
  int64_t frames_ = 0;
  int64_t pendingFrames_ = 0;  // short of a whole block
  int passes_ = 0;
  int tempo_ = 120;
  bool reached_ = false;
  bool completed_ = false;
  std::string failure_;
  // The tick of the next event the player hands over, from the mark before it; -1 for none
  // (the player's own messages, which Korvel replaces by its own silencing).
  int64_t markedTick_ = -1;
  std::array<std::bitset<128>, 16> sounding_{};
  std::bitset<16> usedChannels_;
  bool silenceDue_ = false;  // something was sent since the last silencing
};

}  // namespace korvel
