// The work material as readable lines, "CLOCK STATUS DATA1 DATA2" in hex for each channel
// message, CLOCK counting the clocks before it; the clocks in all last, as "end CLOCKS".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "stylegen/MidiImport.h"

namespace korvel::test {

inline std::vector<std::string> MaterialLines(const WorkMaterial& work) {
  std::vector<std::string> lines;
  int64_t clock = 0;
  WalkMaterial(
      work, [&](int clocks) { clock += clocks; },
      [&](uint8_t status, uint8_t data1, uint8_t data2) {
        char line[40];
        std::snprintf(line, sizeof line, "%lld %02X %02X %02X", static_cast<long long>(clock),
                      status, data1, data2);
        lines.emplace_back(line);
      });
  lines.push_back("end " + std::to_string(clock));
  return lines;
}

}  // namespace korvel::test
