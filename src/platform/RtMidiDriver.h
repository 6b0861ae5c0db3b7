// MIDI ports of the ALSA sequencer, through RtMidi. Besides the system's ports, it lists
// Korvel's own virtual ports so other programs can connect without hardware.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/SystemMidi.h"

class RtMidiIn;
class RtMidiOut;

namespace korvel {

// Whether the ALSA sequencer can be opened (/dev/snd/seq).
bool AlsaSequencerPresent();

class RtMidiDriver : public SystemMidiDriver {
 public:
  RtMidiDriver();
  ~RtMidiDriver() override;

  std::string ApiName() const override { return "ALSA"; }
  std::string Problem() const override;
  std::vector<MidiDeviceCaps> Outputs() override;
  std::vector<MidiDeviceCaps> Inputs() override;
  std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index, const std::string& name) override;
  std::unique_ptr<MidiInConnection> OpenInput(unsigned index, const std::string& name,
                                              MidiInputSink& sink) override;

 private:
  // The listing clients, made when the MIDI system can be reached; false while it cannot.
  bool ConnectListers();

  // The device check lists from the GUI thread without the engine lock; one listing at a time.
  mutable std::mutex listing_;
  std::string problem_;
  std::unique_ptr<RtMidiIn> inLister_;
  std::unique_ptr<RtMidiOut> outLister_;
};

}  // namespace korvel
