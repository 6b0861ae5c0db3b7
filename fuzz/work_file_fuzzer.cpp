// Any bytes as a work file: the reader refuses what it cannot vouch for and describes the rest;
// a file it takes plays a few measures of its material in song mode and of its first set part
// in style mode through the generator's player, so that a walk that never ends shows as a
// timeout and a read outside a chunk as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzEngine.h"
#include "app/GeneratorCommands.h"
#include "app/WorkFiles.h"
#include "stylegen/WorkFile.h"

namespace {

void PlayAWhile(korvel::Engine& engine) {
  engine.Transport.StartDelay = 0;
  for (int tick = 0; tick < 4 * 96 && engine.Player.Playing; ++tick) {
    engine.Transport.StartDelay = 0;
    engine.Transport.ClockTick();
  }
  engine.Transport.StopCommand();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzEngine fuzz;
  static korvel::WorkFiles files(fuzz.Engine, fuzz.Dialogs);
  korvel::Engine* engine = &fuzz.Engine;

  const std::span<const uint8_t> bytes(data, size);
  std::string error;
  const auto contents = korvel::ParseWorkFile(bytes, error);
  if (!contents) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (korvel::WorkInfoText(*contents).empty()) std::abort();
  // What was read is written back as it was.
  const auto again = korvel::ParseWorkFile(korvel::SerializeWorkFile(*contents), error);
  if (!again || again->MaterialBytes() != contents->MaterialBytes()) std::abort();

  std::lock_guard lock(engine->Lock);
  if (!files.TakeWorkFile("fuzz.kvw", bytes)) std::abort();
  korvel::StartGeneratorPlay(*engine);
  PlayAWhile(*engine);
  korvel::Style& style = engine->Style;
  for (int part = 0; part < korvel::kStylePartCount; ++part) {
    if (style.Parts.Part(part).Empty()) continue;
    style.StyleMode = true;
    style.SelectedPart = part;
    engine->Generator.LoopRange = {style.Parts.Part(part).FirstMeasure(), 1,
                                   style.Parts.Part(part).LastMeasure()};
    korvel::StartGeneratorPlay(*engine);
    PlayAWhile(*engine);
    break;
  }
  fuzz.Driver.ClearSent();
  return 0;
}
