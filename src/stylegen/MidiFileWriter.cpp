#include "stylegen/MidiFileWriter.h"

#include <algorithm>

namespace korvel {

namespace {

void PutVariableLength(std::vector<uint8_t>& out, uint64_t value) {
  uint8_t bytes[10];
  int count = 0;
  do {
    bytes[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value > 0 && count < 10);
  while (count > 1) out.push_back(bytes[--count] | 0x80);
  out.push_back(bytes[0]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int tempo,
                                      int measureLength) {
  std::vector<uint8_t> track;
  if (measureLength != 0) {
    // Eighth-beat styles count eighths (6/8), others quarters when they can (3/4, 4/4).
    const int sixteenths = std::clamp(measureLength < 0 ? -measureLength : measureLength, 2, 254);
    const bool eighths = measureLength < 0 || sixteenths % 4 != 0;
    const int beats = eighths ? sixteenths / 2 : sixteenths / 4;
    // The metronome clicks on the quarter, on the dotted quarter of compound eighth metres
    // (6/8), and on the eighth of the others (2/8), as readers expect of those metres.
    const int clocksPerClick = !eighths ? 24 : beats % 3 == 0 ? 36 : 12;
    track.insert(track.end(),
                 {0x00, 0xFF, 0x58, 0x04, static_cast<uint8_t>(beats),
                  static_cast<uint8_t>(eighths ? 3 : 2), static_cast<uint8_t>(clocksPerClick), 8});
  }
  // Tempo: microseconds per quarter note.
  track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03});
  PutBigEndian(track, static_cast<uint32_t>(60'000'000 / std::max(tempo, 1)), 3);
  int64_t last = 0;
  for (const auto& m : messages) {
    if (m.Bytes.empty() || m.Bytes[0] >= 0xF8 || m.Bytes[0] < 0x80) continue;
    const int64_t clock = std::max(m.Clock, last);
    PutVariableLength(track, static_cast<uint64_t>(clock - last));
    last = clock;
    if (m.Bytes[0] == 0xF0) {
      track.push_back(0xF0);
      PutVariableLength(track, m.Bytes.size() - 1);
      track.insert(track.end(), m.Bytes.begin() + 1, m.Bytes.end());
    } else {
      track.insert(track.end(), m.Bytes.begin(), m.Bytes.end());
    }
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 24};
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

}  // namespace korvel
