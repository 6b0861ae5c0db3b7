// The built-in synthesizer: FluidSynth with a General MIDI SoundFont. It is the one output of
// this driver and stands in the device lists as the mapper entry (device -1), so a fresh
// install makes sound with no set-up. It plays to the default audio output, or renders offline
// into a WAV file when the caller steps it. The library is loaded when the port opens; a
// missing library is refused in words, like a missing SoundFont.
#pragma once

#include <memory>
#include <string>

#include "platform/MidiDriver.h"

namespace korvel {

inline constexpr const char* kSynthName = "Korvel synthesizer (FluidSynth)";
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
inline constexpr const char* kFluidSynthLibrary = "libfluidsynth.so.3";

struct SynthSettings {
  std::string SoundFont = kDefaultSoundFont;
  // The library the synthesizer is loaded from when its port opens.
  std::string Library = kFluidSynthLibrary;
  // FluidSynth's audio driver name ("pulseaudio", "alsa", "jack", ...); empty tries the usual
  // ones in turn. Ignored when rendering to a file.
  std::string AudioDriver;
  // Non-empty: render into this WAV file instead of playing; RenderFrames advances it.
  std::string RenderFile;
  double Gain = 0.6;
  int SampleRate = 44100;
};

class FluidSynthDriver : public MidiDriver {
 public:
  explicit FluidSynthDriver(SynthSettings settings);
  ~FluidSynthDriver() override;

  std::string ApiName() const override { return "FluidSynth"; }
  std::vector<MidiDeviceCaps> Outputs() override;
  std::vector<MidiDeviceCaps> Inputs() override { return {}; }
  std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index, const std::string& name) override;
  std::unique_ptr<MidiInConnection> OpenInput(unsigned, const std::string&,
                                              MidiInputSink&) override {
    throw MidiDriverError(kMidiBadDeviceId);
  }

  const SynthSettings& Settings() const { return settings_; }
  int SampleRate() const { return settings_.SampleRate; }
  // Offline rendering: advances the open synthesizer by `frames` samples into the WAV file.
  // Throws when the synthesizer is not open in render mode.
  void RenderFrames(long frames);

  struct Engine;

 private:
  SynthSettings settings_;
  std::weak_ptr<Engine> engine_;
};

}  // namespace korvel
