// korvel-cli's work-file commands: work-info describes a work file; capture records what
// another program plays on a MIDI input, timed by its Start and MIDI clock, into a work file.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "app/MidiSystem.h"

namespace korvel::cli {

class WorkCommands {
 public:
  explicit WorkCommands(CLI::App& app);
  // The exit code when one of these commands was given.
  std::optional<int> Run(const MidiSystemSettings& settings) const;

 private:
  int WorkInfo() const;
  int Capture(const MidiSystemSettings& settings) const;

  CLI::App* workInfo_;
  CLI::App* capture_;
  std::string file_;
  std::string in_;
  int measures_ = 4;
  double timeout_ = 600;
  std::string out_;
};

}  // namespace korvel::cli
