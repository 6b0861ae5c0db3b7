// The song list for live performance: songs (arrangements or MIDI files) with the settings each
// is played with, kept in .KVL files, and the playlist that plays chosen songs one after
// another. The song list window binds its controls to this and calls it under the engine lock.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/SongListFile.h"

namespace korvel {

class Engine;
class Dialogs;

inline constexpr int kPlaylistCapacity = 100;

// How opening a song went: a song that cannot be opened is passed over in a playlist; the
// musician's No to replacing the song in memory ends the playlist.
enum class SongOpening { Opened, Failed, Declined };

class SongList {
 public:
  SongList(Engine& engine, Dialogs& dialogs);

  std::vector<std::string> Lines;  // the entries, in list order
  std::string FileName;            // the list file in use ("SongL")
  bool Modified = false;           // changed since loaded or saved
  // The playlist: list positions (0-based) in playing order, and the one playing (-1 before
  // the first).
  std::vector<int> Playlist;
  int PlaylistPosition = -1;
  bool PlayingList = false;  // the playlist plays one song after the other
  // Files chosen together in the file player's open dialog: while there are any, they are the
  // playlist instead of list entries, and it wraps to the first after the last.
  std::vector<std::string> FilePlaylist;
  // The song loaded last (arrangement or MIDI file), which "Add" puts into the list.
  std::string SongFile;

  // The caption of the play button: "Play " and the playlist's length.
  std::string PlayCaption() const;

  // The entry line for the current song with the current settings; nothing (the musician is
  // told) when there is no song or its path does not fit the line even beside the list.
  std::optional<std::string> BuildSongEntry(const std::string& title);
  // Puts an entry's settings in place (a damaged setting stays as it is) and returns the song
  // file it names.
  std::string ApplySongEntry(const SongEntry& entry);

  // "Add File && Configuration to Songlist": before the selected entry (the first when none).
  bool AddSong(int selected, const std::string& title);
  // "Edit": the selected entry takes the current settings (and the current song, if any).
  bool Edit(int selected, const std::string& title);
  bool Delete(int selected);
  // Moves an entry to another's place (dragging).
  bool Move(int from, int to);
  // "New": an empty list, after asking.
  bool New();
  // "Load": replaces the list, or appends its titles when the musician says so (the playlist
  // plays on: its songs keep their places).
  bool Load(const std::string& path);
  // "Save": the whole list, or the selected entries, atomically.
  bool Save(const std::string& path, const std::vector<int>& selection);
  // Before a changed list is replaced or the program ends: offers to save it. False when the
  // save failed (the list stays).
  bool OfferToSave();

  // "Add selected titles to playlist" and a click in the list.
  void AddToPlaylist(const std::vector<int>& selected);
  void ClearPlaylist();
  // Files chosen together become the playlist and play one after the other (at most
  // kPlaylistCapacity of them).
  void PlayFiles(std::vector<std::string> files);
  // The next song of the playlist: the file to open, or nothing at the end of the playlist
  // (an entry that no longer reads is skipped).
  std::optional<std::string> NextSong();
  // Once the song is open: the settings of the list entry playing. They come after what the
  // song brings itself (its style's instruments and mixer, a MIDI file's live channel).
  void ApplyPlaying();
  // "Prev": the song before the one playing (the first one again at the start).
  // With a file playlist both wrap around it.
  std::optional<std::string> PreviousSong();

 private:
  std::string ListFolder() const;
  void Changed();

  Engine& engine_;
  Dialogs& dialogs_;
};

}  // namespace korvel
