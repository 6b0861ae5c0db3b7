// The readable source of a style (see data/style-src/README.md) and its compiler: channel
// settings, parts of measures, and lanes of drum hits and notes on a step grid, turned into
// the style tables and event material of a style file.
#pragma once

#include <stdexcept>
#include <string>

#include "engine/StyleFile.h"

namespace korvel {

class StyleSourceError : public std::runtime_error {
 public:
  StyleSourceError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

struct CompiledStyle {
  std::string Name;
  StyleFileContents Contents;
};

// Throws StyleSourceError naming the line and what is wrong.
CompiledStyle CompileStyleSource(const std::string& text);

}  // namespace korvel
