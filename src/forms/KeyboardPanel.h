// The keyboard panel: the on-screen piano, the control-key buttons, the chord-type labels and
// the chord and melody options of the live keyboard.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "app/Engine.h"
#include "forms/TKeys.h"

namespace korvel {

class KeyboardPanel : public QWidget {
  Q_OBJECT

 public:
  explicit KeyboardPanel(Engine& engine, QWidget* parent = nullptr);

  // Reads the settings back from the core (after the configuration was applied).
  void Refresh();
  // Highlights the chord-type label whose type the next chord takes, if any.
  void ShowOverride();

  TKeys* Keys;
  QCheckBox* Chords;         // " Chords"
  QCheckBox* MelodyAdLib;    // " Melody Ad Lib"
  QCheckBox* HarmonicPad;    // " Harmonic PAD, transposed"
  QCheckBox* Instruments;    // " Instruments ..."
  QCheckBox* KeyboardSplit;  // " Keyboard Split ..."
  QCheckBox* FunctionKeys;   // " Ad Lib,  Start/Stop,  PAD,  Melody =  ..."
  QSpinBox* Octave;
  QSpinBox* Transpose;                   // the notes played
  QSpinBox* ChordTranspose;              // the chords played, and so the accompaniment
  std::array<QLabel*, 10> TypeLabels{};  // chord-type slots 2..11

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The box sets `field`; with `silenceLiveChannel` no note of the live channel hangs on.
  void Bind(QCheckBox* box, bool& field, bool silenceLiveChannel = false);
  void HighlightOverride();

  Engine& engine_;
};

}  // namespace korvel
