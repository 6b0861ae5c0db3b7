#include "performance/ChordPads.h"

#include <array>

namespace korvel {

namespace {
constexpr std::array<const char*, kControlPads> kControlCaptions = {
    "Fill in - F1", "Basic - F3", "Ending - F4", "Ext. - F2", "Intro"};
constexpr int kCMajorRoot = 48;
}  // namespace

std::optional<PadMeaning> DecodePad(std::string_view name, const std::array<uint8_t, 20>& slots) {
  if (name.size() < 3) return std::nullopt;
  const int letter = name[0] - 'A' + 1;
  if (name[1] < '0' || name[1] > '9' || name[2] < '0' || name[2] > '9') return std::nullopt;
  const int number = (name[1] - '0') * 10 + (name[2] - '0');
  PadMeaning m;
  if (letter >= 1 && letter <= kChordPadRows) {
    if (number > 11) return std::nullopt;
    const int type = slots[static_cast<size_t>(letter)];
    if (type < 1 || type > 17) return std::nullopt;
    // The pad's own pitch class in 44..55, where recognised chords lie.
    m.Root = 44 + (number + 4) % 12;
    m.Type = type;
    return m;
  }
  if (letter == kChordPadRows + 1 && number < kControlPads) {
    m.Control = true;
    m.Pad = static_cast<ControlPad>(number);
    return m;
  }
  return std::nullopt;
}

std::string PadName(int row, int column) {
  std::string name(1, static_cast<char>('A' + row));
  name += static_cast<char>('0' + column / 10);
  name += static_cast<char>('0' + column % 10);
  return name;
}

const char* ControlPadCaption(ControlPad pad) {
  return kControlCaptions[static_cast<size_t>(pad)];
}

int ControlPadNote(ControlPad pad, const ControlKeys& keys) {
  switch (pad) {
    case ControlPad::FillIn:
      return keys.FillInKey;
    case ControlPad::Basic:
      return keys.ToBasicKey;
    case ControlPad::Ending:
      return keys.EndingKey;
    case ControlPad::Extended:
      return keys.ToAdvKey;
    case ControlPad::Intro:
      break;
  }
  return keys.IntroKey();
}

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

bool ChordPads::Picking() const {
  // The song editor asks for a pad while nothing plays, whether the clock runs or not.
  if (EditorTakesPads) return !player_.Playing;
  return transport_.ClockState == 0 && Hooks.EditChecked && Hooks.EditChecked();
}

bool ChordPads::PadDown(std::string_view name, bool shift) {
  const auto meaning = DecodePad(name, chords_.ChordTypeSlots);
  if (!meaning) return false;
  if (meaning->Control) {
    ControlPadDown(meaning->Pad, shift);
  } else {
    ChordPadDown(meaning->Root, meaning->Type);
  }
  return true;
}

void ChordPads::ChordPadDown(int root, int type) {
  if (Picking()) {
    pick_ = PadPick{false, root, type, 0};
    return;
  }
  chords_.SetChord(root, type, chords_.ChordTranspose);
}

void ChordPads::ControlPadDown(ControlPad pad, bool shift) {
  int note = ControlPadNote(pad, keys_);
  if (shift) {
    if (WaitingForExternalStart()) {
      IntroAction();
      return;
    }
    note = keys_.IntroKey();
    chords_.ChordTypeOverride = 0;
  }
  if (!player_.Playing && !EditorTakesPads) {
    // Nothing plays yet: the pad is a C major chord, which starts a style with a chord to follow.
    if (style_.StyleLength <= 0) return;
    ChordPadDown(kCMajorRoot, chords_.ChordTypeSlots[1]);
    return;
  }
  if (Picking()) {
    pick_ = PadPick{true, 0, 0, note};
    return;
  }
  input_.ControlKeyPressed(note, 12);
}

void ChordPads::PadUp() {
  if (transport_.PlayChordsMode && transport_.ClockState == 0) player_.ReleaseTriggeredChord();
  if (!pick_) return;
  const PadPick pick = *pick_;
  pick_.reset();
  if (Hooks.PickReleased) Hooks.PickReleased(pick);
}

void ChordPads::ReleaseAll() {
  pick_.reset();
  player_.ReleaseTriggeredChord();
}

void ChordPads::IntroAction() {
  if (!WaitingForExternalStart()) {
    input_.ControlKeyPressed(keys_.IntroKey(), 12);
    return;
  }
  // Switching the clock clears the chord state: the chord to start with is copied first.
  const int root = chord_.EditChordRoot;
  const int type = chord_.EditChordType;
  transport_.SetSlaveMode(false);  // stops, and the external clock is left
  transport_.ToggleClock();        // off
  transport_.ToggleClock();        // on again, the internal clock
  if (root >= kNoChord || type < 1 || type > 17) return;
  chords_.SetChord(root, type, kFinalRoot);
  player_.ApplyChordChange();  // voiced at once, not at the next beat
}

}  // namespace korvel
