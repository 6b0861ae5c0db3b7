#include "stylegen/WorkRecorder.h"

#include <algorithm>
#include <string_view>

namespace korvel {

namespace {

constexpr uint8_t kTimingClock = 0xF8;
constexpr uint8_t kStart = 0xFA;
constexpr uint8_t kContinue = 0xFB;
constexpr uint8_t kStop = 0xFC;

// The measure length a style of the transport's metre stores: negative for the metres counted
// in eighths (6/8, 2/8), which the style player then plays on eighth-note beats.
int16_t StyleMeasureLength(const Transport& transport) {
  const std::string_view metre = kMetreNames[std::clamp(transport.MetreIndex, 0, 8)];
  const bool eighths = metre == "6/8" || metre == "2/8";
  return static_cast<int16_t>(eighths ? -transport.MeasureSixteenths : transport.MeasureSixteenths);
}

template <typename... Args, typename F>
void Call(const F& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

}  // namespace

void CaptureSettings::Clear() {
  First.fill(1);
  Last.fill(0);
}

bool CaptureSettings::PartWanted(int part) const {
  const auto p = static_cast<size_t>(part);
  return First[p] >= 1 && (First[p] > 1 || Last[p] >= 1);
}

int CaptureSettings::PartLast(int part) const {
  const auto p = static_cast<size_t>(part);
  return std::max(First[p], Last[p]);
}

int CaptureSettings::LastMeasure() const {
  int last = 0;
  for (int part = 0; part < kStylePartCount; ++part) {
    if (PartWanted(part)) last = std::max(last, PartLast(part));
  }
  return last;
}

WorkRecorder::WorkRecorder(Style& style, Transport& transport, StyleGenerator& generator,
                           StyleParts& parts, StylePlayer& player, MidiPorts& ports,
                           InputCallbackSettings& input, Dialogs& dialogs)
    : style_(style),
      transport_(transport),
      generator_(generator),
      parts_(parts),
      player_(player),
      ports_(ports),
      input_(input),
      dialogs_(dialogs) {}

void WorkRecorder::Attach() {
  TransportHooks& h = transport_.Hooks;
  h.Capturing = [this] { return armed_; };
  h.CaptureEvent = [this](const TMyMidiEvent& event) { RecordEvent(event); };
  auto before = h.StopPerformance;
  h.StopPerformance = [this, before] {
    if (before) before();
    EndRecording();
  };
}

bool WorkRecorder::ArmRecording(bool fromCapture) {
  if (player_.Playing || (armed_ && !WaitingForStart())) return false;
  // A second press while waiting for the sequencer cancels the wait.
  if (armed_) {
    transport_.StartDelay = 0;
    waiting_ = false;
    armed_ = false;
    capturing_ = false;
    EndRecording();
    return false;
  }
  if (!fromCapture && !generator_.WorkEmpty() && !dialogs_.AskYesNo("Replace current work ?")) {
    return false;
  }
  // Whether the sequencer is to be started by us is decided by the clock as it was armed:
  // switching Slave Mode off moves a waiting clock to the internal one.
  const bool external = transport_.ClockState == -1;
  style_.StyleMode = false;
  savedTransmit_ = Hooks.TransmitControllers ? Hooks.TransmitControllers() : false;
  Call(Hooks.SetTransmitControllers, false);
  savedSlave_ = transport_.SlaveMode;
  savedMaster_ = transport_.MasterMode;
  if (transport_.SlaveMode) transport_.SetSlaveMode(false);
  if (fromCapture) transport_.SetMetre(Capture.MetreIndex);
  generator_.ResetGeneratedStyle();
  generator_.NewWork(std::nullopt);
  style_.StyleMode = false;
  // The recorder counts the sequencer's clocks itself, so they reach it without Slave Mode.
  input_.SetClockForwarding(1, nullptr);
  style_.Work.ClearWork();
  writer_.emplace(style_.Work);
  clocks_ = 0;
  collected_.ResetChannelState();
  for (auto& channel : sounding_) channel.fill(false);
  measureText_ = "1:1";
  capturing_ = fromCapture;
  if (fromCapture) MeasureLimit = Capture.LastMeasure();
  armed_ = true;
  style_.Work.RestoreAvailable = false;
  waiting_ = external;
  stopped_ = false;
  if (external) {
    transport_.StartDelay = kWaitForExternalStart;
  } else {
    transport_.StartDelay = 0;
    if (ports_.ClockOutPort && ports_.ClockOutPort->IsOpen())
      ports_.ClockOutPort->PutShortMsg(kStart);
  }
  return true;
}

void WorkRecorder::RecordEvent(const TMyMidiEvent& event) {
  if (!armed_ || !writer_) return;
  const uint8_t status = event.MidiMessage;
  const int measureClocks = std::max<int>(transport_.MeasureSixteenths, 4) * 6;
  if (status == kStart || status == kContinue) {
    // The sequencer's Start begins a recording that waits for it, with Slave Mode on or off.
    transport_.StartDelay = 0;
    waiting_ = false;
    // Started again from its beginning, the sequencer's music goes on from the next bar line
    // of the recording; Continue goes on where it stopped.
    if (status == kStart && clocks_ % measureClocks != 0) {
      CloseSoundingNotes();
      const int64_t rest = measureClocks - clocks_ % measureClocks;
      writer_->Clocks(static_cast<int>(rest));
      clocks_ += rest;
      if (MeasureLimit > 0 && clocks_ >= int64_t{MeasureLimit} * measureClocks) {
        transport_.StopCommand();
        return;
      }
    }
    stopped_ = false;
  } else if (status == kStop) {
    // A stopped sequencer may go on sending its clock: it does not advance the recording.
    stopped_ = true;
    return;
  } else if (waiting_ || stopped_) {
    return;
  } else if (status == kTimingClock) {
    writer_->Clocks(1);
    ++clocks_;
    if (!player_.Playing && clocks_ % 24 == 0) {
      measureText_ = std::to_string(clocks_ / measureClocks + 1) + ":" +
                     std::to_string(clocks_ % measureClocks / 24 + 1);
    }
    if (MeasureLimit > 0 && clocks_ >= int64_t{MeasureLimit} * measureClocks) {
      transport_.StopCommand();
      return;
    }
  } else if (status >= 0x80 && status < 0xF0) {
    // Only channel messages: system messages have no place in the material.
    const uint8_t type = status & 0xF0;
    const uint8_t channel = status & 0x0F;
    const bool twoBytes = type != 0xC0 && type != 0xD0;
    const uint8_t data1 = event.Data1 & 0x7F;
    const uint8_t data2 = twoBytes ? event.Data2 & 0x7F : 0;
    writer_->Message(status, data1, data2);
    if (type == 0xB0 || type == 0xC0 || type == 0xD0) {
      collected_.ThinRepeated(type, channel, data1, data2, true);
    } else if (type == 0x90 && data2 > 0) {
      style_.Channels.SetHasNotes(channel, true);
      sounding_[channel][data1] = true;
    } else if (type == 0x80 || type == 0x90) {
      sounding_[channel][data1] = false;
    }
  } else {
    return;
  }
  if (writer_->Full()) {
    transport_.StopCommand();
    dialogs_.InformUser("Sorry - Out of Memory !");
  }
}

void WorkRecorder::CloseSoundingNotes() {
  for (int channel = 0; channel < 16; ++channel) {
    for (int note = 0; note < 128; ++note) {
      auto& on = sounding_[static_cast<size_t>(channel)][static_cast<size_t>(note)];
      if (!on) continue;
      writer_->Message(static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 0);
      on = false;
    }
  }
}

void WorkRecorder::EndRecording() {
  if (!armed_ && !writer_) return;
  // Cleared first: the mode switches below stop the transport, whose Stop calls here again.
  armed_ = false;
  const bool recorded = writer_ && clocks_ > 0;
  if (writer_) {
    // A note the sequencer had not ended when recording stopped ends with it.
    if (!writer_->Full()) CloseSoundingNotes();
    writer_->Finish();
    writer_.reset();
  }
  WorkMaterial& work = style_.Work;
  work.CurrentChunk = 0;
  work.BuildBeatIndex();
  StyleChannelTable& table = style_.Channels;
  for (int channel = 0; channel < 16; ++channel) {
    for (int index = 0; index < kChannelRecordSize; ++index) {
      table.SetValue(channel, index, collected_.ChannelStateValue(channel, index));
    }
  }
  style_.StyleLength = work.WorkLength;
  // Like an imported file, the recording is the song the generator holds.
  if (recorded) style_.SongLoaded = true;
  generator_.StopPosition = work.WorkLength;

  Call(Hooks.SetTransmitControllers, savedTransmit_);
  if (transport_.MasterMode != savedMaster_) transport_.SetMasterMode(savedMaster_);
  if (transport_.SlaveMode != savedSlave_) transport_.SetSlaveMode(savedSlave_);
  input_.SetClockForwarding(transport_.SlaveMode ? 1 : 0, nullptr);
  Call(Hooks.ControllerReset);
  Call(Hooks.ReleaseAll);
  player_.AllSoundOff(*ports_.PlayPort);
  style_.StyleMode = true;
  const bool capture = capturing_ && recorded;
  if (capturing_) FinishCapture();
  MeasureLimit = 0;
  if (recorded) work.KeepRestoreCopy();
  Call(Hooks.Ended, capture);
}

void WorkRecorder::FinishCapture() {
  capturing_ = false;
  style_.StyleMode = true;
  const int tempo = std::clamp(Capture.Tempo, kMinTempo, kMaxTempo);
  transport_.TempoEdit1Change(tempo);
  // The style is saved and exported with the capture's tempo and metre.
  style_.Channels.SetTempo(static_cast<int16_t>(tempo));
  style_.Channels.SetMeasureLength(StyleMeasureLength(transport_));
  style_.SelectedPart = kIntro;
  bool any = false;
  for (int part = 0; part < kStylePartCount; ++part) {
    if (!Capture.PartWanted(part)) continue;
    style_.SelectedPart = part;
    generator_.LoopRange = {Capture.First[static_cast<size_t>(part)], 1, Capture.PartLast(part)};
    any = parts_.SetStylePart(PartSender::None) || any;
  }
  if (any) {
    style_.StyleName = "*.KVS";
    dialogs_.InformUser("OK - Styleparts are created !");
  } else {
    style_.StyleMode = false;
  }
  generator_.StyleChanged = true;
}

}  // namespace korvel
