// korvel-cli: the Korvel core without a display, for scripts and checks.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "app/MidiSystem.h"
#include "midi/MidiPorts.h"

namespace {

// Questions get the default answer and messages go to standard error: a script has no one to
// ask.
class ConsoleDialogs : public korvel::Dialogs {
 public:
  bool AskYesNo(const std::string& text) override {
    std::cerr << text << " (answered No)\n";
    return false;
  }
  void InformUser(const std::string& text) override { std::cerr << text << "\n"; }
  void ShowStatus(const std::string& text) override { std::cerr << text << "\n"; }
};

korvel::MidiSystemSettings SystemSettings(const std::string& api, const std::string& soundFont) {
  korvel::MidiSystemSettings settings;
  settings.Api = korvel::ParseMidiApiChoice(api);
  if (!soundFont.empty()) settings.Synth.SoundFont = soundFont;
  return settings;
}

int Devices(const korvel::MidiSystemSettings& settings) {
  korvel::MidiSystem system(settings);
  ConsoleDialogs dialogs;
  korvel::MidiPorts ports(system.Devices, system.InputSettings, dialogs,
                          korvel::InputDispatch::Manual);
  std::cout << "system " << system.Ports.ApiName() << "\n";
  const auto& outputs = ports.OutputList();
  for (size_t i = 0; i < outputs.size(); ++i) std::cout << "out " << i << " " << outputs[i] << "\n";
  const auto& inputs = ports.InputList();
  for (size_t i = 0; i < inputs.size(); ++i) std::cout << "in " << i << " " << inputs[i] << "\n";
  if (!system.Ports.Problem().empty()) std::cerr << system.Ports.Problem() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Korvel, a MIDI arranger, without a display."};
  app.require_subcommand(1);
  std::string api = "auto";
  std::string soundFont;
  app.add_option("--midi-api", api, "MIDI system: auto, alsa or jack (KORVEL_MIDI_API overrides)")
      ->check(CLI::IsMember({"auto", "alsa", "jack"}, CLI::ignore_case));
  app.add_option("--soundfont", soundFont, "SoundFont of the built-in synthesizer");

  auto* devices = app.add_subcommand(
      "devices", "List the MIDI output and input devices as the main window lists them");

  CLI11_PARSE(app, argc, argv);
  try {
    const auto settings = SystemSettings(api, soundFont);
    if (*devices) return Devices(settings);
  } catch (const std::exception& e) {
    std::cerr << "korvel-cli: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
