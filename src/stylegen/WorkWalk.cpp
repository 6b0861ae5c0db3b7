#include "stylegen/WorkWalk.h"

#include <algorithm>
#include <vector>

namespace korvel {

int64_t WalkWork(const WorkMaterial& work, bool fromRestoreCopy,
                 const std::function<void(const WorkMessage&)>& visit) {
  int64_t clock = 0;
  for (int chunk = 0; chunk < kChainLength; ++chunk) {
    const WorkChunk* bytes = work.SourceChunk(chunk, fromRestoreCopy);
    if (!bytes) break;
    bool next = false;
    int32_t position = 0;
    while (position < kChunkSize) {
      const uint8_t byte = (*bytes)[static_cast<size_t>(position)];
      if (byte == 0) break;
      if (byte == kContinuation) {
        next = true;
        break;
      }
      if (IsTimeByte(byte)) {
        clock += ClocksOf(byte);
        ++position;
        continue;
      }
      if (byte < 0x80 || byte > 0xEF) {  // no status: step over it
        ++position;
        continue;
      }
      if (position + 2 >= kChunkSize) break;
      WorkMessage message;
      message.Clock = clock;
      message.Chunk = chunk;
      message.Position = position;
      message.Status = byte;
      message.Data1 = (*bytes)[static_cast<size_t>(position + 1)];
      message.Data2 = (*bytes)[static_cast<size_t>(position + 2)];
      visit(message);
      position += 3;
    }
    if (!next) break;
  }
  return clock;
}

bool EndOnBarLine(WorkMaterial& work, int64_t barClock) {
  int last = 0;
  while (last + 1 < kChainLength && work.Chunks[static_cast<size_t>(last + 1)].Allocated &&
         work.Chunks[static_cast<size_t>(last + 1)].Data) {
    ++last;
  }
  // The time byte that passes the bar line.
  int64_t clock = 0;
  int chunk = 0;
  int32_t at = -1;
  int32_t used = 0;
  for (; chunk <= last && at < 0; ++chunk) {
    const WorkChunkEntry& entry = work.Chunks[static_cast<size_t>(chunk)];
    if (!entry.Data) return false;
    const WorkChunk& bytes = *entry.Data;
    used = static_cast<int32_t>(std::min<uint32_t>(entry.UsedLength, kChunkSize));
    for (int32_t position = 0; position < used;) {
      const uint8_t byte = bytes[static_cast<size_t>(position)];
      if (byte == 0 || byte == kContinuation) break;
      if (!IsTimeByte(byte)) {
        position += byte >= 0x80 && byte <= 0xEF ? 3 : 1;
        continue;
      }
      if (clock + ClocksOf(byte) > barClock) {
        at = position;
        break;
      }
      clock += ClocksOf(byte);
      ++position;
    }
  }
  --chunk;
  if (at < 0 || chunk != last) return false;
  WorkChunk& bytes = *work.Chunks[static_cast<size_t>(chunk)].Data;
  std::vector<uint8_t> kept;
  for (int32_t position = at + 1; position < used;) {
    const uint8_t byte = bytes[static_cast<size_t>(position)];
    if (byte == 0) break;
    if (byte < 0x80 || byte > 0xEF || position + 2 >= used) {
      ++position;  // time bytes go; anything that is no message too
      continue;
    }
    if (IsNoteOn(byte, bytes[static_cast<size_t>(position + 2)])) return false;
    kept.insert(kept.end(), bytes.begin() + position, bytes.begin() + position + 3);
    position += 3;
  }
  // The time byte keeps the clocks up to the bar line.
  int32_t end = at;
  if (barClock > clock)
    bytes[static_cast<size_t>(end++)] = static_cast<uint8_t>(0xF7 + barClock - clock);
  std::copy(kept.begin(), kept.end(), bytes.begin() + end);
  end += static_cast<int32_t>(kept.size());
  std::fill(bytes.begin() + end, bytes.begin() + used, uint8_t{0});
  WorkChunkEntry& entry = work.Chunks[static_cast<size_t>(chunk)];
  work.WorkLength -= used - end;
  entry.UsedLength = static_cast<uint32_t>(end);
  work.WorkSixteenths = static_cast<int16_t>(barClock / 24 * 4);
  entry.WorkSixteenths = static_cast<uint16_t>(work.WorkSixteenths);
  return true;
}

}  // namespace korvel
