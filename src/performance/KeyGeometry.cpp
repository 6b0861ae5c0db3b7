#include "performance/KeyGeometry.h"

#include <algorithm>
#include <array>
#include <utility>

namespace korvel {
namespace {

// By white key of the octave, C to B.
constexpr std::array<int, 7> kWhiteSemitone = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<bool, 7> kBlackAfter = {true, true, false, true, true, true, false};
// Black keys sit a pixel off the boundary so C#/D# and F#/G#/A# group as on a real keyboard.
constexpr std::array<int, 7> kBlackShift = {-1, 1, 0, -1, 0, 1, 0};

int FloorDiv(int a, int b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

struct Slot {
  int Octave = 0;  // counted from BaseOctave
  int White = 0;   // white key of the octave, 0..6
  bool Black = false;
};

Slot SlotOf(int note, int baseOctave) {
  const int relative = note - baseOctave * 12;
  const int octave = FloorDiv(relative, 12);
  const int semitone = relative - octave * 12;
  const int x = semitone + (semitone >= 5 ? 1 : 0);
  return {octave, x / 2, x % 2 == 1};
}

}  // namespace

int KeyGeometry::Step() const {
  return std::max(1, NoteWidth);
}
int KeyGeometry::AlongExtent() const {
  return Vertical() ? Height : Width;
}
int KeyGeometry::AcrossExtent() const {
  return Vertical() ? Width : Height;
}
int KeyGeometry::WhiteKeyLength() const {
  return AcrossExtent();
}
int KeyGeometry::BlackKeyLength() const {
  return AcrossExtent() * 3 / 5;
}

int KeyGeometry::BlackKeyWidth() const {
  const int width = Step() * 3 / 5;
  // Odd, so the key centres on the boundary pixel.
  return width % 2 == 0 ? width + 1 : width;
}

bool KeyGeometry::IsBlack(int note) {
  return SlotOf(note, 0).Black;
}

int KeyGeometry::KeyStart(int note) const {
  const Slot slot = SlotOf(note, BaseOctave);
  const int white = (slot.Octave * 7 + slot.White) * Step();
  if (!slot.Black) return white;
  const int width = BlackKeyWidth();
  return white + Step() - width / 2 + kBlackShift[slot.White];
}

KeyRect KeyGeometry::Place(int along, int alongSize, int across, int acrossSize) const {
  if (!Vertical()) return {along, across, alongSize, acrossSize};
  return {across, Height - along - alongSize, acrossSize, alongSize};
}

KeyRect KeyGeometry::KeyRectOf(int note) const {
  if (IsBlack(note)) return Place(KeyStart(note), BlackKeyWidth(), 0, BlackKeyLength());
  return Place(KeyStart(note), Step(), 0, WhiteKeyLength());
}

KeyRect KeyGeometry::BoundaryOf(int whiteNote) const {
  return Place(KeyStart(whiteNote), 1, 0, WhiteKeyLength());
}

std::vector<KeyRect> KeyGeometry::PressedArea(int note) const {
  if (IsBlack(note)) return {KeyRectOf(note)};
  const int start = KeyStart(note);
  const int white = SlotOf(note, BaseOctave).White;
  const int blackWidth = BlackKeyWidth();
  const int blackLength = BlackKeyLength();
  int low = start + 1;  // the boundary line stays drawn
  int high = start + Step();
  if (white > 0 && kBlackAfter[white - 1])
    low = std::max(low, start - blackWidth / 2 + kBlackShift[white - 1] + blackWidth);
  if (kBlackAfter[white])
    high = std::min(high, start + Step() - blackWidth / 2 + kBlackShift[white]);
  std::vector<KeyRect> area;
  if (high > low && blackLength > 0) area.push_back(Place(low, high - low, 0, blackLength));
  if (Step() > 1 && WhiteKeyLength() > blackLength)
    area.push_back(Place(start + 1, Step() - 1, blackLength, WhiteKeyLength() - blackLength));
  return area;
}

std::vector<int> KeyGeometry::VisibleNotes() const {
  std::vector<int> notes;
  const int extent = AlongExtent();
  if (extent <= 0 || AcrossExtent() <= 0) return notes;
  const int whites = (extent - 1) / Step() + 1;
  for (int key = 0; key < whites; ++key) {
    const int white = key % 7;
    const int note = (BaseOctave + key / 7) * 12 + kWhiteSemitone[white];
    notes.push_back(note);
    if (kBlackAfter[white] && KeyStart(note + 1) < extent) notes.push_back(note + 1);
  }
  return notes;
}

std::optional<KeyHit> KeyGeometry::HitTest(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return std::nullopt;
  const int along = Vertical() ? Height - 1 - y : x;
  const int across = Vertical() ? x : y;
  const int step = Step();
  const int key = along / step;
  const int offset = along % step;
  const int white = key % 7;
  const int blackWidth = BlackKeyWidth();
  const int blackLength = BlackKeyLength();
  int semitone = kWhiteSemitone[white];
  bool black = false;
  if (across < blackLength) {
    if (kBlackAfter[white] && offset >= step - blackWidth / 2 + kBlackShift[white]) {
      semitone += 1;
      black = true;
    } else if (white > 0 && kBlackAfter[white - 1] &&
               offset < blackWidth - blackWidth / 2 + kBlackShift[white - 1]) {
      semitone = kWhiteSemitone[white - 1] + 1;
      black = true;
    }
  }
  const int note = (key / 7 + BaseOctave) * 12 + semitone;
  if (note < 0 || note > 127) return std::nullopt;
  int velocity = 127;
  if (VelocityByPosition) {
    const int length = black ? blackLength : WhiteKeyLength();
    // Velocity 0 would be heard as a note off.
    velocity = std::clamp(127 * across / length, 1, 127);
  }
  return KeyHit{note, velocity};
}

bool KeyGeometry::NoteOn(int note, int velocity, bool fire) {
  if (note < 0 || note > 127 || pressed_[note]) return false;
  pressed_.set(note);
  if (fire && OnNoteOn) OnNoteOn(note, velocity);
  return true;
}

void KeyGeometry::NoteOff(int note, bool fire) {
  if (note < 0 || note > 127) return;
  pressed_.reset(note);
  if (fire && OnNoteOff) OnNoteOff(note, 0);
}

void KeyGeometry::PlayFromMouse(int x, int y) {
  const auto hit = HitTest(x, y);
  if (hit && NoteOn(hit->Note, hit->Velocity, true)) mouseNote_ = hit->Note;
}

void KeyGeometry::Press(int x, int y) {
  Release();
  mouseDown_ = true;
  PlayFromMouse(x, y);
}

void KeyGeometry::Move(int x, int y) {
  if (!mouseDown_) return;
  const auto hit = HitTest(x, y);
  // Off the keys the note holds until the mouse comes back or lets go.
  if (!hit || hit->Note == mouseNote_) return;
  if (mouseNote_) NoteOff(*std::exchange(mouseNote_, std::nullopt), true);
  PlayFromMouse(x, y);
}

void KeyGeometry::Release() {
  mouseDown_ = false;
  if (mouseNote_) NoteOff(*std::exchange(mouseNote_, std::nullopt), true);
}

}  // namespace korvel
