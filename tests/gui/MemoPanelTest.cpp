// The "Memo" panel under the offscreen platform: the memo and the four lines typed there are the
// song's, saved with it and shown again when it is opened; an edited memo makes opening another
// song ask first; the memo takes no more than its limit by typing.
#include <QTest>
#include <QTextCursor>
#include <filesystem>
#include <mutex>

#include "app/Configuration.h"
#include "forms/MemoPanel.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

constexpr uint8_t C = 48;

struct Rig : test::SongRig {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("korvel-memo-" + std::to_string(getpid()));
  Songs songs{engine, dialogs, view};
  Configuration settings{folder.string()};
  MemoPanel panel{engine, songs, settings};

  Rig() {
    std::filesystem::create_directories(folder);
    {
      std::lock_guard lock(engine.Lock);
      Load(test::SongBytes(2).At(1, 1, {C, 1, 0, 0}).End(2));
    }
    panel.show();  // clicks reach laid-out controls only
  }
  ~Rig() { std::filesystem::remove_all(folder); }
  void Type(QWidget* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClicks(edit, text);
  }
};

class MemoPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void TheMemoIsKeptWithTheSongAndSavedWithIt() {
    Rig rig;
    const std::string path = (rig.folder / "memo.kva").string();
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.songs.SaveArrangement(path));
    }
    rig.Type(rig.panel.Memo, "Verse twice");
    QTest::keyClick(rig.panel.Memo, Qt::Key_Return);
    rig.Type(rig.panel.Memo, "then the bridge");
    rig.Type(rig.panel.Title, "Evening");
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.songs.Memo, std::string("Verse twice\nthen the bridge"));
      QCOMPARE(rig.songs.Title, std::string("Evening"));
      // Edited, the song asks before another one replaces it.
      QVERIFY(!rig.songs.LoadArrangement(path, true));
      QCOMPARE(rig.dialogs.Questions.size(), size_t{1});
      QVERIFY(rig.songs.SaveArrangement(path));
      rig.songs.Memo.clear();
      rig.songs.Title.clear();
      QVERIFY(rig.songs.LoadArrangement(path, false));
    }
    rig.panel.Refresh();
    QCOMPARE(rig.panel.Memo->toPlainText(), QString("Verse twice\nthen the bridge"));
    QCOMPARE(rig.panel.Title->text(), QString("Evening"));
  }

  void TypingStopsAtTheLimitAndAnOpenedSongKeepsItsOwnMemo() {
    Rig rig;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.songs.Memo = std::string(Songs::kMemoLimit - 2, 'a');
    }
    rig.panel.Refresh();
    rig.panel.Memo->moveCursor(QTextCursor::End);
    rig.Type(rig.panel.Memo, "bcde");
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.songs.Memo, std::string(Songs::kMemoLimit - 2, 'a') + "bc");
    }
    QCOMPARE(rig.panel.Memo->toPlainText().size(), qsizetype{Songs::kMemoLimit});
    // Another song comes in while the panel shows the old memo: typing does not carry it over.
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.songs.Memo = "New song";
    }
    rig.panel.Memo->setFocus();
    QTest::keyClick(rig.panel.Memo, Qt::Key_Backspace);
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.songs.Memo, std::string("New song"));
    QCOMPARE(rig.panel.Memo->toPlainText(), QString("New song"));
  }

  void AutoPopUpIsTheSettingItShows() {
    Rig rig;
    QVERIFY(rig.panel.AutoPopUp->isChecked());  // on by default
    // On the indicator: the wide box's middle lies beyond its caption.
    QTest::mouseClick(rig.panel.AutoPopUp, Qt::LeftButton, {},
                      QPoint(6, rig.panel.AutoPopUp->height() / 2));
    QVERIFY(!rig.settings.Boolean("MPU"));
    rig.settings.Set("MPU", 1);
    rig.panel.Refresh();
    QVERIFY(rig.panel.AutoPopUp->isChecked());
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::MemoPanelTest)
#include "MemoPanelTest.moc"
