#include "performance/ComputerKeyboard.h"

#include <algorithm>
#include <map>

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

constexpr int kSpecialRow = 10;

}  // namespace

KeyMeaning MeaningOfKey(int virtualKey) {
  static const std::map<int, KeyMeaning> kKeys = [] {
    std::map<int, KeyMeaning> keys = {
        {vk::Shift, {18, 4}},
        {vk::Ctrl, {19, 4}},
        {48, {11, 4}},
        // Lower row 0.
        {65, {44, 0}},
        {66, {52, 0}},
        {67, {48, 0}},
        {70, {49, 0}},
        {71, {51, 0}},
        {74, {54, 0}},
        {75, {56, 0}},
        {76, {58, 0}},
        {77, {55, 0}},
        {78, {53, 0}},
        {83, {46, 0}},
        {86, {50, 0}},
        {89, {45, 0}},
        {188, {57, 0}},
        {189, {60, 0}},
        {191, {63, 0}},
        {222, {61, 0}},
        {226, {43, 0}},
        // Lower row 3.
        {88, {47, 3}},
        {190, {59, 3}},
        // Upper row 1.
        {68, {46, 1}},
        {69, {45, 1}},
        {72, {51, 1}},
        {73, {53, 1}},
        {79, {55, 1}},
        {80, {57, 1}},
        {81, {41, 1}},
        {84, {48, 1}},
        {85, {52, 1}},
        {87, {43, 1}},
        {90, {50, 1}},
        {187, {60, 1}},
        {192, {58, 1}},
        // Upper row 2.
        {82, {47, 2}},
        {186, {59, 2}},
        // Special.
        {vk::Backspace, {0, kSpecialRow}},
        {219, {0, kSpecialRow}},
        {220, {0, kSpecialRow}},
        {221, {0, kSpecialRow}},
    };
    for (int digit = 1; digit <= 9; ++digit) keys[48 + digit] = {digit + 1, 4};
    return keys;
  }();
  const auto it = kKeys.find(virtualKey);
  return it == kKeys.end() ? KeyMeaning{} : it->second;
}

int TranslateForLayout(int virtualKey, int layout) {
  if (layout != 1) return virtualKey;
  static const std::map<int, int> kSwaps = {{89, 90},   {90, 89},   {186, 192}, {187, 221},
                                            {189, 219}, {191, 189}, {192, 220}, {219, 186},
                                            {220, 191}, {221, 187}};
  const auto it = kSwaps.find(virtualKey);
  return it == kSwaps.end() ? virtualKey : it->second;
}

ComputerKeyboard::ComputerKeyboard(LiveInput& input, ChordRecognition& chords, StylePlayer& player,
                                   Transport& transport, Style& style, ChordValue& chord,
                                   ControlKeys& keys, LiveSettings& live)
    : input_(input),
      chords_(chords),
      player_(player),
      transport_(transport),
      style_(style),
      chord_(chord),
      keys_(keys),
      live_(live) {}

void ComputerKeyboard::KeyDown(int virtualKey, KeyModifiers modifiers) {
  if (modifiers.Alt && !modifiers.Shift && !modifiers.Ctrl) return;
  virtualKey = TranslateForLayout(virtualKey, Layout) & 0xFF;
  const KeyMeaning key = MeaningOfKey(virtualKey);
  if (key.Value >= 1 && key.Value <= 19) {
    if (PCTypeKey == 0 && chord_.ChordRoot == 0 && Accompaniment) {
      PCTypeKey = virtualKey;
      chords_.ChordTypeOverride = chords_.ChordTypeSlots[static_cast<size_t>(key.Value)];
    }
    return;
  }
  if (key.Value >= 20) {
    const bool melody = key.Row == 1 || key.Row == 2 || !Accompaniment;
    if (melody) {
      if (keyNote_[static_cast<size_t>(virtualKey)] != 0) return;  // auto-repeat
      int note = key.Value + (key.Row == 1 || key.Row == 2 ? 12 : 0);
      int channel = live_.SelChannel;
      if (input_.KeyboardSplit) {
        const SplitZone& zone = input_.Zones[key.Row == 1 || key.Row == 2 ? 2 : 1];
        channel = zone.Channel & 0x0F;
        note += zone.Shift + (key.Row == 1 || key.Row == 2 ? 12 : 0);
      }
      note += input_.KeyTranspose();
      note = input_.MelodyNote(channel, note, true);
      if (note < 1 || note > 127) return;
      keyNote_[static_cast<size_t>(virtualKey)] = static_cast<uint8_t>(note);
      keyChannel_[static_cast<size_t>(virtualKey)] = static_cast<uint8_t>(channel);
      if (live_.MinusOne && channel == live_.SelChannel) live_.MinusOneHold = true;
      input_.SendLiveMessage(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
                             KeyboardVelocity[static_cast<size_t>(channel)], input_.KeyTranspose());
      return;
    }
    if (PCChordKey == 0) {
      PCChordKey = virtualKey;
      chords_.SetChord(key.Value, 1, chords_.ChordTranspose);
    }
    return;
  }
  FunctionKey(virtualKey, modifiers);
}

void ComputerKeyboard::FunctionKey(int virtualKey, KeyModifiers modifiers) {
  const bool functionKey = virtualKey >= vk::F1 && virtualKey <= vk::F12;
  const int index = virtualKey - vk::F1;
  if (functionKey && modifiers.Shift && modifiers.Ctrl) {
    Call(Hooks.StorePreset, index);
    return;
  }
  const bool songPause = virtualKey == vk::F1 + 8 && Hooks.SongActive && Hooks.SongActive();
  if (functionKey &&
      ((modifiers.Shift && !modifiers.Ctrl) ||
       (!modifiers.Shift && !modifiers.Ctrl && index <= 8 && !input_.Chords && !songPause))) {
    if (input_.Hooks.SelectInstrumentPreset) input_.Hooks.SelectInstrumentPreset(index);
    return;
  }
  switch (virtualKey) {
    case vk::F1:
      if (style_.StyleMode && player_.Playing) {
        input_.ControlKeyPressed(keys_.FillInKey, 12);
      } else {
        Call(Hooks.Help);
      }
      break;
    case vk::F1 + 1:
      input_.ControlKeyPressed(keys_.ToAdvKey, 12);
      break;
    case vk::F1 + 2:
      input_.ControlKeyPressed(keys_.ToBasicKey, 12);
      break;
    case vk::F1 + 3:
      input_.ControlKeyPressed(keys_.EndingKey, 12);
      break;
    case vk::F1 + 4:
    case vk::F1 + 5:
    case vk::F1 + 6:
    case vk::F1 + 7:
      input_.ControlKeyPressed(kTempoCommandKey, TempoPresets[static_cast<size_t>(index - 4)]);
      break;
    case vk::F1 + 8:
      Call(Hooks.Play);
      break;
    case vk::F1 + 9:
      transport_.StopCommand();
      break;
    case vk::Escape:
      if (Hooks.Intro) {
        Hooks.Intro();
      } else {
        input_.ControlKeyPressed(keys_.IntroKey(), 12);
      }
      break;
    case vk::PageUp:
      input_.KeyFunction(1980);
      break;
    case vk::PageDown:
      input_.KeyFunction(1979);
      break;
    case vk::Home:
      transport_.SetCountersForMeasureStart();
      break;
    case vk::Backspace:
      input_.KeyFunction(1977);
      break;
    case vk::Pause:
      input_.KeyFunction(1976);
      break;
    default:
      break;
  }
}

void ComputerKeyboard::ScreenNoteOn(int note, int velocity) {
  if (Accompaniment) {
    const int type = chords_.ChordTypeOverride >= 1 ? chords_.ChordTypeOverride : 1;
    chords_.SetChord(note, type, chords_.ChordTranspose);
    return;
  }
  note += chords_.ChordTranspose;
  note = input_.MelodyNote(live_.SelChannel, note, velocity > 0);
  if (note < 0 || note > 127) return;
  input_.SendLiveMessage(static_cast<uint8_t>(0x90 | live_.SelChannel), static_cast<uint8_t>(note),
                         static_cast<uint8_t>(std::clamp(velocity, 0, 127)),
                         chords_.ChordTranspose);
}

void ComputerKeyboard::ScreenNoteOff(int note) {
  if (!Accompaniment) {
    ScreenNoteOn(note, 0);
    return;
  }
  if (transport_.ClockState == 0 || transport_.PlayChordsMode) player_.ReleaseTriggeredChord();
}

void ComputerKeyboard::KeyUp(int virtualKey, KeyModifiers modifiers) {
  ReleaseKey(TranslateForLayout(virtualKey, Layout) & 0xFF);
  if (modifiers.Shift || modifiers.Ctrl || modifiers.Alt) {
    PCTypeKey = 0;
    chords_.ChordTypeOverride = 0;
  }
}

void ComputerKeyboard::ReleaseKey(int virtualKey) {
  const auto key = static_cast<size_t>(virtualKey);
  if (keyNote_[key] != 0) {
    input_.SendLiveMessage(static_cast<uint8_t>(0x90 | keyChannel_[key]), keyNote_[key], 0);
    keyNote_[key] = 0;
    keyChannel_[key] = 0;
  }
  if (virtualKey == PCChordKey) {
    PCChordKey = 0;
    if (transport_.PlayChordsMode && transport_.ClockState == 0) player_.ReleaseTriggeredChord();
  }
  if (virtualKey == PCTypeKey) {
    PCTypeKey = 0;
    chords_.ChordTypeOverride = 0;
  }
}

void ComputerKeyboard::ReleaseAllKeys() {
  for (int key = 1; key < static_cast<int>(keyNote_.size()); ++key) ReleaseKey(key);
}

}  // namespace korvel
