#include "forms/TSongs.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <filesystem>
#include <mutex>

#include "app/FileNames.h"

namespace korvel {

namespace {

const char* const kCaption = "Songlist";

// A list line shows its title and its song file's name; a line that is no song says why.
QString LineText(const std::string& line) {
  std::string why;
  const auto read = ParseSongEntry(line, &why);
  if (!read)
    return QString::fromStdString(line).trimmed() +
           "   [not a song: " + QString::fromStdString(why) + "]";
  const std::string file = StoredFileName(read->Entry.Path);
  return QString::fromStdString(read->Entry.Title) + "   (" + QString::fromStdString(file) + ")";
}

}  // namespace

TSongs::TSongs(Engine& engine, Dialogs& dialogs, Configuration& settings, QWidget* parent)
    : QWidget(parent, Qt::Window),
      List(engine, dialogs),
      Title(new QLineEdit),
      Songs(new QListWidget),
      Add(new QPushButton("Add File && Configuration to Songlist")),
      Delete(new QPushButton("Delete")),
      Edit(new QPushButton("Edit")),
      New(new QPushButton("New")),
      Load(new QPushButton("Load")),
      Save(new QPushButton("Save")),
      AddToPlaylist(new QPushButton("Add selected titles to playlist")),
      Play(new QPushButton("Play 0")),
      engine_(engine),
      dialogs_(dialogs),
      settings_(settings) {
  setObjectName("TSongs");
  setWindowTitle(kCaption);
  Title->setMaxLength(kSongTitleColumns);
  Title->setToolTip("The song's title in the list");
  Songs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Songs->setDragDropMode(QAbstractItemView::InternalMove);
  Songs->setToolTip("Click: add to the playlist; double click: play this song; drag to move");
  Add->setEnabled(false);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Title);
  column->addWidget(Songs);
  auto* buttons = new QGridLayout;
  buttons->addWidget(Add, 0, 0, 1, 2);
  buttons->addWidget(AddToPlaylist, 0, 2, 1, 2);
  buttons->addWidget(Edit, 1, 0);
  buttons->addWidget(Delete, 1, 1);
  buttons->addWidget(New, 1, 2);
  buttons->addWidget(Play, 1, 3);
  buttons->addWidget(Load, 2, 0);
  buttons->addWidget(Save, 2, 1);
  column->addLayout(buttons);

  connect(Add, &QPushButton::clicked, this, [this] {
    Act([this] {
      if (List.AddSong(Selected(), Title->text().toStdString())) Add->setEnabled(false);
    });
  });
  connect(Edit, &QPushButton::clicked, this,
          [this] { Act([this] { List.Edit(Selected(), Title->text().toStdString()); }); });
  connect(Delete, &QPushButton::clicked, this,
          [this] { Act([this] { List.Delete(Selected()); }); });
  connect(New, &QPushButton::clicked, this, [this] { Act([this] { List.New(); }); });
  connect(Load, &QPushButton::clicked, this, [this] {
    const std::string folder = std::filesystem::path(List.FileName).parent_path().string();
    const auto chosen =
        dialogs_.OpenFileDialog({"Open Songlist ...", "Songlist (*.kvl)|*.kvl", "KVL", folder});
    if (chosen) OpenList(*chosen);
  });
  connect(Save, &QPushButton::clicked, this, [this] {
    {
      std::lock_guard lock(engine_.Lock);
      if (engine_.Song.Running() || engine_.Song.Paused()) engine_.Song.Stop();
    }
    const std::string folder = std::filesystem::path(List.FileName).parent_path().string();
    const auto chosen = dialogs_.SaveFileDialog(
        {"Save selected Titles as Songlist ...", "Songlist (*.kvl)|*.kvl", "KVL", folder});
    if (chosen) Act([this, &chosen] { List.Save(*chosen, SelectedRows()); });
  });
  connect(AddToPlaylist, &QPushButton::clicked, this,
          [this] { Act([this] { List.AddToPlaylist(SelectedRows()); }); });
  connect(Songs, &QListWidget::itemClicked, this,
          [this] { Act([this] { List.AddToPlaylist(SelectedRows()); }); });
  connect(Songs, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    Act([this, row = Songs->row(item)] {
      List.ClearPlaylist();
      List.AddToPlaylist({row});
    });
    PlayList();
  });
  connect(Play, &QPushButton::clicked, this, &TSongs::PlayList);
  connect(Songs->model(), &QAbstractItemModel::rowsMoved, this,
          [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
            // Qt names the row before which the entry lands. The list shows the core's order
            // again once the view has finished the drop.
            {
              std::lock_guard lock(engine_.Lock);
              List.Move(start, row > start ? row - 1 : row);
            }
            QMetaObject::invokeMethod(this, &TSongs::Refresh, Qt::QueuedConnection);
          });
}

void TSongs::OpenList(const std::string& path) {
  Act([this, &path] { List.Load(path); });
}

void TSongs::LoadStartList() {
  {
    std::lock_guard lock(engine_.Lock);
    const std::string path = settings_.Text("SongL");
    List.FileName = path;
    if (std::filesystem::exists(path)) List.Load(path);
  }
  Refresh();
  if (Songs->count() > 0) Songs->setCurrentRow(0);
}

void TSongs::SongLoaded(const std::string& path) {
  List.SongFile = path;
  offered_ = false;
  if (isVisible()) Offer();
}

void TSongs::Offer() {
  if (offered_) return;
  Title->setText(QFileInfo(QString::fromStdString(List.SongFile)).completeBaseName());
  Add->setEnabled(true);
  offered_ = true;
}

int TSongs::Selected() const {
  return Songs->currentRow();
}

std::vector<int> TSongs::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Songs->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TSongs::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  settings_.Set("SongL", List.FileName);
  Refresh();
}

void TSongs::Refresh() {
  std::lock_guard lock(engine_.Lock);
  // The items change in place, so the musician's selection stays; only a list of another
  // length is built again.
  const auto count = static_cast<int>(List.Lines.size());
  if (Songs->count() != count) {
    const int current = Songs->currentRow();
    Songs->clear();
    for (const std::string& line : List.Lines) Songs->addItem(LineText(line));
    if (current >= 0 && current < count) Songs->setCurrentRow(current);
  } else {
    for (int row = 0; row < count; ++row)
      Songs->item(row)->setText(LineText(List.Lines[static_cast<size_t>(row)]));
  }
  const std::string file = std::filesystem::path(List.FileName).filename().string();
  setWindowTitle(file.empty() ? kCaption
                              : QString(kCaption) + " - " + QString::fromStdString(file).toUpper());
  Play->setText(QString::fromStdString(List.PlayCaption()));
  const bool any = !List.Lines.empty();
  for (QPushButton* button : {Delete, Edit, Save, AddToPlaylist, Play}) button->setEnabled(any);
}

void TSongs::PlayList() {
  {
    std::lock_guard lock(engine_.Lock);
    if (List.Lines.empty()) return;
    if (List.Playlist.empty() && Selected() >= 0) List.AddToPlaylist({Selected()});
    List.PlayingList = List.Playlist.size() > 1;
    List.PlaylistPosition = -1;
  }
  if (PlaylistStarts) PlaylistStarts(List.PlayingList);
  OpenNext();
  Refresh();
}

void TSongs::OpenNext() {
  size_t songs = 1;
  {
    std::lock_guard lock(engine_.Lock);
    songs = std::max({List.Playlist.size(), List.FilePlaylist.size(), size_t{1}});
  }
  for (size_t tried = 0; tried < songs; ++tried) {
    std::optional<std::string> next;
    {
      std::lock_guard lock(engine_.Lock);
      next = List.NextSong();
    }
    if (!next || !OpenSong) return;
    const SongOpening opening = OpenSong(*next);
    std::lock_guard lock(engine_.Lock);
    if (opening == SongOpening::Opened) return List.ApplyPlaying();
    if (opening == SongOpening::Declined) break;
  }
  std::lock_guard lock(engine_.Lock);
  List.PlayingList = false;
}

void TSongs::SongEnded() {
  {
    std::lock_guard lock(engine_.Lock);
    if (!List.PlayingList) return;
  }
  OpenNext();
}

void TSongs::OpenPrevious() {
  std::optional<std::string> previous;
  {
    std::lock_guard lock(engine_.Lock);
    previous = List.PreviousSong();
  }
  if (!previous || !OpenSong || OpenSong(*previous) != SongOpening::Opened) return;
  std::lock_guard lock(engine_.Lock);
  List.ApplyPlaying();
}

void TSongs::showEvent(QShowEvent* event) {
  if (!shownBefore_) {
    std::lock_guard lock(engine_.Lock);
    // Files chosen together in the file player are not the list's: they play on.
    if (List.FilePlaylist.empty()) List.ClearPlaylist();
    shownBefore_ = true;
  }
  Offer();
  Refresh();
  QWidget::showEvent(event);
}

void TSongs::closeEvent(QCloseEvent* event) {
  bool kept;
  {
    std::lock_guard lock(engine_.Lock);
    kept = List.OfferToSave();
  }
  settings_.Set("SongL", List.FileName);  // it may have been saved under a new name
  if (!kept) event->ignore();
}

}  // namespace korvel
