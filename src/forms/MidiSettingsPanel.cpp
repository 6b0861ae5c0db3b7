#include "forms/MidiSettingsPanel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <mutex>

#include "app/Engine.h"

namespace korvel {

MidiSettingsPanel::MidiSettingsPanel(Engine& engine, QWidget* parent)
    : QWidget(parent),
      Guide(new QLabel(
          "Please configure Korvel and accept or select keyboard layout, soundcard mode and MIDI "
          "ports.\n\nA little guide will accompany you at work with the software.\n\nHave much "
          "fun with Korvel !")),
      KeyboardLayouts(new QComboBox),
      ChordKeyMode(new QComboBox),
      SoundcardMode(new QComboBox),
      MidiInput(new QComboBox),
      MidiOutput(new QComboBox),
      Balance(new QScrollBar(Qt::Horizontal)),
      BalanceValue(new QLabel("0")),
      Ok(new QPushButton("OK")),
      Settings(new QPushButton("Settings ...")),
      engine_(engine) {
  setObjectName("MidiSettingsPanel");
  auto* column = new QVBoxLayout(this);
  Guide->setWordWrap(true);
  column->addWidget(Guide);
  KeyboardLayouts->addItems({"English (USA)", "German"});
  ChordKeyMode->addItems({"smart (note on/off)", "static (note on)"});
  ChordKeyMode->setToolTip("Define on which keyboard MIDI messages the system shall react");
  SoundcardMode->addItems({"GM", "GS", "SC-??", "XG"});
  auto* form = new QFormLayout;
  form->addRow("Keyboard-Layouts", KeyboardLayouts);
  form->addRow("Chord keys", ChordKeyMode);
  form->addRow("Soundcard-Mode", SoundcardMode);
  form->addRow("MIDI-Input", MidiInput);
  form->addRow("MIDI-Output", MidiOutput);
  column->addLayout(form);
  auto* balance = new QHBoxLayout;
  balance->addWidget(new QLabel("Balance - melody section velocity offset :"));
  Balance->setRange(-20, 20);
  balance->addWidget(Balance, 1);
  balance->addWidget(BalanceValue);
  column->addLayout(balance);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Ok);
  buttons->addWidget(Settings);
  column->addLayout(buttons);
  connect(Balance, &QScrollBar::valueChanged, this, [this](int value) {
    BalanceValue->setText(QString::number(value));
    std::lock_guard lock(engine_.Lock);
    engine_.Input.VelocityOffset = value;
  });
  connect(Ok, &QPushButton::clicked, this, &MidiSettingsPanel::Confirmed);
  connect(Settings, &QPushButton::clicked, this, &MidiSettingsPanel::SettingsRequested);
}

void MidiSettingsPanel::Prepare(bool welcome) {
  welcome_ = welcome;
  std::lock_guard lock(engine_.Lock);
  const MidiPorts& ports = engine_.Ports;
  MidiInput->clear();
  MidiOutput->clear();
  const auto& inputs = ports.InputList();
  for (size_t i = 0; i + 1 < inputs.size(); ++i)
    MidiInput->addItem(QString::fromStdString(inputs[i]));
  const auto& outputs = ports.OutputList();
  for (size_t i = 0; i + 1 < outputs.size(); ++i)
    MidiOutput->addItem(QString::fromStdString(outputs[i]));
  const MidiSettingsChoice choice = CurrentMidiSettings(engine_, welcome);
  KeyboardLayouts->setCurrentIndex(choice.EnglishLayout ? 0 : 1);
  ChordKeyMode->setCurrentIndex(choice.StaticChordKeys ? 1 : 0);
  SoundcardMode->setCurrentIndex(choice.SoundcardMode);
  MidiInput->setCurrentIndex(MidiInput->findText(QString::fromStdString(choice.Input)));
  MidiOutput->setCurrentIndex(MidiOutput->findText(QString::fromStdString(choice.Output)));
  const QSignalBlocker block(Balance);
  Balance->setValue(choice.VelocityOffset);
  BalanceValue->setText(QString::number(choice.VelocityOffset));
  Settings->setEnabled(!welcome);
}

MidiSettingsChoice MidiSettingsPanel::Choice() const {
  MidiSettingsChoice choice;
  choice.EnglishLayout = KeyboardLayouts->currentIndex() == 0;
  choice.StaticChordKeys = ChordKeyMode->currentIndex() == 1;
  choice.SoundcardMode = std::max(SoundcardMode->currentIndex(), 0);
  choice.Input = MidiInput->currentText().toStdString();
  choice.Output = MidiOutput->currentText().toStdString();
  choice.VelocityOffset = Balance->value();
  return choice;
}

}  // namespace korvel
