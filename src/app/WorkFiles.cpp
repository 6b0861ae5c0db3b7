#include "app/WorkFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "platform/AtomicFile.h"
#include "stylegen/WorkFile.h"

namespace korvel {

std::string WorkFiles::StartFolder() const {
  return lastFolder_.empty() ? SongsFolder : lastFolder_;
}

void WorkFiles::Remember(const std::string& path) {
  lastFolder_ = std::filesystem::path(path).parent_path().string();
  Caption = UpperFileName(path) + "  -  " + BaseCaption;
}

bool WorkFiles::LoadWorkFile() {
  if (engine_.Player.Playing) return false;
  if ((!engine_.Generator.WorkEmpty() || !engine_.Song.Empty()) &&
      !dialogs_.AskYesNo("Replace current chords, song or style ?")) {
    return false;
  }
  const auto chosen =
      dialogs_.OpenFileDialog({"Load Work-File ...", kWorkFilter, "KVW", StartFolder()});
  // Only work files: any other file chosen is ignored.
  if (!chosen || !EndsWithNoCase(*chosen, ".kvw")) return false;
  std::string error;
  const auto bytes = ReadWholeFile(*chosen, error);
  if (!bytes) {
    dialogs_.InformUser(error);
    return false;
  }
  return TakeWorkFile(*chosen, *bytes);
}

bool WorkFiles::TakeWorkFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::string error;
  const auto contents = ParseWorkFile(bytes, error);
  if (!contents) {
    dialogs_.InformUser(error);
    return false;
  }
  Engine& e = engine_;
  StyleGenerator& gen = e.Generator;
  Style& style = e.Style;
  gen.ResetGeneratedStyle();
  e.Pads.ReleaseAll();
  e.Song.ClearChordMemory();
  gen.NewWork(std::nullopt);

  if (!contents->Chords.empty()) {
    e.Song.LoadSong(contents->Chords.data(), contents->Chords.size());
    e.Song.SongEnd = std::max<int>(contents->ChordLength, kFirstBeatPos);
  }
  if (contents->Channels) {
    style.Channels = *contents->Channels;
    e.Loader.ApplyChannelTable();
  }
  style.Channels.SetConverted(false);
  if (contents->Parts) style.Parts = *contents->Parts;
  TakeWorkMaterial(style.Work, *contents);
  style.StyleLength = style.Work.WorkLength;
  gen.StopPosition = style.Work.WorkLength;
  style.Work.BuildBeatIndex();
  style.StyleMode = false;
  // The generator holds a song now (its caption names the file), unless the work brings style
  // parts: then it holds a style that may be exported, tested and repaired.
  bool partSet = false;
  for (int part = 0; part < kStylePartCount; ++part) partSet |= !style.Parts.Part(part).Empty();
  style.SongLoaded = !gen.WorkEmpty() && !partSet;
  style.StyleLoaded = false;
  gen.SetupWorkRange();
  style.Work.RecorderPosition = 0;
  style.Work.KeepRestoreCopy();
  Remember(path);
  if (!contents->Cut.empty()) dialogs_.InformUser(contents->Cut);
  return true;
}

bool WorkFiles::SaveWorkAs() {
  if (engine_.Generator.WorkEmpty() && engine_.Song.Empty()) return false;
  const auto chosen =
      dialogs_.SaveFileDialog({"Save Work as ...", kWorkFilter, "KVW", StartFolder()});
  if (!chosen) return false;
  std::string path = *chosen;
  if (!EndsWithNoCase(path, ".kvw")) path += ".kvw";
  try {
    WriteWorkFile(path);
  } catch (const std::runtime_error& error) {
    dialogs_.InformUser(error.what());
    return false;
  }
  Remember(path);
  return true;
}

void WorkFiles::WriteWorkFile(const std::string& path) {
  const Engine& e = engine_;
  const WorkFileContents contents = CollectWork(e.Style.Work, e.Song.Memory.Bytes, e.Song.SongEnd,
                                                e.Style.Channels, e.Style.Parts);
  WriteFileAtomically(path, SerializeWorkFile(contents));
}

}  // namespace korvel
