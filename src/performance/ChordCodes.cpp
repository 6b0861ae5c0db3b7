#include "performance/ChordCodes.h"

namespace korvel {

namespace {
constexpr int kLowController = 20;   // types 1..10
constexpr int kHighController = 19;  // types 11..17
constexpr int kFirstCommand = 120;

bool Valid(int type) {
  return type >= 1 && type <= 17;
}
int PitchClass(int root) {
  return ((root % 12) + 12) % 12;
}
}  // namespace

std::optional<ChordCode> EncodeChordCode(int root, int type) {
  if (!Valid(type)) return std::nullopt;
  const bool low = type <= 10;
  return ChordCode{static_cast<uint8_t>(low ? kLowController : kHighController),
                   static_cast<uint8_t>(12 * (low ? type - 1 : type - 11) + PitchClass(root))};
}

DecodedChordCode DecodeChordCode(int controller, int value) {
  DecodedChordCode d;
  if ((controller != kLowController && controller != kHighController) || value < 0 || value > 127)
    return d;
  if (value >= kFirstCommand) {
    d.Kind = value == 120   ? ChordCodeKind::AdLibOff
             : value == 121 ? ChordCodeKind::AdLibOn
                            : ChordCodeKind::Refresh;
    return d;
  }
  const int type = value / 12 + 1 + (controller == kHighController ? 10 : 0);
  if (!Valid(type)) return d;
  d.Kind = ChordCodeKind::Chord;
  d.PitchClass = value % 12;
  d.Type = type;
  return d;
}

ChordCodes::ChordCodes(ChordRecognition& chords, LiveInput& input, ChordValue& chord,
                       LiveSettings& live, MidiPorts& ports, Transport& transport, View& view)
    : chords_(chords),
      input_(input),
      chord_(chord),
      live_(live),
      ports_(ports),
      transport_(transport),
      view_(view) {}

void ChordCodes::Send(int root, int type) {
  const auto code = EncodeChordCode(root, type);
  TMidiOutput& port = *ports_.ChordCodePort;
  if (!live_.SendChordCodes || !code || !port.IsOpen()) return;
  port.PutShort(static_cast<uint8_t>(0xB0 | (live_.ChordCodeChannel & 0x0F)), code->Controller,
                code->Value);
  lastPitchClass_ = PitchClass(root);
  lastType_ = type;
  view_.Title(chords_.TitleText(root, type, live_.ChordCodeChannel & 0x0F));
}

void ChordCodes::ChordVoiced(int root, int type) {
  // The announcement covers one beat: the chord voiced on it went out already, any other goes
  // out now, so every code is on time.
  const bool sentAhead = announced_ && PitchClass(root) == lastPitchClass_ && type == lastType_;
  announced_ = false;
  if (!sentAhead) Send(root, type);
}

void ChordCodes::Announce() {
  if (transport_.ClockState == 0) return;
  if (input_.MelodyAdLib && SongChordAhead) {
    if (const auto coming = SongChordAhead()) {
      // Ad Lib harmonises the melody against the coming chord.
      chord_.EditChordRoot =
          static_cast<int16_t>(chords_.PlaceRoot(coming->Root, coming->Transpose));
      chord_.EditChordType = static_cast<int16_t>(chords_.ComingType(coming->Type));
    }
  }
  if (!live_.SendChordCodes || chord_.EditChordRoot >= kNoChord) return;
  const int root = chord_.EditChordRoot;
  const int type = chord_.EditChordType;
  if (!Valid(type) || (PitchClass(root) == lastPitchClass_ && type == lastType_)) return;
  Send(root, type);
  view_.ChordPanel(chords_.ChordName(root, type));
  announced_ = lastPitchClass_ == PitchClass(root) && lastType_ == type;
}

bool ChordCodes::Receive(int channel, int controller, int value) {
  if (!live_.ReceiveChordCodes) return false;
  const DecodedChordCode code = DecodeChordCode(controller, value);
  switch (code.Kind) {
    case ChordCodeKind::AdLibOff:
    case ChordCodeKind::AdLibOn:
      input_.MelodyAdLib = code.Kind == ChordCodeKind::AdLibOn;
      [[fallthrough]];
    case ChordCodeKind::Refresh:
      if (AdLibSwitched) AdLibSwitched(input_.MelodyAdLib);
      break;
    case ChordCodeKind::Chord: {
      // The sender's chord is shown and harmonises Melody Ad Lib; the accompaniment keeps its
      // own chord, so nothing is voiced and no song records it.
      if (GeneratorPlaysStyle && GeneratorPlaysStyle()) break;
      chord_.EditChordRoot = static_cast<int16_t>(code.PitchClass + 12 + live_.FirstKey / 12 * 12);
      chord_.EditChordType = static_cast<int16_t>(code.Type);
      view_.Title(chords_.TitleText(chord_.EditChordRoot, chord_.EditChordType, channel & 0x0F));
      view_.ChordPanel(chords_.ChordName(chord_.EditChordRoot, chord_.EditChordType));
      break;
    }
    case ChordCodeKind::Invalid:
      break;
  }
  return true;
}

void ChordCodes::SendAdLib(bool on) {
  TMidiOutput& port = *ports_.ChordCodePort;
  if (!live_.SendChordCodes || !port.IsOpen()) return;
  port.PutShort(static_cast<uint8_t>(0xB0 | (live_.ChordCodeChannel & 0x0F)), kLowController,
                on ? 121 : 120);
}

void ChordCodes::Reset() {
  announced_ = false;
  lastPitchClass_ = -1;
  lastType_ = 0;
}

void ChordCodes::SetSending(bool on) {
  live_.SendChordCodes = on;
  if (!on) view_.Title(transport_.WindowTitle);
}

void ChordCodes::SetReceiving(bool on) {
  live_.ReceiveChordCodes = on;
  if (!on) view_.Title(transport_.WindowTitle);
}

}  // namespace korvel
