#include "app/MidiFileImport.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "app/Engine.h"
#include "platform/AtomicFile.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

// The channel settings a style keeps and the file's first values fill in.
constexpr int kChannelParameters[] = {0,
                                      32,
                                      1,
                                      7,
                                      10,
                                      11,
                                      64,
                                      66,
                                      67,
                                      91,
                                      93,
                                      ChannelState::kProgramIndex,
                                      ChannelState::kPressureIndex};

}  // namespace

MidiFileImport::MidiFileImport(Engine& engine, Dialogs& dialogs, View& view)
    : engine_(engine), dialogs_(dialogs), view_(view) {}

bool MidiFileImport::ChooseFile(bool append, std::string& path) {
  const Style& style = engine_.Style;
  replaceConfirmed_ = false;
  if (style.Work.WorkLength > 0 && !append && Hooks.StyleChanged && Hooks.StyleChanged()) {
    if (!dialogs_.AskYesNo(kReplaceWork)) return false;
    replaceConfirmed_ = true;
  }
  const std::string folder =
      Settings.ImportFolder.empty() ? Settings.SongFolder : Settings.ImportFolder;
  const auto chosen =
      dialogs_.OpenFileDialog({"Import MIDI ...", "MIDI-Files (*.mid)|*.mid", "MID", folder});
  if (!chosen) return false;
  path = *chosen;
  Settings.ImportFolder = std::filesystem::path(path).parent_path().string();
  return true;
}

bool MidiFileImport::ImportMidiFile(const std::string& fileName, bool keepLeadingSilence,
                                    bool silent) {
  // Append mode serves one import, whatever becomes of it.
  const bool append = std::exchange(AppendMode, false);
  if (engine_.Player.Playing) engine_.Player.StopPlayback();

  std::string path = fileName;
  if ((fileName.empty() || fileName == "*") && !silent && !ChooseFile(append, path)) return false;
  if (fileName == "*") {
    if (!silent) ChosenFile = path;
    return true;
  }
  if (path.empty()) return false;

  std::string error;
  std::optional<std::vector<uint8_t>> bytes;
  {
    // Reading touches nothing of the engine: the clock goes on meanwhile.
    EngineLock::ReleasedWhileWaiting unlocked(&engine_.Lock);
    bytes = ReadWholeFile(path, error);
  }
  if (!bytes) {
    replaceConfirmed_ = false;
    dialogs_.InformUser(error);
    return false;
  }
  return Take(path, *bytes, keepLeadingSilence, silent, append);
}

bool MidiFileImport::TakeMidiFile(const std::string& path, std::span<const uint8_t> bytes,
                                  bool keepLeadingSilence, bool silent) {
  return Take(path, bytes, keepLeadingSilence, silent, std::exchange(AppendMode, false));
}

bool MidiFileImport::Take(const std::string& path, std::span<const uint8_t> bytes,
                          bool keepLeadingSilence, bool silent, bool append) {
  Transport& transport = engine_.Transport;
  MidiReadSettings settings;
  settings.OptimizeTiming = !keepLeadingSilence && Settings.OptimizeTiming;
  settings.TakeMetre = !Settings.KeepMetre;
  settings.CaptureTempo = !(append && engine_.Style.Work.WorkLength > 0);
  settings.MeasureSixteenths = transport.MeasureSixteenths;
  const bool progress = !silent && Settings.ShowProgress;
  if (progress) {
    const std::string caption =
        "Import MIDI-File Type " + std::to_string(bytes.size() > 9 ? bytes[9] : 0) + " ...";
    view_.Progress(caption, 0);
    settings.Progress = [this, caption](size_t read, size_t total) {
      view_.Progress(caption, total > 0 ? static_cast<int>(read * 100 / total) : 100);
    };
  }
  view_.Busy(true);
  MidiReadResult result;
  try {
    EngineLock::ReleasedWhileWaiting unlocked(&engine_.Lock);
    result = ReadMidiFile(bytes, settings);
  } catch (const MidiFileError& e) {
    replaceConfirmed_ = false;
    if (progress) view_.Progress("", -1);
    view_.Busy(false);
    dialogs_.InformUser(e.what());
    return false;
  }
  if (progress) view_.Progress("", -1);
  // A chord played meanwhile may have started the style: it stops before its material goes.
  if (engine_.Player.Playing) engine_.Player.StopPlayback();

  if (append && engine_.Style.Work.WorkLength > 0) {
    if (!AppendOnBarLine(engine_.Style.Work, result.Work, transport.MeasureSixteenths)) {
      result.OutOfMemory = true;
    }
    Call(Hooks.SetStyleChanged, true);
  } else {
    Call(Hooks.SaveLiveChannelSettings);
    // Replacing the work was agreed to: the reset does not ask to save it as well.
    if (std::exchange(replaceConfirmed_, false)) Call(Hooks.SetStyleChanged, false);
    Call(Hooks.ResetGeneratedStyle);
    Style& style = engine_.Style;
    style.Work = std::move(result.Work);
    style.Parts.Clear();
    style.Channels.Reset();
    style.StyleLoaded = false;
    style.StyleMode = false;  // song mode: the material plays as it stands
    Call(Hooks.NewWork);
    Call(Hooks.SetStyleChanged, false);
    if (result.Tempo > 0) {
      const int tempo = std::clamp(result.Tempo, kMinTempo, kMaxTempo);
      transport.TempoEdit1Change(tempo);
      view_.TempoField(tempo);
    }
  }
  Apply(result, path, silent);
  view_.Busy(false);
  if (result.OutOfMemory && engine_.Style.Work.WorkLength > 0) {
    dialogs_.InformUser(kMidiOutOfMemory);
  }
  return true;
}

void MidiFileImport::Apply(MidiReadResult& result, const std::string& path, bool silent) {
  Style& style = engine_.Style;
  Transport& transport = engine_.Transport;
  if (result.MetreRow >= 0) {
    // A 4/4 signature, or none, sets 4/4 too: a file never plays in a metre it does not have.
    transport.SetMetre(result.MetreRow);
    const int interval = kTimeSignatureRows[static_cast<size_t>(result.MetreRow)].ChordInterval;
    if (interval >= 0) Call(Hooks.SetChordInterval, interval);
  }
  style.Channels.SetMeasureLength(transport.MeasureSixteenths);
  style.Channels.SetTempo(static_cast<int16_t>(transport.Tempo));

  for (int c = 0; c < 16; ++c) {
    const auto& first = result.FirstValues[static_cast<size_t>(c)];
    for (int index : kChannelParameters) {
      if (first[static_cast<size_t>(index)] != ChannelState::kNone) {
        style.Channels.SetValue(c, index, first[static_cast<size_t>(index)]);
      }
    }
    if (result.HasNotes[static_cast<size_t>(c)]) style.Channels.SetHasNotes(c, true);
  }
  engine_.Melody.Clear();
  Call(Hooks.PlaceKeyboardChannel, true);

  style.Work.BuildBeatIndex();
  style.Work.CurrentChunk = 0;
  Call(Hooks.ChooseLiveChannel);
  Call(Hooks.RefreshMainWindow);
  if (silent && !Settings.ScratchFolder.empty()) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(Settings.ScratchFolder) / kChordsScratchFile,
                            ignored);
  } else if (!silent) {
    Call(Hooks.ShowImported,
         std::filesystem::path(path).filename().string() + "  -  " + Settings.GeneratorCaption);
  }
  style.SongLoaded = true;
  style.Work.KeepRestoreCopy();
  // The material counts quarter notes: an eighth-note beat base goes back to its quarter one.
  if (transport.QuantizeIndex >= 5) transport.SetQuantize(transport.QuantizeIndex - 5);
}

}  // namespace korvel
