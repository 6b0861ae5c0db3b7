#include "app/SoloMute.h"

#include <algorithm>

#include "app/Engine.h"

namespace korvel {

namespace {

bool Passes(int solo, int channel) {
  return solo == 0 || solo == channel + 1;
}

}  // namespace

void SetSolo(Engine& engine, int selection) {
  selection = std::clamp(selection, 0, 16);
  NoteBookkeeping& notes = engine.Notes;
  const int before = notes.SoloChannel;
  notes.SoloSelection = static_cast<int16_t>(selection);
  notes.SoloChannel = static_cast<int16_t>(selection);
  for (int c = 0; c < 16; ++c)
    if (Passes(before, c) && !Passes(selection, c))
      engine.Player.ChannelSoundOff(*engine.Ports.PlayPort, c);
}

void SetChannelMute(Engine& engine, int channel, bool mute) {
  if (channel < 0 || channel > 15) return;
  const auto c = static_cast<size_t>(channel);
  NoteBookkeeping& notes = engine.Notes;
  notes.ChannelBoxes[c] = mute;
  if (mute && !notes.ChannelMute[c]) engine.Player.ChannelSoundOff(*engine.Ports.PlayPort, channel);
  // Unticked, the channel follows the part that plays.
  const Style& style = engine.Style;
  const bool partMutes =
      style.StyleMode && style.Parts.Part(engine.Player.CurrentPart).PartMute(channel);
  notes.ChannelMute[c] = mute || partMutes ? 1 : 0;
}

}  // namespace korvel
