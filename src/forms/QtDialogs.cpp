#include "forms/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <stdexcept>

#include "forms/KorvelApplication.h"

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

std::optional<std::string> QtDialogs::OpenFileDialog(const FileDialogRequest& request) {
  const EngineLock::ReleasedWhileWaiting released(lock_);
  // "Styles (*.kvs)|*.kvs" becomes "Styles (*.kvs *.KVS)": files come in either case.
  const auto bar = request.Filter.find('|');
  const QString label = QString::fromStdString(request.Filter.substr(0, bar)).section('(', 0, 0);
  const QString pattern =
      QString::fromStdString(bar == std::string::npos ? "*" : request.Filter.substr(bar + 1));
  const QString filter = label.trimmed() + " (" + pattern + " " + pattern.toUpper() + ")";
  QFileDialog dialog(parent_, QString::fromStdString(request.Title),
                     QString::fromStdString(request.Folder), filter);
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension).toLower());
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
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

void QtDialogs::ReportError(const std::string& text) {
  // One box at a time: a device that fails on every clock must not pile boxes up.
  if (reporting_.exchange(true)) return;
  QMetaObject::invokeMethod(
      parent_,
      [this, error = std::runtime_error(text)] {
        ReportException(error);
        reporting_.store(false);
      },
      Qt::QueuedConnection);
}

}  // namespace korvel
