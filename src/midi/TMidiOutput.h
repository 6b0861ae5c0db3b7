// One MIDI output device: its capabilities, opening and closing, short messages and
// system-exclusive buffers. Calls come from threads that hold the engine lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midi/MidiDevices.h"
#include "midi/MidiErrors.h"
#include "midi/TMyMidiEvent.h"

namespace korvel {

inline constexpr uint8_t kPortOpen = 0;
inline constexpr uint8_t kPortClosed = 1;
inline constexpr uint8_t kPortConstructing = 2;

// A system-exclusive buffer handed to the driver; it lives until the driver is done with it.
class TMyMidiHdr {
 public:
  explicit TMyMidiHdr(size_t size) : data_(size) {}
  std::vector<uint8_t>& Data() { return data_; }

 private:
  std::vector<uint8_t> data_;
};

class TMidiOutput {
 public:
  explicit TMidiOutput(MidiDevices& devices);
  ~TMidiOutput();
  TMidiOutput(const TMidiOutput&) = delete;
  TMidiOutput& operator=(const TMidiOutput&) = delete;

  int DeviceID() const { return deviceId_; }
  void SetDeviceID(int id);
  const std::string& ProductName() const { return caps_.ProductName; }
  void SetProductName(const std::string& name);

  uint16_t Error() const { return error_; }
  uint32_t DriverVersion() const { return caps_.DriverVersion; }
  uint8_t Technology() const { return caps_.Technology; }
  uint16_t Voices() const { return caps_.Voices; }
  uint16_t Notes() const { return caps_.Notes; }
  uint16_t ChannelMask() const { return caps_.ChannelMask; }
  uint32_t Support() const { return caps_.Support; }
  uint16_t NumDevs() const { return numDevs_; }
  uint8_t State() const { return state_; }
  bool IsOpen() const { return state_ == kPortOpen; }

  bool Open();
  bool Close();
  // After the device listing was refreshed: takes the number its device has now, open or not.
  void FollowDevice();
  void PutMidiEvent(const TMyMidiEvent& event);
  void PutShort(uint8_t status, uint8_t data1, uint8_t data2);
  // Sends a packed message when the port has a handle; does nothing otherwise.
  void PutShortMsg(uint32_t packed);
  void PutLong(const uint8_t* buffer, size_t length);
  void SetVolume(uint16_t right, uint16_t left);

  // Called after a system-exclusive buffer has been played and freed, possibly on the
  // driver's thread.
  std::function<void(TMidiOutput&)> Onmidioutput;
  // System-exclusive buffers the driver still holds.
  size_t PendingLongMessages() const;

 private:
  struct LongBuffers;
  [[noreturn]] void Raise(const MidiDriverError& error);

  MidiDevices& devices_;
  int deviceId_ = 0;
  MidiDeviceCaps caps_;
  uint16_t error_ = 0;
  uint16_t numDevs_ = 0;
  uint8_t state_ = kPortClosed;
  std::unique_ptr<MidiOutConnection> handle_;
  std::shared_ptr<LongBuffers> longBuffers_;
};

}  // namespace korvel
