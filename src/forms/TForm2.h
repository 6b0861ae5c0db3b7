// A panel of the main window in a small floating window of its own. Its keys go to the main
// window, so the music keyboard and the function keys work whichever window has the focus.
#pragma once

#include <QWidget>
#include <functional>

namespace korvel {

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  TForm2(QWidget* panel, const QString& caption, int helpContext, int windowNumber,
         QWidget* keyTarget);

  QWidget* Panel() const { return panel_; }
  int HelpContext() const { return helpContext_; }
  int WindowNumber() const { return windowNumber_; }

 signals:
  // The user closed the window (hiding it from the program does not count).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* panel_;
  int helpContext_;
  int windowNumber_;
  QWidget* keyTarget_;
};

// Shows `panel` in its panel window, creating the window on the first call. With `show`, the
// window is placed below the main window when a centred one would cover it (and it fits), else
// centred, and then shown and raised; without, it waits at the main window's left edge below
// it. Returns the window.
TForm2* OpenPanelWindow(TForm2* window, QWidget* panel, int helpContext, bool show,
                        const QString& caption, int windowNumber, QWidget* mainWindow);

}  // namespace korvel
