// MIDI ports of the ALSA sequencer or of a JACK server, through RtMidi. Besides the system's
// ports, it lists Korvel's own virtual ports so other programs can connect without hardware.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/MidiDriver.h"

class RtMidiIn;
class RtMidiOut;

namespace korvel {

enum class MidiApiChoice { Auto, Alsa, Jack };

// "alsa" / "jack" (any case) or anything else for Auto.
MidiApiChoice ParseMidiApiChoice(const std::string& text);

// The device-list entries that stand for Korvel's own ports in the MIDI graph.
inline constexpr const char* kVirtualOutputName = "Korvel virtual out";
inline constexpr const char* kVirtualInputName = "Korvel virtual in";
inline constexpr const char* kClientName = "Korvel";

class RtMidiDriver : public MidiDriver {
 public:
  // Auto takes ALSA when its sequencer is there, otherwise JACK. The KORVEL_MIDI_API
  // environment variable ("alsa" or "jack") overrides the setting.
  explicit RtMidiDriver(MidiApiChoice choice);
  ~RtMidiDriver() override;

  std::string ApiName() const override { return apiName_; }
  // Why no device can be listed (no MIDI system reachable), empty when all is well.
  const std::string& Problem() const { return problem_; }

  std::vector<MidiDeviceCaps> Outputs() override;
  std::vector<MidiDeviceCaps> Inputs() override;
  std::unique_ptr<MidiOutConnection> OpenOutput(unsigned index, const std::string& name) override;
  std::unique_ptr<MidiInConnection> OpenInput(unsigned index, const std::string& name,
                                              MidiInputSink& sink) override;

 private:
  // The listing clients, made when the MIDI system can be reached; false while it cannot.
  bool ConnectListers();

  int api_;  // RtMidi::Api
  std::string apiName_;
  // The device check lists from the GUI thread without the engine lock; one listing at a time.
  std::mutex listing_;
  std::string problem_;
  std::unique_ptr<RtMidiIn> inLister_;
  std::unique_ptr<RtMidiOut> outLister_;
};

}  // namespace korvel
