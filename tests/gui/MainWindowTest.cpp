// Korvel's windows under the offscreen platform, on recording MIDI drivers: start-up, the first
// activation, playing the computer keyboard, and the exit procedure.
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "app/Guide.h"
#include "forms/HelpBrowser.h"
#include "forms/KeyboardPanel.h"
#include "forms/MelodyNotes.h"
#include "forms/MemoPanel.h"
#include "forms/MidiPanel.h"
#include "forms/MidiSettingsPanel.h"
#include "forms/SoloMutePanel.h"
#include "forms/SongMenus.h"
#include "forms/SongPanel.h"
#include "forms/SplitPanel.h"
#include "forms/TForm1.h"
#include "forms/TForm2.h"
#include "forms/TForm3.h"
#include "forms/TGen.h"
#include "forms/TMP.h"
#include "forms/TOpt.h"
#include "forms/Ttt.h"
#include "platform/RecordingDriver.h"
#include "platform/SingleInstance.h"
#include "support/GuiProgram.h"
#include "support/SmfBuilder.h"
#include "support/SoundingNotes.h"

namespace korvel {
namespace {

using test::Program;

constexpr const char* kKnownUser = "[Options]\nMIDI-OUT=-1\n";

// Two notes held for four measures at 90 bpm.
std::vector<uint8_t> NinetyBpmChord() {
  return test::BuildSmf(96, {{{0, {0xFF, 0x51, 0x0A, 0x2C, 0x2B}},
                              {0, {0x90, 60, 100}},
                              {0, {0x90, 64, 100}},
                              {1536, {0x80, 60, 0}},
                              {0, {0x80, 64, 0}},
                              {0, {0xFF, 0x2F}}}});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TMP* FilePlayer(Program& program) {
  for (QWidget* other : program.startup->Windows())
    if (auto* found = qobject_cast<TMP*>(other)) return found;
  return nullptr;
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void StartUpMakesTheWindowsInOrderAndLoadsTheDemoStyle() {
    Program program(kKnownUser);
    QStringList order;
    for (QWidget* window : program.startup->Windows()) order << window->objectName();
    QCOMPARE(order, QStringList({"TForm1", "TGen", "TStyleManager", "TEditor", "TMP", "TSongs",
                                 "TIns", "Ttt", "TStyleEvents", "TOpt"}));
    QCOMPARE(program.startup->Windows()[2]->windowTitle(), QString("Style-Manager"));
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY2(program.Core().Ports.MidiOutput1.IsOpen(), "the settings opened the ports");
      QVERIFY(!program.Core().Style.StyleLoaded);
    }
    QVERIFY(program.ShowAndActivate());
    QVERIFY(program.startup->Background().isVisible());
    TForm2* keyboard = program.Main().PanelWindows["Keyboard"];
    QVERIFY(keyboard && keyboard->isVisible());
    Ttt* prompter = program.Main().Prompter();
    QVERIFY2(prompter && prompter->isVisible() && prompter->GuideMode(), "the guide greets");
    QCOMPARE(prompter->Text->text().toStdString(), PrompterLines(TipText(1012)));
    std::lock_guard lock(program.Core().Lock);
    Engine& engine = program.Core();
    QVERIFY(engine.Style.StyleLoaded);
    QCOMPARE(QString::fromStdString(engine.Style.StyleName), QString("ROCK1"));
    QVERIFY2(engine.Song.Empty(), "the demo song is for the first start only");
    QCOMPARE(QString::fromStdString(engine.Ports.MidiOutput1.ProductName()), QString("Synth"));
    QVERIFY(engine.Transport.ClockState != 0);
    QVERIFY(!engine.Player.Playing);
  }

  void FirstRunWelcomesAndThenPlaysTheDemo() {
    Program program("");
    QVERIFY(program.ShowAndActivate());
    TForm2* welcome = program.Main().PanelWindows["MIDI settings"];
    QVERIFY(welcome && welcome->isVisible());
    QCOMPARE(welcome->windowTitle(), QString("Welcome to Korvel ..."));
    MidiSettingsPanel* panel = program.Main().MidiSettings;
    // The built-in synthesizer, the last entry.
    QCOMPARE(panel->MidiOutput->currentIndex(), panel->MidiOutput->count() - 1);
    QCOMPARE(panel->SoundcardMode->currentText(), QString("GM"));
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY2(!program.Core().Style.StyleLoaded, "the demo waits for the welcome page");
    }
    QTest::mouseClick(panel->Ok, Qt::LeftButton);
    QVERIFY(!welcome->isVisible());
    std::lock_guard lock(program.Core().Lock);
    QVERIFY(program.Core().Style.StyleLoaded);
    QVERIFY2(program.Core().Song.SongEnd > 4, "the demo song comes with the first start");
    const QString title = program.Main().windowTitle();
    QVERIFY2(title.contains("DEMO3.KVA") && title.contains("ROCK1"), qPrintable(title));
    QCOMPARE(QString::fromStdString(program.Core().Mixer.List.DisplayName), QString("GM.KVI"));
    QCOMPARE(QString::fromStdString(program.Main().Settings().Text("Patch")), QString("gm.kvi"));
    QVERIFY(program.Core().Ports.MidiOutput1.IsOpen());
  }

  void ClosingTheWelcomePageTakesItsSettings() {
    Program program("");
    QVERIFY(program.ShowAndActivate());
    program.Main().MidiSettings->SoundcardMode->setCurrentIndex(3);  // "XG"
    program.Main().PanelWindows["MIDI settings"]->close();
    // Closing is OK: the first run goes on with the demo and the welcome text, and the guide
    // speaks from then on.
    QVERIFY(!program.Main().Settings().FirstRun);
    Ttt* prompter = program.Main().Prompter();
    QVERIFY(prompter && prompter->isVisible());
    QVERIFY(prompter->Text->text().startsWith("Hello, this is the first time"));
    QVERIFY(!prompter->GuideMode());
    std::lock_guard lock(program.Core().Lock);
    QCOMPARE(program.Core().Mixer.List.Mode, int{kPatchXg});
    QVERIFY(program.Core().Style.StyleLoaded);
  }

  void HelpShowsThePageOfTheWindowInFront() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm2* keyboard = program.Main().PanelWindows["Keyboard"];
    keyboard->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(keyboard));
    QTest::keyClick(keyboard, Qt::Key_F12);
    HelpBrowser* help = program.Main().Help();
    QVERIFY(help && help->isVisible());
    QVERIFY(help->Pages->source().toString().endsWith("keyboard.html"));
    program.Main().MenuItems["How to use Help"]->trigger();
    QVERIFY(help->Pages->source().toString().endsWith("index.html"));
    QCOMPARE(help->windowTitle(), QString("Korvel Help - How to use Help"));
  }

  void TheComputerKeyboardPlaysChordsAndControlKeys() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    window.activateWindow();
    window.setFocus();
    QTest::keyPress(&window, Qt::Key_4);  // hold the type key of slot 5 ...
    QTest::keyClick(&window, Qt::Key_G);  // ... and play the lower-row key of Eb
    QTest::keyRelease(&window, Qt::Key_4);
    Engine& engine = program.Core();
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(int{engine.Chord.EditChordRoot}, 51);
      QCOMPARE(int{engine.Chord.EditChordType}, 5);
      QVERIFY2(engine.Player.Playing, "the first chord starts the style");
    }
    QTest::keyClick(&window, Qt::Key_C);  // the lower-row key of C, "Accompaniment" on
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(int{engine.Chord.EditChordRoot}, 48);
      QCOMPARE(int{engine.Chord.EditChordType}, 1);
    }
    // A click on the "min" label makes the next chord minor, once.
    QLabel* minor = program.Main().Keyboard->TypeLabels[0];
    QCOMPARE(minor->text(), QString("min"));
    const QString plain = minor->styleSheet();
    QTest::mouseClick(minor, Qt::LeftButton);
    QVERIFY(minor->styleSheet() != plain);
    QTest::keyClick(&window, Qt::Key_C);
    QTRY_COMPARE(minor->styleSheet(), plain);
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(int{engine.Chord.EditChordType}, 2);
    }
    QTest::keyClick(&window, Qt::Key_F1);
    std::lock_guard lock(engine.Lock);
    QCOMPARE(engine.Keys.RecControlKeyNote, engine.Keys.FillInKey);
  }

  // Keys as the window system sends them, with their native key codes (evdev + 8).
  void TheComputerKeyboardIsReadByKeyNotByCharacter() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    const auto key = [&window](QEvent::Type type, int qtKey, quint32 scanCode,
                               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
      QKeyEvent event(type, qtKey, modifiers, scanCode, 0, 0);
      QApplication::sendEvent(&window, &event);
    };
    // Shift (the "min" type key) with "," (the lower-row key of A) is A minor.
    key(QEvent::KeyPress, Qt::Key_Shift, 50, Qt::ShiftModifier);
    key(QEvent::KeyPress, Qt::Key_Less, 59, Qt::ShiftModifier);
    key(QEvent::KeyRelease, Qt::Key_Less, 59, Qt::ShiftModifier);
    key(QEvent::KeyRelease, Qt::Key_Shift, 50);
    {
      std::lock_guard lock(program.Core().Lock);
      QCOMPARE(int{program.Core().Chord.EditChordRoot}, 57);
      QCOMPARE(int{program.Core().Chord.EditChordType}, 2);
    }
    // Without accompaniment the lower row plays melody: a key released while Shift is down,
    // and a key held while the window loses the focus, still end their notes.
    window.Keyboard->Chords->setChecked(false);
    program.synth.ClearSent();
    key(QEvent::KeyPress, Qt::Key_Slash, 61);
    key(QEvent::KeyPress, Qt::Key_Shift, 50, Qt::ShiftModifier);
    key(QEvent::KeyRelease, Qt::Key_Question, 61, Qt::ShiftModifier);
    key(QEvent::KeyRelease, Qt::Key_Shift, 50);
    key(QEvent::KeyPress, Qt::Key_T, 28);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&window, &focusOut);
    std::map<int, int> sounding;  // note -> note-ons not yet ended
    int notes = 0;
    for (const auto& m : program.synth.Sent()) {
      if (m.Bytes.size() < 3 || (m.Bytes[0] & 0xF0) != 0x90) continue;
      sounding[m.Bytes[1]] += m.Bytes[2] > 0 ? 1 : -1;
      notes += m.Bytes[2] > 0;
    }
    QCOMPARE(notes, 2);
    for (const auto& [note, count] : sounding) QCOMPARE(count, 0);
  }

  void ClickingTheKeyboardBoundaryPlaysCSharp() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TKeys* keys = program.Main().Keyboard->Keys;
    QVERIFY(QTest::qWaitForWindowExposed(keys->window()));
    // Without accompaniment the chord section sounds as melody, so the note is heard.
    program.Main().Keyboard->Chords->setChecked(false);
    program.ports.ClearSent();
    program.synth.ClearSent();
    QTest::mousePress(keys, Qt::LeftButton, {}, QPoint(30, 5));
    QTest::mouseRelease(keys, Qt::LeftButton, {}, QPoint(30, 5));
    const int cSharp = keys->BaseOctave() * 12 + 1;
    bool on = false;
    bool off = false;
    for (const auto& m : program.synth.Sent()) {
      if (m.Bytes.size() < 3 || m.Bytes[1] != cSharp) continue;
      if ((m.Bytes[0] & 0xF0) == 0x90 && m.Bytes[2] > 0) on = true;
      if (on && ((m.Bytes[0] & 0xF0) == 0x80 || m.Bytes[2] == 0)) off = true;
    }
    QVERIFY2(on && off, qPrintable(QString::fromStdString(program.synth.SentText())));
  }

  void ClosingRunsTheExitProcedure() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    const auto scratch = program.folder / "korvel.KV$";
    std::ofstream(scratch) << "left by a run";
    {
      std::lock_guard lock(program.Core().Lock);
      program.Core().Keys.FillInKey = 48;
    }
    QSignalSpy ended(&program.Main(), &TForm1::ProgramEnded);
    program.Main().close();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!program.startup->Background().isVisible());
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY(!program.Core().Ports.MidiOutput1.IsOpen());
      QVERIFY(!program.Core().Ports.MidiInput1.IsOpen());
      QCOMPARE(program.Core().Transport.ClockState, int16_t{0});
    }
    QVERIFY(!std::filesystem::exists(scratch));
    Configuration saved(program.folder.string());
    std::string error;
    QVERIFY(saved.LoadSettings(program.settingsFile, error));
    QCOMPARE(saved.Integer("FillIn"), 0);
    QCOMPARE(saved.Integer("Oct_Fillin"), 4);
    QCOMPARE(saved.Integer("MIDI-OUT"), -1);
  }

  void OptionsOkKeepsTheEditsAndAbortTheOldValues() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    program.Main().MenuItems["Global Settings"]->trigger();
    TOpt* options = nullptr;
    for (QWidget* window : program.startup->Windows())
      if (auto* found = qobject_cast<TOpt*>(window)) options = found;
    QVERIFY(options && options->isVisible());
    QCOMPARE(options->TempoPresets[0]->value(), 60);

    options->TempoPresets[0]->setValue(77);
    options->Quantize->setCurrentIndex(5);
    options->ProgramName->setText("Sequencer");
    options->Abort->click();
    QVERIFY(!options->isVisible());
    program.Main().MenuItems["Configuration"]->trigger();
    QCOMPARE(options->TempoPresets[0]->value(), 60);
    QCOMPARE(options->Quantize->currentIndex(), 0);
    {
      std::lock_guard lock(program.Core().Lock);
      QCOMPARE(program.Core().Keyboard.TempoPresets[0], 60);
      QCOMPARE(program.Core().Transport.QuantizeIndex, 0);
    }

    // "Connection" puts the edits in force for the program it starts; Abort takes them all back.
    options->TempoPresets[0]->setValue(77);
    options->ProgramName->setText("Sequencer");
    options->Connection->click();
    options->Abort->click();
    QCOMPARE(program.Main().Settings().Integer("Tempo1"), 60);
    QCOMPARE(program.Main().Settings().Text("P-Name"), std::string());
    program.Main().MenuItems["Configuration"]->trigger();
    QCOMPARE(options->TempoPresets[0]->value(), 60);

    options->TempoPresets[1]->setValue(88);
    options->KeyNotes[0]->setCurrentIndex(5);  // "Fill in Key": F
    options->ChordKey->setCurrentIndex(9);     // key "0"
    options->ChordType->setCurrentIndex(0);    // "min"
    options->SetChordKey->click();
    QCOMPARE(options->ChordKeys->item(9)->text(), QString("0 = min"));
    options->ProgramName->setText("Sequencer");
    options->Ok->click();
    {
      std::lock_guard lock(program.Core().Lock);
      QCOMPARE(program.Core().Keyboard.TempoPresets[1], 88);
      QCOMPARE(program.Core().Keys.FillInKey % 12, 5);
      QCOMPARE(int{program.Core().Chords.ChordTypeSlots[11]}, 2);
    }
    program.Main().close();
    Configuration saved(program.folder.string());
    std::string error;
    QVERIFY(saved.LoadSettings(program.settingsFile, error));
    QCOMPARE(saved.Integer("Tempo1"), 60);
    QCOMPARE(saved.Integer("Tempo2"), 88);
    QCOMPARE(saved.Integer("FillIn"), 5);
    QCOMPARE(saved.Text("P-Name"), std::string("Sequencer"));
    QCOMPARE(saved.Text("ChordTypes").substr(18), std::string("02"));
  }

  void TheTransportIsAlwaysInViewTheSpeedButtonsOnlyWhenChosen() {
    Program program("");  // a first run: the speed buttons start hidden
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    const auto transportShown = [&window] {
      for (QWidget* control : std::initializer_list<QWidget*>{
               window.SpeedButton3, window.StopButton, window.TempoEdit1, window.Panel3,
               window.Panel4, window.ChordLabel})
        if (!control->isVisible()) return false;
      return true;
    };
    QVERIFY(transportShown());
    QVERIFY(!window.SpeedButtons->isVisible());
    window.MenuItems["Speedbuttons"]->trigger();
    QVERIFY(window.SpeedButtons->isVisible());
    QTest::mouseClick(window.PlayChordsButton, Qt::LeftButton);  // as "Play Chords"
    QVERIFY(window.MenuItems["Play Chords"]->isChecked());
    QCOMPARE(window.PlayChordsButton->text(), QString("S"));
    window.MenuItems["Speedbuttons"]->trigger();
    QVERIFY(!window.SpeedButtons->isVisible());
    QVERIFY(transportShown());
  }

  void F9PlaysAndPausesTheSongF10StopsIt() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    Engine& engine = program.Core();
    {
      std::lock_guard lock(engine.Lock);
      uint8_t song[4 + 2 * 16] = {};
      song[4] = 48;
      song[5] = 1;
      song[4 + 16 + 2] = kCommandEnd;
      engine.Song.LoadSong(song, sizeof song);
    }
    window.activateWindow();
    window.setFocus();
    QTest::keyClick(&window, Qt::Key_F9);
    QTRY_COMPARE(window.BeatPanel->text(), QString("P"));
    QTRY_VERIFY2(!window.Song->RecordItem->isEnabled(), "the song runs: no take starts");
    QTest::keyClick(&window, Qt::Key_F9);
    QTRY_COMPARE(window.Song->PlayButton->text(), QString("Resume"));
    QTest::keyClick(&window, Qt::Key_F10);
    QTRY_COMPARE(window.BeatPanel->text(), QString());
    QVERIFY(window.Song->RecordItem->isEnabled());
    std::lock_guard lock(engine.Lock);
    QCOMPARE(engine.Song.TransportMode, kSongStopped);
    QVERIFY(!engine.Song.Paused());
  }

  // A file playing in the file player stops with the main Stop, every note ended; opening it
  // shows its tempo in the tempo field, and a tempo typed there plays it at that tempo.
  void TheMainStopStopsTheFilePlayerWhoseTempoTheFieldShows() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    TMP* player = FilePlayer(program);
    QVERIFY(player);
    const auto file = (program.folder / "ninety.mid").string();
    WriteFile(file, NinetyBpmChord());
    player->UseMci->setChecked(true);
    {
      std::lock_guard lock(program.Core().Lock);
      player->Core().RunClock = nullptr;  // stepped here
      player->Core().SelectOutput(0);
    }
    const auto sent = [&] {
      auto all = program.ports.Sent();
      for (const auto& m : program.synth.Sent()) all.push_back(m);
      return all;
    };
    const auto advance = [&](int64_t frames) {
      std::lock_guard lock(program.Core().Lock);
      player->Core().Advance(frames);
    };
    QCOMPARE(player->OpenSong(file), SongOpening::Opened);
    QCOMPARE(window.TempoEdit1->value(), 90);
    advance(kFileSampleRate / 10);

    window.activateWindow();
    window.setFocus();
    QTest::keyClick(&window, Qt::Key_F10);
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY(!player->Core().Playing());
    }
    QVERIFY(test::Sounding(sent()).empty());

    window.TempoEdit1->setValue(121);  // scaled from the file's 90
    std::lock_guard lock(program.Core().Lock);
    QCOMPARE(player->Core().Tempo(), 121);
  }

  // Without "Use MCI" a MIDI file opens as Korvel's own song: it waits for Play without
  // "AutoStart", and the player's Play plays it (again) through the generator.
  void TheFilePlayersOwnSongsWaitForPlayWithoutAutoStart() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    Engine& engine = program.Core();
    TMP* player = FilePlayer(program);
    QVERIFY(player);
    const auto file = (program.folder / "ninety.mid").string();
    WriteFile(file, NinetyBpmChord());
    player->UseMci->setChecked(false);
    player->AutoStart->setChecked(false);
    const auto playing = [&engine] {
      std::lock_guard lock(engine.Lock);
      return engine.Player.Playing;
    };
    QCOMPARE(player->OpenSong(file), SongOpening::Opened);
    QVERIFY(!playing());
    player->Play->click();
    QTRY_VERIFY(playing());
    player->Stop->click();
    QVERIFY(!playing());
    player->Play->click();
    QTRY_VERIFY(playing());
  }

  void StepRecordAndMelodyNotesOpenTheirWindows() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    window.MenuItems["Step Record"]->trigger();
    TForm2* song = window.PanelWindows["Song"];
    QVERIFY(song && song->isVisible());
    QVERIFY(window.Song->StepPanel->isVisible());

    window.MenuItems["Melody-Notes"]->trigger();
    QVERIFY(window.SongFiles->Notes->isVisible());
  }

  void MemoSoloMuteAndSplitHaveTheirPanelWindows() {
    Program program(kKnownUser);
    TForm1& window = program.Main();
    const struct {
      const char* Caption;
      QWidget* Panel;
      int Help;
      int Number;
    } cases[] = {{"Memo", window.MemoText, 115, 7},
                 {"Solo - Mute", window.SoloMute, 108, 0},
                 {"Keyboard-Split", window.Split, 0, 0}};
    for (const auto& c : cases) {
      TForm2* panelWindow = window.PanelWindows[c.Caption];
      QVERIFY2(panelWindow, c.Caption);
      QCOMPARE(panelWindow->Panel(), c.Panel);
      QCOMPARE(panelWindow->windowTitle(), QString(c.Caption));
      QCOMPARE(panelWindow->HelpContext(), c.Help);
      QCOMPARE(panelWindow->WindowNumber(), c.Number);
    }
  }

  void ExclusiveMenuChoicesReachTheSong() {
    Program program(kKnownUser);
    TForm1& window = program.Main();
    Engine& engine = program.Core();
    const auto checked = [&window](std::initializer_list<const char*> items) {
      QStringList on;
      for (const char* item : items)
        if (window.MenuItems[item]->isChecked()) on << item;
      return on;
    };
    QCOMPARE(checked({"Mute None "}), QStringList({"Mute None "}));
    {
      std::lock_guard lock(engine.Lock);
      QVERIFY2(engine.Transport.MuteNone, "the clock's copy starts as the menu shows");
    }
    const auto previews = {"Chordpreview 1/4", "Chordpreview 1/2"};
    window.MenuItems["Chordpreview 1/4"]->trigger();
    window.MenuItems["Chordpreview 1/2"]->trigger();
    QCOMPARE(checked(previews), QStringList({"Chordpreview 1/2"}));
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(engine.Song.ChordPreviewAhead, 8);
    }
    window.MenuItems["Chordpreview 1/2"]->trigger();
    QCOMPARE(checked(previews), QStringList());
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(engine.Song.ChordPreviewAhead, 0);
    }

    const char* const intro = "Style, Intro  Ending/Metronome";  // the lead-in's, known by its menu
    const auto leadIns = {"Mute None ", "Mute All", "Drums", "Drums L.M.", intro};
    window.MenuItems["Drums L.M."]->trigger();
    QCOMPARE(checked(leadIns), QStringList({"Drums L.M."}));
    window.MenuItems["Metronome"]->trigger();  // the click, not the lead-in
    QCOMPARE(checked(leadIns), QStringList({"Drums L.M."}));
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(engine.Song.LeadIn, LeadInMute::DrumsLastMeasure);
      QVERIFY(engine.Transport.Metronome);
      QVERIFY2(!engine.Transport.MuteNone,
               "only \"Mute None \" lets the intro length move the song");
    }
    window.MenuItems[intro]->trigger();
    window.MenuItems["Mute None "]->trigger();
    QCOMPARE(checked(leadIns), QStringList({"Mute None "}));
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(engine.Song.LeadIn, LeadInMute::MuteNone);
      QVERIFY(engine.Transport.MuteNone);
      engine.Transport.ClickNote = 42;
    }
    program.synth.ClearSent();
    window.MenuItems["Metronome"]->trigger();  // off: the click that may sound is ended
    QVERIFY2(program.synth.SentText().find("99 2A 00") != std::string::npos,
             program.synth.SentText().c_str());
  }

  void TheStyleCreatorShowsAndTheModeEntryFollowsTheGenerator() {
    Program program(kKnownUser);
    TForm1& window = program.Main();
    auto* generator = qobject_cast<TGen*>(program.startup->Windows().at(1));
    QVERIFY(generator);
    QCOMPARE(generator->windowTitle(), QString("Style-Creator & Chord-Generator"));
    window.MenuItems["Style-Creator"]->trigger();
    QVERIFY(generator->isVisible());

    QAction* mode = window.MenuItems["Style-Mode"];
    QCOMPARE(mode->statusTip(), QString(" Select song mode or style mode"));
    QCOMPARE(mode->text(), QString("Style-&Mode"));
    mode->trigger();
    QVERIFY(generator->StyleMode->isChecked());
    QCOMPARE(mode->text(), QString("Style-&Mode"));  // the caption names the command, not the mode
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY(program.Core().Style.StyleMode);
    }
    // The generator's own box: the main window follows.
    generator->SongMode->click();
    QCOMPARE(mode->text(), QString("Style-&Mode"));
    std::lock_guard lock(program.Core().Lock);
    QVERIFY(!program.Core().Style.StyleMode);
    QCOMPARE(window.MenuItems["Restore all"]->isEnabled(),
             program.Core().Style.Work.RestoreAvailable);
  }

  void ABeatLampClickIsSynchroStart() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    Engine& engine = program.Core();
    {
      std::lock_guard lock(engine.Lock);
      engine.Transport.SetSlaveMode(true);
      engine.Transport.StartDelay = 0;
    }
    // In slave mode the style waits for the external application's Start.
    QTest::mouseClick(window.Panel3, Qt::LeftButton);
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(int{engine.Transport.StartDelay}, 2000);
    }
    QTest::mouseClick(window.Panel3, Qt::LeftButton);
    std::lock_guard lock(engine.Lock);
    QCOMPARE(int{engine.Transport.StartDelay}, 0);
  }

  void AMessageForACommandFromAnInputThreadOpensOnTheGuiThread() {
    Program program(kKnownUser);
    QVERIFY(program.ShowAndActivate());
    Engine& engine = program.Core();
    {
      std::lock_guard lock(engine.Lock);
      QVERIFY(engine.Song.Empty());
    }
    QStringList boxes;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&boxes] {
      if (QWidget* box = QApplication::activeModalWidget()) {
        QVERIFY(box->thread() == QApplication::instance()->thread());
        boxes << box->findChild<QLabel*>("qt_msgbox_label")->text();
        box->close();
      }
    });
    watch.start(20);
    // The keyboard's start/stop function key, as its input thread delivers it.
    std::thread input([&engine] {
      std::lock_guard lock(engine.Lock);
      engine.Input.KeyFunction(1976);
    });
    input.join();  // a box opened on that thread would have waited for a click here
    QTRY_COMPARE(boxes, QStringList({"Chordmemory is empty !"}));
  }

  void AnOutputThatWillNotOpenIsToldInTheStatusLine() {
    // A box during start-up is a fault: it is noted and closed, so the test goes on.
    QStringList boxes;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&boxes] {
      if (QWidget* box = QApplication::activeModalWidget()) {
        boxes << box->findChild<QLabel*>("qt_msgbox_label")->text();
        box->close();
      }
    });
    watch.start(20);
    Program program(kKnownUser, "Synth");
    QVERIFY(program.ShowAndActivate());
    watch.stop();
    QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(" | ")));
    const QString status = program.Main().StartupProblems->text();
    QVERIFY(program.Main().StartupProblems->isVisible());
    QVERIFY2(status.contains("Can't open Synth"), qPrintable(status));
    QVERIFY2(status.contains(kChoosePort), qPrintable(status));
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY2(program.Core().Style.StyleLoaded, "the rest of the start goes on");
      QVERIFY(program.Core().Transport.ClockState != 0);
    }
    emit program.Main().Midi->PortsChanged();  // the musician chose another port
    QVERIFY(!program.Main().StartupProblems->isVisible());
  }

  void ASecondInstanceEndsWithCode255() {
    const auto runtime =
        std::filesystem::temp_directory_path() / ("korvel-runtime-" + std::to_string(getpid()));
    std::filesystem::create_directories(runtime);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    const SingleInstance first;
    QVERIFY(first.Acquired());
    QProcess second;
    second.start(QString(KORVEL_PROGRAM), {});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), kAlreadyRunningExitCode);
    std::filesystem::remove_all(runtime);
  }

  // Items that show a guide tip, clear the chord-type override, analyse the style again, and
  // stand where the menus list them.
  void MenuItemsDoTheirWholeWork() {
    Program program("[Options]\nMIDI-OUT=-1\nSCG=1\n");
    QVERIFY(program.ShowAndActivate());
    TForm1& window = program.Main();
    Engine& engine = program.Core();
    Ttt* prompter = nullptr;
    for (QWidget* other : program.startup->Windows())
      if (auto* found = qobject_cast<Ttt*>(other)) prompter = found;
    QVERIFY(prompter);
    {
      std::lock_guard lock(engine.Lock);
      uint8_t song[4 + 2 * 16] = {};
      song[4] = 48;
      song[5] = 1;
      song[4 + 16 + 2] = kCommandEnd;
      engine.Song.LoadSong(song, sizeof song);
    }
    const std::pair<QAction*, int> tips[] = {{window.MenuItems["Accompaniment"], 1028},
                                             {window.MenuItems["Melody Ad Lib"], 1030},
                                             {window.MenuItems["12 Instruments"], 1028},
                                             {window.Song->PlayOverwriteItem, 1026}};
    for (const auto& [item, tip] : tips) {
      prompter->Text->clear();
      item->trigger();
      QCOMPARE(prompter->Text->text().toStdString(), PrompterLines(TipText(tip)));
    }
    window.MenuItems["Stop - F10"]->trigger();

    {
      std::lock_guard lock(engine.Lock);
      engine.Chords.ChordTypeOverride = 3;
      engine.Style.HangingNoteFlags[0][0] = 77;
    }
    window.MenuItems["Set Startvalues"]->trigger();
    window.MenuItems["Refresh list"]->trigger();
    {
      std::lock_guard lock(engine.Lock);
      QCOMPARE(int{engine.Chords.ChordTypeOverride}, 0);
      QVERIFY(engine.Style.HangingNoteFlags[0][0] != 77);
    }

    const auto place = [&window](const char* caption) {
      for (QAction* top : window.menuBar()->actions()) {
        const int at = top->menu()->actions().indexOf(window.MenuItems[caption]);
        if (at >= 0) return at;
      }
      return -1;
    };
    QVERIFY(place("Send Chord Codes ") < place("Master Mode"));
    QVERIFY(place("Receive Chord Codes") < place("Master Mode"));
    QVERIFY(place("Text Editor") < place("Instrument list editor"));
    QVERIFY(place("Instrument list editor") < place("About ..."));
  }

  void MenusListsEveryItemWithItsState() {
    QProcess korvel;
    korvel.start(QString(KORVEL_PROGRAM), {"--menus"});
    QVERIFY(korvel.waitForFinished(30000));
    QCOMPARE(korvel.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(korvel.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression form(
        R"(^[^|]+ > [^|]+ \| [^|]* \| (enabled|disabled) \| (checked|unchecked)$)");
    for (const QString& line : lines) QVERIFY2(form.match(line).hasMatch(), qPrintable(line));
    QCOMPARE(lines.first(), QString("File > New |  | enabled | unchecked"));
    QVERIFY(lines.contains("File > Play - F9 | F9 | enabled | unchecked"));
    QVERIFY(lines.contains("Channel list > Move track |  | enabled | unchecked"));
    QVERIFY(lines.contains("Help > Last tip - F11 | F11 | enabled | unchecked"));
    QVERIFY(lines.contains("Commands > MIDI Reset ... > XG |  | enabled | unchecked"));
    QVERIFY(lines.indexOf(QRegularExpression("^Windows > .*")) >
            lines.indexOf(QRegularExpression("^File > .*")));
  }

  void WithoutALockFileKorvelStillStarts() {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvel-nolock-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string settings = (folder / "korvel.ini").string();
    std::ofstream(settings) << "[Options]\nMIDI-OUT=-2\nMIDI-IN=-2\nAutoload=0\n";
    const std::string picture = (folder / "shown.png").string();
    // A folder where the lock file should be: it cannot be made.
    std::filesystem::create_directories(folder / "korvel.lock");
    QProcess korvel;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.string()));
    korvel.setProcessEnvironment(environment);
    // The picture is taken once the windows are shown; then Korvel ends by itself.
    korvel.start(QString(KORVEL_PROGRAM), {"--settings", QString::fromStdString(settings),
                                           "--screenshot", QString::fromStdString(picture)});
    QVERIFY(korvel.waitForFinished(30000));
    QCOMPARE(korvel.exitStatus(), QProcess::NormalExit);
    QVERIFY2(korvel.exitCode() != kAlreadyRunningExitCode, "no lock file is no other Korvel");
    QVERIFY(std::filesystem::exists(picture));
    QVERIFY(korvel.readAllStandardError().contains("korvel.lock"));
    std::filesystem::remove_all(folder);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::MainWindowTest)
#include "MainWindowTest.moc"
