#include "app/StyleManager.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/Engine.h"
#include "app/GeneratorCommands.h"
#include "app/StyleBrowser.h"

namespace korvel {

void StyleManager::Open(const std::string& settingsPath) {
  opened_ = true;
  std::string error;
  if (!file_.Load(GroupFilePathFor(settingsPath), error)) dialogs_.InformUser(error);
  ChooseGroup(1);
}

void StyleManager::ChooseGroup(int group) {
  if (group < 1 || group > static_cast<int>(GroupOutline().size())) return;
  group_ = group;
  entries_ = file_.Entries(group);
  selected_ = entries_.empty() ? -1 : 0;
}

GroupEntryParts StyleManager::SelectedParts() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return {};
  return SplitGroupEntry(entries_[static_cast<size_t>(selected_)]);
}

void StyleManager::SelectEntry(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  selected_ = index;
  entryChosen_ = true;
}

void StyleManager::SelectFile(const std::string& path) {
  chosenFile_ = path;
  entryChosen_ = false;
}

bool StyleManager::LoadPath(const std::string& path) {
  // A style is known by its name; the loader then checks what the file holds.
  if (!IsStyleFileName(std::filesystem::path(path).filename().string())) {
    dialogs_.InformUser(kCannotProcess);
    return false;
  }
  return engine_.Loader.LoadStyleFile(path);
}

bool StyleManager::Load() {
  if (entryChosen_) return selected_ >= 0 && LoadPath(SelectedParts().Path);
  return !chosenFile_.empty() && LoadPath(chosenFile_);
}

bool StyleManager::Play() {
  if (!Load()) return false;
  // Basic, or the part the loader chose when the style has no Basic.
  const int loaded = engine_.Style.SelectedPart;
  engine_.StyleParts.SelectPart(engine_.Player.PlayablePart(kBasic) >= 0 ? kBasic : loaded);
  // Loading stops what played and forgets the chord: the audition sounds over C major.
  if (engine_.Chord.EditChordRoot == kNoChord) SetCMajorChord(engine_);
  return StartGeneratorPlay(engine_);
}

void StyleManager::Audition(bool same) {
  if (same && engine_.Player.Playing) {
    Stop();
  } else {
    Play();
  }
}

void StyleManager::AuditionFile(const std::string& path) {
  const bool same = !entryChosen_ && path == chosenFile_;
  SelectFile(path);
  Audition(same);
}

void StyleManager::AuditionEntry(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  const bool same = entryChosen_ && index == selected_;
  SelectEntry(index);
  Audition(same);
}

void StyleManager::Stop() {
  if (engine_.Player.Playing) engine_.Player.StopPlayback();
}

bool StyleManager::Save(const std::vector<std::string>& entries) {
  try {
    file_.SaveGroup(group_, entries);
  } catch (const std::runtime_error& error) {
    dialogs_.InformUser(error.what());
    return false;
  }
  entries_ = entries;
  return true;
}

void StyleManager::AddOrEdit(const std::string& description) {
  if (!TakesEntries(group_)) return;
  const Style& style = engine_.Style;
  if (!style.StyleLoaded || style.StyleFileName.empty()) {
    dialogs_.InformUser("No style loaded !");
    return;
  }
  const std::string& path = style.StyleFileName;
  if (!GroupKeepsPath(path)) {
    dialogs_.InformUser(
        "The group file cannot keep this style's path, which holds \"{2}\" or a "
        "line break: " +
        path);
    return;
  }
  const std::string name = std::filesystem::path(path).filename().string();
  int tracks = 0;
  for (int channel = 0; channel < 16; ++channel) tracks += style.Channels.HasNotes(channel);
  const int metre = std::clamp(engine_.Transport.MetreIndex, 0, 8);
  const std::string entry =
      MakeGroupEntry(name, kMetreNames[metre], style.Channels.Tempo(), tracks, description, path);
  std::vector<std::string> entries = entries_;
  const int found = FindGroupEntry(entries, path);
  if (found >= 0) {
    if (!dialogs_.AskYesNo("Edit the description of \"" + name + "\" (loaded style) ?")) return;
    entries[static_cast<size_t>(found)] = entry;
  } else {
    const std::string group = GroupOutline()[static_cast<size_t>(group_ - 1)].Name;
    if (!dialogs_.AskYesNo("Add \"" + name + "\" to group \"" + group + "\" ?")) return;
    entries.insert(entries.begin() + std::max(selected_, 0), entry);
  }
  // The selection stays on its line; a first entry is selected.
  if (Save(entries) && selected_ < 0) selected_ = 0;
}

void StyleManager::DropFile(const std::string& path, const std::string& description) {
  if (path != engine_.Style.StyleFileName && !LoadPath(path)) return;
  AddOrEdit(description);
}

void StyleManager::Remove() {
  if (selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return;
  const std::string& entry = entries_[static_cast<size_t>(selected_)];
  if (!dialogs_.AskYesNo("Remove " + FirstCharacters(entry, 12) + "... ?")) return;
  std::vector<std::string> entries = entries_;
  const int next = RemoveGroupEntry(entries, selected_);
  if (Save(entries)) selected_ = next;
}

void StyleManager::RemoveAll() {
  if (!TakesEntries(group_) || entries_.empty()) return;
  if (!dialogs_.AskYesNo("Remove all styles ?")) return;
  if (Save({})) selected_ = -1;
}

}  // namespace korvel
