// The twelve instrument keys (C .. B of the function-key octave, F1 .. F12 on the computer
// keyboard): each holds an instrument with its mixer values, or one of twelve functions.
// Sets of them are stored as 42-digit strings in the settings.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "app/InstrumentList.h"

namespace korvel {

inline constexpr int kFirstFunction = 1975;

extern const std::array<const char*, 12> KeyFunctionNames;

struct KeySlot {
  uint16_t Value = 0;  // an instrument index, or kFirstFunction + function number
  uint16_t Volume = 0;
  uint16_t Pan = 0;
  uint16_t Reverb = 0;
  uint16_t Chorus = 0;

  bool Empty() const { return Value == 0 && Volume == 0; }
  bool IsFunction() const { return Value >= kFirstFunction; }
  bool operator==(const KeySlot&) const = default;
};

// The set in force when none is stored, per patch mode.
const char* DefaultKeySet(int patchMode);

class KeySlots {
 public:
  std::array<KeySlot, 12> Slots{};
  // The number box of "Load No." and "Save as No.", 1 .. 10; kept in the settings.
  int StoredSetNumber = 1;

  // Fills the slots from a stored set; an empty string means the default set of the list's
  // mode. A set made for a list of another length changes nothing (false).
  bool ApplyKeySet(const std::string& set, const InstrumentList& list);
  // The slots as a stored set for a list of `listLength` lines (no channel).
  std::string SetString(int listLength) const;

  // Each false when its requirement is not met: a slot 0..11 and, for an instrument, a line
  // that names one (in GM every line does, as its index is the program).
  bool SetInstrument(int slot, int index, const InstrumentList& list, int volume, int pan,
                     int reverb, int chorus);
  bool SetFunction(int slot, int function);
  void Clear(int slot);
  void ClearAll();
  // Every slot without a function draws an instrument from its own portion of the list.
  void Random(const InstrumentList& list, std::mt19937& random);

  // The slot's line in the instrument window: the instrument line, "** name **", or empty.
  std::string Text(int slot, const InstrumentList& list) const;
};

}  // namespace korvel
