// The main window under the offscreen platform, on recording MIDI drivers.
#include <QApplication>
#include <QTest>
#include <mutex>

#include "forms/TForm1.h"
#include "platform/RecordingDriver.h"

namespace korvel {
namespace {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsWithTheDemoStyleAndPlaysTheComputerKeyboard() {
    RecordingDriver ports({"Module"}, {"Keys"});
    RecordingDriver synth({"Synth"}, {});
    MidiDevices devices(ports, &synth);
    ChannelState channels;
    InputCallbackSettings input(channels);
    TForm1 window(devices, input, "");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Engine& engine = window.Core();
    {
      std::lock_guard lock(engine.Lock);
      QVERIFY(engine.Style.StyleLoaded);
      QCOMPARE(QString::fromStdString(engine.Style.StyleName), QString("ROCK1"));
      QVERIFY(engine.Ports.MidiOutput1.IsOpen());
      QCOMPARE(QString::fromStdString(engine.Ports.MidiOutput1.ProductName()), QString("Synth"));
      QVERIFY(engine.Transport.ClockState != 0);
    }
    window.activateWindow();
    window.setFocus();
    QTest::keyPress(&window, Qt::Key_4);  // hold the type key of slot 5 ...
    QTest::keyClick(&window, Qt::Key_G);  // ... and play the lower-row key of Eb
    QTest::keyRelease(&window, Qt::Key_4);
    std::lock_guard lock(engine.Lock);
    QCOMPARE(int{engine.Chord.EditChordRoot}, 51);
    QCOMPARE(int{engine.Chord.EditChordType}, 5);
    QVERIFY2(engine.Player.Playing, "the first chord starts the style");
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::MainWindowTest)
#include "MainWindowTest.moc"
