// "Text Editor": a plain text window for notes, lyrics and set lists beside the music. Files are
// read whole and written atomically; unsaved text is never dropped without asking.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>
#include <string>

namespace korvel {

class Dialogs;

inline constexpr const char* kDropText = "Discard the changed text ?";

class TextEditor : public QMainWindow {
  Q_OBJECT

 public:
  explicit TextEditor(Dialogs& dialogs, QWidget* parent = nullptr);

  QPlainTextEdit* Text;
  QAction* NewItem;     // "&New"
  QAction* OpenItem;    // "&Open ..."
  QAction* SaveItem;    // "&Save"
  QAction* SaveAsItem;  // "Save &as ..."
  const std::string& FileName() const { return fileName_; }
  // Reads `path` in place of the text; false (told in words) when it cannot be read.
  bool Open(const std::string& path);
  // Writes the text to `path`; false (told in words) when it cannot be written.
  bool SaveTo(const std::string& path);

 private:
  // True when the text may be replaced: unchanged, or the musician lets it go.
  bool MayDrop();
  void ShowName();

  Dialogs& dialogs_;
  std::string fileName_;
};

}  // namespace korvel
