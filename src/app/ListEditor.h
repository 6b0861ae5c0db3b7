// The instrument-list editor is a program of its own, kept beside Korvel or in its EDITOR
// folder; Korvel only finds it, starts it on the current list and reloads the list after.
#pragma once

#include <string>

namespace korvel {

class Mixer;
class Dialogs;

// The editor's path, or empty when there is none (the menu item stays hidden then).
std::string LocateEditor(const std::string& programDir);

// Starts the editor on `patch` without waiting; when it started and a list file is in use,
// asks whether to reload the list from it. A failed start is silent.
void RunEditor(const std::string& editor, const std::string& patch, Mixer& mixer, Dialogs& dialogs);

}  // namespace korvel
