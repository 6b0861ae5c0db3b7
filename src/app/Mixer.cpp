#include "app/Mixer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "app/SoloMute.h"

namespace korvel {

namespace {

constexpr std::array<uint8_t, 6> kGmSystemOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr std::array<uint8_t, 11> kGsReset = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                              0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::array<uint8_t, 9> kXgSystemOn = {0xF0, 0x43, 0x10, 0x4C, 0x00,
                                                0x00, 0x7E, 0x00, 0xF7};

// What each scroll bar sends: a controller number, or -1 for channel pressure.
constexpr std::array<int, kBarCount> kBarController = {7, 10, 91, 93, 1, 11, 64, -1};

uint8_t DataByte(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

Mixer::Mixer(Engine& engine, Dialogs& dialogs) : engine_(engine), dialogs_(dialogs) {}

void Mixer::SysexPlayed() {
  if (Hooks.ResetMessagePlayed) Hooks.ResetMessagePlayed();
}

bool Mixer::OutputBusy() const {
  return engine_.Ports.PlayPort->PendingLongMessages() > 0;
}

void Mixer::Send(uint8_t status, uint8_t data1, uint8_t data2) {
  TMidiOutput& port = *engine_.Ports.PlayPort;
  if (!port.IsOpen() || OutputBusy()) return;
  const int channel = status & 0x0F;
  switch (status & 0xF0) {
    case 0xB0:
      if (ChannelState::Tracked(data1)) engine_.Sent.SetChannelStateValue(channel, data1, data2);
      break;
    case 0xC0:
      engine_.Sent.SetChannelStateValue(channel, ChannelState::kProgramIndex, data1);
      break;
    case 0xD0:
      engine_.Sent.SetChannelStateValue(channel, ChannelState::kPressureIndex, data1);
      break;
    default:
      break;
  }
  port.PutShort(status, data1, data2);
}

void Mixer::SendController(int channel, uint8_t controller, int value) {
  Send(static_cast<uint8_t>(0xB0 | channel), controller, DataByte(value));
}

void Mixer::LoadInstrumentList(const std::string& patch, const std::string& storedSet) {
  if (patch.empty()) {
    List.LoadBuiltIn();
  } else {
    std::string error;
    if (!List.LoadFile(ListFilePath(patch), error)) {
      dialogs_.ShowStatus(error + " The General MIDI list is used.");
      List.LoadBuiltIn();
    }
  }
  Selected = 0;
  engine_.Loader.Settings.InstrumentSetName = List.DisplayName;
  // Without a stored set for this list, its mode's default set; without that either, the
  // instrument keys are emptied, as they would play whatever now stands on their lines.
  if (!Keys.ApplyKeySet(storedSet, List) && !Keys.ApplyKeySet("", List)) {
    for (int slot = 0; slot < 12; ++slot)
      if (!Keys.Slots[static_cast<size_t>(slot)].IsFunction()) Keys.Clear(slot);
  }
}

std::string Mixer::ListFilePath(const std::string& patch) const {
  const std::filesystem::path path(patch);
  return (path.is_relative() ? std::filesystem::path(ProgramDir) / path : path).string();
}

std::vector<std::string> Mixer::InstrumentSetFiles() const {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(ProgramDir, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(error) && Lower(entry.path().extension().string()) == ".kvi")
      files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Mixer::SoundcardSetFile(int mode) const {
  static const std::array<const char*, 4> kNames = {"gm.kvi", "gs.kvi", "sc-55.kvi", "db50xg.kvi"};
  const std::vector<std::string> files = InstrumentSetFiles();
  std::string chosen = files.empty() ? "" : files.front();
  const std::string wanted = kNames[static_cast<size_t>(std::clamp(mode, 0, 3))];
  for (const std::string& file : files) {
    if (Lower(file).find(wanted) != std::string::npos) {
      chosen = file;
      break;
    }
  }
  return chosen;
}

std::string Mixer::SelectSoundcardSet(int mode, const std::string& storedSet) {
  const std::string chosen = SoundcardSetFile(mode);
  LoadInstrumentList(chosen, storedSet);
  return chosen;
}

void Mixer::SelectInstrument(int index, bool byUser) {
  if (List.Size() == 0) return;
  Selected = index < 0 ? 0 : std::min(index, List.Size() - 1);
  if (OutputBusy()) return;
  SendInstrument(engine_.Live.SelChannel, Selected, byUser);
}

void Mixer::SendInstrument(int channel, int index, bool byUser) {
  const auto choice = List.Choice(index);
  if (!choice) return;
  uint8_t msb = 0;
  uint8_t lsb = 0;
  if (List.Mode == kPatchGs) {
    msb = DataByte(choice->Bank1);
    lsb = DataByte(choice->Bank2);
  } else if (List.Mode == kPatchXg) {
    msb = DataByte(choice->Bank2);
    lsb = DataByte(choice->Bank1);
  }
  const auto program = DataByte(choice->Program);
  if (List.Mode != kPatchGm) {
    SendController(channel, 0, msb);
    SendController(channel, 32, lsb);
  }
  Send(static_cast<uint8_t>(0xC0 | channel), program, 0);
  MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(channel)];
  record.BankMsb = msb;
  record.BankLsb = lsb;
  record.Program = program;
  ChannelInstrument[static_cast<size_t>(channel)] = static_cast<uint16_t>(index);
  if (byUser && engine_.Style.StyleLoaded) {
    engine_.Style.WriteChannelSetting(channel, 0, msb, FixChanges);
    engine_.Style.WriteChannelSetting(channel, 32, lsb, FixChanges);
    engine_.Style.WriteChannelSetting(channel, ChannelState::kProgramIndex, program, FixChanges);
  }
}

void Mixer::MoveBar(MixerBar bar, int value, bool byUser) {
  value = std::clamp(value, 0, 127);
  Bars[bar] = value;
  const int channel = engine_.Live.SelChannel;
  const int controller = kBarController[bar];
  if (controller < 0) {
    Send(static_cast<uint8_t>(0xD0 | channel), DataByte(value), 0);
    return;
  }
  SendController(channel, static_cast<uint8_t>(controller), value);
  MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(channel)];
  switch (bar) {
    case kBarVolume:
      record.Volume = DataByte(value);
      break;
    case kBarPan:
      record.Pan = DataByte(value);
      break;
    case kBarReverb:
      record.Reverb = DataByte(value);
      if (byUser && channel == 9) DefinedReverbDrums = value;
      break;
    case kBarChorus:
      record.Chorus = DataByte(value);
      break;
    case kBarModulation:
      record.Modulation = DataByte(value);
      break;
    default:
      return;  // expression, sustain: not part of the record or the style
  }
  if (byUser && engine_.Style.StyleLoaded)
    engine_.Style.WriteChannelSetting(channel, controller, DataByte(value), FixChanges);
}

void Mixer::ChooseChannel(int channel) {
  channel = std::clamp(channel, 0, 15);
  engine_.Live.SelChannel = channel;
  engine_.Live.MixerChannel = channel;
  if (Solo) SetSolo(engine_, channel + 1);
  Selected = ChannelInstrument[static_cast<size_t>(channel)];
}

std::array<std::string, 8> Mixer::SentValues(int channel) const {
  const ChannelState& sent = engine_.Sent;
  std::array<std::string, 8> values = {sent.ChannelStateText(channel, 0),
                                       sent.ChannelStateText(channel, 32),
                                       sent.ChannelStateText(channel, 7),
                                       "",
                                       sent.ChannelStateText(channel, 91),
                                       sent.ChannelStateText(channel, 93),
                                       sent.ChannelStateText(channel, 11),
                                       sent.ChannelStateText(channel, ChannelState::kProgramIndex)};
  const uint8_t pan = sent.ChannelStateValue(channel, 10);
  if (pan != ChannelState::kNone) values[3] = std::to_string(pan - 64);
  return values;
}

std::string Mixer::ChannelLine(int channel) const {
  const std::string number = (channel < 9 ? "0" : "") + std::to_string(channel + 1);
  const MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(channel)];
  return " Ch. " + number + " : " + GmInstrumentName(channel, record.Program);
}

void Mixer::SendValues() {
  if (OutputBusy()) return;
  const int channel = engine_.Live.SelChannel;
  SendController(channel, 121, 0);
  SendInstrument(channel, ChannelInstrument[static_cast<size_t>(channel)], false);
  for (MixerBar bar : {kBarVolume, kBarPan, kBarReverb, kBarChorus})
    SendController(channel, static_cast<uint8_t>(kBarController[bar]), Bars[bar]);
  if (Bars[kBarModulation] > 0) SendController(channel, 1, Bars[kBarModulation]);
  if (Bars[kBarExpression] < 127) SendController(channel, 11, Bars[kBarExpression]);
  if (Bars[kBarSustain] > 0) SendController(channel, 64, Bars[kBarSustain]);
  if (Bars[kBarAftertouch] > 0)
    Send(static_cast<uint8_t>(0xD0 | channel), DataByte(Bars[kBarAftertouch]), 0);
}

void Mixer::SendChannelRecord(int channel) {
  if (channel < 0 || channel > 15 || OutputBusy()) return;
  const MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(channel)];
  SendInstrument(channel, ChannelInstrument[static_cast<size_t>(channel)], false);
  SendController(channel, 7, record.Volume);
  SendController(channel, 10, record.Pan);
  SendController(channel, 91, record.Reverb);
  SendController(channel, 93, record.Chorus);
}

void Mixer::ControllerReset() {
  if (OutputBusy()) return;
  for (int channel = 0; channel < 16; ++channel) SendController(channel, 121, 0);
  SendValues();
  engine_.Sent.ResetChannelState();
}

void Mixer::AllNotesOff() {
  engine_.Player.AllSoundOff(*engine_.Ports.PlayPort);
  Bars[kBarSustain] = 0;
}

void Mixer::ReverbStep(int step) {
  StyleChannelTable& table = engine_.Style.Channels;
  for (int channel = 0; channel < 16; ++channel) {
    if (!table.HasNotes(channel)) continue;
    const int value = step == 128 ? 0 : (channel == 9 ? DefinedReverbDrums : DefinedReverb);
    if (value >= 128) continue;
    table.SetValue(channel, 91, DataByte(value));
    engine_.Live.Mixer[static_cast<size_t>(channel)].Reverb = DataByte(value);
    SendController(channel, 91, value);
  }
}

void Mixer::NormalizeStyleVolume(int maxVolume, bool fromButton) {
  StyleChannelTable& table = engine_.Style.Channels;
  const auto isSet = [&table](int channel) { return table.Value(channel, 7) < 128; };
  int loudest = -1;
  for (int channel = 0; channel < 16; ++channel) {
    if (isSet(channel)) loudest = std::max<int>(loudest, table.Value(channel, 7));
  }
  if (loudest < 0) return;
  const int target = fromButton ? std::clamp(maxVolume, 1, 127) : maxVolume < 90 ? 100 : maxVolume;
  const int offset = target - loudest;
  for (int channel = 0; channel < 16; ++channel) {
    if (!isSet(channel)) continue;
    // Never below 0 nor above 127: a controller value stays a data byte.
    const uint8_t volume = DataByte(table.Value(channel, 7) + offset);
    table.SetValue(channel, 7, volume);
    if (fromButton) engine_.Live.Mixer[static_cast<size_t>(channel)].Volume = volume;
    SendController(channel, 7, volume);
  }
}

int Mixer::InstrumentLine(uint8_t program, uint8_t msb, uint8_t lsb) const {
  for (int index = 0; index < List.Size(); ++index) {
    const auto choice = List.Choice(index);
    if (!choice || choice->Program != program) continue;
    if (List.Mode == kPatchGm ||
        (List.Mode == kPatchGs && choice->Bank1 == msb && choice->Bank2 == lsb) ||
        (List.Mode == kPatchXg && choice->Bank2 == msb && choice->Bank1 == lsb)) {
      return index;
    }
  }
  return -1;
}

void Mixer::TakeStyleChannels() {
  const StyleChannelTable& table = engine_.Style.Channels;
  for (int channel = 0; channel < 16; ++channel) {
    MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(channel)];
    const auto take = [&](uint8_t& field, int index) {
      const uint8_t value = table.Value(channel, index);
      if (value < 128) field = value;
    };
    take(record.Volume, 7);
    take(record.Pan, 10);
    take(record.Reverb, 91);
    take(record.Chorus, 93);
    take(record.Modulation, 1);
    take(record.BankMsb, 0);
    take(record.BankLsb, 32);
    if (table.Value(channel, ChannelState::kProgramIndex) < 128) {
      take(record.Program, ChannelState::kProgramIndex);
      const int line = InstrumentLine(record.Program, record.BankMsb, record.BankLsb);
      if (line >= 0) ChannelInstrument[static_cast<size_t>(channel)] = static_cast<uint16_t>(line);
    }
  }
  const int live = engine_.Live.SelChannel;
  const MixerRecord& record = engine_.Live.Mixer[static_cast<size_t>(live)];
  Bars[kBarVolume] = record.Volume;
  Bars[kBarPan] = record.Pan;
  Bars[kBarReverb] = record.Reverb;
  Bars[kBarChorus] = record.Chorus;
  Bars[kBarModulation] = record.Modulation;
  Selected = ChannelInstrument[static_cast<size_t>(live)];
  if (Hooks.ValuesChanged) Hooks.ValuesChanged();
}

void Mixer::StartDeviceReset(DeviceReset kind) {
  TMidiOutput& port = *engine_.Ports.PlayPort;
  if (!port.IsOpen() || OutputBusy()) return;
  reset_.ClockWasOn = engine_.Transport.ClockState != 0;
  if (engine_.Player.Playing) engine_.Player.StopPlayback();
  if (engine_.Transport.ClockState != 0) engine_.Transport.ToggleClock();
  try {
    engine_.Player.AllSoundOff(port);
    ControllerReset();
    reset_.Pending = true;
    switch (kind) {
      case DeviceReset::Gm:
        port.PutLong(kGmSystemOn.data(), kGmSystemOn.size());
        break;
      case DeviceReset::Gs:
        port.PutLong(kGsReset.data(), kGsReset.size());
        break;
      case DeviceReset::Xg:
        port.PutLong(kGmSystemOn.data(), kGmSystemOn.size());
        port.PutLong(kXgSystemOn.data(), kXgSystemOn.size());
        break;
    }
  } catch (const EmidioutputError& error) {
    // The module never got the reset: the clock goes back as it was, then the reason is told.
    reset_.Pending = false;
    RestartClock();
    dialogs_.InformUser(error.what());
    return;
  }
  // Most drivers have played the message by now.
  FinishDeviceReset();
}

void Mixer::RestartClock() {
  if (reset_.ClockWasOn && engine_.Transport.ClockState == 0) engine_.Transport.ToggleClock();
}

void Mixer::FinishDeviceReset() {
  if (!reset_.Pending || OutputBusy()) return;
  reset_.Pending = false;
  LiveSetUp();
  // The clock runs again before the box: the box lets the engine go on while it is open.
  RestartClock();
  dialogs_.InformUser(kResetDone);
}

void Mixer::LiveSetUp() {
  engine_.Live.HarmonicPadChannel = 16;
  engine_.Transport.UnchangedMidiIn = false;
  engine_.SetTransmitControllers(false);
  auto& records = engine_.Live.Mixer;
  const auto setUp = [this, &records](int channel, int pan, std::initializer_list<int> tail) {
    MixerRecord& record = records[static_cast<size_t>(channel)];
    record.Volume = DataByte(Bars[kBarVolume]);
    record.Pan = DataByte(pan);
    record.Reverb = DataByte(Bars[kBarReverb] + 15);
    record.Chorus = DataByte(Bars[kBarChorus]);
    SendController(channel, 7, record.Volume);
    SendController(channel, 10, record.Pan);
    SendController(channel, 91, record.Reverb);
    SendController(channel, 93, record.Chorus);
    if (tail.size() == 0) return;
    // Bank 0, then the program.
    record.BankMsb = 0;
    record.BankLsb = 0;
    record.Program = DataByte(*tail.begin());
    SendController(channel, 0, 0);
    SendController(channel, 32, 0);
    Send(static_cast<uint8_t>(0xC0 | channel), record.Program, 0);
  };
  setUp(0, Bars[kBarPan] + 10, {});
  setUp(14, Bars[kBarPan] - 10, {17});
  MixerRecord& pad = records[15];
  pad = {65, 50, 80, 10, 0, 0, 0, 90};
  SendController(15, 7, pad.Volume);
  SendController(15, 10, pad.Pan);
  SendController(15, 91, pad.Reverb);
  SendController(15, 93, pad.Chorus);
  SendController(15, 1, pad.Modulation);
  SendController(15, 0, pad.BankMsb);
  SendController(15, 32, pad.BankLsb);
  Send(0xCF, pad.Program, 0);
  engine_.Input.ApplySplit();
}

void Mixer::PlaySlot(int slot) {
  if (slot < 0 || slot > 11) return;
  const KeySlot& key = Keys.Slots[static_cast<size_t>(slot)];
  if (key.Empty()) return;
  if (key.IsFunction()) {
    engine_.Input.KeyFunction(key.Value);
    return;
  }
  SelectInstrument(key.Value, false);
  MoveBar(kBarVolume, key.Volume, false);
  MoveBar(kBarPan, key.Pan, false);
  MoveBar(kBarReverb, key.Reverb, false);
  MoveBar(kBarChorus, key.Chorus, false);
  if (Hooks.ValuesChanged) Hooks.ValuesChanged();
}

void Mixer::StoreSlot(int slot) {
  Keys.SetInstrument(slot, Selected, List, Bars[kBarVolume], Bars[kBarPan], Bars[kBarReverb],
                     Bars[kBarChorus]);
}

bool Mixer::LoadStoredSet(int number, const Configuration& settings) {
  if (!dialogs_.AskYesNo("Open Instrument-Set No." + std::to_string(number) + " ?")) return false;
  const auto it = settings.InstrumentSets.find(std::to_string(number));
  return Keys.ApplyKeySet(it == settings.InstrumentSets.end() ? "" : it->second, List);
}

void Mixer::SaveStoredSet(int number, Configuration& settings) {
  engine_.Player.StopPlayback();
  try {
    settings.StoreInstrumentSet(number, Keys.SetString(List.Size()));
  } catch (const std::exception& error) {
    dialogs_.InformUser(error.what());
  }
}

}  // namespace korvel
