#include "app/StyleGroups.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <span>
#include <stdexcept>

#include "platform/AtomicFile.h"

namespace korvel {

namespace {

constexpr const char* kSummaryEnd = "{1}";
constexpr const char* kPathStart = "{2}";
constexpr size_t kNameColumns = 25;

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// A UTF-8 byte that begins a character (any byte but a continuation byte).
bool StartsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// Bytes of the first `count` characters of UTF-8 `text`.
size_t CharacterBytes(const std::string& text, size_t count) {
  size_t characters = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (StartsCharacter(text[at]) && characters++ == count) return at;
  }
  return text.size();
}

// An INI file keeps every entry whole: values with blanks at either end are quoted.
void KeepValuesWhole(CSimpleIniA& ini) {
  ini.SetQuotes(true);
}

std::string SectionName(int group) {
  return "Group" + std::to_string(group);
}

// "Group" + a positive number, or nothing.
std::optional<int> GroupNumber(const std::string& section) {
  if (section.size() <= 5 || section.size() > 9 || section.compare(0, 5, "Group") != 0) {
    return std::nullopt;
  }
  int number = 0;
  for (size_t i = 5; i < section.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(section[i]))) return std::nullopt;
    number = number * 10 + (section[i] - '0');
  }
  return number;
}

std::optional<int> KeyNumber(const char* key) {
  const std::string text = key;
  if (text.empty() || text.size() > 6) return std::nullopt;
  if (!std::all_of(text.begin(), text.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    return std::nullopt;
  }
  return std::stoi(text);
}

}  // namespace

const std::vector<GroupLine>& GroupOutline() {
  static const std::vector<GroupLine> outline = [] {
    const std::vector<std::pair<const char*, std::vector<const char*>>> genres = {
        {"Pop", {"Ballad", "Fox", "3/4,6/8", "Others"}},
        {"Rock", {"Ballad", "Classic", "Blues", "Heavy", "Straight", "Shuffle", "Others"}},
        {"Dance", {"Disco", "Floor", "Techno", "Others"}},
        {"Fusion", {"Blues", "Rock", "Jazz"}},
        {"Country", {"Ballad", "Blues", "Train", "Bluegr", "Waltz", "Straight", "Shuffle"}},
        {"Latin", {"Bossa", "Samba", "Salsa", "Others"}},
        {"Jazz", {"Ballad", "Blues", "Swing", "UpSwing", "Waltz", "Others"}},
        {"Favorites", {}},
        {"Funk", {}},
        {"House", {}},
        {"Newage", {}},
        {"Reggae", {}},
        {"World", {}},
        {"Classic   ", {}},
        {"Others", {}}};
    std::vector<GroupLine> lines;
    for (const auto& [genre, styles] : genres) {
      lines.push_back({genre, false, !styles.empty()});
      for (const char* style : styles) lines.push_back({style, true, false});
    }
    return lines;
  }();
  return outline;
}

bool TakesEntries(int group) {
  const auto& outline = GroupOutline();
  return group >= 1 && group <= static_cast<int>(outline.size()) &&
         !outline[static_cast<size_t>(group - 1)].HasChildren;
}

std::string FirstCharacters(const std::string& text, size_t count) {
  return text.substr(0, CharacterBytes(text, count));
}

bool GroupKeepsPath(const std::string& path) {
  return path.find(kPathStart) == std::string::npos &&
         std::none_of(path.begin(), path.end(), IsLineBreak);
}

std::string MakeGroupEntry(const std::string& fileName, const std::string& metre, int tempo,
                           int tracks, const std::string& description, const std::string& path) {
  std::string name = FirstCharacters(fileName, kNameColumns);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  // One entry is one line of the file.
  std::replace_if(name.begin(), name.end(), IsLineBreak, ' ');
  const auto characters =
      static_cast<size_t>(std::count_if(name.begin(), name.end(), StartsCharacter));
  name.append(kNameColumns - characters, ' ');
  std::string text = description;
  std::replace_if(text.begin(), text.end(), IsLineBreak, ' ');
  return name + "Met: " + metre + "  Beat: " + std::to_string(tempo) +
         "  Tracks: " + std::to_string(tracks) + kSummaryEnd + text + kPathStart + path;
}

GroupEntryParts SplitGroupEntry(const std::string& entry) {
  GroupEntryParts parts;
  const size_t nameEnd = CharacterBytes(entry, kNameColumns);
  if (entry.size() <= nameEnd) return parts;
  size_t summaryEnd = entry.find(kSummaryEnd, nameEnd);
  if (summaryEnd == std::string::npos) summaryEnd = entry.size();
  parts.Summary = entry.substr(nameEnd, summaryEnd - nameEnd);
  const size_t descriptionStart = std::min(entry.size(), summaryEnd + 3);
  const size_t pathMarker = entry.rfind(kPathStart);
  if (pathMarker == std::string::npos || pathMarker < descriptionStart) {
    parts.Description = entry.substr(descriptionStart);
    return parts;
  }
  parts.Description = entry.substr(descriptionStart, pathMarker - descriptionStart);
  parts.Path = entry.substr(pathMarker + 3);
  return parts;
}

int FindGroupEntry(const std::vector<std::string>& entries, const std::string& path) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (SplitGroupEntry(entries[i]).Path == path) return static_cast<int>(i);
  }
  return -1;
}

int RemoveGroupEntry(std::vector<std::string>& entries, int selected) {
  if (selected < 0 || selected >= static_cast<int>(entries.size())) return -1;
  entries.erase(entries.begin() + selected);
  if (entries.empty()) return -1;
  return selected == 0 ? 0 : selected - 1;
}

std::string GroupFilePathFor(const std::string& settingsPath) {
  return std::filesystem::path(settingsPath).replace_extension(".KVG").string();
}

bool StyleGroupFile::Load(const std::string& path, std::string& error) {
  path_ = path;
  readable_ = false;
  groups_.clear();
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) {
    readable_ = true;
    return true;
  }
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) return false;
  return LoadText(std::string(bytes->begin(), bytes->end()), error);
}

bool StyleGroupFile::LoadText(const std::string& text, std::string& error) {
  groups_.clear();
  readable_ = false;
  if (text.find('\0') != std::string::npos) {
    error = "The group file " + path_ + " is not a text file.";
    return false;
  }
  CSimpleIniA ini;
  KeepValuesWhole(ini);
  if (ini.LoadData(text.data(), text.size()) < 0) {
    error = "The group file " + path_ + " cannot be read.";
    return false;
  }
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  std::map<int, std::vector<std::string>> groups;
  for (const auto& section : sections) {
    const auto group = GroupNumber(section.pItem);
    if (!group) continue;
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(section.pItem, keys);
    std::map<int, std::string> ordered;
    for (const auto& key : keys) {
      const auto number = KeyNumber(key.pItem);
      const char* value = ini.GetValue(section.pItem, key.pItem, nullptr);
      if (number && value && *value) ordered[*number] = value;
    }
    auto& entries = groups[*group];
    for (auto& [number, value] : ordered) entries.push_back(std::move(value));
  }
  groups_ = std::move(groups);
  readable_ = true;
  return true;
}

std::vector<std::string> StyleGroupFile::Entries(int group) const {
  const auto found = groups_.find(group);
  return found == groups_.end() ? std::vector<std::string>{} : found->second;
}

void StyleGroupFile::SaveGroup(int group, const std::vector<std::string>& entries) {
  if (!readable_ || path_.empty()) {
    throw std::runtime_error("The group file could not be read, so it is not saved.");
  }
  CSimpleIniA ini;
  KeepValuesWhole(ini);
  std::error_code missing;
  if (std::filesystem::exists(path_, missing)) {
    std::string error;
    const auto bytes = ReadWholeFile(path_, error);
    if (!bytes) throw std::runtime_error("The group could not be saved: " + error + ".");
    ini.LoadData(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  }
  const std::string section = SectionName(group);
  ini.Delete(section.c_str(), nullptr);
  for (size_t i = 0; i < entries.size(); ++i) {
    ini.SetValue(section.c_str(), std::to_string(i).c_str(), entries[i].c_str());
  }
  std::string text;
  if (ini.Save(text) < 0) throw std::runtime_error("The group could not be put together.");
  WriteFileAtomically(
      path_, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  groups_[group] = entries;
}

}  // namespace korvel
