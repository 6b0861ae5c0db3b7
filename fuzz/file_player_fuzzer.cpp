// Any bytes as a MIDI file for the file player: it refuses them in words or plays them. What it
// takes is played for a few hundred blocks with a seek and a loop range, so that a file that
// hangs the player shows as a timeout.
#include <unistd.h>
#include <cstddef>
#include <cstdint>

#include <filesystem>

#include "app/HeadlessUi.h"
#include "app/MidiFilePlayer.h"
#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"

namespace {

struct Rig {
  korvel::RecordingDriver Driver{{"Module"}, {}};
  korvel::MidiDevices Devices{Driver, nullptr};
  korvel::ChannelState Channels;
  korvel::InputCallbackSettings Input{Channels};
  korvel::TextDialogs Dialogs{nullptr};
  korvel::MidiPorts Ports{Devices, Input, Dialogs, korvel::InputDispatch::Manual};
  korvel::MidiFilePlayer Player{Ports, Devices, Dialogs};
  std::string Path = (std::filesystem::temp_directory_path() /
                      ("korvel-fuzz-" + std::to_string(getpid()) + ".mid"))
                         .string();

  Rig() { Player.SelectOutput(0); }

  void Play(std::span<const uint8_t> bytes) {
    try {
      korvel::PrepareMidiFile(bytes);
    } catch (const korvel::PlayableMidiFileError&) {
      return;
    }
    korvel::WriteFileAtomically(Path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (!Player.Open(Path)) return;
    for (int block = 0; block < 300 && Player.Playing(); ++block) {
      if (block == 100) Player.Step();
      if (block == 150 && Player.Length() > 1) Player.SetLoop(Player.Length() / 2, Player.Length());
      Player.Advance(korvel::kFileBlockFrames);
    }
    Player.Stop();
    Driver.ClearSent();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig* rig = new Rig;
  rig->Play(std::span<const uint8_t>(data, size));
  return 0;
}
