// Any bytes as a configuration file: every setting reads as a value of its kind and range or
// as its default, and the file written back from them reads the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Configuration.h"
#include "platform/AtomicFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    const auto path =
        std::filesystem::temp_directory_path() / ("korvel-config-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  const std::string file = folder + "/korvel.ini";
  korvel::WriteFileAtomically(file, std::span<const uint8_t>(data, size));
  korvel::Configuration config("/opt/korvel");
  std::string error;
  if (!config.LoadSettings(file, error)) return 0;
  for (const auto& spec : config.Keys()) {
    if (spec.Type == korvel::SettingType::Integer) {
      const int value = config.Integer(spec.Key);
      if (value < spec.Low || value > spec.High) std::abort();
    }
  }
  config.SaveSettings(file);
  korvel::Configuration again("/opt/korvel");
  if (!again.LoadSettings(file, error)) std::abort();
  for (const auto& spec : config.Keys()) {
    if (spec.Type != korvel::SettingType::Text && config.Text(spec.Key) != again.Text(spec.Key)) {
      std::abort();
    }
  }
  return 0;
}
