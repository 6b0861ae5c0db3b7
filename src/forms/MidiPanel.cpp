#include "forms/MidiPanel.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <mutex>

namespace korvel {

MidiPanel::MidiPanel(Engine& engine, QWidget* parent)
    : QWidget(parent),
      ComboBox1(new QComboBox),
      ComboBox5(new QComboBox),
      ExtMidiIn(new QComboBox),
      MidiIn(new QComboBox),
      Left(new QSlider(Qt::Vertical)),
      Right(new QSlider(Qt::Vertical)),
      Lock(new QCheckBox("Lock")),
      Transpose(new QSpinBox),
      TransmitControllers(new QCheckBox("Transmit Controllers")),
      LiveChannel(new QListWidget),
      engine_(engine) {
  setObjectName("MIDI");
  auto* row = new QHBoxLayout(this);
  auto* column = new QVBoxLayout;
  row->addLayout(column);
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
  auto* groups = new QHBoxLayout;
  Midiout = RadioGroup("Midiout", &MidiPorts::MidioutClick, groups);
  Clickout = RadioGroup("Clickout", &MidiPorts::ClickoutClick, groups);
  Chordsout = RadioGroup("Chordsout", &MidiPorts::ChordsoutClick, groups);
  column->addLayout(groups);
  auto* settings = new QHBoxLayout;
  Transpose->setRange(-24, 24);
  Transpose->setPrefix("Transpose ");
  Transpose->setToolTip("Transposes everything but the drums, in semitones");
  settings->addWidget(Transpose);
  TransmitControllers->setToolTip("Pass repeated controller values from MIDI in unchanged");
  settings->addWidget(TransmitControllers);
  settings->addStretch();
  column->addLayout(settings);
  auto* codes = new QHBoxLayout;
  SendChordCodes = new QCheckBox(" Send Chord Codes  (Controllers #19,  #20)  to Ch.");
  SendChordCodes->setToolTip("Tell other MIDI devices each chord, on the chord-code output");
  ChordCodeChannel = new QSpinBox;
  ChordCodeChannel->setRange(1, 16);
  codes->addWidget(SendChordCodes);
  codes->addWidget(ChordCodeChannel);
  codes->addStretch();
  column->addLayout(codes);
  connect(SendChordCodes, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Codes.SetSending(on);
  });
  connect(ChordCodeChannel, &QSpinBox::valueChanged, this, [this](int channel) {
    std::lock_guard lock(engine_.Lock);
    engine_.Live.ChordCodeChannel = channel - 1;
  });
  connect(Transpose, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Notes.MasterTranspose = static_cast<int8_t>(value);
  });
  connect(TransmitControllers, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.SetTransmitControllers(on);
  });

  auto* volume = new QGroupBox("Volume");
  auto* sliders = new QGridLayout(volume);
  Left->setRange(0, 100);
  Right->setRange(0, 100);
  Left->setToolTip("Left");
  Right->setToolTip("Right");
  sliders->addWidget(Left, 0, 0);
  sliders->addWidget(Right, 0, 1);
  sliders->addWidget(new QLabel("Left"), 1, 0);
  sliders->addWidget(new QLabel("Right"), 1, 1);
  sliders->addWidget(Lock, 2, 0, 1, 2);
  row->addWidget(volume);
  connect(Left, &QSlider::valueChanged, this, [this](int value) {
    {
      std::lock_guard lock(engine_.Lock);
      engine_.Ports.SetVolumeLeft(value);
    }
    Refresh();
  });
  connect(Right, &QSlider::valueChanged, this, [this](int value) {
    {
      std::lock_guard lock(engine_.Lock);
      engine_.Ports.SetVolumeRight(value);
    }
    Refresh();
  });
  connect(Lock, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Ports.VolumeLock = on;
  });

  for (int c = 1; c <= 16; ++c) LiveChannel->addItem(QString("Ch. %1").arg(c));
  LiveChannel->setToolTip("The channel the keyboard plays");
  LiveChannel->setMaximumWidth(90);
  row->addWidget(LiveChannel);
  connect(LiveChannel, &QListWidget::currentRowChanged, this, [this](int channel) {
    if (channel < 0) return;
    std::lock_guard lock(engine_.Lock);
    engine_.Mixer.ChooseChannel(channel);
  });

  Bind(ComboBox1, engine_.Ports.ComboBox1, &MidiPorts::ComboBox1Change);
  Bind(ComboBox5, engine_.Ports.ComboBox5, &MidiPorts::ComboBox5Change);
  Bind(ExtMidiIn, engine_.Ports.ExtMidiInList, &MidiPorts::ExtMidiInChange);
  Bind(MidiIn, engine_.Ports.MidiInList, &MidiPorts::MidiInChange);
  for (QWidget* control : findChildren<QWidget*>()) control->setFocusPolicy(Qt::ClickFocus);
  Refresh();
}

QButtonGroup* MidiPanel::RadioGroup(const char* title, void (MidiPorts::*click)(int),
                                    QLayout* into) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(this);
  group->setObjectName(title);
  const char* captions[] = {"MIDI out", "Korvel out"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(captions[i]);
    group->addButton(radio, i);
    layout->addWidget(radio);
  }
  into->addWidget(box);
  connect(group, &QButtonGroup::idClicked, this, [this, click](int id) {
    {
      std::lock_guard lock(engine_.Lock);
      (engine_.Ports.*click)(id);
    }
    Refresh();
  });
  return group;
}

void MidiPanel::Bind(QComboBox* box, int& selection, void (MidiPorts::*change)()) {
  connect(box, &QComboBox::activated, this, [this, &selection, change](int index) {
    {
      std::lock_guard lock(engine_.Lock);
      selection = index;
      (engine_.Ports.*change)();
    }
    Refresh();
    emit PortsChanged();
  });
}

void MidiPanel::Refresh() {
  std::lock_guard lock(engine_.Lock);
  const MidiPorts& ports = engine_.Ports;
  {
    const QSignalBlocker block(SendChordCodes);
    const QSignalBlocker blockChannel(ChordCodeChannel);
    SendChordCodes->setChecked(engine_.Live.SendChordCodes);
    ChordCodeChannel->setValue(engine_.Live.ChordCodeChannel + 1);
  }
  const auto fill = [](QComboBox* box, const std::vector<std::string>& items, int selection) {
    const QSignalBlocker block(box);
    box->clear();
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(selection);
  };
  fill(ComboBox1, ports.OutputList(), ports.ComboBox1);
  fill(ComboBox5, ports.OutputList(), ports.ComboBox5);
  fill(ExtMidiIn, ports.InputList(), ports.ExtMidiInList);
  fill(MidiIn, ports.InputList(), ports.MidiInList);
  const auto check = [](QAbstractButton* button, bool on) {
    const QSignalBlocker block(button);
    button->setChecked(on);
  };
  check(Midiout->button(ports.MidiOutGroup), true);
  check(Clickout->button(ports.ClickOutGroup), true);
  check(Chordsout->button(ports.ChordsOutGroup), true);
  {
    const QSignalBlocker blockLeft(Left);
    const QSignalBlocker blockRight(Right);
    Left->setValue(ports.VolumeLeft);
    Right->setValue(ports.VolumeRight);
  }
  check(Lock, ports.VolumeLock);
  check(TransmitControllers, engine_.Live.TransmitControllers);
  {
    const QSignalBlocker block(Transpose);
    Transpose->setValue(engine_.Notes.MasterTranspose);
  }
  const QSignalBlocker block(LiveChannel);
  LiveChannel->setCurrentRow(engine_.Live.SelChannel);
}

}  // namespace korvel
