#include "platform/RecordingDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace korvel {

class RecordingOut : public MidiOutConnection {
 public:
  RecordingOut(RecordingDriver& driver, std::string name)
      : driver_(driver), name_(std::move(name)) {}
  ~RecordingOut() override {
    std::lock_guard lock(driver_.mutex_);
    --driver_.openCount_[name_];
  }
  void SendShort(uint32_t packed) override {
    {
      std::lock_guard lock(driver_.mutex_);
      const auto failure = driver_.shortFailures_.find(name_);
      if (failure != driver_.shortFailures_.end() && failure->second != 0)
        throw MidiDriverError(failure->second);
    }
    std::vector<uint8_t> bytes{static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                               static_cast<uint8_t>(packed >> 16)};
    bytes.resize(ShortMessageLength(bytes[0]));
    driver_.Record(name_, std::move(bytes));
    std::string input;
    {
      std::lock_guard lock(driver_.mutex_);
      if (const auto cable = driver_.cables_.find(name_); cable != driver_.cables_.end())
        input = cable->second;
    }
    if (!input.empty()) driver_.Inject(input, packed);
  }
  void SendLong(std::span<const uint8_t> bytes, std::function<void()> done) override {
    {
      std::lock_guard lock(driver_.mutex_);
      const auto failure = driver_.longFailures_.find(name_);
      if (failure != driver_.longFailures_.end() && failure->second != 0)
        throw MidiDriverError(failure->second);
    }
    driver_.Record(name_, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    {
      std::lock_guard lock(driver_.mutex_);
      if (driver_.holdLong_) {
        driver_.heldLong_.push_back(std::move(done));
        return;
      }
    }
    done();
  }
  void SetVolume(uint16_t left, uint16_t right) override {
    // Recorded as a pseudo message so tests can see it; it never goes down a cable.
    driver_.Record(name_ + " volume",
                   {static_cast<uint8_t>(left >> 8), static_cast<uint8_t>(left),
                    static_cast<uint8_t>(right >> 8), static_cast<uint8_t>(right)});
  }

 private:
  RecordingDriver& driver_;
  std::string name_;
};

class RecordingIn : public MidiInConnection {
 public:
  RecordingIn(RecordingDriver& driver, std::string name, MidiInputSink& sink)
      : driver_(driver), name_(std::move(name)), sink_(sink) {}
  ~RecordingIn() override {
    std::lock_guard lock(driver_.mutex_);
    --driver_.openCount_[name_];
    driver_.openInputs_.erase(name_);
  }
  void Start() override {
    std::lock_guard lock(driver_.mutex_);
    driver_.openInputs_[name_] = &sink_;
  }

 private:
  RecordingDriver& driver_;
  std::string name_;
  MidiInputSink& sink_;
};

RecordingDriver::RecordingDriver(std::vector<std::string> outputs, std::vector<std::string> inputs)
    : outputs_(std::move(outputs)), inputs_(std::move(inputs)) {
  const auto start = std::chrono::steady_clock::now();
  timeSource_ = [start] {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
  tickSource_ = [] { return int64_t{-1}; };
}

RecordingDriver::~RecordingDriver() = default;

std::vector<MidiDeviceCaps> RecordingDriver::Outputs() {
  std::lock_guard lock(mutex_);
  std::vector<MidiDeviceCaps> caps;
  for (const auto& name : outputs_) caps.push_back({.ProductName = name});
  return caps;
}

std::vector<MidiDeviceCaps> RecordingDriver::Inputs() {
  std::lock_guard lock(mutex_);
  std::vector<MidiDeviceCaps> caps;
  for (const auto& name : inputs_) caps.push_back({.ProductName = name});
  return caps;
}

std::unique_ptr<MidiOutConnection> RecordingDriver::OpenOutput(unsigned, const std::string& name) {
  std::lock_guard lock(mutex_);
  if (std::find(outputs_.begin(), outputs_.end(), name) == outputs_.end()) {
    throw MidiDriverError(kMidiBadDeviceId);
  }
  if (uint16_t code = openFailures_[name]; code != kMidiOk) throw MidiDriverError(code);
  if (openCount_[name] > 0) throw MidiDriverError(kMidiAllocated);
  ++openCount_[name];
  return std::make_unique<RecordingOut>(*this, name);
}

std::unique_ptr<MidiInConnection> RecordingDriver::OpenInput(unsigned, const std::string& name,
                                                             MidiInputSink& sink) {
  std::lock_guard lock(mutex_);
  if (std::find(inputs_.begin(), inputs_.end(), name) == inputs_.end()) {
    throw MidiDriverError(kMidiBadDeviceId);
  }
  if (uint16_t code = openFailures_[name]; code != kMidiOk) throw MidiDriverError(code);
  if (openCount_[name] > 0) throw MidiDriverError(kMidiAllocated);
  ++openCount_[name];
  return std::make_unique<RecordingIn>(*this, name, sink);
}

void RecordingDriver::SetTickSource(std::function<int64_t()> source) {
  std::lock_guard lock(mutex_);
  tickSource_ = std::move(source);
}

void RecordingDriver::SetTimeSource(std::function<int64_t()> microseconds) {
  std::lock_guard lock(mutex_);
  timeSource_ = std::move(microseconds);
}

void RecordingDriver::SetHoldLongMessages(bool hold) {
  std::lock_guard lock(mutex_);
  holdLong_ = hold;
}

size_t RecordingDriver::CompleteLongMessages() {
  std::vector<std::function<void()>> done;
  {
    std::lock_guard lock(mutex_);
    done.swap(heldLong_);
  }
  for (auto& callback : done) callback();
  return done.size();
}

void RecordingDriver::SetLongFailure(const std::string& name, uint16_t code) {
  std::lock_guard lock(mutex_);
  longFailures_[name] = code;
}

void RecordingDriver::SetShortFailure(const std::string& name, uint16_t code) {
  std::lock_guard lock(mutex_);
  shortFailures_[name] = code;
}

void RecordingDriver::Connect(const std::string& output, const std::string& input) {
  std::lock_guard lock(mutex_);
  cables_[output] = input;
}

void RecordingDriver::Unplug(const std::string& name) {
  std::lock_guard lock(mutex_);
  std::erase(outputs_, name);
  std::erase(inputs_, name);
  unplugged_.push_back(name);
  openInputs_.erase(name);
}

void RecordingDriver::SetOpenFailure(const std::string& name, uint16_t code) {
  std::lock_guard lock(mutex_);
  openFailures_[name] = code;
}

bool RecordingDriver::Inject(const std::string& name, uint32_t packed, uint32_t timeMs) {
  MidiInputSink* sink = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = openInputs_.find(name);
    if (it == openInputs_.end()) return false;
    sink = it->second;
  }
  // Called outside the driver's lock, as a driver thread would call it; the connection cannot
  // go away meanwhile because only the test thread closes ports while it injects.
  sink->ShortMessage(timeMs, packed);
  return true;
}

bool RecordingDriver::InjectLong(const std::string& name, std::vector<uint8_t> bytes,
                                 uint32_t timeMs) {
  MidiInputSink* sink = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = openInputs_.find(name);
    if (it == openInputs_.end()) return false;
    sink = it->second;
  }
  sink->LongMessage(timeMs, bytes);
  return true;
}

void RecordingDriver::Record(const std::string& device, std::vector<uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (std::find(unplugged_.begin(), unplugged_.end(), device) != unplugged_.end()) return;
  sent_.push_back({device, tickSource_(), timeSource_(), std::move(bytes)});
}

std::vector<SentMessage> RecordingDriver::Sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

void RecordingDriver::ClearSent() {
  std::lock_guard lock(mutex_);
  sent_.clear();
}

std::string RecordingDriver::SentText() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const auto& m : sent_) {
    text += std::to_string(m.Tick) + " " + m.Device + ":";
    for (uint8_t b : m.Bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", b);
      text += hex;
    }
    text += "\n";
  }
  return text;
}

int RecordingDriver::OpenCount(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = openCount_.find(name);
  return it == openCount_.end() ? 0 : it->second;
}

}  // namespace korvel
