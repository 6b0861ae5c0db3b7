#include "app/GeneratorCommands.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "app/MidiFileImport.h"
#include "app/Songs.h"
#include "engine/StyleFile.h"
#include "performance/ChordTypes.h"

namespace korvel {

namespace {

constexpr int kCMajorRoot = 48;
constexpr int kHighestCMajorRoot = 108;  // its chord tones stay below 128

}  // namespace

void SetCMajorChord(Engine& engine) {
  // A root below the accompaniment's octave threshold would voice everything an octave down:
  // the C is taken high enough for the material to sound as recorded.
  const int root = std::clamp<int>(engine.Player.OctaveThreshold, kCMajorRoot, kHighestCMajorRoot);
  ChordValue& chord = engine.Chord;
  chord.ChordRoot = chord.EditChordRoot = static_cast<int16_t>(root);
  chord.ChordType = chord.EditChordType = 1;
  chord.ChordTones = ChordTonesOf(root, 1);
}

bool StartGeneratorPlay(Engine& engine) {
  Style& style = engine.Style;
  StylePlayer& player = engine.Player;
  Transport& transport = engine.Transport;
  if (engine.Generator.WorkEmpty()) return false;
  if (style.StyleMode && player.PlayablePart(style.SelectedPart) < 0) return false;
  if (player.Playing) player.StopPlayback();
  engine.Generator.SetupWorkRange();
  // The material plays as it was played: over C major, which voices nothing.
  SetCMajorChord(engine);
  if (style.StyleMode) {
    style.StyleLength = style.Work.WorkLength;
    player.StartStyle(style.SelectedPart);
    player.PartSixteenths = player.PartStartSixteenths;
    engine.Generator.Playing = player.Playing;
    return player.Playing;
  }
  engine.Notes.ClearNotes();
  player.AllSoundOff(*engine.Ports.PlayPort);
  player.PlayPosition = std::max(style.Work.RecorderPosition, 0);
  player.PlayEndPos = engine.Generator.StopPosition;
  player.PartSixteenths = engine.Generator.RangeStart;
  player.WaitClocks = 0;
  player.Playing = true;
  engine.Generator.Playing = true;
  if (transport.ClockState < 1) {
    transport.StartDelay = kWaitForExternalStart;
  } else if (engine.Ports.PlayPort->IsOpen()) {
    if (transport.MasterMode) engine.Ports.ClockOutPort->PutShortMsg(250);
    if (transport.StartDelay == 0) {
      transport.StartDelay =
          static_cast<int16_t>(transport.Tempo / (2 * std::max(transport.SyncSpeed, 1)));
    }
  }
  transport.SetCountersForMeasureStart();
  return true;
}

bool SaveGeneratedStyle(Engine& engine, Dialogs& dialogs, const std::string& folder) {
  if (engine.Generator.WorkEmpty()) return false;
  const auto chosen =
      dialogs.SaveFileDialog({"Save Style as ...", "Styles (*.kvs)|*.kvs", "KVS", folder});
  if (!chosen) return false;
  std::string path = *chosen;
  if (!EndsWithNoCase(path, ".kvs")) path += ".kvs";
  try {
    WriteGeneratedStyle(engine, path);
  } catch (const std::runtime_error& error) {
    dialogs.InformUser(error.what());
    return false;
  }
  return true;
}

void WriteGeneratedStyle(Engine& engine, const std::string& path) {
  Style& style = engine.Style;
  WriteStyleFile(path, style.Channels, style.Parts, GeneratedStyleMaterial(style));
  style.StyleFileName = path;
  engine.Generator.StyleChanged = false;
}

std::span<const uint8_t> GeneratedStyleMaterial(Style& style) {
  const auto length = static_cast<size_t>(std::clamp<int32_t>(
      style.Work.WorkLength, 0,
      std::min<int32_t>(kMaxStyleMaterial, static_cast<int32_t>(style.Work.Chunks[0].UsedLength))));
  return {style.Work.Chunk(0).data(), length};
}

void ConnectImportToGenerator(MidiFileImport& import, Engine& engine) {
  StyleGenerator& generator = engine.Generator;
  MidiImportHooks& hooks = import.Hooks;
  import.Settings.GeneratorCaption = kGeneratorCaption;
  hooks.StyleChanged = [&generator] { return generator.StyleChanged; };
  hooks.SetStyleChanged = [&generator](bool changed) { generator.StyleChanged = changed; };
  hooks.SaveLiveChannelSettings = [&engine] {
    for (size_t index = 0; index < engine.Generator.SavedLiveSettings.size(); ++index) {
      engine.Generator.SavedLiveSettings[index] =
          engine.Sent.ChannelStateValue(engine.Live.SelChannel, static_cast<int>(index));
    }
  };
  hooks.ResetGeneratedStyle = [&generator] { generator.ResetGeneratedStyle(); };
  hooks.NewWork = [&generator] { generator.NewWork(std::nullopt); };
  hooks.SetChordInterval = [&generator](int item) { generator.ChordIntervalIndex = item; };
  hooks.PlaceKeyboardChannel = [&generator](bool restore) {
    generator.PlaceKeyboardChannel(restore);
  };
  hooks.ChooseLiveChannel = [&engine] {
    for (int channel = 0; channel < 16; ++channel) {
      if (engine.Style.Channels.HasNotes(channel)) continue;
      engine.Mixer.ChooseChannel(channel);
      return;
    }
  };
  hooks.RefreshMainWindow = [&engine] { engine.Mixer.ControllerReset(); };
}

void ConnectImportToSongs(MidiFileImport& import, Songs& songs) {
  songs.OpenMidiFile = [&import](const std::string& path) {
    return import.ImportMidiFile(path, true, false);
  };
}

}  // namespace korvel
