// The main window under the offscreen platform, on recording MIDI drivers.
#include <QApplication>
#include <QTest>
#include <filesystem>
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
    const auto settings = std::filesystem::temp_directory_path() /
                          ("korvel-gui-" + std::to_string(getpid())) / "korvel.ini";
    std::filesystem::remove_all(settings.parent_path());
    TForm1 window(devices, input, "", settings.string());
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

  void ClosingSavesTheSettings() {
    RecordingDriver ports({"Module"}, {"Keys"});
    RecordingDriver synth({"Synth"}, {});
    MidiDevices devices(ports, &synth);
    ChannelState channels;
    InputCallbackSettings input(channels);
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvel-gui-save-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto settings = (folder / "korvel.ini").string();
    {
      TForm1 window(devices, input, "", settings);
      window.show();
      {
        std::lock_guard lock(window.Core().Lock);
        window.Core().Keys.FillInKey = 48;
      }
      window.close();
    }
    Configuration saved(folder.string());
    std::string error;
    QVERIFY(saved.LoadSettings(settings, error));
    QVERIFY(!saved.FirstRun);
    QCOMPARE(saved.Integer("FillIn"), 0);
    QCOMPARE(saved.Integer("Oct_Fillin"), 4);
    QCOMPARE(saved.Integer("MIDI-OUT"), -1);
    std::filesystem::remove_all(folder);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::MainWindowTest)
#include "MainWindowTest.moc"
