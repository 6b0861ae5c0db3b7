#include "app/SongMidiExport.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/Render.h"
#include "app/Songs.h"
#include "platform/MidiDriver.h"
#include "stylegen/MidiFileWriter.h"
#include "stylegen/WorkWalk.h"

namespace korvel {

namespace {

std::vector<uint8_t> MessageBytes(uint8_t status, uint8_t data1, uint8_t data2) {
  std::vector<uint8_t> bytes{status, data1, data2};
  bytes.resize(ShortMessageLength(status));
  return bytes;
}

}  // namespace

bool ExportSongMidi(Engine& engine, const Songs& songs, Dialogs& dialogs, const std::string& path) {
  if (engine.Song.Empty()) {
    dialogs.InformUser("Chordmemory is empty !");
    return false;
  }
  if (!engine.Style.StyleLoaded || engine.Style.StyleFileName.empty()) {
    dialogs.InformUser("Load a style first: it plays the song into the MIDI file.");
    return false;
  }
  SongRequest request;
  request.Song = songs.FileName.empty() ? "The song" : songs.FileName;
  request.Style = engine.Style.StyleFileName;
  const Arrangement song = songs.Current();
  // The render runs on an engine of its own: the live one plays on meanwhile.
  const EngineLock::ReleasedWhileWaiting released(&engine.Lock);
  NoView view;  // the render engine shows nothing
  try {
    return RenderToMidiFile(ArrangementStart(song, request, dialogs, view), path, dialogs, view)
        .Played;
  } catch (const std::runtime_error& error) {
    dialogs.InformUser(error.what());
    return false;
  }
}

bool ExportSongMidiAs(Engine& engine, const Songs& songs, Dialogs& dialogs,
                      const std::string& folder) {
  std::string start = folder;
  if (!songs.FileName.empty()) {
    start = (std::filesystem::path(folder) /
             std::filesystem::path(songs.FileName).stem().concat(".mid"))
                .string();
  }
  const auto chosen =
      dialogs.SaveFileDialog({kExportTitle, "MIDI-Files (*.mid)|*.mid", "MID", start});
  if (!chosen) return false;
  return ExportSongMidi(engine, songs, dialogs, *chosen);
}

bool CanAddMelodyTrack(const Engine& engine) {
  return engine.Style.SongLoaded && !engine.Melody.Empty();
}

bool AddMelodyTrack(Engine& engine, MidiFileImport& import, const std::string& name) {
  if (!CanAddMelodyTrack(engine)) return false;
  // The melody's clock starts with the song, as the material's does.
  std::vector<TimedMessage> messages;
  int64_t clock = 0;
  WalkMaterial(
      engine.Style.Work, [&clock](int clocks) { clock += clocks; },
      [&](uint8_t status, uint8_t data1, uint8_t data2) {
        messages.push_back({clock, MessageBytes(status, data1, data2)});
      });
  for (const MelodyEvent& event : engine.Melody.Events()) {
    if (!IsChannelMessage(event.Status, event.Data1, event.Data2)) continue;
    messages.push_back({event.Time, MessageBytes(event.Status, event.Data1, event.Data2)});
  }
  std::stable_sort(messages.begin(), messages.end(),
                   [](const TimedMessage& a, const TimedMessage& b) { return a.Clock < b.Clock; });
  const std::vector<uint8_t> file =
      StandardMidiFile(messages, engine.Transport.Tempo, engine.Transport.MeasureSixteenths);
  return import.TakeMidiFile(name, file, true, true);
}

}  // namespace korvel
