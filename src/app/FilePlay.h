// A MIDI file played through the file player without a window: set up as asked, then run in
// real time on the pacing thread, or stepped into a Standard MIDI File of what was sent (24
// clocks per quarter note at the tempo played) or through the built-in synthesizer into a WAV
// file.
#pragma once

#include <string>

#include "app/MidiFilePlayer.h"
#include "app/Render.h"
#include "platform/FluidSynthDriver.h"

namespace korvel {

struct FilePlayRequest {
  std::string File;
  int64_t LoopFrom = -1;  // a loop range in file ticks; -1: the whole song
  int64_t LoopTo = -1;
  int Passes = 1;  // how often the loop (or the song) plays
  int Tempo = 0;   // 0: the tempo the file shows
};

// Opens the file, sets the range, the tempo and "Repeat", and plays; false (the reason told
// through the dialogs) when it cannot.
bool StartFilePlay(MidiFilePlayer& player, const FilePlayRequest& request);
// The passes asked for are played, or the song ended.
bool FilePlayDone(const MidiFilePlayer& player, const FilePlayRequest& request);

// RenderResult::Clocks counts the clocks of the output.
RenderResult FilePlayToMidiFile(const FilePlayRequest& request, const std::string& path,
                                Dialogs& dialogs);
// `synth.RenderFile` names the WAV file.
RenderResult FilePlayToWav(const FilePlayRequest& request, const SynthSettings& synth,
                           Dialogs& dialogs);

}  // namespace korvel
