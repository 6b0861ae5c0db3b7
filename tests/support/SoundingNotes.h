// Which notes a stream of sent messages leaves sounding: a note-on not yet ended by a note-off
// (or a note-on of velocity 0) on its channel.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/RecordingDriver.h"

namespace korvel::test {

// (channel, note) -> how many strikes are still sounding; only notes left sounding appear.
inline std::map<std::pair<int, int>, int> Sounding(const std::vector<SentMessage>& sent) {
  std::map<std::pair<int, int>, int> on;
  for (const auto& m : sent) {
    if (m.Bytes.size() < 3) continue;
    const int h = m.Bytes[0] & 0xF0;
    const std::pair<int, int> key{m.Bytes[0] & 0x0F, m.Bytes[1]};
    if (h == 0x90 && m.Bytes[2] > 0) ++on[key];
    if ((h == 0x80 || (h == 0x90 && m.Bytes[2] == 0)) && on[key] > 0) --on[key];
  }
  std::erase_if(on, [](const auto& entry) { return entry.second == 0; });
  return on;
}

}  // namespace korvel::test
