// The chord pads panel under the offscreen platform: a click on a pad plays its chord, Shift on
// a control pad asks for the intro, and with " Edit" checked and the transport stopped a pad is
// only picked for the song editor, which gets it when the pad is released.
#include <QTest>
#include <mutex>

#include "forms/PadsPanel.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class PadsPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void APadPlaysItsRootAndItsRowsChordType() {
    test::PlayerRig rig;
    PadsPanel panel(rig.engine);
    const struct {
      const char* pad;
      int pitchClass;
      int type;
    } cases[] = {{"A00", 0, 1}, {"B07", 7, 2}, {"C04", 4, 3}, {"K11", 11, 11}};
    for (const auto& c : cases) {
      QTest::mouseClick(panel.Pad(c.pad), Qt::LeftButton);
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.chord.EditChordRoot % 12, c.pitchClass);
      QCOMPARE(int{rig.chord.EditChordType}, c.type);
    }
    QVERIFY(!panel.Pad("L05"));
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.engine.Chords.SetChordTypesString("17161514131211100908"));
    }
    panel.Refresh();
    QTest::mouseClick(panel.Pad("B02"), Qt::LeftButton);
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(int{rig.chord.EditChordType}, 17);  // rows follow the slots
  }

  void ShiftOnAControlPadAsksForTheIntro() {
    test::PlayerRig rig;
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    rig.Load(fixture);
    PadsPanel panel(rig.engine);
    QTest::mouseClick(panel.Pad("L00"), Qt::LeftButton);  // nothing plays: C major starts it
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.player.Playing);
      QCOMPARE(int{rig.chord.EditChordRoot} % 12, 0);
    }
    QTest::mouseClick(panel.Pad("L00"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.keys.RecControlKeyNote, rig.keys.FillInKey);
      rig.Ticks(1);
    }
    QTest::mouseClick(panel.Pad("L00"), Qt::LeftButton, Qt::ShiftModifier);
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.keys.RecControlKeyNote, rig.keys.IntroKey());
  }

  void WithEditCheckedAPadIsPickedForTheEditorAndSoundsNothing() {
    test::PlayerRig rig;
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    rig.Load(fixture);
    std::vector<PadPick> handed;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.transport.ToggleClock();  // stopped
      rig.engine.Song.Overwrite = true;
      rig.engine.Pads.Hooks.PickReleased = [&handed](const PadPick& p) { handed.push_back(p); };
      rig.driver.ClearSent();
    }
    PadsPanel panel(rig.engine);
    QTest::mousePress(panel.Pad("B07"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.engine.Pads.Pick());
      QCOMPARE(rig.engine.Pads.Pick()->Root, 55);
      QVERIFY(handed.empty());
    }
    QTest::mouseRelease(panel.Pad("B07"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.engine.Pads.EditorTakesPads = true;  // control pads stay control keys
    }
    QTest::mouseClick(panel.Pad("L02"), Qt::LeftButton);
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.engine.Pads.Pick());
    QCOMPARE(handed.size(), size_t{2});
    QVERIFY(!handed[0].Control);
    QCOMPARE(handed[0].Root, 55);
    QCOMPARE(handed[0].Type, 2);
    QVERIFY(handed[1].Control);
    QCOMPARE(handed[1].ControlNote, rig.keys.EndingKey);
    QVERIFY(rig.Notes().empty());
    QVERIFY(!rig.player.Playing);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::PadsPanelTest)
#include "PadsPanelTest.moc"
