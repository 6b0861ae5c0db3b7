// The settings the options window ("Global Settings") edits, as one value. The window edits a
// copy; OK puts it into the configuration and the engine, Abort drops it, so the old values
// stay everywhere.
#pragma once

#include <array>
#include <string>

namespace korvel {

class Configuration;

// The six keys of the window: "Fill in Key", "Ending Key", "To Ext. Key", "To Basic Key",
// "First Acc. Key", "Last Acc. Key".
inline constexpr int kOptionKeyCount = 6;
// The chord-type keys "1" .. "9", "0".
inline constexpr int kChordKeyCount = 10;

struct Options {
  std::array<int, kOptionKeyCount> KeyNotes{};    // 0..11: "C" .. "B"
  std::array<int, kOptionKeyCount> KeyOctaves{};  // 0..9: "1" .. "10"
  int AccChannel = 0;                             // 0 = "All", else 1..16
  bool Redirect = true;                           // "Origin"
  int Quantize = 0;
  int Metrum = 2;
  int Sync = 5;  // 1..10
  std::string Patch;
  int KeyboardLayout = 1;  // 0 German, 1 English (USA)
  std::string ChordTypes;  // two digits per chord-type key, keys "1" .. "0"
  int Color = 0;
  std::string Picture;
  bool PictureVisible = true;
  std::array<int, 4> TempoPresets{};  // F5 .. F8
  bool AutoConnect = true;            // " Start Program ..."
  bool AutoSave = true;               // "Auto-save settings"
  std::string ProgramName;            // "Prog. Name"
  std::string ProgramPath;            // "Prog. Path"

  static Options From(const Configuration& settings);
  void To(Configuration& settings) const;

  // The chord type (2..17) of chord-type key 0..9 ("1" .. "0").
  int ChordKeyType(int key) const;
  // "Set": the key takes the type of list entry `typeIndex` ("min" = 0 .. "sus7" = 15). False
  // when no key or no type is chosen.
  bool SetChordKey(int key, int typeIndex);
  // The list line of a key: "1 = min".
  std::string ChordKeyLine(int key) const;
};

}  // namespace korvel
