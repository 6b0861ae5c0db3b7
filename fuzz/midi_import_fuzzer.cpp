// Any bytes as a Standard MIDI File: the reader refuses them in words or reads them without
// reading out of bounds. What it reads is imported into the generator (an odd-sized input is
// imported twice, the second time appended on the bar line) and played in song mode for a few
// hundred clocks, so that material that hangs the player shows as a timeout.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "FuzzEngine.h"
#include "app/Engine.h"
#include "app/GeneratorCommands.h"
#include "app/MidiFileImport.h"

namespace {

struct Player : FuzzEngine {
  korvel::MidiFileImport Import{Engine, Dialogs, View};

  void Play(std::span<const uint8_t> bytes) {
    {
      std::lock_guard lock(Engine.Lock);
      if (!Import.TakeMidiFile("fuzz.mid", bytes, false, true)) return;
      if (bytes.size() % 2 == 1) {
        Import.AppendMode = true;
        Import.TakeMidiFile("fuzz.mid", bytes, false, true);
      }
      // The generator's Play in song mode: the material from its start.
      if (!korvel::StartGeneratorPlay(Engine)) return;
    }
    for (int tick = 0; tick < 600 && Engine.Step(); ++tick) {
    }
    std::lock_guard lock(Engine.Lock);
    Engine.Player.StopPlayback();
    Driver.ClearSent();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Player* player = new Player;
  player->Play(std::span<const uint8_t>(data, size));
  return 0;
}
