// The tables of a style: eight part records that cut the material into intro, main
// variations, fill-ins, transitions and ending, and the channel table with the style's mixer
// settings, tempo and metre. Both are fixed byte layouts, stored in files byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/LittleEndian.h"

namespace korvel {

inline constexpr int kStylePartCount = 8;
inline constexpr int kStylePartSize = 66;
inline constexpr int kStylePartTableSize = kStylePartCount * kStylePartSize;  // 528
inline constexpr int kChannelRecordSize = 98;
inline constexpr int kStyleChannelTableSize = 1593;

enum StylePartNumber {
  kIntro = 0,
  kBasic,
  kExtended,
  kEnding,
  kFillBasic,
  kFillExtended,
  kToExtended,
  kToBasic
};

// Successor codes: what follows a part that has played to its end.
inline constexpr uint16_t kRepeat = 0;
inline constexpr uint16_t kFurtherVariation = 253;  // part 4 or 5 holds a main variation
inline constexpr uint16_t kStopAfter = 254;
inline constexpr uint16_t kReturnToMain = 255;

// " Intro", " Basic", ... as the generator's list shows them.
const char* StylePartName(int part);
// The code that names a part's file in single-part exports and part sets ("sty1_v11.mid"):
// the export writes it and the set import looks for it. A fill slot that holds a variation of
// the main part has a code of its own.
const char* StylePartFileCode(int part, bool holdsVariation);
// The successor a part gets when it is set.
uint16_t DefaultSuccessor(int part);

class StylePart {
 public:
  explicit StylePart(uint8_t* bytes) : b_(bytes) {}

  uint16_t FirstMeasure() const { return GetU16(b_ + 0); }
  void SetFirstMeasure(uint16_t v) { PutU16(b_ + 0, v); }
  uint16_t LastMeasure() const { return GetU16(b_ + 2); }
  void SetLastMeasure(uint16_t v) { PutU16(b_ + 2, v); }
  uint16_t StartBeat() const { return GetU16(b_ + 4); }
  void SetStartBeat(uint16_t v) { PutU16(b_ + 4, v); }
  uint16_t MeasureCount() const { return GetU16(b_ + 6); }
  void SetMeasureCount(uint16_t v) { PutU16(b_ + 6, v); }
  int32_t StartPos() const { return GetI32(b_ + 12); }
  // Sets the start position and its copy at offset 8.
  void SetStartPos(int32_t v) {
    PutI32(b_ + 8, v);
    PutI32(b_ + 12, v);
  }
  int32_t EndPos() const { return GetI32(b_ + 16); }
  void SetEndPos(int32_t v) { PutI32(b_ + 16, v); }
  uint16_t Successor() const { return GetU16(b_ + 20); }
  void SetSuccessor(uint16_t v) { PutU16(b_ + 20, v); }
  // Entry positions for the second, third and fourth beat of the first measure (beat 2..4).
  int32_t BeatEntry(int beat) const { return GetI32(b_ + 22 + 4 * (beat - 2)); }
  void SetBeatEntry(int beat, int32_t v) { PutI32(b_ + 22 + 4 * (beat - 2), v); }
  bool PartMute(int channel) const { return b_[34 + channel] != 0; }
  void SetPartMute(int channel, bool on) { b_[34 + channel] = on ? 1 : 0; }
  bool PartHold(int channel) const { return b_[50 + channel] != 0; }
  void SetPartHold(int channel, bool on) { b_[50 + channel] = on ? 1 : 0; }

  bool Empty() const { return FirstMeasure() == 0; }
  void Clear();
  // Sets the part to `measures` measures from `firstMeasure`, from beat 1, between the two
  // positions of the material, with the successor a part of this number gets.
  void Set(int number, int firstMeasure, int measures, int32_t start, int32_t end);

 private:
  uint8_t* b_;
};

class StylePartTable {
 public:
  StylePartTable() { Bytes.fill(0); }
  StylePart Part(int number) { return StylePart(Bytes.data() + number * kStylePartSize); }
  // Read-only: the returned record is const, so none of its setters can be called.
  const StylePart Part(int number) const {
    return StylePart(const_cast<uint8_t*>(Bytes.data()) + number * kStylePartSize);
  }
  void Clear() { Bytes.fill(0); }

  std::array<uint8_t, kStylePartTableSize> Bytes;
};

class StyleChannelTable {
 public:
  StyleChannelTable() { Reset(); }
  // Every setting "not set" (255), no notes, tempo 120, start measure 1, 4/4.
  void Reset();

  uint8_t Value(int channel, int index) const {
    return Bytes[channel * kChannelRecordSize + index];
  }
  void SetValue(int channel, int index, uint8_t v) {
    Bytes[channel * kChannelRecordSize + index] = v;
  }
  bool HasNotes(int channel) const { return Bytes[1568 + channel] != 0; }
  void SetHasNotes(int channel, bool on) { Bytes[1568 + channel] = on ? 1 : 0; }
  int16_t Tempo() const { return GetI16(&Bytes[1584]); }
  void SetTempo(int16_t v) { PutI16(&Bytes[1584], v); }
  int16_t StartMeasure() const { return GetI16(&Bytes[1586]); }
  void SetStartMeasure(int16_t v) { PutI16(&Bytes[1586], v); }
  // Measure length in sixteenths; negative when the style counts eighth-note beats.
  int16_t MeasureLength() const { return GetI16(&Bytes[1588]); }
  void SetMeasureLength(int16_t v) { PutI16(&Bytes[1588], v); }
  bool Converted() const { return Bytes[1590] != 0; }
  void SetConverted(bool on) { Bytes[1590] = on ? 1 : 0; }
  bool SuppressControllers() const { return Bytes[1591] != 0; }
  void SetSuppressControllers(bool on) { Bytes[1591] = on ? 1 : 0; }
  bool ClearSuppressOnLoad() const { return Bytes[1592] != 0; }
  void SetClearSuppressOnLoad(bool on) { Bytes[1592] = on ? 1 : 0; }

  std::array<uint8_t, kStyleChannelTableSize> Bytes;
};

}  // namespace korvel
