// The song list on the engine: an entry keeps the settings a song is played with and puts them
// back, the playlist steps through the chosen songs within its bounds and forgets positions that
// moved, and a changed list is offered for saving before it is replaced.
#include <gtest/gtest.h>

#include "app/SongList.h"
#include "platform/AtomicFile.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

struct ListRig : test::PlayerRig {
  SongList list{engine, dialogs};
  test::TempDir dir{"songlist"};
  ListRig() {
    engine.Mixer.LoadInstrumentList("", "");
    list.FileName = dir.Path("set.kvl");
  }
  // Adds a song with the settings of the moment at the top of the list.
  void Add(const std::string& title) {
    list.SongFile = dir.Path(title + ".kva");
    dialogs.Answers.push_back(true);
    ASSERT_TRUE(list.AddSong(-1, title));
  }
};

TEST(SongList, AnEntrysMinusOneUnchecksReplaceOneAndItsMutesEndTheirNotes) {
  ListRig rig;
  rig.live.ReplaceOne = true;
  rig.notes.MappedNote[4][60] = 62;  // the style holds a note on channel 5
  rig.notes.NoteVelocity[4][60] = 100;
  SongEntry entry;
  entry.MinusOneChannel = 3;
  entry.Channels = std::array<bool, 16>{};
  (*entry.Channels)[4] = true;
  rig.driver.ClearSent();
  rig.list.ApplySongEntry(entry);
  EXPECT_TRUE(rig.live.MinusOne);
  EXPECT_FALSE(rig.live.ReplaceOne) << "the two modes exclude each other";
  EXPECT_EQ(rig.live.SelChannel, 2);
  EXPECT_EQ(rig.notes.ChannelMute[4], 1);
  EXPECT_NE(rig.driver.SentText().find("94 3E 00"), std::string::npos) << "the held note ends";
  entry.MinusOneChannel = 0;
  rig.live.MinusOneHold = true;
  rig.list.ApplySongEntry(entry);
  EXPECT_FALSE(rig.live.MinusOne);
  EXPECT_FALSE(rig.live.MinusOneHold);
}

TEST(SongList, AnEntryPutsBackTheSettingsItWasAddedWith) {
  ListRig rig;
  rig.engine.Mixer.ChooseChannel(3);
  rig.live.KeyboardOctave = -1;
  rig.engine.Input.Transpose = -5;
  rig.engine.Input.MelodyAdLib = true;
  rig.engine.Mixer.SelectInstrument(40, false);
  rig.engine.Mixer.MoveBar(kBarVolume, 90, false);
  rig.notes.ChannelBoxes[9] = true;
  rig.Add("Tango");
  EXPECT_EQ(rig.dialogs.Questions, Strings{"Add \"Tango\" && Controller-Values to Songlist ?"});
  EXPECT_EQ(ParseSongEntry(rig.list.Lines.at(0))->Entry.Path, rig.dir.Path("Tango.kva"));

  rig.engine.Mixer.ChooseChannel(0);
  rig.live.KeyboardOctave = 2;
  rig.engine.Input.Transpose = 3;
  rig.engine.Input.MelodyAdLib = false;
  rig.engine.Mixer.SelectInstrument(1, false);
  rig.notes.ChannelBoxes[9] = false;
  rig.driver.ClearSent();
  rig.list.AddToPlaylist({0});
  EXPECT_EQ(rig.list.NextSong(), rig.dir.Path("Tango.kva"));
  EXPECT_EQ(rig.live.KeyboardOctave, 2) << "the song opens first";
  rig.list.ApplyPlaying();
  EXPECT_EQ(rig.live.SelChannel, 3);
  EXPECT_EQ(rig.live.KeyboardOctave, -1);
  EXPECT_EQ(rig.engine.Input.Transpose, -5);
  EXPECT_TRUE(rig.engine.Input.MelodyAdLib);
  EXPECT_EQ(rig.engine.Mixer.Selected, 40);
  EXPECT_EQ(rig.engine.Mixer.Bars[kBarVolume], 90);
  EXPECT_TRUE(rig.notes.ChannelBoxes[9]);
  EXPECT_NE(rig.driver.SentText().find("C3 28"), std::string::npos) << "the instrument is sent";
}

TEST(SongList, ThePlaylistStaysWithinItsSongsAndForgetsPositionsThatMoved) {
  ListRig rig;
  for (const char* title : {"D", "C", "B", "A"}) rig.Add(title);
  rig.list.AddToPlaylist({0, 1, 2});
  EXPECT_EQ(rig.list.PlayCaption(), "Play 3");
  rig.list.AddToPlaylist({3});
  EXPECT_EQ(rig.list.PlayCaption(), "Play 4");
  for (const char* title : {"A", "B", "C", "D"}) {
    const auto next = rig.list.NextSong();
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, rig.dir.Path(std::string(title) + ".kva"));
  }
  EXPECT_FALSE(rig.list.NextSong()) << "the end of the playlist";
  EXPECT_FALSE(rig.list.NextSong());
  // D played last: the one before it.
  EXPECT_EQ(rig.list.PreviousSong(), rig.dir.Path("C.kva"));
  EXPECT_EQ(rig.list.PreviousSong(), rig.dir.Path("B.kva"));
  for (int i = 0; i < 5; ++i) rig.list.PreviousSong();
  EXPECT_EQ(rig.list.PreviousSong(), rig.dir.Path("A.kva")) << "not before the first";

  // Deleting, moving or a new list clears the playlist: its numbers named other songs.
  rig.list.AddToPlaylist({3});
  rig.dialogs.Answers = {true};
  ASSERT_TRUE(rig.list.Delete(1));
  EXPECT_EQ(rig.list.PlayCaption(), "Play 0");
  EXPECT_FALSE(rig.list.NextSong());
  rig.list.AddToPlaylist({0});
  ASSERT_TRUE(rig.list.Move(0, 2));
  EXPECT_TRUE(rig.list.Playlist.empty());
  EXPECT_EQ(rig.list.Lines.at(2).substr(0, 1), "A");
}

TEST(SongList, FilesChosenTogetherPlayInARingAndGiveWayToTheList) {
  ListRig rig;
  rig.Add("Entry");
  rig.list.AddToPlaylist({0});
  rig.list.PlayFiles({"a.mid", "b.mid", "c.mid"});
  EXPECT_TRUE(rig.list.PlayingList);
  Strings played;
  for (int i = 0; i < 4; ++i) played.push_back(rig.list.NextSong().value_or("none"));
  EXPECT_EQ(played, (Strings{"a.mid", "b.mid", "c.mid", "a.mid"})) << "wraps after the last";
  played.clear();
  for (int i = 0; i < 3; ++i) played.push_back(rig.list.PreviousSong().value_or("none"));
  EXPECT_EQ(played, (Strings{"c.mid", "b.mid", "a.mid"})) << "and before the first";

  // Choosing list entries again replaces the files.
  rig.list.AddToPlaylist({0});
  EXPECT_EQ(rig.list.NextSong(), rig.dir.Path("Entry.kva"));
  EXPECT_FALSE(rig.list.NextSong());

  rig.list.PlayFiles(Strings(kPlaylistCapacity + 5, "x.mid"));
  EXPECT_EQ(rig.list.FilePlaylist.size(), static_cast<size_t>(kPlaylistCapacity));
  rig.list.PlayFiles({});
  EXPECT_FALSE(rig.list.PlayingList);
  EXPECT_FALSE(rig.list.NextSong());
}

TEST(SongList, ASongAddedWhileTheListPlaysWaitsItsTurn) {
  ListRig rig;
  for (const char* title : {"C", "B", "A"}) rig.Add(title);
  rig.list.AddToPlaylist({0, 1});
  ASSERT_EQ(rig.list.NextSong(), rig.dir.Path("A.kva"));
  rig.list.AddToPlaylist({2});
  EXPECT_EQ(rig.list.NextSong(), rig.dir.Path("B.kva")) << "not A again";
  EXPECT_EQ(rig.list.NextSong(), rig.dir.Path("C.kva"));
}

TEST(SongList, NewForgetsTheFileAndASelectionSavedOverItIsAChange) {
  ListRig rig;
  for (const char* title : {"C", "B", "A"}) rig.Add(title);
  ASSERT_TRUE(rig.list.Save(rig.list.FileName, {}));
  ASSERT_FALSE(rig.list.Modified);
  ASSERT_TRUE(rig.list.Save(rig.list.FileName, {0, 1}));
  EXPECT_TRUE(rig.list.Modified) << "the file holds two of three songs";
  ASSERT_TRUE(rig.list.Save(rig.dir.Path("two.kvl"), {0, 1}));
  rig.dialogs.Answers = {true, false};  // remove the list, do not save it
  ASSERT_TRUE(rig.list.New());
  EXPECT_EQ(rig.list.FileName, "");
}

TEST(SongList, EditingWithoutANewSongKeepsTheEntrysFile) {
  ListRig rig;
  rig.Add("Waltz");
  rig.list.SongFile.clear();
  rig.live.KeyboardOctave = 1;
  rig.dialogs.Answers = {true, true};  // replace, keep the old title
  ASSERT_TRUE(rig.list.Edit(0, "Other"));
  const auto read = ParseSongEntry(rig.list.Lines.at(0));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Entry.Path, rig.dir.Path("Waltz.kva"));
  EXPECT_EQ(read->Entry.Title, "Waltz");
  EXPECT_EQ(read->Entry.Octave, 1);
  EXPECT_FALSE(rig.list.Edit(5, "Nothing there"));
}

TEST(SongList, AChangedListIsOfferedForSavingBeforeItIsReplaced) {
  ListRig rig;
  const std::string other = rig.dir.Path("other.kvl");
  rig.Add("Waltz");
  ASSERT_TRUE(rig.list.Save(other, {}));
  EXPECT_FALSE(rig.list.Modified);
  rig.Add("Tango");
  EXPECT_TRUE(rig.list.Modified);

  // Load with No to adding titles: the changed list is saved first.
  rig.dialogs.Questions.clear();
  rig.dialogs.Answers = {false, true};
  ASSERT_TRUE(rig.list.Load(other));
  EXPECT_EQ(rig.dialogs.Questions,
            (Strings{"Add Titles to Songlist ?", "Save the changed songlist ?"}));
  EXPECT_EQ(rig.list.Lines.size(), 1u);
  std::string error;
  const auto saved = ReadWholeFile(other, error);
  ASSERT_TRUE(saved);
  EXPECT_EQ(SongListLines(*saved).size(), 2u) << "the changes reached the file";

  // Adding a list's titles keeps the list's file.
  rig.dialogs.Answers = {true};
  ASSERT_TRUE(rig.list.Load(other));
  EXPECT_EQ(rig.list.Lines.size(), 3u);
  EXPECT_EQ(rig.list.FileName, other);

  // A song too far from the list to fit its line is refused in words.
  rig.list.SongFile = "/" + std::string(100, 'x') + "/song.kva";
  rig.dialogs.Answers = {true};
  EXPECT_FALSE(rig.list.AddSong(0, "Far"));
  EXPECT_NE(rig.dialogs.Messages.back().find("longer than 80 characters"), std::string::npos);
  EXPECT_EQ(rig.list.Lines.size(), 3u);
}

}  // namespace
}  // namespace korvel
