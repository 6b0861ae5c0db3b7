#include "midi/MidiDevices.h"

#include <algorithm>

namespace korvel {

MidiDevices::MidiDevices(MidiDriver& ports, MidiDriver* mapper) : ports_(ports), mapper_(mapper) {
  Refresh();
}

void MidiDevices::Refresh() {
  outputs_ = ports_.Outputs();
  inputs_ = ports_.Inputs();
  mapperCaps_ = mapper_ ? mapper_->Outputs() : std::vector<MidiDeviceCaps>{};
  for (auto& caps : mapperCaps_) caps.Technology = kTechMapper;
}

const MidiDeviceCaps& MidiDevices::OutputCaps(int id) const {
  if (id == kMapperId) {
    if (mapperCaps_.empty()) throw MidiDriverError(kMidiNoDriver);
    return mapperCaps_.front();
  }
  if (id < 0 || id >= static_cast<int>(outputs_.size())) throw MidiDriverError(kMidiBadDeviceId);
  return outputs_[static_cast<size_t>(id)];
}

const MidiDeviceCaps& MidiDevices::InputCaps(int id) const {
  if (id < 0 || id >= static_cast<int>(inputs_.size())) throw MidiDriverError(kMidiBadDeviceId);
  return inputs_[static_cast<size_t>(id)];
}

std::unique_ptr<MidiOutConnection> MidiDevices::OpenOutput(int id) {
  const MidiDeviceCaps& caps = OutputCaps(id);
  if (id == kMapperId) return mapper_->OpenOutput(0, caps.ProductName);
  return ports_.OpenOutput(static_cast<unsigned>(id), caps.ProductName);
}

std::unique_ptr<MidiInConnection> MidiDevices::OpenInput(int id, MidiInputSink& sink) {
  const MidiDeviceCaps& caps = InputCaps(id);
  return ports_.OpenInput(static_cast<unsigned>(id), caps.ProductName, sink);
}

bool MidiDevices::HasOutput(const std::string& name) const {
  auto same = [&](const MidiDeviceCaps& caps) { return caps.ProductName == name; };
  return std::any_of(outputs_.begin(), outputs_.end(), same) ||
         std::any_of(mapperCaps_.begin(), mapperCaps_.end(), same);
}

bool MidiDevices::HasInput(const std::string& name) const {
  return std::any_of(inputs_.begin(), inputs_.end(),
                     [&](const MidiDeviceCaps& caps) { return caps.ProductName == name; });
}

}  // namespace korvel
