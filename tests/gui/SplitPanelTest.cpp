// The keyboard-split panel under the offscreen platform: a zone set in the panel moves the keys
// below its bound to its channel and octave; bounds stay ascending and shifts within MIDI's notes.
#include <QTest>
#include <mutex>

#include "forms/SplitPanel.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class SplitPanelTest : public QObject {
  Q_OBJECT

  // What the keyboard's note-on `note` sends on the thru port, as hex text.
  static std::string Play(test::PlayerRig& rig, int note) {
    std::lock_guard lock(rig.engine.Lock);
    rig.driver.ClearSent();
    rig.engine.Input.Route(
        {.MidiMessage = 0x90, .Data1 = static_cast<uint8_t>(note), .Data2 = 100});
    return rig.driver.SentText();
  }

 private slots:
  void AZoneMovesItsKeysToItsChannelAndOctave() {
    test::PlayerRig rig;
    SplitPanel panel(rig.engine);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.engine.Input.KeyboardSplit = true;  // " Keyboard Split ..."
    }
    SplitPanel::ZoneControls& low = panel.Zones[0];
    QCOMPARE(low.Active->toolTip(), QString("Activate zone"));
    low.Top->setValue(72);
    low.Channel->setValue(5);
    low.Octave->setValue(1);
    // The zone is not active yet.
    QCOMPARE(Play(rig, 64), std::string("0 Module: 90 40 64\n"));
    QTest::mouseClick(low.Active, Qt::LeftButton);
    QCOMPARE(Play(rig, 64), std::string("0 Module: 94 4C 64\n"));
    QCOMPARE(Play(rig, 80), std::string("0 Module: 90 50 64\n"));  // above the bound
    QCOMPARE(low.TopName->text(), QString("C5"));
  }

  void BoundsStayAscendingAndShiftsWithinTheNotes() {
    test::PlayerRig rig;
    SplitPanel panel(rig.engine);
    panel.Zones[1].Top->setValue(90);
    panel.Zones[0].Top->setValue(100);  // the zone above gives way
    QCOMPARE(panel.Zones[1].Top->value(), 100);
    panel.Zones[0].Octave->setValue(-3);  // zone 1 starts at note 0
    QCOMPARE(panel.Zones[0].Octave->value(), 0);
    panel.Zones[1].Octave->setValue(5);  // an empty zone at 100 keeps below 128
    QCOMPARE(panel.Zones[1].Octave->value(), 2);
    panel.Zones[2].Top->setValue(110);
    panel.Zones[2].Octave->setValue(-9);  // from 100: eight octaves down at most
    QCOMPARE(panel.Zones[2].Octave->value(), -8);
    std::lock_guard lock(rig.engine.Lock);
    const auto& zones = rig.engine.Input.Zones;
    QCOMPARE(zones[0].Top, 100);
    QCOMPARE(zones[2].Shift, -96);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::SplitPanelTest)
#include "SplitPanelTest.moc"
