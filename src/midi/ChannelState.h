// The last controller, program and channel-pressure value seen per MIDI channel, used to drop
// repeated values (`ThinRepeated`) on input and by the style player and file reader.
//
// The input driver's thread and the engine both read and write the table, so every byte is an
// atomic: a value is never torn, and two writers racing on the same byte at worst let one
// repeated value through, which is harmless.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace korvel {

class ChannelState {
 public:
  static constexpr int kRecordSize = 98;
  static constexpr int kProgramIndex = 96;
  static constexpr int kPressureIndex = 97;
  static constexpr uint8_t kNone = 255;

  ChannelState();

  static bool Tracked(uint8_t controller);

  // Pass (true) or drop (false). `status` is the message type (176, 192, 208, ...), the channel
  // is 0..15. With `firstOnly`, a value passes but is stored only when nothing was stored yet.
  bool ThinRepeated(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2, bool firstOnly);

  void ResetChannelState();
  void ResetChannelStateCopy();
  void KeepChannelState();
  uint8_t ChannelStateValue(int channel, int index) const;
  uint8_t ChannelStateCopyValue(int channel, int index) const;
  void SetChannelStateValue(int channel, int index, uint8_t value);
  // Decimal text of the value, empty when nothing was seen.
  std::string ChannelStateText(int channel, int index) const;

 private:
  using Table = std::array<std::atomic<uint8_t>, 16 * kRecordSize>;
  static void Fill(Table& table);
  Table table_;
  Table copy_;
};

}  // namespace korvel
