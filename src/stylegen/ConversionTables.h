// How the converter moves a note of a song to where it lies over C major: the root shift of
// the chord that sounds, and three tables of semitone corrections by pitch class (the chord's
// type, the chord notes, all notes), combined by the convert mode 0..6.
#pragma once

namespace korvel {

inline constexpr int kConvertModeCount = 7;
inline constexpr int kDefaultConvertMode = 3;  // "3  Chordnotes"

// Root mod 12, minus 12 above 7: the nearest shift (-4..7) that brings the root to a C.
int RootShiftOf(int rootNote);

// Semitones added to a pitch class (0 = the note that is a C after the root shift).
int ChordTypeCorrection(int type, int pitchClass);  // a type outside 1..17 counts as "maj"
int ChordNoteCorrection(int pitchClass);
int AllNotesCorrection(int pitchClass);

// The note as mode 1..5 makes it over the chord (root note, type); mode 0 shifts as mode 1
// does. Mode 6 puts the unconverted note on the nearest C (down for pitch classes below 6, up
// otherwise). The result may lie outside 0..127; KeepInNoteRange brings it back.
int ConvertNote(int note, int rootNote, int type, int mode);

// A note number moved by octaves into 0..127, so that it keeps its pitch class.
int KeepInNoteRange(int note);

}  // namespace korvel
