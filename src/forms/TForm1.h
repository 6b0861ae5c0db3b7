// The main window. For now it carries the MIDI page: the device lists of the four ports.
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/MidiSystem.h"
#include "forms/QtDialogs.h"
#include "midi/MidiPorts.h"

namespace korvel {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(MidiSystem& system, QWidget* parent = nullptr);

  MidiPorts& Ports() { return ports_; }
  QComboBox* ComboBox1;  // "MIDI out"
  QComboBox* ComboBox5;  // "Korvel out"
  QComboBox* ExtMidiIn;  // "Ext. MIDI in"
  QComboBox* MidiIn;     // "MIDI in"

 private:
  void ShowLists();
  void Bind(QComboBox* box, int& selection, void (MidiPorts::*change)());

  QtDialogs dialogs_;
  MidiPorts ports_;
  QTimer deviceWatch_;
};

}  // namespace korvel
