// korvel-cli's style-making commands: make-style cuts an imported MIDI file into style parts,
// style-set imports a folder of part files; both write the style and describe it.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace korvel::cli {

struct StyleCommands {
  CLI::App* MakeStyle = nullptr;
  std::string MidiFile;
  std::vector<std::string> Parts;  // NAME=A-B
  int ConvertMode = -1;            // -1: the generator's default
  bool Auto = false;
  CLI::App* StyleSet = nullptr;
  std::string Folder;
  std::string SetItem;  // "1 - 11" ..; empty: the first the folder holds
  std::string Out;
};

void AddStyleCommands(CLI::App& app, StyleCommands& commands);
// The exit code of the chosen command, or nothing when none of these was chosen.
std::optional<int> RunStyleCommands(const StyleCommands& commands);

}  // namespace korvel::cli
