#include "platform/RtMidiDriver.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <utility>

namespace korvel {
namespace {

// RtMidi reports through this callback instead of printing or throwing; each call that can fail
// is followed by Check(), which turns a stored error into a MidiDriverError.
class ErrorTrap {
 public:
  static void Callback(RtMidiError::Type type, const std::string& text, void* self) {
    auto* trap = static_cast<ErrorTrap*>(self);
    std::lock_guard lock(trap->mutex_);
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) {
      trap->warning_ = text;
    } else {
      trap->error_ = text;
    }
  }
  void Check(uint16_t code = kMidiError) {
    std::lock_guard lock(mutex_);
    if (error_.empty()) return;
    std::string text = std::move(error_);
    error_.clear();
    throw MidiDriverError(code, text);
  }
  std::string TakeWarning() {
    std::lock_guard lock(mutex_);
    return std::exchange(warning_, {});
  }

 private:
  std::mutex mutex_;
  std::string error_;
  std::string warning_;
};

bool IsOwnPort(const std::string& name) {
  return name.rfind(kClientName, 0) == 0;
}

template <typename Midi>
std::vector<std::string> ForeignPortNames(Midi& midi) {
  std::vector<std::string> names;
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    std::string name = midi.getPortName(i);
    if (!name.empty() && !IsOwnPort(name)) names.push_back(std::move(name));
  }
  return names;
}

// RtMidi's port number for `name`, preferring `index` when the names repeat.
template <typename Midi>
unsigned FindPort(Midi& midi, unsigned index, const std::string& name) {
  const unsigned count = midi.getPortCount();
  if (index < count && midi.getPortName(index) == name) return index;
  for (unsigned i = 0; i < count; ++i) {
    if (midi.getPortName(i) == name) return i;
  }
  throw MidiDriverError(kMidiBadDeviceId,
                        "The MIDI device \"" + name + "\" is no longer connected.");
}

class RtOutConnection : public MidiOutConnection {
 public:
  RtOutConnection(unsigned index, const std::string& name) {
    try {
      out_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
    } catch (const RtMidiError& e) {
      throw MidiDriverError(kMidiNoDriver, e.getMessage());
    }
    out_->setErrorCallback(&ErrorTrap::Callback, &trap_);
    if (name == kVirtualOutputName) {
      out_->openVirtualPort("Virtual out");
    } else {
      out_->openPort(FindPort(*out_, index, name), "out");
    }
    trap_.Check(kMidiAllocated);
  }
  void SendShort(uint32_t packed) override {
    const unsigned char bytes[3] = {static_cast<unsigned char>(packed & 0xFF),
                                    static_cast<unsigned char>((packed >> 8) & 0xFF),
                                    static_cast<unsigned char>((packed >> 16) & 0xFF)};
    out_->sendMessage(bytes, ShortMessageLength(bytes[0]));
    trap_.Check();
  }
  void SendLong(std::span<const uint8_t> bytes, std::function<void()> done) override {
    out_->sendMessage(bytes.data(), bytes.size());
    done();  // RtMidi has copied the bytes
    trap_.Check();
  }
  void SetVolume(uint16_t, uint16_t) override { throw MidiDriverError(kMidiNotSupported); }

 private:
  ErrorTrap trap_;
  std::unique_ptr<RtMidiOut> out_;
};

class RtInConnection : public MidiInConnection {
 public:
  RtInConnection(unsigned index, const std::string& name, MidiInputSink& sink) : sink_(sink) {
    try {
      in_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName, 1024);
    } catch (const RtMidiError& e) {
      throw MidiDriverError(kMidiNoDriver, e.getMessage());
    }
    in_->setErrorCallback(&ErrorTrap::Callback, &trap_);
    in_->ignoreTypes(false, false, false);  // the port component does its own filtering
    in_->setCallback(&RtInConnection::Deliver, this);
    if (name == kVirtualInputName) {
      in_->openVirtualPort("Virtual in");
    } else {
      in_->openPort(FindPort(*in_, index, name), "in");
    }
    trap_.Check(kMidiAllocated);
  }
  ~RtInConnection() override {
    in_->cancelCallback();
    in_->closePort();
  }
  void Start() override {
    start_ = std::chrono::steady_clock::now();
    started_.store(true, std::memory_order_release);
  }

 private:
  static void Deliver(double, std::vector<unsigned char>* message, void* self) {
    auto* me = static_cast<RtInConnection*>(self);
    if (!me->started_.load(std::memory_order_acquire) || message->empty()) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - me->start_);
    const auto time = static_cast<uint32_t>(ms.count());
    const auto& m = *message;
    if (m[0] == 0xF0) {
      me->sink_.LongMessage(time, std::span<const uint8_t>(m.data(), m.size()));
      return;
    }
    uint32_t packed = m[0];
    if (m.size() > 1) packed |= static_cast<uint32_t>(m[1]) << 8;
    if (m.size() > 2) packed |= static_cast<uint32_t>(m[2]) << 16;
    me->sink_.ShortMessage(time, packed);
  }

  MidiInputSink& sink_;
  ErrorTrap trap_;
  std::unique_ptr<RtMidiIn> in_;
  std::chrono::steady_clock::time_point start_{};
  std::atomic<bool> started_{false};
};

ErrorTrap& ListerTrap() {
  static ErrorTrap trap;
  return trap;
}

}  // namespace

bool AlsaSequencerPresent() {
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

RtMidiDriver::RtMidiDriver() {
  ConnectListers();
}

std::string RtMidiDriver::Problem() const {
  std::lock_guard lock(listing_);
  return problem_;
}

bool RtMidiDriver::ConnectListers() {
  if (inLister_ && outLister_) return true;
  if (!AlsaSequencerPresent()) {
    problem_ = "The ALSA sequencer is not there (/dev/snd/seq): load snd-seq or choose JACK.";
    return false;
  }
  try {
    inLister_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName);
    outLister_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
    inLister_->setErrorCallback(&ErrorTrap::Callback, &ListerTrap());
    outLister_->setErrorCallback(&ErrorTrap::Callback, &ListerTrap());
  } catch (const RtMidiError& e) {
    inLister_.reset();
    outLister_.reset();
    problem_ = "No ALSA MIDI system: " + e.getMessage();
    return false;
  }
  problem_.clear();
  return true;
}

RtMidiDriver::~RtMidiDriver() = default;

std::vector<MidiDeviceCaps> RtMidiDriver::Outputs() {
  std::lock_guard lock(listing_);
  std::vector<MidiDeviceCaps> devices;
  if (ConnectListers()) {
    for (auto& name : ForeignPortNames(*outLister_)) devices.push_back({.ProductName = name});
    if (std::string warning = ListerTrap().TakeWarning(); !warning.empty()) problem_ = warning;
    devices.push_back({.ProductName = kVirtualOutputName});
  }
  return devices;
}

std::vector<MidiDeviceCaps> RtMidiDriver::Inputs() {
  std::lock_guard lock(listing_);
  std::vector<MidiDeviceCaps> devices;
  if (ConnectListers()) {
    for (auto& name : ForeignPortNames(*inLister_)) devices.push_back({.ProductName = name});
    if (std::string warning = ListerTrap().TakeWarning(); !warning.empty()) problem_ = warning;
    devices.push_back({.ProductName = kVirtualInputName});
  }
  return devices;
}

std::unique_ptr<MidiOutConnection> RtMidiDriver::OpenOutput(unsigned index,
                                                            const std::string& name) {
  return std::make_unique<RtOutConnection>(index, name);
}

std::unique_ptr<MidiInConnection> RtMidiDriver::OpenInput(unsigned index, const std::string& name,
                                                          MidiInputSink& sink) {
  return std::make_unique<RtInConnection>(index, name, sink);
}

}  // namespace korvel
