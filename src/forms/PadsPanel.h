// The chord pads panel: eleven rows of twelve chord pads (one row per chord-type slot, one pad
// per root) and the five control pads. Each pad is a button named as the core decodes it.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "app/Engine.h"

namespace korvel {

class PadsPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PadsPanel(Engine& engine, QWidget* parent = nullptr);

  // Row captions follow the chord-type slots.
  void Refresh();
  // The pad of a name ("A00".."K11", "L00".."L04"), or null.
  QPushButton* Pad(const QString& name) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  Engine& engine_;
  std::array<QLabel*, kChordPadRows> rowLabels_{};
};

}  // namespace korvel
