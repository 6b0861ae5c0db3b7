// The MIDI settings a musician makes first: keyboard layout, how chord keys react, the sound
// module's mode and the ports. The welcome page asks for them on the first run.
#pragma once

#include <string>

namespace korvel {

class Engine;
class Configuration;

struct MidiSettingsChoice {
  bool EnglishLayout = true;  // "English (USA)", else "German"
  bool StaticChordKeys = false;
  int SoundcardMode = 0;  // 0 "GM", 1 "GS", 2 "SC-??", 3 "XG"
  // The devices by name: the lists may change while the page is open (a keyboard plugged
  // in), and a name still finds its device. Empty for none chosen.
  std::string Input;
  std::string Output;  // a device of the output list, or the built-in synthesizer after them
  int VelocityOffset = 0;
};

// What the page shows when it opens: the welcome defaults (the first input, the built-in
// synthesizer, GM), or the settings in force.
MidiSettingsChoice CurrentMidiSettings(const Engine& engine, bool welcome);

// Opens the chosen ports, picks the instrument set for the mode and applies every setting.
void ApplyMidiSettings(const MidiSettingsChoice& choice, Engine& engine, Configuration& settings);

}  // namespace korvel
