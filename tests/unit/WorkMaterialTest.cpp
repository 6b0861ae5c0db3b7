#include <gtest/gtest.h>

#include <algorithm>

#include "engine/WorkMaterial.h"
#include "support/EndsWithin.h"

namespace korvel {
namespace {

std::vector<uint8_t> Bytes(WorkMaterial& work, int chunk, int from, int to) {
  return std::vector<uint8_t>(work.Chunk(chunk).begin() + from, work.Chunk(chunk).begin() + to);
}

class WorkMaterialTest : public ::testing::Test {
 protected:
  WorkMaterial work;
  void SetUp() override { ASSERT_TRUE(work.AllocateWork()); }
};

TEST_F(WorkMaterialTest, ClocksMergeIntoTimeBytes) {
  WorkWriter writer(work);
  writer.Clocks(9);  // FF holds eight, then a new F8
  writer.Message(0x90, 60, 100);
  writer.Clocks(3);
  writer.Message(0x80, 60, 0);
  writer.Clocks(8);
  writer.Clocks(1);
  writer.Finish();
  EXPECT_EQ(Bytes(work, 0, 0, writer.Position()),
            (std::vector<uint8_t>{0xFF, 0xF8, 0x90, 60, 100, 0xFA, 0x80, 60, 0, 0xFF, 0xF8}));
  EXPECT_EQ(work.WorkLength, 11);
  EXPECT_EQ(work.Chunks[0].UsedLength, 11u);
}

// 16373 pairs of message and clock, then two messages, leave the writer at 65,498: the next
// message ends at 65,501.
void WriteUpTo65498(WorkWriter& writer) {
  for (int i = 0; i < 16373; ++i) {
    writer.Message(0x90, 60, 1);
    writer.Clocks(1);
  }
  writer.Message(0x90, 61, 1);
  writer.Message(0x90, 62, 1);
  ASSERT_EQ(writer.Position(), 65498);
}

TEST_F(WorkMaterialTest, TheChainContinuesInANewChunkAndReadersCrossOver) {
  WorkWriter writer(work);
  WriteUpTo65498(writer);
  writer.Message(0x80, 60, 0);
  EXPECT_EQ(work.Chunk(0)[65501], kContinuation);
  EXPECT_EQ(writer.Position(), 0);
  EXPECT_EQ(work.CurrentChunk, 1);
  EXPECT_TRUE(work.ChainExtended);
  EXPECT_EQ(work.Chunks[0].UsedLength, 65501u);
  writer.Clocks(24 * 4 - 16373 % (24 * 4));  // complete the last bar's clocks in chunk 1
  writer.Message(0x90, 64, 100);
  writer.Clocks(24);
  writer.Finish();
  EXPECT_EQ(work.WorkLength, 65501 + writer.Position());

  // 16373 clocks in chunk 0, the rest in chunk 1: the beat that follows lies in chunk 1.
  work.BuildBeatIndex();
  ASSERT_TRUE(work.BeatIndexValid);
  const int32_t position = work.FindWorkPosition(0, 16373 / 24 + 2, 16);
  EXPECT_EQ(work.CurrentChunk, 1);
  EXPECT_EQ(work.Current()[static_cast<size_t>(position)] & 0xF8, 0xF8);
  work.BeatIndexValid = false;  // the walk without index finds the same place
  EXPECT_EQ(work.FindWorkPosition(0, 16373 / 24 + 2, 16), position);
  EXPECT_EQ(work.CurrentChunk, 1);
}

TEST_F(WorkMaterialTest, AnEighthChunkIsRefusedAndTheRestoreCopyStaysIntact) {
  work.Chunk(kRestoreEntry).fill(0x55);
  work.Chunk(kScratchEntry).fill(0x66);
  WorkWriter writer(work);
  int messages = 0;
  while (writer.Message(0x90, 60, 1)) ++messages;
  EXPECT_TRUE(writer.Full());
  EXPECT_EQ(work.CurrentChunk, kChainLength - 1);
  EXPECT_EQ(messages, 7 * (65502 / 3) - 1);
  EXPECT_EQ(work.ChainNextChunk(writer.Position()), writer.Position()) << "nonzero: full";
  EXPECT_FALSE(writer.Clocks(1));
  const auto intact = [](const WorkChunk& chunk, uint8_t value) {
    return std::all_of(chunk.begin(), chunk.end(), [value](uint8_t b) { return b == value; });
  };
  EXPECT_TRUE(intact(work.Chunk(kRestoreEntry), 0x55));
  EXPECT_TRUE(intact(work.Chunk(kScratchEntry), 0x66));
}

TEST_F(WorkMaterialTest, FindWorkPositionWithAndWithoutIndex) {
  // 3/4: a note on every beat for four measures.
  WorkWriter writer(work);
  for (int beat = 0; beat < 12; ++beat) {
    writer.Message(0x90, static_cast<uint8_t>(60 + beat), 100);
    writer.Clocks(24);
  }
  writer.Finish();
  for (bool indexed : {false, true}) {
    work.BeatIndexValid = false;
    if (indexed) work.BuildBeatIndex();
    EXPECT_EQ(work.FindWorkPosition(0, 1, 12), -1) << "the start is position 0";
    // Clock 2 x 3 x 24 + 2 x 24 = 192 completes in the time bytes of beat 8 (0-based).
    const int32_t position = work.FindWorkPosition(2, 3, 12);
    EXPECT_EQ(work.Chunk(0)[static_cast<size_t>(position + 2)], 60 + 8) << indexed;
    EXPECT_EQ(work.PositionExcess, 0);
    EXPECT_EQ(work.FindWorkPosition(9, 1, 12), work.WorkLength) << "beyond the end";
    EXPECT_EQ(work.CurrentChunk, 0);
  }
}

TEST_F(WorkMaterialTest, TheIndexOfMaterialStartingWithANote) {
  WorkWriter writer(work);
  writer.Message(0x90, 60, 100);
  writer.Clocks(30);  // FF FF FF F8 F8 ... : the beat at 24 falls inside the third FF
  writer.Message(0x80, 60, 0);
  writer.Clocks(18);
  writer.Finish();
  work.BuildBeatIndex();
  ASSERT_GE(work.BeatIndex.size(), 2u);
  EXPECT_EQ(work.BeatIndex[0].Position, 0u);
  EXPECT_EQ(work.BeatIndex[0].Excess, 0);
  EXPECT_EQ(work.BeatIndex[1].Position, 5u);  // 3 message bytes, then FF FF FF
  EXPECT_EQ(work.BeatIndex[1].Excess, 0);
  EXPECT_EQ(work.BeatIndex[2].Excess, 0);
}

TEST_F(WorkMaterialTest, AContinuationMarkerWithNoChunkAfterItEndsEveryWalk) {
  // The marker first, in the middle, and last before the end; no chunk follows chunk 0.
  for (int32_t marker : {0, 7, 14}) {
    work.ClearWork();
    WorkWriter writer(work);
    for (int beat = 0; beat < 4; ++beat) {
      writer.Message(0x90, 60, 100);
      writer.Clocks(24);
    }
    writer.Finish();
    work.Chunk(0)[static_cast<size_t>(marker)] = kContinuation;
    test::EndsWithin(std::chrono::seconds(10), [&] {
      work.BuildBeatIndex();
      EXPECT_EQ(work.FindWorkPosition(3, 1, 16), work.WorkLength) << marker;
      work.BeatIndexValid = false;
      EXPECT_EQ(work.FindWorkPosition(3, 1, 16), work.WorkLength) << marker;
    });
    EXPECT_EQ(work.CurrentChunk, 0);
  }
}

TEST_F(WorkMaterialTest, RestoreOriginalUndoesChangesToChunkZero) {
  WorkWriter writer(work);
  writer.Message(0x90, 60, 100);
  writer.Finish();
  EXPECT_FALSE(work.Restorable()) << "no copy yet";
  work.KeepRestoreCopy();
  EXPECT_TRUE(work.RestoreAvailable);
  EXPECT_FALSE(work.Restorable()) << "nothing changed since the copy";
  work.Chunk(0)[1] = 62;  // a conversion
  EXPECT_TRUE(work.Restorable());
  work.RestoreOriginal();
  EXPECT_EQ(work.Chunk(0)[1], 60);
  EXPECT_FALSE(work.Restorable());
}

}  // namespace
}  // namespace korvel
