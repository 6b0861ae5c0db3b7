// The song's file commands and the melody menu under the offscreen platform, on an engine whose
// clock the test steps: a song saved and opened again through the menu items, a melody recorded,
// played, quantized and restored through the melody menu, and the note editor.
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>

#include "forms/MelodyNotes.h"
#include "forms/SongMenus.h"
#include "forms/SongPanel.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

constexpr uint8_t C = 48, G = 55;

// The menus and the song panel on a stepped engine whose style plays on channel 2, so that
// channel 1 carries only the melody.
struct MenuRig : test::SongRig {
  test::StyleFixture fixture;
  SongPanel panel{engine};
  SongMenus menus{engine, dialogs, view, panel};
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("korvel-songmenus-" + std::to_string(getpid()));

  MenuRig() {
    fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}));
    PlayerRig::Load(fixture);
    std::filesystem::create_directories(folder);
  }
  ~MenuRig() { std::filesystem::remove_all(folder); }
  void Trigger(QAction* item) {
    item->trigger();
    QApplication::processEvents();
  }
  void Key(int note, int velocity) {
    engine.Input.Route({.MidiMessage = 0x90,
                        .Data1 = static_cast<uint8_t>(note),
                        .Data2 = static_cast<uint8_t>(velocity)});
  }
  void SongClockAt(int64_t clock) {
    for (int guard = 0; engine.SongClock < clock && guard < 10000; ++guard) Ticks(1);
    QCOMPARE(engine.SongClock, clock);
  }
  // Note-ons on `channel` as "note:velocity".
  QStringList NoteOns(int channel) const {
    QStringList on;
    for (const auto& m : driver.Sent())
      if (m.Bytes[0] == 0x90 + channel && m.Bytes[2] > 0)
        on << QString("%1:%2").arg(m.Bytes[1]).arg(m.Bytes[2]);
    return on;
  }
  // Notes of any channel switched on and not off again.
  int Hanging() const {
    std::map<std::pair<int, int>, bool> open;
    for (const auto& m : driver.Sent()) {
      const int type = m.Bytes[0] & 0xF0;
      if (type == 0xB0 && (m.Bytes[1] == 120 || m.Bytes[1] == 123))
        std::erase_if(open, [&](const auto& e) { return e.first.first == (m.Bytes[0] & 0x0F); });
      if (type == 0x80 || type == 0x90)
        open[{m.Bytes[0] & 0x0F, m.Bytes[1]}] = type == 0x90 && m.Bytes[2] > 0;
    }
    int hanging = 0;
    for (const auto& [key, on] : open) hanging += on ? 1 : 0;
    return hanging;
  }
  std::vector<MelodyEvent> Melody() const {
    const auto events = engine.Melody.Events();
    return {events.begin(), events.end()};
  }
};

// Two notes on channel 1: 60 from clock 7 to 19, 64 from 24 to 36.
const std::vector<MelodyEvent> kTwoNotes{
    MakeMelodyEvent(7, 0x90, 60, 100), MakeMelodyEvent(19, 0x80, 60, 0),
    MakeMelodyEvent(24, 0x90, 64, 90), MakeMelodyEvent(36, 0x90, 64, 0)};

class SongMenusTest : public QObject {
  Q_OBJECT

 private slots:
  void ASavedSongOpensAgainWithItsChordsMelodyAndMeasures() {
    MenuRig rig;
    rig.Load(test::SongBytes(4).At(1, 1, {C, 1, 0, 0}).At(3, 1, {G, 1, 0, 0}).End(4));
    rig.engine.Melody.Load(kTwoNotes);
    rig.panel.Refresh();
    const std::string path = (rig.folder / "first.kva").string();
    rig.dialogs.SaveFiles.push_back(path);
    rig.Trigger(rig.menus.SaveAsItem);
    QVERIFY(std::filesystem::exists(path));
    // The beats; the header holds the song's settings as they stand.
    const std::vector<uint8_t> saved(rig.song.Memory.Bytes.begin() + kFirstBeatPos,
                                     rig.song.Memory.Bytes.begin() + rig.song.SongEnd);

    rig.dialogs.Answers.push_back(true);  // "&New" over a song
    rig.Trigger(rig.panel.NewItem);
    QVERIFY(rig.song.Empty());
    QVERIFY(rig.engine.Melody.Empty());

    rig.dialogs.Files.push_back(path);
    rig.Trigger(rig.menus.OpenItem);
    const std::vector<uint8_t> opened(rig.song.Memory.Bytes.begin() + kFirstBeatPos,
                                      rig.song.Memory.Bytes.begin() + rig.song.SongEnd);
    QCOMPARE(opened, saved);
    QCOMPARE(rig.Melody(), kTwoNotes);
    QCOMPARE(rig.panel.FirstMeasure->value(), 1);
    QCOMPARE(rig.panel.LastMeasure->value(), 4);
    QVERIFY(!rig.view.Titles.empty());
    QVERIFY(rig.view.Titles.back().starts_with("Korvel - "));
    QVERIFY(QString::fromStdString(rig.view.Titles.back()).endsWith("FIRST.KVA"));

    // "Sa&ve" writes to the file opened, without a dialog.
    rig.engine.Melody.Load({kTwoNotes.begin(), kTwoNotes.begin() + 2});
    rig.Trigger(rig.menus.SaveItem);
    QCOMPARE(rig.dialogs.SaveRequests.size(), size_t{1});
    rig.dialogs.Answers.push_back(true);  // replace the song in memory
    rig.dialogs.Files.push_back(path);
    rig.Trigger(rig.menus.OpenItem);
    QCOMPARE(rig.engine.Melody.Count(), 2);
  }

  void ADamagedFileLeavesTheSongAndThePanelAsTheyWere() {
    MenuRig rig;
    rig.Load(test::SongBytes(2).At(1, 1, {C, 1, 0, 0}).End(2));
    rig.panel.Refresh();
    const int last = rig.panel.LastMeasure->value();
    const std::string path = (rig.folder / "damaged.kva").string();
    std::ofstream(path, std::ios::binary) << std::string("\xFF\xFF\xFF\xFF\x7F", 5);
    rig.dialogs.Answers.push_back(true);
    rig.dialogs.Files.push_back(path);
    rig.Trigger(rig.menus.OpenItem);
    QCOMPARE(rig.dialogs.Messages.size(), size_t{1});
    QCOMPARE(rig.Entry(kFirstBeatPos).Root, C);
    QCOMPARE(rig.panel.LastMeasure->value(), last);
  }

  void AMelodyIsRecordedPlayedQuantizedAndRestoredFromTheMenu() {
    MenuRig rig;
    rig.Load(test::SongBytes(4).At(1, 1, {C, 1, 0, 0}).End(4));
    QCOMPARE(rig.panel.MelodyRecordButton->styleSheet(), QString("color: grey"));
    rig.panel.MelodyRecordButton->click();  // "RM" is "&Record"
    QApplication::processEvents();
    QVERIFY(rig.menus.RecordItem->isChecked());
    QVERIFY(rig.menus.PlayItem->isChecked());
    QCOMPARE(rig.view.BeatPanels.back(), std::string("R"));
    QCOMPARE(rig.panel.MelodyRecordButton->text(), QString("RM"));
    QCOMPARE(rig.panel.MelodyRecordButton->styleSheet(), QString("color: black"));
    QCOMPARE(rig.panel.MelodyPlayButton->styleSheet(), QString("color: black"));
    QVERIFY(!rig.menus.DeleteItem->isEnabled());

    rig.Trigger(rig.panel.PlayItem);
    rig.SongClockAt(7);
    rig.Key(72, 100);
    rig.SongClockAt(20);
    rig.Key(72, 0);
    rig.Trigger(rig.panel.StopItem);
    rig.Trigger(rig.menus.RecordItem);
    QVERIFY(!rig.menus.RecordItem->isChecked());
    QCOMPARE(rig.engine.Melody.Count(), 2);
    QVERIFY(rig.menus.DeleteItem->isEnabled());
    const std::vector<MelodyEvent> take = rig.Melody();

    // Playback sends the take; with "&Play" off it stays silent.
    rig.driver.ClearSent();
    rig.Trigger(rig.panel.PlayItem);
    rig.SongClockAt(30);
    rig.Trigger(rig.panel.StopItem);
    QCOMPARE(rig.NoteOns(0), QStringList({"72:100"}));
    rig.Trigger(rig.menus.PlayItem);
    QVERIFY(!rig.menus.PlayItem->isChecked());
    rig.driver.ClearSent();
    rig.Trigger(rig.panel.PlayItem);
    rig.SongClockAt(30);
    QCOMPARE(rig.NoteOns(0), QStringList());

    // Quantize stops the song; 1/16 moves the note from 7 to 6 and its end with it.
    rig.Trigger(rig.menus.QuantizeItems[2]);
    QVERIFY(!rig.song.Running());
    QCOMPARE(rig.engine.Melody.Event(0).Time, 6u);
    QCOMPARE(rig.engine.Melody.Event(1).Time, take[1].Time - 1);
    rig.Trigger(rig.menus.QuantizeItems[3]);  // from the take, not from the 1/16 result
    QCOMPARE(rig.engine.Melody.Event(0).Time, 12u);
    rig.Trigger(rig.menus.RestoreItem);
    QCOMPARE(rig.Melody(), take);

    rig.dialogs.Answers.push_back(true);  // "Delete Melody ?"
    rig.Trigger(rig.menus.DeleteItem);
    QVERIFY(rig.engine.Melody.Empty());
    QVERIFY(!rig.menus.DeleteItem->isEnabled());
    QVERIFY(!rig.menus.Quantize->isEnabled());
    rig.Trigger(rig.menus.RestoreItem);
    QCOMPARE(rig.Melody(), take);
  }

  void TheNoteEditorChangesANoteAndLeavesNoneHanging() {
    MenuRig rig;
    rig.engine.Melody.Load(kTwoNotes);
    rig.Trigger(rig.menus.NotesItem);
    MelodyNotes& notes = *rig.menus.Notes;
    QVERIFY(notes.isVisible());
    QCOMPARE(notes.windowTitle(), QString("4 Melody - Notes"));
    notes.Channel->setValue(5);
    QCOMPARE(rig.engine.Melody.Channel, 4);
    notes.ReferToOriginalChannels->setChecked(false);
    QVERIFY(!rig.engine.Melody.ReferToOriginalChannels);

    rig.driver.ClearSent();
    QTest::mousePress(notes.Next, Qt::LeftButton);
    QCOMPARE(rig.engine.Melody.EditIndex(), 2);  // over the note-off to the next note-on
    QCOMPARE(rig.NoteOns(4), QStringList({"64:90"}));
    QCOMPARE(rig.Hanging(), 1);
    QTest::mouseRelease(notes.Next, Qt::LeftButton);
    QCOMPARE(rig.Hanging(), 0);
    QCOMPARE(notes.Octave->currentIndex(), 4);
    QCOMPARE(notes.Note->currentIndex(), 4);

    // D of the same octave: the note and its end change, and the new pitch is heard.
    notes.Note->setCurrentIndex(2);
    emit notes.Note->activated(2);
    QCOMPARE(rig.engine.Melody.Event(2).Data1, uint8_t{62});
    QCOMPARE(rig.engine.Melody.Event(3).Data1, uint8_t{62});
    QCOMPARE(rig.engine.Melody.Event(0).Data1, uint8_t{60});
    QCOMPARE(rig.NoteOns(4), QStringList({"64:90", "62:90"}));
    notes.Octave->setCurrentIndex(5);
    emit notes.Octave->activated(5);
    QCOMPARE(rig.engine.Melody.Event(3).Data1, uint8_t{74});
    notes.close();
    QCOMPARE(rig.Hanging(), 0);

    // While the song runs the editor leaves the melody alone.
    rig.Load(test::SongBytes(2).At(1, 1, {C, 1, 0, 0}).End(2));
    rig.Trigger(rig.panel.PlayItem);
    rig.Ticks(10);
    rig.menus.Refresh();
    notes.Refresh();
    QVERIFY(!rig.menus.NotesItem->isEnabled());
    QVERIFY(!notes.Next->isEnabled());
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::SongMenusTest)
#include "SongMenusTest.moc"
