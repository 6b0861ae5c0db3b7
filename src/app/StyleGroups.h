// The style manager's groups: entries as one text line each ("%-25.25sMet: %s  Beat: %d
// Tracks: %d{1}" + description + "{2}" + path) kept in the group file (.KVG), one INI section
// "Group" + outline line per group, keys "0", "1", ... in list order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

// A line of the fixed outline of groups; groups are numbered by line from 1.
struct GroupLine {
  std::string Name;
  bool Child = false;        // under the genre line above it
  bool HasChildren = false;  // a genre with styles below it: it takes no entries
};
const std::vector<GroupLine>& GroupOutline();
// Lines 1..size of the outline without children take entries.
bool TakesEntries(int group);

struct GroupEntryParts {
  std::string Summary;      // from column 26 up to "{1}"
  std::string Description;  // between "{1}" and "{2}"
  std::string Path;         // after "{2}"
};

// The first `count` characters of UTF-8 `text` (never half a character).
std::string FirstCharacters(const std::string& text, size_t count);
// A path the group file keeps intact: without "{2}" (which would end the description there)
// and without line breaks (which would end the entry).
bool GroupKeepsPath(const std::string& path);

// `fileName` is lower-cased and cut or padded to 25 characters; line breaks in it become blanks.
std::string MakeGroupEntry(const std::string& fileName, const std::string& metre, int tempo,
                           int tracks, const std::string& description, const std::string& path);
// The summary ends at the first "{1}" after the name column and the path starts after the
// last "{2}", so markers typed into a description stay in the description.
GroupEntryParts SplitGroupEntry(const std::string& entry);

// The index of the entry whose path is `path`, or -1.
int FindGroupEntry(const std::vector<std::string>& entries, const std::string& path);
// Removes entry `selected` and gives the selection after it (the new first entry, or the one
// above); a selection out of range changes nothing and gives -1.
int RemoveGroupEntry(std::vector<std::string>& entries, int selected);

// The group file beside the settings file: same name, extension ".KVG".
std::string GroupFilePathFor(const std::string& settingsPath);

class StyleGroupFile {
 public:
  // Reads `path` (a missing file is an empty set of groups). False with the reason in
  // `error` when the file cannot be read; nothing is kept then and the file is never written.
  bool Load(const std::string& path, std::string& error);
  // Reads groups from text, as Load does from a file.
  bool LoadText(const std::string& text, std::string& error);

  // Every non-empty entry of the group, in key order; a key missing in between hides nothing.
  std::vector<std::string> Entries(int group) const;
  // Replaces the group's section by `entries` as keys 0..n-1 and writes the file atomically,
  // keeping the other sections. Throws std::runtime_error with a message in words.
  void SaveGroup(int group, const std::vector<std::string>& entries);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool readable_ = false;
  std::map<int, std::vector<std::string>> groups_;
};

}  // namespace korvel
