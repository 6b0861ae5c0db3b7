#include "forms/TEditor.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "app/BeatText.h"
#include "forms/MenuItem.h"
#include "performance/ChordTypes.h"

namespace korvel {
namespace {

constexpr int kMostMeasures = 500;
const char* const kEditHint = "EDIT MODE - Please enter Chordpad or (SHIFT) Stylepad !";
const char* const kEmptyMessage = "Chordmemory is empty !";
const char* const kTypeItems[] = {"maj", "min", "7th", "min7", "dim",  "sus4", "add9", "5b",  "M7",
                                  "aug", "6th", "mM7", "min6", "min9", "m5b",  "0",    "sus7"};

QPushButton* Button(const QString& caption, const QString& hint) {
  auto* button = new QPushButton(caption);
  button->setToolTip(hint);
  button->setStatusTip(hint);
  return button;
}

QSpinBox* MeasureBox() {
  auto* box = new QSpinBox;
  box->setRange(1, kMostMeasures);
  return box;
}

}  // namespace

TEditor::TEditor(Engine& engine, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      Grid(new QTableWidget),
      Measure(MeasureBox()),
      MetreLabel(new QLabel),
      PreviousButton(Button("<", "Previous measure")),
      NextButton(Button(">", "Next measure")),
      RewindButton(Button("|<", "Rewind")),
      PlayButton(Button("Play", "Play/Pause")),
      StopButton(Button("Stop", "Stop")),
      AuditionButton(Button("Audition", "Audition")),
      UpdateButton(Button("Update", "Update")),
      MemoButton(Button("Memo", "Memo")),
      LeadSheetButton(Button("Lead Sheet", "Lead Sheet")),
      AcousticBox(new QCheckBox("Acoustic chord control")),
      engine_(engine),
      dialogs_(dialogs),
      editor_(engine.Song.Memory, engine.Song.SongEnd, engine.Transport.MeasureSixteenths) {
  setObjectName("TEditor");
  setWindowTitle("Chord & Style Editor");
  Measure->setToolTip("Measure");

  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setContextMenuPolicy(Qt::CustomContextMenu);
  Grid->setMinimumWidth(490);

  BuildMenus();
  BuildPopup();

  TempoValue = new QSpinBox;
  TempoValue->setRange(1, 999);  // clamped to 25..250 when set
  TempoSet = new QPushButton("Set Tempo & Close");
  TempoPanel = BuildPanel("Change tempo", TempoValue, TempoSet);

  auto* loopBody = new QWidget;
  auto* loopLayout = new QVBoxLayout(loopBody);
  LoopStartChoice = new QRadioButton("Loop Start - Repeat ...");
  LoopEndChoice = new QRadioButton("Loop End");
  LoopStartChoice->setChecked(true);
  LoopCount = new QSpinBox;
  LoopCount->setRange(0, 100);
  LoopCount->setValue(10);
  for (QWidget* w : std::initializer_list<QWidget*>{LoopStartChoice, LoopCount, LoopEndChoice})
    loopLayout->addWidget(w);
  LoopSet = new QPushButton("OK");
  LoopPanel = BuildPanel("Loop measures", loopBody, LoopSet);

  TransposeValue = new QSpinBox;
  TransposeValue->setRange(-11, 11);
  TransposeSet = new QPushButton("OK");
  TransposePanel = BuildPanel("Transpose chords", TransposeValue, TransposeSet);

  auto* mixBody = new QWidget;
  auto* mixLayout = new QVBoxLayout(mixBody);
  MixChannel = new QComboBox;
  for (int c = 1; c <= 16; ++c) MixChannel->addItem(QString::number(c));
  MixChannel->setCurrentIndex(9);
  mixLayout->addWidget(MixChannel);
  const char* mixNames[] = {"Play",     "Solo",        "Mute",       "Play all",
                            "Mute all", "Play Melody", "Mute Melody"};
  for (size_t i = 0; i < MixChoices.size(); ++i) {
    MixChoices[i] = new QRadioButton(mixNames[i]);
    mixLayout->addWidget(MixChoices[i]);
  }
  MixChoices[0]->setChecked(true);
  MixSet = new QPushButton("OK");
  MixPanel = BuildPanel("Play/Solo/Mute Channel", mixBody, MixSet);

  auto* copyBody = new QWidget;
  auto* copyLayout = new QGridLayout(copyBody);
  CopyFirst = MeasureBox();
  CopyLast = MeasureBox();
  CopyDest = MeasureBox();
  const std::pair<const char*, QSpinBox*> copyRows[] = {
      {"First Measure", CopyFirst}, {"Last Measure", CopyLast}, {"Dest. Measure", CopyDest}};
  for (int row = 0; row < 3; ++row) {
    copyLayout->addWidget(new QLabel(copyRows[row].first), row, 0);
    copyLayout->addWidget(copyRows[row].second, row, 1);
  }
  CopySet = new QPushButton("Copy & Close");
  CopyPanel = BuildPanel("Copy Measures", copyBody, CopySet);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  auto* navigation = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{RewindButton, PreviousButton, Measure, NextButton,
                                       MetreLabel, PlayButton, StopButton, AuditionButton})
    navigation->addWidget(w);
  layout->addLayout(navigation);
  auto* body = new QHBoxLayout;
  body->addWidget(Grid, 1);
  auto* panels = new QVBoxLayout;
  for (QFrame* panel : {TempoPanel, LoopPanel, TransposePanel, MixPanel, CopyPanel})
    panels->addWidget(panel);
  panels->addStretch();
  body->addLayout(panels);
  layout->addLayout(body);
  auto* bottom = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{AcousticBox, UpdateButton, MemoButton, LeadSheetButton})
    bottom->addWidget(w);
  layout->addLayout(bottom);
  setCentralWidget(central);

  connect(Grid, &QTableWidget::cellClicked, this,
          [this](int row, int column) { SelectCell(row + 1, column + 1); });
  connect(Grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    SelectCell(row + 1, column + 1);
    PlayPause();
  });
  connect(Grid, &QTableWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = Grid->indexAt(at);
    if (index.isValid()) SelectCell(index.row() + 1, index.column() + 1);
    Popup->popup(Grid->viewport()->mapToGlobal(at));
  });
  connect(Measure, &QSpinBox::valueChanged, this, &TEditor::MeasureChanged);
  connect(PreviousButton, &QPushButton::clicked, this,
          [this] { Measure->setValue(Measure->value() - 1); });
  connect(NextButton, &QPushButton::clicked, this,
          [this] { Measure->setValue(Measure->value() + 1); });
  connect(RewindButton, &QPushButton::clicked, this, [this] {
    Measure->setValue(1);
    SelectCell(1, 1);
  });
  connect(PlayButton, &QPushButton::clicked, this, &TEditor::PlayPause);
  connect(StopButton, &QPushButton::clicked, this, [this] {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.Stop();
  });
  connect(AuditionButton, &QPushButton::pressed, this, [this] { Audition(true); });
  connect(AuditionButton, &QPushButton::released, this, [this] { Audition(false); });
  connect(AcousticBox, &QCheckBox::toggled, this, [this](bool on) {
    if (!on) Audition(false);
  });
  connect(UpdateButton, &QPushButton::clicked, this, &TEditor::Rebuild);
  connect(MemoButton, &QPushButton::clicked, this, [this] {
    if (ShowMemo) ShowMemo();
  });
  connect(LeadSheetButton, &QPushButton::clicked, this, &TEditor::LeadSheet);

  connect(TempoSet, &QPushButton::clicked, this, [this] {
    const int tempo = std::clamp(TempoValue->value(), 25, 250);
    ClosePanels();
    Edit([tempo](SongEditor& e, int m, int b) {
      return e.SetBeatCommand(m, b, kCommandTempo, static_cast<uint8_t>(tempo));
    });
  });
  connect(LoopSet, &QPushButton::clicked, this, [this] {
    const int count = std::max(LoopCount->value(), 1);
    const int value = LoopStartChoice->isChecked() ? 100 + count : 0;
    ClosePanels();
    Edit([value](SongEditor& e, int m, int b) {
      return e.SetBeatCommand(m, b, kCommandRepeat, static_cast<uint8_t>(value));
    });
  });
  connect(TransposeSet, &QPushButton::clicked, this, [this] {
    const int value = (TransposeValue->value() + 256) % 256;
    ClosePanels();
    Edit([value](SongEditor& e, int m, int b) {
      return e.SetBeatCommand(m, b, kCommandTranspose, static_cast<uint8_t>(value));
    });
  });
  connect(MixSet, &QPushButton::clicked, this, &TEditor::SetMix);
  connect(CopySet, &QPushButton::clicked, this, &TEditor::CopyMeasures);

  {
    std::lock_guard lock(engine_.Lock);
    auto& hooks = engine_.Song.Hooks;
    // The transport calls these under the lock, the clock thread among them: the window's
    // work is queued to the GUI thread.
    hooks.OpenEditor = [this](int measure) {
      QMetaObject::invokeMethod(
          this, [this, measure] { OpenAt(measure); }, Qt::QueuedConnection);
    };
    hooks.EditorActive = [this] { return active_.load(); };
    hooks.EditorFollow = [this](int pos) {
      QMetaObject::invokeMethod(
          this, [this, pos] { FollowPosition(pos); }, Qt::QueuedConnection);
    };
    hooks.ClearEditor = [this] {
      QMetaObject::invokeMethod(
          this, [this] { Rebuild(); }, Qt::QueuedConnection);
    };
    hooks.MemoryReplaced = [this] {
      editor_.DropUndo();
      // Overwriting while playing calls this on every beat: one redraw waits at a time.
      if (!rebuildQueued_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
              rebuildQueued_ = false;
              if (isVisible())
                Rebuild();
              else
                stale_ = true;  // shown again by the window menu, it shows this song
            },
            Qt::QueuedConnection);
      }
    };
    engine_.Pads.Hooks.PickReleased = [this](const PadPick& pick) {
      QMetaObject::invokeMethod(
          this, [this, pick] { PutEditChord(pick); }, Qt::QueuedConnection);
    };
  }
  Rebuild();
  ClosePanels();
}

TEditor::~TEditor() {
  std::lock_guard lock(engine_.Lock);
  audition_.Stop(engine_);
  auto& hooks = engine_.Song.Hooks;
  hooks.OpenEditor = nullptr;
  hooks.EditorActive = nullptr;
  hooks.EditorFollow = nullptr;
  hooks.ClearEditor = nullptr;
  hooks.MemoryReplaced = nullptr;
  engine_.Pads.Hooks.PickReleased = nullptr;
  engine_.Pads.EditorTakesPads = false;
}

void TEditor::BuildMenus() {
  QMenu* edit = menuBar()->addMenu("&Edit");
  auto item = [this, edit](const char* caption, const char* hint, std::function<void()> action) {
    return MakeItem(edit->addAction(caption), hint, this, std::move(action));
  };
  CopyBeatItem = item("Copy Beat", "Copy beat", [this] {
    std::lock_guard lock(engine_.Lock);
    clipboard_ = editor_.EntryAt(CurrentMeasure(), beat_);
  });
  CutBeatItem = item("Cut Beat", "Cut beat", [this] {
    ChordEntry cut;
    {
      std::lock_guard lock(engine_.Lock);
      cut = editor_.EntryAt(CurrentMeasure(), beat_);
    }
    Edit([this, cut](SongEditor& e, int m, int b) {
      std::string refusal = e.ClearBeat(m, b);
      if (refusal.empty()) clipboard_ = cut;
      return refusal;
    });
  });
  PasteBeatItem = item("Paste Beat", "Paste beat", [this] {
    Edit([this](SongEditor& e, int m, int b) { return e.PasteEntry(m, b, clipboard_); });
  });
  CutChordItem = item("Cut Chord", "Cut chord", [this] {
    Edit([this](SongEditor& e, int m, int b) {
      const ChordEntry entry = e.EntryAt(m, b);
      std::string refusal = e.SetBeatChord(m, b, 0, 0);
      if (refusal.empty()) clipboard_ = {entry.Root, entry.Type, 0, 0};
      return refusal;
    });
  });
  CutFunctionItem = item("Cut Function", "Cut Style/Tempo/Loop/Transpose/Solo/STOP", [this] {
    Edit([this](SongEditor& e, int m, int b) {
      const ChordEntry entry = e.EntryAt(m, b);
      std::string refusal = e.SetBeatCommand(m, b, 0, 0);
      if (refusal.empty()) clipboard_ = {0, 0, entry.Control, entry.Value};
      return refusal;
    });
  });
  edit->addSeparator();
  InsertMeasureItem = item("Insert Measure ", "Insert measure", [this] { InsertMeasure(); });
  DeleteMeasureItem = item("Delete Measure", "Delete measure", [this] {
    if (PlayingFromEditor()) return;
    Edit([](SongEditor& e, int m, int) { return e.DeleteMeasure(m); }, "Can't clear Measure !");
  });
  InsertBeatItem = item("Insert Beat", "Insert beat", [this] {
    if (PlayingFromEditor()) return;
    Edit([](SongEditor& e, int m, int b) { return e.InsertBeat(m, b); }, "Can't insert Beat !");
  });
  DeleteBeatItem = item("Delete Beat", "Delete beat", [this] {
    if (PlayingFromEditor()) return;
    Edit([](SongEditor& e, int m, int b) { return e.DeleteBeat(m, b); }, "Can't clear Beat !");
  });
  CopyMeasuresItem = item("Copy Measures", "Copy measures", [this] {
    if (PlayingFromEditor()) return;
    for (QSpinBox* box : {CopyFirst, CopyLast, CopyDest}) box->setValue(CurrentMeasure());
    OpenPanel(CopyPanel);
  });
  UndoItem = item("Undo", "Undo", [this] { Undo(); });
  edit->addSeparator();
  NewItem = item("New", "New", [this] {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.ClearCommand(true);
  });
  PadsItem = item("Chordpads ...", "Set Chord/Style", [this] { EnterEditMode(); });
}

void TEditor::BuildPopup() {
  Popup = new QMenu(this);
  QMenu* roots = Popup->addMenu("Chord");
  for (int octave = 0; octave < 2; ++octave) {
    for (int pc = 0; pc < 12; ++pc) {
      const QString name = QString(NoteNames[static_cast<size_t>(pc)]) + (octave ? "\"" : "");
      connect(roots->addAction(name), &QAction::triggered, this,
              [this, pc, octave] { SetRoot(pc, octave == 1); });
    }
  }
  connect(roots->addAction("None"), &QAction::triggered, CutChordItem, &QAction::trigger);
  QMenu* types = Popup->addMenu("Type");
  for (int type = 1; type <= 17; ++type)
    connect(types->addAction(kTypeItems[type - 1]), &QAction::triggered, this,
            [this, type] { SetType(type); });
  QMenu* style = Popup->addMenu("Style");
  const std::pair<const char*, int ControlKeys::*> controls[] = {
      {"Fill in", &ControlKeys::FillInKey},
      {"To Extended", &ControlKeys::ToAdvKey},
      {"To Basic", &ControlKeys::ToBasicKey},
      {"Ending", &ControlKeys::EndingKey}};
  connect(style->addAction("Intro"), &QAction::triggered, this, [this] {
    Edit([this](SongEditor& e, int m, int b) {
      return e.SetBeatCommand(m, b, static_cast<uint8_t>(engine_.Keys.IntroKey()), kControlKeyCode);
    });
  });
  for (const auto& [caption, key] : controls) {
    connect(style->addAction(caption), &QAction::triggered, this, [this, key] {
      Edit([this, key](SongEditor& e, int m, int b) {
        return e.SetBeatCommand(m, b, static_cast<uint8_t>(engine_.Keys.*key), kControlKeyCode);
      });
    });
  }
  Popup->addSeparator();
  connect(Popup->addAction("Stop"), &QAction::triggered, this, [this] {
    Edit([](SongEditor& e, int m, int b) { return e.SetBeatCommand(m, b, kCommandEnd, 0); });
  });
  connect(Popup->addAction("Tempo"), &QAction::triggered, this, [this] {
    {
      std::lock_guard lock(engine_.Lock);
      TempoValue->setValue(engine_.Transport.Tempo);
    }
    OpenPanel(TempoPanel);
  });
  connect(Popup->addAction("Loop"), &QAction::triggered, this, [this] { OpenPanel(LoopPanel); });
  connect(Popup->addAction("Transpose"), &QAction::triggered, this, [this] {
    TransposeValue->setValue(0);
    OpenPanel(TransposePanel);
  });
  connect(Popup->addAction("Solo/Mute"), &QAction::triggered, this,
          [this] { OpenPanel(MixPanel); });
  connect(Popup->addAction("None"), &QAction::triggered, CutFunctionItem, &QAction::trigger);
  Popup->addSeparator();
  for (QAction* a : {CopyBeatItem, CutBeatItem, PasteBeatItem}) Popup->addAction(a);
}

QFrame* TEditor::BuildPanel(const QString& title, QWidget* body, QPushButton* set) {
  auto* panel = new QFrame;
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setObjectName(title);
  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(new QLabel(title));
  layout->addWidget(body);
  auto* abort = new QPushButton("Abort");
  connect(abort, &QPushButton::clicked, this, &TEditor::ClosePanels);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(set);
  buttons->addWidget(abort);
  layout->addLayout(buttons);
  return panel;
}

void TEditor::OpenPanel(QFrame* panel) {
  ClosePanels();
  panel->show();
}

void TEditor::ClosePanels() {
  for (QFrame* panel : {TempoPanel, LoopPanel, TransposePanel, MixPanel, CopyPanel}) panel->hide();
}

void TEditor::SyncSong() {
  editor_.SetMeasureSixteenths(engine_.Transport.MeasureSixteenths);
}

void TEditor::Edit(const std::function<std::string(SongEditor&, int, int)>& edit,
                   const char* refusal) {
  const int measure = CurrentMeasure();
  std::string problem;
  {
    std::lock_guard lock(engine_.Lock);
    SyncSong();
    const int endBefore = engine_.Song.SongEnd;
    problem = edit(editor_, measure, beat_);
    if (problem.empty()) {
      undoMeasure_ = measure;
      if (engine_.Song.SongEnd != endBefore) modified_ = true;
    }
  }
  if (!problem.empty()) dialogs_.InformUser(refusal ? refusal : problem);
  Rebuild();
}

bool TEditor::PlayingFromEditor() const {
  std::lock_guard lock(engine_.Lock);
  return engine_.Song.TransportMode == kSongPlayingFromEditor;
}

void TEditor::InsertMeasure() {
  if (PlayingFromEditor()) return;
  bool empty = false;
  {
    std::lock_guard lock(engine_.Lock);
    SyncSong();
    empty = engine_.Song.Empty();
  }
  if (!empty) {
    Edit([](SongEditor& e, int m, int) { return e.InsertMeasures(m, 1); },
         "Can't insert Measure(s) !");
    return;
  }
  const auto answer = dialogs_.AskText("Create New Measures ...", "How many Measures ?", "0");
  if (!answer) return;
  long long count = 0;
  try {
    size_t used = 0;
    count = std::stoll(*answer, &used);
    if (used != answer->size()) count = -1;
  } catch (const std::exception&) {
    count = -1;  // not a number, or one beyond any memory
  }
  if (count == 0) return;
  // An empty song holds only its end mark on the first beat: the measures go in before it.
  Edit([count](SongEditor& e, int, int) { return e.InsertMeasures(1, count); },
       "Can't insert Measure(s) !");
}

void TEditor::CopyMeasures() {
  bool empty = false;
  {
    std::lock_guard lock(engine_.Lock);
    SyncSong();
    empty = engine_.Song.Empty();
  }
  if (empty) {
    ClosePanels();
    dialogs_.InformUser(kEmptyMessage);
    return;
  }
  const int first = CopyFirst->value(), last = CopyLast->value(), dest = CopyDest->value();
  Edit([first, last, dest](SongEditor& e, int, int) { return e.CopyMeasures(first, last, dest); },
       "Can't copy Measures !");
  ClosePanels();
}

void TEditor::Undo() {
  {
    std::lock_guard lock(engine_.Lock);
    if (!editor_.Undo().empty()) return;
    modified_ = true;
  }
  Rebuild();
  ShowMeasure(undoMeasure_);
}

void TEditor::SetRoot(int pitchClass, bool octaveUp) {
  Edit([this, pitchClass, octaveUp](SongEditor& e, int m, int b) {
    const int first = engine_.Live.FirstKey;
    const int root = first - first % 12 + pitchClass + (octaveUp ? 12 : 0);
    const ChordEntry entry = e.EntryAt(m, b);
    const int type = entry.HasChord() && entry.Type >= 1 && entry.Type <= 17 ? entry.Type : 1;
    return e.SetBeatChord(m, b, static_cast<uint8_t>(std::clamp(root, 1, 127)),
                          static_cast<uint8_t>(type));
  });
}

void TEditor::SetType(int type) {
  Edit([type](SongEditor& e, int m, int b) {
    const ChordEntry entry = e.EntryAt(m, b);
    if (!entry.HasChord()) return std::string{};
    return e.SetBeatChord(m, b, entry.Root, static_cast<uint8_t>(type));
  });
}

void TEditor::SetMix() {
  const int n = MixChannel->currentIndex() + 1;
  const int values[] = {255 - n, n, 238 - n, 0, 255, 221, 220};
  int value = values[0];
  for (size_t i = 0; i < MixChoices.size(); ++i)
    if (MixChoices[i]->isChecked()) value = values[i];
  ClosePanels();
  Edit([value](SongEditor& e, int m, int b) {
    return e.SetBeatCommand(m, b, kCommandMix, static_cast<uint8_t>(value));
  });
}

void TEditor::Audition(bool down) {
  std::lock_guard lock(engine_.Lock);
  if (down)
    audition_.Start(engine_, editor_.EntryAt(CurrentMeasure(), beat_));
  else
    audition_.Stop(engine_);
}

void TEditor::PlayPause() {
  {
    std::lock_guard lock(engine_.Lock);
    SongTransport& song = engine_.Song;
    if (!song.Running() && !song.Paused()) song.SetStartMeasure(CurrentMeasure());
    song.Play();
  }
  RefreshItems();
}

void TEditor::EnterEditMode() {
  {
    std::lock_guard lock(engine_.Lock);
    if (engine_.Song.Running() || engine_.Player.Playing) return;
    engine_.Pads.EditorTakesPads = true;
    engine_.Chord.EditChordRoot = kNoChord;
    engine_.Chord.EditChordType = 0;
  }
  editMode_ = true;
  if (ShowChordPads) ShowChordPads();
  if (ShowEditHint) ShowEditHint(kEditHint);
  hide();
}

void TEditor::LeaveEditMode() {
  if (!editMode_) return;
  editMode_ = false;
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Pads.EditorTakesPads = false;
  }
  if (ShowEditHint) ShowEditHint({});
}

void TEditor::PutEditChord(const PadPick& pick) {
  if (!editMode_) return;
  LeaveEditMode();
  bool playChords = false;
  {
    std::lock_guard lock(engine_.Lock);
    playChords = engine_.Transport.PlayChordsMode;
  }
  if (!pick.Control && pick.Type > 0) {
    Edit([pick](SongEditor& e, int m, int b) {
      return e.SetBeatChord(m, b, static_cast<uint8_t>(pick.Root), static_cast<uint8_t>(pick.Type));
    });
  } else if (pick.Control && !playChords) {
    Edit([pick](SongEditor& e, int m, int b) {
      return e.SetBeatCommand(m, b, static_cast<uint8_t>(pick.ControlNote), kControlKeyCode);
    });
  }
  showNormal();
  raise();
}

void TEditor::LeadSheet() {
  QString sheet;
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Song.Stop();
  }
  const int measures = MeasureCount();
  const int beats = Grid->columnCount();
  for (int m = 1; m <= measures; ++m) {
    QString line = QString::asprintf("%03d", m);
    for (int b = 1; b <= beats; ++b) line += " | " + CellText(m, b).trimmed();
    sheet += line + "\n";
  }
  dialogs_.ShowText("Lead Sheet", sheet.toStdString());
}

void TEditor::FollowPosition(int pos) {
  int ms = 16;
  {
    std::lock_guard lock(engine_.Lock);
    ms = engine_.Transport.MeasureSixteenths;
  }
  if (pos < kFirstBeatPos || pos > kLastBeatPos || ms < 4) return;
  const int measure = MeasureOf(pos, ms);
  SelectCell(measure, (pos - MeasureStart(measure, ms)) / 4 + 1);
}

void TEditor::MeasureChanged(int measure) {
  bool restart = false;
  {
    std::lock_guard lock(engine_.Lock);
    SongTransport& song = engine_.Song;
    restart = song.TransportMode == kSongPlayingFromEditor;
    if (restart) song.Stop();
  }
  if (restart) {
    PlayPause();
  }
  ShowMeasure(measure);
}

int TEditor::MeasureCount() const {
  std::lock_guard lock(engine_.Lock);
  return editor_.MeasureCount();
}

QString TEditor::CellText(int measure, int beat) const {
  std::lock_guard lock(engine_.Lock);
  // As playback does: a beat holds a chord when its root byte is set.
  const ChordEntry entry = editor_.EntryAt(measure, beat);
  std::string text;
  if (entry.HasChord()) text = engine_.Chords.ChordName(entry.Root, entry.PlayableType()) + "   ";
  text += FunctionText(entry, engine_.Keys);
  return QString::fromStdString(text);
}

void TEditor::RedrawRow(int measure) {
  if (measure < 1 || measure > Grid->rowCount()) return;
  for (int b = 1; b <= Grid->columnCount(); ++b)
    Grid->setItem(measure - 1, b - 1, new QTableWidgetItem(CellText(measure, b)));
}

void TEditor::Rebuild() {
  stale_ = false;
  int beats = 4;
  {
    std::lock_guard lock(engine_.Lock);
    SyncSong();
    beats = std::max(engine_.Transport.MeasureSixteenths / 4, 1);
    const int metre = engine_.Transport.MetreIndex;
    MetreLabel->setText(
        metre >= 0 && metre < static_cast<int>(std::size(kMetreNames)) ? kMetreNames[metre] : "");
  }
  const int rows = MeasureCount();
  Grid->clearContents();
  Grid->setRowCount(rows);
  Grid->setColumnCount(beats);
  QStringList columns, measures;
  for (int b = 1; b <= beats; ++b) columns << QString::number(b) + "/4";
  for (int m = 1; m <= rows; ++m) measures << QString::asprintf("%03d", m);
  Grid->setHorizontalHeaderLabels(columns);
  Grid->setVerticalHeaderLabels(measures);
  for (int m = 1; m <= rows; ++m) RedrawRow(m);
  beat_ = std::clamp(beat_, 1, beats);
  SelectCell(CurrentMeasure(), beat_);
  RefreshItems();
}

void TEditor::ShowMeasure(int measure) {
  SelectCell(measure, beat_);
}

void TEditor::SelectCell(int measure, int beat) {
  measure = std::clamp(measure, 1, kMostMeasures);
  beat_ = std::clamp(beat, 1, std::max(Grid->columnCount(), 1));
  {
    const QSignalBlocker block(Measure);
    Measure->setValue(measure);
  }
  RedrawRow(measure);
  if (measure <= Grid->rowCount()) {
    Grid->setCurrentCell(measure - 1, beat_ - 1);
    Grid->scrollToItem(Grid->item(measure - 1, beat_ - 1));
  }
}

void TEditor::RefreshItems() {
  std::lock_guard lock(engine_.Lock);
  UndoItem->setEnabled(editor_.CanUndo());
}

void TEditor::OpenAt(int measure) {
  {
    std::lock_guard lock(engine_.Lock);
    if (engine_.Song.TransportMode == kSongPlaying)
      engine_.Song.TransportMode = kSongPlayingFromEditor;
  }
  modified_ = false;
  Rebuild();
  ShowMeasure(measure);
  showNormal();
  raise();
  activateWindow();
  Grid->setFocus();
}

void TEditor::showEvent(QShowEvent* event) {
  active_ = true;
  if (stale_) Rebuild();
  QMainWindow::showEvent(event);
}

void TEditor::hideEvent(QHideEvent* event) {
  active_ = false;
  if (AcousticBox->isChecked()) Audition(false);
  if (!editMode_) {
    if (ShowEditHint) ShowEditHint({});
    std::lock_guard lock(engine_.Lock);
    SongTransport& song = engine_.Song;
    if (modified_) {
      const int ms = std::max<int>(engine_.Transport.MeasureSixteenths, 4);
      song.SetLastMeasure(std::max((song.SongEnd - kFirstBeatPos) / ms, 1));
    }
    if (song.TransportMode == kSongPlayingFromEditor) song.TransportMode = kSongPlaying;
  }
  if (modified_ && !editMode_) {
    modified_ = false;
    if (SongLengthChanged) SongLengthChanged();
  }
  QMainWindow::hideEvent(event);
}

void TEditor::closeEvent(QCloseEvent* event) {
  LeaveEditMode();
  QMainWindow::closeEvent(event);
}

}  // namespace korvel
