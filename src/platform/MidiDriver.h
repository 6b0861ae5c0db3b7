// The one shape every MIDI driver has: enumerate devices, open an output, open an input.
// Real drivers (RtMidi on ALSA or JACK, the built-in synthesizer) and the recording driver of
// the tests implement it; the port components above never see which one they talk to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {

// Result codes of the multimedia API the port logic was designed around. The port components
// store them in `Error`, and callers compare against them: 8 (not supported) is never reported.
enum MidiResult : uint16_t {
  kMidiOk = 0,
  kMidiError = 1,
  kMidiBadDeviceId = 2,
  kMidiNotEnabled = 3,
  kMidiAllocated = 4,
  kMidiInvalidHandle = 5,
  kMidiNoDriver = 6,
  kMidiNoMemory = 7,
  kMidiNotSupported = 8,
};

// The text for a result code; "Specified error number is out of range" for unknown codes.
std::string MidiErrorText(uint16_t code);

// Byte length of a short message with this status byte as it goes down the cable.
size_t ShortMessageLength(uint8_t status);

// A driver failure: the code, and the driver's own words for it.
class MidiDriverError : public std::runtime_error {
 public:
  MidiDriverError(uint16_t code, const std::string& text) : std::runtime_error(text), code_(code) {}
  explicit MidiDriverError(uint16_t code) : MidiDriverError(code, MidiErrorText(code)) {}
  uint16_t Code() const { return code_; }

 private:
  uint16_t code_;
};

// Device technology values, as the device lists of the design know them.
enum MidiTechnology : uint8_t {
  kTechMidiPort = 1,
  kTechSynth = 2,
  kTechMapper = 5,
  kTechSoftwareSynth = 7,
};

struct MidiDeviceCaps {
  std::string ProductName;
  uint32_t DriverVersion = 0;
  uint8_t Technology = kTechMidiPort;
  uint16_t Voices = 0;
  uint16_t Notes = 0;
  uint16_t ChannelMask = 0xFFFF;
  uint32_t Support = 0;
  uint16_t ManufacturerId = 0;
  uint16_t ProductId = 0;
};

class MidiOutConnection {
 public:
  virtual ~MidiOutConnection() = default;
  // status + data1 * 256 + data2 * 65536; throws MidiDriverError.
  virtual void SendShort(uint32_t packed) = 0;
  // `bytes` stays valid until `done` is called; `done` may run on the driver's own thread, or
  // before SendLong returns when the driver sends at once.
  virtual void SendLong(std::span<const uint8_t> bytes, std::function<void()> done) = 0;
  // 0..65535 per side; drivers without a volume control throw kMidiNotSupported.
  virtual void SetVolume(uint16_t left, uint16_t right) = 0;
};

// Receives what an input device delivers, on the driver's thread. Time is in milliseconds
// since the connection was started.
class MidiInputSink {
 public:
  virtual ~MidiInputSink() = default;
  virtual void ShortMessage(uint32_t timeMs, uint32_t packed) = 0;
  virtual void LongMessage(uint32_t timeMs, std::span<const uint8_t> bytes) = 0;
};

class MidiInConnection {
 public:
  // Destroying the connection stops delivery: no sink call runs after the destructor returns.
  virtual ~MidiInConnection() = default;
  virtual void Start() = 0;
};

class MidiDriver {
 public:
  virtual ~MidiDriver() = default;
  // "ALSA", "JACK", "FluidSynth", "Recording".
  virtual std::string ApiName() const = 0;
  virtual std::vector<MidiDeviceCaps> Outputs() = 0;
  virtual std::vector<MidiDeviceCaps> Inputs() = 0;
  // Opens the device that carries `name`; `index` (its place in the last listing) only breaks
  // ties. Throws MidiDriverError (kMidiBadDeviceId when no device has that name).
  virtual std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index,
                                                        const std::string& name) = 0;
  virtual std::unique_ptr<MidiInConnection> OpenInput(unsigned index, const std::string& name,
                                                      MidiInputSink& sink) = 0;
};

}  // namespace korvel
