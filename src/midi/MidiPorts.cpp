#include "midi/MidiPorts.h"

#include <algorithm>
#include <tuple>

namespace korvel {

MidiPorts::MidiPorts(MidiDevices& devices, InputCallbackSettings& settings, Dialogs& dialogs,
                     InputDispatch dispatch)
    : MidiOutput1(devices),
      MidiOutput2(devices),
      MidiInput1(devices, settings, dispatch),
      MidiInput2(devices, settings, dispatch),
      PlayPort(&MidiOutput1),
      SignalPort(&MidiOutput1),
      ClockOutPort(&MidiOutput1),
      ChordCodePort(&MidiOutput1),
      devices_(devices),
      dialogs_(dialogs) {
  for (TMidiInput* port : {&MidiInput1, &MidiInput2}) {
    port->OnOverflow = [this](TMidiInput& full) {
      dialogs_.ShowStatus("MIDI input overflow: events from " + full.ProductName() + " were lost.");
    };
    port->OnError = [this](const std::string& error) { dialogs_.ReportError(error); };
  }
  FillDeviceLists();
}

void MidiPorts::FillDeviceLists() {
  devices_.Refresh();
  BuildLists();
}

void MidiPorts::BuildLists() {
  outputList_.clear();
  for (int id = 0; id < devices_.NumOutputs(); ++id) {
    outputList_.push_back(devices_.OutputCaps(id).ProductName);
  }
  try {
    outputList_.push_back(devices_.OutputCaps(kMapperId).ProductName);
  } catch (const MidiDriverError&) {
    outputList_.push_back("MIDI Mapper (not available)");
  }
  outputList_.push_back(kNoDevice);
  inputList_.clear();
  for (int id = 0; id < devices_.NumInputs(); ++id) {
    inputList_.push_back(devices_.InputCaps(id).ProductName);
  }
  inputList_.push_back(kNoDevice);
}

int MidiPorts::OutputSelectionFor(int stored) const {
  const int count = static_cast<int>(outputList_.size());
  if (stored == -1 || stored >= count) return count - 2;
  if (stored < -1) return count - 1;
  return stored;
}

int MidiPorts::InputSelectionFor(int stored) const {
  const int count = static_cast<int>(inputList_.size());
  if (stored == -1 || stored >= count) return 0;
  if (stored < -1) return count - 1;
  return stored;
}

int MidiPorts::StoredOutputSelection(int selection) const {
  const int count = static_cast<int>(outputList_.size());
  if (selection == count - 2) return -1;
  if (selection == count - 1) return -2;
  return selection;
}

std::string MidiPorts::SelectedText(const std::vector<std::string>& list, int selection) const {
  if (selection < 0 || selection >= static_cast<int>(list.size())) return {};
  return list[static_cast<size_t>(selection)];
}

void MidiPorts::ReportOpenFailure(uint16_t error, const std::string& device,
                                  const std::string& why) {
  if (error == kMidiOk || error == kMidiNotSupported) return;
  dialogs_.InformUser("Can't open " + device);
  // The driver's own words say what to do about it (no SoundFont, no audio, server down).
  if (!why.empty()) dialogs_.ShowStatus(why);
}

void MidiPorts::CloseOutput(TMidiOutput& port) {
  if (!port.IsOpen()) return;
  // The notes the style player holds there end first: a device left behind keeps no hanging
  // note. A device that fails as it is left is left all the same.
  if (&port == PlayPort && Hooks.SilencePort) {
    try {
      Hooks.SilencePort(port);
    } catch (const EmidioutputError&) {
    }
  }
  port.Close();
}

void MidiPorts::OpenOutputPort(int& selection, TMidiOutput& port) {
  CloseOutput(port);
  if (selection < 0) selection = 0;
  const std::string text = SelectedText(outputList_, selection);
  if (text != kNoDevice) {
    const bool mapper = selection == static_cast<int>(outputList_.size()) - 2;
    uint16_t error = kMidiOk;
    std::string why;
    try {
      port.SetDeviceID(mapper ? kMapperId : selection);
      port.Open();
    } catch (const EmidioutputError& e) {
      error = port.Error() == kMidiOk ? uint16_t{kMidiBadDeviceId} : port.Error();
      why = e.what();
    }
    ReportOpenFailure(error, text, why);
  }
  if (Hooks.ResetAllControllers) Hooks.ResetAllControllers();
}

void MidiPorts::OpenInputPort(int& selection, TMidiInput& port) {
  if (port.IsOpen()) port.Close();
  if (selection < 0) selection = 0;
  const std::string text = SelectedText(inputList_, selection);
  if (text == kNoDevice) return;
  uint16_t error = kMidiOk;
  std::string why;
  try {
    port.SetDeviceID(static_cast<uint16_t>(selection));
    port.Open();
  } catch (const EMidiInputError& e) {
    error = port.Error() == kMidiOk ? uint16_t{kMidiBadDeviceId} : port.Error();
    why = e.what();
  }
  ReportOpenFailure(error, text, why);
  if (error == kMidiOk) port.Start();
}

void MidiPorts::ComboBox1Change() {
  const std::string text = SelectedText(outputList_, ComboBox1);
  // Korvel out may hold a device other than the one its list shows (choosing MIDI out's device
  // there leaves the port as it was), so the open device is checked as well as the list text.
  const bool taken = MidiOutput2.IsOpen() && MidiOutput2.ProductName() == text;
  if (text != kNoDevice && (taken || text == SelectedText(outputList_, ComboBox5))) {
    CloseOutput(MidiOutput2);
  }
  OpenOutputPort(ComboBox1, MidiOutput1);
  RecomputeRoles();
}

void MidiPorts::ComboBox5Change() {
  const std::string text = SelectedText(outputList_, ComboBox5);
  if (text == kNoDevice) {
    const bool shared = MidiOutput1.DeviceID() == MidiOutput2.DeviceID() &&
                        SelectedText(outputList_, ComboBox1) != kNoDevice;
    if (!shared) CloseOutput(MidiOutput2);
  } else if (text != SelectedText(outputList_, ComboBox1)) {
    OpenOutputPort(ComboBox5, MidiOutput2);
  }
  RecomputeRoles();
}

// The inputs follow the outputs: "Ext. MIDI in" takes its device from "MIDI in", and "MIDI in"
// leaves a device to "Ext. MIDI in", so the keyboard opens once, also when both lists were
// stored with the same device.
void MidiPorts::ExtMidiInChange() {
  const std::string text = SelectedText(inputList_, ExtMidiInList);
  const bool taken = MidiInput2.IsOpen() && MidiInput2.ProductName() == text;
  if (text != kNoDevice && (taken || text == SelectedText(inputList_, MidiInList))) {
    MidiInput2.Close();
  }
  OpenInputPort(ExtMidiInList, MidiInput1);
}

void MidiPorts::MidiInChange() {
  const std::string text = SelectedText(inputList_, MidiInList);
  if (text == kNoDevice) {
    MidiInput2.Close();
  } else if (text != SelectedText(inputList_, ExtMidiInList)) {
    OpenInputPort(MidiInList, MidiInput2);
  }
}

void MidiPorts::RecomputeRoles() {
  AssignRoles();
  if (Hooks.ToggleClock) Hooks.ToggleClock();
}

void MidiPorts::AssignRoles() {
  PlayPort = MidiOutGroup == 1 ? &MidiOutput2 : &MidiOutput1;
  ClockOutPort = ClickOutGroup == 1 ? &MidiOutput2 : &MidiOutput1;
  ChordCodePort = ChordsOutGroup == 1 ? &MidiOutput2 : &MidiOutput1;
  SignalPort = MidiOutput2.IsOpen() ? &MidiOutput2 : &MidiOutput1;
}

void MidiPorts::MidioutClick(int index) {
  MidiOutGroup = index;
  if (PlayPort->IsOpen() && Hooks.SilencePort) Hooks.SilencePort(*PlayPort);
  TMidiOutput& chosen = index == 1 ? MidiOutput2 : MidiOutput1;
  if (chosen.IsOpen()) PlayPort = &chosen;
}

void MidiPorts::ClickoutClick(int index) {
  ClickOutGroup = index;
  if (PlayPort->IsOpen() && Hooks.SilencePort) Hooks.SilencePort(*PlayPort);
  TMidiOutput& chosen = index == 1 ? MidiOutput2 : MidiOutput1;
  if (chosen.IsOpen()) ClockOutPort = &chosen;
}

void MidiPorts::ChordsoutClick(int index) {
  ChordsOutGroup = index;
  TMidiOutput& chosen = index == 1 ? MidiOutput2 : MidiOutput1;
  if (chosen.IsOpen()) ChordCodePort = &chosen;
}

uint16_t MidiPorts::VolumeValue(int position) {
  position = std::clamp(position, 0, 100);
  return position == 100 ? 65535 : static_cast<uint16_t>(position * 650);
}

void MidiPorts::SetVolumeLeft(int position) {
  VolumeLeft = std::clamp(position, 0, 100);
  if (VolumeLock) VolumeRight = VolumeLeft;
  ApplyVolume();
}

void MidiPorts::SetVolumeRight(int position) {
  VolumeRight = std::clamp(position, 0, 100);
  if (VolumeLock) VolumeLeft = VolumeRight;
  ApplyVolume();
}

void MidiPorts::ApplyVolume() {
  if (!MidiOutput1.IsOpen()) return;
  try {
    MidiOutput1.SetVolume(VolumeValue(VolumeRight), VolumeValue(VolumeLeft));
  } catch (const EmidioutputError& e) {
    // A port without a volume control keeps its level; that is no fault worth a message.
    if (MidiOutput1.Error() != kMidiNotSupported) dialogs_.InformUser(e.what());
  }
}

int MidiPorts::Reselect(const std::vector<std::string>& list, const std::string& name) const {
  auto it = std::find(list.begin(), list.end(), name);
  return it == list.end() ? static_cast<int>(list.size()) - 1 : static_cast<int>(it - list.begin());
}

bool MidiPorts::CheckDevices(MidiDevices::Listing now) {
  const auto before =
      std::make_tuple(outputList_, inputList_, ComboBox1, ComboBox5, ExtMidiInList, MidiInList);
  const std::string out1 = SelectedText(outputList_, ComboBox1);
  const std::string out5 = SelectedText(outputList_, ComboBox5);
  const std::string in1 = SelectedText(inputList_, ExtMidiInList);
  const std::string in2 = SelectedText(inputList_, MidiInList);
  devices_.Take(std::move(now));
  BuildLists();
  bool lost = false;
  for (TMidiOutput* port : {&MidiOutput1, &MidiOutput2}) {
    if (port->IsOpen() && !devices_.HasOutput(port->ProductName())) {
      port->Close();
      dialogs_.ShowStatus("MIDI device " + port->ProductName() + " was disconnected.");
      lost = true;
    }
  }
  for (TMidiInput* port : {&MidiInput1, &MidiInput2}) {
    if (port->IsOpen() && !devices_.HasInput(port->ProductName())) {
      port->Close();
      dialogs_.ShowStatus("MIDI device " + port->ProductName() + " was disconnected.");
    }
  }
  // Selections follow their devices to their new places; a vanished device shows "<None>".
  const int mapper = static_cast<int>(outputList_.size()) - 2;
  auto reselectOutput = [&](const std::string& name, int old) {
    if (old == -1) return -1;
    return name == outputList_[static_cast<size_t>(mapper)] ? mapper : Reselect(outputList_, name);
  };
  ComboBox1 = reselectOutput(out1, ComboBox1);
  ComboBox5 = reselectOutput(out5, ComboBox5);
  if (ExtMidiInList != -1) ExtMidiInList = Reselect(inputList_, in1);
  if (MidiInList != -1) MidiInList = Reselect(inputList_, in2);
  for (TMidiOutput* port : {&MidiOutput1, &MidiOutput2}) port->FollowDevice();
  for (TMidiInput* port : {&MidiInput1, &MidiInput2}) port->FollowDevice();
  // The roles leave a vanished port; the clock is not the musician's to lose with a cable, so
  // it keeps running or keeps still.
  if (lost) AssignRoles();
  return before !=
         std::make_tuple(outputList_, inputList_, ComboBox1, ComboBox5, ExtMidiInList, MidiInList);
}

}  // namespace korvel
