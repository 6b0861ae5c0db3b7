#include "forms/QtDialogs.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

namespace korvel {

bool QtDialogs::AskYesNo(const std::string& text) {
  return QMessageBox::question(parent_, QApplication::applicationName(),
                               QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::InformUser(const std::string& text) {
  QMessageBox::information(parent_, QApplication::applicationName(), QString::fromStdString(text));
}

void QtDialogs::ShowStatus(const std::string& text) {
  if (auto* window = qobject_cast<QMainWindow*>(parent_)) {
    window->statusBar()->showMessage(QString::fromStdString(text), 8000);
  }
}

}  // namespace korvel
