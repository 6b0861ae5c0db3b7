// How the core asks the user something or tells them something. The Qt front end shows message
// boxes (releasing the engine lock while one is open), the command line prints, tests answer
// from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

struct FileDialogRequest {
  std::string Title;             // "Open style ..."
  std::string Filter;            // "Styles (*.kvs)|*.kvs"
  std::string DefaultExtension;  // "KVS"
  std::string Folder;            // where the dialog starts
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A question with Yes and No, the application title as caption; true on Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // An information box the user acknowledges.
  virtual void InformUser(const std::string& text) = 0;
  // The chosen file's path, or nothing when the user cancels.
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  // The path to save to (the dialog asks before an existing file is replaced), or nothing
  // when the user cancels.
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  // The chosen files (several may be picked), or an empty list when the user cancels.
  virtual std::vector<std::string> OpenFilesDialog(const FileDialogRequest& request) = 0;
  // A folder, which the user may create in the dialog; nothing when the user cancels.
  // Only the request's title and folder are used.
  virtual std::optional<std::string> ChooseFolder(const FileDialogRequest& request) = 0;
  // A colour (0xRRGGBB) chosen starting from `rgb`; nothing when the user cancels.
  virtual std::optional<uint32_t> ChooseColor(uint32_t rgb) = 0;
  // A line of text the user types, starting from `value`; nothing when the user cancels.
  virtual std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                             const std::string& value) = 0;
  // A window of read-only text (a listing) under `title`, which the user closes.
  virtual void ShowText(const std::string& title, const std::string& text) = 0;
  // A short note in the status line that needs no answer; may be called from any thread.
  virtual void ShowStatus(const std::string& text) = 0;
  // An error that ended the work of the clock or an input thread, which goes on: shown in
  // words as an error that reaches the event loop is. May be called from any thread, also with
  // the engine lock held, and never waits for the user.
  virtual void ReportError(const std::string& text) = 0;
};

}  // namespace korvel
