#include "midi/MidiDevices.h"

#include <algorithm>

namespace korvel {

MidiDevices::MidiDevices(MidiDriver& ports, MidiDriver* mapper) : ports_(ports), mapper_(mapper) {
  Refresh();
}

MidiDevices::Listing MidiDevices::List() const {
  Listing listing{ports_.Outputs(), ports_.Inputs(),
                  mapper_ ? mapper_->Outputs() : std::vector<MidiDeviceCaps>{}};
  for (auto& caps : listing.Mapper) caps.Technology = kTechMapper;
  return listing;
}

void MidiDevices::Take(Listing listing) {
  now_ = std::move(listing);
}

const MidiDeviceCaps& MidiDevices::OutputCaps(int id) const {
  if (id == kMapperId) {
    if (now_.Mapper.empty()) throw MidiDriverError(kMidiNoDriver);
    return now_.Mapper.front();
  }
  if (id < 0 || id >= static_cast<int>(now_.Outputs.size()))
    throw MidiDriverError(kMidiBadDeviceId);
  return now_.Outputs[static_cast<size_t>(id)];
}

const MidiDeviceCaps& MidiDevices::InputCaps(int id) const {
  if (id < 0 || id >= static_cast<int>(now_.Inputs.size())) throw MidiDriverError(kMidiBadDeviceId);
  return now_.Inputs[static_cast<size_t>(id)];
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
  return std::any_of(now_.Outputs.begin(), now_.Outputs.end(), same) ||
         std::any_of(now_.Mapper.begin(), now_.Mapper.end(), same);
}

bool MidiDevices::HasInput(const std::string& name) const {
  return std::any_of(now_.Inputs.begin(), now_.Inputs.end(),
                     [&](const MidiDeviceCaps& caps) { return caps.ProductName == name; });
}

}  // namespace korvel
