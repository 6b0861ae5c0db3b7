// Message boxes with the application title, for questions and messages of the core.
#pragma once

#include <QWidget>

#include "platform/Dialogs.h"

namespace korvel {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  bool AskYesNo(const std::string& text) override;
  void InformUser(const std::string& text) override;
  void ShowStatus(const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace korvel
