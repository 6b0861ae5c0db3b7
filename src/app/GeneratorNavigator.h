// The generator's navigation while it plays: measure by measure, by loop lengths, to the last
// four measures and back to the start, and the "&Loop", "&Basic", "&Extended" and "&Others"
// menus that turn the measures now playing into the loop of a style part. A jump ends every
// sounding note first; moving forward chases the controllers and programs met on the way,
// moving back centres the pitch bend.
#pragma once

#include <functional>

#include "stylegen/GeneratorNavigation.h"

namespace korvel {

class Engine;

// The "&Loop" menu's entries: "1 measure" .. "8 measures".
inline constexpr int kMostLoopMeasures = 8;

class GeneratorNavigator {
 public:
  explicit GeneratorNavigator(Engine& engine) : engine_(engine) {}

  // The "&Loop" menu's checked entry (1..8 measures).
  int LoopMeasures() const { return loopLength_ + 1; }

  // Each is refused (false) while the main accompaniment plays; each starts the generator's
  // playback when it is stopped.
  bool NextMeasure();      // ">"
  bool PreviousMeasure();  // "<"
  bool LastFourMeasures();
  bool Rewind();
  bool LoopsBack();     // "<<"
  bool LoopsForward();  // ">>"
  // The LoopStart button: the loop starts at the measure that plays.
  bool LoopStartHere();
  // LoopStart or LoopEnd changed while the generator plays in style mode: the new loop plays.
  bool ApplyLoop();
  // A "&Loop" entry: a playing main part's loop takes the new length at once.
  void ChooseLoopLength(int measures);
  // "&Basic", "&Extended", the "&Others" entries and "Variation Basic" / "Variation Extended"
  // (`variation` with a fill slot): style mode, the part selected, its loop from the measure
  // that plays.
  bool ChoosePart(int part, bool variation);

  // False while the main accompaniment (not the generator) plays.
  bool Free() const;

 private:
  using NavigationOp = std::function<bool(NavigationState&, NavigationMove&)>;
  // Runs a move on the counters and loop fields, then plays from where it leads.
  bool Apply(bool styleOnly, const NavigationOp& op);
  // Moves the playback to whole measure `measures` (0-based), counter `sixteenths`.
  void Jump(int measures, int sixteenths);
  void StartIfStopped();

  Engine& engine_;
  int loopLength_ = 3;
  int32_t jumpedTo_ = -1;
};

}  // namespace korvel
