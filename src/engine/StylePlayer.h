// Plays the loaded style (or, in song mode, the work material) one clock tick at a time: walks
// the material, filters each event, voices its note to the current chord, keeps track of every
// sounding note so that its note-off reaches the pitch that was struck, and switches between the
// style parts on control keys and at part ends.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/PerformanceState.h"
#include "engine/Style.h"
#include "engine/Transport.h"
#include "engine/Voicing.h"

namespace korvel {

inline constexpr int32_t kPartSwitchMarker = 65535;
inline constexpr uint16_t kEndingRequested = 3;

// What the player asks of other parts of the program. Unset hooks are skipped.
struct StylePlayerHooks {
  // The Stop command (chord memory and transport); by default the transport's.
  std::function<void()> StopCommand;
  // The MIDI file player's list logic when a song of its list ended in song mode.
  std::function<void()> SongEnded;
  // A pending chord is shown in the chord panel and the title.
  std::function<void(int root, int type)> ShowChord;
  // A note passed the channel filter: its channel box shows activity.
  std::function<void(int channel)> ChannelActivity;
  // The generator records from the input (a note for it).
  std::function<void(uint8_t status, uint8_t note)> RecordNote;
  // A chord is voiced: its chord code may go out.
  std::function<void(int root, int type)> ChordVoiced;
  // The mixer display follows program and controller values of its channel.
  std::function<void(int channel, uint8_t status, uint8_t data1, uint8_t data2)> MixerDisplay;
  // A solo note for the solo-note window.
  std::function<void(uint8_t note)> SoloNote;
  // Empties the held-note list (static chord keys, after a chord is voiced).
  std::function<void()> ClearHeldNotes;
  // Chord memory: step recording takes chords while the clock is off; the stop flag; idle.
  std::function<bool()> StepRecording;
  std::function<void()> StepRecordChord;
  std::function<void()> ClearChordMemoryStopFlag;
  std::function<bool()> ChordMemoryIdle;
  std::function<bool()> ChordMemoryStopped;
  // The chord setter with the final-root marker (the Intro key outside style mode).
  std::function<void(int root, int type)> SetChordFinal;
  // The generator is recording or capturing (cleared by a reset).
  std::function<void()> ClearGeneratorFlags;
};

class StylePlayer {
 public:
  StylePlayer(Style& style, Transport& transport, MidiPorts& ports, ChannelState& channels,
              ChordValue& chord, ControlKeys& keys, NoteBookkeeping& notes, LiveSettings& live,
              View& view);

  // Connects the clock's hooks to this player.
  void AttachTo(Transport& transport);

  // The generator's Play in style mode: the selected part, the style's channel settings, a
  // start on the next measure.
  void StartStyle(int part);

  void PlayStyleTick();
  void StyleBeat();
  void SelectStylePart(int part);
  // The part that plays for `part`: itself when set, an unset Fill in Extended gives Extended
  // and an unset To Extended Basic; -1 when none is set.
  int PlayablePart(int part) const;
  void ApplyPendingCommand();
  void ChordChangeEntry(const std::array<int, 4>& tones);
  void ApplyChordChange();
  void SoundTriggeredChord(const std::array<int, 4>& tones);
  void ReleaseTriggeredChord();
  // The filter every style, thru and external event passes: a new data1, 255 drops it.
  uint8_t ChannelFilter(uint8_t status, int channel, uint8_t data2, uint8_t data1);
  void ChannelSoundOff(TMidiOutput& port, int channel);
  // Note-offs on the play port for the notes booked on `channel` (16 = all), at the pitch each
  // was sent; then the bookkeeping forgets them.
  void EndBookedNotes(int channel);
  void AllSoundOff(TMidiOutput& port);
  // Silences the harmonic pad's channel, if one is chosen.
  void SilencePad();
  void ResetStylePlayer();
  void RevoiceSounding(int channel, int root, bool partChange, bool hangingCheck, int type);
  // The "Adjust Octave" menu item.
  void ToggleAdjustOctave();
  // Sends the style's channel settings for every channel that has notes.
  void SendStyleChannelSettings();

  // Player state.
  bool Playing = false;
  int32_t PlayPosition = 0;
  int32_t PlayEndPos = 0;
  int32_t PartStartPos = 0;
  int32_t PartEndPos = 0;
  uint16_t PendingSuccessor = 0;
  uint16_t MainPart = kBasic;
  int32_t PartSixteenths = 4;
  int32_t PartStartSixteenths = 4;
  uint16_t BeatInMeasure = 0;
  uint16_t BeatsPerMeasure = 4;  // quarter or eighth beats, as the clock counts them
  // Beats of the current part still to play before it ends; -1 when it has no measure count
  // and ends with its material.
  int32_t PartBeatsLeft = -1;
  uint16_t VoiceRoot = kNoVoiceRoot;
  uint16_t VoiceType = 0;
  int16_t OctaveShift = 0;
  int16_t PitchClassLimit = 12;
  int16_t OctaveThreshold = 48;
  bool FirstPassThinning = false;
  bool FadeActive = false;
  uint16_t FadeAmount = 0;
  int16_t WaitClocks = 0;
  int CurrentPart = kBasic;
  int32_t PartRequest = -1;
  bool PlayEnding = true;  // the generator's "Play Ending"
  // The lamp colour kept while the intro lights the lamp yellow.
  uint32_t KeptLampColor = kLampRed;
  // The triggered chord of Play Chords mode that sounds now.
  std::array<int, 4> TriggeredChord{};
  // The generator's loop while the musician moves through the material in style mode: it
  // repeats in place of the selected part's record until a part is selected again.
  struct LoopPreview {
    bool Active = false;
    int32_t StartPos = 0;
    int32_t EndPos = 0;
    int Measures = 0;  // 0: to the end of the material
  };
  LoopPreview Preview;

  StylePlayerHooks Hooks;

  // The main window's Stop command.
  void StopPlayback();

 private:
  bool StyleMode() const { return style_.StyleMode; }
  void Send(uint8_t status, uint8_t data1, uint8_t data2);
  void HarmonicPad(const std::array<int, 4>& tones);
  // Note-ons for the tones of a triggered chord on the live channel (velocity 0 ends them).
  void SendTriggeredTones(const std::array<int, 4>& tones, uint8_t velocity);
  bool PassesThinning(uint8_t status, int channel, uint8_t data1, uint8_t data2);
  uint16_t MeasureBeats() const;

  Style& style_;
  Transport& transport_;
  MidiPorts& ports_;
  ChannelState& channels_;
  ChordValue& chord_;
  ControlKeys& keys_;
  NoteBookkeeping& notes_;
  LiveSettings& live_;
  View& view_;
  int entryBeat_ = 0;  // the beat of the measure at which the selected part is entered
  int lastRoot_ = 0;   // of RevoiceSounding
  int lastType_ = 0;
};

}  // namespace korvel
