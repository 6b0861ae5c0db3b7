// Everything the musician plays on the MIDI keyboard is routed here: to chord recognition, to
// the control keys that steer the style player, to the function and instrument keys, and
// otherwise, transposed, re-channelled, velocity-adjusted and possibly harmonised, to the thru
// port and the melody recorder.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "performance/ChordRecognition.h"

namespace korvel {

struct SplitZone {
  bool Enabled = false;
  int Top = 128;    // exclusive upper bound
  int Channel = 0;  // 0..15
  int Shift = 0;    // semitones, 12 x octave
};

// What routing asks of other parts. Unset hooks are skipped.
struct LiveInputHooks {
  std::function<void(int preset)> SelectInstrumentPreset;  // the instrument keys
  std::function<void()> Play;               // the Play command (a control key starts a style)
  std::function<bool()> StepRecording;      // chord memory records step by step
  std::function<void()> ChordMemoryAction;  // code 1976, the Pause key
  std::function<void()> PlayMelody;         // code 1978
  std::function<void()> SendPadSettings;    // code 1977
  // The melody recorder takes the event (status, data1, data2) while it records, with the
  // transposition the routing added to its note.
  std::function<void(uint8_t, uint8_t, uint8_t, int transposeApplied)> RecordMelody;
  std::function<void(int volume)> MasterVolume;  // codes 1985, 1986
  // A key pressed while the tempo is tapped: true when it was taken as a tap and is not played.
  std::function<bool()> TapKey;
};

class LiveInput {
 public:
  LiveInput(ChordRecognition& chords, StylePlayer& player, Transport& transport, Style& style,
            MidiPorts& ports, ChannelState& sent, ChordValue& chord, ControlKeys& keys,
            NoteBookkeeping& notes, LiveSettings& live);

  // Settings of the main window.
  bool Chords = true;          // " Chords"
  int ChordChannel = 0;        // 0 = all, else 1..16
  int LastKey = 59;            // the accompaniment section is FirstKey..LastKey
  bool UnchangedExtIn = true;  // "Unchanged Ext. in"
  int Transpose = 0;           // -11..11
  // The octave (LiveSettings::KeyboardOctave, which triggered chords follow too) and transpose.
  int KeyTranspose() const { return 12 * live_.KeyboardOctave + Transpose; }
  int VelocityOffset = 0;  // -20..20
  std::array<bool, 16> SuppressControllers{};
  std::array<bool, 16> Sustain{};
  bool KeyboardSplit = false;  // "Keyboard Split ..."
  std::array<SplitZone, 4> Zones{};
  bool FunctionKeySwitch = false;
  bool InstrumentSwitch = false;  // " Instruments ..."
  int FunctionKeyBase = 0;
  int FunctionKeyTop = 0;
  bool MelodyAdLib = false;  // " Melody Ad Lib"
  int MasterVolume = 100;

  // The keyboard input port has events: drain it and route each.
  void OnMidiKeyboardInput(TMidiInput& port);
  void Route(TMyMidiEvent event);
  void ControlKeyPressed(int note, int code);
  void KeyFunction(int index);
  // A message of the computer or on-screen keyboard; `transposeApplied` is what they added to
  // its note.
  void SendLiveMessage(uint8_t status, uint8_t data1, uint8_t data2, int transposeApplied = 0);
  // A melody note as it sounds: with " Melody Ad Lib" played as if in C and moved to the last
  // chord. A note-off reaches the note its note-on sounded, even if Ad Lib was switched since.
  int MelodyNote(int channel, int note, bool noteOn);
  // Clamps each zone's octave shift, in whole octaves, so that its notes stay within 0..127.
  void ApplySplit();
  // Zone `zone` (0..3) ends below `top` (0..128); the other bounds give way so that the four
  // stay ascending, and the shifts are clamped again.
  void SetSplitTop(int zone, int top);

  LiveInputHooks Hooks;

 private:
  bool IsControlKey(int note) const;
  int AdLib(int channel, int note, bool noteOn);

  ChordRecognition& chords_;
  StylePlayer& player_;
  Transport& transport_;
  Style& style_;
  MidiPorts& ports_;
  ChannelState& sent_;  // the last values sent, which thinning compares against
  ChordValue& chord_;
  ControlKeys& keys_;
  NoteBookkeeping& notes_;
  LiveSettings& live_;
  std::array<uint8_t, 128> adLibMap_{};
  // For each key of each channel received, the note its note-on sounded on the thru port.
  struct SoundingKey {
    bool On = false;
    uint8_t Channel = 0;
    uint8_t Note = 0;
    bool Tapped = false;
  };
  std::array<std::array<SoundingKey, 128>, 16> soundingKeys_{};
  int adLibRoot_ = -1;
};

// Corrections that move a melody written in C to the chord type (rows 1..17, degrees 0..11).
extern const std::array<std::array<int8_t, 12>, 18> AdLibTable;

}  // namespace korvel
