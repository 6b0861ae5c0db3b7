// libfluidsynth, opened with dlopen the first time sound is made through it: a Korvel that
// writes files or lists things never loads it, nor the dozens of libraries it brings (audio
// servers, GLib, SDL, codecs). The functions keep their C names and types; the header is read
// for those only, the library is not linked.
#pragma once

#include <fluidsynth.h>

#include <string>

#include "platform/FluidSynthDriver.h"

namespace korvel {

#define KORVEL_FLUIDSYNTH_FUNCTIONS(F)  \
  F(fluid_set_log_function)             \
  F(new_fluid_settings)                 \
  F(delete_fluid_settings)              \
  F(fluid_settings_setstr)              \
  F(fluid_settings_setnum)              \
  F(fluid_settings_setint)              \
  F(fluid_settings_getint)              \
  F(new_fluid_synth)                    \
  F(delete_fluid_synth)                 \
  F(fluid_synth_sfload)                 \
  F(fluid_synth_noteon)                 \
  F(fluid_synth_noteoff)                \
  F(fluid_synth_key_pressure)           \
  F(fluid_synth_cc)                     \
  F(fluid_synth_program_change)         \
  F(fluid_synth_channel_pressure)       \
  F(fluid_synth_pitch_bend)             \
  F(fluid_synth_system_reset)           \
  F(fluid_synth_sysex)                  \
  F(fluid_synth_set_gain)               \
  F(fluid_synth_write_float)            \
  F(new_fluid_audio_driver)             \
  F(delete_fluid_audio_driver)          \
  F(new_fluid_file_renderer)            \
  F(delete_fluid_file_renderer)         \
  F(fluid_file_renderer_process_block)  \
  F(new_fluid_player)                   \
  F(delete_fluid_player)                \
  F(fluid_player_add_mem)               \
  F(fluid_player_set_playback_callback) \
  F(fluid_player_set_tick_callback)     \
  F(fluid_player_play)                  \
  F(fluid_player_stop)                  \
  F(fluid_player_seek)                  \
  F(fluid_player_set_tempo)             \
  F(fluid_midi_event_get_type)          \
  F(fluid_midi_event_get_channel)       \
  F(fluid_midi_event_get_control)       \
  F(fluid_midi_event_get_value)         \
  F(fluid_midi_event_get_text)

struct FluidSynthLibrary {
#define KORVEL_FLUIDSYNTH_MEMBER(name) decltype(&::name) name = nullptr;
  KORVEL_FLUIDSYNTH_FUNCTIONS(KORVEL_FLUIDSYNTH_MEMBER)
#undef KORVEL_FLUIDSYNTH_MEMBER
};

// The library in `file`, opened at the first call and kept open for the life of the process.
// Throws MidiDriverError (kMidiNoDriver) in words when it or one of its functions is missing;
// the next call tries again.
const FluidSynthLibrary& FluidSynth(const std::string& file = kFluidSynthLibrary);

// FluidSynth reports problems through a log of its own, which is kept instead of printed: the
// last error or warning since the previous call, so a failed call can be explained in words.
std::string TakeFluidSynthLog();

}  // namespace korvel
