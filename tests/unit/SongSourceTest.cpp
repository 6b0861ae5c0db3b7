// Song sources: what a line of beats puts in the chord memory, the melody's notes, the errors
// named by line, and the shipped demo song.
#include <gtest/gtest.h>

#include "app/SongSource.h"
#include "platform/AtomicFile.h"
#include "support/SongRig.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

std::vector<uint8_t> Entry(const Arrangement& song, int pos) {
  return {song.Chords.begin() + pos, song.Chords.begin() + pos + 4};
}

TEST(SongSource, BeatsCommandsHeaderTextsAndNotes) {
  const Arrangement song = CompileSongSource(
      "# a comment\n"
      "style C:\\STYLES\\ROCK1.KVS\n"
      "tempo 96\r\n"
      "measure 12\n"
      "first-measure 2\n"
      "melody-program 5\n"
      "title T\nsubtitle S\nauthor A\ncopyright C\nmemo one\nmemo two\n"
      "bar [Intro]C . G7\n"
      "bar [Repeat:3]Am [Tempo:100]. [/Repeat]F\n"
      "bar [End]. . .\n"
      "note 30 64 12\n"
      "note 0 60 40 80\n");
  EXPECT_EQ(song.StyleName, "C:\\STYLES\\ROCK1.KVS");
  EXPECT_EQ((std::vector<int>{song.FirstMeasure(), song.Tempo(), song.MeasureSixteenths(),
                              song.MelodyProgram(), song.SongEnd, song.LastMeasure()}),
            (std::vector<int>{2, 96, 12, 5, 4 + 3 * 12, 3}));
  const ControlKeys keys;
  EXPECT_EQ(Entry(song, 4),
            (std::vector<uint8_t>{48, 1, static_cast<uint8_t>(keys.IntroKey()), 12}));
  EXPECT_EQ(Entry(song, 8), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(Entry(song, 12), (std::vector<uint8_t>{55, 3, 0, 0}));
  EXPECT_EQ(Entry(song, 16), (std::vector<uint8_t>{45, 2, kCommandRepeat, 103}));
  EXPECT_EQ(Entry(song, 20), (std::vector<uint8_t>{0, 0, kCommandTempo, 100}));
  EXPECT_EQ(Entry(song, 24), (std::vector<uint8_t>{53, 1, kCommandRepeat, 0}));
  EXPECT_EQ(Entry(song, 28), (std::vector<uint8_t>{0, 0, kCommandEnd, 0}));
  EXPECT_EQ(song.Memo, "one\ntwo");
  EXPECT_EQ((std::vector<std::string>{song.Title, song.Subtitle, song.Author, song.Copyright}),
            (std::vector<std::string>{"T", "S", "A", "C"}));
  // In time order; a note's off comes at its length.
  EXPECT_EQ(song.Melody, (std::vector<MelodyEvent>{
                             MakeMelodyEvent(0, 0x90, 60, 80), MakeMelodyEvent(30, 0x90, 64, 100),
                             MakeMelodyEvent(40, 0x80, 60, 0), MakeMelodyEvent(42, 0x80, 64, 0)}));
  // What the writer stores the reader gives back.
  const Arrangement read = ReadArrangement(ArrangementBytes(song));
  EXPECT_EQ(read.Chords, song.Chords);
  EXPECT_EQ(read.Melody, song.Melody);
}

TEST(SongSource, MistakesAreNamedWithTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"bar C . .\nbar [End]. . . .", "line 1: the measure has 3 beats, not 4"},
      {"bar C . . . .\n", "line 1: more than 4 beats in the measure"},
      {"bar C . . .\n", "line 1: the song has no [End]"},
      {"bar [End]C . . .\nbar C . . .", "line 2: a measure after the end mark"},
      {"bar H . . .", "line 1: \"H\" is no chord"},
      {"bar [Fill][Basic]C . . .", "line 1: two commands on one beat"},
      {"bar C . . [Fill]", "line 1: a command with no beat after it"},
      {"bar [Coda]C . . .", "line 1: unknown command [Coda]"},
      {"bar [Repeat:1]C . . .", "line 1: Repeat \"1\" is not a number in 2..155"},
      {"tempo 300", "line 1: Tempo \"300\" is not a number in 25..250"},
      {"measure 10", "line 1: the measure length is not a whole number of beats"},
      {"bar C . . .\nmeasure 12", "line 2: the measure length changes after the first measure"},
      {"note 0 60", "line 1: note needs CLOCK NOTE LENGTH"},
      {"speed 3", "line 1: unknown setting \"speed\""},
  };
  for (const auto& [source, message] : cases) {
    try {
      CompileSongSource(source);
      ADD_FAILURE() << source;
    } catch (const SongSourceError& e) {
      EXPECT_STREQ(e.what(), message) << source;
    }
  }
  std::string tooLong;
  for (int i = 0; i < 751; ++i) tooLong += "bar C . . .\n";
  EXPECT_THROW(CompileSongSource(tooLong), SongSourceError);
}

TEST(SongSource, TheDemoSongPlaysItsIntroRepeatAndEnding) {
  std::string error;
  const auto source = ReadWholeFile(test::SourceDataDir() + "/song-src/demo3.kss", error);
  ASSERT_TRUE(source) << error;
  const Arrangement song = CompileSongSource(std::string(source->begin(), source->end()));
  EXPECT_EQ(song.StyleName, "rock1.kvs");
  const std::string timeline = SongTimeline(
      std::vector<uint8_t>(song.Chords.begin(), song.Chords.begin() + song.SongEnd), {});
  const ControlKeys keys;
  EXPECT_EQ(timeline.rfind("beat 1 1:1 key " + std::to_string(keys.IntroKey()), 0), 0u);
  EXPECT_NE(timeline.find("jump repeat"), std::string::npos);
  EXPECT_NE(timeline.find(" key " + std::to_string(keys.EndingKey) + " "), std::string::npos);
}

}  // namespace
}  // namespace korvel
