// The computer keyboard as a music keyboard: the lower rows play chord roots (or melody), the
// upper rows melody, the digits and Shift/Ctrl pick chord types, and the function keys steer
// the style. Keys arrive as Windows virtual-key codes, which the front end translates to.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "performance/LiveInput.h"

namespace korvel {

struct KeyModifiers {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

namespace vk {
inline constexpr int Backspace = 8, Shift = 16, Ctrl = 17, Pause = 19, Escape = 27, PageUp = 33,
                     PageDown = 34, Home = 36, F1 = 112, F12 = 123;
}  // namespace vk

// What a key means on the keyboard: its value (a chord type slot 1..19, or a note 20..127)
// and its row (0 and 3 lower, 1 and 2 upper, 10 special, -1 no music key).
struct KeyMeaning {
  int Value = 0;
  int Row = -1;
};
KeyMeaning MeaningOfKey(int virtualKey);
// "Keyboard - Layout" 1 swaps Y and Z and moves the punctuation keys of that layout.
int TranslateForLayout(int virtualKey, int layout);

struct ComputerKeyboardHooks {
  std::function<void(int preset)> StorePreset;  // Shift+Ctrl+F1..F12
  std::function<void()> Help;                   // F1 when no style runs
  std::function<void()> Play;                   // F9
  // A song plays or is paused: F9 stays Play/Pause, though playback holds " Chords" off.
  std::function<bool()> SongActive;
  std::function<void()> Intro;  // Esc, as the intro pad
};

class ComputerKeyboard {
 public:
  ComputerKeyboard(LiveInput& input, ChordRecognition& chords, StylePlayer& player,
                   Transport& transport, Style& style, ChordValue& chord, ControlKeys& keys,
                   LiveSettings& live);

  int Layout = 0;                                        // "Keyboard - Layout"
  bool Accompaniment = true;                             // "Accompaniment" "On" / "Off"
  std::array<int, 4> TempoPresets = {60, 90, 120, 150};  // F5..F8
  std::array<uint8_t, 16> KeyboardVelocity = {100, 100, 100, 100, 100, 100, 100, 100,
                                              100, 100, 100, 100, 100, 100, 100, 100};
  ComputerKeyboardHooks Hooks;

  // `repeat` is an auto-repeated key down.
  void KeyDown(int virtualKey, KeyModifiers modifiers);
  void KeyUp(int virtualKey, KeyModifiers modifiers);
  // The keys' releases will not come (the window lost the focus): every held key's note ends
  // and its chord and type keys let go.
  void ReleaseAllKeys();
  // The on-screen keyboard, which plays chords or melody as "Accompaniment" says too.
  void ScreenNoteOn(int note, int velocity);
  void ScreenNoteOff(int note);

  int PCChordKey = 0;
  int PCTypeKey = 0;

 private:
  void FunctionKey(int virtualKey, KeyModifiers modifiers);
  void ReleaseKey(int virtualKey);

  LiveInput& input_;
  ChordRecognition& chords_;
  StylePlayer& player_;
  Transport& transport_;
  Style& style_;
  ChordValue& chord_;
  ControlKeys& keys_;
  LiveSettings& live_;
  // The note and channel a held melody key sounds, by virtual-key code (0 = none).
  std::array<uint8_t, 256> keyNote_{};
  std::array<uint8_t, 256> keyChannel_{};
};

}  // namespace korvel
