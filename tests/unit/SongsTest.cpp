// Opening and saving arrangements through the engine: what is asked and told, what a file puts
// in place, and that a refused file or a cancelled question changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/Songs.h"
#include "support/SongRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::SongBytes;
using test::SongRig;
using test::TempDir;
using Strings = std::vector<std::string>;

constexpr uint8_t C = 48, G = 55;

struct SongsRig : SongRig {
  Songs songs{engine, dialogs, view};
  std::vector<uint8_t> Chords() const {
    return {song.Memory.Bytes.begin(), song.Memory.Bytes.begin() + song.SongEnd};
  }
};

// Two measures in 3/4 with its end mark, a melody of one note and all four text lines.
Arrangement ThreeFourSong(const std::string& styleName = "") {
  Arrangement a;
  SongBytes bytes(3, 12);
  bytes.At(1, 1, {C, 1, 0, 0}).At(2, 1, {G, 1, 0, 0}).End(3);
  std::copy(bytes.Bytes.begin(), bytes.Bytes.end(), a.Chords.begin());
  a.SongEnd = static_cast<int>(bytes.Bytes.size());
  a.SetHeader(2, 96, 12, 24);
  a.Melody = {MakeMelodyEvent(0, 0x90, 67, 100), MakeMelodyEvent(12, 0x80, 67, 0)};
  a.HasMelodyBlock = true;
  a.StyleName = styleName;
  a.Memo = "Play it slowly";
  a.Title = "Waltz";
  a.Subtitle = "for a test";
  a.Author = "Korvel";
  a.Copyright = "(c) nobody";
  return a;
}

TEST(Songs, AFileOpenedPutsItsSongInPlaceAndSavesBackByteForByte) {
  TempDir dir("songs-open");
  const Arrangement stored = ThreeFourSong();
  const std::string path = dir.Write("waltz.kva", ArrangementBytes(stored));
  SongsRig rig;
  ASSERT_TRUE(rig.songs.LoadArrangement(path, true));
  EXPECT_TRUE(rig.dialogs.Questions.empty()) << "nothing to replace";
  EXPECT_EQ(rig.Chords(),
            std::vector<uint8_t>(stored.Chords.begin(), stored.Chords.begin() + stored.SongEnd));
  EXPECT_EQ(std::vector<MelodyEvent>(rig.engine.Melody.Events().begin(),
                                     rig.engine.Melody.Events().end()),
            stored.Melody);
  EXPECT_EQ(rig.transport.Tempo, 96);
  EXPECT_EQ(rig.transport.MeasureSixteenths, 12) << "no style block: the song's metre";
  EXPECT_EQ(rig.song.FirstMeasure, 2);
  EXPECT_EQ(rig.song.LastMeasure, 3);
  EXPECT_EQ((Strings{rig.songs.Memo, rig.songs.Title, rig.songs.Subtitle, rig.songs.Author,
                     rig.songs.Copyright}),
            (Strings{"Play it slowly", "Waltz", "for a test", "Korvel", "(c) nobody"}));
  ASSERT_FALSE(rig.view.Titles.empty());
  EXPECT_EQ(rig.view.Titles.back(), "Korvel - WALTZ.KVA");
  // The melody program goes to the live channel.
  bool programSent = false;
  for (const auto& m : rig.driver.Sent()) programSent |= m.Bytes == std::vector<uint8_t>{0xC0, 24};
  EXPECT_TRUE(programSent);

  // The loaded melody is also the backup: Quantize and Restore keep it.
  rig.engine.Melody.Restore();
  EXPECT_EQ(rig.engine.Melody.Count(), 2);

  const std::string copy = dir.Path("copy.kva");
  rig.dialogs.SaveFiles = {copy};
  ASSERT_TRUE(rig.songs.SaveAs());
  EXPECT_EQ(rig.dialogs.SaveRequests.at(0).DefaultExtension, "KVA");
  std::string error;
  const auto original = ReadWholeFile(path, error);
  const auto saved = ReadWholeFile(copy, error);
  ASSERT_TRUE(original && saved);
  ASSERT_EQ(saved->size(), original->size());
  for (size_t i = 0; i < saved->size(); ++i) EXPECT_EQ((*saved)[i], (*original)[i]) << "byte " << i;
  EXPECT_EQ(rig.songs.FileName, copy);
}

TEST(Songs, TheStartSongLoadsWhenItIsThere) {
  TempDir dir("songs-start");
  SongsRig rig;
  EXPECT_FALSE(rig.songs.LoadStartSong(dir.Folder()));
  std::filesystem::create_directories(dir.Path("SONGS"));
  dir.Write("SONGS/demo3.kva", ArrangementBytes(ThreeFourSong()));
  EXPECT_TRUE(rig.songs.LoadStartSong(dir.Folder()));
  EXPECT_EQ(rig.songs.Title, "Waltz");
  EXPECT_TRUE(rig.dialogs.Messages.empty());
}

TEST(Songs, ARefusedOrUnconfirmedOpenChangesNothing) {
  TempDir dir("songs-refused");
  Arrangement damaged = ThreeFourSong();
  std::vector<uint8_t> bytes = ArrangementBytes(damaged);
  bytes[bytes.size() - static_cast<size_t>(damaged.SongEnd) + 1] = 0;  // tempo 0
  const std::string bad = dir.Write("bad.kva", bytes);
  const std::string good = dir.Write("good.kva", ArrangementBytes(ThreeFourSong()));

  SongsRig rig;
  SongBytes current(2);
  current.At(1, 1, {G, 2, 0, 0}).End(2);
  rig.Load(current);
  rig.engine.Melody.Load(std::vector<MelodyEvent>{MakeMelodyEvent(5, 0x90, 60, 90)});
  rig.transport.TempoEdit1Change(140);
  const std::vector<uint8_t> before = rig.Chords();

  rig.dialogs.Answers = {true};
  EXPECT_FALSE(rig.songs.LoadArrangement(bad, true));
  ASSERT_EQ(rig.dialogs.Messages.size(), 1u);
  EXPECT_EQ(rig.dialogs.Messages[0].rfind("bad.kva: ", 0), 0u) << rig.dialogs.Messages[0];
  // A pipe named like a song is refused, not waited on.
  const std::string pipe = dir.Path("pipe.kva");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  rig.dialogs.Answers = {true};
  EXPECT_FALSE(rig.songs.LoadArrangement(pipe, true));
  ASSERT_EQ(rig.dialogs.Messages.size(), 2u);
  EXPECT_NE(rig.dialogs.Messages[1].find("is not a file"), std::string::npos);
  rig.dialogs.Answers = {false};
  EXPECT_FALSE(rig.songs.LoadArrangement(good, true));
  EXPECT_EQ(rig.dialogs.Questions,
            (Strings{"Replace current chords & melody ?", "Replace current chords & melody ?",
                     "Replace current chords & melody ?"}));
  rig.dialogs.Files = {std::nullopt};
  rig.dialogs.Answers = {true};
  EXPECT_FALSE(rig.songs.LoadArrangement());
  EXPECT_EQ(rig.dialogs.FileRequests.at(0).Title, "Open arrangement ...");

  EXPECT_EQ(rig.Chords(), before);
  EXPECT_EQ(rig.engine.Melody.Count(), 1);
  EXPECT_EQ(rig.transport.Tempo, 140);
  EXPECT_TRUE(rig.songs.FileName.empty());
}

// Stepping through songs asks nothing while no change would be lost; a change asks until it
// is saved.
TEST(Songs, OnlyAChangedSongIsAskedAbout) {
  TempDir dir("songs-changed");
  const std::string first = dir.Write("first.kva", ArrangementBytes(ThreeFourSong()));
  const std::string second = dir.Write("second.kva", ArrangementBytes(ThreeFourSong()));
  SongsRig rig;
  ASSERT_TRUE(rig.songs.LoadArrangement(first, true));
  ASSERT_TRUE(rig.songs.LoadArrangement(second, true));
  EXPECT_TRUE(rig.dialogs.Questions.empty()) << "an unchanged song is replaced at once";
  rig.engine.Melody.Load(std::vector<MelodyEvent>{MakeMelodyEvent(5, 0x90, 60, 90)});
  EXPECT_FALSE(rig.songs.LoadArrangement(first, true)) << "No keeps the recorded melody";
  EXPECT_EQ(rig.dialogs.Questions, Strings{"Replace current chords & melody ?"});
  EXPECT_EQ(rig.engine.Melody.Count(), 1);
  ASSERT_TRUE(rig.songs.SaveArrangement(dir.Path("kept.kva")));
  ASSERT_TRUE(rig.songs.LoadArrangement(first, true));
  EXPECT_EQ(rig.dialogs.Questions.size(), 1u) << "a saved song loses nothing";
}

TEST(Songs, ASongOfTheListIsFoundInTheSongsFolderWhenItMoved) {
  TempDir dir("songs-list");
  std::filesystem::create_directories(dir.Path("SONGS"));
  dir.Write("SONGS/waltz.kva", ArrangementBytes(ThreeFourSong()));
  dir.Write("notes.txt", {'x'});
  SongsRig rig;
  std::vector<std::string> midi;
  rig.songs.OpenMidiFile = [&midi](const std::string& path) {
    midi.push_back(path);
    return true;
  };
  EXPECT_EQ(rig.songs.OpenSong("/gone/away/waltz.kva", dir.Folder()), SongOpening::Opened);
  EXPECT_EQ(rig.songs.FileName, dir.Path("SONGS/waltz.kva"));
  EXPECT_EQ(rig.song.SongEnd, ThreeFourSong().SongEnd);
  // A list from Windows names it in capitals.
  rig.songs.FileName.clear();
  EXPECT_EQ(rig.songs.OpenSong("C:\\KORVEL\\SONGS\\WALTZ.KVA", dir.Folder()), SongOpening::Opened);
  EXPECT_EQ(rig.songs.FileName, dir.Path("SONGS/waltz.kva"));

  EXPECT_EQ(rig.songs.OpenSong("/gone/away/tango.kva", dir.Folder()), SongOpening::Failed);
  EXPECT_EQ(rig.dialogs.Messages, Strings{"File not found !"});
  EXPECT_EQ(rig.songs.OpenSong(dir.Path("notes.txt"), dir.Folder()), SongOpening::Failed);
  EXPECT_EQ(rig.dialogs.Messages.size(), 1u) << "another kind of file is passed over";

  // A MIDI file goes to the import, after the question over the changed song in memory.
  dir.Write("SONGS/tango.MID", {'M'});
  rig.engine.Melody.Load(std::vector<MelodyEvent>{MakeMelodyEvent(5, 0x90, 60, 90)});
  rig.dialogs.Answers = {false};
  EXPECT_EQ(rig.songs.OpenSong(dir.Path("SONGS/tango.MID"), dir.Folder()), SongOpening::Declined);
  EXPECT_TRUE(midi.empty());
  rig.dialogs.Answers = {true};
  EXPECT_EQ(rig.songs.OpenSong(dir.Path("SONGS/tango.MID"), dir.Folder()), SongOpening::Opened);
  EXPECT_EQ(midi, Strings{dir.Path("SONGS/tango.MID")});
}

TEST(Songs, SongsOfListsAndTheStartSongAreFoundByNameInAnyCase) {
  TempDir dir("songs-case");
  std::filesystem::create_directories(dir.Path("SONGS"));
  dir.Write("SONGS/Waltz.kva", ArrangementBytes(ThreeFourSong()));
  SongsRig rig;
  EXPECT_EQ(rig.songs.OpenSong("C:\\SONGS\\WALTZ.KVA", dir.Folder()), SongOpening::Opened);
  EXPECT_EQ(rig.songs.FileName, dir.Path("SONGS/Waltz.kva"));
  std::filesystem::rename(dir.Path("SONGS/Waltz.kva"), dir.Path("SONGS/DEMO3.KVA"));
  SongsRig start;
  EXPECT_TRUE(start.songs.LoadStartSong(dir.Folder()));
  EXPECT_EQ(start.songs.FileName, dir.Path("SONGS/DEMO3.KVA"));
  EXPECT_TRUE(rig.dialogs.Messages.empty());
}

TEST(Songs, ASongThatCannotBeStoredAsItIsStillLetsTheNextOneOpen) {
  TempDir dir("songs-unstorable");
  std::vector<uint8_t> endless = ArrangementBytes(ThreeFourSong());
  const std::string good = dir.Write("good.kva", endless);
  // The same song naming a style in all 160 bytes of its field, with no end.
  const auto chordsAt = static_cast<std::ptrdiff_t>(endless.size()) - ThreeFourSong().SongEnd;
  endless.insert(endless.begin() + chordsAt, 160, uint8_t{'S'});
  endless.insert(endless.begin() + chordsAt, uint8_t{252});
  const std::string bad = dir.Write("endless.kva", endless);
  SongsRig rig;
  EXPECT_FALSE(rig.songs.LoadArrangement(bad, true));
  ASSERT_EQ(rig.dialogs.Messages.size(), 1u);
  EXPECT_NE(rig.dialogs.Messages[0].find("with no end"), std::string::npos);
  EXPECT_TRUE(rig.song.Empty());
  EXPECT_TRUE(rig.songs.LoadArrangement(good, true));

  // A style whose file name no song file can hold: the song is asked about, never lost.
  rig.style.StyleFileName = "/styles/" + std::string(170, 'x') + ".kvs";
  rig.style.StyleLoaded = true;
  rig.dialogs.Answers = {true};
  EXPECT_TRUE(rig.songs.LoadArrangement(good, true));
  EXPECT_EQ(rig.dialogs.Questions, Strings{"Replace current chords & melody ?"});
}

TEST(Songs, SavingNeedsASongAndAStoppedTransport) {
  TempDir dir("songs-save");
  const std::string path = dir.Path("empty.kva");
  SongsRig rig;
  rig.dialogs.SaveFiles = {path};
  EXPECT_FALSE(rig.songs.SaveAs());
  EXPECT_FALSE(rig.songs.SaveArrangement(path));
  EXPECT_EQ(rig.dialogs.Messages, (Strings{"Chordmemory is empty !", "Chordmemory is empty !"}));
  EXPECT_TRUE(rig.dialogs.SaveRequests.empty()) << "no dialog for an empty song";

  SongBytes current(2);
  current.At(1, 1, {C, 1, 0, 0}).End(2);
  rig.Load(current);
  rig.song.Play();
  EXPECT_FALSE(rig.songs.SaveArrangement(path));
  rig.song.Play();  // paused
  ASSERT_TRUE(rig.song.Paused());
  EXPECT_FALSE(rig.songs.SaveArrangement(path));
  EXPECT_FALSE(std::filesystem::exists(path));
  rig.song.Stop();
  EXPECT_TRUE(rig.songs.SaveArrangement(path));
  const Arrangement saved = LoadArrangementFile(path);
  EXPECT_EQ(saved.Tempo(), rig.transport.Tempo);
  EXPECT_EQ(saved.SongEnd, rig.song.SongEnd);
  EXPECT_FALSE(saved.HasMelodyBlock);
}

TEST(Songs, TheNamedStyleIsFoundByItsFileNameInAnyCaseAndLoaded) {
  TempDir dir("songs-style");
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}));
  const std::string style = dir.Write("Rock1.KVS", fixture.FileBytes());
  const std::string path =
      dir.Write("song.kva", ArrangementBytes(ThreeFourSong("C:\\KORVEL\\STYLES\\ROCK1.kvs")));
  SongsRig rig;
  rig.songs.StyleFolder = dir.Folder();
  ASSERT_TRUE(rig.songs.LoadArrangement(path, true));
  EXPECT_TRUE(rig.dialogs.Messages.empty()) << rig.dialogs.Messages.at(0);
  EXPECT_EQ(rig.style.StyleFileName, style);
  EXPECT_TRUE(rig.style.StyleLoaded);
  EXPECT_EQ(rig.transport.MeasureSixteenths, 16) << "the style brings its own metre";
  EXPECT_EQ(rig.transport.Tempo, 96) << "the song's tempo wins over the style's";

  SongsRig other;
  other.songs.StyleFolder = dir.Path("nowhere");
  ASSERT_TRUE(other.songs.LoadArrangement(path, true));
  EXPECT_EQ(other.dialogs.Messages, Strings{"Style not found !"});
  EXPECT_EQ(other.song.SongEnd, rig.song.SongEnd) << "the song loads without its style";
  EXPECT_EQ(other.transport.MeasureSixteenths, 12) << "and keeps its own metre";
  // Saved again, it still names its style and its metre.
  const std::string again = dir.Path("again.kva");
  ASSERT_TRUE(other.songs.SaveArrangement(again));
  const Arrangement saved = LoadArrangementFile(again);
  EXPECT_EQ(saved.StyleName, "C:\\KORVEL\\STYLES\\ROCK1.kvs") << "as the file named it";
  EXPECT_EQ(saved.MeasureSixteenths(), 12);
}

TEST(Songs, AStyleFromADeepFolderIsNamedWholeInTheSavedSong) {
  TempDir dir("songs-deep");
  const std::string deep = dir.Path(std::string(120, 'd') + "/" + std::string(60, 's'));
  std::filesystem::create_directories(deep);
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}));
  const std::string style = deep + "/Waltz.kvs";
  const std::vector<uint8_t> bytes = fixture.FileBytes();
  std::ofstream(style, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  SongsRig rig;
  rig.style.StyleFileName = style;
  rig.engine.Loader.LoadStyle(false);
  ASSERT_TRUE(rig.style.StyleLoaded);
  ASSERT_GT(style.size(), 160u);
  rig.Load(SongBytes(2).At(1, 1, {C, 1, 0, 0}).End(2));
  const std::string path = dir.Path("deep.kva");
  ASSERT_TRUE(rig.songs.SaveArrangement(path));
  EXPECT_EQ(LoadArrangementFile(path).StyleName, "Waltz.kvs");
}

}  // namespace
}  // namespace korvel
