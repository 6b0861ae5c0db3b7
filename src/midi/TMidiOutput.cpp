#include "midi/TMidiOutput.h"

#include <map>
#include <mutex>

namespace korvel {

// Buffers in flight, shared with the driver's completion callbacks so that a buffer finished
// after the port closed (or was destroyed) is still freed safely.
struct TMidiOutput::LongBuffers {
  std::mutex buffersMutex;
  std::map<uint64_t, std::unique_ptr<TMyMidiHdr>> buffers;
  uint64_t nextId = 0;
  std::mutex ownerMutex;  // held while the owner's event runs, and while the owner goes away
  TMidiOutput* owner = nullptr;

  void Done(uint64_t id) {
    {
      std::lock_guard lock(buffersMutex);
      buffers.erase(id);
    }
    std::lock_guard lock(ownerMutex);
    if (owner && owner->Onmidioutput) owner->Onmidioutput(*owner);
  }
};

TMidiOutput::TMidiOutput(MidiDevices& devices)
    : devices_(devices),
      numDevs_(devices.NumOutputs()),
      longBuffers_(std::make_shared<LongBuffers>()) {
  longBuffers_->owner = this;
}

TMidiOutput::~TMidiOutput() {
  if (handle_) {
    try {
      Close();
    } catch (const EmidioutputError&) {
      // Nothing more to do for a device that fails while closing.
    }
  }
  std::lock_guard lock(longBuffers_->ownerMutex);
  longBuffers_->owner = nullptr;
}

void TMidiOutput::Raise(const MidiDriverError& error) {
  error_ = error.Code();
  throw EmidioutputError(error.what());
}

void TMidiOutput::SetDeviceID(int id) {
  if (state_ == kPortOpen) throw EmidioutputError("Change to DeviceID while device was open");
  numDevs_ = devices_.NumOutputs();
  if (id != kMapperId && (id < 0 || id >= numDevs_)) throw EmidioutputError("Invalid device ID");
  deviceId_ = id;
  try {
    caps_ = devices_.OutputCaps(id);
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    Raise(e);
  }
}

void TMidiOutput::SetProductName(const std::string& name) {
  if (state_ == kPortOpen) throw EmidioutputError("Change to ProductName while device was open");
  numDevs_ = devices_.NumOutputs();
  for (int id = kMapperId; id < numDevs_; ++id) {
    const MidiDeviceCaps* caps = nullptr;
    try {
      caps = &devices_.OutputCaps(id);
    } catch (const MidiDriverError& e) {
      if (id == kMapperId && e.Code() == kMidiNoDriver) continue;  // no synthesizer here
      Raise(e);
    }
    if (caps->ProductName == name) {
      SetDeviceID(id);
      return;
    }
  }
  throw EmidioutputError("MIDI output Device " + name + " not installed");
}

void TMidiOutput::FollowDevice() {
  numDevs_ = devices_.NumOutputs();
  if (deviceId_ == kMapperId) return;
  for (int id = 0; id < numDevs_; ++id) {
    if (devices_.OutputCaps(id).ProductName == caps_.ProductName) {
      deviceId_ = id;
      return;
    }
  }
}

bool TMidiOutput::Open() {
  try {
    handle_ = devices_.OpenOutput(deviceId_);
  } catch (const MidiDriverError& e) {
    Raise(e);
  }
  error_ = kMidiOk;
  state_ = kPortOpen;
  return true;
}

bool TMidiOutput::Close() {
  handle_.reset();
  state_ = kPortClosed;
  error_ = kMidiOk;
  return true;
}

void TMidiOutput::PutMidiEvent(const TMyMidiEvent& event) {
  if (state_ != kPortOpen) throw EmidioutputError("MIDI Output device not open");
  if (!event.Sysex.empty()) {
    PutLong(event.Sysex.data(), event.Sysex.size());
  } else {
    PutShort(event.MidiMessage, event.Data1, event.Data2);
  }
}

void TMidiOutput::PutShort(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!handle_) Raise(MidiDriverError(kMidiInvalidHandle));
  try {
    handle_->SendShort(status | data1 << 8 | data2 << 16);
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    Raise(e);
  }
}

void TMidiOutput::PutShortMsg(uint32_t packed) {
  if (!handle_) return;
  try {
    handle_->SendShort(packed);
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    Raise(e);
  }
}

void TMidiOutput::PutLong(const uint8_t* buffer, size_t length) {
  if (!handle_) Raise(MidiDriverError(kMidiInvalidHandle));
  auto header = std::make_unique<TMyMidiHdr>(length);
  std::copy(buffer, buffer + length, header->Data().begin());
  std::span<const uint8_t> bytes(header->Data());
  uint64_t id;
  {
    std::lock_guard lock(longBuffers_->buffersMutex);
    id = longBuffers_->nextId++;
    longBuffers_->buffers.emplace(id, std::move(header));
  }
  try {
    handle_->SendLong(bytes, [buffers = longBuffers_, id] { buffers->Done(id); });
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    std::lock_guard lock(longBuffers_->buffersMutex);
    longBuffers_->buffers.erase(id);
    Raise(e);
  }
}

void TMidiOutput::SetVolume(uint16_t right, uint16_t left) {
  if (!handle_) Raise(MidiDriverError(kMidiInvalidHandle));
  try {
    handle_->SetVolume(left, right);
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    Raise(e);
  }
}

size_t TMidiOutput::PendingLongMessages() const {
  std::lock_guard lock(longBuffers_->buffersMutex);
  return longBuffers_->buffers.size();
}

}  // namespace korvel
