// The generator's style export commands: the generated style as a MIDI file (whole, one part,
// or a set of part files), and "Repair style", which reads that file back after the material.
// The arrangement is played by an engine of its own, so the musician's song, transposition and
// loop are never touched.
#pragma once

#include <optional>
#include <string>

#include "stylegen/StyleExport.h"

namespace korvel {

class Engine;
class Dialogs;
class MidiFileImport;

// Writes the generated style's arrangement (`part`: kFullStyleExport or one part; a full one
// starts with the intro when "Play Intro" is checked) to the MIDI file `midiPath`; the
// arrangement written, or nothing when the work is empty, no part has
// been set since the import, no part would be exported, or the file could not be written (the
// user is told why).
std::optional<StyleArrangement> ExportGeneratedStyle(Engine& engine, Dialogs& dialogs, int part,
                                                     const std::string& midiPath);

// "Export set of style parts": each set part as folder + "sty" + set number + "_" + its code +
// ".mid"; parts that are not set write no file. The number of files written.
int ExportStyleSet(Engine& engine, Dialogs& dialogs, int setNumber, const std::string& folder);

inline constexpr const char* kStyleMeasuresTitle = "Style measures";

// "    -   Save style as MIDI file" (`part` kFullStyleExport) and "    -   Save selected style
// part as MIDI file": the save dialog, opened in `folder`, chooses the file (for a part
// "sty1_" + its code + ".mid" is offered); a full export then shows its listing.
bool SaveStyleAsMidi(Engine& engine, Dialogs& dialogs, int part, const std::string& folder);

// "Export set of style parts": set number (1..4) chosen last and the folder it goes to, kept
// with a trailing separator.
struct StyleSetChoice {
  int SetNumber = 0;  // 0: none chosen yet
  std::string Folder;
};
// Item `setNumber` of the pop-up ("1 - 1" .. "4 - 4"): the folder is asked for the first time
// (starting in `startFolder`), then the set is written. `askPath` ("Set path") asks again
// without exporting. False when nothing was written.
bool ExportStyleSetChosen(Engine& engine, Dialogs& dialogs, StyleSetChoice& choice, int setNumber,
                          const std::string& startFolder);
bool ChooseStyleSetFolder(Dialogs& dialogs, StyleSetChoice& choice, const std::string& startFolder);

// "4. Test style": the whole style's arrangement goes into the chord memory (after "Replace
// current chords ?" when it holds a song) and plays with the main Play. False when nothing
// plays: no material, no part set since the import, the question answered No.
bool TestGeneratedStyle(Engine& engine, Dialogs& dialogs);

// "Repair style": the whole style is exported to the scratch file `scratch` (the program's
// name with the extension ".KV$", in the writable configuration folder) and read back at once
// after the existing material. False when nothing was appended.
bool RepairStyle(Engine& engine, MidiFileImport& import, Dialogs& dialogs,
                 const std::string& scratch);

}  // namespace korvel
