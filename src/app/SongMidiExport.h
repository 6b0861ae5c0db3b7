// "&Export MIDI ..." and "&Add Melody-Track": the song in memory becomes a Standard MIDI File.
#pragma once

#include <string>

namespace korvel {

class Dialogs;
class Engine;
class MidiFileImport;
class Songs;

inline constexpr const char* kExportTitle = "&Export MIDI ...";

// The song and its melody, played offline by the loaded style, written to `path` (atomically);
// measure 1 of the file is the song's first beat. False, with the reason told, when there is no
// song or style or the file cannot be written. The live engine's lock, when the caller holds
// it, is let go while the song renders.
bool ExportSongMidi(Engine& engine, const Songs& songs, Dialogs& dialogs, const std::string& path);
// "&Export MIDI ...": asks for the file in `folder`, then exports. True when written.
bool ExportSongMidiAs(Engine& engine, const Songs& songs, Dialogs& dialogs,
                      const std::string& folder);
// "&Add Melody-Track" is offered only while the generator holds a song and a melody is recorded.
bool CanAddMelodyTrack(const Engine& engine);
// The generator's song with the recorded melody laid over it becomes a MIDI file (in memory,
// named `name`) that is imported as the generator's song (leading silence kept, no questions).
// True when imported.
bool AddMelodyTrack(Engine& engine, MidiFileImport& import, const std::string& name);

}  // namespace korvel
