#include "forms/TStyleManager.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <mutex>

#include "app/StyleBrowser.h"

namespace korvel {

TStyleManager::TStyleManager(Engine& engine, Dialogs& dialogs, std::string settingsFile,
                             std::string programDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool),
      engine_(engine),
      core_(engine, dialogs),
      settingsFile_(std::move(settingsFile)),
      programDir_(std::move(programDir)) {
  setObjectName("TStyleManager");
  setWindowTitle(kStyleManagerCaption);
  BuildLayout();
}

QPushButton* TStyleManager::Button(const QString& caption, const QString& hint,
                                   std::function<void()> action) {
  auto* button = new QPushButton(caption);
  button->setToolTip(hint);
  connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] { Act(action); });
  return button;
}

void TStyleManager::BuildLayout() {
  GroupTree = new QTreeWidget;
  GroupTree->setHeaderHidden(true);
  GroupTree->setToolTip("Choose a group");
  QTreeWidgetItem* genre = nullptr;
  int line = 1;
  for (const GroupLine& group : GroupOutline()) {
    auto* item = group.Child ? new QTreeWidgetItem(genre) : new QTreeWidgetItem(GroupTree);
    item->setText(0, QString::fromStdString(group.Name));
    item->setData(0, Qt::UserRole, line++);
    if (!group.Child) genre = item;
  }
  GroupList = new QListWidget;
  GroupList->setToolTip("Styles of the group: a right click plays or stops one");
  GroupList->setAcceptDrops(true);
  GroupList->viewport()->setAcceptDrops(true);
  SummaryPanel = new QLabel;
  SummaryPanel->setFrameShape(QFrame::Panel);
  SummaryPanel->setFrameShadow(QFrame::Sunken);
  Description = new QLineEdit;
  Description->setToolTip("Description of the style");

  FolderLabel = new QLabel;
  FolderList = new QListWidget;
  FolderList->setToolTip("Folders");
  PatternBox = new QComboBox;
  PatternBox->setEditable(true);
  PatternBox->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& item : StylePatternItems()) {
    PatternBox->addItem(QString::fromStdString(item));
  }
  FileList = new QListWidget;
  FileList->setToolTip("Style files: a right click plays or stops one, drag one to the group");
  FileCount = new QLabel;

  LoadButton = Button("Load", "Load the chosen style", [this] { core_.Load(); });
  PlayButton = Button("Play", "Play the chosen style's Basic part", [this] { core_.Play(); });
  StopButton = Button("Stop", "Stop playing", [this] { core_.Stop(); });
  AddButton = Button(" Add or Edit current Style ",
                     "Add the loaded style to the group, or edit its description",
                     [this] { core_.AddOrEdit(Description->text().toStdString()); });
  RemoveButton = Button(" Remove        ", "Remove the chosen style from the group",
                        [this] { core_.Remove(); });
  RemoveAllButton =
      Button("  Remove all ", "Remove every style from the group", [this] { core_.RemoveAll(); });

  connect(GroupTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    const int group = item->data(0, Qt::UserRole).toInt();
    Act([this, group] { core_.ChooseGroup(group); });
  });
  connect(GroupList, &QListWidget::currentRowChanged, this, [this](int row) {
    if (filling_ || row < 0) return;
    Act([this, row] { core_.SelectEntry(row); });
  });
  connect(GroupList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int row = GroupList->row(item);
    Act([this, row] {
      core_.SelectEntry(row);
      core_.Load();
    });
  });
  connect(FileList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (filling_ || !item) return;
    const std::string path = FilePath(item).toStdString();
    Act([this, path] { core_.SelectFile(path); });
  });
  connect(FileList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const std::string path = FilePath(item).toStdString();
    Act([this, path] {
      core_.SelectFile(path);
      core_.Load();
    });
  });
  connect(FolderList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    ShowFolder(QDir::cleanPath(QDir(folder_).filePath(item->text())));
  });
  connect(PatternBox, &QComboBox::activated, this,
          [this](int index) { ApplyPattern(PatternBox->itemText(index)); });
  connect(PatternBox->lineEdit(), &QLineEdit::returnPressed, this,
          [this] { ApplyPattern(PatternBox->currentText()); });

  for (QWidget* watched : {static_cast<QWidget*>(GroupList), GroupList->viewport(),
                           static_cast<QWidget*>(FileList), FileList->viewport()}) {
    watched->installEventFilter(this);
  }

  auto* groups = new QVBoxLayout;
  groups->addWidget(GroupTree, 2);
  groups->addWidget(GroupList, 3);
  groups->addWidget(SummaryPanel);
  groups->addWidget(Description);
  auto* groupButtons = new QHBoxLayout;
  groupButtons->addWidget(AddButton);
  groupButtons->addWidget(RemoveButton);
  groupButtons->addWidget(RemoveAllButton);
  groups->addLayout(groupButtons);

  auto* browser = new QVBoxLayout;
  browser->addWidget(FolderLabel);
  browser->addWidget(FolderList, 1);
  browser->addWidget(PatternBox);
  browser->addWidget(FileList, 2);
  auto* fileButtons = new QHBoxLayout;
  fileButtons->addWidget(FileCount);
  fileButtons->addWidget(LoadButton);
  fileButtons->addWidget(PlayButton);
  fileButtons->addWidget(StopButton);
  browser->addLayout(fileButtons);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(groups, 3);
  layout->addLayout(browser, 2);
  resize(720, 460);
}

void TStyleManager::PlaceOnScreen() {
  const QWidget* generator = nullptr;
  const QWidget* main = nullptr;
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == "TGen") generator = window;
    if (window->objectName() == "TForm1") main = window;
  }
  if (!generator || !main) return;
  move(main->frameGeometry().center().x() - frameGeometry().width() / 2,
       generator->frameGeometry().top());
}

void TStyleManager::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  PlaceOnScreen();
  if (core_.Opened()) return;
  std::string folder;
  {
    std::lock_guard lock(engine_.Lock);
    core_.Open(settingsFile_);
    folder = BrowserStartFolder(engine_.Loader.Settings.StyleFolder, programDir_);
  }
  ShowFolder(QString::fromStdString(folder));
  filling_ = true;
  GroupTree->setCurrentItem(GroupTree->topLevelItem(0));
  filling_ = false;
  Refresh();
}

void TStyleManager::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  Refresh();
}

void TStyleManager::Refresh() {
  const bool takes = TakesEntries(core_.Group());
  filling_ = true;
  GroupList->clear();
  for (const std::string& entry : core_.Entries())
    GroupList->addItem(QString::fromStdString(entry));
  GroupList->setCurrentRow(core_.Selected());
  filling_ = false;
  const GroupEntryParts parts = core_.SelectedParts();
  SummaryPanel->setText(QString::fromStdString(parts.Summary));
  // A description being typed stays until another entry is chosen.
  const std::string entry =
      core_.Selected() >= 0 ? core_.Entries()[static_cast<size_t>(core_.Selected())] : "";
  if (entry != shownEntry_) {
    shownEntry_ = entry;
    Description->setText(QString::fromStdString(parts.Description));
  }
  AddButton->setEnabled(takes);
  RemoveButton->setEnabled(takes);
  RemoveAllButton->setEnabled(takes);
}

void TStyleManager::ShowFolder(const QString& folder) {
  folder_ = folder;
  FolderLabel->setText(folder);
  FolderList->clear();
  FolderList->addItem("..");
  for (const std::string& name : ListFolders(folder.toStdString())) {
    FolderList->addItem(QString::fromStdString(name));
  }
  FillFiles();
}

void TStyleManager::ApplyPattern(const QString& typed) {
  pattern_ = QString::fromStdString(StylePattern(typed.toStdString()));
  PatternBox->setEditText(pattern_);
  FillFiles();
}

void TStyleManager::FillFiles() {
  filling_ = true;
  FileList->clear();
  for (const std::string& name : ListStyleFiles(folder_.toStdString(), pattern_.toStdString())) {
    FileList->addItem(QString::fromStdString(name));
  }
  filling_ = false;
  const QString n = QString::number(FileList->count());
  PatternBox->setToolTip("Currently listed: " + n +
                         " files; Press \"Enter\" (you may use * and ?)");
  FileCount->setText(n + " files");
}

QString TStyleManager::FilePath(const QListWidgetItem* item) const {
  return QDir(folder_).filePath(item->text());
}

void TStyleManager::DropOnGroupList(const QString& path) {
  const std::string file = path.toStdString();
  const std::string description = Description->text().toStdString();
  Act([this, file, description] { core_.DropFile(file, description); });
}

bool TStyleManager::Playing() {
  std::lock_guard lock(engine_.Lock);
  return engine_.Player.Playing;
}

bool TStyleManager::eventFilter(QObject* watched, QEvent* event) {
  const bool groupSide = watched == GroupList || watched == GroupList->viewport();
  switch (event->type()) {
    case QEvent::KeyPress:
      // Keys in the lists would move the choice under the playing style.
      return Playing();
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      QListWidget* list = groupSide ? GroupList : FileList;
      QListWidgetItem* item = list->itemAt(mouse->position().toPoint());
      if (mouse->button() == Qt::LeftButton) {
        dragStart_ = mouse->position().toPoint();
        return false;
      }
      if (mouse->button() != Qt::RightButton || !item) return false;
      filling_ = true;
      list->setCurrentItem(item);
      filling_ = false;
      if (groupSide) {
        const int row = GroupList->row(item);
        Act([this, row] { core_.AuditionEntry(row); });
      } else {
        const std::string path = FilePath(item).toStdString();
        Act([this, path] { core_.AuditionFile(path); });
      }
      return true;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (groupSide || !(mouse->buttons() & Qt::LeftButton)) return false;
      if ((mouse->position().toPoint() - dragStart_).manhattanLength() <
          QApplication::startDragDistance()) {
        return false;
      }
      QListWidgetItem* item = FileList->itemAt(dragStart_);
      if (!item) return false;
      auto* mime = new QMimeData;
      mime->setUrls({QUrl::fromLocalFile(FilePath(item))});
      auto* drag = new QDrag(FileList);
      drag->setMimeData(mime);
      drag->exec(Qt::CopyAction);
      return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!groupSide || !drag->mimeData()->hasUrls()) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!groupSide || !drop->mimeData()->hasUrls()) return false;
      drop->acceptProposedAction();
      const QList<QUrl> urls = drop->mimeData()->urls();
      if (!urls.isEmpty()) DropOnGroupList(urls.first().toLocalFile());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace korvel
