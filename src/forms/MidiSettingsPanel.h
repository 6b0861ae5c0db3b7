// The MIDI settings page: on the first run it welcomes the musician and asks for the keyboard
// layout, the chord-key mode, the sound module and the ports; later it is "MIDI controls".
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include "app/MidiSettings.h"

namespace korvel {

class Engine;

class MidiSettingsPanel : public QWidget {
  Q_OBJECT

 public:
  explicit MidiSettingsPanel(Engine& engine, QWidget* parent = nullptr);

  // Fills the lists and preselects: the welcome defaults, or what is in force.
  void Prepare(bool welcome);
  MidiSettingsChoice Choice() const;
  bool Welcome() const { return welcome_; }
  // The page's settings are in force: a later close is no welcome any more.
  void Applied() { welcome_ = false; }

  QLabel* Guide;
  QComboBox* KeyboardLayouts;  // "Keyboard-Layouts"
  QComboBox* ChordKeyMode;
  QComboBox* SoundcardMode;  // "Soundcard-Mode"
  QComboBox* MidiInput;      // "MIDI-Input"
  QComboBox* MidiOutput;     // "MIDI-Output"
  QScrollBar* Balance;
  QLabel* BalanceValue;
  QPushButton* Ok;
  QPushButton* Settings;  // "Settings ..."

 signals:
  void Confirmed();
  void SettingsRequested();

 private:
  Engine& engine_;
  bool welcome_ = false;
};

}  // namespace korvel
