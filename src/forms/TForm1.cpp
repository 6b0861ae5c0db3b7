#include "forms/TForm1.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

#include <filesystem>
#include <mutex>
#include "forms/VirtualKeys.h"

namespace korvel {

TForm1::TForm1(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
               const std::string& settingsFile, QWidget* parent)
    : QMainWindow(parent),
      SpeedButton3(new QPushButton("MIDI clock")),
      TempoEdit1(new QSpinBox),
      Panel3(new QLabel),
      Panel4(new QLabel("1")),
      ChordLabel(new QLabel),
      ComboBox1(new QComboBox),
      ComboBox5(new QComboBox),
      ExtMidiIn(new QComboBox),
      MidiIn(new QComboBox),
      dialogs_(this),
      view_(this, Panel3, Panel4, ChordLabel),
      engine_(std::make_unique<Engine>(devices, input, dialogs_, view_)),
      settings_(std::filesystem::path(settingsFile).parent_path().string()),
      settingsFile_(settingsFile) {
  dialogs_.SetEngineLock(&engine_->Lock);
  setWindowTitle("Korvel");
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* transport = new QHBoxLayout;
  SpeedButton3->setCheckable(true);
  SpeedButton3->setToolTip("MIDI clock on/off");
  TempoEdit1->setRange(kMinTempo, kMaxTempo);
  Panel3->setFixedSize(24, 24);
  Panel3->setToolTip("Click = Synchro start");
  Panel3->setStyleSheet("background-color: black;");
  transport->addWidget(SpeedButton3);
  transport->addWidget(TempoEdit1);
  transport->addWidget(Panel3);
  transport->addWidget(Panel4);
  ChordLabel->setToolTip("Chords");
  ChordLabel->setMinimumWidth(80);
  transport->addWidget(ChordLabel);
  transport->addStretch();
  column->addLayout(transport);
  auto* form = new QFormLayout;
  ComboBox1->setToolTip("... to Soundcart or other MIDI-in-port");
  ComboBox5->setToolTip("... to  MIDI-in-port of external MIDI application");
  ExtMidiIn->setToolTip("... from keyboard driver");
  MidiIn->setToolTip("... from  MIDI-out-port of external MIDI application");
  form->addRow("MIDI out", ComboBox1);
  form->addRow("Korvel out", ComboBox5);
  form->addRow("Ext. MIDI in", ExtMidiIn);
  form->addRow("MIDI in", MidiIn);
  column->addLayout(form);
  column->addStretch();
  setCentralWidget(page);
  statusBar();
  resize(560, 280);
  // Keys reach the window first, as the music keyboard, not the lists and fields.
  for (QWidget* control : std::initializer_list<QWidget*>{SpeedButton3, TempoEdit1, ComboBox1,
                                                          ComboBox5, ExtMidiIn, MidiIn}) {
    control->setFocusPolicy(Qt::ClickFocus);
  }
  setFocusPolicy(Qt::StrongFocus);

  {
    std::lock_guard lock(engine_->Lock);
    TempoEdit1->setValue(engine_->Transport.Tempo);
    std::string error;
    if (!settings_.LoadSettings(settingsFile_, error)) dialogs_.ShowStatus(error);
    settings_.ApplySettings(*engine_);
    settings_.ApplyDevices(*engine_);
    engine_->Transport.TempoDetection = true;  // a style brings its tempo
    // The demo style, so that the first chord plays at once.
    engine_->Loader.Settings.ProgramDir = KORVEL_DATA_DIR;
    engine_->Style.StyleFileName = "rock1.kvs";
    engine_->Loader.LoadStyle(false);
    if (engine_->Style.StyleLoaded) {
      TempoEdit1->setValue(engine_->Transport.Tempo);
      setWindowTitle(QString("Korvel  -  ") + QString::fromStdString(engine_->Style.StyleName));
    }
    SpeedButton3->setChecked(engine_->Transport.ClockState != 0);
  }
  ShowLists();
  if (!problem.empty()) dialogs_.ShowStatus(problem);

  connect(SpeedButton3, &QPushButton::clicked, this, [this] {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.ToggleClock();
    SpeedButton3->setChecked(engine_->Transport.ClockState != 0);
  });
  connect(TempoEdit1, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.TempoEdit1Change(value);
  });
  Bind(ComboBox1, engine_->Ports.ComboBox1, &MidiPorts::ComboBox1Change);
  Bind(ComboBox5, engine_->Ports.ComboBox5, &MidiPorts::ComboBox5Change);
  Bind(ExtMidiIn, engine_->Ports.ExtMidiInList, &MidiPorts::ExtMidiInChange);
  Bind(MidiIn, engine_->Ports.MidiInList, &MidiPorts::MidiInChange);

  // Devices come and go while Korvel runs (USB keyboards, other programs' ports).
  connect(&deviceWatch_, &QTimer::timeout, this, [this] {
    {
      std::lock_guard lock(engine_->Lock);
      engine_->Ports.CheckDevices();
    }
    ShowLists();
  });
  deviceWatch_.start(2000);
}

void TForm1::closeEvent(QCloseEvent* event) {
  deviceWatch_.stop();
  {
    std::lock_guard lock(engine_->Lock);
    engine_->Transport.StopCommand();
    settings_.TakeSettings(*engine_);
  }
  try {
    settings_.SaveSettings(settingsFile_);
  } catch (const std::exception& e) {
    dialogs_.InformUser(e.what());
  }
  QMainWindow::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  const int key = VirtualKeyOf(*event);
  if (key == 0) return QMainWindow::keyPressEvent(event);
  const auto modifiers = event->modifiers();
  std::lock_guard lock(engine_->Lock);
  engine_->Keyboard.KeyDown(
      key, {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)});
}

void TForm1::keyReleaseEvent(QKeyEvent* event) {
  const int key = VirtualKeyOf(*event);
  if (key == 0 || event->isAutoRepeat()) return QMainWindow::keyReleaseEvent(event);
  const auto modifiers = event->modifiers();
  std::lock_guard lock(engine_->Lock);
  engine_->Keyboard.KeyUp(
      key, {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)});
}

void TForm1::Bind(QComboBox* box, int& selection, void (MidiPorts::*change)()) {
  connect(box, &QComboBox::activated, this, [this, &selection, change](int index) {
    {
      std::lock_guard lock(engine_->Lock);
      selection = index;
      (engine_->Ports.*change)();
      SpeedButton3->setChecked(engine_->Transport.ClockState != 0);
    }
    ShowLists();
  });
}

void TForm1::ShowLists() {
  std::lock_guard lock(engine_->Lock);
  const MidiPorts& ports = engine_->Ports;
  auto fill = [](QComboBox* box, const std::vector<std::string>& items, int selection) {
    const QSignalBlocker block(box);
    box->clear();
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(selection);
  };
  fill(ComboBox1, ports.OutputList(), ports.ComboBox1);
  fill(ComboBox5, ports.OutputList(), ports.ComboBox5);
  fill(ExtMidiIn, ports.InputList(), ports.ExtMidiInList);
  fill(MidiIn, ports.InputList(), ports.MidiInList);
}

}  // namespace korvel
