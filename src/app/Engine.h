// The running core: the engine lock, the clock (a real-time thread, or stepped by the caller
// for offline rendering and tests), the transport, the MIDI ports, the style and its player,
// wired together. The GUI and the command line both build one.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "app/Mixer.h"
#include "engine/PerformanceState.h"
#include "engine/Style.h"
#include "engine/StyleLoader.h"
#include "engine/StylePlayer.h"
#include "engine/Transport.h"
#include "midi/MidiPorts.h"
#include "performance/ChordCodes.h"
#include "performance/ChordPads.h"
#include "performance/ChordRecognition.h"
#include "performance/ComputerKeyboard.h"
#include "performance/LiveInput.h"
#include "performance/MelodyTrack.h"
#include "performance/SongTransport.h"
#include "platform/ClockThread.h"
#include "platform/Dialogs.h"
#include "platform/EngineLock.h"
#include "platform/View.h"
#include "stylegen/StyleGenerator.h"
#include "stylegen/StyleParts.h"
#include "stylegen/WorkRecorder.h"

namespace korvel {

// Korvel has no help viewer: help requests say so.
inline constexpr const char* kNoHelp = "HELP is not available !";

enum class Timing {
  Realtime,  // the clock thread ticks on its own
  Stepped,   // the caller ticks with Step(), as fast as it likes
};

class Engine {
 public:
  Engine(MidiDevices& devices, InputCallbackSettings& input, Dialogs& dialogs, View& view,
         Timing timing = Timing::Realtime, InputDispatch dispatch = InputDispatch::Thread);
  // Stops the clock and closes the ports before anything they call goes away.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Stepped timing: one clock, as the clock thread would give it; false while the clock is
  // switched off. Takes the lock.
  bool Step();
  // The real-time clock thread; null with stepped timing.
  ClockThread* RealtimeClock() { return realtime_; }
  // " Chords" ("Accompaniment"): the chord section plays chords, or melody when off. Every
  // note the player holds is ended and the live channel silenced, so nothing hangs across it.
  void SetAccompaniment(bool on);
  // "Transmit Controllers": while on, repeated controller values pass the input unthinned.
  void SetTransmitControllers(bool on);
  // The device check of every two seconds: the devices are listed without the lock (that can
  // take milliseconds) and the lists then brought up to date under it. Call it without the
  // lock; true when the lists or the selections changed. `beforeChange` runs under the lock
  // while the old lists and choices still stand.
  bool CheckDevices(const std::function<void()>& beforeChange = {});

  // Runs before every clock tick, under the lock; set it before the clock starts.
  std::function<void()> BeforeTick;

  // Declared in this order so that the ports (whose input threads call into the engine) go
  // first and the clock, stopped under the lock, last.
  EngineLock Lock;

 private:
  class SteppedClock : public ClockTimer {
   public:
    void Start(int) override { running_ = true; }
    void Stop() override { running_ = false; }
    bool Running() const { return running_; }

   private:
    bool running_ = false;
  };
  void Tick();
  void AttachMelody();
  void ApplyPendingPreset();
  // The melody's clock tick while a song runs: the song clock advances and the events due play.
  void MelodyTick();
  MidiDevices& devices_;
  std::unique_ptr<ClockTimer> clock_;
  ClockThread* realtime_ = nullptr;
  SteppedClock* stepped_ = nullptr;

 public:
  korvel::Transport Transport;
  ChordValue Chord;
  ControlKeys Keys;
  NoteBookkeeping Notes;
  LiveSettings Live;
  korvel::Style Style;
  StylePlayer Player;
  ChordRecognition Chords;
  StyleLoader Loader;
  LiveInput Input;
  ComputerKeyboard Keyboard;
  ChordPads Pads;
  // The chord memory and its transport: the song.
  SongTransport Song;
  // Chord codes sent and received.
  ChordCodes Codes;
  // The song's melody, recorded and played on the song clock.
  MelodyTrack Melody;
  // The style generator: chord analysis and conversion of the work material.
  StyleGenerator Generator;
  // The generated style's parts: set, cleared and selected from the loop range.
  korvel::StyleParts StyleParts;
  // Recording an external sequencer's output into the generator ("Record from MIDI in").
  WorkRecorder Recorder;
  // Clocks since the song's first measure began; -1 before it. Counts only while the melody
  // follows the song: from a start at its beginning until it stops or pauses.
  int64_t SongClock = -1;
  InputCallbackSettings& InputSettings;
  // The last values sent per channel, shared with the input side's thinning.
  ChannelState& Sent;
  // Before the ports, so that it outlives their drivers' completion calls.
  korvel::Mixer Mixer;
  MidiPorts Ports;

 private:
  // Where the melody stood at a repeat start and at the loop start: its next event and the
  // song clock; an unset mark has no event (-1).
  struct MelodyPlace {
    int Position = -1;
    int64_t Clock = -1;
  };
  std::array<MelodyPlace, 2> melodyMarks_;
  // An instrument preset chosen while the accompaniment plays, for the next beat; -1 for none.
  int pendingPreset_ = -1;
  bool melodyFollows_ = false;
};

}  // namespace korvel
