#include "engine/StyleLoader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/AtomicFile.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool StyleLoader::FindStyle(std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_regular_file(path, error)) return true;
  const std::string moved =
      (fs::path(Settings.ProgramDir) / "STYLES" / fs::path(path).filename()).string();
  if (fs::is_regular_file(moved, error)) {
    path = moved;
    return true;
  }
  dialogs_.InformUser("Style not found !");
  return false;
}

bool StyleLoader::MayReplaceWork() {
  return style_.StyleMode || style_.Work.WorkLength <= 0 || EndsWith(Upper(lastChosen_), ".KVO") ||
         dialogs_.AskYesNo("Replace current work ?");
}

bool StyleLoader::ChooseFile(bool fromButton, std::string& path) {
  if (!fromButton) {
    path = style_.StyleFileName;
    return FindStyle(path);
  }
  if (!MayReplaceWork()) return false;
  const auto chosen = dialogs_.OpenFileDialog(
      {"Open style ...", "Styles (*.kvs)|*.kvs", "KVS", Settings.StyleFolder});
  if (!chosen) return false;
  lastChosen_ = *chosen;
  if (!EndsWith(Upper(*chosen), ".KVS")) {
    Call(Hooks.StopPlayback);
    Call(Hooks.ShowHelp, kWrongStyleFileHelpTopic);
    return false;
  }
  path = *chosen;
  if (Settings.RememberStyleFolder) {
    Settings.StyleFolder = std::filesystem::path(path).parent_path().string();
  }
  return true;
}

void StyleLoader::ApplyChannelTable() {
  StyleChannelTable& table = style_.Channels;
  // Sound modules of the SC series take bank and drum-kit numbers above 62 badly.
  if (Settings.InstrumentSetName.find("SC-") != std::string::npos) {
    for (int channel = 0; channel < 16; ++channel) {
      const uint8_t bank = table.Value(channel, 0);
      if (bank >= 63 && bank <= 254) table.SetValue(channel, 0, 0);
    }
    const uint8_t kit = table.Value(9, 96);
    if (kit >= 63 && kit <= 254 && kit != 128) table.SetValue(9, 96, 0);
  }
  if (Settings.NormalizeVolume) Call(Hooks.NormalizeVolumes);
  Call(Hooks.ApplyReverbOptions);
  Call(Hooks.DistributeToMixer);
  // The tempo field holds 25 .. 250; a tempo outside would leave the clock without a timer.
  if (transport_.TempoDetection) {
    transport_.TempoEdit1Change(std::clamp<int>(table.Tempo(), kMinTempo, kMaxTempo));
  }
  if (transport_.IntroDetection) {
    transport_.StartMeasure = table.StartMeasure() * transport_.ClockResolution;
  }
  transport_.ApplyStyleMetre(table.MeasureLength());
  if (table.ClearSuppressOnLoad()) table.SetSuppressControllers(false);
  table.SetClearSuppressOnLoad(false);
}

bool StyleLoader::MayLoad() {
  if (Hooks.ChordMemoryBusy && Hooks.ChordMemoryBusy()) return false;
  return !(style_.SongLoaded && style_.Work.WorkLength > 0) ||
         dialogs_.AskYesNo("Replace current song ?");
}

bool StyleLoader::ReadAndTake(const std::string& path) {
  // The dialogs let the engine go on; chord memory may have started meanwhile.
  if (Hooks.ChordMemoryBusy && Hooks.ChordMemoryBusy()) return false;
  std::string error;
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) {
    dialogs_.InformUser(error);
    return false;
  }
  return TakeStyleFile(path, *bytes);
}

void StyleLoader::LoadStyle(bool fromButton) {
  if (!MayLoad()) return;
  std::string path;
  // The material stays until a file is chosen: a cancelled dialog leaves the style playable.
  if (!ChooseFile(fromButton, path)) return;
  ReadAndTake(path);
}

bool StyleLoader::LoadStyleFile(const std::string& path) {
  std::string found = path;
  return MayLoad() && MayReplaceWork() && FindStyle(found) && ReadAndTake(found);
}

bool StyleLoader::TakeStyleFile(const std::string& path, std::span<const uint8_t> bytes) {
  const CheckedStyleFile file = CheckStyleFile(bytes);
  if (!file.Playable()) {
    dialogs_.InformUser(kCannotProcess);
    return false;
  }

  // The playing style stops with note-offs before its material goes.
  Call(Hooks.StopPlayback);
  style_.SongLoaded = false;
  Call(Hooks.StopFilePlayer);
  Call(Hooks.SaveLiveChannelSettings);
  Call(Hooks.ResetGeneratedStyle);
  style_.Work.ClearWork();
  Call(Hooks.ReleaseAllPads);
  Call(Hooks.DisableWorkSave);

  style_.Take(file);
  ApplyChannelTable();

  for (int p = 0; p < kStylePartCount; ++p) {
    style_.LoadedFirstMeasure[static_cast<size_t>(p)] = style_.Parts.Part(p).FirstMeasure();
    style_.LoadedLastMeasure[static_cast<size_t>(p)] = style_.Parts.Part(p).LastMeasure();
  }
  style_.StyleMode = true;
  int& part = style_.SelectedPart;
  part = Settings.IntroFirst ? kIntro : kBasic;
  while (part < kToExtended && style_.Parts.Part(part).Empty()) ++part;

  style_.StyleName = MakeStyleName(path, style_.Parts);
  Call(Hooks.ShowStyleName, style_.StyleName);

  style_.StyleLoaded = true;
  style_.StyleFileName = path;
  style_.AnalyseStyleParts(0, kStylePartCount - 1, 3, Settings.InstrumentSetName);

  style_.Work.KeepRestoreCopy();
  if (transport_.ClockState == 0) transport_.ToggleClock();

  // A damaged file loses the parts that point outside its material, and says so once.
  if (!file.Damaged.empty()) {
    std::string names;
    for (int p : file.Damaged) names += (names.empty() ? "" : ",") + std::string(StylePartName(p));
    dialogs_.InformUser("This style file is damaged; these parts were left out:" + names);
  }
  return true;
}

void StyleLoader::RestoreOriginal(bool fromButton) {
  if (!style_.Work.RestoreAvailable) return;
  if (fromButton && !dialogs_.AskYesNo("Undo all conversions ?")) return;
  Call(Hooks.StopPlayback);
  style_.Work.RestoreOriginal();
  style_.Channels.SetConverted(false);
}

}  // namespace korvel
