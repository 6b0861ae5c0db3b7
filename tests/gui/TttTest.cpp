// The prompter under the offscreen platform: "//" breaks lines, text mode closes on a key or a
// click and stays on the screen wherever the mouse is, guide mode closes only on "OK" and
// passes the keys on to the main window, and the guide's steps show their tips.
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>

#include "forms/Ttt.h"

namespace korvel {
namespace {

// Stands in for the main window: counts the keys it is given.
class KeyTarget : public QWidget {
 public:
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

}  // namespace

class TttTest : public QObject {
  Q_OBJECT

 private slots:
  void TextModeClosesOnAKeyOrAClickAndShowsLines() {
    KeyTarget main;
    Ttt prompter(&main);
    prompter.ShowText("a//b");
    QCOMPARE(prompter.Text->text(), QString("a\nb"));
    QVERIFY(prompter.isVisible());
    QCOMPARE(prompter.windowTitle(), QApplication::applicationName());
    QTest::keyClick(&prompter, Qt::Key_A);
    QVERIFY(!prompter.isVisible());
    QCOMPARE(main.keys, 0);
    prompter.ShowTip(1012);
    QVERIFY(prompter.isVisible());
    QTest::mouseClick(&prompter, Qt::LeftButton);
    QVERIFY(!prompter.isVisible());
    prompter.ShowTip(999);
    QVERIFY(!prompter.isVisible());
  }

  void GuideModeClosesOnlyOnOkAndPassesKeysOn() {
    KeyTarget main;
    Ttt prompter(&main);
    prompter.ShowGuideTip(kGuideTitle, 1012, false);
    QCOMPARE(prompter.windowTitle(), QString(kGuideTitle));
    QTest::mouseClick(&prompter, Qt::LeftButton);
    QTest::keyClick(&prompter, Qt::Key_Q);
    QVERIFY(prompter.isVisible());
    QCOMPARE(main.keys, 1);
    prompter.Ok->click();
    QVERIFY(!prompter.isVisible());
  }

  void TextModeStaysOnTheScreenWhereverTheMouseIs() {
    Ttt prompter(nullptr);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    for (QPoint mouse : {screen.bottomRight() + QPoint(500, 500), screen.topLeft() - QPoint(90, 90),
                         screen.center()}) {
      QCursor::setPos(mouse);
      prompter.ShowText("A text that takes a few lines//and more//and more");
      const QRect at(prompter.pos(), prompter.size());
      QVERIFY2(screen.contains(at), qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
      prompter.close();
    }
  }

  void TheGuideShowsAStepsTipWhenItIsOn() {
    Ttt prompter(nullptr);
    prompter.Tips.FirstRun = true;
    prompter.GuideStep(12);
    QVERIFY(!prompter.isVisible());
    prompter.Tips.FirstRun = false;
    prompter.GuideStep(12);
    QVERIFY(prompter.isVisible());
    QVERIFY(prompter.GuideMode());
    QCOMPARE(prompter.Text->text().toStdString(), PrompterLines(TipText(1012)));
    prompter.Ok->click();
    prompter.Tips.On = false;
    prompter.GuideStep(25);
    QVERIFY(!prompter.isVisible());
  }

  void CenterTextAndStayOnTop() {
    Ttt prompter(nullptr);
    prompter.CenterText->trigger();
    QVERIFY(prompter.Text->alignment() & Qt::AlignLeft);
    prompter.StayOnTop->trigger();
    QVERIFY(!(prompter.windowFlags() & Qt::WindowStaysOnTopHint));
  }
};

}  // namespace korvel

QTEST_MAIN(korvel::TttTest)
#include "TttTest.moc"
