#include "app/Songs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/Engine.h"
#include "app/FileNames.h"

namespace korvel {

namespace {

const char* const kEmptyMessage = "Chordmemory is empty !";
const char* const kReplaceQuestion = "Replace current chords & melody ?";

FileDialogRequest SongDialog(const std::string& title, const std::string& folder) {
  return {title, "Arrangements (*.kva)|*.kva", "KVA", folder};
}

// "&Open ..." also takes MIDI files, which are imported as songs.
FileDialogRequest OpenDialog(const std::string& folder) {
  return {"Open arrangement ...",
          "Songs (*.kva; *.mid)|*.kva;*.mid|Arrangements (*.kva)|*.kva|MIDI files (*.mid)|*.mid",
          "KVA", folder};
}

}  // namespace

Songs::Songs(Engine& engine, Dialogs& dialogs, View& view)
    : engine_(engine), dialogs_(dialogs), view_(view) {}

std::vector<uint8_t> Songs::Image() const {
  try {
    return ArrangementBytes(Current());
  } catch (const ArrangementError&) {
    return {};  // a song the file cannot hold as it is: never taken for unchanged
  }
}

bool Songs::StopAndAsk() {
  SongTransport& song = engine_.Song;
  if (song.Running() || song.Paused()) song.Stop();
  if (song.Empty() && engine_.Melody.Empty()) return true;
  const std::vector<uint8_t> image = Image();
  if (!image.empty() && image == savedImage_) return true;
  return dialogs_.AskYesNo(kReplaceQuestion);
}

bool Songs::EditMemo(const std::string& text) {
  if (text.size() > kMemoLimit && text.size() > Memo.size()) return false;
  Memo = text;
  return true;
}

void Songs::MarkSaved() {
  savedImage_ = Image();
}

void Songs::Opened(const std::string& path) {
  MarkSaved();
  if (SongOpened) SongOpened(path);
}

bool Songs::LoadArrangement() {
  if (!StopAndAsk()) return false;
  const auto chosen = dialogs_.OpenFileDialog(OpenDialog(SongFolder));
  if (!chosen) return false;
  SongFolder = std::filesystem::path(*chosen).parent_path().string();
  if (EndsWithNoCase(*chosen, ".mid")) {
    if (!OpenMidiFile || !OpenMidiFile(*chosen)) return false;
    Opened(*chosen);
    return true;
  }
  return LoadArrangement(*chosen, false);
}

bool Songs::LoadArrangement(const std::string& path, bool ask) {
  if (ask && !StopAndAsk()) return false;
  if (!EndsWithNoCase(path, ".kva")) return false;
  Arrangement song;
  try {
    song = LoadArrangementFile(path);
  } catch (const ArrangementError& error) {
    dialogs_.InformUser(std::filesystem::path(path).filename().string() + ": " + error.what());
    return false;
  }
  SongTransport& transport = engine_.Song;
  if (transport.Running() || transport.Paused()) transport.Stop();  // the question let it go on
  FileName = path;
  Apply(song);
  Opened(path);
  return true;
}

SongOpening Songs::OpenSong(const std::string& path, const std::string& programDir) {
  std::error_code error;
  std::filesystem::path file(path);
  if (!std::filesystem::exists(file, error)) {
    const auto named = FindFileByName(path, (std::filesystem::path(programDir) / "SONGS").string());
    if (!named) {
      dialogs_.InformUser("File not found !");
      return SongOpening::Failed;
    }
    file = *named;
  }
  const bool midi = EndsWithNoCase(file.string(), ".mid");
  if (!midi && !EndsWithNoCase(file.string(), ".kva")) return SongOpening::Failed;
  if (!StopAndAsk()) return SongOpening::Declined;
  if (midi) {
    if (!OpenMidiFile || !OpenMidiFile(file.string())) return SongOpening::Failed;
    Opened(file.string());
    return SongOpening::Opened;
  }
  return LoadArrangement(file.string(), false) ? SongOpening::Opened : SongOpening::Failed;
}

bool Songs::LoadStartSong(const std::string& programDir) {
  const auto path =
      FindFileByName("demo3.kva", (std::filesystem::path(programDir) / "SONGS").string());
  return path && LoadArrangement(*path, true);
}

void Songs::Apply(const Arrangement& song) {
  SongTransport& transport = engine_.Song;
  transport.ClearChordMemory();  // empties the melody too
  transport.LoadSong(song.Chords.data(), static_cast<size_t>(song.SongEnd));
  if (!song.Melody.empty()) engine_.Melody.Load(song.Melody);
  Memo = song.Memo;
  Title = song.Title;
  Subtitle = song.Subtitle;
  Author = song.Author;
  Copyright = song.Copyright;
  ShowTitle();
  const bool styleLoaded = !song.StyleName.empty() && Autoload && LoadNamedStyle(song.StyleName);
  keptStyleName_ = styleLoaded ? "" : song.StyleName;
  styleInUseAtOpen_ = engine_.Style.StyleFileName;

  Transport& clock = engine_.Transport;
  if (!song.OldLayout) {
    clock.TempoEdit1Change(song.Tempo());
    // Without its style the song keeps its own metre.
    if (!styleLoaded) clock.ApplyStyleMetre(static_cast<int16_t>(song.MeasureSixteenths()));
    if (song.HasMelodyBlock && engine_.Ports.PlayPort->IsOpen()) {
      engine_.Input.SendLiveMessage(static_cast<uint8_t>(0xC0 | engine_.Live.SelChannel),
                                    static_cast<uint8_t>(song.MelodyProgram()), 0);
    }
  }
  transport.SetFirstMeasure(1);
  transport.SetLastMeasure(std::max(song.LastMeasure(), 1));
  transport.SetFirstMeasure(song.FirstMeasure());
  if (engine_.Input.MelodyAdLib && clock.StartMeasure >= 0) transport.SetStartMeasure(-4);
  view_.MeasureDisplay("1");
}

bool Songs::LoadNamedStyle(const std::string& storedName) {
  const auto found = FindFileByName(storedName, StyleFolder);
  if (!found) {
    dialogs_.InformUser("Style not found !");
    return false;
  }
  engine_.Style.StyleFileName = *found;
  engine_.Loader.LoadStyle(false);
  return engine_.Style.StyleLoaded && engine_.Style.StyleFileName == *found;
}

void Songs::ShowTitle() {
  Transport& clock = engine_.Transport;
  clock.WindowTitle = ApplicationTitle + " - " + UpperFileName(FileName);
  view_.Title(clock.WindowTitle);
}

Arrangement Songs::Current() const {
  const SongTransport& transport = engine_.Song;
  Arrangement song;
  std::copy_n(transport.Memory.Bytes.begin(), transport.SongEnd, song.Chords.begin());
  song.SongEnd = transport.SongEnd;
  const MelodyTrack& melody = engine_.Melody;
  song.Melody.assign(melody.Events().begin(), melody.Events().end());
  song.HasMelodyBlock = !song.Melody.empty();
  if (!keptStyleName_.empty() && engine_.Style.StyleFileName == styleInUseAtOpen_)
    song.StyleName = keptStyleName_;
  else if (engine_.Style.StyleLoaded)
    song.StyleName = engine_.Style.StyleFileName;
  song.Memo = Memo;
  song.Title = Title;
  song.Subtitle = Subtitle;
  song.Author = Author;
  song.Copyright = Copyright;
  const Transport& clock = engine_.Transport;
  // The program the melody channel was last sent.
  const uint8_t program =
      engine_.Sent.ChannelStateValue(melody.Channel & 0x0F, ChannelState::kProgramIndex);
  song.SetHeader(transport.FirstMeasure, clock.Tempo, clock.MeasureSixteenths,
                 program == ChannelState::kNone ? 0 : program & 0x7F);
  return song;
}

bool Songs::SaveArrangement(const std::string& path) {
  const SongTransport& transport = engine_.Song;
  // A paused take is not finished yet: its end mark comes with Stop.
  if (transport.Running() || transport.Paused()) return false;
  if (transport.Empty()) {
    dialogs_.InformUser(kEmptyMessage);
    return false;
  }
  try {
    SaveArrangementFile(path, Current());
  } catch (const std::exception& error) {
    dialogs_.InformUser(std::filesystem::path(path).filename().string() + ": " + error.what());
    return false;
  }
  FileName = path;
  MarkSaved();
  ShowTitle();
  return true;
}

bool Songs::Save() {
  if (FileName.empty()) return SaveAs();
  return SaveArrangement(FileName);
}

bool Songs::SaveAs() {
  if (engine_.Song.Running() || engine_.Song.Paused()) return false;
  if (engine_.Song.Empty()) {
    dialogs_.InformUser(kEmptyMessage);
    return false;
  }
  const auto chosen = dialogs_.SaveFileDialog(SongDialog("Save arrangement as ...", SongFolder));
  if (!chosen) return false;
  SongFolder = std::filesystem::path(*chosen).parent_path().string();
  return SaveArrangement(*chosen);
}

}  // namespace korvel
