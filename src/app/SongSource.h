// The readable source of an arrangement (see data/song-src/README.md) and its compiler: the
// header settings, the texts, one line of beats per measure with chords and song commands, and
// the melody's notes, turned into the arrangement a .kva file stores.
#pragma once

#include <stdexcept>
#include <string>

#include "performance/ArrangementFile.h"

namespace korvel {

class SongSourceError : public std::runtime_error {
 public:
  SongSourceError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message) {}
};

// Throws SongSourceError naming the line and what is wrong.
Arrangement CompileSongSource(const std::string& text);

}  // namespace korvel
