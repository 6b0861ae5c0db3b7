// The file player window under the offscreen platform on a stepped engine: a MIDI file opened
// with "Use MCI" plays its notes to the output, a song that ends steps the song list's
// playlist on, and "Use MCI" decides which songs play here and enables the loop buttons.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QUrl>

#include "app/Configuration.h"
#include "forms/TMP.h"
#include "forms/TSongs.h"
#include "support/PlayerRig.h"
#include "support/SmfBuilder.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// One quarter note (key `key`) on channel 1 at 120 bpm.
std::vector<uint8_t> OneNote(uint8_t key) {
  return test::BuildSmf(96, {{{0, {0xFF, 0x51, 0x07, 0xA1, 0x20}},
                              {0, {0x90, key, 100}},
                              {96, {0x80, key, 0}},
                              {96, {0xFF, 0x2F}}}});
}

struct PlayerWindowRig : test::PlayerRig {
  test::TempDir dir{"tmp"};
  Configuration settings{""};
  TSongs songs{engine, dialogs, settings};
  TMP window{engine, devices, dialogs, settings, songs};
  std::vector<std::string> ownMode;
  PlayerWindowRig() {
    engine.Mixer.LoadInstrumentList("", "");
    settings.Set("SongL", dir.Path("set.kvl"));
    songs.LoadStartList();
    songs.OpenSong = [this](const std::string& path) { return window.OpenSong(path); };
    window.OpenOwnMode = [this](const std::string& path, bool) {
      ownMode.push_back(path);
      return SongOpening::Opened;
    };
    window.UseMci->setChecked(true);
    window.Repeat->setChecked(false);
    std::lock_guard lock(engine.Lock);
    window.Core().SelectOutput(0);
  }
  // The keys of the note-ons the output received.
  std::vector<int> NotesPlayed() const {
    std::vector<int> played;
    for (const auto& m : driver.Sent())
      if (m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] > 0)
        played.push_back(m.Bytes[1]);
    return played;
  }
  // Steps the player's clock as its thread would, until the file is no longer playing.
  void PlayToEnd() {
    for (int turn = 0; turn < 1000; ++turn) {
      std::lock_guard lock(engine.Lock);
      if (!window.Core().Playing()) return;
      window.Core().Advance(kFileSampleRate / 100);
    }
    QFAIL("the file never ended");
  }
  void AddToList(const std::string& name) {
    songs.SongLoaded(dir.Path(name));
    songs.show();
    QApplication::processEvents();
    dialogs.Answers.push_back(true);
    songs.Add->click();
  }
};

class TMPTest : public QObject {
  Q_OBJECT

 private slots:
  void AMidiFilePlaysItsNotesWithUseMci() {
    PlayerWindowRig rig;
    const auto path = rig.dir.Write("one.mid", OneNote(60));
    rig.driver.ClearSent();
    rig.window.OpenSong(path);
    QCOMPARE(rig.window.Title->text(), QString("one.mid"));
    rig.PlayToEnd();
    QCOMPARE(rig.NotesPlayed(), std::vector<int>{60});
    QVERIFY(rig.ownMode.empty());
  }

  void WithoutUseMciSongsGoToTheOwnModeAndTheLoopButtonsAreOff() {
    PlayerWindowRig rig;
    rig.window.UseMci->setChecked(false);
    QVERIFY(!rig.window.LoopStart->isEnabled());
    QVERIFY(!rig.window.LoopEnd->isEnabled());
    QVERIFY(!rig.settings.Boolean("MCIPl"));
    const auto path = rig.dir.Write("one.mid", OneNote(60));
    rig.window.OpenSong(path);
    rig.window.UseMci->setChecked(true);
    QVERIFY(rig.window.LoopStart->isEnabled());
    QVERIFY(rig.window.LoopEnd->isEnabled());
    rig.window.OpenSong(rig.dir.Path("waltz.kva"));  // an arrangement is never the player's
    QCOMPARE(rig.ownMode, (std::vector<std::string>{path, rig.dir.Path("waltz.kva")}));
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.window.Core().Loaded());
  }

  void AnEndedSongStepsThePlaylistOnTheGuiThread() {
    PlayerWindowRig rig;
    rig.dir.Write("first.mid", OneNote(60));
    rig.dir.Write("second.mid", OneNote(64));
    rig.AddToList("second.mid");
    rig.AddToList("first.mid");  // goes before the selected entry
    rig.songs.Songs->selectAll();
    rig.songs.AddToPlaylist->click();
    rig.driver.ClearSent();
    rig.songs.Play->click();
    QCOMPARE(rig.window.Title->text(), QString("first.mid"));
    rig.PlayToEnd();
    // The end is only noted on the clock; the window's poll opens the next song.
    QCOMPARE(rig.window.Title->text(), QString("first.mid"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.window.Title->text(), QString("second.mid"), 2000);
    rig.PlayToEnd();
    QCOMPARE(rig.NotesPlayed(), (std::vector<int>{60, 64}));
  }

  void AnArrangementThatEndsStepsThePlaylistOnTheGuiThread() {
    PlayerWindowRig rig;
    rig.AddToList("second.kva");
    rig.AddToList("first.kva");
    rig.songs.Songs->selectAll();
    rig.songs.AddToPlaylist->click();
    rig.songs.Play->click();
    QCOMPARE(rig.ownMode, std::vector<std::string>{rig.dir.Path("first.kva")});
    {
      std::lock_guard lock(rig.engine.Lock);  // as the clock thread calls it
      rig.engine.Song.Hooks.SongEnded();
    }
    QCOMPARE(rig.ownMode.size(), size_t{1});
    QApplication::processEvents();
    QCOMPARE(rig.ownMode,
             (std::vector<std::string>{rig.dir.Path("first.kva"), rig.dir.Path("second.kva")}));
  }

  void TheClipboardGivesOnlyAnExistingMidiFileAndIsKept() {
    PlayerWindowRig rig;
    const auto path = rig.dir.Write("clip.mid", OneNote(60));
    const auto other = rig.dir.Write("notes.txt", {'x'});
    for (const QString& text : {QString("Hello"), QString::fromStdString(rig.dir.Path("gone.mid")),
                                QString::fromStdString(other),
                                QUrl::fromLocalFile(QString::fromStdString(other)).toString()}) {
      QApplication::clipboard()->setText(text);
      rig.window.Clipboard->click();
      QCOMPARE(rig.window.Title->text(), QString());
      QCOMPARE(QApplication::clipboard()->text(), text);
    }
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(path)).toString();
    QApplication::clipboard()->setText(uri);
    rig.window.Clipboard->click();
    QCOMPARE(rig.window.Title->text(), QString("clip.mid"));
    QCOMPARE(QApplication::clipboard()->text(), uri);
  }

  void FilesImportedTogetherPlayOneAfterAnotherRoundAndRound() {
    PlayerWindowRig rig;
    rig.window.Repeat->setChecked(true);
    rig.window.AutoStart->setChecked(false);
    const auto first = rig.dir.Write("first.mid", OneNote(60));
    const auto second = rig.dir.Write("second.mid", OneNote(64));
    rig.dialogs.FileLists.push_back({first, second});
    rig.driver.ClearSent();
    rig.window.ImportMidi->click();
    QCOMPARE(rig.dialogs.FileListRequests.at(0).Title, std::string("Open MIDI File ..."));
    QVERIFY(!rig.window.Repeat->isChecked());
    QVERIFY(rig.window.AutoStart->isChecked());
    QCOMPARE(rig.window.Title->text(), QString("first.mid"));
    rig.PlayToEnd();
    QTRY_COMPARE_WITH_TIMEOUT(rig.window.Title->text(), QString("second.mid"), 2000);
    rig.PlayToEnd();
    QCOMPARE(rig.NotesPlayed(), (std::vector<int>{60, 64}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.window.Title->text(), QString("first.mid"), 2000);

    // The next import starts where the files were; one file is just opened.
    rig.dialogs.FileLists.push_back({second});
    rig.window.ImportMidi->click();
    QCOMPARE(rig.dialogs.FileListRequests.at(1).Folder, rig.dir.Folder());
    QCOMPARE(rig.window.Title->text(), QString("second.mid"));
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.songs.List.PlayingList);
  }

  void TheButtonsDriveTheModeOfTheLastSongAndClosingStopsTheFile() {
    PlayerWindowRig rig;
    std::vector<std::string> own;
    rig.window.OwnPlay = [&own](const std::string& path) { own.push_back("play " + path); };
    rig.window.OwnStop = [&own] { own.push_back("stop"); };
    rig.window.AutoStart->setChecked(false);
    rig.window.OpenSong(rig.dir.Path("waltz.kva"));
    QCOMPARE(rig.window.Title->text(), QString("waltz.kva"));
    rig.window.Play->click();
    rig.window.Pause->click();
    QCOMPARE(own, (std::vector<std::string>{"play " + rig.dir.Path("waltz.kva"), "stop"}));

    rig.window.OpenSong(rig.dir.Write("one.mid", OneNote(60)));
    rig.window.Play->click();
    QCOMPARE(own.size(), size_t{2});
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.window.Core().Playing());
    }
    // Not playing a list, Next moves one step before the end of the file.
    rig.window.Next->click();
    {
      std::lock_guard lock(rig.engine.Lock);
      const int64_t length = rig.window.Core().Length();
      QCOMPARE(rig.window.Core().Position(),
               std::min(length - rig.window.Core().StepSize(), length - 1));
    }
    rig.window.show();
    rig.window.close();
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.window.Core().Playing());
    QVERIFY(!rig.songs.isVisible());
  }

  void TheSliderMovesPlaybackWhenLetGo() {
    PlayerWindowRig rig;
    rig.window.AutoStart->setChecked(false);
    QVERIFY(!rig.window.Position->isEnabled());
    rig.window.OpenSong(rig.dir.Write("one.mid", OneNote(60)));
    QVERIFY(rig.window.Position->isEnabled());
    rig.window.Position->setValue(48);
    emit rig.window.Position->sliderReleased();
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.window.Core().Position(), int64_t{48});
  }

  void WithRepeatTheFilePlaysAgain() {
    PlayerWindowRig rig;
    rig.window.Repeat->setChecked(true);
    rig.window.OpenSong(rig.dir.Write("one.mid", OneNote(60)));
    for (int turn = 0; turn < 200; ++turn) {
      std::lock_guard lock(rig.engine.Lock);
      rig.window.Core().Advance(kFileSampleRate / 100);
    }
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(rig.window.Core().Playing());
    QVERIFY(rig.window.Core().Passes() >= 2);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TMPTest)
#include "TMPTest.moc"
