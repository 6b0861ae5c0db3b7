// Answers the core's questions from a script and keeps every message, for tests.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Dialogs.h"

namespace korvel::test {

class ScriptedDialogs : public Dialogs {
 public:
  std::deque<bool> Answers;  // taken in order; No when empty
  std::vector<std::string> Questions;
  std::vector<std::string> Messages;
  std::vector<std::string> Statuses;
  std::vector<std::pair<std::string, std::string>> TextWindows;  // title, text
  std::deque<std::optional<std::string>> Files;  // answers of the open dialog; cancel when empty
  std::vector<FileDialogRequest> FileRequests;
  std::deque<std::optional<std::string>> SaveFiles;  // answers of the save dialog
  std::vector<FileDialogRequest> SaveRequests;
  std::deque<std::vector<std::string>> FileLists;  // answers of the multi-file dialog
  std::vector<FileDialogRequest> FileListRequests;
  std::deque<std::optional<std::string>> Folders;  // answers of the folder chooser
  std::vector<FileDialogRequest> FolderRequests;
  std::deque<std::optional<uint32_t>> Colors;    // answers of the colour dialog
  std::deque<std::optional<std::string>> Texts;  // answers of the input box
  std::vector<std::string> TextPrompts;

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
  std::vector<std::string> OpenFilesDialog(const FileDialogRequest& request) override {
    FileListRequests.push_back(request);
    return Take(FileLists, std::vector<std::string>{});
  }
  std::optional<std::string> ChooseFolder(const FileDialogRequest& request) override {
    FolderRequests.push_back(request);
    return Take(Folders, std::optional<std::string>{});
  }
  std::optional<uint32_t> ChooseColor(uint32_t) override {
    return Take(Colors, std::optional<uint32_t>{});
  }
  std::optional<std::string> AskText(const std::string&, const std::string& prompt,
                                     const std::string&) override {
    TextPrompts.push_back(prompt);
    return Take(Texts, std::optional<std::string>{});
  }
  void ShowText(const std::string& title, const std::string& text) override {
    TextWindows.push_back({title, text});
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
  template <typename T>
  static T Take(std::deque<T>& answers, T cancel) {
    if (answers.empty()) return cancel;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }

  mutable std::mutex errorsMutex_;
  std::vector<std::string> errors_;
};

}  // namespace korvel::test
