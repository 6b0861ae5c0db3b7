// Any bytes as an instrument list, and as a stored key set: every choice is a valid program
// and bank, the keys hold indexes the list has, and a stored set reads back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "app/KeySlots.h"
#include "platform/AtomicFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = [] {
    const auto path =
        std::filesystem::temp_directory_path() / ("korvel-kvi-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return (path / "fuzz.kvi").string();
  }();
  korvel::WriteFileAtomically(file, std::span<const uint8_t>(data, size));
  korvel::InstrumentList list;
  std::string error;
  list.LoadFile(file, error);
  for (int index = -1; index <= list.Size(); ++index) {
    const auto choice = list.Choice(index);
    if (!choice) continue;
    if (choice->Program < 0 || choice->Program > 127 || choice->Bank1 < 0 || choice->Bank1 > 127 ||
        choice->Bank2 < 0 || choice->Bank2 > 127)
      std::abort();
  }
  korvel::KeySlots keys;
  const std::string set(reinterpret_cast<const char*>(data), size);
  for (const std::string& stored : {set, std::string()}) {
    if (!keys.ApplyKeySet(stored, list)) continue;
    for (int slot = 0; slot < 12; ++slot) {
      const korvel::KeySlot& key = keys.Slots[static_cast<size_t>(slot)];
      if (!key.IsFunction() && key.Value >= list.Size()) std::abort();
      keys.Text(slot, list);
    }
    korvel::KeySlots again;
    if (list.Size() <= 999 && (!again.ApplyKeySet(keys.SetString(list.Size()), list) ||
                               again.Slots[0].Value != keys.Slots[0].Value))
      std::abort();
  }
  std::mt19937 random(static_cast<unsigned>(size));
  keys.Random(list, random);
  return 0;
}
