// The chord pads: 11 rows of chord pads ("A00".."K11", a chord-type slot by twelve roots) and the
// five control pads ("L00".."L04"), which the keyboard page's control buttons share. Before the
// style plays a control pad is a chord, so that it starts the style with one; while it plays, a
// control key. Shift-click means Intro, which the Esc key shares. With the transport stopped and
// " Edit" checked (or the song editor taking pad input) a pad is only picked for the editor.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "performance/LiveInput.h"

namespace korvel {

// In the order of their names "L00".."L04".
enum class ControlPad { FillIn, Basic, Ending, Extended, Intro };

inline constexpr int kChordPadRows = 11;
inline constexpr int kControlPads = 5;

// What a pad name means: a chord (root note 44..55 with the pad's pitch class, a chord type) or
// a control pad. Trailing characters after the two digits are ignored ("L00a" acts as "L00").
struct PadMeaning {
  bool Control = false;
  int Root = 0;  // chord pads
  int Type = 0;  // chord pads: a chord type 1..17, already taken through the slots
  ControlPad Pad = ControlPad::FillIn;
};
std::optional<PadMeaning> DecodePad(std::string_view name, const std::array<uint8_t, 20>& slots);
// "A00".."K11" then "L00".."L04".
std::string PadName(int row, int column);
// Captions of the control pads, "Fill in - F1" etc.
const char* ControlPadCaption(ControlPad pad);
// The control key note a control pad stands for.
int ControlPadNote(ControlPad pad, const ControlKeys& keys);

// A pad picked for the song editor: a chord or a control key, never both.
struct PadPick {
  bool Control = false;
  int Root = 0;         // chord: root note
  int Type = 0;         // chord: chord type 1..17
  int ControlNote = 0;  // control key: its note
};

struct ChordPadsHooks {
  // " Edit" ("Overwrite chords") is checked.
  std::function<bool()> EditChecked;
  // The pick, handed over when the pad is released; the song editor sets it.
  std::function<void(const PadPick&)> PickReleased;
};

class ChordPads {
 public:
  ChordPads(LiveInput& input, ChordRecognition& chords, StylePlayer& player, Transport& transport,
            Style& style, ChordValue& chord, ControlKeys& keys);

  ChordPadsHooks Hooks;
  // The song editor takes pad input: control pads stay control keys and every pad is a pick.
  bool EditorTakesPads = false;

  // A pad pressed with the left button; false for a name that is no pad.
  bool PadDown(std::string_view name, bool shift);
  // A control pad pressed with the left button, with or without Shift.
  void ControlPadDown(ControlPad pad, bool shift);
  // Any pad released: hands a pending pick to the song editor.
  void PadUp();
  // The intro; while the external clock's start is awaited, the internal clock starts instead
  // with the last chord.
  void IntroAction();
  // Clears the pick and releases the chord a pad triggered.
  void ReleaseAll();

  // The pending pick for the song editor, if any; it lasts until the pad is released.
  const std::optional<PadPick>& Pick() const { return pick_; }

 private:
  bool WaitingForExternalStart() const;
  bool Picking() const;
  void ChordPadDown(int root, int type);

  LiveInput& input_;
  ChordRecognition& chords_;
  StylePlayer& player_;
  Transport& transport_;
  Style& style_;
  ChordValue& chord_;
  ControlKeys& keys_;
  std::optional<PadPick> pick_;
};

}  // namespace korvel
