#include "forms/Startup.h"

#include <QApplication>
#include <QStatusBar>
#include <mutex>

#include "forms/SongMenus.h"
#include "forms/SongPanel.h"
#include "forms/TAboutBox.h"
#include "forms/TEditor.h"
#include "forms/TForm1.h"
#include "forms/TForm3.h"
#include "forms/TGen.h"
#include "forms/TIns.h"
#include "forms/TMP.h"
#include "forms/TOpt.h"
#include "forms/TSongs.h"
#include "forms/TStyleEvents.h"
#include "forms/TStyleManager.h"
#include "forms/Ttt.h"

namespace korvel {

namespace {

// The song editor reaches the main window's chord pads, hint line, song panel and the song's
// memo.
TEditor* MakeEditor(TForm1* main) {
  auto* editor = new TEditor(main->Core(), main->DialogBoxes());
  editor->ShowChordPads = [main] {
    if (auto it = main->MenuItems.find("Chordpads"); it != main->MenuItems.end())
      it->second->trigger();
  };
  editor->ShowEditHint = [main](const QString& hint) {
    if (hint.isEmpty())
      main->statusBar()->clearMessage();
    else
      main->statusBar()->showMessage(hint);
  };
  editor->SongLengthChanged = [main] { main->Song->Refresh(); };
  editor->ShowMemo = [main] { main->ShowPanel("Memo", true); };
  return editor;
}

}  // namespace

Startup::Startup(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
                 const std::string& settingsFile, const std::string& programDir)
    : background_(std::make_unique<TForm3>()), splash_(std::make_unique<TAboutBox>()) {
  background_->show();
  background_->lower();
  splash_->setWindowTitle("Please wait ...");
  splash_->show();
  QApplication::processEvents();
  QApplication::setApplicationName("Korvel");
  main_ = new TForm1(devices, input, problem, settingsFile, programDir);
  auto* songs = new TSongs(main_->Core(), main_->DialogBoxes(), main_->Settings());
  auto* player = new TMP(main_->Core(), devices, main_->DialogBoxes(), main_->Settings(), *songs);
  player->OpenOwnMode = [main = main_](const std::string& path, bool play) {
    return main->OpenSong(path, play);
  };
  player->OwnPlay = [main = main_](const std::string& path) { main->PlaySong(path); };
  player->OwnStop = [main = main_] { main->Song->StopItem->trigger(); };
  // Only the field: the main window's other controls would act on what they show.
  player->TempoShown = [main = main_](int bpm) {
    const QSignalBlocker block(main->TempoEdit1);
    main->TempoEdit1->setValue(bpm);
  };
  QObject::connect(main_->TempoEdit1, &QSpinBox::valueChanged, player,
                   [player](int bpm) { player->TempoSetByHand(bpm); });
  songs->OpenSong = [player](const std::string& path) { return player->OpenSong(path); };
  songs->PlaylistStarts = [player, main = main_](bool several) {
    if (several) player->PlayEachOnce();
    main->GuideStep(25);
  };
  {
    std::lock_guard lock(main_->Core().Lock);
    player->Core().SongsFolder = programDir + "/SONGS";
    main_->SongFiles->Files.SongOpened = [songs](const std::string& path) {
      songs->SongLoaded(path);
    };
  }
  auto* generator = new TGen(main_->Core(), main_->Import(), main_->DialogBoxes());
  auto* styleEvents = new TStyleEvents(main_->Core());
  generator->SetStyleEventsWindow(styleEvents);
  windows_ = {main_,
              generator,
              new TStyleManager(main_->Core(), main_->DialogBoxes(), settingsFile, programDir),
              MakeEditor(main_),
              player,
              songs,
              new TIns(main_->Core(), main_->Settings()),
              new Ttt(main_),
              styleEvents};
  windows_.push_back(new TOpt(*main_));
  songs->LoadStartList();  // the settings are loaded with the options window
  player->LoadSettings();
  main_->SetOtherWindows(windows_);
  main_->SetBackgroundWindow(background_.get());
  main_->SetSplashWindow(splash_.get());
}

Startup::~Startup() {
  // The main window holds the engine the others use: it goes last.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) delete *it;
}

}  // namespace korvel
