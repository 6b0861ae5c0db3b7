// korvel-cli pads and chord-code: the chord pad table and the chord code of a chord, both ways.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace korvel::cli {

class PadCommands {
 public:
  explicit PadCommands(CLI::App& app);
  // The exit code when one of these commands was given.
  std::optional<int> Run() const;

 private:
  int Pads() const;
  int Encode() const;
  int Decode() const;

  CLI::App* pads_;
  CLI::App* encode_;
  CLI::App* decode_;
  std::string chordTypes_;
  int root_ = 0;
  int type_ = 0;
  int controller_ = 0;
  int value_ = 0;
};

}  // namespace korvel::cli
