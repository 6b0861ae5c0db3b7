#include "performance/LiveInput.h"

#include <algorithm>
#include <utility>

namespace korvel {

namespace {

template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

constexpr std::array<int8_t, 12> AdLibRow(std::initializer_list<std::pair<int, int>> offsets) {
  std::array<int8_t, 12> row{};
  for (auto [degree, offset] : offsets)
    row[static_cast<size_t>(degree)] = static_cast<int8_t>(offset);
  return row;
}

}  // namespace

const std::array<std::array<int8_t, 12>, 18> AdLibTable = {{
    AdLibRow({}),                            // unused
    AdLibRow({}),                            // 1 maj
    AdLibRow({{4, -1}, {9, 1}}),             // 2 min
    AdLibRow({{11, -1}}),                    // 3 7th
    AdLibRow({{4, -1}, {9, 1}, {11, -1}}),   // 4 min7
    AdLibRow({{4, -1}, {7, -1}}),            // 5 dim
    AdLibRow({{4, 1}}),                      // 6 sus4
    AdLibRow({}),                            // 7 add9
    AdLibRow({{7, -1}}),                     // 8 5b
    AdLibRow({}),                            // 9 M7
    AdLibRow({{7, 1}}),                      // 10 aug
    AdLibRow({}),                            // 11 6th
    AdLibRow({{4, -1}}),                     // 12 mM7
    AdLibRow({{4, -1}}),                     // 13 min6
    AdLibRow({{4, -1}, {9, 1}}),             // 14 min9
    AdLibRow({{4, -1}, {7, -1}, {11, -1}}),  // 15 m5b
    AdLibRow({{7, 1}, {11, -1}}),            // 16 aug7
    AdLibRow({{4, 1}, {11, -1}}),            // 17 sus7
}};

LiveInput::LiveInput(ChordRecognition& chords, StylePlayer& player, Transport& transport,
                     Style& style, MidiPorts& ports, ChannelState& sent, ChordValue& chord,
                     ControlKeys& keys, NoteBookkeeping& notes, LiveSettings& live)
    : chords_(chords),
      player_(player),
      transport_(transport),
      style_(style),
      ports_(ports),
      sent_(sent),
      chord_(chord),
      keys_(keys),
      notes_(notes),
      live_(live) {}

bool LiveInput::IsControlKey(int note) const {
  return note == keys_.FillInKey || note == keys_.ToBasicKey || note == keys_.EndingKey ||
         note == keys_.ToAdvKey;
}

void LiveInput::OnMidiKeyboardInput(TMidiInput& port) {
  port.HandleArrived([this](TMyMidiEvent& event) { Route(std::move(event)); });
}

void LiveInput::Route(TMyMidiEvent event) {
  TMidiOutput& thru = *ports_.PlayPort;
  int transposeApplied = 0;
  const bool systemMessage = !event.Sysex.empty() || event.MidiMessage >= 0xF0;
  if (!systemMessage) {
    const int received = (event.MidiMessage & 0x0F) + 1;
    if (!UnchangedExtIn) {
      event.MidiMessage = static_cast<uint8_t>((event.MidiMessage & 0xF0) | live_.SelChannel);
    }
    int channel = event.MidiMessage & 0x0F;
    const int type = event.MidiMessage & 0xF0;
    if (type != 0x90 && type != 0x80) {
      if (type == 0xB0 && (event.Data1 == 64 || event.Data1 == 66)) {
        Sustain[static_cast<size_t>(channel)] = event.Data2 > 64;
      }
      const bool control = (type == 0xB0 && event.Data1 < 120) || type == 0xC0 || type == 0xD0;
      if (SuppressControllers[static_cast<size_t>(channel)] && control) return;
      if (type == 0xA0) return;
    } else {
      const bool noteOn = type == 0x90 && event.Data2 > 0;
      SoundingKey& key = soundingKeys_[static_cast<size_t>(received - 1)][event.Data1];
      // A key that tapped the tempo sounded nothing, so its release has nothing to end.
      if (noteOn && Hooks.TapKey && Hooks.TapKey()) {
        key.Tapped = true;
        return;
      }
      if (!noteOn && std::exchange(key.Tapped, false)) return;
      if (!noteOn && key.On) {
        // A key's note-off goes where its note-on went, however the routing changed since.
        key.On = false;
        if (key.Channel != kDrumChannel) notes_.LiveNote[key.Note] = 0;
        event.MidiMessage = static_cast<uint8_t>(type | key.Channel);
        event.Data1 = key.Note;
      } else {
        int note = event.Data1;
        const bool chordKey = Chords && (ChordChannel == 0 || ChordChannel == received);
        if (chordKey && transport_.PlayChordsMode && transport_.ClockState == 0) {
          // The triggered chord sounds in the keyboard's octave: only the transpose is added here.
          if (chords_.PlayChordsKey(note, event.Data2, noteOn, Transpose)) return;
          if (noteOn && IsControlKey(note)) {
            ControlKeyPressed(note, 12);
            return;
          }
          if (noteOn && InstrumentSwitch && note > FunctionKeyBase && note < FunctionKeyTop) {
            Call(Hooks.SelectInstrumentPreset, note - FunctionKeyBase);
          }
          return;
        }
        if (chordKey && note >= live_.FirstKey && note <= LastKey) {
          if (noteOn && FunctionKeySwitch && note > LastKey - 4) {
            chord_.ChordRoot = 0;
            chord_.ChordType = 0;
            KeyFunction(1975 + (LastKey - note));
            return;
          }
          if (noteOn) {
            chords_.ChordKeyOn(note);
          } else {
            chords_.ChordKeyOff(note);
          }
          return;
        }
        if (chordKey && noteOn && IsControlKey(note)) {
          if (transport_.PlayChordsMode && InstrumentSwitch) {
            Call(Hooks.SelectInstrumentPreset, note - FunctionKeyBase);
          } else {
            ControlKeyPressed(note, 12);
          }
          return;
        }
        if (noteOn && note < FunctionKeyTop && (FunctionKeySwitch || InstrumentSwitch)) {
          if (FunctionKeySwitch && note >= FunctionKeyTop - 4) {
            KeyFunction(1975 + (FunctionKeyTop - 1 - note));
          } else if (InstrumentSwitch && FunctionKeyBase > 0 && note >= FunctionKeyBase) {
            Call(Hooks.SelectInstrumentPreset, note - FunctionKeyBase);
          }
          return;
        }
        if (KeyboardSplit) {
          for (const SplitZone& zone : Zones) {
            if (zone.Top <= note) continue;
            if (zone.Enabled) {
              channel = zone.Channel & 0x0F;
              note += zone.Shift;
            }
            break;
          }
        }
        if (channel != kDrumChannel) {
          transposeApplied = KeyTranspose();
          note += transposeApplied;
          note = MelodyNote(channel, note, noteOn);
          if (noteOn) {
            const int velocity = event.Data2 + VelocityOffset;
            if (velocity >= 1) event.Data2 = static_cast<uint8_t>(std::min(velocity, 127));
            if (live_.MinusOne && channel == live_.SelChannel) live_.MinusOneHold = true;
          }
          if (note < 0 || note > 127) return;  // transposed out of the keyboard's range
          notes_.LiveNote[static_cast<size_t>(note)] = noteOn ? 1 : 0;
        }
        event.MidiMessage = static_cast<uint8_t>(type | channel);
        event.Data1 = static_cast<uint8_t>(note);
        if (noteOn) key = {true, static_cast<uint8_t>(channel), static_cast<uint8_t>(note)};
      }
    }
    if (Hooks.RecordMelody) {
      Hooks.RecordMelody(event.MidiMessage, event.Data1, event.Data2, transposeApplied);
    }
  }
  if (thru.IsOpen()) thru.PutMidiEvent(event);
}

int LiveInput::MelodyNote(int channel, int note, bool noteOn) {
  if (MelodyAdLib) return AdLib(channel, note, noteOn);
  const auto received = static_cast<size_t>(std::clamp(note, 0, 127));
  const int sent = adLibMap_[received];
  adLibMap_[received] = 0;
  return !noteOn && sent != 0 ? sent : note;
}

int LiveInput::AdLib(int channel, int note, bool noteOn) {
  if (Sustain[static_cast<size_t>(channel)] && chord_.EditChordRoot != adLibRoot_) {
    TMidiOutput& thru = *ports_.PlayPort;
    if (thru.IsOpen()) {
      thru.PutShort(static_cast<uint8_t>(0xB0 | channel), 64, 0);
      thru.PutShort(static_cast<uint8_t>(0xB0 | channel), 66, 0);
    }
    adLibRoot_ = chord_.EditChordRoot;
  }
  const auto received = static_cast<size_t>(std::clamp(note, 0, 127));
  if (!noteOn) {
    const int sent = adLibMap_[received];
    adLibMap_[received] = 0;
    return sent != 0 ? sent : note;
  }
  if (chord_.EditChordRoot < kNoChord) {
    const int degree = ((note % 12 - chords_.ChordTranspose) % 12 + 12) % 12;
    const int r = chord_.EditChordRoot % 12;
    if (r > 7) note -= 12;
    note += r - chords_.ChordTranspose;
    const int type =
        chord_.EditChordType >= 1 && chord_.EditChordType <= 17 ? chord_.EditChordType : 1;
    note += AdLibTable[static_cast<size_t>(type)][static_cast<size_t>(degree)];
  }
  note = std::clamp(note, 0, 127);
  adLibMap_[received] = static_cast<uint8_t>(note);
  return note;
}

void LiveInput::ControlKeyPressed(int note, int code) {
  if (code == 0) return;
  if (transport_.PlayChordsMode && !(Hooks.StepRecording && Hooks.StepRecording())) return;
  if (style_.StyleMode && !player_.Playing) {
    if (Hooks.Play) {
      Hooks.Play();
    } else {
      player_.StartStyle(style_.SelectedPart);
    }
    return;
  }
  if (note == keys_.EndingKey) {
    if (keys_.EndingPending) {
      transport_.StopCommand();
      return;
    }
    if (keys_.SkipEndingOnce) {
      keys_.SkipEndingOnce = false;
    } else {
      keys_.EndingPending = true;
    }
  } else if (keys_.EndingPending) {
    keys_.EndingPending = false;
    if (note == keys_.FillInKey) note = keys_.IntroKey();
  }
  if (live_.HarmonicPad && (note == keys_.IntroKey() || note == keys_.EndingKey)) {
    player_.SilencePad();
  }
  keys_.ControlKeyNote = note;
  keys_.ControlKeyCode = code;
  keys_.RecControlKeyNote = note;
  keys_.RecControlKeyCode = code;
  player_.ChordChangeEntry({0, 0, 0, 0});
}

void LiveInput::KeyFunction(int index) {
  if (!ports_.PlayPort->IsOpen()) return;
  switch (index) {
    case 1975:
      MelodyAdLib = !MelodyAdLib;
      break;
    case 1976:
      Call(Hooks.ChordMemoryAction);
      break;
    case 1977:
      live_.HarmonicPad = !live_.HarmonicPad;
      Call(Hooks.SendPadSettings);
      break;
    case 1978:
      Call(Hooks.PlayMelody);
      break;
    case 1979:
      if (live_.KeyboardOctave > -3) --live_.KeyboardOctave;
      break;
    case 1980:
      if (live_.KeyboardOctave < 4) ++live_.KeyboardOctave;
      break;
    case 1981:
      if (chords_.ChordTranspose > -11) --chords_.ChordTranspose;
      break;
    case 1982:
      if (chords_.ChordTranspose < 11) ++chords_.ChordTranspose;
      break;
    case 1983:
      if (transport_.Tempo >= kMinTempo + 5) transport_.TempoEdit1Change(transport_.Tempo - 5);
      break;
    case 1984:
      if (transport_.Tempo <= kMaxTempo - 5) transport_.TempoEdit1Change(transport_.Tempo + 5);
      break;
    case 1985:
      MasterVolume = std::max(MasterVolume - 10, 0);
      Call(Hooks.MasterVolume, MasterVolume);
      break;
    case 1986:
      MasterVolume = std::min(MasterVolume + 10, 127);
      Call(Hooks.MasterVolume, MasterVolume);
      break;
    default:
      if (index >= 0 && index < 1975) Call(Hooks.SelectInstrumentPreset, index);
      break;
  }
}

void LiveInput::SendLiveMessage(uint8_t status, uint8_t data1, uint8_t data2,
                                int transposeApplied) {
  if (Hooks.RecordMelody) Hooks.RecordMelody(status, data1, data2, transposeApplied);
  const int type = status & 0xF0;
  if (type >= 0xB0 && type <= 0xD0) {
    sent_.ThinRepeated(static_cast<uint8_t>(type), status & 0x0F, data1, data2, false);
  }
  if (live_.SendChordCodes && type != 0x90 && type != 0xA0) {
    for (TMidiOutput* port : {&ports_.MidiOutput1, &ports_.MidiOutput2}) {
      if (port->IsOpen()) port->PutShort(status, data1, data2);
    }
  } else if (ports_.PlayPort->IsOpen()) {
    ports_.PlayPort->PutShort(status, data1, data2);
  }
}

void LiveInput::SetSplitTop(int zone, int top) {
  if (zone < 0 || zone >= static_cast<int>(Zones.size())) return;
  top = std::clamp(top, 0, 128);
  for (int z = 0; z < static_cast<int>(Zones.size()); ++z) {
    int& bound = Zones[static_cast<size_t>(z)].Top;
    bound = z < zone ? std::min(bound, top) : z > zone ? std::max(bound, top) : top;
  }
  ApplySplit();
}

void LiveInput::ApplySplit() {
  int low = 0;
  for (SplitZone& zone : Zones) {
    const int high = std::clamp(zone.Top - 1, low, 127);
    // Whole octaves only: a shift cut to fit would play every note in another key.
    zone.Shift = std::clamp(zone.Shift, -(low / 12 * 12), (127 - high) / 12 * 12);
    low = zone.Top;
  }
}

}  // namespace korvel
