#include "app/HelpTopics.h"

#include <filesystem>

#include "engine/StyleLoader.h"

namespace korvel {

namespace {

struct Topic {
  int Number;
  const char* Window;
  const char* Page;
};

// The panel windows pass their numbers; the other windows are known by name.
constexpr Topic kTopics[] = {
    {100, "TForm1", "main.html"},
    {101, "TOpt", "options.html"},
    {102, "MIDI", "midi.html"},
    {104, "Song", "song.html"},
    {107, "Mixer", "mixer.html"},
    {109, "Keyboard", "keyboard.html"},
    {110, "Chordpads", "chordpads.html"},
    {120, "TGen", "generator.html"},
    {121, "TEditor", "editor.html"},
    {122, "TMP", "player.html"},
    {123, "TSongs", "songlist.html"},
    {124, "TIns", "instruments.html"},
    {125, "TTempo", "tempo.html"},
    {126, "TStyleManager", "stylemanager.html"},
    {kWrongStyleFileHelpTopic, "", "stylefile.html"},
};

}  // namespace

std::string HelpPageOf(int topic) {
  for (const auto& t : kTopics)
    if (t.Number == topic) return t.Page;
  return {};
}

std::string HelpPageOfWindow(const std::string& window) {
  for (const auto& t : kTopics)
    if (!window.empty() && window == t.Window) return t.Page;
  return {};
}

std::string HelpFile(const std::string& folder, const std::string& page) {
  if (page.empty()) return {};
  const auto file = std::filesystem::path(folder) / page;
  std::error_code error;
  return std::filesystem::is_regular_file(file, error) ? file.string() : std::string();
}

}  // namespace korvel
