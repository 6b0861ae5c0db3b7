// The MIDI drivers of a running Korvel and what the port components share: the system's ports
// (ALSA or JACK), the built-in synthesizer as the mapper, the device listing, the channel
// state table and the input callback settings.
#pragma once

#include "midi/ChannelState.h"
#include "midi/MidiDevices.h"
#include "midi/TMidiInput.h"
#include "platform/FluidSynthDriver.h"
#include "platform/SystemMidi.h"

namespace korvel {

struct MidiSystemSettings {
  MidiApiChoice Api = MidiApiChoice::Auto;
  SynthSettings Synth;
};

class MidiSystem {
 public:
  explicit MidiSystem(const MidiSystemSettings& settings)
      : Ports(MakeSystemMidiDriver(settings.Api)),
        Synth(settings.Synth),
        Devices(*Ports, &Synth),
        InputSettings(Channels) {}

  std::unique_ptr<SystemMidiDriver> Ports;
  FluidSynthDriver Synth;
  MidiDevices Devices;
  ChannelState Channels;
  InputCallbackSettings InputSettings;
};

}  // namespace korvel
