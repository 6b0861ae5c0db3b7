// The keyboard panel under the offscreen platform, on an engine with a recording driver: its
// spin boxes reach the core, and its control buttons act as the control pads do.
#include <QTest>
#include <mutex>

#include "forms/KeyboardPanel.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class KeyboardPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void TheChordTransposeMovesTheChordsTheMusicianPlays() {
    test::PlayerRig rig;
    KeyboardPanel panel(rig.engine);
    panel.ChordTranspose->setValue(2);
    {
      std::lock_guard lock(rig.engine.Lock);
      for (uint8_t note : {48, 52, 55})  // C E G in the chord section
        rig.engine.Input.Route({.MidiMessage = 0x90, .Data1 = note, .Data2 = 100});
      QCOMPARE(int{rig.chord.EditChordRoot}, 50);  // D: the accompaniment plays in D
      QCOMPARE(int{rig.chord.EditChordType}, 1);
      rig.engine.Input.KeyFunction(1981);  // the function key lowers it again
    }
    panel.Refresh();
    QCOMPARE(panel.ChordTranspose->value(), 1);
  }

  void AShiftClickOnAControlButtonAsksForTheIntro() {
    test::PlayerRig rig;
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    rig.Load(fixture);
    KeyboardPanel panel(rig.engine);
    QPushButton* fillIn = nullptr;
    for (auto* button : panel.findChildren<QPushButton*>())
      if (button->text() == "Fill in - F1") fillIn = button;
    QVERIFY(fillIn);
    QTest::mouseClick(fillIn, Qt::LeftButton);  // before any chord: C major starts the style
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.player.Playing);
      QCOMPARE(int{rig.chord.EditChordRoot}, 48);
    }
    QTest::mouseClick(fillIn, Qt::LeftButton, Qt::ShiftModifier);
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.keys.RecControlKeyNote, rig.keys.IntroKey());
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::KeyboardPanelTest)
#include "KeyboardPanelTest.moc"
