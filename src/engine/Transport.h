// The heartbeat of the engine: MIDI clocks from the internal timer (master) or from an external
// MIDI application (slave), each processed by ClockTick with the transport counters, count-in,
// metronome, beat lamp and the quantize grid on which chord and part changes take effect.
// Everything here runs under the engine lock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "midi/MidiPorts.h"
#include "platform/ClockThread.h"
#include "platform/View.h"

namespace korvel {

inline constexpr uint32_t kLampBlack = 0;
inline constexpr uint32_t kLampRed = 255;
inline constexpr uint32_t kLampBlue = 0xFF0000;
inline constexpr uint32_t kLampYellow = 65535;

inline constexpr int kNormalPriorityClass = 32;
inline constexpr int kRealtimePriorityClass = 256;

inline constexpr int16_t kWaitForExternalStart = 2000;
inline constexpr int kMinTempo = 25;
inline constexpr int kMaxTempo = 250;
// The "Metrum" list, in its order.
inline constexpr const char* kMetreNames[] = {"6/4", "5/4", "4/4", "3/4", "2/4",
                                              "1/4", "6/8", "2/8", "1/8"};

// The work of the clock that belongs to other parts of the engine. Each is called under the
// engine lock; one that is not set is skipped.
struct TransportHooks {
  // Chord memory: whether playback or recording runs, and its per-tick work during them.
  std::function<bool()> ChordMemoryActive;
  std::function<void()> ChordMemoryTick;
  // Chord-code announcement of the coming chord at ChordCodeClock in free play.
  std::function<void()> AnnounceChord;
  // Chord and part changes, always in this order.
  std::function<void()> ApplyPendingCommand;
  std::function<void()> ApplyChordChange;
  // The song's melody step, on every counted clock; the style player: whether it runs, and
  // its tick.
  std::function<void()> MelodyTick;
  std::function<bool()> StylePlayerRunning;
  std::function<void()> PlayStyleTick;
  // Empties the held-note list (a chord held with static chord keys ends at the beat).
  std::function<void()> ClearHeldNotes;
  // A controller 19 or 20 from the external application: true when it was a chord code,
  // which goes no further.
  std::function<bool(int channel, uint8_t controller, uint8_t value)> ReceiveChordCode;
  // The channel filter of the live input: a new first data byte, 255 drops the event.
  std::function<uint8_t(uint8_t status, uint8_t data1)> ChannelFilter;
  // The selected live channel falls silent when the clock is switched.
  std::function<void()> SilenceLiveChannel;
  // Note-offs for every note the engine's players hold (style and melody), after a stall.
  std::function<void()> EndPlayedNotes;
  // A transport reset, in the design's order: the triggered chord of Play Chords mode is
  // released, every channel of the play port silenced, the chord value and chord-memory state
  // cleared, the chord panel, chord transpose and solo channel reset, the style player reset,
  // the melody stopped and the pads released.
  std::function<void()> ReleaseTriggeredChord;
  std::function<void()> AllSoundOff;
  std::function<void()> ResetChordState;
  std::function<void()> ResetChordDisplay;
  std::function<void()> ResetSoloChannel;
  std::function<void()> ResetStylePlayer;
  std::function<void()> StopMelodyAndPads;
  // The Stop command's work in chord memory, capture and the MIDI file player.
  std::function<void()> StopPerformance;
  // The MIDI file player takes tempo changes while it plays; true when it took this one.
  std::function<bool(int tempo)> FilePlayerTempo;
  // "Start measure" took a new value from the external application; with "Mute None" the
  // chord memory moves to that measure.
  std::function<void()> ApplyStartMeasure;
  std::function<void(int sixteenths)> SetChordMemoryPosition;
  // Capture of an external application's output by the style generator: true while it runs.
  std::function<bool()> Capturing;
  std::function<void(const TMyMidiEvent&)> CaptureEvent;
  std::function<void()> TransmitControllersOn;
  // The master transpose added to controller 84.
  std::function<int()> MasterTranspose;
};

class Transport {
 public:
  Transport(MidiPorts& ports, InputCallbackSettings& input, ClockTimer& timer, View& view);

  // Operations.
  // At start-up: the priority to come back to, and timing clocks kept away from the input
  // buffer until slave mode asks for them. At shut-down: the timer stops.
  void InitClock();
  void DoneClock();
  void ClockTick();
  // The clock skipped time after a stall (a suspended machine): the notes that should have
  // ended meanwhile are ended, and the counters stay, so the next tick goes on in the bar
  // where the song stopped.
  void ClockStalled();
  void SetClockTempo(int tempo);
  void ToggleClock();
  void TempoEdit1Change(int value);
  void ResetTransport();
  void StopCommand();
  void SetProcessPriority(int priorityClass);
  void PlayClick(int velocity);
  void SyncStart1Click();
  void MidiInput2MidiInput(TMidiInput& port);
  // The "Quantize" list (0..9) and the "Metrum" list (0..8).
  void SetQuantize(int index);
  void SetMetre(int index);
  // The menu marks "Master Mode" and "Slave Mode": each stops playback first. Slave mode lets
  // timing clocks through the input buffer to MidiInput2MidiInput; a running clock moves to
  // the chosen source.
  void SetMasterMode(bool on);
  void SetSlaveMode(bool on);
  // The metre a style brings: its measure length in sixteenths, negative for eighth-note
  // beats, 0 for 4/4. The "Quantize" list moves to the matching resolution.
  void ApplyStyleMetre(int16_t length);
  // The next clock starts a measure (a position was found by measure).
  void SetCountersForMeasureStart();
  // Play and Record arm the count-in when "Count in" is on.
  void ArmCountIn();
  // Milliseconds per clock, rounded as the display shows it; the timer uses the exact period.
  static int ClockPeriodFor(int tempo);

  // Clock and timer.
  int32_t ClockPeriod = 0;
  uint8_t TickBusy = 0;
  uint64_t TickCount = 0;  // clocks processed since start, for the status and checks
  int16_t ClockState = 0;  // 0 off, 1 internal, -1 external
  int16_t StartDelay = 0;

  // Transport counters.
  int16_t ClockInBeat = 24;
  int16_t BeatCounter = 2;
  int16_t QuantizeBeats = 1;
  int16_t MeasureSixteenths = 16;
  int16_t ClickAccentPeriod = 4;
  int16_t ClickCounter = 5;
  bool CountInActive = false;
  int16_t CountInBeat = 0;
  uint32_t BeatLampColor = kLampBlack;

  // Clock resolution: quarter-note beats (1) or eighth-note beats (2).
  int16_t LampOffClock = 13;
  int16_t LateChangeWindow = 8;
  int16_t ClocksPerBeat = 24;
  int16_t ChordCodeClock = 20;
  int16_t RecordChordWindow = 6;
  int16_t ClockResolution = 1;

  int SavedPriorityClass = kNormalPriorityClass;
  int ProcessPriorityClass = kNormalPriorityClass;

  // The controls this part reads.
  bool MasterMode = false;       // "Master Mode" (MasterMode1)
  bool SlaveMode = false;        // "Slave Mode" (ReceiveMTC1), set through SetSlaveMode
  bool Metronome = false;        // "Metronome" (Click1)
  bool CountIn = false;          // "Count in" (Countin1)
  int Tempo = 120;               // TempoEdit1
  int QuantizeIndex = 0;         // "Quantize"
  int MetreIndex = 2;            // "Metrum"
  int StartMeasure = 1;          // "Start measure" (SpinEdit3)
  bool TempoDetection = false;   // "Tempo Detection"
  bool IntroDetection = false;   // "Intro Detection"
  bool UnchangedMidiIn = false;  // "Unchanged MIDI in"
  bool MuteNone = false;         // "Mute None"
  int ClickNote = 37;            // the metronome's note on channel 10
  int SyncSpeed = 5;             // "Sync." of the options, "1 = slow  10 = fast"
  std::string WindowTitle = "Korvel";
  uint32_t GeneratorLampColor = kLampRed;  // the style generator may make it yellow
  // Set by the keyboard and chord parts; the style player reads them too.
  bool PlayChordsMode = false;   // "Play Chords" (Sound1)
  bool TwoFingerChords = false;  // "Two-Finger, Vol."
  bool StaticChordKeys = false;  // "static (note on)": chord keys count from their note-on
  TransportHooks Hooks;

 private:
  // One clock's work.
  void PlayClock();
  // Steps 3 to 13 of a tick; false when the tick ends there, without the style player.
  bool CountTransport();
  bool FreePlay() const;
  void ApplyChanges();
  void LightLamp(uint32_t color);
  void ApplyResolution(int resolution);
  // The clock switch's work: 0 stops the timer, 1 starts it, -1 waits for external clocks.
  void SwitchClock(int16_t state);

  MidiPorts& ports_;
  InputCallbackSettings& input_;
  ClockTimer& timer_;
  // Clocks that arrived while a tick ran (from inside it), played right after it.
  int ticksWaiting_ = 0;
  // Notes of the external application passed to the output: per channel and received note,
  // the note sent + 1 (0 = none).
  std::array<std::array<uint8_t, 128>, 16> externalNotes_{};
  View& view_;
};

}  // namespace korvel
