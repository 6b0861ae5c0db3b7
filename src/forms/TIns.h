// "Instruments & Functions": what the twelve instrument keys (F1 .. F12) hold, setting them
// from the instrument list or the key functions, and the stored sets 1 .. 10.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <functional>

#include "app/Configuration.h"
#include "app/Engine.h"

namespace korvel {

class TIns : public QWidget {
  Q_OBJECT

 public:
  TIns(Engine& engine, Configuration& settings, QWidget* parent = nullptr);

  // Shows the slot lines as the core has them now.
  void RefreshSlots();

  QListWidget* Slots;          // "F1  ..." .. "F12  ..."; a click plays the key
  QListWidget* Instruments;    // the instrument list, while the window is shown
  QListWidget* Functions;      // the twelve key functions
  QPushButton* SetInstrument;  // "Set" beside the instruments
  QPushButton* SetFunction;    // "Set" beside the functions
  QPushButton* Clear;
  QPushButton* ClearAll;  // "Clear All"
  QPushButton* Random;
  QSpinBox* Number;         // the stored set 1 .. 10
  QPushButton* LoadNumber;  // "Load No."
  QPushButton* SaveNumber;  // "Save as No."

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Runs `action` under the engine lock, then shows the slot lines again.
  void Act(const std::function<void()>& action);
  void EnableButtons();

  Engine& engine_;
  Configuration& settings_;
};

}  // namespace korvel
