// Work files: what is saved comes back byte for byte, across every chunk of the material, and
// a damaged file is refused in words before anything of the generator's work has changed.
#include "stylegen/WorkFile.h"

#include <gtest/gtest.h>

#include "app/GeneratorCommands.h"
#include "app/WorkFiles.h"
#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"
#include "support/MaterialText.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// Material of `notes` quarter notes on channel 1 and drums on channel 10, long enough to need
// several chunks when `notes` is large.
void WriteMaterial(WorkMaterial& work, int notes) {
  work.ClearWork();
  WorkWriter writer(work);
  for (int n = 0; n < notes; ++n) {
    const auto pitch = static_cast<uint8_t>(48 + n % 24);
    writer.Message(0x90, pitch, 100);
    writer.Message(0x99, 36, 90);
    writer.Message(0xB0, 7, static_cast<uint8_t>(n % 128));
    writer.Clocks(12);
    writer.Message(0x89, 36, 0);
    writer.Clocks(12);
    writer.Message(0x80, pitch, 0);
  }
  writer.Finish();
}

// A header, L, the chord memory and the tables, with `material` behind them.
std::vector<uint8_t> FileWith(int chordLength, std::vector<uint8_t> material,
                              uint16_t sixteenths = 16) {
  std::vector<uint8_t> file(4);
  PutU16(file.data(), sixteenths);
  PutI16(file.data() + 2, static_cast<int16_t>(chordLength));
  file.resize(file.size() + static_cast<size_t>(std::max(chordLength, 0)) + 4, 0);
  file.resize(file.size() + kStyleChannelTableSize + kStylePartTableSize, 0);
  file.insert(file.end(), material.begin(), material.end());
  return file;
}

struct WorkRig : test::PlayerRig {
  test::TempDir dir{"work-files"};
  WorkFiles files{engine, dialogs};
};

TEST(WorkFile, RoundTripIsByteForByteAcrossSeveralChunks) {
  WorkRig rig;
  WriteMaterial(rig.style.Work, 8000);  // 21 bytes a note: three chunks
  ASSERT_GE(rig.style.Work.CurrentChunk, 2) << "the material must span three chunks at least";
  rig.style.Work.CurrentChunk = 0;
  const auto lines = test::MaterialLines(rig.style.Work);
  ChordMemory& memory = rig.engine.Song.Memory;
  for (int pos = kFirstBeatPos; pos < 64; pos += 4) memory.SetEntry(pos, {60, 2, 0, 0});
  rig.engine.Song.SongEnd = 64;
  rig.style.Channels.SetTempo(133);
  rig.style.Channels.SetHasNotes(9, true);
  rig.style.Parts.Part(kBasic).SetFirstMeasure(1);

  const std::string first = rig.dir.Path("first.kvw");
  rig.files.WriteWorkFile(first);
  std::string error;
  const auto written = ReadWholeFile(first, error);
  ASSERT_TRUE(written) << error;
  const auto parsed = ParseWorkFile(*written, error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_GE(parsed->Chunks.size(), 3u);
  EXPECT_EQ(parsed->MaterialBytes(), static_cast<size_t>(rig.style.Work.WorkLength));

  // Into a generator holding other work: the file's work replaces it wholly.
  WorkRig other;
  WriteMaterial(other.style.Work, 5);
  ASSERT_TRUE(other.files.TakeWorkFile(first, *written)) << other.dialogs.Messages.back();
  EXPECT_EQ(test::MaterialLines(other.style.Work), lines);
  EXPECT_EQ(other.engine.Song.SongEnd, 64);
  EXPECT_EQ(other.engine.Song.Memory.Entry(60).Root, 60);
  EXPECT_EQ(other.style.Channels.Tempo(), 133);
  EXPECT_TRUE(other.style.Channels.HasNotes(9));
  EXPECT_TRUE(other.style.Work.ChainExtended);
  EXPECT_EQ(other.files.Caption.substr(0, 14), "FIRST.KVW  -  ");

  const std::string second = other.dir.Path("second.kvw");
  other.files.WriteWorkFile(second);
  EXPECT_EQ(ReadWholeFile(second, error), written);
}

TEST(WorkFile, ChordLengthSixtyCarriesSixtyFourBytesOfChordMemory) {
  ChordMemory memory;
  memory.SetEntry(60, {62, 3, 0, 0});
  WorkMaterial work;
  work.AllocateWork();
  const WorkFileContents c = CollectWork(work, memory.Bytes, 60, {}, {});
  EXPECT_EQ(c.ChordLength, 60);
  EXPECT_EQ(c.Chords.size(), 64u);
  const auto bytes = SerializeWorkFile(c);
  EXPECT_EQ(bytes.size(), 4u + 64 + kStyleChannelTableSize + kStylePartTableSize);
  EXPECT_EQ(bytes[4 + 60], 62);
  std::string error;
  ASSERT_TRUE(ParseWorkFile(bytes, error)) << error;
  // An empty chord memory keeps its header entry only.
  EXPECT_EQ(CollectWork(work, memory.Bytes, 4, {}, {}).Chords.size(), 4u);
}

TEST(WorkFile, AShortFileEndingAfterABlockKeepsTheRestAsTheResetLeftIt) {
  std::vector<uint8_t> file = FileWith(8, {});
  file.resize(4 + 12 + kStyleChannelTableSize);  // no part table, no material
  std::string error;
  const auto c = ParseWorkFile(file, error);
  ASSERT_TRUE(c) << error;
  EXPECT_TRUE(c->Channels.has_value());
  EXPECT_FALSE(c->Parts.has_value());
  EXPECT_TRUE(c->Chunks.empty());

  // A file of its header alone is written back with every block in its place.
  const std::vector<uint8_t> header = {0x62, 0, 0, 0};
  const auto bare = ParseWorkFile(header, error);
  ASSERT_TRUE(bare) << error;
  const auto again = ParseWorkFile(SerializeWorkFile(*bare), error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->WorkSixteenths, 0x62);
  EXPECT_EQ(again->Chords, std::vector<uint8_t>(4, 0));
}

TEST(WorkFile, DamagedFilesAreRefusedInWordsAndChangeNothing) {
  std::vector<uint8_t> tooLong(kMaxChunkUsed + 1, 0xF8);
  std::vector<uint8_t> eightChunks;
  for (int chunk = 0; chunk < 8; ++chunk) {
    if (chunk > 0) eightChunks.push_back(kContinuation);
    eightChunks.insert(eightChunks.end(), {0x90, 60, 100, 0xF8});
  }
  std::vector<uint8_t> partOutside = FileWith(0, {0x90, 60, 100, 0xFF});
  {
    StylePartTable parts;
    StylePart basic = parts.Part(kBasic);
    basic.SetFirstMeasure(1);
    basic.SetLastMeasure(1);
    basic.SetMeasureCount(1);
    basic.SetStartPos(0);
    basic.SetEndPos(400);
    std::copy(parts.Bytes.begin(), parts.Bytes.end(),
              partOutside.begin() + 8 + kStyleChannelTableSize);
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"header cut short", {16, 0, 8}, "too short for its header"},
      {"negative chord length", FileWith(-4, {}), "not on an entry"},
      {"chord length past the memory", FileWith(12004, {}), "12004-byte chord memory"},
      {"chord length between entries", FileWith(61, {}), "not on an entry"},
      {"work sixteenths too many", FileWith(0, {}, 40000), "sixteenths"},
      {"ends inside the chord memory",
       [] {
         auto f = FileWith(60, {});
         f.resize(30);
         return f;
       }(),
       "ends inside the chord memory"},
      {"ends inside the channel table",
       [] {
         auto f = FileWith(0, {});
         f.resize(8 + 100);
         return f;
       }(),
       "ends inside the channel table"},
      {"ends inside the parts",
       [] {
         auto f = FileWith(0, {});
         f.resize(8 + kStyleChannelTableSize + 65);
         return f;
       }(),
       "ends inside the style parts"},
      {"data byte where a message belongs", FileWith(0, {0xF8, 0x40, 0xF8}), "material byte 1"},
      {"system message", FileWith(0, {0xF2, 0x00, 0x00}), "neither a channel message"},
      {"status inside a message", FileWith(0, {0x90, 0xF8, 60}), "without its two data bytes"},
      {"chunk longer than a chunk", FileWith(0, tooLong), "more than a chunk"},
      {"eight chunks", FileWith(0, eightChunks), "more than 7 chunks"},
      {"part outside the material", partOutside, "Basic\" points outside"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseWorkFile(c.bytes, error)) << c.name;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;

    WorkRig rig;
    WriteMaterial(rig.style.Work, 4);
    rig.engine.Song.SongEnd = 20;
    const auto before = test::MaterialLines(rig.style.Work);
    EXPECT_FALSE(rig.files.TakeWorkFile("bad.kvw", c.bytes)) << c.name;
    ASSERT_EQ(rig.dialogs.Messages.size(), 1u) << c.name;
    EXPECT_EQ(rig.dialogs.Messages[0], error) << c.name;
    EXPECT_EQ(test::MaterialLines(rig.style.Work), before) << c.name;
    EXPECT_EQ(rig.engine.Song.SongEnd, 20) << c.name;
  }
}

// An Ending on the last bar of an imported song, which holds two beats only: the work file
// and the style keep it, also as earlier versions stored its entries one past the material.
TEST(WorkFile, AnEndingOnTheLastShortBarSurvivesWorkFileAndStyle) {
  for (const bool earlierVersion : {false, true}) {
    SCOPED_TRACE(earlierVersion ? "entries one past the material" : "as set now");
    WorkRig rig;
    WorkMaterial& work = rig.style.Work;
    work.ClearWork();
    WorkWriter writer(work);
    for (int beat = 0; beat < 10; ++beat) {
      writer.Message(0x90, static_cast<uint8_t>(60 + beat), 100);
      writer.Clocks(24);
      writer.Message(0x80, static_cast<uint8_t>(60 + beat), 0);
    }
    writer.Finish();
    for (const auto& [part, first, last] : {std::tuple{kBasic, 1, 2}, std::tuple{kEnding, 3, 3}}) {
      rig.style.SelectedPart = part;
      rig.engine.Generator.LoopRange = {first, 1, last};
      ASSERT_TRUE(rig.engine.StyleParts.SetStylePart(PartSender::None));
    }
    StylePart ending = rig.style.Parts.Part(kEnding);
    EXPECT_EQ(ending.BeatEntry(4), ending.EndPos()) << "beat 4 lies beyond the material";
    if (earlierVersion) ending.SetBeatEntry(4, work.WorkLength + 1);

    const std::string path = rig.dir.Path("song.kvw");
    rig.files.WriteWorkFile(path);
    std::string error;
    const auto bytes = ReadWholeFile(path, error);
    ASSERT_TRUE(bytes) << error;
    WorkRig other;
    ASSERT_TRUE(other.files.TakeWorkFile(path, *bytes)) << other.dialogs.Messages.back();
    const StylePart loaded = other.style.Parts.Part(kEnding);
    ASSERT_FALSE(loaded.Empty());
    EXPECT_EQ(loaded.FirstMeasure(), 3);
    EXPECT_EQ(loaded.BeatEntry(4), loaded.EndPos());

    const std::string style = other.dir.Path("song.kvs");
    WriteGeneratedStyle(other.engine, style);
    WorkRig third;
    ASSERT_TRUE(third.engine.Loader.LoadStyleFile(style));
    EXPECT_FALSE(third.style.Parts.Part(kEnding).Empty());
    EXPECT_TRUE(third.dialogs.Messages.empty()) << third.dialogs.Messages.front();
  }
}

// A file cut inside a message of its material: the messages before the cut are loaded, with
// the parts that lie within them, and the user is told.
TEST(WorkFile, AFileCutInsideTheMaterialKeepsTheWholeMessagesBeforeTheCut) {
  WorkRig rig;
  WriteMaterial(rig.style.Work, 8);
  rig.style.SelectedPart = kBasic;
  rig.engine.Generator.LoopRange = {1, 1, 1};
  ASSERT_TRUE(rig.engine.StyleParts.SetStylePart(PartSender::None));
  rig.style.SelectedPart = kEnding;
  rig.engine.Generator.LoopRange = {2, 1, 2};
  ASSERT_TRUE(rig.engine.StyleParts.SetStylePart(PartSender::None));
  rig.style.Parts.Part(kEnding).SetEndPos(rig.style.Work.WorkLength);  // with the last note-off
  const std::string path = rig.dir.Path("whole.kvw");
  rig.files.WriteWorkFile(path);
  std::string error;
  const auto whole = ReadWholeFile(path, error);
  ASSERT_TRUE(whole) << error;
  const size_t material = static_cast<size_t>(rig.style.Work.WorkLength);
  ASSERT_EQ(whole->back(), 0) << "the material ends with a note-off";

  for (const size_t lost : {1, 2}) {
    SCOPED_TRACE(std::to_string(lost) + " bytes of the last message lost");
    const std::vector<uint8_t> cut(whole->begin(),
                                   whole->end() - static_cast<std::ptrdiff_t>(lost));
    const auto contents = ParseWorkFile(cut, error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->MaterialBytes(), material - 3);
    WorkRig other;
    ASSERT_TRUE(other.files.TakeWorkFile("cut.kvw", cut));
    EXPECT_EQ(other.style.Work.WorkLength, static_cast<int32_t>(material - 3));
    EXPECT_FALSE(other.style.Parts.Part(kBasic).Empty());
    EXPECT_TRUE(other.style.Parts.Part(kEnding).Empty()) << "it ended at the lost note-off";
    ASSERT_EQ(other.dialogs.Messages.size(), 1u);
    EXPECT_EQ(other.dialogs.Messages[0],
              "The work file ends inside a message of its material: the " +
                  std::to_string(material - 3) +
                  " bytes before it were loaded, without the parts \"Ending\"");
  }
}

TEST(WorkFile, LoadAsksBeforeReplacingAndTakesOnlyWorkFiles) {
  WorkRig rig;
  WriteMaterial(rig.style.Work, 4);
  const std::string path = rig.dir.Write("song.kvw", FileWith(0, {0x90, 60, 100, 0xFF}));
  rig.dialogs.Answers = {false};
  EXPECT_FALSE(rig.files.LoadWorkFile());
  EXPECT_EQ(rig.dialogs.Questions.back(), "Replace current chords, song or style ?");
  EXPECT_TRUE(rig.dialogs.FileRequests.empty());

  rig.dialogs.Answers = {true};
  rig.dialogs.Files = {rig.dir.Write("song.mid", {1, 2, 3})};
  EXPECT_FALSE(rig.files.LoadWorkFile());
  EXPECT_EQ(rig.dialogs.FileRequests.back().Title, "Load Work-File ...");
  EXPECT_EQ(rig.dialogs.FileRequests.back().Filter, "Work-Files (*.kvw)|*.kvw");

  rig.dialogs.Answers = {true};
  rig.dialogs.Files = {path};
  ASSERT_TRUE(rig.files.LoadWorkFile());
  EXPECT_EQ(test::MaterialLines(rig.style.Work), (std::vector<std::string>{"0 90 3C 64", "end 8"}));
  EXPECT_FALSE(rig.style.StyleMode);
  EXPECT_FALSE(rig.style.Channels.Converted());
  // The next dialog starts where this file was.
  rig.dialogs.SaveFiles = {rig.dir.Path("again")};
  ASSERT_TRUE(rig.files.SaveWorkAs());
  EXPECT_EQ(rig.dialogs.SaveRequests.back().Folder, rig.dir.Folder());
  std::string error;
  EXPECT_TRUE(ReadWholeFile(rig.dir.Path("again.kvw"), error));
}

}  // namespace
}  // namespace korvel
