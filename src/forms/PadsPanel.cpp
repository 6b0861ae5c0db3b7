#include "forms/PadsPanel.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <mutex>

#include "performance/ChordTypes.h"

namespace korvel {

PadsPanel::PadsPanel(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  setObjectName("Chordpads");
  auto* grid = new QGridLayout(this);
  grid->setSpacing(2);
  const auto add = [this, grid](const std::string& name, const QString& caption, int row,
                                int column, int span) {
    auto* pad = new QPushButton(caption);
    pad->setObjectName(QString::fromStdString(name));
    pad->setFocusPolicy(Qt::NoFocus);
    pad->setMinimumWidth(34);
    pad->installEventFilter(this);
    grid->addWidget(pad, row, column, 1, span);
    return pad;
  };
  for (int row = 0; row < kChordPadRows; ++row) {
    rowLabels_[static_cast<size_t>(row)] = new QLabel;
    grid->addWidget(rowLabels_[static_cast<size_t>(row)], row, 0);
    for (int column = 0; column < 12; ++column)
      add(PadName(row, column), NoteNames[static_cast<size_t>(column)], row, column + 1, 1);
  }
  for (int i = 0; i < kControlPads; ++i) {
    const auto pad = static_cast<ControlPad>(i);
    auto* button = add(PadName(kChordPadRows, i), ControlPadCaption(pad), kChordPadRows,
                       1 + i * 12 / kControlPads, 12 / kControlPads);
    if (pad == ControlPad::Intro) button->setToolTip("ESC");
  }
  Refresh();
}

void PadsPanel::Refresh() {
  std::lock_guard lock(engine_.Lock);
  for (int row = 0; row < kChordPadRows; ++row) {
    const int type = engine_.Chords.ChordTypeSlots[static_cast<size_t>(row + 1)];
    rowLabels_[static_cast<size_t>(row)]->setText(
        type >= 1 && type <= 17 ? ChordTypeTable[static_cast<size_t>(type)].Name : "");
  }
}

QPushButton* PadsPanel::Pad(const QString& name) const {
  return findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
}

bool PadsPanel::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      const bool shift = mouse->modifiers().testFlag(Qt::ShiftModifier);
      std::lock_guard lock(engine_.Lock);
      engine_.Pads.PadDown(watched->objectName().toStdString(), shift);
    }
  } else if (type == QEvent::MouseButtonRelease) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      std::lock_guard lock(engine_.Lock);
      engine_.Pads.PadUp();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PadsPanel::hideEvent(QHideEvent* event) {
  // A pad held while the window goes leaves neither a pick nor a sounding chord behind.
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Pads.ReleaseAll();
  }
  QWidget::hideEvent(event);
}

}  // namespace korvel
