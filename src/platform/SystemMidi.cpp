#include "platform/SystemMidi.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/JackMidiDriver.h"
#include "platform/RtMidiDriver.h"

namespace korvel {

MidiApiChoice ParseMidiApiChoice(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "alsa") return MidiApiChoice::Alsa;
  if (lower == "jack") return MidiApiChoice::Jack;
  return MidiApiChoice::Auto;
}

std::unique_ptr<SystemMidiDriver> MakeSystemMidiDriver(MidiApiChoice choice) {
  if (const char* env = std::getenv("KORVEL_MIDI_API"); env && *env) {
    choice = ParseMidiApiChoice(env);
  }
  if (choice == MidiApiChoice::Auto) {
    choice = AlsaSequencerPresent() ? MidiApiChoice::Alsa : MidiApiChoice::Jack;
  }
  if (choice == MidiApiChoice::Alsa) return std::make_unique<RtMidiDriver>();
  return std::make_unique<JackMidiDriver>();
}

}  // namespace korvel
