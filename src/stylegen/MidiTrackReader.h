// The byte readers of the Standard MIDI File reader: big-endian numbers, variable-length
// quantities and one track's bytes, each bounded by the bytes it was given. Nothing is ever read
// past them: a read that would go further raises the reader's error.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace korvel {

inline constexpr const char* kNotStandardMidiFile = "This is not a Standard MIDI-File !";
inline constexpr const char* kMidiOutOfMemory = "Sorry - Out of Memory !";
inline constexpr const char* kNotMtcDecoded = "This File is not MTC-decoded !";
inline constexpr const char* kUnknownMidiCode = "Error - Unknown Code !";

// A file the reader refuses, with the message the user is shown.
class MidiFileError : public std::runtime_error {
 public:
  enum Code { NotStandardMidiFile = 1, OutOfMemory = 2, NotMtcDecoded = 3, UnknownCode = 4 };
  explicit MidiFileError(Code code);
  Code Reason() const { return code_; }

 private:
  Code code_;
};

// `count` (1..4) bytes big-endian from `offset`; the caller has checked they are there.
uint32_t BigEndian(std::span<const uint8_t> bytes, size_t offset, int count);

class MidiTrackReader {
 public:
  explicit MidiTrackReader(std::span<const uint8_t> data) : data_(data) {}

  bool AtEnd() const { return position_ >= data_.size(); }
  size_t Position() const { return position_; }
  uint8_t Byte() {
    if (AtEnd()) Refuse();
    return data_[position_++];
  }
  // At most four bytes, as the standard allows.
  uint32_t VariableLength() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t b = Byte();
      value = (value << 7) | (b & 0x7F);
      if (b < 0x80) return value;
    }
    Refuse();
  }
  std::span<const uint8_t> Bytes(uint64_t count);

  // The tick of the next event, whose delta has been read; the tick of the track's end once
  // it is finished.
  int64_t NextTime = 0;
  uint8_t RunningStatus = 255;  // none seen yet
  bool Finished = false;

 private:
  [[noreturn]] static void Refuse();
  std::span<const uint8_t> data_;
  size_t position_ = 0;
};

}  // namespace korvel
