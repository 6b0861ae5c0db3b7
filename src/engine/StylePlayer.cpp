#include "engine/StylePlayer.h"

#include <algorithm>
#include <string>

#include "engine/Voicing.h"

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

bool IsNoteOn(uint8_t status, uint8_t velocity) {
  return (status & 0xF0) == 0x90 && velocity > 0;
}
bool IsNoteOff(uint8_t status, uint8_t velocity) {
  return (status & 0xF0) == 0x80 || ((status & 0xF0) == 0x90 && velocity == 0);
}

}  // namespace

StylePlayer::StylePlayer(Style& style, Transport& transport, MidiPorts& ports,
                         ChannelState& channels, ChordValue& chord, ControlKeys& keys,
                         NoteBookkeeping& notes, LiveSettings& live, View& view)
    : style_(style),
      transport_(transport),
      ports_(ports),
      channels_(channels),
      chord_(chord),
      keys_(keys),
      notes_(notes),
      live_(live),
      view_(view) {
  OctaveThreshold = static_cast<int16_t>(OctaveThresholdFor(live_.FirstKey));
}

void StylePlayer::AttachTo(Transport& transport) {
  TransportHooks& h = transport.Hooks;
  h.ApplyPendingCommand = [this] { ApplyPendingCommand(); };
  h.ApplyChordChange = [this] { ApplyChordChange(); };
  h.StylePlayerRunning = [this] { return Playing; };
  h.PlayStyleTick = [this] { PlayStyleTick(); };
  h.AllSoundOff = [this] { AllSoundOff(*ports_.PlayPort); };
  h.SilenceLiveChannel = [this] { ChannelSoundOff(*ports_.PlayPort, live_.SelChannel); };
  h.ReleaseTriggeredChord = [this] { ReleaseTriggeredChord(); };
  h.ResetStylePlayer = [this] { ResetStylePlayer(); };
  h.ChannelFilter = [this](uint8_t status, uint8_t data1) {
    return ChannelFilter(status, status & 0x0F, 0, data1);
  };
  h.MasterTranspose = [this] { return int{notes_.MasterTranspose}; };
}

void StylePlayer::Send(uint8_t status, uint8_t data1, uint8_t data2) {
  ports_.PlayPort->PutShort(status, data1 & 0x7F, data2 & 0x7F);
}

void StylePlayer::StopPlayback() {
  if (Hooks.StopCommand) {
    Hooks.StopCommand();
  } else {
    transport_.StopCommand();
  }
}

void StylePlayer::SendStyleChannelSettings() {
  TMidiOutput& port = *ports_.PlayPort;
  if (!port.IsOpen()) return;
  const StyleChannelTable& table = style_.Channels;
  for (int c = 0; c < 16; ++c) {
    if (!table.HasNotes(c)) continue;
    const auto status = static_cast<uint8_t>(0xB0 | c);
    port.PutShort(status, 121, 0);
    uint8_t program = table.Value(c, ChannelState::kProgramIndex);
    uint8_t bankMsb = table.Value(c, 0);
    uint8_t bankLsb = table.Value(c, 32);
    if (program == ChannelState::kNone) {
      program = 0;
      channels_.SetChannelStateValue(c, ChannelState::kProgramIndex, 0);
    }
    // With a program set, unset bank selects are taken as 0.
    if (bankMsb == ChannelState::kNone) bankMsb = 0;
    if (bankLsb == ChannelState::kNone) bankLsb = 0;
    port.PutShort(status, 0, bankMsb);
    port.PutShort(status, 32, bankLsb);
    port.PutShort(static_cast<uint8_t>(0xC0 | c), program, 0);
    channels_.SetChannelStateValue(c, ChannelState::kProgramIndex, program);
    for (int controller : {1, 7, 10, 11, 64, 66, 67, 91, 93}) {
      const uint8_t value = table.Value(c, controller);
      if (value < 128) port.PutShort(status, static_cast<uint8_t>(controller), value);
    }
    const uint8_t pressure = table.Value(c, ChannelState::kPressureIndex);
    if (pressure < 128) port.PutShort(static_cast<uint8_t>(0xD0 | c), pressure, 0);
    if (table.Value(c, 7) < 128) live_.Mixer[static_cast<size_t>(c)].Volume = table.Value(c, 7);
  }
}

void StylePlayer::StartStyle(int part) {
  if (style_.StyleLength <= 0 || !style_.StyleMode) return;
  view_.MeasureDisplay("1:1");
  PendingSuccessor = 0;
  PlayEndPos = style_.Work.WorkLength;
  PartRequest = -1;
  if (transport_.CountIn && !transport_.SlaveMode) transport_.ArmCountIn();
  AllSoundOff(*ports_.PlayPort);
  if (transport_.BeatLampColor != kLampYellow) KeptLampColor = transport_.BeatLampColor;
  Playing = true;
  BeatInMeasure = 0;
  BeatsPerMeasure = MeasureBeats();
  SelectStylePart(part);
  if (transport_.ClockState < 1) {
    transport_.StartDelay = kWaitForExternalStart;
  } else if (ports_.PlayPort->IsOpen()) {
    if (transport_.MasterMode) ports_.ClockOutPort->PutShortMsg(250);
    // A short lead-in, so that what follows the Start message arrives after it.
    if (transport_.StartDelay == 0) {
      transport_.StartDelay =
          static_cast<int16_t>(transport_.Tempo / (2 * std::max(transport_.SyncSpeed, 1)));
    }
  }
  SendStyleChannelSettings();
  transport_.SetCountersForMeasureStart();
}

void StylePlayer::PlayStyleTick() {
  // Free play starts the style with the first chord. A song counts its measures from its first
  // beat, chord or not: the style keeps the song's bars and is silent until a chord comes, so
  // a take and its playback agree bar for bar.
  const bool waitingForChord = StyleMode() && chord_.EditChordRoot == kNoChord;
  if (waitingForChord && (!Hooks.ChordMemoryIdle || Hooks.ChordMemoryIdle())) return;
  if (transport_.ClockInBeat == 1) {
    if (BeatInMeasure == 0) live_.MinusOneHold = false;
    if (StyleMode() && FadeActive) FadeAmount = static_cast<uint16_t>(FadeAmount + 6);
    StyleBeat();
  }
  WorkMaterial& work = style_.Work;
  for (;;) {
    if (!ports_.PlayPort->IsOpen()) return;
    if (WaitClocks > 0) {
      --WaitClocks;
      return;
    }
    // A part is read up to its end; the next beat start moves on (a time byte that spans the
    // bar line must not lead into the neighbouring part).
    if (StyleMode() && PlayPosition >= PartEndPos) return;
    if (PlayPosition < 0 || PlayPosition >= kChunkSize) break;
    const uint8_t b = work.Current()[static_cast<size_t>(PlayPosition)];
    if (b == kContinuation) {
      if (!work.NextChunkForReading()) break;
      PlayPosition = 0;
      continue;
    }
    if (b == 0 || PlayPosition >= PlayEndPos) break;
    if (IsTimeByte(b)) {
      WaitClocks = static_cast<int16_t>(b - 248);
      ++PlayPosition;
      return;
    }
    if (b < 0x80 || b > 0xEF || PlayPosition + 2 >= kChunkSize) {
      ++PlayPosition;  // not a channel message: damaged material is stepped over
      continue;
    }
    uint8_t status = b;
    uint8_t data1 = work.Current()[static_cast<size_t>(PlayPosition + 1)];
    uint8_t data2 = work.Current()[static_cast<size_t>(PlayPosition + 2)];
    PlayPosition += 3;
    if (data1 > 127 || data2 > 127) continue;
    const int c = status & 0x0F;
    const int h = status & 0xF0;
    if (waitingForChord && (IsNoteOn(status, data2) || h == 0xA0)) continue;
    const uint8_t patternNote = data1;
    if (h < 0xB0 || h >= 0xE0) {
      data1 = ChannelFilter(status, c, data2, data1);
      if (data1 == 255) continue;
    } else {
      if (h == 0xB0 && data1 == 84) {
        // As the external input does: the sum wraps within the data byte.
        data2 = static_cast<uint8_t>((data2 + notes_.MasterTranspose) & 0x7F);
      }
      if (h == 0xB0 && data1 == 91 && (live_.ReverbOff || live_.ReverbDefined)) continue;
      data1 = ChannelFilter(status, c, data2, data1);
      if (data1 == 255) continue;
      if (!PassesThinning(status, c, data1, data2)) continue;
    }
    if (StyleMode()) {
      if (style_.Parts.Part(CurrentPart).PartMute(c)) continue;
      if (FadeActive && IsNoteOn(status, data2)) {
        const int velocity = data2 - FadeAmount;
        if (velocity > 0) {
          data2 = static_cast<uint8_t>(velocity);
        } else {
          if (FadeAmount >= 128) {
            StopPlayback();
            return;
          }
          continue;
        }
      }
    }
    if ((h == 0x80 || h == 0x90 || h == 0xA0) && c != kDrumChannel) {
      if (StyleMode() && VoiceType > 0) {
        data1 = static_cast<uint8_t>(
            VoiceNote(data1, VoiceType, VoiceRoot, OctaveShift, PitchClassLimit));
      }
      auto& velocity = notes_.NoteVelocity[static_cast<size_t>(c)];
      auto& mapped = notes_.MappedNote[static_cast<size_t>(c)];
      const bool minusOne = live_.MinusOne && c == live_.SelChannel;
      if (IsNoteOn(status, data2)) {
        if (minusOne && live_.MinusOneHold) continue;
        // A key struck again while it sounds (a conversion maps several keys onto one) ends
        // its note first: modules differ in what they make of a doubled note, and this way
        // each note-on gets its own note-off and one booking per key stays exact.
        if (velocity[patternNote] != 0 && !(minusOne && notes_.LiveNote[mapped[patternNote]])) {
          Send(static_cast<uint8_t>(0x90 | c), mapped[patternNote], 0);
        }
        mapped[patternNote] = data1;
        velocity[patternNote] = data2;
        velocity[128] = 1;
      } else if (IsNoteOff(status, data2)) {
        // Only a note this player struck is ended, at the pitch it was struck.
        if (velocity[patternNote] == 0 && h != 0xA0) continue;
        data1 = mapped[patternNote];
        velocity[patternNote] = 0;
        if (minusOne && notes_.LiveNote[data1] != 0) continue;
      } else {
        data1 = mapped[patternNote];
      }
    }
    if (c + 1 == notes_.SoloChannel && IsNoteOn(status, data2)) Call(Hooks.SoloNote, data1);
    Send(status, data1, data2);
  }
  // End of the material.
  StopPlayback();
  Call(Hooks.SongEnded);
}

bool StylePlayer::PassesThinning(uint8_t status, int channel, uint8_t data1, uint8_t data2) {
  const bool changed =
      channels_.ThinRepeated(status & 0xF0, static_cast<uint8_t>(channel), data1, data2, false);
  const int h = status & 0xF0;
  if (FirstPassThinning) {
    return changed || h == 0xC0 || (h == 0xB0 && (data1 == 0 || data1 == 32));
  }
  return live_.TransmitControllers || changed;
}

void StylePlayer::StyleBeat() {
  if (Playing && StyleMode() && style_.Work.CurrentChunk == 0) {
    const bool switching = PlayPosition >= PartEndPos + kPartSwitchMarker;
    // A part with measures ends after them, whatever clocks its material holds (files of other
    // writers may hold more or fewer); one without ends with its material.
    bool ended =
        !switching && (PartBeatsLeft >= 0 ? PartBeatsLeft == 0 : PlayPosition >= PartEndPos);
    if (PendingSuccessor == kEndingRequested && BeatInMeasure == 0) ended = true;
    if (ended) {
      if (PendingSuccessor == kStopAfter) {
        StopPlayback();
        return;
      }
      if (PendingSuccessor >= 1 && PendingSuccessor <= 7) SelectStylePart(PendingSuccessor);
      if (PlayPosition < PartEndPos + kPartSwitchMarker) {
        // The part repeats, from its own start even when it was entered on a later beat.
        FirstPassThinning = false;
        PartStartPos =
            Preview.Active ? Preview.StartPos : style_.Parts.Part(CurrentPart).StartPos();
        entryBeat_ = 0;
      }
    }
    if ((ended || switching) && (Preview.Active || !style_.Parts.Part(CurrentPart).Empty())) {
      if (ended) RevoiceSounding(16, VoiceRoot, true, false, VoiceType);
      PlayPosition = PartStartPos;
      PartSixteenths = PartStartSixteenths;
      WaitClocks = 0;  // a time byte of the part before does not delay this one
      const int measures =
          Preview.Active ? Preview.Measures : style_.Parts.Part(CurrentPart).MeasureCount();
      PartBeatsLeft = measures >= 1 ? std::max(measures * BeatsPerMeasure - entryBeat_, 1) : -1;
      entryBeat_ = 0;
    }
    if (PartBeatsLeft > 0) --PartBeatsLeft;
  }
  const int measureSixteenths = std::max<int>(transport_.MeasureSixteenths, 1);
  // While a song plays or records, the display shows the song's position instead.
  if (!Hooks.ChordMemoryIdle || Hooks.ChordMemoryIdle())
    view_.MeasureDisplay(std::to_string((PartSixteenths - 4) / measureSixteenths + 1) + ":" +
                         std::to_string(BeatInMeasure + 1));
  PartSixteenths += transport_.ClocksPerBeat / 6;
  if (++BeatInMeasure >= BeatsPerMeasure) BeatInMeasure = 0;
}

uint16_t StylePlayer::MeasureBeats() const {
  // Beats are quarter or eighth notes, as the clock counts them.
  const int clocks = transport_.MeasureSixteenths * 6;
  return static_cast<uint16_t>(std::max(clocks / std::max<int>(transport_.ClocksPerBeat, 1), 1));
}

int StylePlayer::PlayablePart(int part) const {
  while (part >= 0 && part < kStylePartCount && style_.Parts.Part(part).Empty()) {
    if (part == kFillExtended) {
      part = kExtended;
    } else if (part == kToExtended) {
      part = kBasic;
    } else {
      return -1;
    }
  }
  return part >= 0 && part < kStylePartCount ? part : -1;
}

void StylePlayer::SelectStylePart(int part) {
  if (part < 0 || part >= kStylePartCount) return;
  Preview.Active = false;
  RevoiceSounding(16, VoiceRoot, true, true, VoiceType);
  if (part == kEnding) {
    keys_.EndingPending = false;  // the ending is played now
    PendingSuccessor = 0;
    if (live_.HarmonicPad) SilencePad();
    if (!PlayEnding || style_.Parts.Part(kEnding).Empty()) {
      FadeActive = true;
      FadeAmount = 0;
      part = MainPart;
    }
  }
  if (Playing) {
    if (part > 0) {
      transport_.BeatLampColor = KeptLampColor;
    } else {
      if (transport_.BeatLampColor != kLampYellow) KeptLampColor = transport_.BeatLampColor;
      transport_.BeatLampColor = kLampYellow;
    }
  }
  part = PlayablePart(part);
  if (part < 0) return;  // the part's button turns grey; nothing changes
  CurrentPart = part;
  const StylePart record = style_.Parts.Part(part);
  PendingSuccessor = record.Successor();
  if (record.Successor() == kFurtherVariation) {
    PendingSuccessor = 0;
    MainPart = static_cast<uint16_t>(part);
  } else if (record.Successor() == kReturnToMain) {
    PendingSuccessor = MainPart;
  } else {
    MainPart = static_cast<uint16_t>(part == kIntro ? kBasic : part);
  }
  PartStartPos = record.StartPos();
  PartEndPos = record.EndPos();
  PartStartSixteenths = (record.FirstMeasure() - 1) * transport_.MeasureSixteenths + 4;
  for (int c = 0; c < 16; ++c) {
    if (!notes_.ChannelBoxes[static_cast<size_t>(c)]) {
      notes_.ChannelMute[static_cast<size_t>(c)] = record.PartMute(c) ? 1 : 0;
    }
  }
  // Fill-ins and transitions start at the beat that is due, so that they end on the bar line.
  entryBeat_ = part >= kFillBasic ? BeatInMeasure : 0;
  if (entryBeat_ > 0) {
    if (transport_.ClocksPerBeat == 24 && entryBeat_ <= 3) {
      PartStartPos = record.BeatEntry(entryBeat_ + 1);  // as the file stores them
    } else {
      PartStartPos = style_.Work.PositionAfterClocks(record.StartPos(), record.EndPos(),
                                                     entryBeat_ * transport_.ClocksPerBeat);
    }
  }
  FirstPassThinning = true;
  PlayPosition = PartEndPos + kPartSwitchMarker;
}

void StylePlayer::ApplyPendingCommand() {
  if (!ports_.SignalPort->IsOpen()) return;
  const int key = keys_.ControlKeyNote;
  if (key > 0 && StyleMode()) {
    auto empty = [this](int p) { return style_.Parts.Part(p).Empty(); };
    if (key == keys_.FillInKey) {
      int request =
          CurrentPart == kExtended || CurrentPart == kFillExtended ? kFillExtended : kFillBasic;
      if (!empty(request) && style_.Parts.Part(request).Successor() == kFurtherVariation) {
        if (CurrentPart == request) request = request == kFillBasic ? kBasic : kExtended;
      } else if (empty(request)) {
        request = request == kFillBasic ? kFillExtended : kFillBasic;
      }
      PartRequest = request;
    } else if (key == keys_.ToBasicKey) {
      PartRequest = kToBasic;
    } else if (key == keys_.EndingKey) {
      PendingSuccessor = kEndingRequested;
    } else if (key == keys_.ToAdvKey) {
      if (!empty(kExtended)) PartRequest = kToExtended;
    } else if (key == keys_.IntroKey()) {
      PartRequest = kIntro;
    }
    if (key != keys_.EndingKey) {
      FadeActive = false;
      FadeAmount = 0;
    }
  }
  if (key > 0) {
    if (key != keys_.IntroKey() && key != kTempoCommandKey) {
      if (!StyleMode()) {
        ports_.SignalPort->PutShort(0x90, static_cast<uint8_t>(key & 0x7F), live_.TriggerVelocity);
        ports_.SignalPort->PutShort(0x90, static_cast<uint8_t>(key & 0x7F), 0);
      }
    } else if (key == kTempoCommandKey) {
      if (!transport_.PlayChordsMode && transport_.ClockState > 0) {
        transport_.SetClockTempo(keys_.ControlKeyCode);
        if (!Hooks.ChordMemoryIdle || Hooks.ChordMemoryIdle())
          transport_.Tempo = keys_.ControlKeyCode;
      }
    } else if (!StyleMode()) {
      ports_.ClockOutPort->PutShortMsg(252);
      Call(Hooks.SetChordFinal, chord_.EditChordRoot, chord_.EditChordType);
    }
    if (key != keys_.EndingKey && key != kTempoCommandKey) Call(Hooks.ClearChordMemoryStopFlag);
    keys_.ControlKeyNote = 0;
    keys_.ControlKeyCode = 0;
    keys_.RecControlKeyNote = 0;
    keys_.RecControlKeyCode = 0;
  }
  if (transport_.ClockInBeat == 1 && PartRequest != -1 && StyleMode()) {
    int part = PartRequest;
    if (style_.Parts.Part(part).Empty()) {
      if (part == kToExtended && !style_.Parts.Part(kExtended).Empty()) part = kExtended;
      if (part == kToBasic && !style_.Parts.Part(kBasic).Empty()) part = kBasic;
    }
    SelectStylePart(part);
    PartRequest = -1;
  }
}

void StylePlayer::ChordChangeEntry(const std::array<int, 4>& tones) {
  // A control key brings no tones: a chord played with it, still waiting for the grid, keeps
  // its own and is voiced with it.
  if (tones[0] > 0 || chord_.ChordRoot <= 0) chord_.ChordTones = tones;
  if (transport_.ClockState != 0) return;
  if (Hooks.StepRecording && Hooks.StepRecording()) {
    Call(Hooks.StepRecordChord);
    return;
  }
  ApplyPendingCommand();
  ApplyChordChange();
}

void StylePlayer::HarmonicPad(const std::array<int, 4>& tones) {
  if (!live_.HarmonicPad) return;
  if (Hooks.ChordMemoryStopped && Hooks.ChordMemoryStopped()) return;
  const int channel = live_.PadChannel();
  if (channel < 0 || tones[0] <= 0) return;
  TMidiOutput& port = *ports_.PlayPort;
  ChannelSoundOff(port, channel);
  const bool solo = notes_.SoloChannel == 0 || notes_.SoloChannel == channel + 1;
  if (!solo || notes_.ChannelMute[static_cast<size_t>(channel)] || !port.IsOpen()) return;
  const uint8_t velocity = std::max<uint8_t>(live_.Mixer[static_cast<size_t>(channel)].Volume, 1);
  for (int tone : tones) {
    port.PutShort(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(tone & 0x7F),
                  velocity);
    // The pad's notes are booked like the style's so that a reset ends them.
    notes_.MappedNote[static_cast<size_t>(channel)][static_cast<size_t>(tone & 0x7F)] =
        static_cast<uint8_t>(tone & 0x7F);
    notes_.NoteVelocity[static_cast<size_t>(channel)][static_cast<size_t>(tone & 0x7F)] = velocity;
  }
  Call(Hooks.ChannelActivity, channel);
}

void StylePlayer::SilencePad() {
  if (live_.PadChannel() >= 0) ChannelSoundOff(*ports_.PlayPort, live_.PadChannel());
}

void StylePlayer::ApplyChordChange() {
  const std::array<int, 4> tones = chord_.ChordTones;
  if (chord_.ChordRoot >= 1 && chord_.ChordRoot <= 127) {
    Call(Hooks.ShowChord, int{chord_.ChordRoot}, int{chord_.ChordType});
  }
  if (!transport_.PlayChordsMode) {
    if (!ports_.SignalPort->IsOpen()) return;
    if (tones[0] > 0) {
      if (!Playing) {
        for (int tone : tones) {
          ports_.SignalPort->PutShort(0x90, static_cast<uint8_t>(tone & 0x7F),
                                      live_.TriggerVelocity);
        }
        for (int tone : tones)
          ports_.SignalPort->PutShort(0x90, static_cast<uint8_t>(tone & 0x7F), 0);
      } else if (chord_.ChordRoot > 0) {
        VoiceRoot = static_cast<uint16_t>(chord_.ChordRoot);
        VoiceType = static_cast<uint16_t>(chord_.ChordType);
        if (!live_.AdjustOctave) OctaveShift = chord_.ChordRoot >= OctaveThreshold ? 0 : -12;
        RevoiceSounding(16, chord_.ChordRoot, false, false, chord_.ChordType);
        if (transport_.StaticChordKeys) Call(Hooks.ClearHeldNotes);
      }
    }
    chord_.ChordTones = {};
    if (chord_.ChordRoot > 0) Call(Hooks.ChordVoiced, int{chord_.ChordRoot}, int{chord_.ChordType});
    HarmonicPad(tones);
  } else {
    if (!ports_.PlayPort->IsOpen()) return;
    if (chord_.ChordRoot > 0) Call(Hooks.ChordVoiced, int{chord_.ChordRoot}, int{chord_.ChordType});
    SoundTriggeredChord(tones);
    if (!live_.RepeatChords) chord_.ChordTones = {};
  }
  chord_.ChordRoot = 0;
  chord_.ChordType = 0;
}

void StylePlayer::SendTriggeredTones(const std::array<int, 4>& tones, uint8_t velocity) {
  TMidiOutput& port = *ports_.PlayPort;
  if (tones[0] <= 0 || !port.IsOpen()) return;
  for (int tone : tones) {
    const int note = tone + 12 * live_.KeyboardOctave;
    if (note >= 0 && note <= 127) {
      port.PutShort(static_cast<uint8_t>(0x90 | (live_.SelChannel & 0x0F)),
                    static_cast<uint8_t>(note), velocity);
    }
  }
}

void StylePlayer::ReleaseTriggeredChord() {
  SendTriggeredTones(TriggeredChord, 0);
  TriggeredChord = {};
}

void StylePlayer::SoundTriggeredChord(const std::array<int, 4>& tones) {
  // Another chord, even on the same root, ends the one that sounds: no tone of it is left.
  if (TriggeredChord[0] > 0 && tones != TriggeredChord) ReleaseTriggeredChord();
  if (tones[0] + tones[1] + tones[2] + tones[3] > 1 && transport_.ClockState != 0) {
    ReleaseTriggeredChord();
    live_.TriggerVelocity = live_.PlayChordsVelocity;
  }
  TriggeredChord = tones;
  SendTriggeredTones(tones, live_.TriggerVelocity);
}

uint8_t StylePlayer::ChannelFilter(uint8_t status, int channel, uint8_t data2, uint8_t data1) {
  channel &= 0x0F;
  if (notes_.SoloChannel > 0 && channel + 1 != notes_.SoloChannel) return 255;
  if (notes_.ChannelMute[static_cast<size_t>(channel)]) return 255;
  const int h = status & 0xF0;
  if (h == 0x90 || h == 0x80) {
    Call(Hooks.ChannelActivity, channel);
    if (channel != kDrumChannel) {
      data1 = static_cast<uint8_t>(std::clamp(data1 + notes_.MasterTranspose, 0, 127));
      Call(Hooks.RecordNote, status, data1);
    }
    if (live_.ReplaceOne && channel == live_.SelChannel) return 255;
  }
  const bool controls = (h == 0xB0 && data1 < 120) || h == 0xC0 || h == 0xD0;
  if (notes_.ChannelNoControllers[static_cast<size_t>(channel)] ||
      style_.Channels.SuppressControllers()) {
    if (controls) return 255;
  }
  if (h == 0xA0) return 255;
  if (live_.MixerShown && channel == live_.MixerChannel &&
      (h == 0xC0 || (h == 0xB0 && ChannelState::Tracked(data1)))) {
    Call(Hooks.MixerDisplay, channel, status, data1, data2);
  }
  return data1;
}

void StylePlayer::EndBookedNotes(int channel) {
  TMidiOutput& port = *ports_.PlayPort;
  const int first = channel > 15 ? 0 : channel;
  const int last = channel > 15 ? 15 : channel;
  for (int c = first; c <= last; ++c) {
    auto& velocity = notes_.NoteVelocity[static_cast<size_t>(c)];
    auto& mapped = notes_.MappedNote[static_cast<size_t>(c)];
    for (int n = 0; n < 128 && port.IsOpen(); ++n) {
      if (velocity[static_cast<size_t>(n)] == 0) continue;
      port.PutShort(static_cast<uint8_t>(0x90 | c), mapped[static_cast<size_t>(n)], 0);
    }
    velocity.fill(0);
    mapped.fill(0);
  }
}

void StylePlayer::ChannelSoundOff(TMidiOutput& port, int channel) {
  if (!port.IsOpen()) return;
  channel &= 0x0F;
  // Note-offs for what the player holds first: many sound modules ignore all-notes-off.
  if (&port == ports_.PlayPort) EndBookedNotes(channel);
  const auto status = static_cast<uint8_t>(0xB0 | channel);
  port.PutShort(status, 64, 0);
  port.PutShort(status, 66, 0);
  port.PutShort(status, 123, 0);
}

void StylePlayer::AllSoundOff(TMidiOutput& port) {
  for (int channel = 0; channel < 16; ++channel) ChannelSoundOff(port, channel);
  // Another port's silence leaves the play port's notes, and their bookkeeping, alone.
  if (&port == ports_.PlayPort) notes_.ClearNotes();
}

void StylePlayer::ResetStylePlayer() {
  Playing = false;
  Preview.Active = false;
  Call(Hooks.ClearGeneratorFlags);
  VoiceRoot = kNoVoiceRoot;
  VoiceType = 0;
  FirstPassThinning = false;
  FadeActive = false;
  FadeAmount = 0;
  WaitClocks = 0;
  BeatInMeasure = 0;
  BeatsPerMeasure = MeasureBeats();
  PartBeatsLeft = -1;
  PendingSuccessor = 0;
  PartRequest = -1;
  keys_.EndingPending = false;
  notes_.ChannelMute.fill(0);
  notes_.ChannelBoxes.fill(false);
}

void StylePlayer::RevoiceSounding(int channel, int root, bool partChange, bool hangingCheck,
                                  int type) {
  if (!partChange && root == lastRoot_ && type == lastType_) return;
  TMidiOutput& port = *ports_.PlayPort;
  const int first = channel > 15 ? 0 : channel;
  const int last = channel > 15 ? 15 : channel;
  const StylePart part = style_.Parts.Part(CurrentPart);
  const auto& hanging = style_.HangingNoteFlags[static_cast<size_t>(CurrentPart)];
  for (int c = first; c <= last && port.IsOpen(); ++c) {
    auto& velocity = notes_.NoteVelocity[static_cast<size_t>(c)];
    auto& mapped = notes_.MappedNote[static_cast<size_t>(c)];
    if (!style_.Channels.HasNotes(c) || velocity[128] == 0 ||
        notes_.ChannelMute[static_cast<size_t>(c)] || c == kDrumChannel) {
      continue;
    }
    velocity[128] = 0;
    const bool sustaining =
        IsSustainingProgram(channels_.ChannelStateValue(c, ChannelState::kProgramIndex));
    const auto status = static_cast<uint8_t>(0xB0 | c);
    port.PutShort(static_cast<uint8_t>(0xE0 | c), 0, 64);
    const bool held = part.PartHold(c);
    const bool hangs = hangingCheck && hanging[static_cast<size_t>(c)] == 0;
    if ((partChange ? held : sustaining && held) || hangs) {
      port.PutShort(status, 64, 0);
      port.PutShort(status, 66, 0);
    }
    // The notes that sound are ended at the pitch they were struck: note-offs first, since not
    // every sound module honours all-notes-off.
    const bool minusOneChannel = live_.MinusOne && c == live_.SelChannel;
    for (int n = 0; n < 128; ++n) {
      if (velocity[static_cast<size_t>(n)] == 0) continue;
      if (minusOneChannel && notes_.LiveNote[mapped[static_cast<size_t>(n)]] != 0) continue;
      port.PutShort(static_cast<uint8_t>(0x90 | c), mapped[static_cast<size_t>(n)], 0);
    }
    if (!minusOneChannel || sustaining) port.PutShort(status, 123, 0);
    if (!partChange && sustaining && !held) {
      for (int n = 0; n < 128; ++n) {
        const uint8_t v = velocity[static_cast<size_t>(n)];
        if (v == 0) continue;
        const int pattern = std::clamp(n + notes_.MasterTranspose, 0, 127);
        const auto m =
            static_cast<uint8_t>(VoiceNote(pattern, type, root, OctaveShift, PitchClassLimit));
        port.PutShort(static_cast<uint8_t>(0x90 | c), m, v);
        mapped[static_cast<size_t>(n)] = m;
        velocity[128] = 1;
      }
    } else {
      velocity.fill(0);
    }
  }
  // What the loop left (the pad, muted channels) ends here too: nothing is forgotten unheard.
  if (partChange) EndBookedNotes(16);
  lastRoot_ = root;
  lastType_ = type;
}

void StylePlayer::ToggleAdjustOctave() {
  live_.AdjustOctave = !live_.AdjustOctave;
  if (live_.AdjustOctave) {
    OctaveShift = 0;
    PitchClassLimit = 7;
  } else {
    PitchClassLimit = 12;
  }
}

}  // namespace korvel
