#include "app/MidiSettings.h"

#include <algorithm>

#include "app/Configuration.h"
#include "app/Engine.h"

namespace korvel {

MidiSettingsChoice CurrentMidiSettings(const Engine& engine, bool welcome) {
  MidiSettingsChoice choice;
  const MidiPorts& ports = engine.Ports;
  const int devices = static_cast<int>(ports.OutputList().size()) - 2;  // mapper, "<None>"
  const int inputs = static_cast<int>(ports.InputList().size()) - 1;    // "<None>"
  if (welcome) {
    choice.Input = inputs > 0 ? 0 : -1;
    choice.Output = devices;  // the built-in synthesizer
    return choice;
  }
  choice.EnglishLayout = engine.Keyboard.Layout == 1;
  choice.StaticChordKeys = engine.Transport.StaticChordKeys;
  choice.SoundcardMode = engine.Mixer.List.Mode == kPatchXg   ? 3
                         : engine.Mixer.List.Mode == kPatchGs ? 1
                                                              : 0;
  choice.Input = ports.ExtMidiInList < inputs ? ports.ExtMidiInList : -1;
  choice.Output = ports.ComboBox1 <= devices ? ports.ComboBox1 : -1;
  choice.VelocityOffset = engine.Input.VelocityOffset;
  return choice;
}

void ApplyMidiSettings(const MidiSettingsChoice& choice, Engine& engine, Configuration& settings) {
  MidiPorts& ports = engine.Ports;
  // The page's lists are the main lists without "<None>": the same positions.
  if (choice.Input >= 0 && choice.Input < static_cast<int>(ports.InputList().size()) - 1) {
    ports.ExtMidiInList = choice.Input;
    ports.ExtMidiInChange();
  }
  if (choice.Output >= 0 && choice.Output < static_cast<int>(ports.OutputList().size()) - 1) {
    ports.ComboBox1 = choice.Output;
    ports.ComboBox1Change();
  }
  settings.TakeSettings(engine);
  settings.Set("K_Layout", choice.EnglishLayout ? 1 : 0);
  settings.Set("K_Smart", choice.StaticChordKeys ? 1 : 0);
  settings.Set("VelOffset", std::clamp(choice.VelocityOffset, -20, 20));
  const auto set = settings.InstrumentSets.find(std::to_string(settings.Integer("View") + 1));
  settings.Set("Patch",
               engine.Mixer.SelectSoundcardSet(
                   choice.SoundcardMode, set == settings.InstrumentSets.end() ? "" : set->second));
  settings.ApplySettings(engine);
}

}  // namespace korvel
