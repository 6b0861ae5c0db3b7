// Song list lines: fixed columns that other writers' lists still fill, values that do not fit
// three columns, paths with blanks or too long for their 80 columns, and damaged lines.
#include <gtest/gtest.h>

#include "app/SongListFile.h"
#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

SongEntry FullEntry() {
  SongEntry e;
  e.Title = "Autumn Waltz";
  e.Path = "/home/musician/My Songs/waltz.kva";
  std::array<bool, 16> channels{};
  channels.fill(true);
  channels[9] = false;
  e.Channels = channels;
  e.KeyboardMode = 2;
  e.Chords = true;
  e.Instruments = false;
  e.HarmonicPad = true;
  e.MelodyAdLib = false;
  e.SendChordCodes = true;
  e.SecondAdLib = false;
  e.LiveChannel = 3;
  e.Octave = -2;
  e.Semitones = -11;
  e.Instrument = 48;
  for (size_t i = 0; i < e.Mixer.size(); ++i) e.Mixer[i] = static_cast<int>(10 * i + 7);
  e.KeySet = "128001002003004005006007008009010011012000";
  e.MinusOneChannel = 5;
  return e;
}

TEST(SongListFile, AnEntryKeepsItsColumnsAndComesBackWhole) {
  const SongEntry entry = FullEntry();
  const std::string line = FormatSongEntry(entry);
  ASSERT_EQ(line.size(), 236u);
  EXPECT_EQ(line.substr(51, 33), "/home/musician/My Songs/waltz.kva") << "columns 52 on";
  EXPECT_EQ(line.substr(132, 16), "1111111110111111");
  EXPECT_EQ(line.substr(155, 12), "003003-02-11") << "negatives take a sign and two digits";
  EXPECT_EQ(line.substr(233), "005");
  const auto read = ParseSongEntry(line + "\r");
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->BadFields.empty());
  EXPECT_EQ(read->Entry, entry);
  EXPECT_EQ(FormatSongEntry(read->Entry), line);
}

TEST(SongListFile, DamagedFieldsAreLeftOutAndTheOthersRead) {
  const std::string good = FormatSongEntry(FullEntry());
  struct Case {
    size_t At;
    std::string Text;
    std::string Field;
  };
  const Case cases[] = {
      {132, "1x", "channels"}, {148, "a", "mode"},     {149, "7", "chords"},
      {158, "016", "channel"}, {161, "-04", "octave"}, {164, "+1x", "transpose"},
      {170, "128", "volume"},  {194, "12a", "keys"},   {233, "017", "minus-one"},
  };
  for (const Case& c : cases) {
    std::string line = good;
    line.replace(c.At, c.Text.size(), c.Text);
    const auto read = ParseSongEntry(line);
    ASSERT_TRUE(read) << c.Field;
    EXPECT_EQ(read->BadFields, std::vector<std::string>{c.Field});
    EXPECT_EQ(read->Entry.Path, FullEntry().Path) << c.Field;
  }
  // Cut inside the settings: what is there is read, the rest is damaged.
  const auto cut = ParseSongEntry(good.substr(0, 170));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->Entry.Instrument, 48);
  EXPECT_FALSE(cut->Entry.Mixer[0]);
  EXPECT_EQ(cut->BadFields.size(), 10u);
  // A line with a title and a file but no settings (trailing blanks trimmed by an editor).
  const auto bare = ParseSongEntry(good.substr(0, 84));
  ASSERT_TRUE(bare);
  EXPECT_TRUE(bare->BadFields.empty());
  EXPECT_FALSE(bare->Entry.LiveChannel);
  // No file at all.
  EXPECT_FALSE(ParseSongEntry(""));
  EXPECT_FALSE(ParseSongEntry(std::string(60, ' ')));
  EXPECT_FALSE(ParseSongEntry("Title only"));
  std::string binary(140, 'x');
  binary[3] = '\0';
  binary[90] = '\x01';
  EXPECT_FALSE(ParseSongEntry(binary)) << "control bytes: a damaged line, not a song";
}

TEST(SongListFile, LongPathsAreKeptBesideTheListOrRefused) {
  const std::string folder = "/home/musician/" + std::string(70, 'l');
  const std::string beside = folder + "/songs/tango.kva";
  ASSERT_GT(beside.size(), 80u);
  EXPECT_EQ(StoredSongPath(beside, folder), "songs/tango.kva");
  EXPECT_EQ(ResolveSongPath("songs/tango.kva", folder), beside);
  EXPECT_EQ(StoredSongPath("/short/a.mid", folder), "/short/a.mid");
  EXPECT_FALSE(StoredSongPath("/" + std::string(90, 'x') + "/a.kva", "/elsewhere"));
  // Lists from Windows: the file is looked for beside the list, in any case.
  EXPECT_EQ(ResolveSongPath("C:\\SONGS\\DEMO3.KVA", "/lists"), "/lists/DEMO3.KVA");
  test::TempDir dir("songlist-names");
  const std::string demo = dir.Write("demo3.kva", {'x'});
  EXPECT_EQ(ResolveSongPath("C:\\KORVEL\\SONGS\\DEMO3.KVA", dir.Folder()), demo);
}

// Titles as other machines write them: UTF-8 padded by characters, Windows-1252, cut inside a
// character by an older writer; lines shifted by a blank are refused in words.
TEST(SongListFile, TitlesFromElsewhereReadRightOrTheLineIsRefused) {
  const std::string good = FormatSongEntry(FullEntry());
  const std::string rest = good.substr(50);  // the blank, the path and the settings
  const std::string accented = std::string(49, 'A') + "\xC3\xA9";  // 49 and an "é"
  const struct {
    const char* name;
    std::string line;
    std::string title;  // empty: refused
    std::string why;
  } cases[] = {
      {"padded by characters", accented + rest, accented, ""},
      {"short, padded by characters", "Caf\xC3\xA9" + std::string(46, ' ') + rest, "Caf\xC3\xA9",
       ""},
      {"Windows-1252", "Caf\xE9" + std::string(46, ' ') + rest, "Caf\xC3\xA9", ""},
      {"cut inside a character", accented.substr(0, 50) + rest, std::string(49, 'A'), ""},
      {"a leading blank", " " + good, "",
       "the columns do not line up (the song file does not start in column 52)"},
      {"a character too many", "x" + accented + rest, "",
       "the columns do not line up (the song file does not start in column 52)"},
      {"settings shifted", good.substr(0, 131) + " " + good.substr(131), "",
       "the line is longer than 236 characters"},
      {"no song file", "Title only" + std::string(100, ' '), "", "no song file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string why;
    const auto read = ParseSongEntry(c.line, &why);
    if (c.title.empty()) {
      EXPECT_FALSE(read);
      EXPECT_EQ(why, c.why);
      continue;
    }
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->Entry.Title, c.title);
    EXPECT_TRUE(read->BadFields.empty());
    EXPECT_EQ(read->Entry.Octave, -2);
    EXPECT_EQ(read->Entry.Semitones, -11);
  }
  // Written here, a title is cut on a character boundary.
  SongEntry entry = FullEntry();
  entry.Title = accented;
  const std::string line = FormatSongEntry(entry);
  EXPECT_EQ(line.size(), 236u);
  EXPECT_EQ(line.substr(0, 50), std::string(49, 'A') + " ");
}

TEST(SongListFile, ListFilesReadAnyLineEndAndAreWrittenWhole) {
  const std::string text =
      "\xEF\xBB\xBF"
      "first\r\n\r\nsecond\nthird";
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(SongListLines(bytes), (std::vector<std::string>{"first", "second", "third"}));
  test::TempDir dir("songlist");
  const std::string path = dir.Path("set.kvl");
  WriteSongList(path, {FormatSongEntry(FullEntry())});
  std::string error;
  const auto back = ReadWholeFile(path, error);
  ASSERT_TRUE(back);
  EXPECT_EQ(SongListLines(*back), std::vector<std::string>{FormatSongEntry(FullEntry())});
}

}  // namespace
}  // namespace korvel
