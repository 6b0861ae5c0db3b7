// The system's MIDI ports: the ALSA sequencer through RtMidi, or a JACK server through Korvel's
// own client. Both list the system's ports and Korvel's own virtual ports, so other programs
// can connect without hardware.
#pragma once

#include <memory>
#include <string>

#include "platform/MidiDriver.h"

namespace korvel {

enum class MidiApiChoice { Auto, Alsa, Jack };

// "alsa" / "jack" (any case) or anything else for Auto.
MidiApiChoice ParseMidiApiChoice(const std::string& text);

// The device-list entries that stand for Korvel's own ports in the MIDI graph.
inline constexpr const char* kVirtualOutputName = "Korvel virtual out";
inline constexpr const char* kVirtualInputName = "Korvel virtual in";
inline constexpr const char* kClientName = "Korvel";

class SystemMidiDriver : public MidiDriver {
 public:
  // Why no device can be listed (no MIDI system reachable), empty when all is well.
  virtual std::string Problem() const = 0;
};

// Auto takes ALSA when its sequencer is there, otherwise JACK. The KORVEL_MIDI_API environment
// variable ("alsa" or "jack") overrides the choice.
std::unique_ptr<SystemMidiDriver> MakeSystemMidiDriver(MidiApiChoice choice);

}  // namespace korvel
