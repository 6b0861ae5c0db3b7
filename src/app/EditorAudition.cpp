#include "app/EditorAudition.h"

#include "performance/ChordTypes.h"

namespace korvel {

std::vector<int> EditorAudition::NotesOf(const ChordEntry& entry) {
  std::vector<int> notes;
  if (!entry.HasChord()) return notes;
  for (const int tone : ChordTonesOf(entry.Root + 12, entry.PlayableType()))
    if (tone >= 0 && tone <= 127) notes.push_back(tone);
  return notes;
}

void EditorAudition::Start(Engine& engine, const ChordEntry& entry) {
  Stop(engine);
  TMidiOutput& port = *engine.Ports.PlayPort;
  if (!port.IsOpen()) return;
  channel_ = engine.Live.SelChannel & 0x0F;
  sounding_ = NotesOf(entry);
  for (const int note : sounding_)
    port.PutShort(static_cast<uint8_t>(0x90 | channel_), static_cast<uint8_t>(note), 100);
}

void EditorAudition::Stop(Engine& engine) {
  if (sounding_.empty()) return;
  TMidiOutput& port = *engine.Ports.PlayPort;
  if (port.IsOpen()) {
    for (const int note : sounding_)
      port.PutShort(static_cast<uint8_t>(0x90 | channel_), static_cast<uint8_t>(note), 0);
    engine.Player.ChannelSoundOff(port, channel_);
  }
  sounding_.clear();
}

}  // namespace korvel
