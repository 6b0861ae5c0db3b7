#include "stylegen/WorkWalk.h"

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

}  // namespace korvel
