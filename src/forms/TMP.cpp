#include "forms/TMP.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <mutex>

#include "forms/TSongs.h"

namespace korvel {

namespace {

// "MCI-OUT" for "<None>".
constexpr int kNoOutputSetting = 65533;

bool IsMidiFile(const std::string& path) {
  return QString::fromStdString(path).endsWith(".mid", Qt::CaseInsensitive);
}

}  // namespace

TMP::TMP(Engine& engine, MidiDevices& devices, Dialogs& dialogs, Configuration& settings,
         TSongs& songs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Title(new QLabel),
      ImportMidi(new QPushButton("Import MIDI")),
      LoopStart(new QPushButton("LoopStart")),
      LoopEnd(new QPushButton("LoopEnd")),
      Songlist(new QPushButton(" Songlist   ")),
      Play(new QPushButton("Play")),
      Pause(new QPushButton("Pause")),
      Stop(new QPushButton("Stop")),
      Next(new QPushButton("Next")),
      Prev(new QPushButton("Prev")),
      Step(new QPushButton("Step")),
      Back(new QPushButton("Back")),
      Clipboard(new QPushButton("Clipboard")),
      AutoStart(new QCheckBox("AutoStart")),
      Repeat(new QCheckBox("Repeat")),
      UseMci(new QCheckBox("Use MCI")),
      Output(new QComboBox),
      Position(new QSlider(Qt::Horizontal)),
      engine_(engine),
      dialogs_(dialogs),
      settings_(settings),
      songs_(songs),
      player_(engine.Ports, devices, dialogs),
      clock_(std::make_unique<PacedThread>(
          engine.Lock, kFileSampleRate, kFileBlockFrames,
          [this](int64_t frames) { player_.Advance(frames); },
          [this] { player_.EndSoundingNotes(); })) {
  setObjectName("TMP");
  setWindowTitle("File Player");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Title);
  auto* fileRow = new QHBoxLayout;
  for (QWidget* control : {static_cast<QWidget*>(ImportMidi), static_cast<QWidget*>(LoopStart),
                           static_cast<QWidget*>(LoopEnd), static_cast<QWidget*>(Songlist)})
    fileRow->addWidget(control);
  layout->addLayout(fileRow);
  auto* media = new QHBoxLayout;
  for (QPushButton* button : {Play, Pause, Stop, Next, Prev, Step, Back, Clipboard})
    media->addWidget(button);
  Clipboard->setToolTip("Get filename from clipboard");
  layout->addLayout(media);
  layout->addWidget(Position);
  auto* options = new QHBoxLayout;
  for (QCheckBox* box : {AutoStart, Repeat, UseMci}) options->addWidget(box);
  options->addWidget(Output);
  layout->addLayout(options);
  AutoStart->setChecked(true);
  Repeat->setChecked(true);
  UseMci->setChecked(settings_.Boolean("MCIPl"));
  {
    std::lock_guard lock(engine_.Lock);
    player_.RunClock = [this](bool run) { run ? clock_->Start() : clock_->Stop(); };
    // An arrangement or a MIDI file in the own mode ends on the clock thread.
    const auto ended = [this] {
      QMetaObject::invokeMethod(
          this, [this] { songs_.SongEnded(); }, Qt::QueuedConnection);
    };
    engine_.Song.Hooks.SongEnded = ended;
    engine_.Player.Hooks.SongEnded = ended;
    // Every Stop of the main window (F10, the menu, the button) stops the file too.
    stopBefore_ = engine_.Transport.Hooks.StopPerformance;
    engine_.Transport.Hooks.StopPerformance = [this] {
      if (stopBefore_) stopBefore_();
      player_.Stop();
    };
  }

  connect(Play, &QPushButton::clicked, this, [this] {
    Media(
        [this] {
          engine_.Transport.StopCommand();  // Korvel's own song gives way
          player_.Play();
        },
        [this] {
          if (OwnPlay) OwnPlay(ownSong_);
        });
  });
  connect(Pause, &QPushButton::clicked, this,
          [this] { Media([this] { player_.Pause(); }, OwnStop); });
  connect(Stop, &QPushButton::clicked, this,
          [this] { Media([this] { player_.Stop(); }, OwnStop); });
  connect(Step, &QPushButton::clicked, this, [this] { Media([this] { player_.Step(); }, {}); });
  connect(Back, &QPushButton::clicked, this, [this] { Media([this] { player_.Back(); }, {}); });
  connect(LoopStart, &QPushButton::clicked, this,
          [this] { Act([this] { player_.LoopStartClick(); }); });
  connect(LoopEnd, &QPushButton::clicked, this,
          [this] { Act([this] { player_.LoopEndClick(); }); });
  // Next and Prev step the playlist while it plays; otherwise they move within the file.
  const auto listPlays = [this] {
    std::lock_guard lock(engine_.Lock);
    return songs_.List.PlayingList;
  };
  connect(Next, &QPushButton::clicked, this, [this, listPlays] {
    if (listPlays()) return songs_.OpenNext();
    Media([this] { player_.MoveTo(player_.Length() - player_.StepSize()); }, {});
  });
  connect(Prev, &QPushButton::clicked, this, [this, listPlays] {
    if (listPlays()) return songs_.OpenPrevious();
    Media([this] { player_.MoveTo(0); }, {});
  });
  connect(Songlist, &QPushButton::clicked, this, [this] {
    songs_.show();
    songs_.raise();
  });
  connect(AutoStart, &QCheckBox::toggled, this,
          [this](bool on) { Act([this, on] { player_.AutoStart = on; }); });
  connect(Repeat, &QCheckBox::toggled, this,
          [this](bool on) { Act([this, on] { player_.Repeat = on; }); });
  connect(UseMci, &QCheckBox::toggled, this, [this](bool on) {
    settings_.Set("MCIPl", on ? 1 : 0);
    Refresh();
  });
  connect(Output, &QComboBox::activated, this, [this](int index) {
    Act([this, index] { player_.SelectOutput(index); });
    // Stored as the device number, the mapper -1 and "<None>" 65533.
    const int count = Output->count();
    settings_.Set("MCI-OUT", index == count - 1   ? kNoOutputSetting
                             : index == count - 2 ? -1
                                                  : index);
  });
  connect(ImportMidi, &QPushButton::clicked, this, &TMP::ImportFiles);
  // The slider moves playback only when let go, not at every pixel of a drag.
  connect(Position, &QSlider::sliderReleased, this,
          [this] { Act([this] { player_.MoveTo(Position->value()); }); });
  connect(Clipboard, &QPushButton::clicked, this, [this] {
    lastClipboard_.clear();  // asked for: open it even when taken before
    TakeClipboard();
  });
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) TakeClipboard();
          });
  connect(&poll_, &QTimer::timeout, this, &TMP::CheckCompleted);
  poll_.start(50);
  Refresh();
}

TMP::~TMP() {
  poll_.stop();
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.Hooks.SongEnded = nullptr;
    engine_.Player.Hooks.SongEnded = nullptr;
    engine_.Transport.Hooks.StopPerformance = stopBefore_;
    player_.Stop();
  }
  clock_.reset();  // joined without the engine lock, before the player goes
}

SongOpening TMP::OpenSong(const std::string& path) {
  SongOpening opening = SongOpening::Failed;
  bool opened = false;
  if (!(IsMidiFile(path) && UseMci->isChecked())) {
    Act([this] { player_.Stop(); });  // the file gives way to Korvel's own song
    if (OpenOwnMode) opening = OpenOwnMode(path, AutoStart->isChecked());
    opened = opening == SongOpening::Opened;
    if (opened) {
      mciMode_ = false;
      ownSong_ = path;
    }
  } else {
    Act([this, &path, &opened] {
      if (!player_.Open(path)) return;
      opened = true;
      engine_.Transport.StopCommand();  // Korvel's own song gives way
      // The tempo field shows the file's tempo; a change of it scales the file from there.
      engine_.Transport.TempoEdit1Change(player_.FileTempo());
      if (player_.AutoStart) player_.Play();
    });
    if (opened) {
      mciMode_ = true;
      opening = SongOpening::Opened;
      if (TempoShown) TempoShown(Tempo());
    }
  }
  if (opened) title_ = std::filesystem::path(path).filename().string();
  // Korvel's own songs are offered to the list where they are opened.
  if (opened && mciMode_) songs_.SongLoaded(path);
  Refresh();
  return opening;
}

int TMP::Tempo() {
  std::lock_guard lock(engine_.Lock);
  return player_.Tempo();
}

void TMP::TempoSetByHand(int bpm) {
  std::lock_guard lock(engine_.Lock);
  if (mciMode_) player_.SetTempo(bpm);
}

void TMP::LoadSettings() {
  UseMci->setChecked(settings_.Boolean("MCIPl"));
  const int stored = settings_.Integer("MCI-OUT");
  {
    std::lock_guard lock(engine_.Lock);
    const int count = static_cast<int>(engine_.Ports.OutputList().size());
    // Opened at the first Play, not at start-up.
    player_.OutputSelection = stored == kNoOutputSetting          ? count - 1
                              : stored < 0 || stored >= count - 2 ? count - 2
                                                                  : stored;
  }
  Refresh();
}

void TMP::Media(const std::function<void()>& mci, const std::function<void()>& own) {
  if (mciMode_) {
    Act(mci);
  } else if (own) {
    own();
  }
}

void TMP::closeEvent(QCloseEvent* event) {
  Act([this] { player_.Stop(); });
  songs_.close();
  QWidget::closeEvent(event);
}

void TMP::ImportFiles() {
  const std::string folder = midiFolder_.empty() ? settings_.Text("Dir") : midiFolder_;
  const auto files =
      dialogs_.OpenFilesDialog({"Open MIDI File ...", "MIDI-Files (*.mid)|*.mid", "MID", folder});
  if (files.empty()) return;
  midiFolder_ = std::filesystem::path(files.front()).parent_path().string();
  if (files.size() == 1) {
    {
      std::lock_guard lock(engine_.Lock);
      songs_.List.ClearPlaylist();
    }
    OpenSong(files.front());
    return;
  }
  // Files chosen together play one after the other, round and round.
  Repeat->setChecked(false);
  AutoStart->setChecked(true);
  {
    std::lock_guard lock(engine_.Lock);
    songs_.List.PlayFiles(files);
  }
  songs_.OpenNext();
}

void TMP::TakeClipboard() {
  const QString text = QApplication::clipboard()->text().trimmed();
  if (text.isEmpty() || text.contains('\n') || text == lastClipboard_) return;
  const QString path =
      text.startsWith("file:", Qt::CaseInsensitive) ? QUrl(text).toLocalFile() : text;
  const QFileInfo file(path);
  if (!file.isFile() || file.suffix().compare("mid", Qt::CaseInsensitive) != 0) return;
  lastClipboard_ = text;
  OpenSong(file.absoluteFilePath().toStdString());
}

void TMP::CheckCompleted() {
  bool completed = false;
  {
    std::lock_guard lock(engine_.Lock);
    completed = player_.TakeCompleted();
  }
  if (completed) songs_.SongEnded();
  Refresh();
}

void TMP::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  Refresh();
}

void TMP::Refresh() {
  std::lock_guard lock(engine_.Lock);
  const bool mci = UseMci->isChecked();
  LoopStart->setEnabled(mci);
  LoopEnd->setEnabled(mci);
  Title->setText(QString::fromStdString(title_));
  Position->setEnabled(mciMode_ && player_.Loaded());
  if (!Position->isSliderDown()) {
    const QSignalBlocker block(Position);
    Position->setRange(0, static_cast<int>(std::max<int64_t>(player_.Length() - 1, 0)));
    Position->setValue(static_cast<int>(player_.Position()));
  }
  const auto& outputs = engine_.Ports.OutputList();
  if (Output->count() != static_cast<int>(outputs.size())) {
    const QSignalBlocker blockList(Output);
    Output->clear();
    for (const auto& name : outputs) Output->addItem(QString::fromStdString(name));
  }
  const QSignalBlocker blockOutput(Output);
  Output->setCurrentIndex(player_.OutputSelection);
}

void TMP::showEvent(QShowEvent* event) {
  Refresh();
  QWidget::showEvent(event);
}

}  // namespace korvel
