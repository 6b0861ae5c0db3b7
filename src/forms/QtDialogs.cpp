#include "forms/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>
#include <stdexcept>
#include <utility>

#include "forms/KorvelApplication.h"

namespace korvel {

namespace {

// MIDI input threads reach commands too (the function keys of the keyboard); windows are
// opened on the GUI thread only.
bool OnGuiThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

bool QtDialogs::AskYesNo(const std::string& text) {
  if (Dialogs* script = script_.load()) return script->AskYesNo(text);
  // A question from an input thread cannot wait for the musician: it is declined, which
  // leaves everything as it was.
  if (!OnGuiThread()) return false;
  const EngineLock::ReleasedWhileWaiting released(lock_);
  return QMessageBox::question(parent_, QApplication::applicationName(),
                               QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::InformUser(const std::string& text) {
  if (Dialogs* script = script_.load()) return script->InformUser(text);
  if (Hold(text)) return;
  if (!OnGuiThread()) {
    QMetaObject::invokeMethod(
        parent_, [this, text] { InformUser(text); }, Qt::QueuedConnection);
    return;
  }
  const EngineLock::ReleasedWhileWaiting released(lock_);
  QMessageBox::information(parent_, QApplication::applicationName(), QString::fromStdString(text));
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (qsizetype p = 0, n = patterns.size(); p < n; ++p) patterns << patterns[p].toUpper();
    filters << parts[i].section('(', 0, 0).trimmed() + " (" + patterns.join(' ') + ")";
  }
  return filters.isEmpty() ? QString("* (*)") : filters.join(";;");
}

namespace {

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
  const QString filter = QtFileFilter(request.Filter);
  QFileDialog dialog(parent, QString::fromStdString(request.Title),
                     QString::fromStdString(request.Folder), filter);
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension).toLower());
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::OpenFileDialog(const FileDialogRequest& request) {
  if (Dialogs* script = script_.load()) return script->OpenFileDialog(request);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  return RunFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtDialogs::SaveFileDialog(const FileDialogRequest& request) {
  if (Dialogs* script = script_.load()) return script->SaveFileDialog(request);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  return RunFileDialog(parent_, request, QFileDialog::AcceptSave);
}

std::vector<std::string> QtDialogs::OpenFilesDialog(const FileDialogRequest& request) {
  if (Dialogs* script = script_.load()) return script->OpenFilesDialog(request);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  QFileDialog dialog(parent_, QString::fromStdString(request.Title),
                     QString::fromStdString(request.Folder), QtFileFilter(request.Filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  std::vector<std::string> files;
  if (dialog.exec() != QDialog::Accepted) return files;
  for (const QString& file : dialog.selectedFiles()) files.push_back(file.toStdString());
  return files;
}

std::optional<std::string> QtDialogs::ChooseFolder(const FileDialogRequest& request) {
  if (Dialogs* script = script_.load()) return script->ChooseFolder(request);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  const QString folder = QFileDialog::getExistingDirectory(
      parent_, QString::fromStdString(request.Title), QString::fromStdString(request.Folder));
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

std::optional<uint32_t> QtDialogs::ChooseColor(uint32_t rgb) {
  if (Dialogs* script = script_.load()) return script->ChooseColor(rgb);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  const QColor color = QColorDialog::getColor(QColor::fromRgb(rgb), parent_);
  if (!color.isValid()) return std::nullopt;
  return static_cast<uint32_t>(color.rgb() & 0xFFFFFF);
}

std::optional<std::string> QtDialogs::AskText(const std::string& title, const std::string& prompt,
                                              const std::string& value) {
  if (Dialogs* script = script_.load()) return script->AskText(title, prompt, value);
  const EngineLock::ReleasedWhileWaiting released(lock_);
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent_, QString::fromStdString(title), QString::fromStdString(prompt),
                            QLineEdit::Normal, QString::fromStdString(value), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

void QtDialogs::ShowText(const std::string& title, const std::string& text) {
  if (Dialogs* script = script_.load()) return script->ShowText(title, text);
  auto* window = new QDialog(parent_);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(QString::fromStdString(title));
  auto* view = new QPlainTextEdit(QString::fromStdString(text));
  view->setReadOnly(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(view);
  window->resize(420, 260);
  window->show();  // not modal: the listing stays beside the work
}

void QtDialogs::ShowStatus(const std::string& text) {
  if (Dialogs* script = script_.load()) return script->ShowStatus(text);
  if (Hold(text)) return;
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

void QtDialogs::HoldMessages() {
  std::lock_guard lock(heldMutex_);
  holding_ = true;
}

std::vector<std::string> QtDialogs::TakeHeldMessages() {
  std::lock_guard lock(heldMutex_);
  holding_ = false;
  return std::exchange(held_, {});
}

bool QtDialogs::Hold(const std::string& text) {
  std::lock_guard lock(heldMutex_);
  if (holding_) held_.push_back(text);
  return holding_;
}

void QtDialogs::ReportError(const std::string& text) {
  if (Dialogs* script = script_.load()) return script->ReportError(text);
  if (Hold(text)) return;
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
