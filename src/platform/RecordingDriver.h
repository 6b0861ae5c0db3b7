// Stands in for MIDI hardware in tests: records every message sent to its outputs, with the
// clock tick and time at which it was sent, and delivers input as a device would.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MidiDriver.h"

namespace korvel {

struct SentMessage {
  std::string Device;
  int64_t Tick = -1;
  int64_t TimeUs = 0;
  std::vector<uint8_t> Bytes;  // status and data bytes as they would go down the cable
};

class RecordingDriver : public MidiDriver {
 public:
  RecordingDriver(std::vector<std::string> outputs, std::vector<std::string> inputs);
  ~RecordingDriver() override;

  std::string ApiName() const override { return "Recording"; }
  std::vector<MidiDeviceCaps> Outputs() override;
  std::vector<MidiDeviceCaps> Inputs() override;
  std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index, const std::string& name) override;
  std::unique_ptr<MidiInConnection> OpenInput(unsigned index, const std::string& name,
                                              MidiInputSink& sink) override;

  // Where the tick and time of each record come from; by default -1 and microseconds since
  // the driver was made.
  void SetTickSource(std::function<int64_t()> source);
  void SetTimeSource(std::function<int64_t()> microseconds);
  // Keep system-exclusive buffers as a slow cable would, until CompleteLongMessages().
  void SetHoldLongMessages(bool hold);
  size_t CompleteLongMessages();
  // The device disappears from the lists (an unplugged keyboard); what is still sent to it is
  // lost, and an input that is gone delivers nothing more.
  void Unplug(const std::string& name);
  // Opening `name` fails with `code` from now on (0 lets it open again).
  void SetOpenFailure(const std::string& name, uint16_t code);
  // Sending system-exclusive messages to `name` fails with `code` (0 lets them through).
  void SetLongFailure(const std::string& name, uint16_t code);
  // Sending short messages to `name` fails with `code` (0 lets them through).
  void SetShortFailure(const std::string& name, uint16_t code);

  // What is sent to `output` comes in again at `input`, on the sender's thread, as a cable from
  // one to the other brings it back (a MIDI loop). An empty `input` takes the cable away.
  void Connect(const std::string& output, const std::string& input);

  // Deliver as the device `name` would, on the caller's thread; false when it is not open.
  bool Inject(const std::string& name, uint32_t packed, uint32_t timeMs = 0);
  bool InjectLong(const std::string& name, std::vector<uint8_t> bytes, uint32_t timeMs = 0);

  std::vector<SentMessage> Sent() const;
  void ClearSent();
  // One line per message: "<tick> <device>: <hex bytes>", for golden comparisons.
  std::string SentText() const;
  int OpenCount(const std::string& name) const;

 private:
  friend class RecordingOut;
  friend class RecordingIn;
  void Record(const std::string& device, std::vector<uint8_t> bytes);

  mutable std::mutex mutex_;
  std::vector<std::string> outputs_;
  std::vector<std::string> inputs_;
  std::vector<std::string> unplugged_;
  std::map<std::string, int> openCount_;
  std::map<std::string, uint16_t> openFailures_;
  std::map<std::string, uint16_t> longFailures_;
  std::map<std::string, uint16_t> shortFailures_;
  std::map<std::string, std::string> cables_;
  std::map<std::string, MidiInputSink*> openInputs_;
  std::vector<SentMessage> sent_;
  std::vector<std::function<void()>> heldLong_;
  bool holdLong_ = false;
  std::function<int64_t()> tickSource_;
  std::function<int64_t()> timeSource_;
};

}  // namespace korvel
