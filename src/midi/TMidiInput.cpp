#include "midi/TMidiInput.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace korvel {
namespace {

constexpr uint8_t kTimingClock = 0xF8;
constexpr uint8_t kActiveSensing = 0xFE;

}  // namespace

TMidiInput::TMidiInput(MidiDevices& devices, InputCallbackSettings& settings,
                       InputDispatch dispatch)
    : devices_(devices), settings_(settings), numDevs_(devices.NumInputs()) {
  if (numDevs_ > 0) {
    try {
      SetDeviceID(0);
    } catch (const EMidiInputError&) {
      // No readable device 0: the port stays without a device until one is chosen.
    }
  }
  state_ = kPortClosed;
  if (dispatch == InputDispatch::Thread) eventThread_ = std::thread(&TMidiInput::EventThread, this);
}

TMidiInput::~TMidiInput() {
  if (handle_) Close();
  if (eventThread_.joinable()) {
    stopping_.store(true);
    Wake();
    eventThread_.join();
  }
}

void TMidiInput::SetDeviceID(uint16_t id) {
  if (State() == kPortOpen) throw EMidiInputError("Change to DeviceID while device was open");
  numDevs_ = devices_.NumInputs();
  if (id >= numDevs_) throw EMidiInputError("Invalid device ID");
  deviceId_ = id;
  try {
    caps_ = devices_.InputCaps(id);
    error_ = kMidiOk;
  } catch (const MidiDriverError& e) {
    error_ = e.Code();
    throw EMidiInputError(e.what());
  }
}

void TMidiInput::SetProductName(const std::string& name) {
  if (State() == kPortOpen) throw EMidiInputError("Change to ProductName while device was open");
  numDevs_ = devices_.NumInputs();
  for (uint16_t id = 0; id < numDevs_; ++id) {
    if (devices_.InputCaps(id).ProductName == name) {
      SetDeviceID(id);
      return;
    }
  }
  throw EMidiInputError("MIDI Input Device " + name + " not installed");
}

void TMidiInput::SetSysexBufferSize(uint16_t size) {
  if (State() == kPortOpen)
    throw EMidiInputError("Change to SysexBufferSize while device was open");
  sysexBufferSize_ = size;
}

void TMidiInput::SetSysexBufferCount(uint16_t count) {
  if (State() == kPortOpen)
    throw EMidiInputError("Change to SysexBuffercount while device was open");
  sysexBufferCount_ = count;
}

void TMidiInput::FollowDevice() {
  numDevs_ = devices_.NumInputs();
  for (uint16_t id = 0; id < numDevs_; ++id) {
    if (devices_.InputCaps(id).ProductName == caps_.ProductName) {
      deviceId_ = id;
      return;
    }
  }
}

void TMidiInput::Open() {
  if (!ring_) ring_ = std::make_unique<SpscRing<Entry>>(kCapacity);
  ring_->Clear();
  const bool pool = sysexBufferSize_ > 0 && sysexBufferCount_ > 0;
  sysexPool_.assign(pool ? size_t{sysexBufferSize_} * sysexBufferCount_ : 0, 0);
  freeSysexSlots_ = std::make_unique<SpscRing<uint16_t>>(pool ? sysexBufferCount_ : 1);
  for (uint16_t slot = 1; pool && slot <= sysexBufferCount_; ++slot) freeSysexSlots_->Push(slot);
  try {
    handle_ = devices_.OpenInput(deviceId_, *this);
  } catch (const MidiDriverError& e) {
    error_ = e.Code();
    throw EMidiInputError(e.what());
  }
  error_ = kMidiOk;
  state_.store(kPortOpen, std::memory_order_release);
}

void TMidiInput::Start() {
  if (State() == kPortOpen && handle_) handle_->Start();
}

void TMidiInput::Close() {
  if (State() != kPortOpen) return;
  state_.store(kPortClosed, std::memory_order_release);
  handle_.reset();  // no driver callback runs after this
  if (ring_) ring_->Clear();
  error_ = kMidiOk;
}

uint16_t TMidiInput::MessageCount() const {
  if (State() != kPortOpen || !ring_) return 0;
  return static_cast<uint16_t>(ring_->Size());
}

std::optional<TMyMidiEvent> TMidiInput::GetMidiEvent() {
  if (State() != kPortOpen || !ring_) return std::nullopt;
  Entry entry;
  if (!ring_->Pop(entry)) return std::nullopt;
  TMyMidiEvent event;
  event.Time = entry.time;
  if (entry.sysexSlot != 0) {
    event.MidiMessage = 0xF0;
    const size_t offset = size_t{entry.sysexSlot - 1u} * sysexBufferSize_;
    event.Sysex.assign(sysexPool_.begin() + static_cast<ptrdiff_t>(offset),
                       sysexPool_.begin() + static_cast<ptrdiff_t>(offset + entry.sysexLength));
    freeSysexSlots_->Push(entry.sysexSlot);  // back to the driver at once
  } else {
    event.MidiMessage = static_cast<uint8_t>(entry.packed);
    event.Data1 = static_cast<uint8_t>(entry.packed >> 8);
    event.Data2 = static_cast<uint8_t>(entry.packed >> 16);
  }
  return event;
}

void TMidiInput::ProcessNotifications() {
  if (State() != kPortOpen) return;
  const uint64_t dropped = dropped_.load();
  if (dropped != droppedSeen_) {
    droppedSeen_ = dropped;
    if (!inOverflowBurst_) {
      inOverflowBurst_ = true;
      if (OnOverflow) OnOverflow(*this);
    }
  }
  if (MessageCount() > 0 && OnMidiInput) OnMidiInput(*this);
  if (MessageCount() == 0 && dropped_.load() == droppedSeen_) inOverflowBurst_ = false;
}

void TMidiInput::ShortMessage(uint32_t timeMs, uint32_t packed) {
  const auto status = static_cast<uint8_t>(packed);
  if (status == kTimingClock) {
    switch (settings_.ClockForwarding()) {
      case 0:
        return;
      case 1:
        break;
      default:
        if (ClockForwardTarget* target = settings_.ClockTarget()) {
          target->ForwardedClock(settings_.ClockForwarding() == 2 ? 1 : 0);
        }
        return;
    }
  }
  if (status == kActiveSensing && !settings_.PassActiveSensing()) return;
  if (sysexOnly_.load(std::memory_order_relaxed)) return;
  if (settings_.Thinning() && status >= 176 && status <= 223) {
    if (!settings_.Channels().ThinRepeated(status & 0xF0, status & 0x0F,
                                           static_cast<uint8_t>(packed >> 8),
                                           static_cast<uint8_t>(packed >> 16), false)) {
      return;
    }
  }
  Write({timeMs, packed, 0, 0});
}

void TMidiInput::LongMessage(uint32_t timeMs, std::span<const uint8_t> bytes) {
  // A message longer than one pool buffer arrives in several events, one per buffer, as a
  // driver with fixed buffers delivers it.
  while (!bytes.empty()) {
    uint16_t slot = 0;
    if (ring_->Size() >= ring_->Capacity() || !freeSysexSlots_->Pop(slot)) {
      Drop();
      return;
    }
    const size_t length = std::min<size_t>(bytes.size(), sysexBufferSize_);
    std::memcpy(sysexPool_.data() + size_t{slot - 1u} * sysexBufferSize_, bytes.data(), length);
    Write({timeMs, 0, slot, static_cast<uint16_t>(length)});
    bytes = bytes.subspan(length);
  }
}

void TMidiInput::Write(const Entry& entry) {
  if (!ring_->Push(entry)) {
    Drop();
    return;
  }
  Wake();
}

void TMidiInput::Drop() {
  dropped_.fetch_add(1);
  Wake();
}

void TMidiInput::Wake() {
  wakeups_.fetch_add(1, std::memory_order_release);
  wakeups_.notify_one();
}

void TMidiInput::EventThread() {
  uint32_t seen = 0;
  while (!stopping_.load()) {
    wakeups_.wait(seen, std::memory_order_acquire);
    seen = wakeups_.load(std::memory_order_acquire);
    if (stopping_.load()) break;
    try {
      ProcessNotifications();
    } catch (const std::exception& error) {
      if (OnError) OnError(error.what());
    }
  }
}

}  // namespace korvel
