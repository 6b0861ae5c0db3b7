#include "midi/ChannelState.h"

namespace korvel {

ChannelState::ChannelState() {
  Fill(table_);
  Fill(copy_);
}

void ChannelState::Fill(Table& table) {
  for (auto& byte : table) byte.store(kNone, std::memory_order_relaxed);
}

bool ChannelState::Tracked(uint8_t controller) {
  switch (controller) {
    case 0:
    case 7:
    case 10:
    case 11:
    case 32:
    case 91:
    case 93:
      return true;
    default:
      return false;
  }
}

bool ChannelState::ThinRepeated(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2,
                                bool firstOnly) {
  int index;
  uint8_t value;
  switch (status & 0xF0) {
    case 0xB0:
      if (!Tracked(data1)) return true;
      index = data1;
      value = data2;
      break;
    case 0xC0:
      index = kProgramIndex;
      value = data1;
      break;
    case 0xD0:
      index = kPressureIndex;
      value = data1;
      break;
    default:
      return true;
  }
  auto& stored = table_[(channel & 0x0F) * kRecordSize + index];
  const uint8_t old = stored.load(std::memory_order_relaxed);
  if (old == value) return false;
  if (!(firstOnly && old != kNone)) stored.store(value, std::memory_order_relaxed);
  return true;
}

void ChannelState::ResetChannelState() {
  Fill(table_);
}

void ChannelState::ResetChannelStateCopy() {
  Fill(copy_);
}

void ChannelState::KeepChannelState() {
  for (size_t i = 0; i < table_.size(); ++i) {
    copy_[i].store(table_[i].load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
}

uint8_t ChannelState::ChannelStateValue(int channel, int index) const {
  return table_[(channel & 0x0F) * kRecordSize + index % kRecordSize].load(
      std::memory_order_relaxed);
}

uint8_t ChannelState::ChannelStateCopyValue(int channel, int index) const {
  return copy_[(channel & 0x0F) * kRecordSize + index % kRecordSize].load(
      std::memory_order_relaxed);
}

void ChannelState::SetChannelStateValue(int channel, int index, uint8_t value) {
  table_[(channel & 0x0F) * kRecordSize + index % kRecordSize].store(value,
                                                                     std::memory_order_relaxed);
}

std::string ChannelState::ChannelStateText(int channel, int index) const {
  const uint8_t value = ChannelStateValue(channel, index);
  return value == kNone ? std::string() : std::to_string(value);
}

}  // namespace korvel
