// The instrument list of the main window's instrument box: the General MIDI names built in, or
// an instrument-set file for the sound module in use, whose last line says how the module
// selects banks (GM, GS or XG).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

enum PatchMode { kPatchGm = 0, kPatchGs = 1, kPatchXg = 2 };

// The 128 General MIDI program names, program 0 first.
extern const std::array<const char*, 128> GmProgramNames;
// The name the mixer shows for a program on a channel (0-based): channel 10 shows "Drums".
std::string GmInstrumentName(int channel, int program);

// What a line selects: the program and the two bank fields as written in the line.
struct InstrumentChoice {
  int Program = 0;  // 0..127
  int Bank1 = 0;    // columns 5-7
  int Bank2 = 0;    // columns 9-11
};

class InstrumentList {
 public:
  InstrumentList() { LoadBuiltIn(); }

  std::vector<std::string> Lines;
  int Mode = kPatchGm;      // set from the bank-type line
  std::string DisplayName;  // the file name in upper case, "GM.KVI" for the built-in list

  void LoadBuiltIn();
  // Reads an instrument-set file. Any bytes are taken; a file that cannot be read leaves the
  // list as it was and returns false with the reason in words.
  bool LoadFile(const std::string& path, std::string& error);

  int Size() const { return static_cast<int>(Lines.size()); }
  // A line that begins with a digit names an instrument; any other line is a heading.
  bool IsInstrument(int index) const;
  // What choosing line `index` sends in the current mode; nothing for a heading or a line
  // whose fields do not make a program (GS and XG).
  std::optional<InstrumentChoice> Choice(int index) const;
};

}  // namespace korvel
