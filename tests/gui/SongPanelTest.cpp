// The song panel under the offscreen platform, on an engine whose clock the test steps and a
// view that queues to the GUI thread as the main window's does: recording chords with the
// panel, playing them back with the positions shown, and what the panel lets the musician do
// while the song runs.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTest>
#include <mutex>

#include "forms/QtView.h"
#include "forms/SongPanel.h"
#include "platform/RecordingDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

constexpr uint8_t C = 48, G = 55;

// The panel on a stepped engine, with the main window's position, beat and chord labels.
struct PanelRig {
  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  QMainWindow window;
  QLabel lamp, position, chord, beat;
  QSpinBox tempo;
  QtView view{&window, &lamp, &position, &chord, &beat, &tempo};
  Engine engine{devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual};
  SongPanel panel{engine};

  PanelRig() {
    std::lock_guard lock(engine.Lock);
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();
    view.SongChanged = [this] { panel.Refresh(); };
  }
  // Runs `count` clocks, then lets the queued updates reach the labels.
  void Ticks(int count) {
    {
      std::lock_guard lock(engine.Lock);
      for (int i = 0; i < count; ++i) engine.Transport.ClockTick();
    }
    QApplication::processEvents();
  }
  void Chord(int root, int type) {
    std::lock_guard lock(engine.Lock);
    engine.Chords.SetChord(root, type, 0);
  }
  void Trigger(QAction* item) {
    item->trigger();
    QApplication::processEvents();
  }
  ChordEntry Entry(int pos) {
    std::lock_guard lock(engine.Lock);
    return engine.Song.Memory.Entry(pos);
  }
  int Mode() {
    std::lock_guard lock(engine.Lock);
    return engine.Song.TransportMode;
  }
};

class SongPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void RecordedChordsPlayBackWithTheirPositionsShown() {
    PanelRig rig;
    rig.Trigger(rig.panel.RecordItem);
    QCOMPARE(rig.beat.text(), QString("R"));
    rig.Chord(C, 1);
    rig.Ticks(24);  // beat 1
    rig.Ticks(24 * 3);
    rig.Chord(G, 2);  // held when measure 2 begins
    rig.Ticks(24 * 4);
    QCOMPARE(rig.position.text(), QString("2:4"));
    rig.Trigger(rig.panel.StopItem);
    QCOMPARE(rig.Mode(), kSongStopped);
    QCOMPARE(rig.beat.text(), QString());
    QCOMPARE(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
    QCOMPARE(rig.Entry(20), (ChordEntry{G, 2, 0, 0}));
    QCOMPARE(rig.Entry(36), (ChordEntry{0, 0, kCommandEnd, 0}));
    QVERIFY(rig.panel.RecordItem->isEnabled());

    rig.Trigger(rig.panel.PlayItem);
    QCOMPARE(rig.beat.text(), QString("P"));
    QCOMPARE(rig.panel.PlayButton->text(), QString("Pause"));
    QStringList shown;
    rig.Ticks(1);  // the first beat
    shown << rig.position.text();
    for (int b = 2; b <= 8; ++b) {
      rig.Ticks(24);
      shown << rig.position.text();
    }
    QCOMPARE(shown, QStringList({"1:1", "1:2", "1:3", "1:4", "2:1", "2:2", "2:3", "2:4"}));
    rig.Ticks(24);  // the end mark stops the song on the clock
    QCOMPARE(rig.Mode(), kSongStopped);
    QCOMPARE(rig.beat.text(), QString());
    QCOMPARE(rig.panel.PlayButton->text(), QString("Play"));
    QVERIFY2(rig.panel.RecordItem->isEnabled(), "the view told the panel the song stopped");
  }

  void WhatTheTransportLeavesEnabled_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("takesAllowed");  // Record, Step, Punch in, Play && Overwrite
    QTest::addColumn<QString>("play");
    QTest::addColumn<bool>("preview");
    QTest::newRow("stopped") << "stopped" << true << "Play" << false;
    QTest::newRow("recording") << "recording" << false << "Pause" << false;
    QTest::newRow("playing") << "playing" << false << "Pause" << false;
    QTest::newRow("paused") << "paused" << true << "Resume" << false;
    QTest::newRow("step recording") << "step" << false << "Play" << true;
  }

  void WhatTheTransportLeavesEnabled() {
    QFETCH(QString, state);
    QFETCH(bool, takesAllowed);
    QFETCH(QString, play);
    QFETCH(bool, preview);
    PanelRig rig;
    test::SongBytes song(2);
    song.At(1, 1, {C, 1, 0, 0}).End(2);
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.engine.Song.LoadSong(song.Bytes.data(), song.Bytes.size());
    }
    rig.dialogs.Answers = {true};  // "Replace current chords ?"
    if (state == "recording") rig.Trigger(rig.panel.RecordItem);
    if (state == "playing" || state == "paused") rig.Trigger(rig.panel.PlayItem);
    if (state == "paused") rig.Trigger(rig.panel.PlayItem);
    if (state == "step") {
      rig.Trigger(rig.panel.StepRecordItem);
      QTest::mouseClick(rig.panel.StepStart, Qt::LeftButton);
      QApplication::processEvents();
    }
    SongPanel& p = rig.panel;
    for (QAction* item : {p.RecordItem, p.StepRecordItem, p.PunchInItem, p.PlayOverwriteItem})
      QCOMPARE(item->isEnabled(), takesAllowed);
    for (QWidget* box :
         std::initializer_list<QWidget*>{p.SpinEdit3, p.FirstMeasure, p.LastMeasure, p.Overwrite})
      QCOMPARE(box->isEnabled(), takesAllowed);
    for (QAction* item : {p.PlayItem, p.StopItem, p.ClearItem, p.NewItem})
      QVERIFY(item->isEnabled());
    QVERIFY2(p.Loop->isEnabled(), "the loop may be switched while the song plays");
    QCOMPARE(p.PlayButton->text(), play);
    QCOMPARE(p.StepPreview->isVisibleTo(&p), preview);
    rig.Trigger(p.StopItem);
    QVERIFY(p.RecordItem->isEnabled());
    QVERIFY(!p.StepPreview->isVisibleTo(&p));
  }

  void TheStepPanelOffersOnlyTapsOnWholeBeats() {
    PanelRig rig;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.engine.Transport.SetMetre(3);  // 3/4
      rig.engine.Song.StepTaps = 4;      // from an earlier 4/4 song
    }
    rig.Trigger(rig.panel.StepRecordItem);
    QVERIFY(rig.panel.StepPanel->isVisibleTo(&rig.panel));
    QCOMPARE(rig.panel.Metre->text(), QString("Metrum: 3/4"));
    QList<bool> offered;
    for (QRadioButton* tap : rig.panel.Taps) offered << tap->isEnabled();
    QCOMPARE(offered, QList<bool>({true, false, true, false, false, false}));
    QVERIFY2(rig.panel.Taps[2]->isChecked(), "4 taps fall back to 3 in 3/4");

    QTest::mouseClick(rig.panel.StepStart, Qt::LeftButton);
    QApplication::processEvents();
    QVERIFY(!rig.panel.StepPanel->isVisibleTo(&rig.panel));
    QCOMPARE(rig.beat.text(), QString("1"));
    for (uint8_t root : {C, G}) rig.Chord(root, 1);
    QApplication::processEvents();
    QCOMPARE(rig.beat.text(), QString("3"));
    QCOMPARE(rig.Entry(4).Root, C);
    QCOMPARE(rig.Entry(8).Root, G);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::SongPanelTest)
#include "SongPanelTest.moc"
