// The control pads (the keyboard page's control buttons): before the style plays a pad is a
// chord, so that it starts the style with one; while it plays, a control key. Shift-click means
// Intro, which the Esc key shares.
#pragma once

#include "performance/LiveInput.h"

namespace korvel {

// In the order of their names "L00".."L04".
enum class ControlPad { FillIn, Basic, Ending, Extended, Intro };

class ChordPads {
 public:
  ChordPads(LiveInput& input, ChordRecognition& chords, StylePlayer& player, Transport& transport,
            Style& style, ChordValue& chord, ControlKeys& keys);

  // A control pad pressed with the left button, with or without Shift.
  void ControlPadDown(ControlPad pad, bool shift);
  // Any pad released.
  void PadUp();
  // The intro; while the external clock's start is awaited, the internal clock starts instead
  // with the last chord.
  void IntroAction();

 private:
  bool WaitingForExternalStart() const;

  LiveInput& input_;
  ChordRecognition& chords_;
  StylePlayer& player_;
  Transport& transport_;
  Style& style_;
  ChordValue& chord_;
  ControlKeys& keys_;
};

}  // namespace korvel
