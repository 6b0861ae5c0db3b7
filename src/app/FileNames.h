// Small rules for file names the program shows and checks.
#pragma once

#include <optional>

#include <string>

namespace korvel {

// True when `text` ends with `end`, ignoring case (".MID" and ".mid" alike).
bool EndsWithNoCase(const std::string& text, const std::string& end);
// The regular file in `folder` named `name` in any case ("STY1_V11.MID" for "sty1_v11.mid"),
// the name as written first; nothing when there is none.
std::optional<std::string> FindFileNoCase(const std::string& folder, const std::string& name);
// The file name of `path` in capitals, as captions show it ("DEMO3.KVA").
std::string UpperFileName(const std::string& path);

}  // namespace korvel
