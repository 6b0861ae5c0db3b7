// korvel-cli export-style: a style as a MIDI file that plays its parts one after another.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace korvel::cli {

struct ExportStyleOptions {
  std::string Style;
  int Part = -1;       // -1: every part
  bool Intro = false;  // a full export starts with the intro ("Play Intro")
  std::string Out;
};

// Adds the subcommand; its options fill `options`.
CLI::App* AddExportStyleCommand(CLI::App& app, ExportStyleOptions& options);
// Writes the MIDI file and prints which measures hold which part. 0 on success.
int ExportStyle(const ExportStyleOptions& options);

}  // namespace korvel::cli
