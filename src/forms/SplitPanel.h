// The keyboard-split panel: four zones of the MIDI keyboard, each with its switch ("Activate
// zone"), the note below which it ends, the channel it plays on and its octave shift. The
// split itself is switched on by " Keyboard Split ..." (keyboard panel, menu "Keyboardsplit").
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "app/Engine.h"

namespace korvel {

class SplitPanel : public QWidget {
  Q_OBJECT

 public:
  explicit SplitPanel(Engine& engine, QWidget* parent = nullptr);

  // Reads the zones back from the core, as clamped there.
  void Refresh();

  struct ZoneControls {
    QCheckBox* Active;  // hint "Activate zone"
    QSpinBox* Top;      // the exclusive upper note bound, 0..128
    QLabel* TopName;    // the bound as a note name
    QSpinBox* Channel;  // 1..16
    QSpinBox* Octave;   // the shift in octaves
  };
  std::array<ZoneControls, 4> Zones{};

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Engine& engine_;
};

}  // namespace korvel
