// The style generator's commands that need more of the program than the generator itself:
// playing the material, saving the generated style, and connecting the MIDI file import to the
// generator and to the song's "&Open ...".
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korvel {

class Engine;
class Dialogs;
class MidiFileImport;
class Songs;
class Style;

inline constexpr const char* kGeneratorCaption = "Style-Creator & Chord-Generator";

// The generator's Play: in song mode the material plays as it stands from "Start with ..." to
// "Stop at ...", over C major; in style mode the selected part plays, when it is set. False
// when nothing could start (no material, the part not set).
bool StartGeneratorPlay(Engine& engine);
// C major becomes the chord, as if played, for the next clock to apply; its root lies where
// the accompaniment voices without an octave shift.
void SetCMajorChord(Engine& engine);
// "Save Style as ...     ": the generated style (channel table, part table and the material of
// the first chunk) goes to a file chosen with the save dialog, starting in `folder`. False when
// there is nothing to save, the dialog was cancelled or the file could not be written (the user
// is told why).
bool SaveGeneratedStyle(Engine& engine, Dialogs& dialogs, const std::string& folder);
// The generated style written to `path` atomically; throws std::runtime_error in words.
void WriteGeneratedStyle(Engine& engine, const std::string& path);
// The material a generated style holds: the first chunk only, what lies beyond it is left out.
std::span<const uint8_t> GeneratedStyleMaterial(Style& style);
// The import's hooks call the generator: its reset and New, the chord interval a time
// signature sets, the keyboard's channel, and the live channel's settings kept over it.
void ConnectImportToGenerator(MidiFileImport& import, Engine& engine);
// A .mid file chosen with the song's "&Open ..." is imported as a song.
void ConnectImportToSongs(MidiFileImport& import, Songs& songs);

}  // namespace korvel
