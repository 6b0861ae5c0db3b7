// Where a panel window opens: below the main window when a centred one would cover it and it
// fits there, otherwise centred; waiting windows sit at the main window's left edge below it.
// Its keys go to the main window.
#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include "forms/TForm2.h"

namespace korvel {
namespace {

class KeyCatcher : public QWidget {
 public:
  int Keys = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++Keys; }
};

class PanelWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void Placement_data() {
    QTest::addColumn<int>("mainHeight");  // percent of the screen's height
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("where");
    QTest::newRow("a short main window: centred") << 10 << true << "centred";
    QTest::newRow("a tall main window: below it") << 60 << true << "below";
    QTest::newRow("no room below: centred") << 90 << true << "centred";
    QTest::newRow("waiting: below at the left edge") << 10 << false << "left";
  }

  void Placement() {
    QFETCH(int, mainHeight);
    QFETCH(bool, show);
    QFETCH(QString, where);
    KeyCatcher main;
    const QRect screen = main.screen()->availableGeometry();
    main.setGeometry(4, 0, 400, screen.height() * mainHeight / 100);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* panel = new QWidget;
    panel->setFixedSize(200, 100);
    TForm2* window = OpenPanelWindow(nullptr, panel, 109, show, "Keyboard", 9, &main);
    const QRect frame = main.frameGeometry();
    const QSize size = window->size();
    const QPoint expected =
        where == "centred" ? screen.center() - QPoint(size.width() / 2, size.height() / 2)
        : where == "below" ? QPoint(frame.center().x() - size.width() / 2, frame.bottom() + 1)
                           : QPoint(frame.left(), frame.bottom() + 1);
    QCOMPARE(window->pos(), expected);
    QCOMPARE(window->isVisible(), show);
    QCOMPARE(window->windowTitle(), QString("Keyboard"));
    QCOMPARE(OpenPanelWindow(window, panel, 109, false, "Keyboard", 9, &main), window);
    if (show) {
      QTest::keyClick(window, Qt::Key_A);
      QCOMPARE(main.Keys, 1);
    }
    delete window;
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::PanelWindowTest)
#include "PanelWindowTest.moc"
