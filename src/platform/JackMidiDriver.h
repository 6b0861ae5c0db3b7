// MIDI ports of a JACK server through Korvel's own client on libjack. Every message goes out at
// the frame of the moment the engine meant it for, one period later: the output has a constant
// latency of one period and no jitter. Nothing is dropped: a message that does not fit a
// cycle's buffer waits for the next cycle. Incoming messages carry the time they were played.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/SystemMidi.h"

namespace korvel {

class JackClient;

class JackMidiDriver : public SystemMidiDriver {
 public:
  JackMidiDriver();
  ~JackMidiDriver() override;

  std::string ApiName() const override { return "JACK"; }
  std::string Problem() const override;
  // The JACK graph's MIDI ports by their full names, then Korvel's virtual port.
  std::vector<MidiDeviceCaps> Outputs() override;
  std::vector<MidiDeviceCaps> Inputs() override;
  std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index, const std::string& name) override;
  std::unique_ptr<MidiInConnection> OpenInput(unsigned index, const std::string& name,
                                              MidiInputSink& sink) override;

 private:
  // The client, opened again after the server went away; null while no server runs.
  std::shared_ptr<JackClient> Client();
  std::vector<MidiDeviceCaps> List(unsigned long flags, const char* virtualName);

  // The device check lists from the GUI thread without the engine lock.
  mutable std::mutex mutex_;
  std::string problem_;
  std::shared_ptr<JackClient> client_;
};

}  // namespace korvel
