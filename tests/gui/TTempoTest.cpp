// The tap tempo dialog under the offscreen platform on a stepped engine: a bar of taps sets the
// main tempo and closes the dialog, every tap clicks (the first accented), a held key's repeats
// are not taps, a MIDI key taps, and the quantize choice switches the metre.
#include <QApplication>
#include <QSpinBox>
#include <QTest>

#include "forms/TTempo.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

struct TapRig : test::PlayerRig {
  QSpinBox tempo;
  int changes = 0;
  TapRig() {
    tempo.setRange(kMinTempo, kMaxTempo);
    tempo.setValue(100);
    QObject::connect(&tempo, &QSpinBox::valueChanged, [this] { ++changes; });
    driver.ClearSent();
  }
  // The velocities of the clicks sent.
  std::vector<int> Clicks() const {
    std::vector<int> clicks;
    for (const auto& m : driver.Sent())
      if (m.Bytes.size() == 3 && m.Bytes[0] == 0x99) clicks.push_back(m.Bytes[2]);
    return clicks;
  }
};

}  // namespace

class TTempoTest : public QObject {
  Q_OBJECT

 private slots:
  void FourTapsHalfASecondApartSet120() {
    TapRig rig;
    TTempo dialog(rig.engine, rig.tempo);
    QCOMPARE(dialog.Tap->text(), QString("Tap 4 times"));
    QCOMPARE(dialog.Tap->toolTip(), QString("Press SPACE or RETURN"));
    QVERIFY(dialog.Quarter->isChecked());
    dialog.show();
    for (int64_t ms : {10000, 10500, 11000}) dialog.TapAt(ms);
    QVERIFY(dialog.isVisible());
    QCOMPARE(rig.tempo.value(), 100);
    dialog.TapAt(11500);
    QCOMPARE(rig.tempo.value(), 120);
    QCOMPARE(rig.changes, 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rig.Clicks(), (std::vector<int>{120, 107, 107, 107}));
  }

  void AHeldKeysRepeatsAreNotTaps() {
    TapRig rig;
    TTempo dialog(rig.engine, rig.tempo);
    dialog.show();
    QTest::keyPress(&dialog, Qt::Key_Space);
    for (int i = 0; i < 10; ++i) {
      QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
      QApplication::sendEvent(&dialog, &repeat);
    }
    QTest::keyPress(&dialog, Qt::Key_Return);
    QCOMPARE(rig.Clicks().size(), size_t{2});
    QVERIFY(dialog.isVisible());
  }

  void AMidiKeyTapsAndSoundsNothing() {
    TapRig rig;
    TTempo dialog(rig.engine, rig.tempo);
    dialog.show();
    {
      std::lock_guard lock(rig.engine.Lock);  // as the input thread routes it
      rig.engine.Input.Route({.MidiMessage = 0x90, .Data1 = 72, .Data2 = 100});
      rig.engine.Input.Route({.MidiMessage = 0x80, .Data1 = 72, .Data2 = 0});
    }
    QTRY_COMPARE(rig.Clicks().size(), size_t{1});
    for (const auto& m : rig.driver.Sent()) QVERIFY(m.Bytes[0] != 0x90 && m.Bytes[0] != 0x80);
  }

  void QuantizeSwitchesToEighthsAndBack() {
    TapRig rig;
    TTempo dialog(rig.engine, rig.tempo);
    dialog.Eighth->click();
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.engine.Transport.ClockResolution, int16_t{2});
    }
    // Eighths 250 ms apart are quarter notes of 500 ms.
    const int taps = dialog.Tap->text().section(' ', 1, 1).toInt();
    QVERIFY(taps >= 2);
    for (int i = 0; i < taps; ++i) dialog.TapAt(250 * i);
    QCOMPARE(rig.tempo.value(), 120);
    dialog.Quarter->click();
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.engine.Transport.ClockResolution, int16_t{1});
  }
};

}  // namespace korvel

QTEST_MAIN(korvel::TTempoTest)
#include "TTempoTest.moc"
