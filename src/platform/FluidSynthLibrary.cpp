#include "platform/FluidSynthLibrary.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace korvel {
namespace {

std::mutex logMutex;
std::string lastLogError;

void KeepLog(int level, const char* message, void*) {
  if (level > FLUID_WARN || message == nullptr) return;
  std::lock_guard lock(logMutex);
  lastLogError = message;
}

void InstallLogFunctions(const FluidSynthLibrary& library) {
  library.fluid_set_log_function(FLUID_PANIC, KeepLog, nullptr);
  library.fluid_set_log_function(FLUID_ERR, KeepLog, nullptr);
  library.fluid_set_log_function(FLUID_WARN, KeepLog, nullptr);
  library.fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  library.fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

}  // namespace

std::string TakeFluidSynthLog() {
  std::lock_guard lock(logMutex);
  return std::exchange(lastLogError, {});
}

const FluidSynthLibrary& FluidSynth(const std::string& file) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<FluidSynthLibrary>> opened;
  std::lock_guard lock(mutex);
  auto& library = opened[file];
  if (library) return *library;
  const auto missing = [&file](const std::string& why) {
    return MidiDriverError(kMidiNoDriver, "The synthesizer library \"" + file +
                                              "\" could not be loaded (" + why +
                                              "). Install libfluidsynth3, or choose another "
                                              "MIDI output.");
  };
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw missing(dlerror());
  auto found = std::make_unique<FluidSynthLibrary>();
  const char* absent = nullptr;
#define KORVEL_FLUIDSYNTH_FIND(name)                                           \
  found->name = reinterpret_cast<decltype(found->name)>(dlsym(handle, #name)); \
  if (!found->name && !absent) absent = #name;
  KORVEL_FLUIDSYNTH_FUNCTIONS(KORVEL_FLUIDSYNTH_FIND)
#undef KORVEL_FLUIDSYNTH_FIND
  if (absent) {
    dlclose(handle);
    throw missing(std::string("it has no ") + absent);
  }
  InstallLogFunctions(*found);
  library = std::move(found);
  return *library;
}

}  // namespace korvel
