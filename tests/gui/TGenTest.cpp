// The style generator window under the offscreen platform, on an engine whose clock the test
// steps: a MIDI file imported through the menu, its chords found, the material converted to
// C major, the mode boxes, and the style saved and loaded again.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "app/GeneratorCommands.h"
#include "forms/QtDialogs.h"
#include "forms/TGen.h"
#include "stylegen/MidiFileWriter.h"
#include "stylegen/MidiImport.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

constexpr int kMeasure = 96;  // clocks of a 4/4 measure

// One block chord per measure on channel 1, each held for the whole measure.
std::vector<uint8_t> BlockChords(const std::vector<std::vector<int>>& chords) {
  std::vector<TimedMessage> messages;
  for (size_t m = 0; m < chords.size(); ++m) {
    const int64_t start = static_cast<int64_t>(m) * kMeasure;
    for (int note : chords[m]) messages.push_back({start, {0x90, static_cast<uint8_t>(note), 100}});
    for (int note : chords[m])
      messages.push_back({start + kMeasure - 1, {0x80, static_cast<uint8_t>(note), 0}});
  }
  return StandardMidiFile(messages, 120);
}

// D major: D, G, A, D.
const std::vector<std::vector<int>> kInD = {{62, 66, 69}, {67, 71, 74}, {69, 73, 76}, {62, 66, 69}};

// The window on a stepped engine, with the import the main window would own.
struct GeneratorRig : test::PlayerRig {
  test::TempDir dir{"tgen"};
  MidiFileImport import{engine, dialogs, view};
  TGen window{engine, import, dialogs};

  GeneratorRig() { ConnectImportToGenerator(import, engine); }
  void Trigger(QAction* item) {
    item->trigger();
    QApplication::processEvents();
  }
  void Click(QAbstractButton* button) {
    button->click();
    QApplication::processEvents();
  }
  // Imports `bytes` as `name` through "Import MIDI ..." and its open dialog.
  void Import(const std::vector<uint8_t>& bytes, const std::string& name) {
    dialogs.Files.push_back(dir.Write(name, bytes));
    Trigger(window.ImportItem);
  }
  // Note-ons and note-offs of the material as (status, note), in order.
  std::vector<std::pair<int, int>> Notes() const {
    std::vector<std::pair<int, int>> found;
    WalkMaterial(
        style.Work, [](int) {},
        [&](uint8_t s, uint8_t d1, uint8_t d2) {
          const int h = s & 0xF0;
          if (h == 0x90 && d2 > 0) found.emplace_back(0x90, d1);
          if (h == 0x80 || (h == 0x90 && d2 == 0)) found.emplace_back(0x80, d1);
        });
    return found;
  }
};

class TGenTest : public QObject {
  Q_OBJECT

 private slots:
  void AnImportedFileFillsTheMaterialAndNamesTheWindow() {
    GeneratorRig rig;
    QCOMPARE(rig.window.windowTitle(), QString("Style-Creator & Chord-Generator"));
    QVERIFY(!rig.window.RestoreOriginal->isEnabled());
    rig.Import(BlockChords(kInD), "blocks.mid");
    QCOMPARE(rig.dialogs.FileRequests.at(0).Title, std::string("Import MIDI ..."));
    QVERIFY(rig.dialogs.Messages.empty());
    QCOMPARE(rig.Notes().size(), size_t{24});
    QCOMPARE(rig.window.windowTitle(), QString("blocks.mid  -  Style-Creator & Chord-Generator"));
    // A song to play and convert: song mode, the range from its start; "Restore Original" once
    // something has changed.
    QVERIFY(rig.window.SongMode->isChecked());
    QVERIFY(!rig.window.StyleMode->isChecked());
    QCOMPARE(rig.window.StartMeasure->value(), 1);
    QCOMPARE(rig.window.ConvertModeList->currentText(), QString("3  Chordnotes"));
    QVERIFY(!rig.window.RestoreOriginal->isEnabled());
    QVERIFY(rig.window.SaveStyle->isEnabled());

    // A refused file leaves the song and the caption alone.
    rig.Import({'M', 'T', 'h', 'd', 0, 0}, "broken.mid");
    QCOMPARE(rig.dialogs.Messages.size(), size_t{1});
    QCOMPARE(rig.Notes().size(), size_t{24});
    QCOMPARE(rig.window.windowTitle(), QString("blocks.mid  -  Style-Creator & Chord-Generator"));
  }

  // The file's 3/4 signature reaches the chord interval through the import's hooks.
  void AWaltzChangesChordsEveryMeasure() {
    GeneratorRig rig;
    const std::vector<uint8_t> track = {0x00, 0xFF, 0x58, 0x04, 3,    2,    0x18, 8,  // 3/4
                                        0x00, 0x90, 60,   100,  0x83, 0x60, 0x80, 60,
                                        0,    0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> file = {
        'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
        1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, static_cast<uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    rig.Import(file, "waltz.mid");
    QVERIFY(rig.dialogs.Messages.empty());
    QCOMPARE(rig.window.ChordInterval->currentText(), QString("3/4"));
    QCOMPARE(int{rig.transport.MeasureSixteenths}, 12);
  }

  void GenerateChordsFindsTheBlockChords() {
    GeneratorRig rig;
    rig.Import(BlockChords(kInD), "blocks.mid");
    rig.window.ChordInterval->setCurrentIndex(3);  // "1/1"
    QCOMPARE(rig.engine.Generator.ChordIntervalIndex, 3);
    rig.Click(rig.window.GenerateChords);
    QVERIFY(rig.dialogs.Questions.empty());
    const int roots[] = {2, 7, 9, 2};
    for (int m = 0; m < 4; ++m) {
      const ChordEntry entry = rig.engine.Song.Memory.Entry(kFirstBeatPos + 16 * m);
      QCOMPARE(entry.Root % 12, roots[m]);
      QCOMPARE(int{entry.Type}, 1);
    }
    // Again over chords that are there: asked first, and No keeps them.
    const auto before = rig.engine.Song.Memory.Bytes;
    rig.Click(rig.window.GenerateChords);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Replace current chords ?"));
    QVERIFY(rig.engine.Song.Memory.Bytes == before);
  }

  void ConvertAllTurnsDMajorIntoCMajor() {
    GeneratorRig rig;
    rig.Import(BlockChords(kInD), "blocks.mid");
    rig.window.ChordInterval->setCurrentIndex(3);
    rig.Click(rig.window.ConvertAllButton);
    const auto notes = rig.Notes();
    QCOMPARE(notes.size(), size_t{24});
    std::map<int, int> sounding;
    for (const auto& [status, note] : notes) {
      QVERIFY2(note % 12 == 0 || note % 12 == 4 || note % 12 == 7,
               qPrintable(QString("note %1").arg(note)));
      // Every note-off ends a note that was struck.
      if (status == 0x90) {
        ++sounding[note];
      } else {
        QVERIFY(sounding[note] > 0);
        --sounding[note];
      }
    }
    QVERIFY(rig.engine.Generator.Converted());
    // "Restore Original" asks, and brings the D major back.
    rig.dialogs.Answers.push_back(true);
    rig.Click(rig.window.RestoreOriginal);
    QCOMPARE(rig.dialogs.Questions.back(), std::string("Undo all conversions ?"));
    QCOMPARE(rig.Notes().front().second, 62);
    QVERIFY(!rig.engine.Generator.Converted());

    // In style mode "Oct. up" and "Tone down" move the loop's notes, measures 2 and 3 here.
    rig.window.SwitchMode(true);
    QVERIFY(rig.window.OctaveUp->isEnabled());
    rig.window.LoopStart->setValue(2);
    rig.window.LoopEnd->setValue(3);
    rig.Click(rig.window.OctaveUp);
    rig.Click(rig.window.ToneDown);
    const auto moved = rig.Notes();
    QCOMPARE(moved.front().second, 62);          // measure 1 stays
    QCOMPARE(moved.at(6).second, 67 + 12 - 1);   // G of measure 2
    QCOMPARE(moved.at(12).second, 69 + 12 - 1);  // A of measure 3
    QCOMPARE(moved.back().second, 69);           // measure 4 stays
  }

  void TheModeBoxesSwitchModeAndControls() {
    GeneratorRig rig;
    rig.Import(BlockChords(kInD), "blocks.mid");
    QSignalSpy changed(&rig.window, &TGen::Changed);
    rig.Click(rig.window.StyleMode);
    QVERIFY(rig.style.StyleMode);
    QVERIFY(rig.window.StyleMode->isChecked());
    QVERIFY(!rig.window.SongMode->isChecked());
    QVERIFY(rig.window.LoopStart->isEnabled());
    QVERIFY(rig.window.OctaveUp->isEnabled());
    QVERIFY(!rig.window.StartMeasure->isEnabled());
    QVERIFY(!rig.window.ConvertPartItem->isEnabled());  // no LoopEnd yet
    rig.window.LoopEnd->setValue(2);
    QCOMPARE(rig.engine.Generator.LoopRange.LastMeasure, 2);
    QVERIFY(rig.window.ConvertPartItem->isEnabled());
    // The beat fields of both modes show one beat.
    rig.window.LoopBeat->setValue(3);
    QCOMPARE(rig.window.StartBeat->value(), 3);
    QCOMPARE(rig.window.MeasurePanel->text(), QString("1:3"));
    QVERIFY(changed.count() > 0);

    // Unchecking style mode is song mode: never both boxes, never neither.
    rig.Click(rig.window.StyleMode);
    QVERIFY(!rig.style.StyleMode);
    QVERIFY(rig.window.SongMode->isChecked());
    QVERIFY(!rig.window.LoopStart->isEnabled());
    QVERIFY(rig.window.StartMeasure->isEnabled());
    rig.Click(rig.window.SongMode);
    QVERIFY(rig.style.StyleMode);
    QVERIFY(!rig.window.SongMode->isChecked());
  }

  void StyleModeTellsOnceWhichMeasuresALongMaterialOffers() {
    GeneratorRig rig;
    std::vector<TimedMessage> messages;
    for (int64_t i = 0; i < 12000; ++i) {
      messages.push_back({2 * i, {0x90, 60, 100}});
      messages.push_back({2 * i + 1, {0x80, 60, 0}});
    }
    rig.Import(StandardMidiFile(messages, 120), "long.mid");
    QVERIFY(rig.style.Work.Chunks[1].Allocated);
    rig.Click(rig.window.StyleMode);
    QCOMPARE(rig.dialogs.Messages.size(), size_t{1});
    const QString told = QString::fromStdString(rig.dialogs.Messages[0]);
    QVERIFY2(told.startsWith("Measures 1 - ") && told.endsWith(" available for stylecreating !"),
             qPrintable(told));
    rig.Click(rig.window.SongMode);
    rig.Click(rig.window.StyleMode);
    QCOMPARE(rig.dialogs.Messages.size(), size_t{1});
  }

  // The song's "&Open ..." offers songs, arrangements and MIDI files, in either case.
  void TheOpenDialogOffersEveryFilterInEitherCase() {
    QCOMPARE(QtFileFilter("Songs (*.kva; *.mid)|*.kva;*.mid|Arrangements (*.kva)|*.kva|"
                          "MIDI files (*.mid)|*.mid"),
             QString("Songs (*.kva *.mid *.KVA *.MID);;Arrangements (*.kva *.KVA);;"
                     "MIDI files (*.mid *.MID)"));
    QCOMPARE(QtFileFilter("Styles (*.kvs)|*.kvs"), QString("Styles (*.kvs *.KVS)"));
  }

  void ASavedStyleLoadsAgain() {
    GeneratorRig rig;
    rig.Import(BlockChords(kInD), "blocks.mid");
    rig.window.ChordInterval->setCurrentIndex(3);
    rig.Click(rig.window.ConvertAllButton);
    // Basic is the first two measures.
    const int32_t end = rig.style.Work.FindWorkPosition(2, 1, 16) + 1;
    rig.style.Parts.Part(kBasic).Set(kBasic, 1, 2, 0, end);
    const std::vector<uint8_t> material(
        rig.style.Work.Chunk(0).begin(),
        rig.style.Work.Chunk(0).begin() + rig.style.Work.WorkLength);
    const std::string path = rig.dir.Path("made");
    rig.dialogs.SaveFiles.push_back(path);
    rig.Click(rig.window.SaveStyle);
    QCOMPARE(rig.dialogs.SaveRequests.at(0).Title, std::string("Save Style as ..."));
    std::ifstream file(path + ".kvs", std::ios::binary);
    QVERIFY(file.good());
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};

    test::PlayerRig other;
    QVERIFY(other.engine.Loader.TakeStyleFile(path + ".kvs", bytes));
    QVERIFY(other.style.StyleLoaded);
    const auto loaded = other.style.Material();
    QVERIFY(std::vector<uint8_t>(loaded.begin(), loaded.end()) == material);
    QCOMPARE(int{other.style.Parts.Part(kBasic).LastMeasure()}, 2);
    QVERIFY(other.style.Channels.Converted());
    QVERIFY(other.style.Channels.HasNotes(0));
  }

  void TheSetButtonSetsTheSelectedPartWithItsTransitions() {
    GeneratorRig rig;
    rig.Import(BlockChords({{60}, {60}, {60}, {60}, {60}, {60}}), "six.mid");
    rig.engine.StyleParts.Hooks.Play = nullptr;
    rig.window.SwitchMode(true);
    QVERIFY(rig.window.SetButton->isEnabled());
    rig.window.PartList->setCurrentRow(kBasic);
    rig.window.LoopStart->setValue(2);
    rig.window.LoopEnd->setValue(4);
    rig.dialogs.Answers = {true};
    rig.Click(rig.window.SetButton);
    QCOMPARE(QString::fromStdString(rig.dialogs.Questions.back()), QString("Set as \"Basic\" ?"));
    QVERIFY(rig.window.SetButton->isChecked());
    QCOMPARE(rig.window.PanelFirst[kBasic]->text(), QString("2"));
    QCOMPARE(rig.window.PanelLast[kBasic]->text(), QString("4"));
    QCOMPARE(rig.window.PanelFirst[kToExtended]->text(), QString("4"));
    QCOMPARE(rig.window.PanelFirst[kFillBasic]->text(), QString("4"));
    // An unset part shows no range; "Clear Stylepart" empties a set one after asking.
    rig.window.PartList->setCurrentRow(kIntro);
    QVERIFY(!rig.window.SetButton->isChecked());
    QCOMPARE(rig.window.LoopEnd->value(), 0);
    rig.window.PartList->setCurrentRow(kToExtended);
    rig.dialogs.Answers = {true};
    rig.Click(rig.window.ClearPartButton);
    QCOMPARE(QString::fromStdString(rig.dialogs.Questions.back()),
             QString("Clear \"To Extended\" ?"));
    QCOMPARE(rig.window.PanelFirst[kToExtended]->text(), QString("0"));
  }

  void APartSetImportsFromTheChosenFolder() {
    GeneratorRig rig;
    test::TempDir set{"Sets Folder"};
    std::vector<std::vector<int>> chords(16, std::vector<int>{60, 64, 67, 72, 76});
    set.Write("sty1_v11.mid", BlockChords(chords));
    set.Write("sty1_i11.mid", BlockChords(chords));
    rig.dialogs.Folders = {set.Folder()};
    rig.Trigger(rig.window.PartSetItems[0]);
    QCOMPARE(rig.dialogs.FolderRequests.size(), size_t{1});
    QCOMPARE(rig.window.PanelFirst[kIntro]->text(), QString("1"));
    QCOMPARE(rig.window.PanelFirst[kBasic]->text(), QString("17"));
    QCOMPARE(rig.window.PanelFirst[kEnding]->text(), QString("0"));
    QCOMPARE(rig.window.PartList->currentRow(), int{kIntro});
    // The folder is kept: the next set does not ask again.
    rig.dialogs.Answers = {true, false};
    rig.Trigger(rig.window.PartSetItems[0]);
    QCOMPARE(rig.dialogs.FolderRequests.size(), size_t{1});
  }

  // The MIDI export of the style shows its listing; a set writes the set parts only, into the
  // folder asked for once.
  void TheStyleExportsAsMidiFiles() {
    GeneratorRig rig;
    rig.Import(BlockChords(kInD), "blocks.mid");
    const int32_t end = rig.style.Work.FindWorkPosition(2, 1, 16) + 1;
    rig.style.Parts.Part(kBasic).Set(kBasic, 1, 2, 0, end);
    rig.style.SongLoaded = false;
    const std::string path = rig.dir.Path("style.mid");
    rig.dialogs.SaveFiles.push_back(path);
    rig.Trigger(rig.window.SaveStyleMidiItem);
    QVERIFY(std::filesystem::exists(path));
    QCOMPARE(rig.dialogs.TextWindows.size(), size_t{1});
    QCOMPARE(rig.dialogs.TextWindows[0].first, std::string("Style measures"));
    QCOMPARE(rig.dialogs.TextWindows[0].second, std::string(" Basic             : 02 - 03\r\n"));

    const std::string folder = rig.dir.Path("set");
    std::filesystem::create_directories(folder);
    rig.dialogs.Folders.push_back(folder);
    rig.Trigger(rig.window.ExportSetItems[1]);
    QVERIFY(rig.window.ExportSetItems[1]->isChecked());
    QVERIFY(std::filesystem::exists(folder + "/sty2_v11.mid"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(folder), {}), std::ptrdiff_t{1});
    rig.Trigger(rig.window.ExportSetItems[3]);  // the folder is not asked again
    QCOMPARE(rig.dialogs.FolderRequests.size(), size_t{1});
    QVERIFY(std::filesystem::exists(folder + "/sty4_v11.mid"));
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::TGenTest)
#include "TGenTest.moc"
