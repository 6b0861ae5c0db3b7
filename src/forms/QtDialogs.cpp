#include "forms/QtDialogs.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

namespace korvel {

bool QtDialogs::AskYesNo(const std::string& text) {
  const EngineLock::ReleasedWhileWaiting released(lock_);
  return QMessageBox::question(parent_, QApplication::applicationName(),
                               QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::InformUser(const std::string& text) {
  const EngineLock::ReleasedWhileWaiting released(lock_);
  QMessageBox::information(parent_, QApplication::applicationName(), QString::fromStdString(text));
}

void QtDialogs::ShowStatus(const std::string& text) {
  auto* window = qobject_cast<QMainWindow*>(parent_);
  if (!window) return;
  // Input ports report from their own threads; widgets are touched on the GUI thread only.
  QMetaObject::invokeMethod(
      window,
      [window, message = QString::fromStdString(text)] {
        window->statusBar()->showMessage(message, 8000);
      },
      Qt::QueuedConnection);
}

}  // namespace korvel
