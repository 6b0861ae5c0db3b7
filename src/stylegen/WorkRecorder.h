// Recording what an external sequencer plays into the generator's work material: armed by
// "Record from MIDI in" (or the "Capture Style" window), started by the sequencer's Start and
// timed by its MIDI clock, ended by Stop or after a number of measures. The captured channel
// settings become the channel table; a capture then cuts the material into style parts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/Style.h"
#include "engine/StylePlayer.h"
#include "engine/Transport.h"
#include "midi/ChannelState.h"
#include "midi/TMidiInput.h"
#include "midi/TMyMidiEvent.h"
#include "platform/Dialogs.h"
#include "stylegen/StyleGenerator.h"
#include "stylegen/StyleParts.h"

namespace korvel {

inline constexpr const char* kReadyToRecord = "Ready to record - start extern sequencer please !";
inline constexpr const char* kRecordHint = "This function needs external realtime messages !";
inline constexpr int kMaxCaptureMeasure = kMostGeneratorMeasures;

// The "Capture Style" window's fields: per part its First (1..999) and Last (0..999) measure,
// "Tempo" (25..250) and "Metrum" (an index of the metre list).
struct CaptureSettings {
  std::array<int, kStylePartCount> First{1, 1, 1, 1, 1, 1, 1, 1};
  std::array<int, kStylePartCount> Last{};
  int Tempo = 120;
  int MetreIndex = 2;

  // "New": every First 1, every Last 0.
  void Clear();
  // A part standing at First 1 and Last 0 (as "New" leaves it) is left out; any other is
  // captured from First to the larger of First and Last.
  bool PartWanted(int part) const;
  int PartLast(int part) const;
  // The last measure any wanted part needs; 0 when none is wanted.
  int LastMeasure() const;
};

// The parts of recording that other windows own. Unset hooks are skipped.
struct RecorderHooks {
  std::function<bool()> TransmitControllers;  // "Transmit Controllers"
  std::function<void(bool)> SetTransmitControllers;
  std::function<void()> ControllerReset;  // "C. Reset"
  std::function<void()> ReleaseAll;       // "Release all"
  // Recording ended (the window updates its panels); a finished capture runs the main
  // window's "Style-Creator" command here.
  std::function<void(bool captured)> Ended;
};

class WorkRecorder {
 public:
  WorkRecorder(Style& style, Transport& transport, StyleGenerator& generator, StyleParts& parts,
               StylePlayer& player, MidiPorts& ports, InputCallbackSettings& input,
               Dialogs& dialogs);

  // Takes the transport's capture hooks and adds the end of recording to its Stop.
  void Attach();

  RecorderHooks Hooks;
  CaptureSettings Capture;
  // Recording ends by itself after this many measures; 0 = at Stop.
  int MeasureLimit = 0;

  bool Armed() const { return armed_; }
  bool Capturing() const { return capturing_; }
  // Armed and still waiting for the sequencer's Start.
  bool WaitingForStart() const { return armed_ && waiting_; }
  // The measure panel: "1:1" when armed, then measure:beat of what was recorded.
  const std::string& MeasureText() const { return measureText_; }
  int64_t ClocksRecorded() const { return clocks_; }

  // "Record from MIDI in" (`fromCapture` for "OK - Record from MIDI in"). False when nothing
  // was armed: the accompaniment plays, the question was answered No, or a second press
  // cancelled the wait for the sequencer.
  bool ArmRecording(bool fromCapture);
  // Every event the second MIDI input receives while armed, as received.
  void RecordEvent(const TMyMidiEvent& event);
  // Part of Stop while armed; runs once per recording.
  void EndRecording();

 private:
  void FinishCapture();
  void CloseSoundingNotes();

  Style& style_;
  Transport& transport_;
  StyleGenerator& generator_;
  StyleParts& parts_;
  StylePlayer& player_;
  MidiPorts& ports_;
  InputCallbackSettings& input_;
  Dialogs& dialogs_;

  bool armed_ = false;
  bool capturing_ = false;
  // Armed on an external clock: nothing is recorded before the sequencer's Start. Kept apart
  // from the transport's start delay, which its own clock counts down.
  bool waiting_ = false;
  // The sequencer sent Stop: nothing is recorded until it continues or starts again.
  bool stopped_ = false;
  bool savedTransmit_ = false;
  bool savedSlave_ = false;
  bool savedMaster_ = false;
  std::optional<WorkWriter> writer_;
  int64_t clocks_ = 0;
  std::string measureText_;
  // The first controller, program and pressure values of each channel, for the channel table.
  ChannelState collected_;
  // Per channel and note: sounding in the material, so the end of recording can close it.
  std::array<std::array<bool, 128>, 16> sounding_{};
};

}  // namespace korvel
