// The about box; at start-up the same box says "Please wait ..." until the main window is
// ready.
#pragma once

#include <QDialog>

namespace korvel {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace korvel
