#include "forms/TKeys.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace korvel {
namespace {

QRect ToQRect(const KeyRect& rect) {
  return {rect.X, rect.Y, rect.Width, rect.Height};
}

}  // namespace

TKeys::TKeys(QWidget* parent) : QWidget(parent) {
  keys_.OnNoteOn = [this](int note, int velocity) {
    if (OnNoteOn) OnNoteOn(*this, note, velocity);
  };
  keys_.OnNoteOff = [this](int note, int velocity) {
    if (OnNoteOff) OnNoteOff(*this, note, velocity);
  };
  resize(sizeHint());
}

void TKeys::SetNoteWidth(int width) {
  keys_.NoteWidth = std::max(1, width);
  update();
}

void TKeys::SetOrientation(int orientation) {
  keys_.Orientation = orientation;
  updateGeometry();
  update();
}

void TKeys::SetBaseOctave(int octave) {
  keys_.BaseOctave = octave;
  update();
}

void TKeys::SetBlackBrush(const QBrush& brush) {
  blackBrush_ = brush;
  update();
}

void TKeys::SetWhiteBrush(const QBrush& brush) {
  whiteBrush_ = brush;
  update();
}

void TKeys::SetPen(const QPen& pen) {
  pen_ = pen;
  update();
}

void TKeys::NoteOn(int note, int velocity, bool fire) {
  if (keys_.NoteOn(note, velocity, fire)) update();
}

void TKeys::NoteOff(int note, bool fire) {
  const bool held = keys_.IsPressed(note);
  keys_.NoteOff(note, fire);
  if (held) update();
}

QSize TKeys::sizeHint() const {
  return keys_.Vertical() ? QSize(50, 200) : QSize(200, 50);
}

void TKeys::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), whiteBrush_);
  const std::vector<int> notes = keys_.VisibleNotes();
  painter.setPen(pen_);
  for (int note : notes) {
    if (KeyGeometry::IsBlack(note)) continue;
    const KeyRect line = keys_.BoundaryOf(note);
    painter.drawLine(line.X, line.Y, line.X + line.Width - 1, line.Y + line.Height - 1);
  }
  for (int note : notes)
    if (KeyGeometry::IsBlack(note)) painter.fillRect(ToQRect(keys_.KeyRectOf(note)), blackBrush_);
  // XOR with white inverts whatever brush the key has.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  for (int note : notes) {
    if (!keys_.IsPressed(note)) continue;
    for (const KeyRect& area : keys_.PressedArea(note)) painter.fillRect(ToQRect(area), Qt::white);
  }
}

void TKeys::resizeEvent(QResizeEvent* event) {
  keys_.Width = width();
  keys_.Height = height();
  QWidget::resizeEvent(event);
}

void TKeys::RepaintIfChanged(const std::bitset<128>& before) {
  if (keys_.Pressed() != before) update();
}

void TKeys::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const auto before = keys_.Pressed();
  const QPoint at = event->position().toPoint();
  keys_.Press(at.x(), at.y());
  RepaintIfChanged(before);
}

void TKeys::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  const auto before = keys_.Pressed();
  const QPoint at = event->position().toPoint();
  keys_.Move(at.x(), at.y());
  RepaintIfChanged(before);
}

void TKeys::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const auto before = keys_.Pressed();
  keys_.Release();
  RepaintIfChanged(before);
}

// Hidden, the control gets no release, so a note held by the mouse would hang.
void TKeys::hideEvent(QHideEvent* event) {
  const auto before = keys_.Pressed();
  keys_.Release();
  RepaintIfChanged(before);
  QWidget::hideEvent(event);
}

}  // namespace korvel
