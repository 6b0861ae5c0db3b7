// The generator's work files: "Load Work" puts a .KVW in place of the generator's work (chord
// memory, channel table, style parts, material) once the whole file was read and checked;
// "Save Work as ..." writes every chunk of the material, atomically.
#pragma once

#include <span>
#include <string>

namespace korvel {

class Engine;
class Dialogs;

inline constexpr const char* kWorkFilter = "Work-Files (*.kvw)|*.kvw";

class WorkFiles {
 public:
  WorkFiles(Engine& engine, Dialogs& dialogs) : engine_(engine), dialogs_(dialogs) {}

  // Where the dialogs start: the last work-file folder of this run, else this one.
  std::string SongsFolder;
  // The generator window's caption at its creation; a loaded file's name goes before it.
  std::string BaseCaption;
  // The caption after the last load or save, empty before.
  std::string Caption;

  // "Load Work": asks before replacing work, chooses a file; false when nothing changed.
  bool LoadWorkFile();
  // The bytes of `path` take the place of the generator's work when they are a sound work
  // file; otherwise the user is told why and nothing has changed.
  bool TakeWorkFile(const std::string& path, std::span<const uint8_t> bytes);
  // "Save Work as ...": false when there is nothing to save, the dialog was cancelled or the
  // file could not be written (the user is told why).
  bool SaveWorkAs();
  // The work written to `path` atomically; throws std::runtime_error in words.
  void WriteWorkFile(const std::string& path);

 private:
  std::string StartFolder() const;
  void Remember(const std::string& path);

  Engine& engine_;
  Dialogs& dialogs_;
  std::string lastFolder_;
};

}  // namespace korvel
