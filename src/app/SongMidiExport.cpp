#include "app/SongMidiExport.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/Render.h"
#include "app/Songs.h"
#include "platform/AtomicFile.h"
#include "stylegen/MidiFileWriter.h"
#include "stylegen/WorkWalk.h"

namespace korvel {

namespace {

std::vector<uint8_t> MessageBytes(uint8_t status, uint8_t data1, uint8_t data2) {
  // Program change and channel pressure have one data byte.
  if ((status & 0xE0) == 0xC0) return {status, data1};
  return {status, data1, data2};
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
  NoView view;  // the render engine shows nothing
  try {
    return RenderToMidiFile(ArrangementStart(songs.Current(), request, dialogs, view), path,
                            dialogs, view)
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

bool AddMelodyTrack(Engine& engine, MidiFileImport& import, Dialogs& dialogs,
                    const std::string& scratch) {
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
  try {
    WriteFileAtomically(scratch, StandardMidiFile(messages, engine.Transport.Tempo,
                                                  engine.Transport.MeasureSixteenths));
  } catch (const std::runtime_error& error) {
    dialogs.InformUser(error.what());
    return false;
  }
  const bool imported = import.ImportMidiFile(scratch, true, true);
  std::error_code ignored;
  std::filesystem::remove(scratch, ignored);
  return imported;
}

}  // namespace korvel
