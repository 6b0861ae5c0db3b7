// Korvel's help: short HTML pages in the help folder, found by the topic number a window or a
// message passes, or by the window in front.
#pragma once

#include <string>

namespace korvel {

inline constexpr const char* kHelpIndex = "index.html";  // "How to use Help"

// The page of a help topic number; empty when there is none.
std::string HelpPageOf(int topic);
// The page about a window, by its object name ("TGen", "TMP", ...); empty when there is none.
std::string HelpPageOfWindow(const std::string& window);
// The page's file in `folder`, if it is there; empty otherwise.
std::string HelpFile(const std::string& folder, const std::string& page);

}  // namespace korvel
