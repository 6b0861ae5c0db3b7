// The on-screen piano under the offscreen platform: real mouse events in, notes and pixels out.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <string>
#include <vector>

#include "forms/TKeys.h"

namespace korvel {
namespace {

// QTest::mouseMove carries no buttons, and a drag needs the left one held.
void DragTo(TKeys& keys, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, keys.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&keys, &move);
}

}  // namespace

class TKeysTest : public QObject {
  Q_OBJECT

 private:
  // Two octaves from C 48; black keys 19 pixels wide and 60 long.
  TKeys keys;
  std::vector<std::string> events;

  QRgb PixelAt(int x, int y) { return keys.grab().toImage().pixel(x, y); }

 private slots:
  void initTestCase() {
    keys.SetNoteWidth(30);
    keys.SetBaseOctave(4);
    keys.resize(420, 100);
    keys.OnNoteOn = [this](TKeys& sender, int note, int velocity) {
      QCOMPARE(&sender, &keys);
      events.push_back("on " + std::to_string(note) + " " + std::to_string(velocity));
    };
    keys.OnNoteOff = [this](TKeys&, int note, int velocity) {
      events.push_back("off " + std::to_string(note) + " " + std::to_string(velocity));
    };
    keys.show();
    QVERIFY(QTest::qWaitForWindowExposed(&keys));
  }

  void init() { events.clear(); }

  void DefaultsToTwoHundredByFifty() {
    TKeys fresh;
    QCOMPARE(fresh.sizeHint(), QSize(200, 50));
    QCOMPARE(fresh.NoteWidth(), 10);
    QCOMPARE(fresh.BaseOctave(), 3);
    QCOMPARE(fresh.BlackBrush().color(), QColor(Qt::black));
    QCOMPARE(fresh.WhiteBrush().color(), QColor(Qt::white));
  }

  void AClickNearTheTopOfTheFirstBoundaryPlaysCSharpSoftly() {
    QCOMPARE(PixelAt(30, 20), QColor(Qt::black).rgb());
    QTest::mousePress(&keys, Qt::LeftButton, Qt::NoModifier, QPoint(30, 5));
    QCOMPARE(events, (std::vector<std::string>{"on 49 10"}));
    QCOMPARE(PixelAt(30, 20), QColor(Qt::white).rgb());  // held: drawn inverted
    QCOMPARE(PixelAt(15, 80), QColor(Qt::white).rgb());  // C beside it is not
    QTest::mouseRelease(&keys, Qt::LeftButton, Qt::NoModifier, QPoint(30, 5));
    QCOMPARE(events, (std::vector<std::string>{"on 49 10", "off 49 0"}));
    QCOMPARE(PixelAt(30, 20), QColor(Qt::black).rgb());
  }

  void ADragEndsEachNoteBeforeTheNextStarts() {
    QTest::mousePress(&keys, Qt::LeftButton, Qt::NoModifier, QPoint(15, 90));
    for (int x = 15; x <= 105; x += 10) DragTo(keys, QPoint(x, 90));
    QVERIFY(keys.IsPressed(53));
    QCOMPARE(PixelAt(105, 80), QColor(Qt::black).rgb());  // the lower part of F, inverted
    QTest::mouseRelease(&keys, Qt::LeftButton, Qt::NoModifier, QPoint(105, 90));
    const std::vector<std::string> expected = {"on 48 114", "off 48 0", "on 50 114", "off 50 0",
                                               "on 52 114", "off 52 0", "on 53 114", "off 53 0"};
    QCOMPARE(events, expected);
    QCOMPARE(PixelAt(105, 80), QColor(Qt::white).rgb());
  }

  void OnlyTheLeftButtonPlays() {
    QTest::mousePress(&keys, Qt::RightButton, Qt::NoModifier, QPoint(15, 90));
    QTest::mouseRelease(&keys, Qt::RightButton, Qt::NoModifier, QPoint(15, 90));
    QVERIFY(events.empty());
  }

  void NotesFromOutsideShowAndReportOnlyWhenAsked() {
    keys.NoteOn(60, 100);
    QVERIFY(events.empty());
    QCOMPARE(PixelAt(225, 80), QColor(Qt::black).rgb());
    keys.NoteOff(60, true);
    QCOMPARE(events, (std::vector<std::string>{"off 60 0"}));
    QCOMPARE(PixelAt(225, 80), QColor(Qt::white).rgb());
  }

  void HidingEndsTheNoteTheMouseHolds() {
    QTest::mousePress(&keys, Qt::LeftButton, Qt::NoModifier, QPoint(15, 90));
    keys.hide();
    QCOMPARE(events, (std::vector<std::string>{"on 48 114", "off 48 0"}));
    keys.show();
    QVERIFY(QTest::qWaitForWindowExposed(&keys));
  }
};

}  // namespace korvel

QTEST_MAIN(korvel::TKeysTest)
#include "TKeysTest.moc"
