// A style played over a chord progression without waiting for the clock: into a Standard MIDI
// File of exactly what would have been sent, or through the built-in synthesizer into a WAV
// file. The same performance also plays in real time (PreparePerformance).
#pragma once

#include <string>

#include "app/Engine.h"
#include "app/ProgressionPlayer.h"
#include "platform/FluidSynthDriver.h"

namespace korvel {

struct PerformanceRequest {
  std::string Style;   // .kvs file
  std::string Chords;  // progression text
  int Tempo = 0;       // 0: the style's own tempo
  int StartPart = -1;  // a part to start with (0..7), or as the progression says
};

struct RenderResult {
  bool Played = false;  // false: the reason went to the dialogs
  int64_t Clocks = 0;
};

// Loads the style, opens MIDI out at list entry `outIndex` and makes `performance` run before
// every tick; false (with the reason told through the dialogs) when it cannot play.
bool PreparePerformance(Engine& engine, int outIndex, const PerformanceRequest& request,
                        ProgressionPlayer& performance);

RenderResult RenderToMidiFile(const PerformanceRequest& request, const std::string& path,
                              Dialogs& dialogs, View& view);
// `synth.RenderFile` names the WAV file.
RenderResult RenderToWav(const PerformanceRequest& request, const SynthSettings& synth,
                         Dialogs& dialogs, View& view);

bool EndsWithNoCase(const std::string& text, const std::string& end);

}  // namespace korvel
