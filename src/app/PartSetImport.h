// "Import set of style parts": a folder of MIDI files named "sty" + set + "_" + part code +
// ".mid", as the style export writes them, becomes one style: each file is appended to the
// material and set as its part, percussion moves to channel 10, the style is converted and
// gets the mixer defaults of an imported set.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

class Dialogs;
class Engine;
class MidiFileImport;

inline constexpr const char* kCannotProcessFile = "This file cannot be processed !";
// Files shorter than this hold no part worth importing.
inline constexpr long kPartFileMinimum = 580;

// The items of the pop-up "Import set of style parts": set number, then variation.
inline constexpr std::array<const char*, 8> kPartSetItems = {
    "1 - 11", "1 - 21", "2 - 11", "2 - 21", "3 - 11", "3 - 21", "4 - 11", "4 - 21"};

// The parts the files of a set become, in the order they are appended.
inline constexpr std::array<int, 8> kPartSetOrder = {0, 1, 4, 6, 2, 5, 7, 3};

// The file codes of group 1 (variation "11") or 2 ("21"), in kPartSetOrder: the fills and
// transitions carry the export's codes, the main parts those of their variation.
std::array<std::string, 8> PartSetCodes(int group);
// The code tried when the file of `code` is missing, or empty when there is none: "v41" falls
// back to "v31", "v31" to "v21", any other code to its last digit made 1 ("f12" -> "f11").
std::string FallbackCode(const std::string& code);

struct PartSetOptions {
  bool MovePercussion = true;          // "Move percussion sounds to track 10"
  bool StandardPercussionOnly = true;  // "Use only standard percussion sounds"
  // "Convert x/8 - Base: 1/8": the files are read in the 1/8 metre, their time signatures
  // ignored.
  bool EighthBase = false;
};

// What became of each part of the set: the file that filled it, or nothing.
struct PartSetReport {
  std::array<std::string, 8> Files;  // indexed by part number
  bool Imported = false;
};

class PartSetImport {
 public:
  PartSetImport(Engine& engine, MidiFileImport& import, Dialogs& dialogs);

  PartSetOptions Options;
  // The chosen folder, kept for the next import ("Set path" asks again).
  std::string Folder;
  // The folder the folder chooser opens at when none was chosen yet.
  std::string StartFolder;

  // Runs the pop-up item `item` ("1 - 11" ..): asks for the folder when none is known.
  PartSetReport ImportStylePartSet(const std::string& item);
  // "Set path": forgets the folder and asks for a new one. False when none was chosen.
  bool ChooseSetFolder();
  // The set `item` from `folder`, without the New command's questions and without a dialog.
  PartSetReport ImportFromFolder(const std::string& folder, const std::string& item);

 private:
  // The part file `prefix` + code + ".mid" in `folder` (any case), or its one fallback; a file
  // too short to hold a part is skipped and named in `tooShort`.
  std::optional<std::string> FindPartFile(const std::string& folder, const std::string& prefix,
                                          const std::string& code,
                                          std::vector<std::string>& tooShort) const;
  void AfterImport();

  Engine& engine_;
  MidiFileImport& import_;
  Dialogs& dialogs_;
};

// Moves the notes of channel 11 to channel 10 with its settings record, when channel 11 has
// notes at all.
void MovePercussionToChannel10(Engine& engine);
// "Remove percussion sounds": drum notes below 35 in the set parts no longer sound.
void RemovePercussionSounds(Engine& engine);

}  // namespace korvel
