// The style's channel settings on their way to the sound module after an import, a load or a
// recording, and the live keyboard's channel beside them.
#include "stylegen/StyleGenerator.h"

namespace korvel {

void StyleGenerator::SendChannelSettings(int channel, bool reset) {
  TMidiOutput& port = *ports_.PlayPort;
  if (!port.IsOpen() || channel < 0 || channel > 15) return;
  const auto control = static_cast<uint8_t>(0xB0 | channel);
  const auto value = [&](int index) { return sent_.ChannelStateValue(channel, index); };
  port.PutShort(control, 121, 0);
  if (reset && value(ChannelState::kProgramIndex) == ChannelState::kNone) {
    sent_.SetChannelStateValue(channel, ChannelState::kProgramIndex, 0);
  }
  const bool programSet = value(ChannelState::kProgramIndex) < 128;
  for (int bank : {0, 32}) {
    uint8_t v = value(bank);
    if (v == ChannelState::kNone && programSet) v = 0;
    if (v < 128) port.PutShort(control, static_cast<uint8_t>(bank), v);
  }
  if (programSet) {
    port.PutShort(static_cast<uint8_t>(0xC0 | channel), value(ChannelState::kProgramIndex), 0);
  }
  for (int controller : {1, 7, 10, 11, 64, 66, 67, 91, 93}) {
    if (value(controller) < 128)
      port.PutShort(control, static_cast<uint8_t>(controller), value(controller));
  }
  if (value(ChannelState::kPressureIndex) < 128) {
    port.PutShort(static_cast<uint8_t>(0xD0 | channel), value(ChannelState::kPressureIndex), 0);
  }
  // The mixer shows what the channel now sounds with.
  MixerRecord& mixer = live_.Mixer[static_cast<size_t>(channel)];
  const auto take = [&](uint8_t& field, int index) {
    if (value(index) < 128) field = value(index);
  };
  take(mixer.Volume, 7);
  take(mixer.Pan, 10);
  take(mixer.Reverb, 91);
  take(mixer.Chorus, 93);
  take(mixer.Modulation, 1);
  take(mixer.BankMsb, 0);
  take(mixer.BankLsb, 32);
  take(mixer.Program, ChannelState::kProgramIndex);
}

void StyleGenerator::SaveLiveChannelSettings() {
  for (int index = 0; index < static_cast<int>(SavedLiveSettings.size()); ++index) {
    SavedLiveSettings[static_cast<size_t>(index)] =
        sent_.ChannelStateValue(live_.SelChannel, index);
  }
}

void StyleGenerator::PlaceKeyboardChannel(bool restore) {
  int live = live_.SelChannel;
  sent_.ResetChannelState();
  const StyleChannelTable& table = style_.Channels;
  for (int c = 0; c < 16; ++c) {
    if (!table.HasNotes(c)) continue;
    for (int index : kChannelSettingIndexes)
      sent_.SetChannelStateValue(c, index, table.Value(c, index));
    SendChannelSettings(c, true);
  }
  if (!restore) return;
  if (live == 0 && table.HasNotes(0)) {
    // The keyboard moves out of the style's way, to the first channel it leaves free.
    for (int c = 1; c < 16; ++c) {
      if (!table.HasNotes(c)) {
        live = c;
        break;
      }
    }
  } else if (table.HasNotes(live)) {
    return;
  }
  if (table.HasNotes(live)) return;  // the style uses every channel
  for (int index = 0; index < static_cast<int>(SavedLiveSettings.size()); ++index)
    sent_.SetChannelStateValue(live, index, SavedLiveSettings[static_cast<size_t>(index)]);
  SendChannelSettings(live, true);
  live_.SelChannel = live;
}

}  // namespace korvel
