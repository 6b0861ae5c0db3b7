// The generator's work-file items, "Record from MIDI in" and the "Capture Style" window under
// the offscreen platform: a capture armed from the window records two measures that the
// sequencer plays and ends with the part set and the window closed; a work saved through the
// menu loads again with its name in the caption.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/GeneratorCommands.h"
#include "forms/TCapture.h"
#include "forms/TGen.h"
#include "support/MaterialText.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

struct CaptureRig : test::PlayerRig {
  test::TempDir dir{"tcapture"};
  MidiFileImport import{engine, dialogs, view};
  TGen window{engine, import, dialogs};

  CaptureRig() { ConnectImportToGenerator(import, engine); }
  // As the second MIDI input hands the sequencer's events to the recorder.
  void Sequencer(std::initializer_list<TMyMidiEvent> events, int clocksAfter) {
    std::lock_guard lock(engine.Lock);
    for (const TMyMidiEvent& e : events) engine.Recorder.RecordEvent(e);
    for (int i = 0; i < clocksAfter; ++i) engine.Recorder.RecordEvent({0xF8});
  }
};

}  // namespace

class TCaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void CaptureWindowRecordsAndSetsTheParts() {
    CaptureRig rig;
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.transport.SetMetre(3);  // 3/4
    }
    rig.window.CaptureItem->trigger();
    TCapture& capture = *rig.window.CaptureWindow;
    QVERIFY(capture.isVisible());
    QCOMPARE(capture.windowTitle(), QString("Capture Style"));
    QCOMPARE(capture.Metre->currentText(), QString("3/4"));
    QCOMPARE(capture.Tempo->value(), 120);
    capture.First[kIntro]->setValue(7);
    capture.Last[kEnding]->setValue(9);
    capture.NewButton->click();
    QCOMPARE(capture.First[kIntro]->value(), 1);
    QCOMPARE(capture.Last[kEnding]->value(), 0);
    capture.Last[kBasic]->setValue(5);
    QTest::mouseDClick(capture.Last[kBasic]->findChild<QLineEdit*>(), Qt::LeftButton);
    QCOMPARE(capture.Last[kBasic]->value(), 0);

    capture.Metre->setCurrentIndex(2);  // 4/4
    capture.Last[kBasic]->setValue(2);
    capture.Tempo->setValue(90);
    QCOMPARE(capture.RecordButton->text(), QString("OK - Record from MIDI in"));
    capture.RecordButton->click();
    QVERIFY(rig.engine.Recorder.Armed());
    QVERIFY(rig.engine.Recorder.Capturing());
    rig.window.Refresh();
    QCOMPARE(rig.window.MeasurePanel->text(), QString("1:1"));

    rig.Sequencer({{0xFA}}, 0);
    for (int measure = 0; measure < 2; ++measure) {
      rig.Sequencer({{0x90, static_cast<uint8_t>(60 + measure), 100}}, 48);
      rig.Sequencer({{0x80, static_cast<uint8_t>(60 + measure), 0}}, 48);
    }
    QApplication::processEvents();
    QVERIFY(!rig.engine.Recorder.Armed());
    QVERIFY(!capture.isVisible());
    QCOMPARE(rig.style.Parts.Part(kBasic).FirstMeasure(), 1);
    QCOMPARE(rig.style.Parts.Part(kBasic).LastMeasure(), 2);
    QCOMPARE(rig.transport.Tempo, 90);
    QCOMPARE(rig.dialogs.Messages.back(), std::string("OK - Styleparts are created !"));
    QVERIFY(rig.window.StyleMode->isChecked());
  }

  void RecordFromMidiInArmsAndWorkFilesGoThroughTheMenu() {
    CaptureRig rig;
    QCOMPARE(rig.window.RecordItem->text(), QString("Record from MIDI in"));
    QCOMPARE(rig.window.RecordItem->toolTip(), QString(kRecordHint));
    QVERIFY(rig.window.ArmRecording());
    rig.Sequencer({{0x90, 64, 100}}, 24);
    rig.Sequencer({{0x80, 64, 0}}, 72);
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.transport.StopCommand();
    }
    QApplication::processEvents();
    const auto recorded = test::MaterialLines(rig.style.Work);
    QCOMPARE(recorded.size(), size_t{3});

    QVERIFY(rig.window.SaveWorkItem->isEnabled());
    rig.dialogs.SaveFiles = {rig.dir.Path("take")};
    rig.window.SaveWorkItem->trigger();
    QCOMPARE(rig.dialogs.SaveRequests.back().Title, std::string("Save Work as ..."));
    QCOMPARE(rig.window.windowTitle(), QString("TAKE.KVW  -  ") + kGeneratorCaption);

    rig.dialogs.Answers = {true};  // "Replace current chords, song or style ?"
    rig.dialogs.Files = {rig.dir.Path("take.kvw")};
    rig.window.LoadWorkItem->trigger();
    QApplication::processEvents();
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Replace current chords, song or style ?"));
    QVERIFY(test::MaterialLines(rig.style.Work) == recorded);
    QVERIFY(rig.window.SongMode->isChecked());
    QCOMPARE(rig.window.windowTitle(), QString("TAKE.KVW  -  ") + kGeneratorCaption);
  }
};

}  // namespace korvel

QTEST_MAIN(korvel::TCaptureTest)
#include "TCaptureTest.moc"
