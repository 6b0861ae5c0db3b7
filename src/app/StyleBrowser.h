// The style manager's browser: the folder it opens in, the pattern box's items and what a
// pattern lists. Only style files ("*.kvs", any case) are ever listed, whatever the pattern.
#pragma once

#include <string>
#include <vector>

namespace korvel {

// The pattern box's items, in order.
const std::vector<std::string>& StylePatternItems();
// A pattern typed into the pattern box: "*" is appended unless it ends in one.
std::string StylePattern(const std::string& typed);
// True for names the file list may show and load: "*.kvs", any case.
bool IsStyleFileName(const std::string& name);
// `name` matches one of the ";"-separated masks of `pattern` ("*" any run, "?" one character),
// ignoring case.
bool MatchesStylePattern(const std::string& name, const std::string& pattern);
// The style files of `folder` that match `pattern`, sorted; none when the folder cannot be read.
std::vector<std::string> ListStyleFiles(const std::string& folder, const std::string& pattern);
// The folders inside `folder`, sorted.
std::vector<std::string> ListFolders(const std::string& folder);
// Where the browser opens: the style folder when it exists, else the program's folder.
std::string BrowserStartFolder(const std::string& styleFolder, const std::string& programDir);

}  // namespace korvel
