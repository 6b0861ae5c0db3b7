// One MIDI input device. The driver delivers on its own thread; the callback filters each
// message and writes it into a lock-free single-producer single-consumer ring, then wakes the
// port's event thread, which raises OnMidiInput; the handler takes the engine lock and drains
// the ring with GetMidiEvent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "midi/ChannelState.h"
#include "midi/MidiDevices.h"
#include "midi/MidiErrors.h"
#include "midi/SpscRing.h"
#include "midi/TMidiOutput.h"
#include "midi/TMyMidiEvent.h"

namespace korvel {

// Receives timing clocks that the input callback forwards instead of buffering (forwarding
// modes 2 and 3); called on the driver's thread with message 1 or 0.
class ClockForwardTarget {
 public:
  virtual ~ClockForwardTarget() = default;
  virtual void ForwardedClock(int message) = 0;
};

// The program-wide settings of the input callback.
class InputCallbackSettings {
 public:
  explicit InputCallbackSettings(ChannelState& channelState) : channelState_(channelState) {}

  // 0 discards timing clocks, 1 buffers them, 2 and 3 forward message 1 or 0 to the target.
  void SetClockForwarding(int mode, ClockForwardTarget* target) {
    clockTarget_.store(target, std::memory_order_release);
    clockForwarding_.store(mode, std::memory_order_release);
  }
  void SetPassActiveSensing(bool pass) { passActiveSensing_.store(pass); }
  void SetThinning(bool on) { thinning_.store(on); }

  int ClockForwarding() const { return clockForwarding_.load(std::memory_order_acquire); }
  ClockForwardTarget* ClockTarget() const { return clockTarget_.load(std::memory_order_acquire); }
  bool PassActiveSensing() const { return passActiveSensing_.load(); }
  bool Thinning() const { return thinning_.load(); }
  ChannelState& Channels() { return channelState_; }

 private:
  ChannelState& channelState_;
  std::atomic<int> clockForwarding_{0};
  std::atomic<ClockForwardTarget*> clockTarget_{nullptr};
  std::atomic<bool> passActiveSensing_{false};
  std::atomic<bool> thinning_{true};
};

enum class InputDispatch {
  Thread,  // the port's own thread raises the events as soon as data arrives
  Manual,  // the owner calls ProcessNotifications (tests step it)
};

class TMidiInput : private MidiInputSink {
 public:
  TMidiInput(MidiDevices& devices, InputCallbackSettings& settings,
             InputDispatch dispatch = InputDispatch::Thread);
  ~TMidiInput() override;
  TMidiInput(const TMidiInput&) = delete;
  TMidiInput& operator=(const TMidiInput&) = delete;

  static constexpr uint16_t kCapacity = 1024;

  uint16_t DeviceID() const { return deviceId_; }
  void SetDeviceID(uint16_t id);
  const std::string& ProductName() const { return caps_.ProductName; }
  void SetProductName(const std::string& name);
  uint16_t Error() const { return error_; }
  bool SysexOnly() const { return sysexOnly_.load(); }
  void SetSysexOnly(bool only) { sysexOnly_.store(only); }
  uint32_t DriverVersion() const { return caps_.DriverVersion; }
  uint16_t ManufacturerId() const { return caps_.ManufacturerId; }
  uint16_t ProductId() const { return caps_.ProductId; }
  uint16_t NumDevs() const { return numDevs_; }
  uint16_t SysexBufferSize() const { return sysexBufferSize_; }
  void SetSysexBufferSize(uint16_t size);
  uint16_t SysexBufferCount() const { return sysexBufferCount_; }
  void SetSysexBufferCount(uint16_t count);
  uint8_t State() const { return state_.load(std::memory_order_acquire); }
  bool IsOpen() const { return State() == kPortOpen; }

  void Open();
  void Start();
  void Close();
  // After the device listing was refreshed: takes the number its device has now, open or not.
  void FollowDevice();
  uint16_t MessageCount() const;
  // The next buffered event, or nothing when the port is closed or the buffer is empty.
  std::optional<TMyMidiEvent> GetMidiEvent();
  // Hands `handle` the events that have arrived by now, no more: with an output led back into
  // this input the buffer never empties, and the engine lock must still come free.
  template <typename Handle>
  void HandleArrived(Handle handle) {
    for (int waiting = MessageCount(); waiting > 0; --waiting) {
      auto event = GetMidiEvent();
      if (!event) return;
      handle(*event);
    }
  }

  // Assign before opening. Both run on the event thread (or in ProcessNotifications).
  std::function<void(TMidiInput&)> OnMidiInput;
  // Once per overflow burst: from the first dropped event until the reader has emptied the
  // buffer.
  std::function<void(TMidiInput&)> OnOverflow;
  // An error left one of the events above on the event thread (an output that fails); the
  // thread goes on with the next data.
  std::function<void(const std::string&)> OnError;

  // Raises what is due: OnOverflow for a new burst, then OnMidiInput when data waits.
  void ProcessNotifications();
  // Events dropped since the port was made because the buffer or the sysex pool was full.
  uint64_t DroppedCount() const { return dropped_.load(); }

 private:
  struct Entry {
    uint32_t time = 0;
    uint32_t packed = 0;     // short message; 0 for system exclusive
    uint16_t sysexSlot = 0;  // 1-based pool slot; 0 for short messages
    uint16_t sysexLength = 0;
  };

  // Driver thread.
  void ShortMessage(uint32_t timeMs, uint32_t packed) override;
  void LongMessage(uint32_t timeMs, std::span<const uint8_t> bytes) override;
  void Write(const Entry& entry);
  void Drop();
  void Wake();

  void EventThread();

  MidiDevices& devices_;
  InputCallbackSettings& settings_;
  uint16_t deviceId_ = 0;
  MidiDeviceCaps caps_;
  uint16_t error_ = 0;
  uint16_t numDevs_ = 0;
  uint16_t sysexBufferSize_ = 4096;
  uint16_t sysexBufferCount_ = 16;
  std::atomic<bool> sysexOnly_{false};
  std::atomic<uint8_t> state_{kPortConstructing};

  std::unique_ptr<SpscRing<Entry>> ring_;
  // System-exclusive pool: the reader returns free slots, the driver thread takes them.
  std::vector<uint8_t> sysexPool_;
  std::unique_ptr<SpscRing<uint16_t>> freeSysexSlots_;
  std::unique_ptr<MidiInConnection> handle_;

  std::atomic<uint64_t> dropped_{0};
  uint64_t droppedSeen_ = 0;  // reader side
  bool inOverflowBurst_ = false;

  std::atomic<uint32_t> wakeups_{0};
  std::atomic<bool> stopping_{false};
  std::thread eventThread_;
};

}  // namespace korvel
