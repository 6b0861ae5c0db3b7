// "Tap Tempo": the musician taps one bar's beats on the button, with SPACE or RETURN, or on a
// key of the MIDI keyboard; the bar's average interval becomes the main tempo.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cstdint>

#include "app/Engine.h"
#include "app/TapTempo.h"

namespace korvel {

class TTempo : public QDialog {
  Q_OBJECT

 public:
  // `tempo` is the main window's tempo control: setting it runs the tempo's change action.
  TTempo(Engine& engine, QSpinBox& tempo, QWidget* parent = nullptr);
  ~TTempo() override;

  // A tap at `ms` on the monotonic clock.
  void TapAt(int64_t ms);

  QPushButton* Tap;       // "Tap 4 times"
  QRadioButton* Quarter;  // "1/4 measure"
  QRadioButton* Eighth;   // "1/8 measure"

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The transport's metre decides the taps per bar and whether they are eighths.
  void StartBar();
  void SetEighths(bool on);

  Engine& engine_;
  QSpinBox& tempo_;
  TapTempo bar_{4, false};
};

}  // namespace korvel
