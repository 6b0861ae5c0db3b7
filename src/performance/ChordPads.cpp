#include "performance/ChordPads.h"

namespace korvel {

ChordPads::ChordPads(LiveInput& input, ChordRecognition& chords, StylePlayer& player,
                     Transport& transport, Style& style, ChordValue& chord, ControlKeys& keys)
    : input_(input),
      chords_(chords),
      player_(player),
      transport_(transport),
      style_(style),
      chord_(chord),
      keys_(keys) {}

bool ChordPads::WaitingForExternalStart() const {
  return transport_.SlaveMode && transport_.ClockState == -1 && transport_.StartDelay > 0;
}

void ChordPads::ControlPadDown(ControlPad pad, bool shift) {
  int note = 0;
  if (shift) {
    if (WaitingForExternalStart()) {
      IntroAction();
      return;
    }
    note = keys_.IntroKey();
    chords_.ChordTypeOverride = 0;
  } else {
    switch (pad) {
      case ControlPad::FillIn:
        note = keys_.FillInKey;
        break;
      case ControlPad::Basic:
        note = keys_.ToBasicKey;
        break;
      case ControlPad::Ending:
        note = keys_.EndingKey;
        break;
      case ControlPad::Extended:
        note = keys_.ToAdvKey;
        break;
      case ControlPad::Intro:
        note = keys_.IntroKey();
        break;
    }
  }
  if (!player_.Playing) {
    // Nothing plays yet: the pad is a C major chord, which starts a style with a chord to follow.
    if (style_.StyleLength <= 0) return;
    chords_.SetChord(48, chords_.ChordTypeSlots[1], chords_.ChordTranspose);
    return;
  }
  input_.ControlKeyPressed(note, 12);
}

void ChordPads::PadUp() {
  if (transport_.PlayChordsMode && transport_.ClockState == 0) player_.ReleaseTriggeredChord();
}

void ChordPads::IntroAction() {
  if (!WaitingForExternalStart()) {
    input_.ControlKeyPressed(keys_.IntroKey(), 12);
    return;
  }
  const int root = chord_.EditChordRoot;
  const int type = chord_.EditChordType;
  transport_.SetSlaveMode(false);  // stops, and the external clock is left
  transport_.ToggleClock();        // off
  transport_.ToggleClock();        // on again, the internal clock
  if (root >= kNoChord) return;
  chords_.SetChord(root, type, kFinalRoot);
  player_.ApplyChordChange();  // voiced at once, not at the next beat
}

}  // namespace korvel
