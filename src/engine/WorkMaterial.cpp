#include "engine/WorkMaterial.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace korvel {

namespace {

std::unique_ptr<WorkChunk> NewChunk() {
  auto chunk = std::unique_ptr<WorkChunk>(new (std::nothrow) WorkChunk);
  if (chunk) chunk->fill(0);
  return chunk;
}

}  // namespace

bool WorkMaterial::AllocateWork() {
  for (int entry : {0, kRestoreEntry, kScratchEntry}) {
    auto& e = Chunks[static_cast<size_t>(entry)];
    e.Data = NewChunk();
    if (!e.Data) return false;
    e.Allocated = true;
    e.UsedLength = 0;
  }
  CurrentChunk = 0;
  return true;
}

uint64_t WorkMaterial::NewEdition() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

void WorkMaterial::ClearWork() {
  Edition = NewEdition();
  for (int entry = 1; entry < kChainLength; ++entry) Chunks[static_cast<size_t>(entry)] = {};
  for (int entry : {0, kRestoreEntry, kScratchEntry}) {
    auto& e = Chunks[static_cast<size_t>(entry)];
    if (e.Data) e.Data->fill(0);
    e.UsedLength = 0;
    e.WorkSixteenths = 0;
  }
  LaterRestoreCopies.clear();
  BeatIndex.clear();
  BeatIndexValid = false;
  CurrentChunk = 0;
  ChainExtended = false;
  WorkLength = 0;
  WorkSixteenths = 0;
}

int32_t WorkMaterial::ChainNextChunk(int32_t position) {
  auto& current = Chunks[static_cast<size_t>(CurrentChunk)];
  current.Data->at(static_cast<size_t>(position)) = 0;
  current.UsedLength = static_cast<uint32_t>(position);
  current.WorkSixteenths = static_cast<uint16_t>(WorkSixteenths);
  if (CurrentChunk >= kChainLength - 1) return position;
  auto& next = Chunks[static_cast<size_t>(CurrentChunk + 1)];
  next = {};
  next.Data = NewChunk();
  if (!next.Data) return position;
  next.Allocated = true;
  current.Data->at(static_cast<size_t>(position)) = kContinuation;
  ++CurrentChunk;
  WorkLength += position;
  ChainExtended = true;
  return 0;
}

bool WorkMaterial::NextChunkForReading() {
  if (CurrentChunk < 0 || CurrentChunk >= kChainLength - 1 ||
      !Chunks[static_cast<size_t>(CurrentChunk + 1)].Allocated) {
    return false;
  }
  ++CurrentChunk;
  return true;
}

template <typename Visit>
void WorkMaterial::Walk(Visit visit) {
  CurrentChunk = 0;
  int64_t clocks = 0;
  int32_t position = 0;
  // Every byte up to the work length of the chain is looked at, as the index is defined; the
  // chunk's size bounds the walk whatever the length fields say.
  while (position <= WorkLength && position < kChunkSize) {
    const uint8_t byte = Current()[static_cast<size_t>(position)];
    if (byte == kContinuation) {
      if (!NextChunkForReading()) return;
      position = 0;
      continue;
    }
    if (IsTimeByte(byte)) clocks += ClocksOf(byte);
    if (!visit(position, byte, clocks)) return;
    ++position;
  }
}

void WorkMaterial::BuildBeatIndex() {
  BeatIndexValid = false;
  BeatIndex.clear();
  if (WorkSixteenths <= 0 || WorkLength <= 0) return;
  BeatIndex.reserve(static_cast<size_t>(WorkSixteenths));
  BeatIndexValid = true;
  int64_t target = 0;
  if (!IsTimeByte(Chunk(0)[0])) {
    BeatIndex.push_back({0, 0, 0});
    target = 24;
  }
  Walk([&](int32_t position, uint8_t byte, int64_t clocks) {
    if (!IsTimeByte(byte)) return true;
    while (clocks >= target) {
      BeatIndex.push_back({static_cast<uint32_t>(position), static_cast<uint8_t>(CurrentChunk),
                           static_cast<uint8_t>(clocks - target)});
      target += 24;
    }
    return true;
  });
}

int32_t WorkMaterial::FindWorkPosition(int measures, int beat, int measureSixteenths) {
  CurrentChunk = 0;
  PositionExcess = 0;
  const int b = beat > 0 ? beat - 1 : 0;
  if (measures + b == 0) return -1;
  const int64_t target = int64_t{measures} * (measureSixteenths / 4) * 24 + int64_t{b} * 24;
  int32_t result = WorkLength;
  if (BeatIndexValid && !BeatIndex.empty()) {
    const auto e = static_cast<size_t>(target / 24);
    if (e < BeatIndex.size()) {
      CurrentChunk = BeatIndex[e].Chunk;
      PositionExcess = BeatIndex[e].Excess;
      result = static_cast<int32_t>(BeatIndex[e].Position);
    } else {
      CurrentChunk = BeatIndex.back().Chunk;
    }
  } else {
    bool found = false;
    Walk([&](int32_t position, uint8_t, int64_t clocks) {
      if (clocks < target) return true;
      PositionExcess = static_cast<uint8_t>(clocks - target);
      result = position;
      found = true;
      return false;
    });
    if (!found) PositionExcess = 0;
  }
  return result == 0 ? -1 : result;
}

std::array<int32_t, 3> WorkMaterial::BeatEntries(int firstMeasure, int measureSixteenths) {
  std::array<int32_t, 3> entries{};
  for (int beat = 2; beat <= 4; ++beat) {
    entries[static_cast<size_t>(beat - 2)] =
        FindWorkPosition(firstMeasure - 1, beat, measureSixteenths) + 1;
  }
  return entries;
}

int32_t WorkMaterial::PositionAfterClocks(int32_t from, int32_t end, int64_t clocks) {
  if (clocks <= 0) return from;
  end = std::min(end, kChunkSize);
  int64_t passed = 0;
  for (int32_t position = std::max(from, 0); position < end; ++position) {
    const uint8_t byte = Chunk(0)[static_cast<size_t>(position)];
    if (IsTimeByte(byte)) passed += ClocksOf(byte);
    if (passed >= clocks) return position + 1;
  }
  return end;
}

void WorkMaterial::KeepRestoreCopy() {
  // The whole chunk, with the continuation marker past its used bytes: a walk of the copy goes
  // on into the later chunks' copies.
  Chunk(kRestoreEntry) = Chunk(0);
  Chunks[kRestoreEntry].UsedLength = std::min<uint32_t>(Chunks[0].UsedLength, kChunkSize);
  LaterRestoreCopies.clear();
  for (int entry = 1; entry < kChainLength && Chunks[static_cast<size_t>(entry)].Allocated;
       ++entry) {
    LaterRestoreCopies.push_back(Chunk(entry));
  }
  RestoreAvailable = true;
}

void WorkMaterial::RestoreOriginal() {
  Edition = NewEdition();
  const auto length = std::min<uint32_t>(Chunks[0].UsedLength, kChunkSize);
  std::copy_n(Chunk(kRestoreEntry).begin(), length, Chunk(0).begin());
  for (size_t copy = 0; copy < LaterRestoreCopies.size(); ++copy) {
    auto& entry = Chunks[copy + 1];
    if (entry.Allocated && entry.Data) *entry.Data = LaterRestoreCopies[copy];
  }
}

bool WorkMaterial::Restorable() const {
  if (!RestoreAvailable || !Chunks[0].Data || !Chunks[kRestoreEntry].Data) return false;
  const auto length = std::min<uint32_t>(Chunks[0].UsedLength, kChunkSize);
  if (!std::equal(Chunks[0].Data->begin(), Chunks[0].Data->begin() + length,
                  Chunks[kRestoreEntry].Data->begin()))
    return true;
  for (size_t copy = 0; copy < LaterRestoreCopies.size(); ++copy) {
    const auto& entry = Chunks[copy + 1];
    if (entry.Allocated && entry.Data && *entry.Data != LaterRestoreCopies[copy]) return true;
  }
  return false;
}

const WorkChunk* WorkMaterial::SourceChunk(int index, bool fromRestoreCopy) const {
  if (index < 0 || index >= kChainLength) return nullptr;
  const auto& entry = Chunks[static_cast<size_t>(index)];
  if (!entry.Allocated || !entry.Data) return nullptr;
  if (fromRestoreCopy && RestoreAvailable) {
    if (index == 0) return Chunks[kRestoreEntry].Data.get();
    if (static_cast<size_t>(index) <= LaterRestoreCopies.size())
      return &LaterRestoreCopies[static_cast<size_t>(index - 1)];
  }
  return entry.Data.get();
}

WorkWriter::WorkWriter(WorkMaterial& work, int32_t position, int64_t clocksBefore)
    : work_(work), start_(position), position_(position), clocks_(clocksBefore) {}

bool WorkWriter::Put(uint8_t byte) {
  if (full_) return false;
  work_.Current()[static_cast<size_t>(position_++)] = byte;
  return true;
}

bool WorkWriter::AfterWrite() {
  if (position_ <= kChunkFill) return true;
  const int32_t next = work_.ChainNextChunk(position_);
  if (next != 0) {
    full_ = true;
    return false;
  }
  position_ = 0;
  start_ = 0;
  return true;
}

bool WorkWriter::Clocks(int count) {
  // A time byte at a time: the preceding one filled up to FF, then new ones of up to eight.
  while (count > 0) {
    if (full_) return false;
    uint8_t* previous =
        position_ > start_ ? &work_.Current()[static_cast<size_t>(position_ - 1)] : nullptr;
    int n;
    if (previous && *previous >= 0xF8 && *previous < 0xFF && !breakTime_) {
      n = std::min(count, 0xFF - *previous);
      *previous = static_cast<uint8_t>(*previous + n);
    } else {
      n = std::min(count, 8);
      Put(static_cast<uint8_t>(0xF7 + n));
      breakTime_ = false;
      if (!AfterWrite()) return false;
    }
    const int64_t beats = (clocks_ + n) / 24 - clocks_ / 24;
    work_.WorkSixteenths = static_cast<int16_t>(work_.WorkSixteenths + 4 * beats);
    clocks_ += n;
    count -= n;
  }
  return true;
}

bool WorkWriter::Message(uint8_t status, uint8_t data1, uint8_t data2) {
  if (full_) return false;
  uint8_t* at = work_.Current().data() + position_;  // a chunk has room past its fill mark
  at[0] = status;
  at[1] = data1;
  at[2] = data2;
  position_ += 3;
  return AfterWrite();
}

void WorkWriter::Finish() {
  auto& entry = work_.Chunks[static_cast<size_t>(work_.CurrentChunk)];
  entry.UsedLength = static_cast<uint32_t>(position_);
  entry.WorkSixteenths = static_cast<uint16_t>(work_.WorkSixteenths);
  work_.WorkLength += position_;
}

}  // namespace korvel
