// Message boxes with the application title, for questions and messages of the core.
#pragma once

#include <QWidget>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/EngineLock.h"

namespace korvel {

// "Styles (*.kvs)|*.kvs" becomes "Styles (*.kvs *.KVS)": files come in either case. Several
// label|pattern pairs give several filters, and a pattern may list several with ";".
QString QtFileFilter(const std::string& filter);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  // While a box is open the engine lock is let go, so the clock never stops for a dialog.
  void SetEngineLock(EngineLock* lock) { lock_ = lock; }
  // Every question and message goes to `script` instead of a box (tests that drive the
  // windows); nullptr shows boxes again.
  void AnswerFrom(Dialogs* script) { script_ = script; }
  bool AskYesNo(const std::string& text) override;
  void InformUser(const std::string& text) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  std::vector<std::string> OpenFilesDialog(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const FileDialogRequest& request) override;
  std::optional<uint32_t> ChooseColor(uint32_t rgb) override;
  std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                     const std::string& value) override;
  void ShowText(const std::string& title, const std::string& text) override;
  void ShowStatus(const std::string& text) override;
  // While the windows are being made no box may stop the start: messages and notes are kept
  // until TakeHeldMessages, which hands them over in order and shows what follows again.
  void HoldMessages();
  std::vector<std::string> TakeHeldMessages();
  void ReportError(const std::string& text) override;

 private:
  // True when `text` was kept.
  bool Hold(const std::string& text);

  QWidget* parent_;
  EngineLock* lock_ = nullptr;
  std::atomic<Dialogs*> script_{nullptr};  // read by the input threads too
  std::mutex heldMutex_;                   // notes may come from the input threads
  bool holding_ = false;
  std::vector<std::string> held_;
  std::atomic<bool> reporting_{false};  // a thread's error box is queued or open
};

}  // namespace korvel
