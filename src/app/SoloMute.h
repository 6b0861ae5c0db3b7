// The "Solo" group and the sixteen mute switches that decide which channels of the style reach
// the output. Called under the engine lock.
#pragma once

namespace korvel {

class Engine;

// "Nil" (0) lets every channel pass, 1..16 only that channel. The choice also comes back after
// a song's lead-in and at every transport reset. Channels that stop passing fall silent now:
// the player's filter would drop their note-offs.
void SetSolo(Engine& engine, int selection);
// A ticked switch mutes its channel and keeps the mute when a part brings its own; an unticked
// one lets it play until a part mutes it again. A muted channel falls silent now.
void SetChannelMute(Engine& engine, int channel, bool mute);

}  // namespace korvel
