// Answers the core's questions from a script and keeps every message, for tests.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace korvel::test {

class ScriptedDialogs : public Dialogs {
 public:
  std::deque<bool> Answers;  // taken in order; No when empty
  std::vector<std::string> Questions;
  std::vector<std::string> Messages;
  std::vector<std::string> Statuses;
  std::deque<std::optional<std::string>> Files;  // answers of the open dialog; cancel when empty
  std::vector<FileDialogRequest> FileRequests;
  std::deque<std::optional<std::string>> SaveFiles;  // answers of the save dialog
  std::vector<FileDialogRequest> SaveRequests;

  bool AskYesNo(const std::string& text) override {
    Questions.push_back(text);
    if (Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void InformUser(const std::string& text) override { Messages.push_back(text); }
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override {
    FileRequests.push_back(request);
    if (Files.empty()) return std::nullopt;
    auto answer = Files.front();
    Files.pop_front();
    return answer;
  }
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override {
    SaveRequests.push_back(request);
    if (SaveFiles.empty()) return std::nullopt;
    auto answer = SaveFiles.front();
    SaveFiles.pop_front();
    return answer;
  }
  void ShowStatus(const std::string& text) override { Statuses.push_back(text); }
  // Errors come from the clock and input threads while the test runs.
  void ReportError(const std::string& text) override {
    std::lock_guard lock(errorsMutex_);
    errors_.push_back(text);
  }
  std::vector<std::string> Errors() const {
    std::lock_guard lock(errorsMutex_);
    return errors_;
  }

 private:
  mutable std::mutex errorsMutex_;
  std::vector<std::string> errors_;
};

}  // namespace korvel::test
