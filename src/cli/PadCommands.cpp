#include "cli/PadCommands.h"

#include <iostream>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "performance/ChordCodes.h"
#include "performance/ChordPads.h"
#include "performance/ChordTypes.h"
#include "platform/RecordingDriver.h"

namespace korvel::cli {

namespace {
std::string Name(int root, int type) {
  return std::string(NoteNames[static_cast<size_t>(((root % 12) + 12) % 12)]) + " " +
         ChordTypeTable[static_cast<size_t>(type)].Name;
}
}  // namespace

PadCommands::PadCommands(CLI::App& app) {
  pads_ = app.add_subcommand("pads", "List the chord pads and the control pads, one per line");
  pads_->add_option("--chord-types", chordTypes_,
                    "Chord-type slots 2..11 as twenty digits, as the configuration stores them");
  auto* code = app.add_subcommand("chord-code", "Chord codes (controllers 19 and 20)");
  code->require_subcommand(1);
  encode_ = code->add_subcommand("encode", "The chord code of a chord");
  encode_->add_option("ROOT", root_, "Root note")->required()->check(CLI::Range(0, 127));
  encode_->add_option("TYPE", type_, "Chord type 1..17")->required();
  decode_ = code->add_subcommand("decode", "What a received controller means");
  decode_->add_option("C", controller_, "Controller number")->required();
  decode_->add_option("V", value_, "Controller value")->required();
}

std::optional<int> PadCommands::Run() const {
  if (*pads_) return Pads();
  if (*encode_) return Encode();
  if (*decode_) return Decode();
  return std::nullopt;
}

int PadCommands::Pads() const {
  TextDialogs dialogs(&std::cerr);
  NoView view;
  RecordingDriver none({}, {});
  MidiDevices devices(none, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
  if (!chordTypes_.empty() && !engine.Chords.SetChordTypesString(chordTypes_)) {
    std::cerr << "--chord-types takes twenty digits: ten two-digit chord types 2..17.\n";
    return 1;
  }
  const auto& slots = engine.Chords.ChordTypeSlots;
  for (int row = 0; row <= kChordPadRows; ++row) {
    const int columns = row < kChordPadRows ? 12 : kControlPads;
    for (int column = 0; column < columns; ++column) {
      const std::string name = PadName(row, column);
      const auto pad = DecodePad(name, slots);
      if (!pad) continue;
      if (pad->Control) {
        std::cout << name << " control " << ControlPadNote(pad->Pad, engine.Keys) << " 12 "
                  << ControlPadCaption(pad->Pad) << "\n";
      } else {
        std::cout << name << " chord " << pad->Root << " " << pad->Type << " "
                  << Name(pad->Root, pad->Type) << "\n";
      }
    }
  }
  return 0;
}

int PadCommands::Encode() const {
  const auto code = EncodeChordCode(root_, type_);
  if (!code) {
    std::cerr << "TYPE must be a chord type 1..17.\n";
    return 1;
  }
  std::cout << "controller " << int{code->Controller} << " value " << int{code->Value} << "\n";
  return 0;
}

int PadCommands::Decode() const {
  const DecodedChordCode code = DecodeChordCode(controller_, value_);
  switch (code.Kind) {
    case ChordCodeKind::Chord:
      std::cout << "chord " << code.PitchClass << " " << code.Type << " "
                << Name(code.PitchClass, code.Type) << "\n";
      break;
    case ChordCodeKind::AdLibOn:
      std::cout << "adlib on\n";
      break;
    case ChordCodeKind::AdLibOff:
      std::cout << "adlib off\n";
      break;
    case ChordCodeKind::Refresh:
      std::cout << "refresh\n";
      break;
    case ChordCodeKind::Invalid:
      std::cout << "invalid\n";
      return 1;  // as encode refuses what has no code
  }
  return 0;
}

}  // namespace korvel::cli
