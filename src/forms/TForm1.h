// The main window: the transport (clock, stop, tempo, beat lamp, measure, chord), the speed
// buttons, the tab set that opens the panels, the menus, and the life cycle of the program:
// loading the settings, the first activation and the exit procedure.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <map>
#include <memory>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "app/MidiFileImport.h"
#include "app/SongList.h"
#include "forms/QtDialogs.h"
#include "forms/QtView.h"

namespace korvel {

class KeyboardPanel;
class MemoPanel;
class MidiPanel;
class MidiSettingsPanel;
class MixerPanel;
class PadsPanel;
class SongMenus;
class SongPanel;
class SoloMutePanel;
class SplitPanel;
class TForm2;
class TForm3;
class TAboutBox;
class Ttt;
class HelpBrowser;
class TextEditor;
class TGen;

// How to mend a port that would not open at the start.
inline constexpr const char* kChoosePort =
    "Choose another port in the MIDI window (Windows menu), or start JACK and choose its port.";

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `problem`: why the MIDI system cannot be reached, shown in the status line. The settings
  // come from `settingsFile` and go back there at exit; `programDir` holds the styles and the
  // instrument lists.
  TForm1(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
         const std::string& settingsFile, const std::string& programDir, QWidget* parent = nullptr);
  ~TForm1() override;

  Engine& Core() { return *engine_; }
  // The MIDI file import the main window and the style generator share.
  MidiFileImport& Import() { return *import_; }
  Dialogs& DialogBoxes() { return dialogs_; }
  Configuration& Settings() { return settings_; }
  const std::string& ProgramDir() const { return programDir_; }

  // The windows made before and beside this one.
  void SetBackgroundWindow(TForm3* background) { background_ = background; }
  void SetSplashWindow(TAboutBox* splash) { splash_ = splash; }
  // The style generator among them reports its commands, so that the menus follow.
  void SetOtherWindows(std::vector<QWidget*> windows);

  // The options window's creation: the settings are loaded and applied, the ports open, the
  // panel windows are made and arranged.
  void LoadConfiguration();
  // Once, when the window is first shown: the external application, the background, the
  // welcome page on a first run, else the demo style.
  void FirstActivation();
  void DemoSong();
  // The prompter among the other windows, if it is there.
  Ttt* Prompter() const;
  // A step of the work shows the guide's tip for it (while "Guide me !" is on).
  void GuideStep(int offset);
  // A help page in the help window, or "HELP is not available !" when there is none.
  void ShowHelp(const std::string& page);
  // F12 and "Help - F12": the page about the window in front.
  void HelpOnWindow();
  HelpBrowser* Help() const { return help_.get(); }
  // A song the song list chose: opened (an arrangement, or a MIDI file as a song) and, with
  // `play`, played by Korvel's own transport. Failed when it could not be opened (the musician
  // has been told why).
  SongOpening OpenSong(const std::string& path, bool play);
  // Plays the song opened from `path` from its start: a MIDI file through the generator, an
  // arrangement through the chord memory.
  void PlaySong(const std::string& path);
  // A file given on the command line or by a later start: an arrangement or MIDI file opens as
  // "&Open ..." opens it, a style loads, a song list shows in its window. False when nothing
  // was opened (the musician has been told why).
  bool OpenDocument(const std::string& path);
  void ExitProgram();
  void CloseOtherWindows();
  void ArrangeAll();
  void OpenMidiSettings(bool welcome);
  bool Exited() const { return exited_; }
  // Starts the configured program beside Korvel ("Connection"), asking first when `mayAsk`.
  void StartExternalApp(bool mayAsk);
  // Shows (or only makes, when `show` is false) the panel window of `caption` ("Memo", ...).
  TForm2* ShowPanel(const QString& caption, bool show);
  // Every control shows the engine's values again.
  void RefreshControls();
  // The background window takes the colour and picture of the settings.
  void ApplyLook() { SetBackground(backgroundOn_); }

  // The transport, always shown.
  QPushButton* SpeedButton3;  // MIDI clock on/off
  QPushButton* StopButton;
  QSpinBox* TempoEdit1;
  QLabel* Panel3;      // beat lamp; a click is "Synchro start"
  QLabel* Panel4;      // measure display; the song's position while a song plays
  QLabel* BeatPanel;   // "P", "R" or the step's tap while a song plays or records
  QLabel* ChordLabel;  // the chord panel
  QTabBar* TabSet;
  QWidget* ControlPanel;  // holds the transport
  // The speed-button bar ("Speedbuttons"): shortcuts to menu items.
  QWidget* SpeedButtons;
  QPushButton* PlayChordsButton;  // "C" / "S", as the menu item "Play Chords"
  QPushButton* OpenStyleButton;
  QPushButton* OnTopButton;  // "Always stay on top"
  // In the status line, in full: what went wrong at the start and how to mend it.
  QLabel* StartupProblems;
  // Panels, each shown in its own panel window.
  KeyboardPanel* Keyboard;
  MidiPanel* Midi;
  MixerPanel* Mixer;
  MidiSettingsPanel* MidiSettings;
  SongPanel* Song;
  PadsPanel* Pads;                        // "Chordpads"
  MemoPanel* MemoText;                    // "Memo"
  SoloMutePanel* SoloMute;                // "Solo - Mute"
  SplitPanel* Split;                      // "Keyboard-Split"
  SongMenus* SongFiles;                   // the song's file commands and the melody menu
  std::map<QString, QAction*> MenuItems;  // by caption without "&"
  QMenu* ChannelMenu = nullptr;           // the pop-up menu of the mixer's channel list
  // Boxes and dialogs answer from `script` instead (tests that drive the windows).
  void AnswerFrom(Dialogs* script) { dialogs_.AnswerFrom(script); }
  // The panel windows by caption ("Keyboard", "MIDI", "Mixer", ...).
  std::map<QString, TForm2*> PanelWindows;
  QString EditorPath;  // the instrument-list editor, empty when there is none

 signals:
  void ProgramEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The computer keyboard plays Korvel while the main window has the focus.
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // Releases go elsewhere once the focus has gone: the held keys are let go now.
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildWindowMenus();
  // The window of class `Window` among the other windows, if it is there.
  template <typename Window>
  Window* FindWindow() const {
    for (QWidget* window : otherWindows_)
      if (auto* found = qobject_cast<Window*>(window)) return found;
    return nullptr;
  }
  TGen* Generator() const;
  // "Style-Crea&tor ...": the mixer panel and the generator window.
  void ShowStyleCreator();
  // "Style-E&vents ...": the solo/mute panel and the part event editor.
  void ShowStyleEvents();
  void StayOnTop(bool on);
  // Items whose function needs a stopped transport, and the one that needs a generator song.
  void RefreshMenus();
  QAction* Item(QMenu* menu, const QString& caption, const QString& hint,
                std::function<void()> action);
  // An item with a check mark that shows `field`.
  QAction* Checked(QMenu* menu, const QString& caption, const QString& hint, const bool& field,
                   std::function<void()> action);
  // One of several items of which one is checked: `checked` says whether it is this one.
  QAction* Choice(QMenu* menu, const QString& caption, const QString& hint,
                  std::function<bool()> checked, std::function<void()> action);
  QAction* Toggle(QMenu* menu, const QString& caption, const QString& hint, bool& field,
                  std::function<void()> after = {});
  // Restores a window of `otherWindows_` by its object name and brings it forward.
  void ShowWindow(const QString& name);
  void SetBackground(bool on);
  // The height that shows the menus, the visible bars and the status line.
  void FitHeight();

  QtDialogs dialogs_;
  QtView view_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<MidiFileImport> import_;
  Configuration settings_;
  std::string settingsFile_;
  // What went wrong while the windows were made, for the status line.
  std::vector<std::string> startupProblems_;
  std::string programDir_;
  QTimer deviceWatch_;
  TForm3* background_ = nullptr;
  TAboutBox* splash_ = nullptr;
  std::unique_ptr<HelpBrowser> help_;
  std::vector<QWidget*> otherWindows_;
  // Check marks that show a field of the core.
  std::vector<std::pair<QAction*, std::function<bool()>>> marks_;
  QAction* restoreAllItem_ = nullptr;
  QAction* addMelodyItem_ = nullptr;
  std::vector<QAction*> whileStopped_;  // disabled while a style or song plays
  QAction* syncStartItem_ = nullptr;    // only in slave mode
  QMenu* playPartsMenu_ = nullptr;      // "Play Parts": only while the generator holds material
  // Items that trigger a command of the generator window: enabled as that command is.
  std::vector<std::pair<QAction*, QAction * TGen::*>> generatorItems_;
  std::unique_ptr<TextEditor> textEditor_;
  bool onTop_ = false;
  QPoint topPlace_;  // where the window stood on top last
  bool activated_ = false;
  bool externalAppStarted_ = false;
  bool exited_ = false;
  bool backgroundOn_ = true;
  bool tabSetOn_ = true;
  bool speedButtonsOn_ = true;
};

}  // namespace korvel
