// The "Style - Events" window under the offscreen platform on a stepped engine: it opens on the
// selected part's loop, steps through its notes sounding each on the play port, changes a note
// and takes the change back, and leaves no auditioned note sounding.
#include <QApplication>
#include <QTest>
#include <map>

#include "forms/TStyleEvents.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class TStyleEventsTest : public QObject {
  Q_OBJECT

 private slots:
  // A Basic part of two notes, C5 and E5, a quarter note each.
  static void TwoNotes(test::PlayerRig& rig) {
    WorkMaterial& work = rig.style.Work;
    work.ClearWork();
    WorkWriter w(work);
    w.Message(0x90, 60, 100);
    w.Clocks(24);
    w.Message(0x80, 60, 0);
    w.Message(0x90, 64, 90);
    w.Clocks(24);
    w.Message(0x80, 64, 0);
    w.Finish();
    rig.style.Parts.Part(kBasic).Set(kBasic, 1, 1, 0, w.Position());
    rig.style.SelectedPart = kBasic;
  }

  void StepsChangesAndUndoesOnThePartLoop() {
    test::PlayerRig rig;
    TwoNotes(rig);
    WorkMaterial& work = rig.style.Work;

    TStyleEvents window(rig.engine);
    QCOMPARE(window.windowTitle(), QString("Style - Events"));
    window.show();
    window.OpenOnPart();
    QCOMPARE(window.NoteLabel->text(), QString("5 C"));
    QCOMPARE(window.OctaveList->currentIndex(), 4);
    QCOMPARE(window.VelocityLabel->text(), QString("100"));

    rig.driver.ClearSent();
    QTest::mousePress(window.NextButton, Qt::LeftButton);
    QCOMPARE(window.NoteLabel->text(), QString("5 E"));
    QTest::mouseRelease(window.NextButton, Qt::LeftButton);

    window.NoteList->setCurrentIndex(7);  // G
    window.OctaveList->setCurrentIndex(3);
    window.ChangeButton->click();
    QCOMPARE(window.NoteLabel->text(), QString("4 G"));
    QCOMPARE(int{work.Chunk(0)[10]}, 55);
    QCOMPARE(int{work.Chunk(0)[16]}, 55);
    QVERIFY(rig.engine.Generator.StyleChanged);
    window.UndoButton->click();
    QCOMPARE(int{work.Chunk(0)[10]}, 64);
    QCOMPARE(int{work.Chunk(0)[16]}, 64);

    window.ToneButton->click();
    window.close();
    // Everything struck on the play port was released.
    std::map<int, int> sounding;
    for (const auto& m : rig.driver.Sent()) {
      if (m.Bytes.size() < 3) continue;
      const int ch = m.Bytes[0] & 0x0F;
      if ((m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] > 0) ++sounding[ch * 128 + m.Bytes[1]];
      if ((m.Bytes[0] & 0xF0) == 0x80) sounding.erase(ch * 128 + m.Bytes[1]);
      if ((m.Bytes[0] & 0xF0) == 0xB0 && m.Bytes[1] == 123)
        std::erase_if(sounding, [ch](const auto& e) { return e.first / 128 == ch; });
    }
    QVERIFY(sounding.empty());
  }

  // Opened while the part plays, the window starts where the player is; its velocity bar
  // never reaches 0, which would silence the note without an undo.
  void OpensAtThePlayingPosition() {
    test::PlayerRig rig;
    TwoNotes(rig);
    rig.style.StyleLength = rig.style.Work.WorkLength;
    rig.style.AnalyseStyleParts(0, kStylePartCount - 1, 3, "");
    rig.style.StyleMode = true;
    rig.style.StyleLoaded = true;
    rig.Start();
    rig.Chord(48, 1);
    rig.Ticks(12);  // C5 sounds: the window opens on the note that comes next
    QVERIFY(rig.player.Playing);
    TStyleEvents window(rig.engine);
    window.show();
    window.OpenOnPart();
    QCOMPARE(window.NoteLabel->text(), QString("5 E"));
    QCOMPARE(window.VelocityBar->minimum(), 1);
    QCOMPARE(window.VelocityBar->maximum(), 127);
    rig.transport.StopCommand();
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TStyleEventsTest)
#include "TStyleEventsTest.moc"
