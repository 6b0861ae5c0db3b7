// The mixer panel and the instrument-keys window under the offscreen platform, on a recording
// MIDI driver: user actions in, MIDI messages and core state out.
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "app/Configuration.h"
#include "forms/MixerPanel.h"
#include "forms/TIns.h"
#include "platform/RecordingDriver.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;

// An engine on a recording "Module" with the clock stepped by hand and the General MIDI list
// with its default keys.
class Rig : public test::PlayerRig {
 public:
  Rig() {
    std::lock_guard lock(engine.Lock);
    engine.Mixer.LoadInstrumentList("", "");
    driver.ClearSent();
  }
  // What went to the module since the last ClearSent(), volume pseudo messages left out.
  std::vector<Bytes> Module() const {
    std::vector<Bytes> sent;
    for (const auto& m : driver.Sent())
      if (m.Device == "Module") sent.push_back(m.Bytes);
    return sent;
  }
  std::vector<Bytes> Volumes() const {
    std::vector<Bytes> sent;
    for (const auto& m : driver.Sent())
      if (m.Device == "Module volume") sent.push_back(m.Bytes);
    return sent;
  }
};

void ClickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace
}  // namespace korvel

// Messages in failures as hex bytes.
namespace QTest {
template <>
inline char* toString(const korvel::Bytes& bytes) {
  QByteArray text;
  for (uint8_t b : bytes) text += QByteArray::number(b, 16).rightJustified(2, '0') + ' ';
  return qstrdup(text.trimmed().constData());
}
template <>
inline char* toString(const std::vector<korvel::Bytes>& messages) {
  QByteArray text;
  for (const auto& m : messages) {
    char* one = toString(m);
    text += '[' + QByteArray(one) + ']';
    delete[] one;
  }
  return qstrdup(text.constData());
}
}  // namespace QTest

namespace korvel {

class MixerPanelTest : public QObject {
  Q_OBJECT

 private:
  // The panel shown, on a fresh engine; the panel goes before the engine.
  struct Shown {
    Rig rig;
    MixerPanel panel{rig.engine};
    Shown() {
      panel.show();
      QVERIFY(QTest::qWaitForWindowExposed(&panel));
      rig.driver.ClearSent();
    }
  };
  struct Window {
    Rig rig;
    Configuration settings{""};
    TIns window{rig.engine, settings};
    Window() {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      rig.driver.ClearSent();
    }
    QString Line(int slot) const { return window.Slots->item(slot)->text(); }
  };

 private slots:
  void TheVolumeBarMovedByAKeySendsController7OnTheLiveChannel() {
    Shown s;
    ClickRow(s.panel.Channels, 2);
    s.rig.driver.ClearSent();
    QSlider* volume = s.panel.findChild<QSlider*>("Volume");
    QVERIFY(volume);
    QCOMPARE(volume->value(), 105);
    QTest::keyClick(volume, Qt::Key_Up);
    QCOMPARE(s.rig.Module(), std::vector<Bytes>({{0xB2, 7, 106}}));
    QCOMPARE(s.panel.BarValues[kBarVolume]->text(), QString("106"));
    QCOMPARE(s.panel.Fields[2]->text(), QString("106"));
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Mixer.Bars[kBarVolume], 106);
    QCOMPARE(int{s.rig.engine.Live.Mixer[2].Volume}, 106);
  }

  void EachBarSendsItsOwnMessage_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("bar");
    QTest::addColumn<Bytes>("message");
    QTest::addColumn<QString>("shown");
    // 100 is no bar's starting value, so every move is a change.
    QTest::newRow("Volume") << "Volume" << int{kBarVolume} << Bytes{0xB4, 7, 100} << "100";
    QTest::newRow("Panorama") << "Panorama" << int{kBarPan} << Bytes{0xB4, 10, 100} << "36";
    QTest::newRow("Reverb") << "Reverb" << int{kBarReverb} << Bytes{0xB4, 91, 100} << "100";
    QTest::newRow("Chorus") << "Chorus" << int{kBarChorus} << Bytes{0xB4, 93, 100} << "100";
    QTest::newRow("Modulation") << "Modulation" << int{kBarModulation} << Bytes{0xB4, 1, 100}
                                << "100";
    QTest::newRow("Expression") << "Expression" << int{kBarExpression} << Bytes{0xB4, 11, 100}
                                << "100";
    QTest::newRow("Sustain") << "Sustain" << int{kBarSustain} << Bytes{0xB4, 64, 100} << "100";
    QTest::newRow("Aftertouch") << "Aftertouch" << int{kBarAftertouch} << Bytes{0xD4, 100} << "100";
  }
  void EachBarSendsItsOwnMessage() {
    QFETCH(QString, caption);
    QFETCH(int, bar);
    QFETCH(Bytes, message);
    QFETCH(QString, shown);
    Shown s;
    ClickRow(s.panel.Channels, 4);
    s.rig.driver.ClearSent();
    auto* slider = s.panel.findChild<QAbstractSlider*>(caption);
    QVERIFY(slider);
    QCOMPARE(slider->maximum(), 127);
    slider->setSliderPosition(100);  // as a drag moves it
    QCOMPARE(s.rig.Module(), std::vector<Bytes>({message}));
    QCOMPARE(s.panel.BarValues[static_cast<size_t>(bar)]->text(), shown);
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Mixer.Bars[static_cast<size_t>(bar)], 100);
  }

  void PanoramaShowsItsDistanceFromTheMiddle() {
    Shown s;
    QAbstractSlider* pan = s.panel.Bars[kBarPan];
    QCOMPARE(s.panel.BarValues[kBarPan]->text(), QString("0"));
    pan->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(s.panel.BarValues[kBarPan]->text(), QString("-64"));
    QCOMPARE(s.panel.Fields[3]->text(), QString("-64"));
  }

  void ShowingTheCoreSendsNothing() {
    Shown s;
    {
      std::lock_guard lock(s.rig.engine.Lock);
      s.rig.engine.Mixer.Bars = {10, 20, 30, 40, 50, 60, 70, 80};
      s.rig.engine.Mixer.Selected = 12;
      s.rig.engine.Live.SelChannel = 7;
      s.rig.engine.Ports.VolumeLeft = 30;
      s.rig.engine.Ports.VolumeRight = 60;
      s.rig.engine.Ports.VolumeLock = false;
    }
    s.panel.Refresh();
    QVERIFY(s.rig.Module().empty());
    QVERIFY(s.rig.Volumes().empty());
    for (int bar = 0; bar < kBarCount; ++bar)
      QCOMPARE(s.panel.Bars[static_cast<size_t>(bar)]->value(), 10 * (bar + 1));
    QCOMPARE(s.panel.BarValues[kBarPan]->text(), QString("-44"));
    QCOMPARE(s.panel.Instruments->currentRow(), 12);
    QCOMPARE(s.panel.Channels->currentRow(), 7);
    QCOMPARE(s.panel.Left->value(), 30);
    QCOMPARE(s.panel.Right->value(), 60);
    QVERIFY(!s.panel.Lock->isChecked());
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Mixer.Bars[kBarVolume], 10);
  }

  void ChoosingAChannelLineMakesItTheLiveChannel() {
    Shown s;
    {
      std::lock_guard lock(s.rig.engine.Lock);
      s.rig.engine.Live.SelChannel = 2;
      s.rig.engine.Mixer.SelectInstrument(40, false);
      s.rig.engine.Live.SelChannel = 0;
      s.rig.engine.Mixer.Selected = 0;
    }
    s.panel.Refresh();
    s.rig.driver.ClearSent();
    const int volume = s.panel.Bars[kBarVolume]->value();
    ClickRow(s.panel.Channels, 2);
    QVERIFY2(s.rig.Module().empty(), "choosing a channel sends nothing");
    QCOMPARE(s.panel.Instruments->currentRow(), 40);
    QCOMPARE(s.panel.Fields[7]->text(), QString("40"));
    QCOMPARE(s.panel.Channels->item(2)->text(), QString(" Ch. 03 : Violin"));
    QCOMPARE(s.panel.Bars[kBarVolume]->value(), volume);
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Live.SelChannel, 2);
    QCOMPARE(s.rig.engine.Live.MixerChannel, 2);
  }

  void ChoosingAnInstrumentSendsItsProgramAndShowsIt() {
    Shown s;
    ClickRow(s.panel.Channels, 5);
    s.rig.driver.ClearSent();
    ClickRow(s.panel.Instruments, 40);
    QCOMPARE(s.rig.Module(), std::vector<Bytes>({{0xC5, 40}}));
    QCOMPARE(s.panel.Channels->item(5)->text(), QString(" Ch. 06 : Violin"));
    QCOMPARE(s.panel.Fields[7]->text(), QString("40"));
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Mixer.Selected, 40);
  }

  void SendValuesResetsTheControllersFirst() {
    Shown s;
    ClickRow(s.panel.Channels, 1);
    s.rig.driver.ClearSent();
    QTest::mouseClick(s.panel.findChild<QPushButton*>("Send Values"), Qt::LeftButton);
    const auto sent = s.rig.Module();
    QVERIFY(sent.size() > 2);
    QCOMPARE(sent.front(), Bytes({0xB1, 121, 0}));
    QVERIFY(std::find(sent.begin(), sent.end(), Bytes{0xB1, 7, 105}) != sent.end());
    QCOMPARE(s.panel.Fields[2]->text(), QString("105"));
  }

  void AllNotesOffLetsTheSustainBarGo() {
    Shown s;
    s.panel.Bars[kBarSustain]->triggerAction(QAbstractSlider::SliderToMaximum);
    QTest::mouseClick(s.panel.findChild<QPushButton*>("All notes off"), Qt::LeftButton);
    QCOMPARE(s.panel.Bars[kBarSustain]->value(), 0);
    QCOMPARE(s.panel.BarValues[kBarSustain]->text(), QString("0"));
  }

  void RevZeroWaitsForAReverbSetting_data() {
    QTest::addColumn<bool>("off");
    QTest::addColumn<bool>("defined");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("neither") << false << false << false;
    QTest::newRow("Reverb off") << true << false << true;
    QTest::newRow("Reverb defined") << false << true << true;
    QTest::newRow("both") << true << true << true;
  }
  void RevZeroWaitsForAReverbSetting() {
    QFETCH(bool, off);
    QFETCH(bool, defined);
    QFETCH(bool, enabled);
    Rig rig;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.engine.Live.ReverbOff = off;
      rig.engine.Live.ReverbDefined = defined;
    }
    MixerPanel panel(rig.engine);
    QCOMPARE(panel.findChild<QPushButton*>("Rev 0")->isEnabled(), enabled);
  }

  void SoloFollowsTheChosenChannel() {
    Shown s;
    ClickRow(s.panel.Channels, 3);
    s.panel.findChild<QCheckBox*>("SOLO")->click();
    {
      std::lock_guard lock(s.rig.engine.Lock);
      QVERIFY(s.rig.engine.Mixer.Solo);
      QCOMPARE(int{s.rig.engine.Notes.SoloChannel}, 4);
    }
    ClickRow(s.panel.Channels, 5);
    {
      std::lock_guard lock(s.rig.engine.Lock);
      QCOMPARE(int{s.rig.engine.Notes.SoloChannel}, 6);
    }
    s.panel.Solo->click();
    std::lock_guard lock(s.rig.engine.Lock);
    QVERIFY(!s.rig.engine.Mixer.Solo);
    QCOMPARE(int{s.rig.engine.Notes.SoloChannel}, 0);
  }

  void MainVolume_data() {
    QTest::addColumn<bool>("locked");
    QTest::addColumn<int>("right");
    QTest::addColumn<Bytes>("message");
    QTest::newRow("locked") << true << 100 << Bytes{0xFF, 0xFF, 0xFF, 0xFF};
    QTest::newRow("free") << false << 40 << Bytes{0xFF, 0xFF, 0x65, 0x90};
  }
  void MainVolume() {
    QFETCH(bool, locked);
    QFETCH(int, right);
    QFETCH(Bytes, message);
    Shown s;
    QVERIFY2(s.panel.Lock->isChecked(), "Lock is on at start");
    {
      std::lock_guard lock(s.rig.engine.Lock);
      QVERIFY(s.rig.engine.Ports.VolumeLock);
      s.rig.engine.Ports.VolumeLeft = 40;
      s.rig.engine.Ports.VolumeRight = 40;
    }
    s.panel.Refresh();
    if (!locked) s.panel.Lock->click();
    auto* left = s.panel.findChild<QSlider*>("Left");
    QVERIFY(left);
    left->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(s.panel.Right->value(), right);
    QCOMPARE(s.rig.Volumes(), std::vector<Bytes>({message}));
    std::lock_guard lock(s.rig.engine.Lock);
    QCOMPARE(s.rig.engine.Ports.VolumeLock, locked);
    QCOMPARE(s.rig.engine.Ports.VolumeLeft, 100);
    QCOMPARE(s.rig.engine.Ports.VolumeRight, right);
  }

  void TheDisplayFollowsWhatThePlayerSendsFromItsThread() {
    Shown s;
    ClickRow(s.panel.Channels, 2);
    {
      std::lock_guard lock(s.rig.engine.Lock);
      QVERIFY(s.rig.engine.Live.MixerShown);
    }
    // As the clock thread passes a program change of the style through the channel filter.
    std::thread player([&engine = s.rig.engine] {
      std::lock_guard lock(engine.Lock);
      engine.Sent.SetChannelStateValue(2, ChannelState::kProgramIndex, 40);
      engine.Live.Mixer[2].Program = 40;
      for (int i = 0; i < 50; ++i) engine.Player.ChannelFilter(0xC2, 2, 0, 40);
    });
    player.join();
    QTRY_COMPARE(s.panel.Fields[7]->text(), QString("40"));
    QCOMPARE(s.panel.Channels->item(2)->text(), QString(" Ch. 03 : Violin"));
    s.panel.hide();
    std::lock_guard lock(s.rig.engine.Lock);
    QVERIFY(!s.rig.engine.Live.MixerShown);
  }

  void AnInstrumentKeyPlayedElsewhereShowsInThePanel() {
    Shown s;
    Engine& engine = s.rig.engine;
    {
      std::lock_guard lock(engine.Lock);
      engine.Mixer.Keys.SetInstrument(0, 56, engine.Mixer.List, 90, 64, 40, 0);
    }
    // A MIDI keyboard's instrument key arrives on the input thread.
    std::thread keyboard([&engine] {
      std::lock_guard lock(engine.Lock);
      engine.Input.Hooks.SelectInstrumentPreset(0);
    });
    keyboard.join();
    QTRY_COMPARE(s.panel.Bars[kBarVolume]->value(), 90);
    QCOMPARE(s.panel.Instruments->currentRow(), 56);
    QCOMPARE(s.panel.Channels->item(0)->text(), QString(" Ch. 01 : Trumpet"));
  }

  void ShowingThePanelReadsTheInstrumentSetAgain() {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("korvel-mixer-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "small.kvi") << "-- Piano --\n"
                                           "001 000 000 Piano 1\n"
                                           "001 008 000 Piano 1w\n"
                                           " 1 = Bank-Type  (0: GM  1: GS  2: XG)\n";
    Shown s;
    QCOMPARE(s.panel.InstrumentSet->text(), QString("GM.KVI"));
    QCOMPARE(s.panel.Instruments->count(), 130);
    s.panel.hide();
    {
      std::lock_guard lock(s.rig.engine.Lock);
      s.rig.engine.Mixer.LoadInstrumentList((folder / "small.kvi").string(), "");
      QCOMPARE(s.rig.engine.Mixer.List.Size(), 4);
    }
    s.panel.show();
    std::filesystem::remove_all(folder);
    QCOMPARE(s.panel.InstrumentSet->text(), QString("SMALL.KVI"));
    QCOMPARE(s.panel.Instruments->count(), 4);
    QCOMPARE(s.panel.Instruments->item(2)->text(), QString("001 008 000 Piano 1w"));
  }

  void TheKeysWindowCopiesTheListWhileShown() {
    Rig rig;
    Configuration settings("");
    TIns window(rig.engine, settings);
    QCOMPARE(window.objectName(), QString("TIns"));
    QCOMPARE(window.windowTitle(), QString("Instruments & Functions"));
    QVERIFY(window.isWindow());
    QCOMPARE(window.Instruments->count(), 0);
    QCOMPARE(window.Functions->count(), 12);
    window.show();
    QCOMPARE(window.Instruments->count(), 130);
    QCOMPARE(window.Slots->item(1)->text(), QString("F2  ") + GmProgramNames[5]);
    window.hide();
    QCOMPARE(window.Instruments->count(), 0);
  }

  void SetGivesTheChosenKeyTheInstrumentAndTheBars() {
    Window w;
    ClickRow(w.window.Slots, 1);
    QCOMPARE(w.rig.Module(),
             std::vector<Bytes>(
                 {{0xC0, 5}, {0xB0, 7, 105}, {0xB0, 10, 64}, {0xB0, 91, 75}, {0xB0, 93, 10}}));
    w.rig.driver.ClearSent();
    ClickRow(w.window.Instruments, 40);
    QCOMPARE(w.rig.Module(), std::vector<Bytes>({{0xC0, 40}}));
    {
      std::lock_guard lock(w.rig.engine.Lock);
      w.rig.engine.Mixer.Bars[kBarVolume] = 90;
    }
    QTest::mouseClick(w.window.findChild<QPushButton*>("SetInstrument"), Qt::LeftButton);
    QCOMPARE(w.Line(1), QString("F2  Violin"));
    std::lock_guard lock(w.rig.engine.Lock);
    QCOMPARE(w.rig.engine.Mixer.Keys.Slots[1], (KeySlot{40, 90, 64, 75, 10}));
  }

  void SetFunctionThenClear() {
    Window w;
    QVERIFY2(!w.window.SetFunction->isEnabled(), "no key is chosen yet");
    QVERIFY(!w.window.Clear->isEnabled());
    ClickRow(w.window.Slots, 4);
    ClickRow(w.window.Functions, 1);
    QTest::mouseClick(w.window.SetFunction, Qt::LeftButton);
    QCOMPARE(w.Line(4), QString("F5  ** Start/Stop **"));
    QTest::mouseClick(w.window.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    QCOMPARE(w.Line(4), QString("F5  "));
    QCOMPARE(w.Line(5), QString("F6  ") + GmProgramNames[41]);
    QTest::mouseClick(w.window.findChild<QPushButton*>("Clear All"), Qt::LeftButton);
    for (int k = 0; k < 12; ++k) QCOMPARE(w.Line(k), QString("F%1  ").arg(k + 1));
  }

  void RandomDrawsAndPlaysTheChosenKey() {
    Window w;
    ClickRow(w.window.Slots, 6);
    QTest::mouseClick(w.window.findChild<QPushButton*>("Clear All"), Qt::LeftButton);
    w.rig.driver.ClearSent();
    QTest::mouseClick(w.window.findChild<QPushButton*>("Random"), Qt::LeftButton);
    std::lock_guard lock(w.rig.engine.Lock);
    const Mixer& mixer = w.rig.engine.Mixer;
    for (int k = 0; k < 12; ++k)
      QCOMPARE(w.Line(k), QString("F%1  ").arg(k + 1) + Text(mixer.Keys.Text(k, mixer.List)));
    QVERIFY(!mixer.Keys.Slots[6].Empty());
    const auto sent = w.rig.Module();
    QVERIFY(!sent.empty());
    QCOMPARE(sent.front(), Bytes({0xC0, static_cast<uint8_t>(mixer.Keys.Slots[6].Value)}));
  }

  void StoredSets_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
  }
  void StoredSets() {
    QFETCH(bool, answer);
    Window w;
    ClickRow(w.window.Slots, 0);
    ClickRow(w.window.Functions, 3);
    QTest::mouseClick(w.window.SetFunction, Qt::LeftButton);
    w.window.Number->setValue(4);
    QTest::mouseClick(w.window.findChild<QPushButton*>("Save as No."), Qt::LeftButton);
    std::string stored;
    {
      std::lock_guard lock(w.rig.engine.Lock);
      QCOMPARE(w.rig.engine.Mixer.Keys.StoredSetNumber, 4);  // kept in the settings as View
      QVERIFY(w.settings.InstrumentSets.count("4"));
      stored = w.settings.InstrumentSets["4"];
      QCOMPARE(Text(stored), Text(w.rig.engine.Mixer.Keys.SetString(130)));
    }
    QTest::mouseClick(w.window.ClearAll, Qt::LeftButton);
    w.rig.dialogs.Answers = {answer};
    QTest::mouseClick(w.window.findChild<QPushButton*>("Load No."), Qt::LeftButton);
    QCOMPARE(w.rig.dialogs.Questions, std::vector<std::string>({"Open Instrument-Set No.4 ?"}));
    QCOMPARE(w.Line(0), answer ? QString("F1  ** Melody on/off **") : QString("F1  "));
    QCOMPARE(w.Line(2), QString("F3  ") + (answer ? GmProgramNames[17] : ""));
  }
};

}  // namespace korvel

QTEST_MAIN(korvel::MixerPanelTest)
#include "MixerPanelTest.moc"
