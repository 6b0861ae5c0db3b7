#include "forms/TGen.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>

#include "app/GeneratorCommands.h"
#include "forms/TStyleEvents.h"

namespace korvel {

namespace {

const QStringList kIntervals = {"1/4", "1/2", "3/4", "1/1", "5/4", "6/4", "7/4", "2/1"};
const QStringList kVarieties = {"1 Major", "2 Simple", "3 Normal", "4 Special"};
const QStringList kSensitivities = {"1 Low", "2 Middle", "3 High", "4 Extreme"};
const QStringList kConvertModes = {"0  None N.C.",         "1  Chordkeys",      "2  Chordtypes",
                                   "3  Chordnotes",        "4  Improper notes", "5  All notes",
                                   "6  All notes to C maj"};

QStringList ChannelNumbers() {
  QStringList numbers;
  for (int channel = 1; channel <= 16; ++channel) numbers << QString::number(channel);
  return numbers;
}

void Show(QSpinBox* box, int value) {
  const QSignalBlocker block(box);
  box->setValue(value);
}

void Show(QComboBox* list, int index) {
  const QSignalBlocker block(list);
  list->setCurrentIndex(index);
}

void Show(QCheckBox* box, bool on) {
  const QSignalBlocker block(box);
  box->setChecked(on);
}

}  // namespace

TGen::TGen(Engine& engine, MidiFileImport& import, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      engine_(engine),
      import_(import),
      dialogs_(dialogs),
      partSet_(engine, import, dialogs),
      workFiles_(engine, dialogs) {
  setObjectName("TGen");
  setWindowTitle(kGeneratorCaption);
  StyleGenerator& gen = engine_.Generator;

  SongMode = new QCheckBox("Song mode");
  StyleMode = new QCheckBox("Style mode");
  connect(SongMode, &QCheckBox::clicked, this, [this](bool on) { SwitchMode(!on); });
  connect(StyleMode, &QCheckBox::clicked, this, [this](bool on) { SwitchMode(on); });
  StartMeasure =
      Number(1, kMostGeneratorMeasures, [&gen](int v) { gen.SongRange.FirstMeasure = v; });
  // The two beat fields always show the same beat.
  const auto beat = [&gen](int v) { gen.SongRange.Beat = gen.LoopRange.Beat = v; };
  StartBeat = Number(1, 4, beat);
  StopMeasure = Number(0, kMostGeneratorMeasures, [&gen](int v) { gen.SongRange.LastMeasure = v; });
  LoopStart = Number(1, kMostGeneratorMeasures, [&gen](int v) { gen.LoopRange.FirstMeasure = v; });
  LoopBeat = Number(1, 4, beat);
  LoopEnd = Number(0, kMostGeneratorMeasures, [&gen](int v) { gen.LoopRange.LastMeasure = v; });
  MeasurePanel = new QLabel("1:1");
  MeasurePanel->setToolTip("Measure : beat where the range starts");
  MeasurePanel->setFrameShape(QFrame::Panel);
  MeasurePanel->setFrameShadow(QFrame::Sunken);

  ChordInterval = List(kIntervals, [&gen](int i) { gen.ChordIntervalIndex = i; });
  Variety = List(kVarieties, [&gen](int i) { gen.VarietyIndex = i; });
  Sensitivity = List(kSensitivities, [&gen](int i) { gen.SensitivityIndex = i; });
  ConvertModeList = List(kConvertModes, [&gen](int i) { gen.ConvertMode = i; });
  Adjust = new QCheckBox("Adjust ...");
  Adjust->setToolTip("Keep converted notes near the last C of their channel");
  connect(Adjust, &QCheckBox::toggled, this,
          [this](bool on) { Act([this, on] { engine_.Generator.AdjustOctave = on; }); });
  Confirm = new QCheckBox("Confirm");
  Confirm->setToolTip("Ask before new chords replace those of the chord memory");
  connect(Confirm, &QCheckBox::toggled, this,
          [this](bool on) { Act([this, on] { engine_.Generator.ConfirmNewChords = on; }); });
  SourceChannel = List(ChannelNumbers(), [&gen](int i) { gen.SourceChannel = i; });
  DestinationChannel = List(ChannelNumbers(), [&gen](int i) { gen.DestinationChannel = i; });
  MoveButton = Button("Move", "Move events from source to destination",
                      [&gen] { gen.ConvertWork(GeneratorSender::Move); });

  GenerateChords = Button("Generate Chords", "Find the chords of the material",
                          [&gen] { gen.AnalyseChords(GeneratorSender::GenerateChords); });
  ConvertAllButton = Button("Convert all to Style", "Convert the whole material to C major",
                            [&gen] { gen.ConvertAll(GeneratorSender::ConvertAll); });
  ConvertMeasures = Button("Convert measures to Style", "Convert LoopStart .. LoopEnd",
                           [&gen] { gen.ConvertAll(GeneratorSender::ConvertMeasures); });
  RestoreOriginal = Button("Restore Original", "Undo all conversions",
                           [this] { engine_.Loader.RestoreOriginal(true); });
  OctaveUp = Button("Oct. up", "Transpose the range an octave up",
                    [&gen] { gen.ConvertWork(GeneratorSender::OctaveUp); });
  OctaveDown = Button("Oct. down", "Transpose the range an octave down",
                      [&gen] { gen.ConvertWork(GeneratorSender::OctaveDown); });
  ToneUp = Button("Tone up", "Transpose the range a semitone up",
                  [&gen] { gen.ConvertWork(GeneratorSender::ToneUp); });
  ToneDown = Button("Tone down", "Transpose the range a semitone down",
                    [&gen] { gen.ConvertWork(GeneratorSender::ToneDown); });
  SaveStyle = Button("Save Style as ...     ", "Save the created style", [this] {
    SaveGeneratedStyle(engine_, dialogs_, engine_.Loader.Settings.StyleFolder);
  });
  PlayButton = Button("Play", "Play the material from the range's start",
                      [this] { StartGeneratorPlay(engine_); });
  StopButton = Button("Stop", "Stop playing", [this] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
  });

  PopupMenu = new QMenu(this);
  ConvertStyleItem = Item(PopupMenu, "Convert style", [&gen] { gen.ConvertStyle(); });
  RestoreStyleItem =
      Item(PopupMenu, "Restore style", [this] { engine_.Loader.RestoreOriginal(false); });
  NewItem = Item(PopupMenu, "New", [&gen] { gen.NewWork(GeneratorSender::NewMenu); });
  PopupMenu->addSeparator();
  KeepIntroEndingItem = Toggle(PopupMenu, "Don't convert intro && ending", gen.KeepIntroEnding);
  KeepBasicExtendedItem =
      Toggle(PopupMenu, "Don't convert basic && extended", gen.KeepBasicExtended);
  KeepFillsItem = Toggle(PopupMenu, "Don't convert fills", gen.KeepFills);
  PlayIntroItem = Toggle(PopupMenu, "Play Intro", gen.PlayIntro);
  PopupMenu->addSeparator();
  ExportPartItem = Item(PopupMenu, "Export style part ...", [this] {
    SaveStyleAsMidi(engine_, dialogs_, engine_.Style.SelectedPart, ExportFolder());
  });
  ExportSetMenu = PopupMenu->addMenu("Export set of style parts");
  for (int set = 1; set <= 4; ++set) {
    const QString caption = QString("%1 - %1").arg(set);
    QAction* item = Item(ExportSetMenu, caption, [this, set] {
      ExportStyleSetChosen(engine_, dialogs_, setChoice_, set, ExportFolder());
    });
    item->setCheckable(true);
    ExportSetItems[static_cast<size_t>(set - 1)] = item;
  }
  ExportSetPathItem = Item(ExportSetMenu, "Set path",
                           [this] { ChooseStyleSetFolder(dialogs_, setChoice_, ExportFolder()); });
  RepairStyleItem = Item(PopupMenu, "Repair style", [this] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    const std::filesystem::path scratch =
        std::filesystem::path(import_.Settings.ScratchFolder) / program.stem().concat(".KV$");
    RepairStyle(engine_, import_, dialogs_, scratch.string());
  });

  QMenu* work = menuBar()->addMenu("&MIDI");
  ImportItem = Item(work, "Import MIDI ...", [this] { import_.ImportMidiFile("", false, false); });
  OptimizeTimingItem = Toggle(work, "    Try to optimize timing", import_.Settings.OptimizeTiming);
  KeepMetreItem = Toggle(work, "Don't get metrum from file", import_.Settings.KeepMetre);
  work->addSeparator();
  ConvertAllItem = Item(work, "2. Convert all to style or use the menu functions above", [this] {
    if (engine_.Generator.ConvertAll(GeneratorSender::ConvertAll)) PlayAgain();
  });
  ConvertPartItem = Item(work, "&Convert Part", [this] {
    if (engine_.Generator.ConvertAll(GeneratorSender::ConvertMeasures)) PlayAgain();
  });
  RestorePartItem =
      Item(work, "&Restore Part", [&gen] { gen.ConvertWork(GeneratorSender::RestorePart); });
  work->addSeparator();
  SaveStyleMidiItem = Item(work, "    -   Save style as MIDI file", [this] {
    SaveStyleAsMidi(engine_, dialogs_, kFullStyleExport, ExportFolder());
  });
  SavePartMidiItem = Item(work, "    -   Save selected style part as MIDI file", [this] {
    SaveStyleAsMidi(engine_, dialogs_, engine_.Style.SelectedPart, ExportFolder());
  });
  TestStyleItem = Item(work, "4. Test style", [this] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    TestGeneratedStyle(engine_, dialogs_);
  });
  SaveItem = Item(work, "5. Save created style", [this] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    SaveGeneratedStyle(engine_, dialogs_, engine_.Loader.Settings.StyleFolder);
  });

  BuildWorkItems(work);
  BuildPartControls();
  Navigation = new GeneratorNavigationBar(
      engine_, menuBar(), [this](const std::function<void()>& command) { Act(command); });
  StyleEventsButton = new QPushButton("Stylepart - Events      ");
  StyleEventsButton->setToolTip("Edit the notes of the selected part");
  connect(StyleEventsButton, &QPushButton::clicked, this, [this] { ShowStyleEvents(); });
  // After the fields took the new values.
  for (QSpinBox* box : {LoopStart, LoopEnd}) {
    connect(box, &QSpinBox::valueChanged, this,
            [this] { Act([this] { Navigation->Navigator().ApplyLoop(); }); });
  }
  BuildLayout();
  {
    std::lock_guard lock(engine_.Lock);
    import_.Hooks.ShowImported = [this](const std::string& caption) {
      setWindowTitle(QString::fromStdString(caption));
    };
    // "Save Style first ?" answered Yes.
    gen.Hooks.SaveStyle = [this] {
      SaveGeneratedStyle(engine_, dialogs_, engine_.Loader.Settings.StyleFolder);
    };
  }
  Refresh();
}

void TGen::BuildWorkItems(QMenu* menu) {
  workFiles_.BaseCaption = kGeneratorCaption;
  menu->addSeparator();
  LoadWorkItem = Item(menu, "Load Work", [this] {
    workFiles_.SongsFolder = import_.Settings.SongFolder;
    if (workFiles_.LoadWorkFile()) setWindowTitle(QString::fromStdString(workFiles_.Caption));
  });
  SaveWorkItem = Item(menu, "Save Work as ...", [this] {
    workFiles_.SongsFolder = import_.Settings.SongFolder;
    if (workFiles_.SaveWorkAs()) setWindowTitle(QString::fromStdString(workFiles_.Caption));
  });
  RecordItem = Item(menu, "Record from MIDI in", [this] { engine_.Recorder.ArmRecording(false); });
  RecordItem->setToolTip(kRecordHint);
  CaptureItem = menu->addAction("Capture Style", this, [this] { ShowCapture(); });
  CaptureWindow = new TCapture(engine_, this);
  connect(CaptureWindow, &TCapture::Armed, this, [this] {
    Refresh();
    emit Changed();
  });
  // The end of a recording comes from the MIDI input's thread: the window follows on its own.
  std::lock_guard lock(engine_.Lock);
  engine_.Recorder.Hooks.Ended = [this](bool captured) {
    QMetaObject::invokeMethod(
        this,
        [this, captured] {
          if (captured) {
            CaptureWindow->close();
            show();
            raise();
          }
          Refresh();
          emit Changed();
        },
        Qt::QueuedConnection);
  };
}

bool TGen::ArmRecording() {
  bool armed = false;
  Act([this, &armed] { armed = engine_.Recorder.ArmRecording(false); });
  return armed;
}

void TGen::ShowCapture() {
  CaptureWindow->Open();
  CaptureWindow->move(frameGeometry().topRight());
}

std::string TGen::ExportFolder() const {
  return engine_.Loader.Settings.StyleFolder;
}

void TGen::BuildLayout() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);

  auto* modes = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{SongMode, StyleMode, MeasurePanel, PlayButton, StopButton})
    modes->addWidget(w);
  modes->addStretch();
  column->addLayout(modes);
  column->addWidget(Navigation);

  auto* ranges = new QGroupBox("Range");
  auto* grid = new QGridLayout(ranges);
  const auto row = [grid](int r, const QString& caption, QSpinBox* measure, QSpinBox* beat) {
    grid->addWidget(new QLabel(caption), r, 0);
    grid->addWidget(measure, r, 1);
    if (beat) {
      grid->addWidget(new QLabel("Beat"), r, 2);
      grid->addWidget(beat, r, 3);
    }
  };
  row(0, "Start with ...", StartMeasure, StartBeat);
  row(1, "Stop at ...", StopMeasure, nullptr);
  row(2, "LoopStart", LoopStart, LoopBeat);
  row(3, "LoopEnd", LoopEnd, nullptr);
  column->addWidget(ranges);

  auto* chords = new QGroupBox("Chords");
  auto* chordGrid = new QGridLayout(chords);
  chordGrid->addWidget(new QLabel("Change Chord per Measure ..."), 0, 0);
  chordGrid->addWidget(ChordInterval, 0, 1);
  chordGrid->addWidget(new QLabel("Mode ..."), 1, 0);
  chordGrid->addWidget(Variety, 1, 1);
  chordGrid->addWidget(new QLabel("Sensitivity ..."), 2, 0);
  chordGrid->addWidget(Sensitivity, 2, 1);
  chordGrid->addWidget(Confirm, 3, 0);
  chordGrid->addWidget(GenerateChords, 3, 1);
  column->addWidget(chords);

  auto* convert = new QGroupBox("Conversion");
  auto* convertGrid = new QGridLayout(convert);
  convertGrid->addWidget(new QLabel("Convertmode ..."), 0, 0);
  convertGrid->addWidget(ConvertModeList, 0, 1);
  convertGrid->addWidget(Adjust, 0, 2);
  convertGrid->addWidget(ConvertAllButton, 1, 0);
  convertGrid->addWidget(ConvertMeasures, 1, 1);
  convertGrid->addWidget(RestoreOriginal, 1, 2);
  convertGrid->addWidget(OctaveUp, 2, 0);
  convertGrid->addWidget(OctaveDown, 2, 1);
  convertGrid->addWidget(ToneUp, 3, 0);
  convertGrid->addWidget(ToneDown, 3, 1);
  auto* move = new QHBoxLayout;
  move->addWidget(new QLabel("Channel"));
  move->addWidget(SourceChannel);
  move->addWidget(MoveButton);
  move->addWidget(DestinationChannel);
  convertGrid->addLayout(move, 4, 0, 1, 3);
  column->addWidget(convert);

  column->addWidget(PartsBox());
  column->addWidget(ChannelToolsBox());
  column->addWidget(StyleEventsButton);
  column->addWidget(SaveStyle);
  setCentralWidget(page);
  page->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(page, &QWidget::customContextMenuRequested, this,
          [this, page](const QPoint& at) { PopupMenu->popup(page->mapToGlobal(at)); });
}

void TGen::BuildPartControls() {
  PartList = new QListWidget;
  PartList->setToolTip("Style parts");
  for (int part = 0; part < kStylePartCount; ++part) PartList->addItem(StylePartName(part));
  connect(PartList, &QListWidget::currentRowChanged, this,
          [this](int row) { Act([this, row] { engine_.StyleParts.SelectPart(row); }); });
  for (int part = 0; part < kStylePartCount; ++part) {
    PanelFirst[static_cast<size_t>(part)] = new QLabel("0");
    PanelLast[static_cast<size_t>(part)] = new QLabel("0");
  }
  const auto set = [this](PartSender sender) {
    return [this, sender] { engine_.StyleParts.SetStylePart(sender); };
  };
  SetButton = Button("Set", "Set the selected style part to LoopStart .. LoopEnd",
                     set(PartSender::SetButton));
  SetButton->setCheckable(true);
  SetCapsButton = Button("SET", "Set the selected style part", set(PartSender::SetButton));
  ClearPartButton =
      Button("Clear Stylepart", "Clear the selected style part", set(PartSender::ClearButton));
  ClearStyleItem = new QAction("Clear Stylepart", this);
  connect(ClearStyleItem, &QAction::triggered, this,
          [this, set] { Act(set(PartSender::ClearButton)); });
  SetPartItem = new QAction("&Set Part", this);
  connect(SetPartItem, &QAction::triggered, this, [this, set] { Act(set(PartSender::SetMenu)); });
  menuBar()->actions().front()->menu()->insertAction(SaveItem, SetPartItem);

  PopupMenu->addSeparator();
  PartSetMenu = PopupMenu->addMenu("Import set of style parts");
  for (size_t i = 0; i < kPartSetItems.size(); ++i) {
    const std::string item = kPartSetItems[i];
    PartSetItems[i] =
        Item(PartSetMenu, QString::fromStdString(item), [this, item] { ImportSet(item); });
  }
  PartSetMenu->addSeparator();
  ImportSetPathItem = Item(PartSetMenu, "Set path", [this] { partSet_.ChooseSetFolder(); });
  MovePercussionItem =
      Toggle(PopupMenu, "Move percussion sounds to track 10", partSet_.Options.MovePercussion);
  StandardPercussionItem = Toggle(PopupMenu, "Use only standard percussion sounds",
                                  partSet_.Options.StandardPercussionOnly);
  EighthBaseItem = Toggle(PartSetMenu, "Convert x/8 - Base: 1/8", partSet_.Options.EighthBase);
  RemovePercussionItem = Item(PopupMenu, "Remove percussion sounds", [this] {
    RemovePercussionSounds(engine_);
    engine_.Generator.StyleChanged = true;
  });

  // Read when "Normalize Volume" is pressed.
  MaxVolume = new QSpinBox;
  MaxVolume->setRange(1, 127);
  MaxVolume->setValue(100);
  MaxVolume->setToolTip("Max. Volume");
  const auto normalize = [this] {
    engine_.Mixer.NormalizeStyleVolume(MaxVolume->value(), true);
    engine_.Generator.StyleChanged = true;
  };
  NormalizeButton =
      Button("Normalize Volume", "Bring the loudest channel to Max. Volume", normalize);
  NormalizeItem = new QAction("3. Normalize style volume if necessary", this);
  connect(NormalizeItem, &QAction::triggered, this, [this, normalize] { Act(normalize); });
  menuBar()->actions().front()->menu()->insertAction(SaveItem, NormalizeItem);
  VolumeOffsetLabel = new QLabel;
  ReverbOffsetLabel = new QLabel;
  VolumeUp = Button("+", "Style volume up", [this] { Offset(7, 1); });
  VolumeDown = Button("-", "Style volume down", [this] { Offset(7, -1); });
  ReverbUp = Button("+", "Style reverb up", [this] { Offset(91, 1); });
  ReverbDown = Button("-", "Style reverb down", [this] { Offset(91, -1); });
  SuppressControllers = new QCheckBox(" Suppress all Style Controllers");
  connect(SuppressControllers, &QCheckBox::clicked, this, [this](bool on) {
    Act([this, on] {
      engine_.Style.Channels.SetSuppressControllers(on);
      engine_.Generator.StyleChanged = true;
    });
  });
  CutNotes = new QCheckBox("  Cut Notes ...");
  CutNotes->setToolTip("SOLO-Track must be specified");
  connect(CutNotes, &QCheckBox::clicked, this,
          [this](bool on) { Act([this, on] { SetCutNotes(engine_, on); }); });
  CutNotesToAll =
      Button("Set Cut Notes State to all Styleparts", "SOLO-Track must be specified",
             [this] { SetCutNotesToAllParts(engine_, dialogs_, CutNotes->isChecked()); });
  MutingToAll = Button("Set Muting to all Styleparts", "The channel mute switches to every part",
                       [this] { SetMutingToAllParts(engine_, dialogs_); });
  MeasurePanel->setToolTip("Click to mark measure !");
  MeasurePanel->installEventFilter(this);
}

QWidget* TGen::PartsBox() {
  auto* box = new QGroupBox("Style parts");
  auto* grid = new QGridLayout(box);
  grid->addWidget(PartList, 0, 0, kStylePartCount + 1, 1);
  static const char* const kPanelNames[kStylePartCount] = {
      "Intro",         "Basic",        "Extended", "Ending",
      "Fill in Basic", "Fill in Ext.", "To Ext.",  "To Basic"};
  grid->addWidget(new QLabel("First"), 0, 2);
  grid->addWidget(new QLabel("Last"), 0, 3);
  for (int part = 0; part < kStylePartCount; ++part) {
    grid->addWidget(new QLabel(kPanelNames[part]), part + 1, 1);
    grid->addWidget(PanelFirst[static_cast<size_t>(part)], part + 1, 2);
    grid->addWidget(PanelLast[static_cast<size_t>(part)], part + 1, 3);
  }
  auto* buttons = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{SetButton, SetCapsButton, ClearPartButton})
    buttons->addWidget(w);
  grid->addLayout(buttons, kStylePartCount + 1, 0, 1, 4);
  return box;
}

QWidget* TGen::ChannelToolsBox() {
  auto* box = new QGroupBox("Channels of the style");
  auto* grid = new QGridLayout(box);
  grid->addWidget(NormalizeButton, 0, 0);
  grid->addWidget(new QLabel("Max. Volume"), 0, 1);
  grid->addWidget(MaxVolume, 0, 2);
  grid->addWidget(VolumeOffsetLabel, 1, 0);
  grid->addWidget(VolumeUp, 1, 1);
  grid->addWidget(VolumeDown, 1, 2);
  grid->addWidget(ReverbOffsetLabel, 2, 0);
  grid->addWidget(ReverbUp, 2, 1);
  grid->addWidget(ReverbDown, 2, 2);
  grid->addWidget(SuppressControllers, 3, 0);
  grid->addWidget(CutNotes, 4, 0);
  grid->addWidget(CutNotesToAll, 4, 1, 1, 2);
  grid->addWidget(MutingToAll, 5, 1, 1, 2);
  return box;
}

void TGen::ImportSet(const std::string& item) {
  if (partSet_.StartFolder.empty()) {
    partSet_.StartFolder = import_.Settings.ImportFolder.empty() ? import_.Settings.SongFolder
                                                                 : import_.Settings.ImportFolder;
  }
  if (partSet_.ImportStylePartSet(item).Imported) StartGeneratorPlay(engine_);
}

void TGen::Offset(int controller, int step) {
  if (!StyleOffsetStep(engine_, controller, step)) return;
  (controller == 7 ? volumeOffset_ : reverbOffset_) += step;
}

bool TGen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MeasurePanel && event->type() == QEvent::MouseButtonPress) {
    Act([this] {
      if (!engine_.Style.StyleMode) return;
      const int mark = measureMarks_.Next();
      if (mark == 0) return;
      engine_.Generator.LoopRange = {mark, 1, 0};
      StartGeneratorPlay(engine_);
    });
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TGen::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  Refresh();
  emit Changed();
}

QPushButton* TGen::Button(const QString& caption, const QString& hint,
                          std::function<void()> action) {
  auto* button = new QPushButton(caption);
  button->setToolTip(hint);
  connect(button, &QPushButton::clicked, this, [this, action] { Act(action); });
  return button;
}

QAction* TGen::Item(QMenu* menu, const QString& caption, std::function<void()> action) {
  QAction* item = menu->addAction(caption);
  connect(item, &QAction::triggered, this, [this, action] { Act(action); });
  return item;
}

QAction* TGen::Toggle(QMenu* menu, const QString& caption, bool& field) {
  QAction* item = Item(menu, caption, [&field] { field = !field; });
  item->setCheckable(true);
  marks_.emplace_back(item, &field);
  return item;
}

QComboBox* TGen::List(const QStringList& items, std::function<void(int)> store) {
  auto* list = new QComboBox;
  list->addItems(items);
  connect(list, &QComboBox::currentIndexChanged, this,
          [this, store](int index) { Act([store, index] { store(index); }); });
  return list;
}

QSpinBox* TGen::Number(int low, int high, std::function<void(int)> store) {
  auto* box = new QSpinBox;
  box->setRange(low, high);
  connect(box, &QSpinBox::valueChanged, this,
          [this, store](int value) { Act([store, value] { store(value); }); });
  return box;
}

void TGen::PlayAgain() {
  if (engine_.Player.Playing) engine_.Player.StopPlayback();
  StartGeneratorPlay(engine_);
}

void TGen::SwitchMode(bool styleMode) {
  Act([this, styleMode] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    Style& style = engine_.Style;
    const bool entering = styleMode && !style.StyleMode;
    style.StyleMode = styleMode;
    engine_.Player.AllSoundOff(*engine_.Ports.PlayPort);
    if (entering && engine_.Transport.PlayChordsMode) engine_.Chords.SetPlayChords(false);
    // Styles are made of the first chunk only: a longer material says so, once.
    if (entering && style.Work.Chunks[1].Allocated && !toldFirstChunk_) {
      toldFirstChunk_ = true;
      const int measures = style.Work.Chunks[0].WorkSixteenths /
                           std::max<int>(engine_.Transport.MeasureSixteenths, 4);
      dialogs_.InformUser("Measures 1 - " + std::to_string(measures) +
                          " available for stylecreating !");
    }
  });
}

void TGen::ShowStyleEvents() {
  if (!styleEvents_) return;
  styleEvents_->move(styleEvents_->x(), frameGeometry().top());
  styleEvents_->show();
  styleEvents_->OpenOnPart();
  styleEvents_->raise();
}

bool TGen::PlayPart(int part) {
  if (part < 0 || part >= kStylePartCount) return false;
  bool played = false;
  Act([this, part, &played] {
    if (engine_.Generator.WorkEmpty()) return;
    engine_.StyleParts.SelectPart(part);
    if (engine_.Style.Parts.Part(part).Empty()) return;
    engine_.Style.StyleMode = true;
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
    played = StartGeneratorPlay(engine_);
  });
  return played;
}

void TGen::showEvent(QShowEvent* event) {
  Refresh();
  QMainWindow::showEvent(event);
}

void TGen::Refresh() {
  std::lock_guard lock(engine_.Lock);
  const StyleGenerator& gen = engine_.Generator;
  const Style& style = engine_.Style;
  const bool styleMode = style.StyleMode;
  Show(SongMode, !styleMode);
  Show(StyleMode, styleMode);
  Show(StartMeasure, gen.SongRange.FirstMeasure);
  Show(StartBeat, gen.SongRange.Beat);
  Show(StopMeasure, gen.SongRange.LastMeasure);
  Show(LoopStart, gen.LoopRange.FirstMeasure);
  Show(LoopBeat, gen.LoopRange.Beat);
  Show(LoopEnd, gen.LoopRange.LastMeasure);
  const GeneratorRange& range = styleMode ? gen.LoopRange : gen.SongRange;
  MeasurePanel->setText(engine_.Recorder.Armed()
                            ? QString::fromStdString(engine_.Recorder.MeasureText())
                            : QString("%1:%2").arg(range.FirstMeasure).arg(range.Beat));
  SaveWorkItem->setEnabled(!gen.WorkEmpty() || !engine_.Song.Empty());
  Show(ChordInterval, gen.ChordIntervalIndex);
  Show(Variety, gen.VarietyIndex);
  Show(Sensitivity, gen.SensitivityIndex);
  Show(ConvertModeList, gen.ConvertMode);
  Show(Adjust, gen.AdjustOctave);
  Show(Confirm, gen.ConfirmNewChords);
  Show(SourceChannel, gen.SourceChannel);
  Show(DestinationChannel, gen.DestinationChannel);
  for (const auto& [item, field] : marks_) item->setChecked(*field);
  for (size_t set = 0; set < ExportSetItems.size(); ++set)
    ExportSetItems[set]->setChecked(setChoice_.SetNumber == static_cast<int>(set) + 1);

  for (QWidget* w : std::initializer_list<QWidget*>{StartMeasure, StartBeat, StopMeasure})
    w->setEnabled(!styleMode);
  for (QWidget* w : std::initializer_list<QWidget*>{LoopStart, LoopBeat, LoopEnd, ConvertMeasures,
                                                    OctaveUp, OctaveDown, ToneUp, ToneDown})
    w->setEnabled(styleMode);
  const bool loopSet = styleMode && gen.LoopRange.LastMeasure > 0;
  ConvertPartItem->setEnabled(loopSet);
  RestorePartItem->setEnabled(loopSet);
  const bool restorable = style.Work.Restorable();
  RestoreOriginal->setEnabled(restorable);
  RestoreStyleItem->setEnabled(restorable);
  const bool hasWork = !gen.WorkEmpty();
  SaveStyle->setEnabled(hasWork);
  SaveItem->setEnabled(hasWork);
  {
    const QSignalBlocker block(PartList);
    PartList->setCurrentRow(style.SelectedPart);
  }
  const auto panel = engine_.StyleParts.PanelMeasures();
  for (size_t part = 0; part < panel.size(); ++part) {
    PanelFirst[part]->setText(QString::number(panel[part][0]));
    PanelLast[part]->setText(QString::number(panel[part][1]));
  }
  const bool partSet = !style.Parts.Part(std::clamp(style.SelectedPart, 0, 7)).Empty();
  SetButton->setChecked(partSet);
  for (QWidget* w : std::initializer_list<QWidget*>{SetButton, SetCapsButton, ClearPartButton})
    w->setEnabled(styleMode && hasWork);
  SetPartItem->setEnabled(styleMode && hasWork);
  ClearStyleItem->setEnabled(styleMode && hasWork);
  TestStyleItem->setEnabled(hasWork && !style.SongLoaded);
  StyleEventsButton->setEnabled(styleMode && hasWork);
  Navigation->Refresh(styleMode, hasWork);
  Show(SuppressControllers, style.Channels.SuppressControllers());
  const int solo = engine_.Notes.SoloChannel;
  Show(CutNotes, solo >= 1 && solo <= 16 &&
                     style.Parts.Part(std::clamp(style.SelectedPart, 0, 7)).PartHold(solo - 1));
  VolumeOffsetLabel->setText(QString("Style Volume Offset : %1").arg(volumeOffset_));
  ReverbOffsetLabel->setText(QString("Style Reverb Offset : %1").arg(reverbOffset_));
  if (!style.Work.Chunks[1].Allocated) toldFirstChunk_ = false;
  // An empty or reset generator has its own caption again.
  if (!style.SongLoaded && !style.StyleLoaded) setWindowTitle(kGeneratorCaption);
}

}  // namespace korvel
