#include "app/SongList.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/Engine.h"
#include "app/PlayAlong.h"
#include "app/SoloMute.h"
#include "platform/AtomicFile.h"

namespace korvel {

namespace {

// "Delete "Autumn Waltz    ..." ?": the first 15 characters of a text, then three dots.
std::string Cut15(const std::string& text) {
  return text.substr(0, 15) + "...";
}

bool Valid(const std::vector<std::string>& lines, int index) {
  return index >= 0 && index < static_cast<int>(lines.size());
}

}  // namespace

SongList::SongList(Engine& engine, Dialogs& dialogs) : engine_(engine), dialogs_(dialogs) {}

std::string SongList::PlayCaption() const {
  return "Play " + std::to_string(Playlist.size());
}

std::string SongList::ListFolder() const {
  return FileName.empty() ? std::string() : std::filesystem::path(FileName).parent_path().string();
}

void SongList::Changed() {
  Modified = true;
  // Positions in the list moved: the playlist's numbers would name other songs.
  ClearPlaylist();
}

std::optional<std::string> SongList::BuildSongEntry(const std::string& title) {
  if (SongFile.empty()) return std::nullopt;
  const auto stored = StoredSongPath(SongFile, ListFolder());
  if (!stored) {
    dialogs_.InformUser("The path of " + std::filesystem::path(SongFile).filename().string() +
                        " is longer than 80 characters, also from the songlist's folder: move "
                        "the song or the songlist closer together.");
    return std::nullopt;
  }
  const Engine& e = engine_;
  SongEntry entry;
  entry.Title = title;
  entry.Path = *stored;
  entry.Channels = e.Notes.ChannelBoxes;
  entry.KeyboardMode = e.Transport.PlayChordsMode ? 1 : 0;
  entry.Chords = e.Input.Chords;
  entry.Instruments = e.Input.InstrumentSwitch;
  entry.HarmonicPad = e.Live.HarmonicPad;
  entry.MelodyAdLib = e.Input.MelodyAdLib;
  entry.SendChordCodes = e.Live.SendChordCodes;
  entry.SecondAdLib = e.Input.MelodyAdLib;
  entry.LiveChannel = e.Live.SelChannel;
  entry.Octave = e.Live.KeyboardOctave;
  entry.Semitones = e.Input.Transpose;
  entry.Instrument = std::max(e.Mixer.Selected, 0);
  for (size_t i = 0; i < entry.Mixer.size(); ++i) entry.Mixer[i] = e.Mixer.Bars[i];
  entry.KeySet = e.Mixer.Keys.SetString(e.Mixer.List.Size());
  entry.MinusOneChannel = e.Live.MinusOne ? e.Live.SelChannel + 1 : 0;
  return FormatSongEntry(entry);
}

std::string SongList::ApplySongEntry(const SongEntry& entry) {
  Engine& e = engine_;
  if (entry.Channels) {
    for (size_t c = 0; c < 16; ++c) SetChannelMute(e, static_cast<int>(c), (*entry.Channels)[c]);
  }
  if (entry.Instruments) e.Input.InstrumentSwitch = *entry.Instruments;
  if (entry.HarmonicPad && *entry.HarmonicPad != e.Live.HarmonicPad) {
    e.Live.HarmonicPad = *entry.HarmonicPad;
    e.Player.ChannelSoundOff(*e.Ports.PlayPort, e.Live.SelChannel);
  }
  if (const auto adLib = entry.MelodyAdLib ? entry.MelodyAdLib : entry.SecondAdLib)
    e.Input.MelodyAdLib = *adLib;
  if (entry.LiveChannel) e.Mixer.ChooseChannel(*entry.LiveChannel);
  if (entry.Octave) e.Live.KeyboardOctave = *entry.Octave;
  if (entry.Semitones) e.Input.Transpose = *entry.Semitones;
  // The mixer's moves below are the song's, not changes to the loaded style.
  if (entry.Instrument) e.Mixer.SelectInstrument(*entry.Instrument, false);
  for (size_t i = 0; i < entry.Mixer.size(); ++i) {
    if (entry.Mixer[i]) e.Mixer.MoveBar(static_cast<MixerBar>(i), *entry.Mixer[i], false);
  }
  if (entry.KeySet) e.Mixer.Keys.ApplyKeySet(*entry.KeySet, e.Mixer.List);
  if (entry.MinusOneChannel) {
    if (*entry.MinusOneChannel > 0) {
      ChoosePlayAlongChannel(e, *entry.MinusOneChannel - 1);
      // The song comes back as it was added, whatever plays: the two modes still exclude
      // each other.
      e.Live.ReplaceOne = false;
      e.Live.MinusOne = true;
    } else {
      SetMinusOne(e, false, false, false);
    }
  }
  return ResolveSongPath(entry.Path, ListFolder());
}

bool SongList::AddSong(int selected, const std::string& title) {
  if (SongFile.empty()) return false;
  if (!dialogs_.AskYesNo("Add \"" + title + "\" && Controller-Values to Songlist ?")) return false;
  const auto line = BuildSongEntry(title);
  if (!line) return false;
  const int at = Valid(Lines, selected) ? selected : 0;
  Lines.insert(Lines.begin() + at, *line);
  Changed();
  return true;
}

bool SongList::Edit(int selected, const std::string& title) {
  if (!Valid(Lines, selected)) return false;
  const std::string old = Lines[static_cast<size_t>(selected)];
  if (!dialogs_.AskYesNo("Replace \"" + Cut15(old) + "\" with \"" + Cut15(title) + "\" ?"))
    return false;
  const auto read = ParseSongEntry(old);
  std::string newTitle = title;
  if (dialogs_.AskYesNo("Keep old Songtitle ?"))
    newTitle = read ? read->Entry.Title : old.substr(0, kSongTitleColumns);
  // Without a song loaded since, the entry keeps its own file.
  const std::string current = SongFile;
  if (SongFile.empty() && read) SongFile = ResolveSongPath(read->Entry.Path, ListFolder());
  const auto line = BuildSongEntry(newTitle);
  SongFile = current;
  if (!line) return false;
  Lines[static_cast<size_t>(selected)] = *line;
  Changed();
  return true;
}

bool SongList::Delete(int selected) {
  if (!Valid(Lines, selected)) return false;
  if (!dialogs_.AskYesNo("Delete \"" + Cut15(Lines[static_cast<size_t>(selected)]) + "\" ?"))
    return false;
  Lines.erase(Lines.begin() + selected);
  Changed();
  return true;
}

bool SongList::Move(int from, int to) {
  if (!Valid(Lines, from) || !Valid(Lines, to) || from == to) return false;
  std::string line = std::move(Lines[static_cast<size_t>(from)]);
  Lines.erase(Lines.begin() + from);
  Lines.insert(Lines.begin() + to, std::move(line));
  Changed();
  return true;
}

bool SongList::New() {
  if (!Lines.empty() && !dialogs_.AskYesNo("Remove current songlist ?")) return false;
  if (!OfferToSave()) return false;
  Lines.clear();
  Changed();
  Modified = false;
  // The new list is not the old file: saving it asks for a name.
  FileName.clear();
  return true;
}

bool SongList::Load(const std::string& path) {
  std::string error;
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) {
    dialogs_.InformUser(error);
    return false;
  }
  const std::vector<std::string> lines = SongListLines(*bytes);
  if (!Lines.empty() && dialogs_.AskYesNo("Add Titles to Songlist ?")) {
    Lines.insert(Lines.end(), lines.begin(), lines.end());
    Modified = true;
    return true;
  }
  if (!OfferToSave()) return false;
  Lines = lines;
  FileName = path;
  ClearPlaylist();
  Modified = false;
  return true;
}

bool SongList::Save(const std::string& path, const std::vector<int>& selection) {
  std::vector<std::string> lines;
  if (selection.size() >= 2) {
    for (int index : selection)
      if (Valid(Lines, index)) lines.push_back(Lines[static_cast<size_t>(index)]);
  } else {
    lines = Lines;
  }
  try {
    WriteSongList(path, lines);
  } catch (const std::exception& error) {
    dialogs_.InformUser(error.what());
    return false;
  }
  if (lines.size() == Lines.size()) {
    FileName = path;
    Modified = false;
  } else if (path == FileName) {
    Modified = true;  // the list's own file now holds only the selection
  }
  return true;
}

bool SongList::OfferToSave() {
  if (!Modified || !dialogs_.AskYesNo("Save the changed songlist ?")) return true;
  std::string path = FileName;
  if (path.empty()) {
    const auto chosen = dialogs_.SaveFileDialog(
        {"Save selected Titles as Songlist ...", "Songlist (*.kvl)|*.kvl", "KVL", ListFolder()});
    if (!chosen) return false;
    path = *chosen;
  }
  return Save(path, {});
}

void SongList::AddToPlaylist(const std::vector<int>& selected) {
  if (!FilePlaylist.empty()) {
    FilePlaylist.clear();
    PlaylistPosition = -1;
  }
  if (selected.size() >= 2) {
    Playlist.clear();
    for (int index : selected) {
      if (Valid(Lines, index) && Playlist.size() < static_cast<size_t>(kPlaylistCapacity))
        Playlist.push_back(index);
    }
    PlaylistPosition = -1;
  } else if (selected.size() == 1 && Valid(Lines, selected[0]) &&
             Playlist.size() < static_cast<size_t>(kPlaylistCapacity)) {
    // Appended while the list plays, the song waits its turn.
    Playlist.push_back(selected[0]);
  }
}

void SongList::ClearPlaylist() {
  Playlist.clear();
  FilePlaylist.clear();
  PlaylistPosition = -1;
  PlayingList = false;
}

void SongList::PlayFiles(std::vector<std::string> files) {
  ClearPlaylist();
  if (files.size() > static_cast<size_t>(kPlaylistCapacity)) files.resize(kPlaylistCapacity);
  FilePlaylist = std::move(files);
  PlayingList = !FilePlaylist.empty();
}

std::optional<std::string> SongList::NextSong() {
  if (!FilePlaylist.empty()) {
    const int count = static_cast<int>(FilePlaylist.size());
    PlaylistPosition = (std::max(PlaylistPosition, -1) + 1) % count;
    return FilePlaylist[static_cast<size_t>(PlaylistPosition)];
  }
  while (PlaylistPosition + 1 < static_cast<int>(Playlist.size())) {
    const int index = Playlist[static_cast<size_t>(++PlaylistPosition)];
    if (!Valid(Lines, index)) continue;
    const auto read = ParseSongEntry(Lines[static_cast<size_t>(index)]);
    if (!read) continue;
    return ResolveSongPath(read->Entry.Path, ListFolder());
  }
  PlayingList = false;
  return std::nullopt;
}

void SongList::ApplyPlaying() {
  if (!FilePlaylist.empty() || PlaylistPosition < 0 ||
      PlaylistPosition >= static_cast<int>(Playlist.size()))
    return;
  const int index = Playlist[static_cast<size_t>(PlaylistPosition)];
  if (!Valid(Lines, index)) return;
  if (const auto read = ParseSongEntry(Lines[static_cast<size_t>(index)]))
    ApplySongEntry(read->Entry);
}

std::optional<std::string> SongList::PreviousSong() {
  const int count = static_cast<int>(FilePlaylist.size());
  if (count > 0) {
    PlaylistPosition = (PlaylistPosition - 1 + 2 * count) % count - 1;
    return NextSong();
  }
  PlaylistPosition = std::max(PlaylistPosition - 2, -1);
  return NextSong();
}

}  // namespace korvel
