// Message boxes with the application title, for questions and messages of the core.
#pragma once

#include <QWidget>
#include <atomic>

#include "platform/Dialogs.h"
#include "platform/EngineLock.h"

namespace korvel {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  // While a box is open the engine lock is let go, so the clock never stops for a dialog.
  void SetEngineLock(EngineLock* lock) { lock_ = lock; }
  bool AskYesNo(const std::string& text) override;
  void InformUser(const std::string& text) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  void ShowStatus(const std::string& text) override;
  void ReportError(const std::string& text) override;

 private:
  QWidget* parent_;
  EngineLock* lock_ = nullptr;
  std::atomic<bool> reporting_{false};  // a thread's error box is queued or open
};

}  // namespace korvel
