// The prompter: a small window on an information-coloured background that puts a text in front
// of the musician: the guide's tips, welcome and help texts. In text mode any key or click
// closes it; in guide mode only "OK" does, and the keys go on to the main window so the
// musician keeps playing.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "app/Guide.h"

namespace korvel {

class Ttt : public QWidget {
  Q_OBJECT

 public:
  // In guide mode the keys go to `keyTarget` (the main window).
  explicit Ttt(QWidget* keyTarget, QWidget* parent = nullptr);

  void ShowText(const std::string& text);
  void ShowTip(int number);
  void ShowGuideTip(const std::string& title, int number, bool modal);
  // Text mode: at the screen's centre instead of at the mouse.
  void SetCentred(bool centred) { centred_ = centred; }
  // A step of the work: the guide's tip for it, when the guide is on.
  void GuideStep(int offset);

  Guide Tips;
  bool GuideMode() const { return guideMode_; }

  QLabel* Text;
  QPushButton* Ok;
  QAction* StayOnTop;   // "Stay on top"
  QAction* CenterText;  // "Center Text"

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void PlaceAtMouse();
  void PlaceBottomRight();

  QWidget* keyTarget_;
  bool guideMode_ = false;
  bool centred_ = false;
  std::string title_;
};

}  // namespace korvel
