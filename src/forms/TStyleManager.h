// "Style-Manager": a small floating window to browse the style folder, audition styles with a
// right click and keep them in groups of the fixed genre outline, each entry with a summary
// and a description. The controls call the core's style manager under the engine lock.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPoint>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <string>

#include "app/Engine.h"
#include "app/StyleManager.h"

namespace korvel {

class TStyleManager : public QWidget {
  Q_OBJECT

 public:
  // The group file lies beside `settingsFile`; the browser falls back to `programDir` when the
  // style folder does not exist.
  TStyleManager(Engine& engine, Dialogs& dialogs, std::string settingsFile, std::string programDir,
                QWidget* parent = nullptr);

  // The browser shows `folder`: its folders and the style files the pattern lists.
  void ShowFolder(const QString& folder);
  // The pattern box's Enter or item: "*" is appended unless it ends in one.
  void ApplyPattern(const QString& typed);
  // A style file dropped on the group list.
  void DropOnGroupList(const QString& path);
  QString Folder() const { return folder_; }

  QTreeWidget* GroupTree;        // the outline of groups
  QListWidget* GroupList;        // the chosen group's entries
  QLabel* SummaryPanel;          // "Met: ...  Beat: ...  Tracks: ..." of the chosen entry
  QLineEdit* Description;        // the chosen entry's description, or one to add
  QLabel* FolderLabel;           // the folder shown
  QListWidget* FolderList;       // ".." and the folders inside
  QComboBox* PatternBox;         // the file mask
  QListWidget* FileList;         // the style files the mask lists
  QLabel* FileCount;             // n + " files"
  QPushButton* LoadButton;       // "Load"
  QPushButton* PlayButton;       // "Play"
  QPushButton* StopButton;       // "Stop"
  QPushButton* AddButton;        // " Add or Edit current Style "
  QPushButton* RemoveButton;     // " Remove        "
  QPushButton* RemoveAllButton;  // "  Remove all "

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs `action` under the engine lock, then shows the group again.
  void Act(const std::function<void()>& action);
  // The group list, its selection, summary and description as the core has them.
  void Refresh();
  void FillFiles();
  QString FilePath(const QListWidgetItem* item) const;
  QPushButton* Button(const QString& caption, const QString& hint, std::function<void()> action);
  void BuildLayout();
  bool Playing();
  // At the generator window's top, centred on the main window.
  void PlaceOnScreen();

  Engine& engine_;
  StyleManager core_;
  std::string settingsFile_;
  std::string programDir_;
  QString folder_;
  QString pattern_ = "*";
  QPoint dragStart_;
  std::string shownEntry_;  // the entry whose description the field shows
  bool filling_ = false;
};

}  // namespace korvel
