// The generator's navigation under the offscreen platform, on an engine whose clock the test
// steps: the measure and loop buttons reach the measure they name, the part menus take the
// loop from the measure that plays, and a jump chases the controllers and programs on the
// recording driver without leaving a note sounding. Also the window's other ways to play:
// "Play Parts", "4. Test style", and the event editor it opens.
#include <QApplication>
#include <QTest>
#include <map>

#include "app/GeneratorCommands.h"
#include "forms/TGen.h"
#include "forms/TStyleEvents.h"
#include "stylegen/MidiFileWriter.h"
#include "support/PlayerRig.h"
#include "support/SoundingNotes.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

constexpr int kMeasure = 96;
// One note per measure on channel 1, the scale of C from C4 up; a program change and a volume
// at the start of measure 3, a volume of 80 at the start.
const int kNotes[] = {60, 62, 64, 65, 67, 69, 71, 72};

std::vector<uint8_t> EightMeasures() {
  std::vector<TimedMessage> messages;
  messages.push_back({0, {0xB0, 7, 80}});
  for (int m = 0; m < 8; ++m) {
    const int64_t start = int64_t{m} * kMeasure;
    if (m == 2) {
      messages.push_back({start, {0xC0, 5}});
      messages.push_back({start, {0xB0, 7, 100}});
    }
    messages.push_back({start, {0x90, static_cast<uint8_t>(kNotes[m]), 100}});
    messages.push_back({start + 48, {0x80, static_cast<uint8_t>(kNotes[m]), 0}});
  }
  return StandardMidiFile(messages, 120);
}

using test::Sounding;

struct NavigationRig : test::PlayerRig {
  test::TempDir dir{"gen-nav"};
  MidiFileImport import{engine, dialogs, view};
  TGen window{engine, import, dialogs};
  GeneratorNavigationBar& bar = *window.Navigation;

  NavigationRig() {
    ConnectImportToGenerator(import, engine);
    dialogs.Files.push_back(dir.Write("eight.mid", EightMeasures()));
    window.ImportItem->trigger();
    QApplication::processEvents();
  }
  void Click(QAbstractButton* button) {
    driver.ClearSent();
    button->click();
    QApplication::processEvents();
  }
  void Trigger(QAction* item) {
    driver.ClearSent();
    item->trigger();
    QApplication::processEvents();
  }
  // The notes struck in the next `clocks` clocks (the lead-in after a start included).
  std::vector<int> Struck(int clocks) {
    const size_t before = driver.Sent().size();
    Ticks(clocks);
    std::vector<int> struck;
    const auto sent = driver.Sent();
    for (size_t i = before; i < sent.size(); ++i) {
      const auto& b = sent[i].Bytes;
      if ((b[0] & 0xF0) == 0x90 && b[2] > 0) struck.push_back(b[1]);
    }
    return struck;
  }
  // The first note struck in the next `clocks` clocks, -1 for none.
  int FirstStruck(int clocks) {
    const std::vector<int> struck = Struck(clocks);
    return struck.empty() ? -1 : struck.front();
  }
  // Channel messages other than notes sent since the last click, as "B0 07 64" lines.
  std::string Controls() const {
    std::string text;
    char line[16];
    for (const auto& m : driver.Sent()) {
      const int h = m.Bytes[0] & 0xF0;
      if (h == 0x80 || h == 0x90) continue;
      std::snprintf(line, sizeof line, "%02X %02X %02X\n", m.Bytes[0],
                    m.Bytes.size() > 1 ? m.Bytes[1] : 0, m.Bytes.size() > 2 ? m.Bytes[2] : 0);
      text += line;
    }
    return text;
  }
  // Sets `part` to measures first..last as the "Set" button would, without its question.
  void SetPart(int part, int first, int last) {
    window.SwitchMode(true);
    std::lock_guard lock(engine.Lock);
    style.SelectedPart = part;
    engine.Generator.LoopRange = {first, 1, last};
    engine.StyleParts.SetStylePart(PartSender::None);
    if (player.Playing) player.StopPlayback();
  }
  int LoopStart() { return window.LoopStart->value(); }
  int LoopEnd() { return window.LoopEnd->value(); }
};

class GeneratorNavigationTest : public QObject {
  Q_OBJECT

 private slots:
  void TheButtonsReachTheMeasuresTheyName() {
    NavigationRig rig;
    // The last note ends half-way through measure 8.
    QCOMPARE(rig.style.Work.WorkSixteenths, int16_t{7 * 16 + 8});
    rig.window.SwitchMode(true);
    QVERIFY(rig.engine.Style.StyleMode);
    struct Step {
      const char* name;
      QAbstractButton* button;
      int loopStart;
      int firstNote;  // the note of the measure that plays next; 0: nothing struck
    };
    const Step steps[] = {
        {">", rig.bar.NextButton, 2, 62},
        {">", rig.bar.NextButton, 3, 64},
        {"<", rig.bar.PreviousButton, 2, 62},
        {"Last 4 measures", rig.bar.LastFourButton, 5, 67},
        {"<<", rig.bar.LoopsBackButton, 1, 60},
        {">>", rig.bar.LoopsForwardButton, 5, 67},
        {"|<", rig.bar.RewindButton, 1, 60},
        {"<", rig.bar.PreviousButton, 1, 0},  // nothing before measure 1: no move
    };
    for (const Step& step : steps) {
      rig.Click(step.button);
      QVERIFY2(rig.LoopStart() == step.loopStart, step.name);
      QVERIFY2(rig.player.Playing, step.name);
      const std::vector<int> struck = rig.Struck(kMeasure / 2);
      QVERIFY2(step.firstNote == 0 ? struck.empty()
                                   : !struck.empty() && struck.front() == step.firstNote,
               step.name);
    }
  }

  void TheLastMeasureHasNoNextOne() {
    NavigationRig rig;
    rig.window.SwitchMode(true);
    rig.Click(rig.bar.LastFourButton);
    for (int i = 0; i < 3; ++i) rig.Click(rig.bar.NextButton);
    QCOMPARE(rig.LoopStart(), 8);
    rig.Click(rig.bar.NextButton);
    QCOMPARE(rig.LoopStart(), 8);
    QCOMPARE(rig.FirstStruck(kMeasure / 2), 72);
  }

  // A LoopEnd typed while the loop plays takes effect at once, from the measure that plays.
  void ANewLoopEndPlaysAtOnce() {
    NavigationRig rig;
    rig.window.SwitchMode(true);
    rig.Click(rig.bar.LastFourButton);
    QCOMPARE(rig.LoopEnd(), 0);
    rig.window.LoopEnd->setValue(5);
    QApplication::processEvents();
    QCOMPARE(rig.Struck(2 * kMeasure + 24), (std::vector<int>{67, 67, 67}));
  }

  // "&Loop" at "2 measures", measure 5 playing: "&Basic" loops measures 5 and 6.
  void APartMenuLoopsTheMeasuresThatPlay() {
    NavigationRig rig;
    rig.window.SwitchMode(true);
    rig.Trigger(rig.bar.LoopItems[1]);
    QCOMPARE(rig.bar.Navigator().LoopMeasures(), 2);
    rig.Click(rig.bar.LastFourButton);
    rig.Trigger(rig.bar.BasicItem);
    QCOMPARE(rig.engine.Style.SelectedPart, int{kBasic});
    QCOMPARE(rig.LoopStart(), 5);
    QCOMPARE(rig.LoopEnd(), 6);
    QCOMPARE(rig.Struck(3 * kMeasure), (std::vector<int>{67, 69, 67}));
    // A fill takes the one measure; its variation the whole loop.
    rig.Trigger(rig.bar.OtherItems[2]);  // "Fill in Basic"
    QCOMPARE(rig.engine.Style.SelectedPart, int{kFillBasic});
    QCOMPARE(rig.LoopEnd(), rig.LoopStart());
    QVERIFY(!rig.engine.StyleParts.ChosenAsVariation[kFillBasic]);
    rig.Trigger(rig.bar.VariationBasicItem);
    QCOMPARE(rig.LoopEnd(), rig.LoopStart() + 1);
    QVERIFY(rig.engine.StyleParts.ChosenAsVariation[kFillBasic]);
    // A longer loop takes effect on the playing main part at once.
    rig.Trigger(rig.bar.ExtendedItem);
    rig.Trigger(rig.bar.LoopItems[3]);
    QCOMPARE(rig.LoopEnd(), rig.LoopStart() + 3);
    // "Ending" starts with the last four measures; "Intro" from measure 2.
    rig.Trigger(rig.bar.OtherItems[1]);
    QCOMPARE(rig.LoopStart(), 5);
    QCOMPARE(rig.LoopEnd(), 8);
    rig.Trigger(rig.bar.OtherItems[0]);
    QCOMPARE(rig.LoopStart(), 2);
    QCOMPARE(rig.LoopEnd(), 5);
  }

  // Forward: controllers reset, then the program and volume met on the way, once each; back:
  // pitch-bend centre and nothing else. Neither leaves a note sounding.
  void AJumpChasesTheControllersAndEndsEveryNote() {
    NavigationRig rig;
    QVERIFY(StartGeneratorPlay(rig.engine));
    rig.transport.StartDelay = 0;
    rig.Ticks(10);  // measure 1's note sounds
    auto sent = rig.driver.Sent();
    QVERIFY(!Sounding(sent).empty());
    rig.Click(rig.bar.LastFourButton);
    std::string reset;
    for (int c = 0; c < 16; ++c)
      reset += QString("B%1 79 00\n").arg(c, 1, 16).toUpper().toStdString();
    QCOMPARE(rig.Controls(), reset + "C0 05 00\nB0 07 64\n");
    // Every note struck before the jump was ended by it.
    for (const auto& m : rig.driver.Sent()) sent.push_back(m);
    QVERIFY(Sounding(sent).empty());
    QCOMPARE(rig.FirstStruck(kMeasure / 2), 67);

    rig.Click(rig.bar.PreviousButton);
    std::string centre;
    for (int c = 0; c < 16; ++c)
      centre += QString("E%1 00 40\n").arg(c, 1, 16).toUpper().toStdString();
    QCOMPARE(rig.Controls(), centre);
    QCOMPARE(rig.FirstStruck(kMeasure / 2), 65);
  }

  void PlayPartsPlaysASetPartOnly() {
    NavigationRig rig;
    rig.SetPart(kBasic, 3, 4);
    QVERIFY(!rig.window.PlayPart(kEnding));
    QCOMPARE(rig.engine.Style.SelectedPart, int{kEnding});
    QVERIFY(!rig.player.Playing);
    QVERIFY(rig.window.PlayPart(kBasic));
    QVERIFY(rig.player.Playing);
    QCOMPARE(rig.LoopStart(), 3);
    QCOMPARE(rig.LoopEnd(), 4);
    QCOMPARE(rig.FirstStruck(kMeasure + 24), 64);
    QVERIFY(!rig.window.PlayPart(8));
  }

  void TestStylePlaysTheArrangementAfterAsking() {
    NavigationRig rig;
    rig.SetPart(kBasic, 1, 2);
    rig.SetPart(kEnding, 7, 8);
    rig.engine.Song.Memory.SetEntry(kFirstBeatPos, {50, 2, 0, 0});
    rig.engine.Song.LoadSong(rig.engine.Song.Memory.Bytes.data(), 40);
    const auto song = rig.engine.Song.Memory.Bytes;
    rig.Trigger(rig.window.TestStyleItem);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Replace current chords ?"));
    QVERIFY(rig.engine.Song.Memory.Bytes == song);
    QVERIFY(!rig.engine.Song.Running());
    rig.dialogs.Answers.push_back(true);
    rig.Trigger(rig.window.TestStyleItem);
    QVERIFY(rig.engine.Song.Running());
    // Basic from measure 1 with its chord, the ending key at measure 3.
    QCOMPARE(rig.engine.Song.Memory.Entry(kFirstBeatPos), (ChordEntry{48, 1, 0, 0}));
    QCOMPARE(int{rig.engine.Song.Memory.Entry(kFirstBeatPos + 32).Control},
             int{rig.keys.EndingKey});
  }

  void TheEventsButtonOpensTheEditorOnThePart() {
    NavigationRig rig;
    TStyleEvents events(rig.engine);
    rig.window.SetStyleEventsWindow(&events);
    rig.SetPart(kBasic, 2, 3);
    QCOMPARE(events.objectName(), QString("TStyleEvents"));
    QVERIFY(rig.window.StyleEventsButton->isEnabled());
    rig.Click(rig.window.StyleEventsButton);
    QVERIFY(events.isVisible());
    QCOMPARE(events.Editor().NoteLabel(), std::string("5 D"));
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::GeneratorNavigationTest)
#include "GeneratorNavigationTest.moc"
