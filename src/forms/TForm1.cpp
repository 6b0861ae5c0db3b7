#include "forms/TForm1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <mutex>

#include "app/FileNames.h"
#include "app/GeneratorCommands.h"
#include "app/HelpTopics.h"
#include "app/ListEditor.h"
#include "app/MidiSettings.h"
#include "app/SongMidiExport.h"
#include "forms/HelpBrowser.h"
#include "forms/KeyboardPanel.h"
#include "forms/MemoPanel.h"
#include "forms/MidiPanel.h"
#include "forms/MidiSettingsPanel.h"
#include "forms/MixerPanel.h"
#include "forms/PadsPanel.h"
#include "forms/SoloMutePanel.h"
#include "forms/SongMenus.h"
#include "forms/SongPanel.h"
#include "forms/SplitPanel.h"
#include "forms/TAboutBox.h"
#include "forms/TForm2.h"
#include "forms/TForm3.h"
#include "forms/TGen.h"
#include "forms/TMP.h"
#include "forms/TSongs.h"
#include "forms/TextEditor.h"
#include "forms/Ttt.h"
#include "forms/VirtualKeys.h"
#include "platform/Process.h"

namespace korvel {

namespace {

constexpr const char* kMidiSettingsWindow = "MIDI settings";
constexpr const char* kFirstRunText =
    "Hello, this is the first time that you have started Korvel.\n\nPlease listen to the song. "
    "Then close this window, stop playing and enter chords / styles, using the controls of the "
    "keyboard window below or an external MIDI controller.\n\nHave much fun with Korvel!";

constexpr int kMainHelpTopic = 100;

struct PanelSpec {
  const char* Caption;
  int HelpContext;
  int WindowNumber;
};
// The panel windows made (hidden) when the settings are loaded, in this order.
constexpr PanelSpec kPanels[] = {{"Mixer", 107, 0},       {"MIDI", 102, 0},        {"Memo", 115, 7},
                                 {"Solo - Mute", 108, 0}, {"Keyboard", 109, 9},    {"Song", 104, 0},
                                 {"Chordpads", 0, 0},     {"Keyboard-Split", 0, 0}};
// The tabs, in the order a musician reaches for them.
constexpr const char* kTabs[] = {"Keyboard", "Song", "Mixer", "MIDI"};

}  // namespace

TForm1::TForm1(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
               const std::string& settingsFile, const std::string& programDir, QWidget* parent)
    : QMainWindow(parent),
      SpeedButton3(new QPushButton("MIDI clock")),
      StopButton(new QPushButton("Stop")),
      TempoEdit1(new QSpinBox),
      Panel3(new QLabel),
      Panel4(new QLabel("1")),
      BeatPanel(new QLabel),
      ChordLabel(new QLabel),
      TabSet(new QTabBar),
      ControlPanel(new QWidget),
      SpeedButtons(new QWidget),
      PlayChordsButton(new QPushButton("C")),
      OpenStyleButton(new QPushButton("Style ...")),
      OnTopButton(new QPushButton("Top")),
      StartupProblems(new QLabel),
      dialogs_(this),
      view_(this, Panel3, Panel4, ChordLabel, BeatPanel, TempoEdit1),
      engine_(std::make_unique<Engine>(devices, input, dialogs_, view_)),
      import_(std::make_unique<MidiFileImport>(*engine_, dialogs_, view_)),
      settings_(programDir),
      settingsFile_(settingsFile),
      programDir_(programDir) {
  setObjectName("TForm1");
  dialogs_.SetEngineLock(&engine_->Lock);
  setWindowTitle(QApplication::applicationName());

  // The transport is always in view; the speed buttons are shortcuts to menu items.
  auto* transport = new QHBoxLayout(ControlPanel);
  transport->setContentsMargins(4, 4, 4, 4);
  SpeedButton3->setCheckable(true);
  SpeedButton3->setToolTip("MIDI clock on/off");
  StopButton->setToolTip("Stop - F10");
  TempoEdit1->setRange(kMinTempo, kMaxTempo);
  TempoEdit1->setToolTip("Tempo");
  Panel3->setFixedSize(24, 24);
  Panel3->setToolTip("Click = Synchro start");
  Panel3->setStyleSheet("background-color: black;");
  Panel3->installEventFilter(this);
  Panel4->setToolTip("Measure");
  BeatPanel->setMinimumWidth(16);
  ChordLabel->setToolTip("Chords");
  ChordLabel->setMinimumWidth(80);
  for (QWidget* control : std::initializer_list<QWidget*>{SpeedButton3, StopButton, TempoEdit1,
                                                          Panel3, Panel4, BeatPanel, ChordLabel})
    transport->addWidget(control);
  transport->addStretch();
  auto* speed = new QHBoxLayout(SpeedButtons);
  speed->setContentsMargins(4, 0, 4, 0);
  PlayChordsButton->setToolTip("Play Chords");
  OpenStyleButton->setToolTip("Load a style");
  OnTopButton->setToolTip("Stay on Top");
  for (QPushButton* button : {PlayChordsButton, OpenStyleButton, OnTopButton}) {
    button->setFocusPolicy(Qt::ClickFocus);
    speed->addWidget(button);
  }
  speed->addStretch();
  for (const char* tab : kTabs) TabSet->addTab(tab);
  TabSet->setToolTip("Open a panel");
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(SpeedButtons);
  column->addWidget(ControlPanel);
  column->addWidget(TabSet);
  setCentralWidget(page);
  StartupProblems->setWordWrap(true);
  StartupProblems->hide();
  statusBar()->addWidget(StartupProblems, 1);

  Keyboard = new KeyboardPanel(*engine_);
  Midi = new MidiPanel(*engine_);
  Mixer = new MixerPanel(*engine_);
  MidiSettings = new MidiSettingsPanel(*engine_);
  Song = new SongPanel(*engine_);
  Pads = new PadsPanel(*engine_);
  BuildMenus();
  MemoText = new MemoPanel(*engine_, SongFiles->Files, settings_);
  connect(SongFiles, &SongMenus::Changed, MemoText, &MemoPanel::Refresh);
  SoloMute = new SoloMutePanel(*engine_, [this] {
    TMP* player = FindWindow<TMP>();
    if (!player) return false;
    std::lock_guard lock(engine_->Lock);
    return player->Core().Playing();
  });
  Split = new SplitPanel(*engine_);
  ConnectImportToGenerator(*import_, *engine_);
  ConnectImportToSongs(*import_, SongFiles->Files);
  // Scratch files go beside the settings: the program's own folder may not be writable.
  import_->Settings.ScratchFolder = std::filesystem::path(settingsFile_).parent_path().string();

  // Keys reach the window first, as the music keyboard, not the buttons and fields.
  for (QWidget* control :
       std::initializer_list<QWidget*>{SpeedButton3, StopButton, TempoEdit1, TabSet})
    control->setFocusPolicy(Qt::ClickFocus);
  setFocusPolicy(Qt::StrongFocus);

  {
    std::lock_guard lock(engine_->Lock);
    engine_->Loader.Settings.ProgramDir = programDir_;
    engine_->Mixer.ProgramDir = programDir_;
    engine_->Sent.ResetChannelState();
    TempoEdit1->setValue(engine_->Transport.Tempo);
  }
  // Help comes from key handlers and loaders that hold the engine lock: the window opens after.
  engine_->Keyboard.Hooks.Help = [this] {
    QMetaObject::invokeMethod(this, &TForm1::HelpOnWindow, Qt::QueuedConnection);
  };
  engine_->Loader.Hooks.ShowHelp = [this](int topic) {
    QMetaObject::invokeMethod(
        this, [this, topic] { ShowHelp(HelpPageOf(topic)); }, Qt::QueuedConnection);
  };
  view_.ChordShown = [this] { Keyboard->ShowOverride(); };
  // Playing a song switches " Chords" off and on again; a song may end on the clock.
  view_.SongChanged = [this] { RefreshControls(); };
  connect(Song, &SongPanel::Changed, this, [this] { RefreshControls(); });
  // A reset's last message may be played on the driver's thread: the rest follows here.
  engine_->Mixer.Hooks.ResetMessagePlayed = [this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          {
            std::lock_guard lock(engine_->Lock);
            engine_->Mixer.FinishDeviceReset();
          }
          RefreshControls();
        },
        Qt::QueuedConnection);
  };

  connect(SpeedButton3, &QPushButton::clicked, this, [this] {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.ToggleClock();
    SpeedButton3->setChecked(engine_->Transport.ClockState != 0);
  });
  connect(PlayChordsButton, &QPushButton::clicked, MenuItems["Play Chords"], &QAction::trigger);
  connect(OpenStyleButton, &QPushButton::clicked, MenuItems["Open ..."], &QAction::trigger);
  connect(OnTopButton, &QPushButton::clicked, MenuItems["Always stay on top"], &QAction::trigger);
  connect(StopButton, &QPushButton::clicked, this, [this] {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.StopCommand();
  });
  connect(TempoEdit1, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.TempoEdit1Change(value);
  });
  // Once the musician has chosen ports, what went wrong at the start is history.
  connect(Midi, &MidiPanel::PortsChanged, this, [this] {
    StartupProblems->hide();
    RefreshControls();
  });
  // Another program takes the keyboard: the releases of the keys held now will not come here.
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) return;
            std::lock_guard lock(engine_->Lock);
            engine_->Keyboard.ReleaseAllKeys();
          });
  connect(MidiSettings, &MidiSettingsPanel::Confirmed, this, [this] {
    StartupProblems->hide();
    if (TForm2* window = PanelWindows[kMidiSettingsWindow]) window->hide();
    {
      std::lock_guard lock(engine_->Lock);
      ApplyMidiSettings(MidiSettings->Choice(), *engine_, settings_);
    }
    MidiSettings->Applied();
    if (settings_.FirstRun) DemoSong();
    settings_.FirstRun = false;
    RefreshControls();
  });
  connect(MidiSettings, &MidiSettingsPanel::SettingsRequested, this, [this] {
    emit MidiSettings->Confirmed();
    for (QWidget* window : otherWindows_) {
      if (window->objectName() != "TOpt") continue;
      window->showNormal();
      window->raise();
    }
  });

  // Devices come and go while Korvel runs (USB keyboards, other programs' ports).
  connect(&deviceWatch_, &QTimer::timeout, this, [this] {
    // The choices as they stand before a device goes: an unplugged one is kept by name.
    const bool changed = engine_->CheckDevices([this] { settings_.TakeDevices(engine_->Ports); });
    // Only on a change: refilling the lists would close one the musician has open.
    if (changed) RefreshControls();
  });
  deviceWatch_.start(2000);

  resize(620, height());
  FitHeight();
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.width() >= 800 ? 8 : (area.width() - width()) / 2, area.height() >= 600 ? 6 : 0);
  }
  if (!problem.empty()) startupProblems_.push_back(problem);
}

void TForm1::SetOtherWindows(std::vector<QWidget*> windows) {
  otherWindows_ = std::move(windows);
  for (QWidget* window : otherWindows_)
    if (auto* generator = qobject_cast<TGen*>(window))
      connect(generator, &TGen::Changed, this, [this] { RefreshControls(); });
}

void TForm1::ShowHelp(const std::string& page) {
  if (!help_) help_ = std::make_unique<HelpBrowser>(programDir_ + "/help");
  if (!help_->ShowPage(page)) dialogs_.InformUser(kNoHelp);
}

void TForm1::HelpOnWindow() {
  QWidget* front = QApplication::activeWindow();
  std::string page = HelpPageOf(kMainHelpTopic);
  if (auto* panel = qobject_cast<TForm2*>(front)) {
    page = HelpPageOf(panel->HelpContext());
  } else if (front && front != this) {
    page = HelpPageOfWindow(front->objectName().toStdString());
  }
  ShowHelp(page);
}

Ttt* TForm1::Prompter() const {
  return FindWindow<Ttt>();
}

void TForm1::GuideStep(int offset) {
  Ttt* prompter = Prompter();
  if (!prompter) return;
  prompter->Tips.On = settings_.Boolean("SCG");
  prompter->Tips.FirstRun = settings_.FirstRun;
  prompter->GuideStep(offset);
}

TGen* TForm1::Generator() const {
  return FindWindow<TGen>();
}

void TForm1::ShowStyleCreator() {
  ShowPanel("Mixer", true);
  ShowWindow("TGen");
}

void TForm1::ShowStyleEvents() {
  ShowPanel("Solo - Mute", true);
  if (TGen* generator = Generator()) generator->ShowStyleEvents();
}

void TForm1::StayOnTop(bool on) {
  if (on) {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (background_) background_->hide();
    if (!topPlace_.isNull()) move(topPlace_);
  } else {
    topPlace_ = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    if (background_ && backgroundOn_) background_->show();
  }
  onTop_ = on;
  OnTopButton->setToolTip(on ? "Stay not on Top" : "Stay on Top");
  show();  // a changed window flag hides the window
  FitHeight();
}

void TForm1::ShowWindow(const QString& name) {
  for (QWidget* window : otherWindows_) {
    if (window->objectName() != name) continue;
    window->showNormal();
    window->raise();
  }
}

TForm1::~TForm1() {
  // The panels use the engine: they go before it, with the windows that hold them.
  delete SongFiles;
  for (QWidget* panel : std::initializer_list<QWidget*>{Keyboard, Midi, Mixer, MidiSettings, Song,
                                                        Pads, MemoText, SoloMute, Split})
    if (!panel->parent()) delete panel;
  for (auto& [caption, window] : PanelWindows) delete window;
}

void TForm1::LoadConfiguration() {
  // Nothing found here may hold up the start with a box: it all goes to the status line.
  dialogs_.HoldMessages();
  bool portFailed = false;
  {
    std::lock_guard lock(engine_->Lock);
    std::string error;
    if (!settings_.LoadSettings(settingsFile_, error)) dialogs_.ShowStatus(error);
    settings_.ApplySettings(*engine_);
    for (const std::string& name : settings_.ApplyDevices(*engine_))
      startupProblems_.push_back("The MIDI device " + name +
                                 " is not connected: choose it in the MIDI window once it is, "
                                 "or it opens at the next start.");
    const MidiPorts& ports = engine_->Ports;
    const auto chosen = [](const std::vector<std::string>& list, int selection) {
      return selection >= 0 && selection < static_cast<int>(list.size()) - 1;
    };
    portFailed = (chosen(ports.OutputList(), ports.ComboBox1) && !ports.MidiOutput1.IsOpen()) ||
                 (chosen(ports.InputList(), ports.ExtMidiInList) && !ports.MidiInput1.IsOpen());
    engine_->Input.FunctionKeyBase = engine_->Live.FirstKey / 12 * 12;
    engine_->Input.FunctionKeyTop = engine_->Input.FunctionKeyBase + 12;
    engine_->Transport.TempoDetection = true;  // a style brings its tempo
    speedButtonsOn_ = settings_.Boolean("Buttons");
    tabSetOn_ = settings_.Boolean("TabSet");
    backgroundOn_ = settings_.Boolean("BackGrd");
    SongFiles->Files.SongFolder = settings_.Text("Dir");
    SongFiles->Files.StyleFolder = settings_.Text("StyleDir");
    import_->Settings.SongFolder = SongFiles->Files.SongFolder;
  }
  SpeedButtons->setVisible(speedButtonsOn_);
  TabSet->setVisible(tabSetOn_);
  for (const auto& panel : kPanels) ShowPanel(panel.Caption, false);
  RefreshControls();
  for (std::string& message : dialogs_.TakeHeldMessages())
    startupProblems_.push_back(std::move(message));
  if (portFailed) startupProblems_.push_back(kChoosePort);
  QString problems;
  for (const std::string& problem : startupProblems_) {
    // "Can't open ..." comes without a full stop; the sentences follow each other.
    if (!problems.isEmpty()) problems += QString(".!?:").contains(problems.back()) ? " " : ". ";
    problems += QString::fromStdString(problem);
  }
  StartupProblems->setText(problems);
  StartupProblems->setVisible(!problems.isEmpty());
  FitHeight();
  ArrangeAll();  // below the window as high as it is now
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!activated_) QTimer::singleShot(0, this, [this] { FirstActivation(); });
}

void TForm1::FirstActivation() {
  if (activated_ || exited_) return;
  activated_ = true;
  StartExternalApp(true);
  if (splash_) splash_->close();
  if (!engine_->Style.Work.Chunks[0].Allocated) {
    dialogs_.InformUser("There is not enough memory for the style material.");
    close();
    return;
  }
  backgroundOn_ = true;
  MenuItems["Background"]->setChecked(true);
  SetBackground(true);
  EditorPath = QString::fromStdString(LocateEditor(programDir_));
  MenuItems["Instrument list editor"]->setVisible(!EditorPath.isEmpty());
  if (settings_.FirstRun) {
    OpenMidiSettings(true);
  } else {
    DemoSong();
  }
  connect(TabSet, &QTabBar::tabBarClicked, this, [this](int index) {
    if (index >= 0) ShowPanel(TabSet->tabText(index), true);
  });
}

void TForm1::DemoSong() {
  TForm2* keyboard = ShowPanel("Keyboard", true);
  const auto demo = std::filesystem::path(programDir_) / "STYLES" / "rock1.kvs";
  std::error_code missing;
  if (!std::filesystem::exists(demo, missing)) {
    raise();
    activateWindow();
    return;
  }
  {
    std::lock_guard lock(engine_->Lock);
    engine_->Style.StyleFileName = "rock1.kvs";
    engine_->Loader.LoadStyle(false);
    engine_->Transport.StopCommand();
    // The first start brings the demo song along, when it is there.
    if (settings_.FirstRun) SongFiles->Files.LoadStartSong(programDir_);
  }
  RefreshControls();
  // The first start shows where the demo's channels are heard and muted.
  if (settings_.FirstRun) ShowPanel("Solo - Mute", true);
  keyboard->raise();
  if (settings_.FirstRun) {
    if (Ttt* prompter = Prompter()) prompter->ShowText(kFirstRunText);
  } else {
    GuideStep(12);
  }
}

void TForm1::OpenMidiSettings(bool welcome) {
  MidiSettings->Prepare(welcome);
  if (!welcome) {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.StopCommand();
  }
  TForm2*& window = PanelWindows[kMidiSettingsWindow];
  if (!window) {
    window = OpenPanelWindow(window, MidiSettings, 102, false, kMidiSettingsWindow, 0, this);
    // Closing the welcome page is OK: its settings as they stand, and the first run goes on
    // with the demo and the guide.
    connect(window, &TForm2::Closed, this, [this] {
      if (MidiSettings->Welcome() && !exited_) emit MidiSettings->Confirmed();
    });
  }
  OpenPanelWindow(window, MidiSettings, 102, true, kMidiSettingsWindow, 0, this);
  window->setWindowTitle(welcome ? "Welcome to Korvel ..." : "Korvel - MIDI controls ...");
}

TForm2* TForm1::ShowPanel(const QString& caption, bool show) {
  QWidget* panel = caption == "Keyboard"         ? static_cast<QWidget*>(Keyboard)
                   : caption == "MIDI"           ? static_cast<QWidget*>(Midi)
                   : caption == "Song"           ? static_cast<QWidget*>(Song)
                   : caption == "Chordpads"      ? static_cast<QWidget*>(Pads)
                   : caption == "Memo"           ? static_cast<QWidget*>(MemoText)
                   : caption == "Solo - Mute"    ? static_cast<QWidget*>(SoloMute)
                   : caption == "Keyboard-Split" ? static_cast<QWidget*>(Split)
                                                 : Mixer;
  int help = 0;
  int number = 0;
  for (const auto& spec : kPanels) {
    if (caption == spec.Caption) {
      help = spec.HelpContext;
      number = spec.WindowNumber;
    }
  }
  TForm2*& window = PanelWindows[caption];
  window = OpenPanelWindow(window, panel, help, show, caption, number, this);
  return window;
}

void TForm1::ArrangeAll() {
  // The panels in a row below the main window, wrapping at the screen's edge.
  const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  QPoint place(frameGeometry().left(), frameGeometry().bottom() + 1);
  int rowHeight = 0;
  for (const char* caption : kTabs) {
    TForm2* window = PanelWindows[caption];
    if (!window) continue;
    const QSize size = window->frameGeometry().size();
    if (place.x() + size.width() > area.right() && place.x() > area.left()) {
      place = QPoint(area.left(), place.y() + rowHeight);
      rowHeight = 0;
    }
    window->move(place);
    place.rx() += size.width();
    rowHeight = std::max(rowHeight, size.height());
  }
}

void TForm1::CloseOtherWindows() {
  for (const auto& [caption, window] : PanelWindows)
    if (window) window->close();
  for (QWidget* window : otherWindows_)
    if (window != this) window->close();
}

void TForm1::StartExternalApp(bool mayAsk) {
  const std::string program = settings_.Text("Connection");
  if (externalAppStarted_ || program.empty()) return;
  if (mayAsk && !settings_.Boolean("AutoConnect")) {
    QString name = QString::fromStdString(settings_.Text("P-Name")).toUpper();
    if (!dialogs_.AskYesNo("Load " + name.toStdString() + " ?")) return;
  }
  repaint();
  if (!StartProgram({program})) return;  // a failed start is silent
  externalAppStarted_ = true;
  std::lock_guard lock(engine_->Lock);
  engine_->Chords.SetPlayChords(false);
}

void TForm1::FitHeight() {
  resize(width(), sizeHint().height());
}

void TForm1::SetBackground(bool on) {
  if (!background_) return;
  if (on) {
    const QString picture = QString::fromStdString(settings_.Text("Picture"));
    background_->SetShowPicture(background_->LoadPicture(picture) && settings_.Boolean("PicVis"));
    background_->SetColor(ColorFromSetting(settings_.Integer("Color")));
    background_->show();
    background_->lower();
  } else {
    background_->hide();
  }
}

void TForm1::ExitProgram() {
  if (exited_) return;
  exited_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  deviceWatch_.stop();
  TempoEdit1->disconnect(this);
  // The other windows go first: the file player stops its notes while its port is open, and
  // a song list saved under a new name is in the settings before they are written.
  CloseOtherWindows();
  {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.StopCommand();
    if (engine_->Transport.ClockState != 0) engine_->Transport.ToggleClock();
    settings_.TakeSettings(*engine_);
    settings_.Set("Dir", SongFiles->Files.SongFolder);
    MidiPorts& ports = engine_->Ports;
    ports.MidiInput1.Close();
    ports.MidiOutput1.Close();
    ports.MidiInput2.Close();
    ports.MidiOutput2.Close();
  }
  settings_.Set("Buttons", speedButtonsOn_ ? 1 : 0);
  settings_.Set("TabSet", tabSetOn_ ? 1 : 0);
  settings_.Set("BackGrd", backgroundOn_ ? 1 : 0);
  try {
    settings_.SaveSettings(settingsFile_);
  } catch (const std::exception& e) {
    dialogs_.InformUser(e.what());
  }
  if (background_) background_->close();
  // The scratch file of an earlier run goes at an orderly exit.
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(settingsFile_).replace_extension(".KV$"), ignored);
  QApplication::restoreOverrideCursor();
  emit ProgramEnded();
}

void TForm1::closeEvent(QCloseEvent* event) {
  ExitProgram();
  QMainWindow::closeEvent(event);
}

SongOpening TForm1::OpenSong(const std::string& path, bool play) {
  SongOpening opening;
  {
    std::lock_guard lock(engine_->Lock);
    opening = SongFiles->Files.OpenSong(path, programDir_);
  }
  if (opening == SongOpening::Opened && play) PlaySong(path);
  RefreshControls();
  return opening;
}

void TForm1::PlaySong(const std::string& path) {
  {
    std::lock_guard lock(engine_->Lock);
    if (EndsWithNoCase(path, ".mid"))
      StartGeneratorPlay(*engine_);
    else
      engine_->Song.Play();
  }
  RefreshControls();
}

bool TForm1::OpenDocument(const std::string& path) {
  if (EndsWithNoCase(path, ".kvl")) {
    TSongs* songs = FindWindow<TSongs>();
    if (!songs) return false;
    ShowWindow("TSongs");
    songs->OpenList(path);
    return true;
  }
  bool opened = false;
  {
    std::lock_guard lock(engine_->Lock);
    if (EndsWithNoCase(path, ".kvs")) {
      opened = engine_->Loader.LoadStyleFile(path);
    } else if (EndsWithNoCase(path, ".kva") || EndsWithNoCase(path, ".mid")) {
      opened = SongFiles->Files.OpenSong(path, programDir_) == SongOpening::Opened;
    } else {
      dialogs_.InformUser(std::filesystem::path(path).filename().string() +
                          ": Korvel opens arrangements (.kva), styles (.kvs), song lists (.kvl) "
                          "and MIDI files (.mid).");
    }
  }
  RefreshControls();
  return opened;
}

void TForm1::RefreshControls() {
  Keyboard->Refresh();
  Pads->Refresh();
  Midi->Refresh();
  Mixer->Refresh();
  Song->Refresh();
  SongFiles->Refresh();
  MenuItems["Guide me !"]->setChecked(settings_.Boolean("SCG"));
  std::lock_guard lock(engine_->Lock);
  {
    const QSignalBlocker block(TempoEdit1);
    TempoEdit1->setValue(engine_->Transport.Tempo);
  }
  SpeedButton3->setChecked(engine_->Transport.ClockState != 0);
  const bool playChords = engine_->Transport.PlayChordsMode;
  PlayChordsButton->setText(playChords ? "S" : "C");
  PlayChordsButton->setToolTip(playChords ? "Play Style" : "Play Chords");
  for (const auto& [item, checked] : marks_) item->setChecked(checked());
  restoreAllItem_->setEnabled(engine_->Style.Work.Restorable());
  RefreshMenus();
  // The song's title ("Korvel - DEMO3.KVA") and the style that plays it.
  const std::string& song = engine_->Transport.WindowTitle;
  QString title = song.empty() ? QApplication::applicationName() : QString::fromStdString(song);
  if (engine_->Style.StyleLoaded)
    title += "  -  " + QString::fromStdString(engine_->Style.StyleName);
  setWindowTitle(title);
}

void TForm1::RefreshMenus() {
  // Under the engine lock.
  const bool running = engine_->Player.Playing || engine_->Song.Running();
  for (QAction* item : whileStopped_) item->setEnabled(!running);
  addMelodyItem_->setEnabled(!running && CanAddMelodyTrack(*engine_));
  TGen* generator = Generator();
  for (const auto& [item, command] : generatorItems_)
    item->setEnabled(!running && generator && (generator->*command)->isEnabled());
  for (QAction* part : playPartsMenu_->actions())
    part->setEnabled(!running && !engine_->Generator.WorkEmpty());
  // Sync start waits for the external sequencer's start.
  syncStartItem_->setEnabled(engine_->Transport.SlaveMode);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel3 && event->type() == QEvent::MouseButtonPress) {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.SyncStart1Click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F12 && event->modifiers() == Qt::NoModifier) return HelpOnWindow();
  const int key = KeyTranslator::Desktop().VirtualKeyOf(*event);
  if (key == 0) return QMainWindow::keyPressEvent(event);
  const auto modifiers = event->modifiers();
  std::lock_guard lock(engine_->Lock);
  engine_->Keyboard.KeyDown(
      key, {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)});
}

void TForm1::focusOutEvent(QFocusEvent* event) {
  QMainWindow::focusOutEvent(event);
  std::lock_guard lock(engine_->Lock);
  engine_->Keyboard.ReleaseAllKeys();
}

void TForm1::keyReleaseEvent(QKeyEvent* event) {
  const int key = KeyTranslator::Desktop().VirtualKeyOf(*event);
  if (key == 0 || event->isAutoRepeat()) return QMainWindow::keyReleaseEvent(event);
  const auto modifiers = event->modifiers();
  std::lock_guard lock(engine_->Lock);
  engine_->Keyboard.KeyUp(
      key, {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)});
}

}  // namespace korvel
