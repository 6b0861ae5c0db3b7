// The MIDI settings a musician makes first: keyboard layout, how chord keys react, the sound
// module's mode and the ports. The welcome page asks for them on the first run.
#pragma once

namespace korvel {

class Engine;
class Configuration;

struct MidiSettingsChoice {
  bool EnglishLayout = true;  // "English (USA)", else "German"
  bool StaticChordKeys = false;
  int SoundcardMode = 0;  // 0 "GM", 1 "GS", 2 "SC-??", 3 "XG"
  int Input = -1;         // a device of the input list, -1 for none chosen
  int Output = -1;        // a device of the output list or the mapper after them, -1 for none
  int VelocityOffset = 0;
};

// What the page shows when it opens: the welcome defaults (the first input, the built-in
// synthesizer, GM), or the settings in force.
MidiSettingsChoice CurrentMidiSettings(const Engine& engine, bool welcome);

// Opens the chosen ports, picks the instrument set for the mode and applies every setting.
void ApplyMidiSettings(const MidiSettingsChoice& choice, Engine& engine, Configuration& settings);

}  // namespace korvel
