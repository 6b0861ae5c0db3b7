// The song editor window under the offscreen platform, its dialogs answered from a script: the
// grid shows what playback plays, the pop-up menu and panels write chords and commands, beats
// are copied and pasted, measures inserted through "How many Measures ?", refusals are shown in
// words, undo restores, the chord pads' pick lands in the current cell, and editor-controlled
// playback moves the shown measure.
#include <QTest>
#include <mutex>

#include "forms/PadsPanel.h"
#include "forms/TEditor.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

constexpr int C = 48, G = 55;  // G lies an octave up from the section's E: G"

// A three-measure song: C on 1:1, G min7 on 2:1 with Tempo 90, the end mark on 3:1; the
// entry on 1:3 has a type byte but no root, which playback ignores.
test::SongBytes Song(int endMeasure = 3) {
  test::SongBytes bytes(endMeasure);
  bytes.At(1, 1, {C, 1, 0, 0}).At(1, 3, {0, 4, 0, 0}).At(2, 1, {G, 4, kCommandTempo, 90});
  bytes.End(endMeasure);
  return bytes;
}

QAction* ItemOf(QMenu* menu, const QString& path) {
  for (QAction* action : menu->actions())
    if (action->text() == path) return action;
  const QStringList parts = path.split('/');
  for (QAction* action : menu->actions()) {
    if (action->text() != parts.front()) continue;
    if (parts.size() == 1) return action;
    return ItemOf(action->menu(), parts.mid(1).join('/'));
  }
  return nullptr;
}

class TEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void TheGridShowsWhatPlaybackPlays() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    QCOMPARE(editor.objectName(), QString("TEditor"));
    QCOMPARE(editor.windowTitle(), QString("Chord & Style Editor"));
    QCOMPARE(editor.Grid->rowCount(), 3);  // down to the end mark's measure
    QCOMPARE(editor.Grid->columnCount(), 4);
    QCOMPARE(editor.Grid->horizontalHeaderItem(1)->text(), QString("2/4"));
    QCOMPARE(editor.Grid->verticalHeaderItem(2)->text(), QString("003"));
    QCOMPARE(editor.Grid->item(0, 0)->text(), QString("C maj   "));
    QCOMPARE(editor.Grid->item(0, 2)->text(), QString(""));  // no root: no chord
    QCOMPARE(editor.Grid->item(1, 0)->text(), QString("G\" min7   Tempo 90"));
    QCOMPARE(editor.Grid->item(2, 0)->text(), QString("STOP"));
    QCOMPARE(editor.MetreLabel->text(), QString("4/4"));
  }

  // A STOP inside the song stops playback there and is edited like any command: opening the
  // editor, cutting it and deleting beats around it keep the song's end and every measure.
  void AStopInsideTheSongIsACommand() {
    test::SongRig rig;
    test::SongBytes bytes(4);
    bytes.At(1, 1, {C, 1, 0, 0}).At(1, 3, {0, 0, kCommandEnd, 0}).At(3, 1, {G, 4, 0, 0});
    rig.Load(bytes.End(4));
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    QCOMPARE(editor.Grid->rowCount(), 4);
    QCOMPARE(editor.CellText(1, 3), QString("STOP"));
    editor.SelectCell(1, 3);
    editor.CutFunctionItem->trigger();
    QCOMPARE(editor.CellText(1, 3), QString(""));
    ItemOf(editor.Popup, "Stop")->trigger();
    editor.DeleteBeatItem->trigger();  // the STOP goes, the rest moves up a beat
    QCOMPARE(editor.CellText(2, 4), QString("G\" min7   "));
    editor.InsertBeatItem->trigger();
    QVERIFY(rig.dialogs.Messages.empty());
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.song.SongEnd, 4 + 4 * 16);
    QCOMPARE(rig.Timeline(), bytes.At(1, 3, {}).Timeline());
  }

  void MenusAndPanelsWriteChordsAndCommands() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    editor.SelectCell(1, 2);
    ItemOf(editor.Popup, "Chord/D\"")->trigger();  // an octave up, type "maj" for a new chord
    ItemOf(editor.Popup, "Type/min7")->trigger();
    QCOMPARE(editor.CellText(1, 2), QString("D min7   "));  // 50 lies below E\"
    {
      std::lock_guard lock(rig.engine.Lock);
      const int first = rig.live.FirstKey;
      QCOMPARE(int{rig.Entry(8).Root}, first - first % 12 + 2 + 12);
      QCOMPARE(int{rig.Entry(8).Type}, 4);
    }
    ItemOf(editor.Popup, "Style/Fill in")->trigger();
    QCOMPARE(editor.CellText(1, 2), QString("D min7   Fill In"));

    const struct {
      const char* item;
      std::function<void()> set;
      QPushButton* button;
      const char* shown;
    } panels[] = {
        {"Tempo", [&] { editor.TempoValue->setValue(300); }, editor.TempoSet, "Tempo 250"},
        {"Transpose", [&] { editor.TransposeValue->setValue(-3); }, editor.TransposeSet, "3 Down"},
        {"Loop", [&] { editor.LoopCount->setValue(1); }, editor.LoopSet, "Loop 1x"},
        {"Solo/Mute",
         [&] {
           editor.MixChannel->setCurrentIndex(4);
           editor.MixChoices[2]->setChecked(true);
         },
         editor.MixSet, "Mute C.5"},
        {"Stop", nullptr, nullptr, "STOP"},
    };
    for (const auto& p : panels) {
      editor.SelectCell(2, 3);
      ItemOf(editor.Popup, p.item)->trigger();
      if (p.set) p.set();
      if (p.button) QTest::mouseClick(p.button, Qt::LeftButton);
      QCOMPARE(editor.CellText(2, 3), QString(p.shown));
    }
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(int{rig.Entry(MeasureStart(2, 16) + 8).Value}, 0);
    QVERIFY(rig.dialogs.Messages.empty());
  }

  void CopiedBeatsPasteByPairsAndCutsFillTheClipboard() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    editor.SelectCell(2, 1);
    editor.CutChordItem->trigger();  // G min7 into the clipboard, the tempo stays
    QCOMPARE(editor.CellText(2, 1), QString("Tempo 90"));
    editor.SelectCell(1, 4);
    editor.PasteBeatItem->trigger();
    QCOMPARE(editor.CellText(1, 4), QString("G\" min7   "));
    editor.SelectCell(2, 1);
    editor.CopyBeatItem->trigger();  // only the tempo now
    editor.SelectCell(1, 1);
    editor.PasteBeatItem->trigger();
    QCOMPARE(editor.CellText(1, 1), QString("C maj   Tempo 90"));  // the chord stays
    editor.SelectCell(1, 4);
    editor.CutBeatItem->trigger();
    QCOMPARE(editor.CellText(1, 4), QString(""));
    editor.SelectCell(1, 2);
    editor.PasteBeatItem->trigger();
    QCOMPARE(editor.CellText(1, 2), QString("G\" min7   "));
  }

  void MeasuresAreInsertedRefusedInWordsAndUndone() {
    test::SongRig rig;  // the empty song
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    QVERIFY(!editor.UndoItem->isEnabled());
    rig.dialogs.Texts = {std::string("0"), std::string("8"), std::string("99999999999999999999"),
                         std::nullopt};
    editor.InsertMeasureItem->trigger();  // 0: nothing, without a word
    QCOMPARE(editor.Grid->rowCount(), 1);
    editor.InsertMeasureItem->trigger();
    QCOMPARE(rig.dialogs.TextPrompts.back(), std::string("How many Measures ?"));
    QCOMPARE(editor.Grid->rowCount(), 9);
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(int{rig.Entry(132).Control}, int{kCommandEnd});
      QCOMPARE(rig.song.SongEnd, 148);
    }
    QVERIFY(editor.UndoItem->isEnabled());
    QVERIFY(rig.dialogs.Messages.empty());

    // A non-empty song gets one measure before the current one, without a question.
    editor.SelectCell(2, 1);
    ItemOf(editor.Popup, "Chord/E")->trigger();
    editor.InsertMeasureItem->trigger();
    QCOMPARE(rig.dialogs.TextPrompts.size(), size_t{2});
    QCOMPARE(editor.CellText(3, 1), QString("E maj   "));
    QCOMPARE(editor.Grid->rowCount(), 10);

    editor.SelectCell(10, 1);
    editor.DeleteMeasureItem->trigger();  // the end mark's measure
    QCOMPARE(rig.dialogs.Messages, (std::vector<std::string>{"Can't clear Measure !"}));
    QCOMPARE(editor.Grid->rowCount(), 10);

    editor.UndoItem->trigger();  // the insertion goes, the refusal took no copy
    QCOMPARE(editor.CellText(2, 1), QString("E maj   "));
    QCOMPARE(editor.Grid->rowCount(), 9);
    QVERIFY(!editor.UndoItem->isEnabled());

    editor.SelectCell(2, 1);
    editor.CopyMeasuresItem->trigger();
    QVERIFY(editor.CopyPanel->isVisibleTo(&editor));
    editor.CopyFirst->setValue(1);
    editor.CopyLast->setValue(8);
    editor.CopyDest->setValue(500);  // behind the end
    QTest::mouseClick(editor.CopySet, Qt::LeftButton);
    QCOMPARE(rig.dialogs.Messages.back(), std::string("Can't copy Measures !"));
    editor.CopyMeasuresItem->trigger();
    QCOMPARE(editor.CopyFirst->value(), 2);  // each opening starts at the current measure
    editor.CopyFirst->setValue(1);
    editor.CopyLast->setValue(8);
    editor.CopyDest->setValue(9);  // before the end mark: the song grows by eight measures
    QTest::mouseClick(editor.CopySet, Qt::LeftButton);
    QCOMPARE(editor.Grid->rowCount(), 17);
    QCOMPARE(editor.CellText(10, 1), QString("E maj   "));
  }

  void LoadingASongDropsTheUndoCopy() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    editor.SelectCell(1, 2);
    ItemOf(editor.Popup, "Chord/A")->trigger();
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.Load(Song(2));
    }
    QCoreApplication::processEvents();  // the open editor shows the loaded song
    QCOMPARE(editor.Grid->rowCount(), 2);
    QVERIFY(!editor.UndoItem->isEnabled());
    editor.UndoItem->trigger();  // even a stale trigger restores nothing
    QCOMPARE(editor.CellText(1, 2), QString(""));
  }

  // The clock runs from start-up: a pad picked for the editor still lands in the cell and
  // starts no style.
  void APadPickLandsInTheCurrentCell() {
    for (const bool clockRuns : {true, false}) {
      test::SongRig rig;
      TEditor editor(rig.engine, rig.dialogs);
      PadsPanel pads(rig.engine);
      bool padsShown = false;
      editor.ShowChordPads = [&] { padsShown = true; };
      {
        std::lock_guard lock(rig.engine.Lock);
        rig.Load(Song());
        if (!clockRuns) rig.transport.ToggleClock();
        QCOMPARE(rig.transport.ClockState != 0, clockRuns);
      }
      editor.OpenAt(1);
      editor.SelectCell(1, 4);
      editor.PadsItem->trigger();
      QVERIFY(padsShown);
      QVERIFY(!editor.isVisible());
      QTest::mouseClick(pads.Pad("B07"), Qt::LeftButton);  // G min
      QCoreApplication::processEvents();
      QVERIFY(editor.isVisible());
      QCOMPARE(editor.CellText(1, 4), QString("G\" min   "));
      std::lock_guard lock(rig.engine.Lock);
      QVERIFY(!rig.engine.Pads.EditorTakesPads);
      QVERIFY(!rig.engine.Player.Playing);
    }
  }

  // "Windows > Editor" shows a hidden editor again: it shows the song loaded meanwhile.
  void AHiddenEditorShowsTheSongLoadedMeanwhile() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    editor.hide();
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.Load(Song(2));
    }
    QCoreApplication::processEvents();
    editor.show();
    QCOMPARE(editor.Grid->rowCount(), 2);
    QCOMPARE(editor.Grid->item(1, 0)->text(), QString("STOP"));
  }

  void AuditionSoundsTheChordAndEndsEveryNote() {
    test::SongRig rig;
    rig.Load(Song());
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(1);
    editor.SelectCell(2, 1);
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.driver.ClearSent();
    }
    QTest::mousePress(editor.AuditionButton, Qt::LeftButton);
    QTest::mouseRelease(editor.AuditionButton, Qt::LeftButton);
    std::lock_guard lock(rig.engine.Lock);
    const auto notes = rig.Notes();
    QCOMPARE(notes.size(), size_t{8});
    int on = 0, off = 0;
    for (const auto& n : notes) (n.ends_with(":0") ? off : on)++;
    QCOMPARE(on, 4);
    QCOMPARE(off, 4);
    QCOMPARE(EditorAudition::NotesOf({120, 1, 0, 0}), (std::vector<int>{}));  // all above 127
    QCOMPARE(EditorAudition::NotesOf({110, 1, 0, 0}), (std::vector<int>{122, 126}));
  }

  void EditorPlaybackMovesTheShownMeasure() {
    test::SongRig rig;
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    rig.PlayerRig::Load(fixture);
    rig.Load(Song(5));
    TEditor editor(rig.engine, rig.dialogs);
    editor.OpenAt(2);
    QTest::mouseClick(editor.PlayButton, Qt::LeftButton);
    {
      std::lock_guard lock(rig.engine.Lock);
      QCOMPARE(rig.song.TransportMode, kSongPlayingFromEditor);
      rig.Beats(3);
    }
    QCOMPARE(editor.CurrentMeasure(), 2);  // nothing painted from the clock's call
    QCoreApplication::processEvents();
    QCOMPARE(editor.CurrentMeasure(), 2);
    {
      std::lock_guard lock(rig.engine.Lock);
      rig.Beats(4);
    }
    QCoreApplication::processEvents();
    QCOMPARE(editor.CurrentMeasure(), 3);
    editor.hide();  // playback goes on as normal playback
    std::lock_guard lock(rig.engine.Lock);
    QCOMPARE(rig.song.TransportMode, kSongPlaying);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TEditorTest)
#include "TEditorTest.moc"
