// The on-screen piano without a window: where each key lies, which note a point hits, how hard
// a click plays, and which notes are held. The Qt control only paints what this says.
#pragma once

#include <bitset>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// A rectangle in the control's pixels; Width and Height count pixels.
struct KeyRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const KeyRect&) const = default;
};

struct KeyHit {
  int Note = 0;
  int Velocity = 0;
};

class KeyGeometry {
 public:
  int NoteWidth = 10;  // white key width in pixels
  // 0: horizontal, low notes on the left, black keys hang from the top edge.
  // Otherwise vertical, low notes at the bottom, black keys reach from the left edge.
  int Orientation = 0;
  int BaseOctave = 3;  // the first key is note BaseOctave * 12
  int Width = 200;
  int Height = 50;
  // A click nearer the player's end of a key plays louder; off, every click plays 127.
  bool VelocityByPosition = true;

  std::function<void(int note, int velocity)> OnNoteOn;
  std::function<void(int note, int velocity)> OnNoteOff;  // velocity 0

  bool Vertical() const { return Orientation != 0; }
  int WhiteKeyLength() const;
  int BlackKeyLength() const;
  int BlackKeyWidth() const;
  static bool IsBlack(int note);

  // Empty outside the control and for notes outside 0..127.
  std::optional<KeyHit> HitTest(int x, int y) const;

  // Keys of any note number, also those beyond 0..127 or outside the control.
  KeyRect KeyRectOf(int note) const;
  // The 1-pixel line at the low edge of a white key.
  KeyRect BoundaryOf(int whiteNote) const;
  // What a held key shows inverted: a black key whole; a white key's lower part and the strip
  // between its black neighbours, inside its boundary lines.
  std::vector<KeyRect> PressedArea(int note) const;
  // Every note whose key shows in the control, ascending; may run past 127.
  std::vector<int> VisibleNotes() const;

  bool IsPressed(int note) const { return note >= 0 && note <= 127 && pressed_[note]; }
  const std::bitset<128>& Pressed() const { return pressed_; }
  // Returns whether the note was not yet held; only then does `fire` report it.
  bool NoteOn(int note, int velocity, bool fire);
  // Always reports with `fire`, so a note the mouse started is ended even if the display
  // was cleared meanwhile.
  void NoteOff(int note, bool fire);

  // The mouse: a press plays the key under it, a drag moves the note from key to key, the
  // release ends it.
  void Press(int x, int y);
  void Move(int x, int y);
  void Release();
  std::optional<int> MouseNote() const { return mouseNote_; }

 private:
  int Step() const;
  int AlongExtent() const;
  int AcrossExtent() const;
  int KeyStart(int note) const;  // along the keyboard, from the first key
  KeyRect Place(int along, int alongSize, int across, int acrossSize) const;
  void PlayFromMouse(int x, int y);

  std::bitset<128> pressed_;
  bool mouseDown_ = false;
  std::optional<int> mouseNote_;  // the note the mouse sounds, if it fired one
};

}  // namespace korvel
