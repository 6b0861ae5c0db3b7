#include "app/StyleExportCommands.h"

#include <filesystem>
#include <memory>
#include <stdexcept>

#include <unistd.h>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "app/GeneratorCommands.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/Render.h"
#include "app/StyleExportPlay.h"
#include "engine/StyleFile.h"

namespace korvel {

namespace {

// The generated style as it stands, in a file the render engine can load.
class ScratchStyle {
 public:
  explicit ScratchStyle(Engine& engine)
      : path_((std::filesystem::temp_directory_path() /
               ("korvel-export-" + std::to_string(getpid()) + ".kvs"))
                  .string()) {
    Style& style = engine.Style;
    WriteStyleFile(path_, style.Channels, style.Parts, GeneratedStyleMaterial(style));
  }
  ~ScratchStyle() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ScratchStyle(const ScratchStyle&) = delete;
  ScratchStyle& operator=(const ScratchStyle&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::optional<StyleArrangement> ExportGeneratedStyle(Engine& engine, Dialogs& dialogs, int part,
                                                     const std::string& midiPath) {
  if (engine.Generator.WorkEmpty() || engine.Style.SongLoaded) return std::nullopt;
  auto built = std::make_shared<std::optional<StyleArrangement>>();
  NoView view;  // the render engine shows nothing
  try {
    const ScratchStyle scratch(engine);
    const RenderResult result = RenderToMidiFile(
        StyleArrangementStart(scratch.Path(), part, engine.Generator.PlayIntro, built, dialogs),
        midiPath, dialogs, view, true);
    if (!result.Played) return std::nullopt;
  } catch (const std::runtime_error& error) {
    dialogs.InformUser(error.what());
    return std::nullopt;
  }
  return *built;
}

int ExportStyleSet(Engine& engine, Dialogs& dialogs, int setNumber, const std::string& folder) {
  int written = 0;
  for (int part = 0; part < kStylePartCount; ++part) {
    if (engine.Style.Parts.Part(part).Empty()) continue;
    const std::string path = StylePartFileName(folder, setNumber, engine.Style.Parts, part);
    if (ExportGeneratedStyle(engine, dialogs, part, path)) ++written;
  }
  return written;
}

bool SaveStyleAsMidi(Engine& engine, Dialogs& dialogs, int part, const std::string& folder) {
  if (engine.Generator.WorkEmpty() || engine.Style.SongLoaded) return false;
  std::string start = folder;
  if (part != kFullStyleExport) {
    start = (std::filesystem::path(folder) / StylePartFileName("", 1, engine.Style.Parts, part))
                .string();
  }
  const auto chosen =
      dialogs.SaveFileDialog({"&Export MIDI ...", "MIDI files (*.mid)|*.mid", "MID", start});
  if (!chosen) return false;
  std::string path = *chosen;
  if (!EndsWithNoCase(path, ".mid")) path += ".mid";
  const auto exported = ExportGeneratedStyle(engine, dialogs, part, path);
  if (!exported) return false;
  if (part == kFullStyleExport) dialogs.ShowText(kStyleMeasuresTitle, exported->Listing());
  return true;
}

bool ChooseStyleSetFolder(Dialogs& dialogs, StyleSetChoice& choice,
                          const std::string& startFolder) {
  const auto folder = dialogs.ChooseFolder({"Export set of style parts", "", "", startFolder});
  if (!folder) return false;
  choice.Folder = *folder;
  if (!choice.Folder.empty() && choice.Folder.back() != '/') choice.Folder += '/';
  return true;
}

bool ExportStyleSetChosen(Engine& engine, Dialogs& dialogs, StyleSetChoice& choice, int setNumber,
                          const std::string& startFolder) {
  if (setNumber < 1 || setNumber > 4) return false;
  choice.SetNumber = setNumber;
  if (choice.Folder.empty() && !ChooseStyleSetFolder(dialogs, choice, startFolder)) return false;
  return ExportStyleSet(engine, dialogs, setNumber, choice.Folder) > 0;
}

bool TestGeneratedStyle(Engine& engine, Dialogs& dialogs) {
  Style& style = engine.Style;
  if (engine.Generator.WorkEmpty() || style.SongLoaded) return false;
  const auto a = BuildStyleArrangement(style.Parts, style.Channels.MeasureLength(), engine.Keys,
                                       kFullStyleExport, engine.Generator.PlayIntro, false);
  if (!a) return false;
  SongTransport& song = engine.Song;
  if (!song.Empty() && !dialogs.AskYesNo("Replace current chords ?")) return false;
  if (engine.Player.Playing) engine.Player.StopPlayback();
  style.StyleMode = true;
  style.StyleLength = style.Work.WorkLength;
  style.SelectedPart = a->PlayIntro ? kIntro : kBasic;
  song.LoadSong(a->Chords.Bytes.data(), static_cast<size_t>(a->SongEnd));
  song.SetFirstMeasure(1);
  song.SetLastMeasure(a->LastMeasure);
  song.Play();
  return song.Running();
}

bool RepairStyle(Engine& engine, MidiFileImport& import, Dialogs& dialogs,
                 const std::string& scratch) {
  // The configuration folder may not exist before the first settings are saved.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(scratch).parent_path(), ignored);
  if (!ExportGeneratedStyle(engine, dialogs, kFullStyleExport, scratch)) return false;
  import.AppendMode = true;
  const bool appended = import.ImportMidiFile(scratch, false, true);
  import.AppendMode = false;  // also when the import refused the file
  std::filesystem::remove(scratch, ignored);
  return appended;
}

}  // namespace korvel
