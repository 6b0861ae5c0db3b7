#include "app/KeySlots.h"

#include <algorithm>
#include <cctype>

namespace korvel {

const std::array<const char*, 12> KeyFunctionNames = {"Melody Ad Lib on/off",
                                                      "Start/Stop",
                                                      "PAD on/off",
                                                      "Melody on/off",
                                                      "Octave down",
                                                      "Octave up",
                                                      "Tone down",
                                                      "Tone up",
                                                      "Tempo -5",
                                                      "Tempo +5",
                                                      "Volume -10",
                                                      "Volume +10"};

namespace {

constexpr size_t kSetDigits = 42;
// A function's value does not fit a three-digit field; a set stores it as 975 + n, which no
// list short enough to have an instrument there can mistake.
constexpr int kStoredFunction = kFirstFunction - 1000;

KeySlot InstrumentSlot(int index) {
  return {static_cast<uint16_t>(index), 105, 64, 75, 10};
}

KeySlot FunctionSlot(int value) {
  return {static_cast<uint16_t>(value), 1, 0, 0, 0};
}

int SetField(const std::string& set, int field) {
  const size_t start = static_cast<size_t>(field) * 3;
  return (set[start] - '0') * 100 + (set[start + 1] - '0') * 10 + (set[start + 2] - '0');
}

}  // namespace

const char* DefaultKeySet(int patchMode) {
  switch (patchMode) {
    case kPatchGs:
      return "204000006022030037059076081088103111129000";
    case kPatchXg:
      return "497000021072091106168212225245265297391000";
    default:
      return "130000005017022026041056061065080087105000";
  }
}

bool KeySlots::ApplyKeySet(const std::string& stored, const InstrumentList& list) {
  const std::string set = stored.empty() ? DefaultKeySet(list.Mode) : stored;
  // A hand-edited settings file may hold anything; only a well-formed set is applied.
  if (set.size() < kSetDigits || !std::all_of(set.begin(), set.begin() + kSetDigits, [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
      }))
    return false;
  if (SetField(set, 0) != list.Size()) return false;
  for (int key = 0; key < 12; ++key) {
    int value = SetField(set, key + 1);
    if (value >= kStoredFunction && value < kStoredFunction + 12 && value >= list.Size() - 1)
      value += 1000;
    if (value < kFirstFunction) {
      Slots[static_cast<size_t>(key)] = InstrumentSlot(value >= list.Size() - 1 ? 0 : value);
    } else {
      Slots[static_cast<size_t>(key)] = FunctionSlot(value);
    }
  }
  return true;
}

std::string KeySlots::SetString(int listLength) const {
  const auto field = [](int value) {
    std::string text = std::to_string(std::clamp(value, 0, 999));
    return std::string(3 - text.size(), '0') + text;
  };
  std::string set = field(listLength);
  for (const KeySlot& slot : Slots)
    set += field(slot.IsFunction() ? slot.Value - 1000 : slot.Value);
  return set + field(0);
}

bool KeySlots::SetInstrument(int slot, int index, const InstrumentList& list, int volume, int pan,
                             int reverb, int chorus) {
  // An index from kFirstFunction on would read as a function.
  if (slot < 0 || slot > 11 || index >= kFirstFunction || !list.Choice(index)) return false;
  Slots[static_cast<size_t>(slot)] = {static_cast<uint16_t>(index), static_cast<uint16_t>(volume),
                                      static_cast<uint16_t>(pan), static_cast<uint16_t>(reverb),
                                      static_cast<uint16_t>(chorus)};
  return true;
}

bool KeySlots::SetFunction(int slot, int function) {
  if (slot < 0 || slot > 11 || function < 0 || function > 11) return false;
  Slots[static_cast<size_t>(slot)] = FunctionSlot(kFirstFunction + function);
  return true;
}

void KeySlots::Clear(int slot) {
  if (slot >= 0 && slot <= 11) Slots[static_cast<size_t>(slot)] = {};
}

void KeySlots::ClearAll() {
  Slots.fill({});
}

void KeySlots::Random(const InstrumentList& list, std::mt19937& random) {
  const int portion = std::max(list.Size() / 15, 12);
  int previous = -1;
  for (size_t k = 0; k < Slots.size(); ++k) {
    if (Slots[k].IsFunction()) continue;
    const int first = std::min(static_cast<int>(k) * portion, list.Size() - 1);
    const int last = std::min(first + portion, list.Size()) - 1;
    std::vector<int> candidates;
    for (int index = first; index <= last; ++index) {
      if (list.Choice(index) && index != previous) candidates.push_back(index);
    }
    if (candidates.empty()) continue;
    std::uniform_int_distribution<size_t> pick(0, candidates.size() - 1);
    previous = candidates[pick(random)];
    Slots[k] = InstrumentSlot(previous);
  }
}

std::string KeySlots::Text(int slot, const InstrumentList& list) const {
  if (slot < 0 || slot > 11) return "";
  const KeySlot& s = Slots[static_cast<size_t>(slot)];
  if (s.IsFunction()) {
    const int function = s.Value - kFirstFunction;
    return function < 12
               ? std::string("** ") + KeyFunctionNames[static_cast<size_t>(function)] + " **"
               : "";
  }
  if (s.Empty() || s.Value >= list.Size()) return "";
  return list.Lines[s.Value];
}

}  // namespace korvel
