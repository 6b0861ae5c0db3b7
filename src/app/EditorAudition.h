// The song editor's "Audition": a beat's chord sounds on the live channel while the button is
// held. Every note struck gets its own note-off on release (many sound modules ignore
// all-notes-off), so nothing hangs. Called under the engine lock.
#pragma once

#include <vector>

#include "app/Engine.h"

namespace korvel {

class EditorAudition {
 public:
  // Root + 12 + each chord tone of the entry's chord; notes above 127 are left out.
  static std::vector<int> NotesOf(const ChordEntry& entry);

  // Sounds the entry's chord; a chord still sounding is ended first.
  void Start(Engine& engine, const ChordEntry& entry);
  // Ends the chord and silences the live channel.
  void Stop(Engine& engine);
  bool Sounding() const { return !sounding_.empty(); }

 private:
  std::vector<int> sounding_;
  int channel_ = 0;
};

}  // namespace korvel
