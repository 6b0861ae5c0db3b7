#include "engine/Transport.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

constexpr uint8_t kTimingClock = 248;
constexpr uint8_t kStart = 250;
constexpr uint8_t kContinue = 251;
constexpr uint8_t kStop = 252;

// Measure length in sixteenths and metronome accent period of each "Metrum" entry.
constexpr int16_t kMeasureSixteenths[] = {24, 20, 16, 12, 8, 4, 12, 4, 4};
constexpr int16_t kAccentPeriod[] = {4, 5, 4, 3, 4, 4, 3, 4, 4};
constexpr int kMetreOneEighth = 8;
constexpr int kQuantizeOneEighth = 5;

}  // namespace

Transport::Transport(MidiPorts& ports, InputCallbackSettings& input, ClockTimer& timer, View& view)
    : ports_(ports), input_(input), timer_(timer), view_(view) {
  SetMetre(MetreIndex);
  SetQuantize(QuantizeIndex);
  ClockInBeat = ClocksPerBeat;
  ClickCounter = static_cast<int16_t>(ClickAccentPeriod + 1);
  BeatCounter = static_cast<int16_t>(QuantizeBeats + 1);
}

void Transport::InitClock() {
  SavedPriorityClass = kNormalPriorityClass;
  ProcessPriorityClass = kNormalPriorityClass;
  input_.SetClockForwarding(0, nullptr);
}

void Transport::DoneClock() {
  SetClockTempo(0);
}

int Transport::ClockPeriodFor(int tempo) {
  if (tempo <= 0) return 0;
  return 2500 / tempo + (2500 % tempo > tempo / 2 ? 1 : 0);
}

void Transport::SetClockTempo(int tempo) {
  timer_.Stop();
  if (tempo <= 0) return;
  ClockPeriod = ClockPeriodFor(tempo);
  timer_.Start(tempo);
}

bool Transport::FreePlay() const {
  return !(Hooks.ChordMemoryActive && Hooks.ChordMemoryActive());
}

void Transport::ApplyChanges() {
  Call(Hooks.ApplyPendingCommand);
  Call(Hooks.ApplyChordChange);
}

void Transport::LightLamp(uint32_t color) {
  view_.BeatLamp(color);
}

void Transport::ClockTick() {
  if (TickBusy) {
    ++ticksWaiting_;
    return;
  }
  TickBusy = 1;
  // An output failure leaves the tick as an exception: the clock must not stay busy.
  struct NotBusy {
    uint8_t& busy;
    ~NotBusy() { busy = 0; }
  } notBusy{TickBusy};
  PlayClock();
  for (; ticksWaiting_ > 0; --ticksWaiting_) PlayClock();
}

void Transport::PlayClock() {
  ++TickCount;
  if (ClockState == 0) return;
  // Without an open output there is no transport work; the style player still runs. The song's
  // melody follows the counted clock, with or without a style.
  const bool counted = ports_.SignalPort->IsOpen() && CountTransport();
  if (counted) Call(Hooks.MelodyTick);
  if ((counted || !ports_.SignalPort->IsOpen()) && Hooks.StylePlayerRunning &&
      Hooks.StylePlayerRunning()) {
    Call(Hooks.PlayStyleTick);
  }
}

void Transport::ClockStalled() {
  Call(Hooks.EndPlayedNotes);
}

bool Transport::CountTransport() {
  if (StartDelay > 0 && --StartDelay > 0) return false;
  if (ClockInBeat == LampOffClock) LightLamp(kLampBlack);
  ++ClockInBeat;
  if (MasterMode) ports_.ClockOutPort->PutShortMsg(kTimingClock);

  if (CountInActive) {
    const int beats = MeasureSixteenths == 12 ? 3 : 4;
    if (ClockInBeat > 24) {
      if (beats > CountInBeat) {
        ClockInBeat = 1;
        ++CountInBeat;
        PlayClick(75);
      } else {
        CountInActive = false;  // this tick is the first beat start after the count-in
      }
    } else if (CountInBeat > 2 && MeasureSixteenths != 12 && ClockInBeat == 13) {
      PlayClick(75);  // eighth-note clicks in the last two beats of a four-beat count-in
    }
    if (CountInActive) return false;
  }

  if (ClockInBeat > 24 && !TwoFingerChords && StaticChordKeys) Call(Hooks.ClearHeldNotes);

  if (FreePlay()) {
    if (BeatCounter == 1 && ClockInBeat < LateChangeWindow && !PlayChordsMode) {
      ApplyChanges();  // a change that comes just late still makes this step
      return true;
    }
    if (ClockInBeat > ClocksPerBeat) {
      LightLamp(BeatLampColor);
      ClockInBeat = 1;
      if (BeatCounter >= QuantizeBeats) {
        ApplyChanges();
        BeatCounter = 0;
      }
      ++BeatCounter;
      if (Metronome) PlayClick(107);
      return true;
    }
  } else {
    Call(Hooks.ChordMemoryTick);
  }
  if (ClockInBeat == ChordCodeClock) Call(Hooks.AnnounceChord);
  return true;
}

void Transport::PlayClick(int velocity) {
  TMidiOutput& port = *ports_.PlayPort;
  if (!port.IsOpen()) return;
  ++ClickCounter;
  if (ClickCounter >= ClickAccentPeriod) {
    velocity = CountInActive && CountInBeat > 2 ? 75 : 120;
    ClickCounter = 0;
  }
  port.PutShort(153, static_cast<uint8_t>(ClickNote), static_cast<uint8_t>(velocity));
}

void Transport::ToggleClock() {
  if (!FreePlay()) return;
  SwitchClock(ClockState != 0 ? 0 : SlaveMode ? -1 : 1);
}

void Transport::SwitchClock(int16_t state) {
  ClockState = state;
  BeatLampColor = state == 0 ? kLampBlack : state < 0 ? kLampBlue : kLampRed;
  LightLamp(BeatLampColor);
  Call(Hooks.SilenceLiveChannel);
  view_.MeasureDisplay("1");
  if (ClockState < 1) {
    SetClockTempo(0);
    ResetTransport();
  } else {
    ResetTransport();
    TempoEdit1Change(Tempo);
  }
}

void Transport::TempoEdit1Change(int value) {
  Tempo = value;
  if (Hooks.FilePlayerTempo && Hooks.FilePlayerTempo(value)) return;
  if (value >= kMinTempo && value <= kMaxTempo && ClockState >= 1) SetClockTempo(value);
}

void Transport::ResetTransport() {
  // Also after Play Chords was switched off on the way here (the end of step recording): a
  // chord it triggered still sounds.
  Call(Hooks.ReleaseTriggeredChord);
  Call(Hooks.AllSoundOff);
  view_.FocusKeyboard();
  ports_.MidiInput1.HandleArrived([](const TMyMidiEvent&) {});
  SetProcessPriority(SavedPriorityClass);
  view_.Title(WindowTitle);
  Call(Hooks.ResetChordState);
  ClockInBeat = ClocksPerBeat;
  ClickCounter = static_cast<int16_t>(ClickAccentPeriod + 1);
  BeatCounter = static_cast<int16_t>(QuantizeBeats + 1);
  // The generator's colour lights beats of the internal clock; the external clock keeps blue
  // and a stopped clock black, so the lamp always tells which clock runs.
  if (ClockState == 1) BeatLampColor = GeneratorLampColor;
  Call(Hooks.ResetChordDisplay);
  Call(Hooks.ResetSoloChannel);
  Call(Hooks.ResetStylePlayer);
  Call(Hooks.StopMelodyAndPads);
}

void Transport::StopCommand() {
  if (MasterMode) ports_.ClockOutPort->PutShortMsg(kStop);
  LightLamp(ClockState == -1 ? BeatLampColor : kLampBlack);
  CountInActive = false;
  Call(Hooks.StopPerformance);
  ResetTransport();
}

void Transport::SetMasterMode(bool on) {
  StopCommand();
  MasterMode = on;
}

void Transport::SetSlaveMode(bool on) {
  StopCommand();
  SlaveMode = on;
  input_.SetClockForwarding(on ? 1 : 0, nullptr);
  // A running clock changes over to the other source: never two clocks, never none.
  const int16_t source = on ? -1 : 1;
  if (ClockState != 0 && ClockState != source) SwitchClock(source);
}

void Transport::SetProcessPriority(int priorityClass) {
  if (priorityClass == ProcessPriorityClass) return;
  ProcessPriorityClass = priorityClass;
  SetProcessPriorityHigh(priorityClass == kRealtimePriorityClass);
}

void Transport::SyncStart1Click() {
  if (!SlaveMode) return;
  LightLamp(kLampBlue);
  StartDelay = StartDelay == 0 ? kWaitForExternalStart : 0;
}

void Transport::SetCountersForMeasureStart() {
  ClockInBeat = 24;
  ClickCounter = static_cast<int16_t>(ClickAccentPeriod + 1);
  BeatCounter = static_cast<int16_t>(QuantizeBeats + 1);
}

void Transport::ArmCountIn() {
  CountInActive = true;
  CountInBeat = 0;
}

void Transport::MidiInput2MidiInput(TMidiInput& port) {
  port.HandleArrived([this](TMyMidiEvent& event) {
    const uint8_t status = event.MidiMessage;
    // The recorder takes the event as the sequencer sent it: before the channel filter and
    // the master transposition, with or without Slave Mode. It also hears the sequencer's
    // Stop, which holds the recording until Continue or Start.
    if (Hooks.Capturing && Hooks.Capturing()) {
      if (status == kStart || status == kContinue) Call(Hooks.TransmitControllersOn);
      if (status < 240 || status == kTimingClock || status == kStart || status == kContinue ||
          status == kStop) {
        Call(Hooks.CaptureEvent, event);
      }
    }
    if (status >= 240) {
      if (SlaveMode) {
        switch (status) {
          case kTimingClock:
            ClockTick();
            break;
          case kStart:
          case kContinue:
            StartDelay = 0;
            break;
          case kStop:
            if (StartDelay == 0) StopCommand();
            break;
          default:
            break;
        }
      }
    } else if ((status & 0xF0) == 0xB0 &&
               !(Hooks.StylePlayerRunning && Hooks.StylePlayerRunning())) {
      if (event.Data1 == 21) {
        const int measure = -event.Data2;
        if (StartMeasure != measure && StartMeasure < 2 && IntroDetection) {
          StartMeasure = measure;
          Call(Hooks.ApplyStartMeasure);
          if (MuteNone)
            Call(Hooks.SetChordMemoryPosition, (StartMeasure - 1) * MeasureSixteenths + 8);
        }
        return;
      }
      if (event.Data1 == 22) {
        if (TempoDetection) {
          const int tempo = event.Data2 * 2;
          if (tempo >= kMinTempo && tempo <= kMaxTempo) {
            if (ClockState > 0) SetClockTempo(tempo);
            Tempo = tempo;
            view_.TempoField(tempo);
          }
        }
        return;
      }
      if (event.Data1 == 84 && !UnchangedMidiIn && Hooks.MasterTranspose) {
        event.Data2 = static_cast<uint8_t>((event.Data2 + Hooks.MasterTranspose()) & 0x7F);
      }
    }
    if ((status & 0xF0) == 0xB0 && (event.Data1 == 19 || event.Data1 == 20) &&
        Hooks.ReceiveChordCode && Hooks.ReceiveChordCode(status & 0x0F, event.Data1, event.Data2)) {
      return;
    }
    const int type = status & 0xF0;
    const bool note = type == 0x80 || type == 0x90;
    const bool noteOn = type == 0x90 && event.Data2 > 0;
    uint8_t* sent = note ? &externalNotes_[status & 0x0F][event.Data1 & 0x7F] : nullptr;
    if (sent && !noteOn && *sent != 0) {
      // A note-off reaches the pitch its note-on was sent as, even when transposition, solo
      // or mute changed while the key was held.
      event.Data1 = static_cast<uint8_t>(*sent - 1);
      *sent = 0;
    } else if (!UnchangedMidiIn && status < 240 && Hooks.ChannelFilter) {
      const uint8_t data1 = Hooks.ChannelFilter(status, event.Data1);
      if (data1 == 255) return;
      if (sent && noteOn) *sent = static_cast<uint8_t>(data1 + 1);
      event.Data1 = data1;
    } else if (sent && noteOn) {
      *sent = static_cast<uint8_t>(event.Data1 + 1);
    }
    if (ports_.MidiOutput1.IsOpen()) ports_.MidiOutput1.PutMidiEvent(event);
  });
}

void Transport::ApplyResolution(int resolution) {
  if (resolution != ClockResolution && StartMeasure < 0) {
    StartMeasure = resolution == 2 ? StartMeasure * 2 : StartMeasure / 2;
  }
  ClockResolution = static_cast<int16_t>(resolution);
  const bool quarter = resolution == 1;
  LampOffClock = quarter ? 13 : 7;
  LateChangeWindow = quarter ? 8 : 6;
  ClocksPerBeat = quarter ? 24 : 12;
  ChordCodeClock = quarter ? 20 : 9;
  RecordChordWindow = quarter ? 6 : 3;
}

void Transport::SetQuantize(int index) {
  if (index < 0 || index > 9) return;
  QuantizeIndex = index;
  if (index <= 4) {
    ApplyResolution(1);
    QuantizeBeats = static_cast<int16_t>(index == 4 ? 6 : index + 1);
  } else {
    ApplyResolution(2);
    QuantizeBeats = static_cast<int16_t>(index - 4);
  }
}

void Transport::ApplyStyleMetre(int16_t length) {
  if (length == 0) length = 16;
  if (length > 0 && ClockResolution == 2) SetQuantize(QuantizeIndex - 5);
  if (length < 0 && ClockResolution == 1) SetQuantize(QuantizeIndex + 5);
  const int sixteenths = length < 0 ? -length : length;
  // The "Metrum" entry of that length and beat; a length no entry has keeps the accent period.
  const int first = length < 0 ? 6 : 0;
  for (int index = first; index < (length < 0 ? 8 : 6); ++index) {
    if (kMeasureSixteenths[index] == sixteenths) {
      SetMetre(index);
      return;
    }
  }
  MeasureSixteenths = static_cast<int16_t>(sixteenths);
}

void Transport::SetMetre(int index) {
  if (index < 0 || index > 8) return;
  MetreIndex = index;
  MeasureSixteenths = kMeasureSixteenths[index];
  ClickAccentPeriod = kAccentPeriod[index];
  if (index == kMetreOneEighth) SetQuantize(kQuantizeOneEighth);
}

}  // namespace korvel
