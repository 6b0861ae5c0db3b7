// Plays a style through a chord progression as a musician would: the first chord starts the
// style, each chord is given just before its beat, control keys at their place, and the end
// comes with the ending (or, without one, a little after the last chord).
#pragma once

#include <atomic>
#include <vector>

#include "app/Engine.h"
#include "performance/Progression.h"

namespace korvel {

class ProgressionPlayer {
 public:
  // `startPart` (0..7) starts the style with that part; -1 starts it as the musician would,
  // with the intro when the progression begins with [Intro].
  ProgressionPlayer(Engine& engine, std::vector<ProgressionStep> steps, int startPart = -1);

  // Before every clock tick, under the engine lock (Engine::BeforeTick).
  void BeforeTick();
  // All played: the style stopped after the last step.
  bool Finished() const { return finished_.load(); }
  // The root note a chord symbol gets: the lowest note at or above the accompaniment section's
  // first key with its pitch class, an octave up below 44, as chords played there are placed.
  static int RootNote(int pitchClass, int firstKey);

 private:
  void Press(ProgressionKey key);

  Engine& engine_;
  std::vector<ProgressionStep> steps_;
  int startPart_;
  size_t next_ = 0;
  int64_t tick_ = 0;
  int64_t nextBeatTick_ = 0;  // the tick at which the next step is due
  int64_t endTick_ = -1;      // without an ending: when to stop
  std::atomic<bool> finished_{false};
};

}  // namespace korvel
