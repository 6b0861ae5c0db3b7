// The style manager window under the offscreen platform, on an engine whose clock the test
// steps: the browser lists only style files, entries are added, described and removed in a
// group and read back from the group file, and a right click auditions a style.
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <map>

#include "forms/TStyleManager.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// The window on a stepped engine, with a style folder of its own.
struct ManagerRig : test::PlayerRig {
  test::TempDir dir{"stylemanager"};
  std::string settings = dir.Path("korvel.cfg");
  std::string styles = dir.Path("styles");
  std::unique_ptr<TStyleManager> window;

  ManagerRig() {
    std::filesystem::create_directories(styles);
    engine.Loader.Settings.StyleFolder = styles;
    engine.Loader.Settings.ProgramDir = dir.Folder();
    Open();
  }
  void Open() {
    window = std::make_unique<TStyleManager>(engine, dialogs, settings, dir.Folder());
    window->show();
    QApplication::processEvents();
  }
  // A style whose Basic part plays `pitches` on channel 2, one a beat, at `tempo`.
  std::string WriteStyle(const std::string& name, std::initializer_list<int> pitches,
                         int tempo = 120) {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes(pitches));
    fixture.Channels().SetTempo(static_cast<int16_t>(tempo));
    fixture.Channels().SetHasNotes(1, true);
    return dir.Write("styles/" + name, fixture.FileBytes());
  }
  QStringList Items(const QListWidget* list) const {
    QStringList items;
    for (int row = 0; row < list->count(); ++row) items << list->item(row)->text();
    return items;
  }
  void ChooseGroup(int line) {
    QTreeWidgetItemIterator it(window->GroupTree);
    for (; *it; ++it) {
      if ((*it)->data(0, Qt::UserRole).toInt() == line) window->GroupTree->setCurrentItem(*it);
    }
    QApplication::processEvents();
  }
  void Click(QAbstractButton* button) {
    button->click();
    QApplication::processEvents();
  }
  void RightClick(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                      list->visualItemRect(list->item(row)).center());
    QApplication::processEvents();
  }
  void LoadFile(int row) {
    window->FileList->setCurrentRow(row);
    Click(window->LoadButton);
  }
  // Notes switched on and not switched off again, on any channel.
  int Hanging() const {
    std::map<std::pair<int, int>, int> sounding;
    for (const auto& m : driver.Sent()) {
      const int type = m.Bytes[0] & 0xF0;
      const auto key = std::make_pair(m.Bytes[0] & 0x0F, int{m.Bytes[1]});
      if (type == 0x90 && m.Bytes[2] > 0) sounding[key] = 1;
      if (type == 0x80 || (type == 0x90 && m.Bytes[2] == 0)) sounding[key] = 0;
    }
    int hanging = 0;
    for (const auto& [key, on] : sounding) hanging += on;
    return hanging;
  }
  int NoteOns() const {
    int count = 0;
    for (const auto& m : driver.Sent()) count += (m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] > 0;
    return count;
  }
};

constexpr int kPopFox = 3;
constexpr int kPopBallad = 2;

class TStyleManagerTest : public QObject {
  Q_OBJECT

 private slots:
  void TheBrowserListsOnlyStylesThatMatchThePattern() {
    ManagerRig rig;
    rig.WriteStyle("rock1.kvs", {60});
    rig.WriteStyle("Rock2.KVS", {60});
    rig.WriteStyle("fox.kvs", {60});
    rig.dir.Write("styles/rock.mid", {1, 2, 3});
    rig.dir.Write("styles/rock3.kvsx", {1, 2, 3});
    std::filesystem::create_directories(rig.styles + "/rock4.kvs");
    rig.window->ShowFolder(QString::fromStdString(rig.styles));
    QCOMPARE(rig.window->windowTitle(), QString("Style-Manager"));
    QCOMPARE(rig.window->objectName(), QString("TStyleManager"));
    QCOMPARE(rig.Items(rig.window->FileList), QStringList({"Rock2.KVS", "fox.kvs", "rock1.kvs"}));
    QCOMPARE(rig.window->FileCount->text(), QString("3 files"));

    rig.window->PatternBox->setEditText("rock");
    QTest::keyClick(rig.window->PatternBox->lineEdit(), Qt::Key_Return);
    QCOMPARE(rig.window->PatternBox->currentText(), QString("rock*"));
    QCOMPARE(rig.Items(rig.window->FileList), QStringList({"Rock2.KVS", "rock1.kvs"}));
    QCOMPARE(rig.window->FileCount->text(), QString("2 files"));
    QCOMPARE(rig.window->PatternBox->toolTip(),
             QString("Currently listed: 2 files; Press \"Enter\" (you may use * and ?)"));
    // A pattern box item that joins masks with ";".
    rig.window->ApplyPattern("*f*;*k1*");
    QCOMPARE(rig.Items(rig.window->FileList), QStringList({"fox.kvs", "rock1.kvs"}));

    // The style folder is gone: the browser opens in the program's folder.
    rig.engine.Loader.Settings.StyleFolder = rig.dir.Path("missing");
    rig.Open();
    QCOMPARE(rig.window->Folder(), QString::fromStdString(rig.dir.Folder()));
    QVERIFY(rig.dialogs.Messages.empty());
  }

  void EntriesAreAddedDescribedRemovedAndReadBack() {
    ManagerRig rig;
    const std::string fox1 = rig.WriteStyle("fox1.kvs", {60}, 112);
    const std::string fox2 = rig.WriteStyle("Fox2.KVS", {62}, 96);
    rig.window->ShowFolder(QString::fromStdString(rig.styles));
    rig.ChooseGroup(kPopFox);
    QCOMPARE(rig.window->GroupList->count(), 0);

    rig.Click(rig.window->AddButton);
    QCOMPARE(rig.dialogs.Messages, std::vector<std::string>{"No style loaded !"});

    rig.LoadFile(1);  // fox1.kvs
    QVERIFY(rig.style.StyleLoaded);
    rig.window->Description->setText("brushes {2} and {1} soft");
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->AddButton);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Add \"fox1.kvs\" to group \"Fox\" ?"));
    QCOMPARE(rig.window->GroupList->count(), 1);
    QCOMPARE(rig.window->SummaryPanel->text(), QString("Met: 4/4  Beat: 112  Tracks: 1"));

    // The same style again edits its description.
    rig.window->Description->setText("late night");
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->AddButton);
    QCOMPARE(rig.dialogs.Questions.back(),
             std::string("Edit the description of \"fox1.kvs\" (loaded style) ?"));
    QCOMPARE(rig.window->GroupList->count(), 1);
    QCOMPARE(rig.window->Description->text(), QString("late night"));

    // A second style, declined first: nothing changes.
    rig.LoadFile(0);  // Fox2.KVS
    rig.window->Description->setText("quick");
    rig.Click(rig.window->AddButton);
    QCOMPARE(rig.window->GroupList->count(), 1);
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->AddButton);
    QCOMPARE(rig.window->GroupList->count(), 2);
    QVERIFY(rig.window->GroupList->item(0)->text().startsWith("fox2.kvs                 Met: 4/4"));
    QCOMPARE(rig.window->GroupList->currentRow(), 0);

    // A file dropped on the group list: the loaded one only edits, as the button does.
    rig.dialogs.Answers = {false};
    rig.window->DropOnGroupList(QString::fromStdString(fox2));
    QCOMPARE(rig.dialogs.Questions.back(),
             std::string("Edit the description of \"Fox2.KVS\" (loaded style) ?"));

    // Files that are no styles, by name or by contents, are refused and nothing changes.
    for (const char* name : {"song.mid", "fake.kvs"}) {
      const size_t questions = rig.dialogs.Questions.size();
      rig.window->DropOnGroupList(
          QString::fromStdString(rig.dir.Write(std::string("styles/") + name, {1, 2})));
      QCOMPARE(rig.dialogs.Messages.back(), std::string(kCannotProcess));
      QCOMPARE(rig.dialogs.Questions.size(), questions);
      QCOMPARE(rig.window->GroupList->count(), 2);
      QCOMPARE(rig.style.StyleFileName, fox2);
    }

    // Nothing selected: Remove asks nothing and changes nothing.
    rig.ChooseGroup(kPopBallad);
    const size_t asked = rig.dialogs.Questions.size();
    rig.Click(rig.window->RemoveButton);
    rig.Click(rig.window->RemoveAllButton);
    QCOMPARE(rig.dialogs.Questions.size(), asked);

    // The second entry removed: the one above it is selected.
    rig.ChooseGroup(kPopFox);
    rig.window->GroupList->setCurrentRow(1);
    QApplication::processEvents();
    QCOMPARE(rig.window->Description->text(), QString("late night"));
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->RemoveButton);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Remove fox1.kvs    ... ?"));
    QCOMPARE(rig.window->GroupList->count(), 1);
    QCOMPARE(rig.window->GroupList->currentRow(), 0);
    // Fox1 again, with a description holding the markers.
    rig.LoadFile(1);
    rig.window->Description->setText("brushes {2} and {1} soft");
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->AddButton);
    const QStringList kept = rig.Items(rig.window->GroupList);
    QCOMPARE(kept.size(), 2);

    // Closed and opened again: the group file beside the settings gives the same entries.
    rig.window->close();
    QVERIFY(std::filesystem::exists(rig.dir.Path("korvel.KVG")));
    rig.Open();
    rig.ChooseGroup(kPopFox);
    QCOMPARE(rig.Items(rig.window->GroupList), kept);
    QCOMPARE(rig.window->Description->text(), QString("brushes {2} and {1} soft"));

    // An entry whose style was moved into the program's STYLES folder still loads.
    std::filesystem::create_directories(rig.dir.Path("STYLES"));
    std::filesystem::rename(fox1, rig.dir.Path("STYLES/fox1.kvs"));
    rig.style.StyleLoaded = false;
    QTest::keyClick(rig.window->GroupList, Qt::Key_Return);
    QVERIFY(rig.style.StyleLoaded);
    QCOMPARE(rig.style.StyleFileName, rig.dir.Path("STYLES/fox1.kvs"));
    // Gone from both places.
    std::filesystem::remove(rig.dir.Path("STYLES/fox1.kvs"));
    QTest::keyClick(rig.window->GroupList, Qt::Key_Return);
    QCOMPARE(rig.dialogs.Messages.back(), std::string("Style not found !"));

    // Remove all, then the section is gone from the file.
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->RemoveAllButton);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Remove all styles ?"));
    QCOMPARE(rig.window->GroupList->count(), 0);
    rig.Open();
    rig.ChooseGroup(kPopFox);
    QCOMPARE(rig.window->GroupList->count(), 0);
  }

  void ARightClickAuditionsAndASecondOneStopsWithoutHangingNotes() {
    ManagerRig rig;
    rig.WriteStyle("one.kvs", {60, 64, 67, 72});
    rig.WriteStyle("two.kvs", {48, 50, 52, 53});
    rig.window->ShowFolder(QString::fromStdString(rig.styles));
    rig.driver.ClearSent();

    // Generator material that is no style is only replaced after asking.
    test::StyleFixture work;
    work.Part(kBasic, 1, test::BeatNotes({70}));
    rig.Load(work);
    rig.style.StyleMode = false;
    rig.RightClick(rig.window->FileList, 0);
    QCOMPARE(rig.dialogs.Questions, std::vector<std::string>{"Replace current work ?"});
    QVERIFY(!rig.player.Playing);
    QVERIFY(rig.style.StyleFileName.empty());
    rig.dialogs.Answers = {true};
    rig.RightClick(rig.window->FileList, 0);
    QVERIFY(rig.player.Playing);
    QCOMPARE(rig.style.StyleFileName, rig.styles + "/one.kvs");
    QCOMPARE(rig.style.SelectedPart, int{kBasic});
    rig.Ticks(200);
    QVERIFY(rig.NoteOns() >= 4);
    // Keys in the lists are swallowed while it plays.
    QTest::keyClick(rig.window->FileList, Qt::Key_Down);
    QCOMPARE(rig.window->FileList->currentRow(), 0);

    // Another file switches to it; the same one again stops.
    rig.Ticks(5);
    rig.RightClick(rig.window->FileList, 1);
    QVERIFY(rig.player.Playing);
    QCOMPARE(rig.style.StyleFileName, rig.styles + "/two.kvs");
    rig.Ticks(150);
    rig.RightClick(rig.window->FileList, 1);
    QVERIFY(!rig.player.Playing);
    QCOMPARE(rig.Hanging(), 0);
    const int played = rig.NoteOns();
    rig.Ticks(100);
    QCOMPARE(rig.NoteOns(), played);

    // From the group list, stopped with "Stop" in the middle of a note.
    rig.ChooseGroup(kPopFox);
    rig.dialogs.Answers = {true};
    rig.Click(rig.window->AddButton);
    rig.RightClick(rig.window->GroupList, 0);
    QVERIFY(rig.player.Playing);
    rig.Ticks(40);
    QVERIFY(rig.NoteOns() > played);
    rig.Click(rig.window->StopButton);
    QVERIFY(!rig.player.Playing);
    QCOMPARE(rig.Hanging(), 0);

    // "Play" plays what was chosen last: the entry.
    rig.Click(rig.window->PlayButton);
    QVERIFY(rig.player.Playing);
    QCOMPARE(rig.style.StyleFileName, rig.styles + "/two.kvs");
    rig.Click(rig.window->StopButton);
    QVERIFY(rig.dialogs.Messages.empty());
    QCOMPARE(rig.dialogs.Questions.size(), size_t{3});
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TStyleManagerTest)
#include "TStyleManagerTest.moc"
