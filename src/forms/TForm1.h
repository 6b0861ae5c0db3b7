// The main window: the clock button, tempo, beat lamp and measure display, and the MIDI page
// with the device lists of the four ports.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <memory>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "forms/QtDialogs.h"
#include "forms/QtView.h"

namespace korvel {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `problem`: why the MIDI system cannot be reached, shown in the status line.
  // The settings come from `settingsFile` and go back there when the window closes.
  TForm1(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
         const std::string& settingsFile, QWidget* parent = nullptr);

  Engine& Core() { return *engine_; }
  QPushButton* SpeedButton3;  // MIDI clock on/off
  QSpinBox* TempoEdit1;
  QLabel* Panel3;        // beat lamp
  QLabel* Panel4;        // measure display
  QLabel* ChordLabel;    // the chord panel
  QComboBox* ComboBox1;  // "MIDI out"
  QComboBox* ComboBox5;  // "Korvel out"
  QComboBox* ExtMidiIn;  // "Ext. MIDI in"
  QComboBox* MidiIn;     // "MIDI in"

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The computer keyboard plays Korvel while the main window has the focus.
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void ShowLists();
  void Bind(QComboBox* box, int& selection, void (MidiPorts::*change)());

  QtDialogs dialogs_;
  QtView view_;
  std::unique_ptr<Engine> engine_;
  Configuration settings_;
  std::string settingsFile_;
  QTimer deviceWatch_;
};

}  // namespace korvel
