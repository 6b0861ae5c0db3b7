// The on-screen piano control: paints the keys KeyGeometry lays out, shows held notes inverted,
// and plays notes from mouse clicks and drags.
#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>
#include <functional>

#include "performance/KeyGeometry.h"

namespace korvel {

class TKeys : public QWidget {
  Q_OBJECT

 public:
  explicit TKeys(QWidget* parent = nullptr);

  int NoteWidth() const { return keys_.NoteWidth; }
  void SetNoteWidth(int width);
  // 0 horizontal, otherwise vertical with low notes at the bottom.
  int Orientation() const { return keys_.Orientation; }
  void SetOrientation(int orientation);
  int BaseOctave() const { return keys_.BaseOctave; }
  void SetBaseOctave(int octave);
  bool VelocityByPosition() const { return keys_.VelocityByPosition; }
  void SetVelocityByPosition(bool byPosition) { keys_.VelocityByPosition = byPosition; }
  const QBrush& BlackBrush() const { return blackBrush_; }
  void SetBlackBrush(const QBrush& brush);
  const QBrush& WhiteBrush() const { return whiteBrush_; }
  void SetWhiteBrush(const QBrush& brush);
  const QPen& Pen() const { return pen_; }
  void SetPen(const QPen& pen);

  std::function<void(TKeys& keys, int note, int velocity)> OnNoteOn;
  std::function<void(TKeys& keys, int note, int velocity)> OnNoteOff;  // velocity 0

  // Shows a note held or let go; `fire` also reports it, a note on only if it was not held.
  void NoteOn(int note, int velocity, bool fire = false);
  void NoteOff(int note, bool fire = false);
  bool IsPressed(int note) const { return keys_.IsPressed(note); }
  const KeyGeometry& Geometry() const { return keys_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void RepaintIfChanged(const std::bitset<128>& before);

  KeyGeometry keys_;
  QBrush blackBrush_{Qt::black};
  QBrush whiteBrush_{Qt::white};
  QPen pen_{Qt::black};
};

}  // namespace korvel
