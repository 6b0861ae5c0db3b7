// What the core reports of a long operation, shown by the Qt view under the offscreen platform:
// the progress in the main window's status line and the busy cursor.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "forms/QtView.h"

namespace korvel {
namespace {

class QtViewTest : public QObject {
  Q_OBJECT

 private slots:
  void ProgressShowsInTheStatusLineAndTheCursorWaits() {
    QMainWindow window;
    QLabel lamp, position, chord, beat;
    QSpinBox tempo;
    QtView view(&window, &lamp, &position, &chord, &beat, &tempo);

    view.Busy(true);
    view.Progress("Import MIDI-File Type 1 ...", 40);
    QCoreApplication::processEvents();
    QCOMPARE(window.statusBar()->currentMessage(), QString("Import MIDI-File Type 1 ... 40 %"));
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    view.Progress("", -1);
    view.Busy(false);
    QCoreApplication::processEvents();
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::QtViewTest)
#include "QtViewTest.moc"
