#include "engine/Voicing.h"

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace korvel {

namespace {
// Pitch classes of the notes the tables bend.
constexpr int E = 4, G = 7, A = 9, B = 11;

constexpr std::array<int8_t, 12> Row(std::initializer_list<std::pair<int, int>> offsets) {
  std::array<int8_t, 12> row{};
  for (auto [pitchClass, offset] : offsets)
    row[static_cast<std::size_t>(pitchClass)] = static_cast<int8_t>(offset);
  return row;
}
}  // namespace

const std::array<std::array<int8_t, 12>, kChordTypeCount + 1> VoicingTableA = {{
    Row({}),                           // unused
    Row({}),                           // 1 maj
    Row({{E, -1}}),                    // 2 min
    Row({{G, 3}, {B, -1}}),            // 3 7th
    Row({{E, -1}, {G, 3}, {B, -1}}),   // 4 min7
    Row({{E, -1}, {G, -1}, {B, -2}}),  // 5 dim
    Row({{E, 1}}),                     // 6 sus4
    Row({{G, 7}, {B, 3}}),             // 7 add9
    Row({{G, -1}}),                    // 8 5b
    Row({{G, 4}}),                     // 9 M7
    Row({{G, 1}}),                     // 10 aug
    Row({{G, 2}, {B, -2}}),            // 11 6th
    Row({{E, -1}, {G, 4}}),            // 12 mM7
    Row({{E, -1}, {G, 2}, {B, -2}}),   // 13 min6
    Row({{E, -1}, {G, 7}, {B, 3}}),    // 14 min9
    Row({{E, -1}, {G, -1}, {B, -1}}),  // 15 m5b
    Row({{G, 1}, {B, -1}}),            // 16 aug7
    Row({{E, 1}, {G, 3}, {B, -1}}),    // 17 sus7
}};

const std::array<std::array<int8_t, 12>, kChordTypeCount + 1> VoicingTableB = {{
    Row({}),                           // unused
    Row({}),                           // 1 maj
    Row({{E, -1}, {A, 1}}),            // 2 min
    Row({{B, -1}}),                    // 3 7th
    Row({{E, -1}, {A, 1}, {B, -1}}),   // 4 min7
    Row({{E, -1}, {G, -1}}),           // 5 dim
    Row({{E, 1}}),                     // 6 sus4
    Row({}),                           // 7 add9
    Row({{G, -1}}),                    // 8 5b
    Row({}),                           // 9 M7
    Row({{G, 1}}),                     // 10 aug
    Row({}),                           // 11 6th
    Row({{E, -1}}),                    // 12 mM7
    Row({{E, -1}}),                    // 13 min6
    Row({{E, -1}, {A, 1}}),            // 14 min9
    Row({{E, -1}, {G, -1}, {B, -1}}),  // 15 m5b
    Row({{G, 1}, {B, -1}}),            // 16 aug7
    Row({{E, 1}, {B, -1}}),            // 17 sus7
}};

bool IsSustainingProgram(int program) {
  return (program >= 16 && program <= 23) || (program >= 40 && program <= 44) ||
         (program >= 48 && program <= 95) || program == 97 || program == 99 ||
         (program >= 101 && program <= 103) || (program >= 109 && program <= 111);
}

int VoiceNote(int note, int type, int root, int octaveShift, int pitchClassLimit) {
  if (type < 1 || type > kChordTypeCount) type = 1;
  const int r = ((root % 12) + 12) % 12;
  int n = note;
  n +=
      VoicingTableA[static_cast<std::size_t>(type)][static_cast<std::size_t>(((n % 12) + 12) % 12)];
  n +=
      VoicingTableB[static_cast<std::size_t>(type)][static_cast<std::size_t>(((n % 12) + 12) % 12)];
  n += r + octaveShift;
  if (r > pitchClassLimit) n -= 12;
  while (n < 0) n += 12;
  while (n > 127) n -= 12;
  return n;
}

int OctaveThresholdFor(int firstKey) {
  return firstKey % 12 == 0 ? firstKey + 12 : firstKey / 12 * 12 + 12;
}

}  // namespace korvel
