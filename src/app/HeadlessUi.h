// The view and dialogs of a Korvel that runs without a display (the command line, benchmarks,
// offline rendering): nothing is shown, questions are answered No, messages go to a stream.
#pragma once

#include <ostream>

#include "platform/Dialogs.h"
#include "platform/View.h"

namespace korvel {

class NoView : public View {
 public:
  void BeatLamp(uint32_t) override {}
  void MeasureDisplay(const std::string&) override {}
  void ChordPanel(const std::string&) override {}
  void Title(const std::string&) override {}
  void TempoField(int) override {}
  void FocusKeyboard() override {}
};

class TextDialogs : public Dialogs {
 public:
  // Messages go to `out` (nothing is written when it is null).
  explicit TextDialogs(std::ostream* out) : out_(out) {}
  bool AskYesNo(const std::string& text) override {
    Write(text + " (answered No)");
    return false;
  }
  void InformUser(const std::string& text) override { Write(text); }
  std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
    return std::nullopt;  // files are named on the command line
  }
  std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::vector<std::string> OpenFilesDialog(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseFolder(const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ChooseColor(uint32_t) override { return std::nullopt; }
  std::optional<std::string> AskText(const std::string&, const std::string&,
                                     const std::string&) override {
    return std::nullopt;
  }
  void ShowText(const std::string&, const std::string& text) override { Write(text); }
  void ShowStatus(const std::string& text) override { Write(text); }
  void ReportError(const std::string& text) override { Write(text); }

 private:
  void Write(const std::string& text) {
    if (out_) *out_ << text << "\n";
  }
  std::ostream* out_;
};

}  // namespace korvel
