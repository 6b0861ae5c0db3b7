#include "app/PlayAlong.h"

#include <algorithm>

#include "app/Engine.h"

namespace korvel {

MinusOneResult SetMinusOne(Engine& engine, bool on, bool generatorHasSong, bool filePlayerPlaying) {
  LiveSettings& live = engine.Live;
  if (!on) {
    live.MinusOne = false;
    live.MinusOneHold = false;
    return MinusOneResult::Off;
  }
  if (generatorHasSong || filePlayerPlaying) {
    SetReplaceOne(engine, true);
    return MinusOneResult::ReplaceOneInstead;
  }
  live.ReplaceOne = false;
  live.MinusOne = true;
  return MinusOneResult::On;
}

void SetReplaceOne(Engine& engine, bool on) {
  LiveSettings& live = engine.Live;
  if (!on) {
    live.ReplaceOne = false;
    return;
  }
  live.MinusOne = false;
  live.MinusOneHold = false;
  if (!live.ReplaceOne) engine.Player.ChannelSoundOff(*engine.Ports.PlayPort, live.SelChannel);
  live.ReplaceOne = true;
}

void ChoosePlayAlongChannel(Engine& engine, int channel) {
  channel = std::clamp(channel, 0, 15);
  LiveSettings& live = engine.Live;
  if (channel != live.SelChannel) {
    // The hold belongs to the notes played on the old channel.
    live.MinusOneHold = false;
    if (live.ReplaceOne) engine.Player.ChannelSoundOff(*engine.Ports.PlayPort, channel);
  }
  engine.Mixer.ChooseChannel(channel);
}

}  // namespace korvel
