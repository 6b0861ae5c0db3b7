// The style generator's raw material: one byte stream of three-byte channel messages and time
// bytes (F8..FF = 1..8 MIDI clocks), held in a chain of at most seven fixed chunks, with a beat
// index to find a measure quickly. Styles and imported songs share it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

inline constexpr int32_t kChunkSize = 65510;
inline constexpr int32_t kChunkFill = 65500;  // writers chain on when they pass this position
inline constexpr int kChainLength = 7;
inline constexpr int kRestoreEntry = 7;
inline constexpr int kScratchEntry = 8;
inline constexpr uint8_t kContinuation = 0xF0;

inline bool IsTimeByte(uint8_t b) {
  return b >= 0xF8;
}
inline int ClocksOf(uint8_t timeByte) {
  return timeByte - 0xF7;
}

using WorkChunk = std::array<uint8_t, kChunkSize>;

struct WorkChunkEntry {
  std::unique_ptr<WorkChunk> Data;
  uint32_t UsedLength = 0;
  bool Allocated = false;
  uint16_t WorkSixteenths = 0;  // when the chunk was closed
};

struct BeatIndexEntry {
  uint32_t Position = 0;
  uint8_t Chunk = 0;
  uint8_t Excess = 0;  // clocks of the time byte at Position that lie after the beat
};

class WorkMaterial {
 public:
  std::array<WorkChunkEntry, 9> Chunks;
  int16_t CurrentChunk = 0;
  int32_t WorkLength = 0;
  int16_t WorkSixteenths = 0;
  bool ChainExtended = false;
  int32_t RecorderPosition = 0;
  std::vector<BeatIndexEntry> BeatIndex;
  bool BeatIndexValid = false;
  // The excess clocks of the last FindWorkPosition, which player and converter treat as passed.
  uint8_t PositionExcess = 0;
  // "Restore Original" and "Restore all" may be offered once a restore copy exists.
  bool RestoreAvailable = false;
  // Chunks 1 to 6 as they were when the restore copy was taken: restoring undoes a conversion
  // of the whole material, not of its first chunk only.
  std::vector<WorkChunk> LaterRestoreCopies;
  // Which material this is: every clear, restore and conversion, and every other material,
  // has an edition of its own, so that an edit remembered for undo is never written into
  // bytes that no longer hold it.
  uint64_t Edition = NewEdition();

  static uint64_t NewEdition();

  WorkChunk& Current() { return *Chunks[static_cast<size_t>(CurrentChunk)].Data; }
  WorkChunk& Chunk(int index) { return *Chunks[static_cast<size_t>(index)].Data; }

  // Chunk 0, the restore copy and the scratch copy, for the whole run; false when memory fails.
  bool AllocateWork();
  void ClearWork();
  // For writers at `position` of the current chunk: 0 when a new chunk continues the chain,
  // the position unchanged when the chain is full.
  int32_t ChainNextChunk(int32_t position);
  // For readers that met F0: true when the next chunk of the chain is current (read on from
  // its position 0), false at the end of the material. The chain only moves forward, so a
  // reader that follows it always comes to an end.
  bool NextChunkForReading();
  void BuildBeatIndex();
  // The position `measures` whole measures plus (beat - 1) quarter notes from the start, or -1
  // for position 0; the chunk it lies in becomes current.
  int32_t FindWorkPosition(int measures, int beat, int measureSixteenths);
  // The positions at which a part starting at `firstMeasure` is entered on beats 2, 3 and 4:
  // just after the time byte that completes the beat.
  std::array<int32_t, 3> BeatEntries(int firstMeasure, int measureSixteenths);
  // In chunk 0: the position just after the time byte with which `clocks` clocks have passed
  // since `from`, or `end` when the material up to there holds fewer.
  int32_t PositionAfterClocks(int32_t from, int32_t end, int64_t clocks);
  // Copies chunk 0 to the restore copy, and chunks 1 to 6 to theirs.
  void KeepRestoreCopy();
  // Copies the restore copies back over chunk 0 and the chunks after it.
  void RestoreOriginal();
  // A restore copy exists and the material is no longer what it holds: restoring changes it.
  bool Restorable() const;
  // The bytes a conversion reads for chunk `index` of the chain: its restore copy, or the
  // chunk itself when it has none or `fromRestoreCopy` is false. Null when there is no chunk.
  const WorkChunk* SourceChunk(int index, bool fromRestoreCopy) const;

 private:
  // Walks the material from the start, calling `visit(position, chunk, clocksSoFar)` for every
  // byte until it returns false or the material ends.
  template <typename Visit>
  void Walk(Visit visit);
};

// Writes clocks and channel messages into the work material as every writer must: clocks
// merged into time bytes, the chain extended past 65,500 bytes. The file reader, the recorder
// and the tests share it.
class WorkWriter {
 public:
  // Writes from `position` of the current chunk, after `clocksBefore` clocks of material (the
  // work sixteenths grow on its beats).
  explicit WorkWriter(WorkMaterial& work, int32_t position = 0, int64_t clocksBefore = 0);

  // False once the chain is full: nothing more is written.
  bool Clocks(int count);
  bool Message(uint8_t status, uint8_t data1, uint8_t data2);
  // The next clock starts a time byte of its own (a beat boundary a player may enter at).
  void BreakTime() { breakTime_ = true; }
  // Closes the material: the used length and the work length include what was written.
  void Finish();

  int32_t Position() const { return position_; }
  bool Full() const { return full_; }

 private:
  bool Put(uint8_t byte);
  bool AfterWrite();

  WorkMaterial& work_;
  int32_t start_;
  int32_t position_;
  int64_t clocks_ = 0;
  bool full_ = false;
  bool breakTime_ = false;
};

}  // namespace korvel
