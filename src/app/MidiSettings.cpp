#include "app/MidiSettings.h"

#include <algorithm>

#include "app/Configuration.h"
#include "app/Engine.h"

namespace korvel {

MidiSettingsChoice CurrentMidiSettings(const Engine& engine, bool welcome) {
  MidiSettingsChoice choice;
  const MidiPorts& ports = engine.Ports;
  const auto& outputs = ports.OutputList();  // devices, the synthesizer, "<None>"
  const auto& inputs = ports.InputList();    // devices, "<None>"
  const auto name = [](const std::vector<std::string>& list, int position, size_t choosable) {
    return position >= 0 && static_cast<size_t>(position) < choosable ? list[position]
                                                                      : std::string();
  };
  if (welcome) {
    choice.Input = name(inputs, 0, inputs.size() - 1);
    choice.Output = name(outputs, static_cast<int>(outputs.size()) - 2, outputs.size() - 1);
    return choice;
  }
  choice.EnglishLayout = engine.Keyboard.Layout == 1;
  choice.StaticChordKeys = engine.Transport.StaticChordKeys;
  choice.SoundcardMode = engine.Mixer.List.Mode == kPatchXg   ? 3
                         : engine.Mixer.List.Mode == kPatchGs ? 1
                                                              : 0;
  choice.Input = name(inputs, ports.ExtMidiInList, inputs.size() - 1);
  choice.Output = name(outputs, ports.ComboBox1, outputs.size() - 1);
  choice.VelocityOffset = engine.Input.VelocityOffset;
  return choice;
}

void ApplyMidiSettings(const MidiSettingsChoice& choice, Engine& engine, Configuration& settings) {
  MidiPorts& ports = engine.Ports;
  // Where the chosen name stands now; "<None>" (last) is not a choice of the page.
  const auto position = [](const std::vector<std::string>& list, const std::string& name) {
    const auto at = std::find(list.begin(), list.end() - 1, name);
    return name.empty() || at == list.end() - 1 ? -1 : static_cast<int>(at - list.begin());
  };
  if (const int input = position(ports.InputList(), choice.Input); input >= 0) {
    ports.ExtMidiInList = input;
    ports.ExtMidiInChange();
  }
  if (const int output = position(ports.OutputList(), choice.Output); output >= 0) {
    ports.ComboBox1 = output;
    ports.ComboBox1Change();
  }
  settings.TakeSettings(engine);
  settings.Set("K_Layout", choice.EnglishLayout ? 1 : 0);
  settings.Set("K_Smart", choice.StaticChordKeys ? 1 : 0);
  settings.Set("VelOffset", std::clamp(choice.VelocityOffset, -20, 20));
  // ApplySettings loads the list, with its stored key set.
  settings.Set("Patch", engine.Mixer.SoundcardSetFile(choice.SoundcardMode));
  settings.ApplySettings(engine);
}

}  // namespace korvel
