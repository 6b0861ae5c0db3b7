// Shows what the core reports on the main window. Every update is queued to the GUI thread, so
// the clock thread never waits for painting.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QSpinBox>
#include <functional>

#include "platform/View.h"

namespace korvel {

class QtView : public View {
 public:
  QtView(QMainWindow* window, QLabel* beatLamp, QLabel* measureDisplay, QLabel* chordPanel,
         QLabel* beatPanel, QSpinBox* tempoField)
      : window_(window),
        beatLamp_(beatLamp),
        measureDisplay_(measureDisplay),
        chordPanel_(chordPanel),
        beatPanel_(beatPanel),
        tempoField_(tempoField) {}

  void BeatLamp(uint32_t color) override;
  void MeasureDisplay(const std::string& text) override;
  void ChordPanel(const std::string& text) override;
  void Title(const std::string& text) override;
  void TempoField(int tempo) override;
  void FocusKeyboard() override;
  void BeatPanel(const std::string& text) override;
  void SongTransportChanged() override;
  void Progress(const std::string& caption, int percent) override;
  void Busy(bool on) override;

  // Runs on the GUI thread after a new chord is shown (a one-shot chord type is used up then).
  std::function<void()> ChordShown;
  // Runs on the GUI thread after the song transport started, paused, resumed or stopped.
  std::function<void()> SongChanged;

 private:
  QMainWindow* window_;
  QLabel* beatLamp_;
  QLabel* measureDisplay_;
  QLabel* chordPanel_;
  QLabel* beatPanel_;
  QSpinBox* tempoField_;
};

}  // namespace korvel
