// "Capture Style": per style part the measures the external sequencer will play, the tempo and
// metre of the style, and "OK - Record from MIDI in", which arms one recording that ends with
// the parts set. A floating window beside the generator; it binds fields of the recorder's
// capture settings.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <array>

#include "app/Engine.h"

namespace korvel {

class TCapture : public QWidget {
  Q_OBJECT

 public:
  explicit TCapture(Engine& engine, QWidget* parent = nullptr);

  // Shows the window with its "Metrum" set to the generator's metre.
  void Open();

  std::array<QSpinBox*, kStylePartCount> First{};  // "First ...": 1..999, double click = 1
  std::array<QSpinBox*, kStylePartCount> Last{};   // "Last ...": 0..999, double click = 0
  QSpinBox* Tempo;                                 // "Tempo": 25..250
  QComboBox* Metre;                                // "Metrum"
  QPushButton* NewButton;                          // "New"
  QPushButton* RecordButton;                       // "OK - Record from MIDI in"

 signals:
  // "OK - Record from MIDI in" armed the recording.
  void Armed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The settings as the recorder holds them.
  void Show();
  void Store();

  Engine& engine_;
};

}  // namespace korvel
