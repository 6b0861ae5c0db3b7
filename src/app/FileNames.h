// Small rules for file names the program shows and checks.
#pragma once

#include <optional>
#include <string>

namespace korvel {

// True when `text` ends with `end`, ignoring case (".MID" and ".mid" alike).
bool EndsWithNoCase(const std::string& text, const std::string& end);
// The file name of `path` in capitals, as captions show it ("DEMO3.KVA").
std::string UpperFileName(const std::string& path);
// The file name a stored path ends with, whether written here or on Windows:
// "C:\KORVEL\SONGS\DEMO3.KVA" and "C:DEMO3.KVA" both give "DEMO3.KVA".
std::string StoredFileName(const std::string& stored);
// The file a stored path names, as songs and styles from other machines are found: the path
// itself when it is an absolute path here that exists, else the file of its name in `folder`
// in any case of its letters (the exact spelling first, else the first in order).
std::optional<std::string> FindFileByName(const std::string& stored, const std::string& folder);

}  // namespace korvel
