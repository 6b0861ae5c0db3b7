// The MIDI page: the device lists of the four ports, which output plays the style, the click
// and the chord signals, the output volume, the master transpose, controller thinning and the
// live channel. The channel boxes are the mute switches of the "Solo - Mute" panel.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSlider>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "app/Engine.h"

namespace korvel {

class MidiPanel : public QWidget {
  Q_OBJECT

 public:
  explicit MidiPanel(Engine& engine, QWidget* parent = nullptr);

  // Shows the device lists and every setting as the core has them now.
  void Refresh();

  QComboBox* ComboBox1;  // "MIDI out"
  QComboBox* ComboBox5;  // "Korvel out"
  QComboBox* ExtMidiIn;  // "Ext. MIDI in"
  QComboBox* MidiIn;     // "MIDI in"
  QButtonGroup* Midiout;
  QButtonGroup* Clickout;
  QButtonGroup* Chordsout;
  QSlider* Left;
  QSlider* Right;
  QCheckBox* Lock;
  QSpinBox* Transpose;
  QCheckBox* TransmitControllers;
  QCheckBox* SendChordCodes;   // " Send Chord Codes  (Controllers #19,  #20)  to Ch."
  QSpinBox* ChordCodeChannel;  // 1..16
  QListWidget* LiveChannel;

 signals:
  // A port opened or closed: the clock button may have changed.
  void PortsChanged();

 private:
  void Bind(QComboBox* box, int& selection, void (MidiPorts::*change)());
  QButtonGroup* RadioGroup(const char* title, void (MidiPorts::*click)(int), QLayout* into);

  Engine& engine_;
};

}  // namespace korvel
