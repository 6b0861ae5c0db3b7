#include "app/BeatText.h"

namespace korvel {
namespace {

std::string ControlKeyText(int note, const ControlKeys& keys) {
  // When several keys share a note, the later one in this order names it.
  const std::pair<int, const char*> names[] = {{keys.FillInKey, "Fill In"},
                                               {keys.ToBasicKey, "To Basic"},
                                               {keys.EndingKey, "Ending"},
                                               {keys.ToAdvKey, "To Ext."},
                                               {keys.IntroKey(), "Intro"}};
  std::string text;
  for (const auto& [key, name] : names)
    if (key == note) text = name;
  return text;
}

std::string MixText(int value) {
  if (value == 0) return "Play All";
  if (value <= 16) return "Solo C." + std::to_string(value);
  if (value == 220) return "Mute M.";
  if (value == 221) return "Play M.";
  if (value >= 222 && value <= 237) return "Mute C." + std::to_string(238 - value);
  // 238 would be channel 17: playback takes it for nothing, so it shows nothing.
  if (value >= 239 && value <= 254) return "Play C." + std::to_string(255 - value);
  if (value == 255) return "Mute All";
  return {};
}

}  // namespace

std::string FunctionText(const ChordEntry& entry, const ControlKeys& keys) {
  const int value = entry.Value;
  switch (entry.Control) {
    case kCommandMix:
      return MixText(value);
    case kCommandTranspose:
      if (value >= 245) return std::to_string(256 - value) + " Down";
      if (value >= 1) return std::to_string(value) + " Up";
      return "0 Up/Down";
    case kCommandRepeat:
      return value == 0 ? "LoopEnd" : "Loop " + std::to_string(value - 100) + "x";
    case kCommandTempo:
      return "Tempo " + std::to_string(value);
    case kCommandEnd:
      return "STOP";
    default:
      if (entry.Value == kControlKeyCode) return ControlKeyText(entry.Control, keys);
      return {};
  }
}

}  // namespace korvel
