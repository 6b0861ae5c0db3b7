#include "forms/TForm1.h"

#include <QFormLayout>
#include <QSignalBlocker>
#include <QStatusBar>

namespace korvel {

TForm1::TForm1(MidiSystem& system, QWidget* parent)
    : QMainWindow(parent),
      ComboBox1(new QComboBox),
      ComboBox5(new QComboBox),
      ExtMidiIn(new QComboBox),
      MidiIn(new QComboBox),
      dialogs_(this),
      ports_(system.Devices, system.InputSettings, dialogs_) {
  setWindowTitle("Korvel");
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  ComboBox1->setToolTip("... to Soundcart or other MIDI-in-port");
  ComboBox5->setToolTip("... to  MIDI-in-port of external MIDI application");
  ExtMidiIn->setToolTip("... from keyboard driver");
  MidiIn->setToolTip("... from  MIDI-out-port of external MIDI application");
  form->addRow("MIDI out", ComboBox1);
  form->addRow("Korvel out", ComboBox5);
  form->addRow("Ext. MIDI in", ExtMidiIn);
  form->addRow("MIDI in", MidiIn);
  setCentralWidget(page);
  statusBar();

  // The built-in synthesizer is the default output, so a fresh start makes sound.
  ports_.ComboBox1 = ports_.OutputSelectionFor(-1);
  ports_.ComboBox5 = ports_.OutputSelectionFor(-2);
  ports_.ExtMidiInList = ports_.InputSelectionFor(-1);
  ports_.MidiInList = ports_.InputSelectionFor(-2);
  ShowLists();
  ports_.ComboBox1Change();
  ports_.ComboBox5Change();
  ports_.ExtMidiInChange();
  ports_.MidiInChange();
  if (!system.Ports.Problem().empty()) {
    statusBar()->showMessage(QString::fromStdString(system.Ports.Problem()));
  }

  Bind(ComboBox1, ports_.ComboBox1, &MidiPorts::ComboBox1Change);
  Bind(ComboBox5, ports_.ComboBox5, &MidiPorts::ComboBox5Change);
  Bind(ExtMidiIn, ports_.ExtMidiInList, &MidiPorts::ExtMidiInChange);
  Bind(MidiIn, ports_.MidiInList, &MidiPorts::MidiInChange);

  // Devices come and go while Korvel runs (USB keyboards, other programs' ports).
  connect(&deviceWatch_, &QTimer::timeout, this, [this] {
    ports_.CheckDevices();
    ShowLists();
  });
  deviceWatch_.start(2000);
}

void TForm1::Bind(QComboBox* box, int& selection, void (MidiPorts::*change)()) {
  connect(box, &QComboBox::activated, this, [this, &selection, change](int index) {
    selection = index;
    (ports_.*change)();
    ShowLists();
  });
}

void TForm1::ShowLists() {
  auto fill = [](QComboBox* box, const std::vector<std::string>& items, int selection) {
    const QSignalBlocker block(box);
    box->clear();
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(selection);
  };
  fill(ComboBox1, ports_.OutputList(), ports_.ComboBox1);
  fill(ComboBox5, ports_.OutputList(), ports_.ComboBox5);
  fill(ExtMidiIn, ports_.InputList(), ports_.ExtMidiInList);
  fill(MidiIn, ports_.InputList(), ports_.MidiInList);
}

}  // namespace korvel
