// The "Solo - Mute" panel under the offscreen platform, on a style that plays on the recording
// driver: a mute box silences its channel, the "Solo" group lets one channel through, and the
// "Active/Minus/Repl. Ch." group with "Minus One" and "Replace One" reaches the core.
#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <mutex>

#include "forms/SoloMutePanel.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

// Channels 2 and 3 hold a note for half a measure; the drums strike on beat 1.
struct Rig : test::PlayerRig {
  test::StyleFixture fixture;
  bool filePlaying = false;
  SoloMutePanel panel{engine, [this] { return filePlaying; }};

  Rig() {
    fixture.Part(kBasic, 1,
                 {{0, 0x91, 60, 100},
                  {0, 0x92, 64, 100},
                  {0, 0x99, 36, 100},
                  {48, 0x91, 60, 0},
                  {48, 0x92, 64, 0}});
    {
      std::lock_guard lock(engine.Lock);
      Load(fixture);
      Start();
      Chord(48, 1);
    }
    panel.show();  // clicks reach laid-out buttons only
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
  }
  // The channels (1..16) of the note-ons of the next measure.
  QList<int> NextMeasure() {
    std::lock_guard lock(engine.Lock);
    driver.ClearSent();
    Ticks(96);
    QList<int> played;
    for (const auto& m : driver.Sent())
      if ((m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] > 0) played << (m.Bytes[0] & 0x0F) + 1;
    return played;
  }
  QAbstractButton* Button(const QString& name) { return panel.findChild<QAbstractButton*>(name); }
};

// A click on the box's indicator: a wide box's middle may lie beyond its caption.
void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

class SoloMutePanelTest : public QObject {
  Q_OBJECT

 private slots:
  void AMuteBoxSilencesItsChannelAtOnce() {
    Rig rig;
    QCOMPARE(rig.NextMeasure(), QList<int>({2, 3, 10}));
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.Ticks(10);  // channels 2 and 3 sound
      rig.driver.ClearSent();
    }
    QTest::mouseClick(rig.Button("cb2"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(rig.notes.ChannelBoxes[2]);
      QCOMPARE(rig.Notes(), std::vector<std::string>({"106:3:64:0"}));
    }
    QCOMPARE(rig.panel.Mutes[2]->checkState(), Qt::Checked);
    QCOMPARE(rig.NextMeasure(), QList<int>({2, 10}));
    QTest::mouseClick(rig.Button("cb2"), Qt::LeftButton);
    QCOMPARE(rig.panel.Mutes[2]->checkState(), Qt::Unchecked);
    QCOMPARE(rig.NextMeasure(), QList<int>({2, 3, 10}));
  }

  void AnUntickedBoxShowsThatItsChannelPlays() {
    Rig rig;
    rig.NextMeasure();
    QTRY_COMPARE(rig.panel.Mutes[1]->checkState(), Qt::PartiallyChecked);
    QCOMPARE(rig.panel.Mutes[4]->checkState(), Qt::Unchecked);
    // A click on a greyed box mutes it.
    QTest::mouseClick(rig.panel.Mutes[1], Qt::LeftButton);
    QCOMPARE(rig.panel.Mutes[1]->checkState(), Qt::Checked);
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(int{rig.notes.ChannelMute[1]}, 1);
  }

  void SoloPassesOneChannelAndNilThemAll() {
    Rig rig;
    QVERIFY(rig.Button("SoloNil")->isChecked());
    QTest::mouseClick(rig.Button("Solo3"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(int{rig.notes.SoloSelection}, 3);
    }
    QCOMPARE(rig.NextMeasure(), QList<int>({3}));
    QTest::mouseClick(rig.Button("SoloNil"), Qt::LeftButton);
    QCOMPARE(rig.NextMeasure(), QList<int>({2, 3, 10}));
  }

  void MinusOneAndReplaceOneActOnTheChosenChannel() {
    Rig rig;
    int changes = 0;
    connect(&rig.panel, &SoloMutePanel::PlayAlongChanged, [&changes] { ++changes; });
    QTest::mouseClick(rig.Button("Channel2"), Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.live.SelChannel, 1);
    }
    Click(rig.panel.MinusOne);
    QVERIFY(rig.panel.MinusOne->isChecked());
    Click(rig.panel.ReplaceOne);
    QVERIFY(rig.panel.ReplaceOne->isChecked());
    QVERIFY2(!rig.panel.MinusOne->isChecked(), "Replace One leaves only itself checked");
    QCOMPARE(rig.NextMeasure(), QList<int>({3, 10}));
    QCOMPARE(changes, 2);
    // While the file player plays, Minus One is refused and Replace One stays on.
    rig.filePlaying = true;
    Click(rig.panel.MinusOne);
    QVERIFY(!rig.panel.MinusOne->isChecked());
    QVERIFY(rig.panel.ReplaceOne->isChecked());
    Click(rig.panel.ReplaceOne);
    QCOMPARE(rig.NextMeasure(), QList<int>({2, 3, 10}));
    std::lock_guard lock(rig.engine.Lock);
    QVERIFY(!rig.live.ReplaceOne && !rig.live.MinusOne);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::SoloMutePanelTest)
#include "SoloMutePanelTest.moc"
