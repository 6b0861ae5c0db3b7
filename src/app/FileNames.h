// Small rules for file names the program shows and checks.
#pragma once

#include <string>

namespace korvel {

// True when `text` ends with `end`, ignoring case (".MID" and ".mid" alike).
bool EndsWithNoCase(const std::string& text, const std::string& end);
// The file name of `path` in capitals, as captions show it ("DEMO3.KVA").
std::string UpperFileName(const std::string& path);

}  // namespace korvel
