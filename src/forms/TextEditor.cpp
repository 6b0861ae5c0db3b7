#include "forms/TextEditor.h"

#include <QMenuBar>
#include <QStatusBar>
#include <stdexcept>

#include "forms/MenuItem.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"

namespace korvel {

namespace {

constexpr const char* kTextFilter = "Text files (*.txt)|*.txt|All files (*)|*";

}  // namespace

TextEditor::TextEditor(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), Text(new QPlainTextEdit), dialogs_(dialogs) {
  setObjectName("TextEditor");
  setWindowTitle("Text Editor");
  setCentralWidget(Text);
  resize(520, 420);
  QMenu* file = menuBar()->addMenu("&File");
  NewItem = MakeItem(file->addAction("&New"), "Start an empty text", this, [this] {
    if (!MayDrop()) return;
    Text->clear();
    fileName_.clear();
    Text->document()->setModified(false);
    ShowName();
  });
  OpenItem = MakeItem(file->addAction("&Open ..."), "Open a text file", this, [this] {
    if (!MayDrop()) return;
    if (const auto path = dialogs_.OpenFileDialog({"Open text ...", kTextFilter, "TXT", fileName_}))
      Open(*path);
  });
  SaveItem = MakeItem(file->addAction("&Save"), "Save the text", this, [this] {
    if (fileName_.empty()) return SaveAsItem->trigger();
    SaveTo(fileName_);
  });
  SaveAsItem =
      MakeItem(file->addAction("Save &as ..."), "Save the text in a file you choose", this, [this] {
        if (const auto path =
                dialogs_.SaveFileDialog({"Save text as ...", kTextFilter, "TXT", fileName_}))
          SaveTo(*path);
      });
  ShowName();
}

bool TextEditor::Open(const std::string& path) {
  std::string error;
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) {
    dialogs_.InformUser(error);
    return false;
  }
  Text->setPlainText(QString::fromUtf8(reinterpret_cast<const char*>(bytes->data()),
                                       static_cast<qsizetype>(bytes->size())));
  Text->document()->setModified(false);
  fileName_ = path;
  ShowName();
  return true;
}

bool TextEditor::SaveTo(const std::string& path) {
  const QByteArray text = Text->toPlainText().toUtf8();
  try {
    WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(text.constData()),
                                        static_cast<size_t>(text.size())));
  } catch (const std::runtime_error& failure) {
    dialogs_.InformUser(failure.what());
    return false;
  }
  Text->document()->setModified(false);
  fileName_ = path;
  ShowName();
  return true;
}

bool TextEditor::MayDrop() {
  return !Text->document()->isModified() || dialogs_.AskYesNo(kDropText);
}

void TextEditor::ShowName() {
  statusBar()->showMessage(fileName_.empty() ? QString("(new text)")
                                             : QString::fromStdString(fileName_));
}

}  // namespace korvel
