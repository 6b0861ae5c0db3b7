// What the player does in the accompaniment section becomes the current chord: the held pitch
// classes and the recogniser, two-finger chords, Play Chords mode, and the chord setter through
// which every source of chords passes on its way to the style player.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/StylePlayer.h"
#include "performance/ChordTypes.h"

namespace korvel {

inline constexpr int kFinalRoot = 129;  // SetChord's transpose marker: the root note is final
inline constexpr int kHeldCapacity = 501;

class ChordRecognition {
 public:
  ChordRecognition(ChordValue& chord, LiveSettings& live, Transport& transport, StylePlayer& player,
                   Style& style, MidiPorts& ports);

  // Settings of the keyboard panel and menus.
  bool MajorMinor = false;  // "Major <> Minor"
  int ChordTranspose = 0;   // -11..11
  int16_t ChordTypeOverride = 0;
  bool OverrideOneShot = false;
  // Chord-key number (1..19) -> chord type; slots 2..11 are the user's.
  std::array<uint8_t, 20> ChordTypeSlots{};

  // The section's lowest key; RootPlaceOffset and the voicing threshold follow it.
  void SetFirstKey(int firstKey);
  int RootPlaceOffset() const { return 12 - live_.FirstKey % 12; }

  // The held pitch classes (shared with the generator's conversion, which fills them too).
  std::array<uint8_t, kHeldCapacity> HeldPitchClasses{};
  int16_t HeldCount = 0;
  void AddHeldNote(int note);
  void RemoveHeldNote(int note);
  void ClearHeldNotes();
  // The held pitch classes, each once however often it is held.
  PitchClassSet HeldClasses() const;
  // Names the held pitch classes by rows 0..highestRow; writes ChordRoot and ChordType and
  // returns the type. Mode 0 is live play. Mode 1 is the generator's chord analysis: a chord
  // is named only by tones that were heard (its root and the tones that set its type apart), a
  // tie goes to the simpler type, and when fewer than 1/`divisor` of the pitch classes heard
  // belong to it the previous result stays (a divisor below 1 is refused: nothing changes).
  int RecognizeChord(int highestRow, int mode, int divisor = 1);

  // The chord setter. `transpose` is a semitone count or kFinalRoot.
  void SetChord(int rootNote, int type, int transpose);
  // Where the chord setter places a root note, and the type it would give a chord now (the
  // override and "Major <> Minor" applied, a one-shot override not used up).
  int PlaceRoot(int rootNote, int transpose) const;
  int ComingType(int type) const;

  // A key of the accompaniment section, in fingered or two-finger mode.
  void ChordKeyOn(int note);
  void ChordKeyOff(int note);
  // "Play Chords": switched only while the transport is stopped, and the switch resets it, so
  // that no triggered chord outlives the mode and no style plays on in it. False when refused.
  bool SetPlayChords(bool on);
  // The mode alone, for step recording, which has stopped the clock itself and takes its
  // chords through the trigger keys.
  void UsePlayChords(bool on);
  // The mode's three key ranges lie above the section's first key.
  int TriggerZoneKey() const { return live_.FirstKey / 12 * 12 + 24; }
  // A note of the chord channel in Play Chords mode; false when it is none of the mode's keys
  // (a control key or an instrument key for the live routing). A trigger key's root is moved by
  // `transpose`; the keyboard octave is added when the chord sounds.
  bool PlayChordsKey(int note, int velocity, bool noteOn, int transpose);

  // "C maj", or "C\" maj" when the root lies an octave up (at or above FirstKey + 12).
  std::string ChordName(int rootNote, int type) const;
  // The main window's title while a chord is shown, with the live channel or another.
  std::string TitleText(int rootNote, int type, int channel = -1) const;

  // The "ChordTypes" configuration string: slots 2..11 as two-digit numbers.
  std::string ChordTypesString() const;
  // False, leaving the table unchanged, when the text is not twenty digits of types 2..17.
  bool SetChordTypesString(const std::string& text);

 private:
  // Live play: every row scored on every root, the higher row winning a tie on one root.
  void ScoreLive(PitchClassSet held, int highestRow);
  void NameHeard(PitchClassSet held, int highestRow, int divisor);

  ChordValue& chord_;
  LiveSettings& live_;
  Transport& transport_;
  StylePlayer& player_;
  Style& style_;
  MidiPorts& ports_;
  int memoryType_ = 0;  // the recogniser's last result
  int memoryRoot_ = 0;
  int firstKey_ = 0;  // the first key of a two-finger chord
};

}  // namespace korvel
