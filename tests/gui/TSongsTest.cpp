// The song list window under the offscreen platform on a stepped engine: a loaded song is
// offered for the list, added with the settings of the moment, played by a double click (its
// settings come back and the file player is asked to open it), moved by dragging, and saved.
#include <QApplication>
#include <QTest>
#include <filesystem>

#include "app/Configuration.h"
#include "forms/TSongs.h"
#include "platform/AtomicFile.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

struct SongsRig : test::PlayerRig {
  test::TempDir dir{"tsongs"};
  Configuration settings{""};
  TSongs window{engine, dialogs, settings};
  std::vector<std::string> opened;
  SongsRig() {
    engine.Mixer.LoadInstrumentList("", "");
    // A song named "gone" cannot be opened, one named "kept" is refused by the musician's No
    // to replacing the song in memory. Opening a song sets the octave its style brings.
    window.OpenSong = [this](const std::string& path) {
      opened.push_back(path);
      if (path.find("gone") != std::string::npos) return SongOpening::Failed;
      if (path.find("kept") != std::string::npos) return SongOpening::Declined;
      live.KeyboardOctave = 4;
      return SongOpening::Opened;
    };
    settings.Set("SongL", dir.Path("set.kvl"));
    window.LoadStartList();
  }
  void AddSong(const std::string& name, int octave) {
    live.KeyboardOctave = octave;
    window.SongLoaded(dir.Path(name));
    window.show();
    QApplication::processEvents();
    QCOMPARE(window.Title->text(), QString::fromStdString(std::filesystem::path(name).stem()));
    QVERIFY(window.Add->isEnabled());
    dialogs.Answers.push_back(true);
    window.Add->click();
    QVERIFY(!window.Add->isEnabled());
  }
};

class TSongsTest : public QObject {
  Q_OBJECT

 private slots:
  void SongsAreAddedPlayedMovedAndSavedWithTheirSettings() {
    SongsRig rig;
    rig.AddSong("waltz.kva", 1);
    rig.AddSong("tango.mid", -2);  // goes before the selected entry
    QCOMPARE(rig.window.Songs->count(), 2);
    QVERIFY(rig.window.Songs->item(0)->text().startsWith("tango"));
    QCOMPARE(rig.window.windowTitle(), QString("Songlist - SET.KVL"));

    rig.live.KeyboardOctave = 0;
    emit rig.window.Songs->itemDoubleClicked(rig.window.Songs->item(1));
    QCOMPARE(rig.opened, std::vector<std::string>{rig.dir.Path("waltz.kva")});
    QCOMPARE(rig.live.KeyboardOctave, 1);

    // Both selected into the playlist, then dragged: the playlist is forgotten.
    rig.window.Songs->selectAll();
    rig.window.AddToPlaylist->click();
    QCOMPARE(rig.window.Play->text(), QString("Play 2"));
    rig.window.Songs->model()->moveRow({}, 0, {}, 2);
    QApplication::processEvents();
    QVERIFY(rig.window.Songs->item(0)->text().startsWith("waltz"));
    QCOMPARE(rig.window.Play->text(), QString("Play 0"));

    rig.dialogs.SaveFiles = {rig.dir.Path("set.kvl")};
    rig.window.Songs->clearSelection();
    rig.window.Save->click();
    std::string error;
    const auto saved = ReadWholeFile(rig.dir.Path("set.kvl"), error);
    QVERIFY(saved);
    const auto lines = SongListLines(*saved);
    QCOMPARE(lines.size(), size_t{2});
    QCOMPARE(ParseSongEntry(lines[0])->Entry.Octave, std::optional<int>(1));
    QCOMPARE(ParseSongEntry(lines[1])->Entry.Octave, std::optional<int>(-2));
    QVERIFY(!rig.window.List.Modified);
  }

  void TheSelectionStaysAndASongThatWillNotOpenIsPassedOver() {
    SongsRig rig;
    rig.AddSong("c.kva", 0);
    rig.AddSong("gone.kva", 0);
    rig.AddSong("a.kva", 0);
    int starts = 0;
    rig.window.PlaylistStarts = [&starts](bool several) { starts += several ? 1 : 100; };
    // Ctrl-clicks: every click adds to the playlist and the selection grows.
    for (int row = 0; row < 3; ++row) {
      rig.window.Songs->item(row)->setSelected(true);
      emit rig.window.Songs->itemClicked(rig.window.Songs->item(row));
    }
    QCOMPARE(rig.window.Songs->selectedItems().size(), qsizetype{3});
    QCOMPARE(rig.window.Play->text(), QString("Play 3"));
    rig.window.Play->click();
    QCOMPARE(starts, 1);
    QCOMPARE(rig.opened, std::vector<std::string>{rig.dir.Path("a.kva")});
    rig.window.SongEnded();
    QCOMPARE(rig.opened, (std::vector<std::string>{rig.dir.Path("a.kva"), rig.dir.Path("gone.kva"),
                                                   rig.dir.Path("c.kva")}));
    // One song alone: the guide still speaks.
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.window.List.ClearPlaylist();
    }
    rig.window.Songs->clearSelection();
    rig.window.Songs->setCurrentRow(0);
    rig.window.Play->click();
    QCOMPARE(starts, 101);
  }

  // The musician's No to replacing the song ends the playlist instead of asking at every song
  // left; an entry's settings come after what its song brings; appending titles and the first
  // showing of the window leave a playing list alone.
  void APlaylistEndsAtANoAndItsSettingsComeLast() {
    SongsRig rig;
    rig.AddSong("c.kva", 1);
    rig.AddSong("kept.kva", 2);
    rig.AddSong("a.kva", 3);
    rig.window.Songs->selectAll();
    rig.window.AddToPlaylist->click();
    rig.window.Play->click();
    QCOMPARE(rig.live.KeyboardOctave, 3);  // the entry's, not the song's 4
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.window.List.PlayingList);
    }
    rig.dialogs.Answers.push_back(true);  // "Add Titles to Songlist ?"
    {
      std::lock_guard lock(rig.engine.Lock);
      WriteSongList(rig.dir.Path("more.kvl"), {rig.window.List.Lines[0]});
      QVERIFY(rig.window.List.Load(rig.dir.Path("more.kvl")));
      QVERIFY(rig.window.List.PlayingList);
      QCOMPARE(rig.window.List.Playlist.size(), size_t{3});
    }
    rig.window.SongEnded();
    QCOMPARE(rig.opened,
             (std::vector<std::string>{rig.dir.Path("a.kva"), rig.dir.Path("kept.kva")}));
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(!rig.window.List.PlayingList);
    }
    QCOMPARE(rig.live.KeyboardOctave, 3);  // nothing of the refused entry applied

    // Files chosen together in the file player: the list window's first showing keeps them.
    SongsRig fresh;
    {
      std::lock_guard lock(fresh.engine.Lock);
      fresh.window.List.PlayFiles({fresh.dir.Path("gone1.mid"), fresh.dir.Path("gone2.mid")});
    }
    fresh.window.show();
    QApplication::processEvents();
    std::lock_guard lock(fresh.engine.Lock);
    QCOMPARE(fresh.window.List.FilePlaylist.size(), size_t{2});
  }

  // A ring of files that are all gone is tried once round, not a hundred times.
  void ARingOfVanishedFilesIsTriedOnceRound() {
    SongsRig rig;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.window.List.PlayFiles({rig.dir.Path("gone1.mid"), rig.dir.Path("gone2.mid")});
    }
    rig.window.OpenNext();
    QCOMPARE(rig.opened.size(), size_t{2});
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.window.List.PlayingList);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TSongsTest)
#include "TSongsTest.moc"
