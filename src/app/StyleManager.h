// The style manager: browsing and auditioning style files and keeping them in groups. The
// window binds its controls to this; every call but Open is made under the engine lock.
#pragma once

#include <string>
#include <vector>

#include "app/StyleGroups.h"

namespace korvel {

class Engine;
class Dialogs;

inline constexpr const char* kStyleManagerCaption = "Style-Manager";

class StyleManager {
 public:
  StyleManager(Engine& engine, Dialogs& dialogs) : engine_(engine), dialogs_(dialogs) {}

  // The first showing: the group file beside `settingsPath` is read (a file that cannot be
  // read is reported and never written) and the first outline line is chosen.
  void Open(const std::string& settingsPath);
  bool Opened() const { return opened_; }

  // The outline line `group` is chosen: its entries are listed and the first selected.
  void ChooseGroup(int group);
  int Group() const { return group_; }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The selected entry, -1 for none.
  int Selected() const { return selected_; }
  // Parts of the selected entry; empty when none is selected.
  GroupEntryParts SelectedParts() const;
  // The group list was clicked: its entry becomes the one "Play" and "Load" use.
  void SelectEntry(int index);
  // The file list was clicked: the file becomes the one "Play" and "Load" use.
  void SelectFile(const std::string& path);
  // True while the group list was used last.
  bool EntryChosen() const { return entryChosen_; }

  // "Load": the file of the list used last. False when nothing loaded (the user was told).
  bool Load();
  // "Play": loads the chosen style and plays its Basic part; false when nothing plays.
  bool Play();
  // A right click on a file or an entry: it is chosen and played; on the one already chosen,
  // playing stops when it plays.
  void AuditionFile(const std::string& path);
  void AuditionEntry(int index);
  // "Stop": playback ends, every sounding note with it.
  void Stop();

  // " Add or Edit current Style ": the loaded style, with `description`, into the group.
  void AddOrEdit(const std::string& description);
  // A file dropped on the group list: loaded unless it is the loaded style, then added.
  void DropFile(const std::string& path, const std::string& description);
  // " Remove        ": the selected entry, after asking; nothing when none is selected.
  void Remove();
  // "  Remove all ": every entry of the group, after asking.
  void RemoveAll();

 private:
  bool LoadPath(const std::string& path);
  void Audition(bool same);
  // Writes the group with `entries`; on failure the user is told and nothing changes.
  bool Save(const std::vector<std::string>& entries);

  Engine& engine_;
  Dialogs& dialogs_;
  StyleGroupFile file_;
  bool opened_ = false;
  int group_ = 1;
  std::vector<std::string> entries_;
  int selected_ = -1;
  std::string chosenFile_;
  bool entryChosen_ = false;
};

}  // namespace korvel
