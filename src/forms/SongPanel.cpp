#include "forms/SongPanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "forms/MenuItem.h"
#include "performance/ChordMemory.h"

namespace korvel {

namespace {

constexpr int kMostMeasures = 500;

QSpinBox* MeasureBox(int lowest, const char* hint) {
  auto* box = new QSpinBox;
  box->setRange(lowest, kMostMeasures);
  box->setToolTip(hint);
  box->setFocusPolicy(Qt::ClickFocus);
  return box;
}

}  // namespace

SongPanel::SongPanel(Engine& engine, QWidget* parent)
    : QWidget(parent),
      SpinEdit3(MeasureBox(-kMostMeasures, "Start measure")),
      FirstMeasure(MeasureBox(1, "First measure")),
      LastMeasure(MeasureBox(1, "Last measure")),
      Loop(new QCheckBox("Loop")),
      Overwrite(new QCheckBox(" Edit")),
      StepPanel(new QWidget),
      Metre(new QLabel),
      StepStart(new QPushButton("Start")),
      StepPreview(new QCheckBox(" Step Record Preview")),
      engine_(engine) {
  setObjectName("Song");
  PlayItem = Command("Play - F9", "Play/Pause - F9", [](SongTransport& s) { s.Play(); });
  StopItem = Command("Stop - F10", "Stop - F10", [](SongTransport& s) { s.Stop(); });
  RecordItem =
      Command("&Record", "Record chords as they are played", [](SongTransport& s) { s.Record(); });
  StepRecordItem = new QAction("S&tep Record", this);
  StepRecordItem->setToolTip("Enter chords one step at a time");
  StepRecordItem->setStatusTip(StepRecordItem->toolTip());
  connect(StepRecordItem, &QAction::triggered, this, [this] { OpenStepPanel(); });
  PunchInItem = Command("Punc&h in", "Record over the song from the start measure",
                        [](SongTransport& s) { s.PunchIn(); });
  PlayOverwriteItem = Command("Play && Over&write", "Play the song; chords played replace its own",
                              [](SongTransport& s) { s.PlayOverwrite(); });
  ClearItem = Command("&Clear", "Clear the song", [](SongTransport& s) { s.ClearCommand(false); });
  NewItem = Command("&New", "A new song", [](SongTransport& s) { s.ClearCommand(true); });
  Overwrite->setToolTip("Overwrite chords");
  Loop->setToolTip("Play the measures from First to Last again and again");
  for (QCheckBox* box : {Loop, Overwrite, StepPreview}) box->setFocusPolicy(Qt::ClickFocus);

  auto* column = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  PlayButton = Button(PlayItem, "Play");
  buttons->addWidget(PlayButton);
  buttons->addWidget(Button(StopItem, "Stop"));
  buttons->addWidget(Button(RecordItem, "Record"));
  buttons->addWidget(Button(StepRecordItem, "Step"));
  buttons->addWidget(Button(PunchInItem, "Punch in"));
  buttons->addWidget(Button(PlayOverwriteItem, "Play && Overwrite"));
  buttons->addWidget(Button(ClearItem, "Clear"));
  melodyButtons_ = new QHBoxLayout;
  buttons->addLayout(melodyButtons_);
  buttons->addStretch();
  column->addLayout(buttons);

  auto* measures = new QHBoxLayout;
  measures->addWidget(new QLabel("Start"));
  measures->addWidget(SpinEdit3);
  measures->addWidget(new QLabel("First"));
  measures->addWidget(FirstMeasure);
  measures->addWidget(new QLabel("Last"));
  measures->addWidget(LastMeasure);
  measures->addWidget(Loop);
  measures->addWidget(Overwrite);
  measures->addWidget(StepPreview);
  measures->addStretch();
  column->addLayout(measures);

  auto* step = new QHBoxLayout(StepPanel);
  step->setContentsMargins(0, 0, 0, 0);
  step->addWidget(Metre);
  auto* taps = new QGroupBox("Taps per Measure");
  auto* tapRow = new QHBoxLayout(taps);
  for (size_t i = 0; i < Taps.size(); ++i) {
    Taps[i] = new QRadioButton(QString::number(i + 1));
    Taps[i]->setFocusPolicy(Qt::ClickFocus);
    tapRow->addWidget(Taps[i]);
  }
  step->addWidget(taps);
  StepStart->setToolTip("Start step recording");
  StepStart->setFocusPolicy(Qt::ClickFocus);
  step->addWidget(StepStart);
  step->addStretch();
  StepPanel->hide();
  column->addWidget(StepPanel);

  connect(SpinEdit3, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.SetStartMeasure(value);
  });
  connect(FirstMeasure, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.SetFirstMeasure(value);
  });
  connect(LastMeasure, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.SetLastMeasure(value);
  });
  connect(Loop, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.LoopOn = on;
  });
  connect(Overwrite, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.Overwrite = on;
  });
  connect(StepPreview, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.StepPreview = on;
  });
  connect(StepStart, &QPushButton::clicked, this, [this] {
    StepPanel->hide();
    {
      std::lock_guard lock(engine_.Lock);
      for (size_t i = 0; i < Taps.size(); ++i)
        if (Taps[i]->isChecked()) engine_.Song.StepTaps = static_cast<int>(i) + 1;
      engine_.Song.StartStepRecord();
    }
    Refresh();
    emit Changed();
  });
  Refresh();
}

QAction* SongPanel::Command(const QString& caption, const QString& hint,
                            std::function<void(SongTransport&)> operation) {
  return MakeItem(new QAction(caption, this), hint, this, [this, operation] {
    {
      std::lock_guard lock(engine_.Lock);
      operation(engine_.Song);
    }
    Refresh();
    emit Changed();
  });
}

QToolButton* SongPanel::Button(QAction* item, const QString& text) {
  item->setIconText(text);  // the menu shows the caption, the button this
  auto* button = new QToolButton;
  button->setDefaultAction(item);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void SongPanel::AddMelodyButtons(QAction* record, QAction* play) {
  MelodyRecordButton = Button(record, "RM");
  MelodyPlayButton = Button(play, "PM");
  melodyButtons_->addWidget(MelodyRecordButton);
  melodyButtons_->addWidget(MelodyPlayButton);
  ShowMelodyState(false, false);
}

void SongPanel::ShowMelodyState(bool recording, bool playing) {
  // Grey while off, black while on; the check mark lives in the menu.
  const auto paint = [](QToolButton* button, bool on) {
    button->setStyleSheet(on ? "color: black" : "color: grey");
  };
  paint(MelodyRecordButton, recording);
  paint(MelodyPlayButton, playing);
}

void SongPanel::OpenStepPanel() {
  int metre;
  int stepTaps;
  std::vector<int> kept;
  {
    std::lock_guard lock(engine_.Lock);
    metre = std::clamp(engine_.Transport.MetreIndex, 0, 8);
    stepTaps = engine_.Song.StepTaps;
    kept = StepTapsKeepingGrid(engine_.Transport.MeasureSixteenths);
  }
  Metre->setText(QString("Metrum: ") + kMetreNames[metre]);
  // Only taps that keep every step on a whole beat are offered.
  int chosen = 1;
  for (int t : kept)
    if (t <= stepTaps) chosen = t;
  for (size_t i = 0; i < Taps.size(); ++i) {
    const int t = static_cast<int>(i) + 1;
    Taps[i]->setEnabled(std::find(kept.begin(), kept.end(), t) != kept.end());
    Taps[i]->setChecked(t == chosen);
  }
  StepPanel->show();
}

void SongPanel::Refresh() {
  struct {
    int Mode, Start, First, Last;
    bool Paused, Loop, Overwrite, Preview;
  } song;
  {
    std::lock_guard lock(engine_.Lock);
    const SongTransport& s = engine_.Song;
    song = {s.TransportMode, engine_.Transport.StartMeasure,
            s.FirstMeasure,  s.LastMeasure,
            s.Paused(),      s.LoopOn,
            s.Overwrite,     s.StepPreview};
  }
  const bool running = song.Mode != kSongStopped;
  const QSignalBlocker blocks[] = {QSignalBlocker(SpinEdit3),   QSignalBlocker(FirstMeasure),
                                   QSignalBlocker(LastMeasure), QSignalBlocker(Loop),
                                   QSignalBlocker(Overwrite),   QSignalBlocker(StepPreview)};
  SpinEdit3->setValue(song.Start);
  FirstMeasure->setValue(song.First);
  LastMeasure->setValue(song.Last);
  Loop->setChecked(song.Loop);
  Overwrite->setChecked(song.Overwrite);
  StepPreview->setChecked(song.Preview);
  StepPreview->setVisible(song.Mode == kSongStepRecording);
  // A take starts, and the song's start moves, only from standstill; Loop, Stop, Play (which
  // pauses) and Clear (which stops first) act at any time.
  for (QAction* item : {RecordItem, StepRecordItem, PunchInItem, PlayOverwriteItem})
    item->setEnabled(!running);
  for (QWidget* control :
       std::initializer_list<QWidget*>{SpinEdit3, FirstMeasure, LastMeasure, Overwrite, StepStart})
    control->setEnabled(!running);
  PlayItem->setIconText(running && song.Mode != kSongStepRecording ? "Pause"
                        : song.Paused                              ? "Resume"
                                                                   : "Play");
}

}  // namespace korvel
