#include "stylegen/MidiTrackReader.h"

namespace korvel {

namespace {

const char* MessageOf(MidiFileError::Code code) {
  switch (code) {
    case MidiFileError::NotStandardMidiFile:
      return kNotStandardMidiFile;
    case MidiFileError::OutOfMemory:
      return kMidiOutOfMemory;
    case MidiFileError::NotMtcDecoded:
      return kNotMtcDecoded;
    case MidiFileError::UnknownCode:
      break;
  }
  return kUnknownMidiCode;
}

}  // namespace

MidiFileError::MidiFileError(Code code) : std::runtime_error(MessageOf(code)), code_(code) {}

uint32_t BigEndian(std::span<const uint8_t> bytes, size_t offset, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[offset + static_cast<size_t>(i)];
  return value;
}

void MidiTrackReader::Refuse() {
  throw MidiFileError(MidiFileError::UnknownCode);
}

std::span<const uint8_t> MidiTrackReader::Bytes(uint64_t count) {
  if (count > data_.size() - position_) Refuse();
  const auto bytes = data_.subspan(position_, static_cast<size_t>(count));
  position_ += static_cast<size_t>(count);
  return bytes;
}

}  // namespace korvel
