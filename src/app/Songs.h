// Opening and saving arrangements: the commands "&Open ...", "Sa&ve" and "&Save as ...". A file
// is read and checked whole before the song in memory changes; a refused file changes nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/SongList.h"
#include "performance/ArrangementFile.h"

namespace korvel {

class Engine;
class Dialogs;
class View;

class Songs {
 public:
  Songs(Engine& engine, Dialogs& dialogs, View& view);

  std::string FileName;     // the song opened or saved last; "Sa&ve" writes there
  std::string SongFolder;   // where the dialogs start (configuration "Dir")
  std::string StyleFolder;  // where a song's style is looked for by its file name
  bool Autoload = true;     // "Autoload": a song's style loads with it
  std::string ApplicationTitle = "Korvel";
  // The song's texts: the comment memo and the four lines the file keeps after it.
  std::string Memo;
  std::string Title;
  std::string Subtitle;
  std::string Author;
  std::string Copyright;
  // The memo takes at most this many bytes by editing (a file may bring a longer one).
  static constexpr size_t kMemoLimit = 1000;
  // A MIDI file chosen with "&Open ..." goes to the MIDI import as a song; true when imported.
  std::function<bool(const std::string& path)> OpenMidiFile;
  // A song was opened (an arrangement or a MIDI file): the song list offers it.
  std::function<void(const std::string& path)> SongOpened;

  // "&Open ...": asks "Replace current chords & melody ?" over a changed song, then the open
  // dialog.
  bool LoadArrangement();
  // Opens `path`; `ask` puts the question first. True when the song was replaced.
  bool LoadArrangement(const std::string& path, bool ask);
  // A song of the song list or the file player: an arrangement, or a MIDI file imported as a
  // song, after the question "&Open ..." asks over a song. A file missing at `path` is looked
  // for by its name in the SONGS folder below `programDir`; "File not found !" when it is
  // nowhere. Other kinds of files are refused without a word.
  SongOpening OpenSong(const std::string& path, const std::string& programDir);
  // At start-up: SONGS/demo3.kva below `programDir`, when it is there.
  bool LoadStartSong(const std::string& programDir);
  // "Sa&ve": to the song's file, or as "&Save as ..." when it has none.
  bool Save();
  // "&Save as ...": the save dialog chooses the file.
  bool SaveAs();
  // Writes the song to `path`; nothing while the song runs, "Chordmemory is empty !" for none.
  bool SaveArrangement(const std::string& path);

  // The memo as the musician edits it. An edit that makes it longer than kMemoLimit is refused
  // (false, the memo stays); one that shortens a longer memo is taken.
  bool EditMemo(const std::string& text);

  // The song in memory as the file stores it.
  Arrangement Current() const;
  // Puts a read arrangement in place of the song: chords, melody, texts, header and style.
  void Apply(const Arrangement& song);

 private:
  // The style a song was opened with when it could not be loaded: the song keeps naming it
  // until another style is loaded, so saving it again does not lose it.
  std::string keptStyleName_;
  std::string styleInUseAtOpen_;
  // Asks before the song in memory is replaced, unless it is empty or unchanged since it was
  // opened or saved: stepping through a set list asks nothing that would lose nothing.
  bool StopAndAsk();
  void MarkSaved();
  void Opened(const std::string& path);
  std::vector<uint8_t> savedImage_;  // the song as last opened or saved
  // The song as the file would store it; empty when it cannot be stored as it is.
  std::vector<uint8_t> Image() const;
  // True when the style was found and loaded.
  bool LoadNamedStyle(const std::string& storedName);
  void ShowTitle();

  Engine& engine_;
  Dialogs& dialogs_;
  View& view_;
};

}  // namespace korvel
