// The devices the port components can open: the MIDI driver's ports as 0 .. n-1 and the
// built-in synthesizer as the mapper, device -1. The listing is taken when asked (Refresh, or
// List and then Take), so device numbers stay stable between refreshes, as the device lists
// show them.
#pragma once

#include <memory>
#include <vector>

#include "platform/MidiDriver.h"

namespace korvel {

inline constexpr int kMapperId = -1;

class MidiDevices {
 public:
  // `mapper` may be null: then device -1 cannot be opened.
  MidiDevices(MidiDriver& ports, MidiDriver* mapper);

  // What the drivers offer now. Asking can take milliseconds (JACK chosen and no server), so
  // it needs no engine lock: it changes nothing here. Take puts a listing in force.
  struct Listing {
    std::vector<MidiDeviceCaps> Outputs;
    std::vector<MidiDeviceCaps> Inputs;
    std::vector<MidiDeviceCaps> Mapper;
  };
  Listing List() const;
  void Take(Listing listing);
  void Refresh() { Take(List()); }

  uint16_t NumOutputs() const { return static_cast<uint16_t>(now_.Outputs.size()); }
  uint16_t NumInputs() const { return static_cast<uint16_t>(now_.Inputs.size()); }
  // Throw MidiDriverError(kMidiBadDeviceId) for an id outside the listing.
  const MidiDeviceCaps& OutputCaps(int id) const;
  const MidiDeviceCaps& InputCaps(int id) const;

  std::unique_ptr<MidiOutConnection> OpenOutput(int id);
  std::unique_ptr<MidiInConnection> OpenInput(int id, MidiInputSink& sink);

  // Whether a device of this name is still there (after a Refresh).
  bool HasOutput(const std::string& name) const;
  bool HasInput(const std::string& name) const;

 private:
  MidiDriver& ports_;
  MidiDriver* mapper_;
  Listing now_;
};

}  // namespace korvel
