// A style played over a chord progression without waiting for the clock: into a Standard MIDI
// File of exactly what would have been sent, or through the built-in synthesizer into a WAV
// file. The same performance also plays in real time (PreparePerformance).
#pragma once

#include <functional>
#include <string>

#include "app/Engine.h"
#include "app/ProgressionPlayer.h"
#include "performance/ArrangementFile.h"
#include "platform/FluidSynthDriver.h"

namespace korvel {

struct PerformanceRequest {
  std::string Style;   // .kvs file
  std::string Chords;  // progression text
  int Tempo = 0;       // 0: the style's own tempo
  int StartPart = -1;  // a part to start with (0..7), or as the progression says
};

// An arrangement played with its style: the style it names (found in StyleFolder) or `Style`.
struct SongRequest {
  std::string Song;         // .kva file
  std::string Style;        // .kvs file; empty: the song's own
  std::string StyleFolder;  // where the song's style is looked for
  int Tempo = 0;            // 0: the song's own tempo
};

struct RenderResult {
  bool Played = false;  // false: the reason went to the dialogs
  int64_t Clocks = 0;
};

// Loads the style, opens MIDI out at list entry `outIndex` and makes `performance` run before
// every tick; false (with the reason told through the dialogs) when it cannot play.
bool PreparePerformance(Engine& engine, int outIndex, const PerformanceRequest& request,
                        ProgressionPlayer& performance);

// Something that plays on the offline clock: it starts on `engine` with MIDI out at list entry
// `outIndex` and gives the check that tells when it has ended; an empty check when it cannot
// play (the reason told through the dialogs).
using OfflineStart = std::function<std::function<bool()>(Engine& engine, int outIndex)>;
OfflineStart ProgressionStart(const PerformanceRequest& request);
OfflineStart SongStart(const SongRequest& request, Dialogs& dialogs, View& view);
// A song in memory; `request.Song` names it in messages.
OfflineStart ArrangementStart(const Arrangement& song, const SongRequest& request, Dialogs& dialogs,
                              View& view);

// `styleMetre`: the file carries the style's time signature.
RenderResult RenderToMidiFile(const OfflineStart& start, const std::string& path, Dialogs& dialogs,
                              View& view, bool styleMetre = false);
RenderResult RenderToMidiFile(const PerformanceRequest& request, const std::string& path,
                              Dialogs& dialogs, View& view);
// `synth.RenderFile` names the WAV file.
RenderResult RenderToWav(const OfflineStart& start, const SynthSettings& synth, Dialogs& dialogs,
                         View& view);
RenderResult RenderToWav(const PerformanceRequest& request, const SynthSettings& synth,
                         Dialogs& dialogs, View& view);

}  // namespace korvel
