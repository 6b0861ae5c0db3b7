// The main window's performance state that the accompaniment engine reads and writes: the chord
// value, the control-key request, the note bookkeeping and the live-channel settings. The parts
// that set these (chord recognition, live input, mixer, options) write the same fields.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace korvel {

inline constexpr int kDrumChannel = 9;
inline constexpr int kNoChord = 128;
inline constexpr int kTempoCommandKey = 254;

// The pending chord and the chord last set (Part of chord recognition).
struct ChordValue {
  int16_t ChordRoot = 0;  // note number; 0 = no change pending
  int16_t ChordType = 0;
  std::array<int, 4> ChordTones{};  // handed to the style player
  int16_t EditChordRoot = kNoChord;
  int16_t EditChordType = 0;

  void Clear() {
    ChordRoot = 0;
    ChordType = 0;
    ChordTones = {};
    EditChordRoot = kNoChord;
    EditChordType = 0;
  }
};

// The control keys of the keyboard (note numbers) and the request they leave for the player.
struct ControlKeys {
  int FillInKey = 36;
  int ToAdvKey = 37;
  int EndingKey = 38;
  int ToBasicKey = 39;
  int IntroKey() const { return std::min({FillInKey, ToAdvKey, EndingKey, ToBasicKey}) - 1; }

  int ControlKeyNote = 0;
  int ControlKeyCode = 0;
  // An Ending key waits for its bar line; a second one stops at once.
  bool EndingPending = false;
  bool SkipEndingOnce = false;
  int RecControlKeyNote = 0;
  int RecControlKeyCode = 0;
};

// For each channel and pattern note: the note that was sent for it, and its velocity while it
// sounds, so that every note-off reaches the pitch that was struck.
struct NoteBookkeeping {
  std::array<std::array<uint8_t, 128>, 16> MappedNote{};
  // Column 128 is 1 when the channel sounded notes since it was last voiced.
  std::array<std::array<uint8_t, 129>, 16> NoteVelocity{};
  std::array<uint8_t, 16> ChannelMute{};
  std::array<uint8_t, 16> ChannelNoControllers{};
  // Ticked channel boxes keep their mute when a part brings its own.
  std::array<bool, 16> ChannelBoxes{};
  int16_t SoloChannel = 0;  // 0 = all channels, 1..16 = only that one
  // The "Solo" group's choice (0 = "Nil"); a song's lead-in borrows SoloChannel and gives it
  // back to this.
  int16_t SoloSelection = 0;
  int8_t MasterTranspose = 0;           // "Transpose", -24..24, added to non-drum notes
  std::array<uint8_t, 128> LiveNote{};  // "Minus One": notes the player holds

  void ClearNotes() {
    for (auto& row : MappedNote) row.fill(0);
    for (auto& row : NoteVelocity) row.fill(0);
  }
};

// Settings of the live channel and the windows around the player.
// One channel's mixer values, as the mixer's scroll bars start them.
struct MixerRecord {
  uint8_t Volume = 105;
  uint8_t Pan = 64;
  uint8_t Reverb = 64;
  uint8_t Chorus = 0;
  uint8_t Modulation = 0;
  uint8_t BankMsb = 0;
  uint8_t BankLsb = 0;
  uint8_t Program = 0;
};

struct LiveSettings {
  int SelChannel = 0;                // the active channel 0..15
  bool MinusOne = false;             // "Minus One"
  bool MinusOneHold = false;         // the player's style notes on SelChannel are held back
  bool ReplaceOne = false;           // "Replace One"
  bool ReceiveChordCodes = false;    // "Receive Chord Codes"
  bool SendChordCodes = false;       // " Send Chord Codes"
  int ChordCodeChannel = 9;          // channel of chord codes, 0..15
  bool HarmonicPad = false;          // " Harmonic PAD, transposed"
  int HarmonicPadChannel = 0;        // MIDI channel 1..16 of the pad; 0 = none
  bool RepeatChords = false;         // " Repeat Chords"
  bool AdjustOctave = false;         // "Adjust Octave"
  bool TransmitControllers = false;  // "Transmit Controllers"
  bool ReverbOff = false;            // "Reverb off"
  bool ReverbDefined = false;        // "Reverb defined"
  bool MixerShown = false;           // the mixer panel is visible
  int MixerChannel = 0;              // the channel the mixer shows
  uint8_t TriggerVelocity = 1;
  uint8_t PlayChordsVelocity = 100;     // the Play Chords velocity slider
  int KeyboardOctave = 0;               // -3..4
  int FirstKey = 40;                    // lowest key of the accompaniment section
  std::array<MixerRecord, 16> Mixer{};  // channels 1..16

  // The pad's channel index 0..15, or -1 while none is chosen.
  int PadChannel() const {
    return HarmonicPadChannel >= 1 && HarmonicPadChannel <= 16 ? HarmonicPadChannel - 1 : -1;
  }
};

}  // namespace korvel
