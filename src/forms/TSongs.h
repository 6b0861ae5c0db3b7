// "Songlist": the songs of a set with the settings each is played with, the playlist, and the
// list files. The controls call the song list core under the engine lock.
#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "app/SongList.h"

namespace korvel {

class TSongs : public QWidget {
  Q_OBJECT

 public:
  // The list file in use is kept in `settings` ("SongL").
  TSongs(Engine& engine, Dialogs& dialogs, Configuration& settings, QWidget* parent = nullptr);

  SongList List;  // under the engine lock
  // The file player opens a song the list chose; its settings are applied once it is open.
  // Failed when it could not be opened (the musician has been told why).
  std::function<SongOpening(const std::string& path)> OpenSong;
  // The play button starts the playlist: with `several` songs the player plays each once; the
  // guide speaks either way.
  std::function<void(bool several)> PlaylistStarts;

  // Loads the list file of the settings ("SongL") at start-up; a missing file gives an empty
  // list.
  void LoadStartList();
  // A song was loaded: the window offers it for the list (title box, "Add"), now or when it
  // is shown next.
  void SongLoaded(const std::string& path);
  // "Load" of the list file `path` (a changed list is offered for saving first).
  void OpenList(const std::string& path);
  // Shows the core's list, caption and playlist again.
  void Refresh();
  // The play button: the playlist, or the selected song alone.
  void PlayList();
  // The next or previous song of the playlist goes to OpenSong. A song that cannot be opened
  // is passed over, once round the playlist at most; the musician's No ends the playlist.
  void OpenNext();
  void OpenPrevious();
  // A song ended by itself: the next song of the playlist while the list plays.
  void SongEnded();

  QLineEdit* Title;  // the song's title for the list
  QListWidget* Songs;
  QPushButton* Add;  // "Add File && Configuration to Songlist"
  QPushButton* Delete;
  QPushButton* Edit;
  QPushButton* New;
  QPushButton* Load;
  QPushButton* Save;
  QPushButton* AddToPlaylist;  // "Add selected titles to playlist"
  QPushButton* Play;           // "Play " and the playlist's length

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  int Selected() const;
  std::vector<int> SelectedRows() const;
  // Runs `action` on the core under the engine lock, then shows the list again.
  void Act(const std::function<void()>& action);
  void Offer();

  Engine& engine_;
  Dialogs& dialogs_;
  Configuration& settings_;
  bool offered_ = true;  // the last loaded song was offered for the list
  bool shownBefore_ = false;
};

}  // namespace korvel
