#include "app/InstrumentList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/AtomicFile.h"

namespace korvel {

const std::array<const char*, 128> GmProgramNames = {"Acoustic Grand Piano",
                                                     "Bright Acoustic Piano",
                                                     "Electric Grand Piano",
                                                     "Honky-tonk Piano",
                                                     "Electric Piano 1",
                                                     "Electric Piano 2",
                                                     "Harpsichord",
                                                     "Clavi",
                                                     "Celesta",
                                                     "Glockenspiel",
                                                     "Music Box",
                                                     "Vibraphone",
                                                     "Marimba",
                                                     "Xylophone",
                                                     "Tubular Bells",
                                                     "Dulcimer",
                                                     "Drawbar Organ",
                                                     "Percussive Organ",
                                                     "Rock Organ",
                                                     "Church Organ",
                                                     "Reed Organ",
                                                     "Accordion",
                                                     "Harmonica",
                                                     "Tango Accordion",
                                                     "Acoustic Guitar (nylon)",
                                                     "Acoustic Guitar (steel)",
                                                     "Electric Guitar (jazz)",
                                                     "Electric Guitar (clean)",
                                                     "Electric Guitar (muted)",
                                                     "Overdriven Guitar",
                                                     "Distortion Guitar",
                                                     "Guitar harmonics",
                                                     "Acoustic Bass",
                                                     "Electric Bass (finger)",
                                                     "Electric Bass (pick)",
                                                     "Fretless Bass",
                                                     "Slap Bass 1",
                                                     "Slap Bass 2",
                                                     "Synth Bass 1",
                                                     "Synth Bass 2",
                                                     "Violin",
                                                     "Viola",
                                                     "Cello",
                                                     "Contrabass",
                                                     "Tremolo Strings",
                                                     "Pizzicato Strings",
                                                     "Orchestral Harp",
                                                     "Timpani",
                                                     "String Ensemble 1",
                                                     "String Ensemble 2",
                                                     "SynthStrings 1",
                                                     "SynthStrings 2",
                                                     "Choir Aahs",
                                                     "Voice Oohs",
                                                     "Synth Voice",
                                                     "Orchestra Hit",
                                                     "Trumpet",
                                                     "Trombone",
                                                     "Tuba",
                                                     "Muted Trumpet",
                                                     "French Horn",
                                                     "Brass Section",
                                                     "SynthBrass 1",
                                                     "SynthBrass 2",
                                                     "Soprano Sax",
                                                     "Alto Sax",
                                                     "Tenor Sax",
                                                     "Baritone Sax",
                                                     "Oboe",
                                                     "English Horn",
                                                     "Bassoon",
                                                     "Clarinet",
                                                     "Piccolo",
                                                     "Flute",
                                                     "Recorder",
                                                     "Pan Flute",
                                                     "Blown Bottle",
                                                     "Shakuhachi",
                                                     "Whistle",
                                                     "Ocarina",
                                                     "Lead 1 (square)",
                                                     "Lead 2 (sawtooth)",
                                                     "Lead 3 (calliope)",
                                                     "Lead 4 (chiff)",
                                                     "Lead 5 (charang)",
                                                     "Lead 6 (voice)",
                                                     "Lead 7 (fifths)",
                                                     "Lead 8 (bass + lead)",
                                                     "Pad 1 (new age)",
                                                     "Pad 2 (warm)",
                                                     "Pad 3 (polysynth)",
                                                     "Pad 4 (choir)",
                                                     "Pad 5 (bowed)",
                                                     "Pad 6 (metallic)",
                                                     "Pad 7 (halo)",
                                                     "Pad 8 (sweep)",
                                                     "FX 1 (rain)",
                                                     "FX 2 (soundtrack)",
                                                     "FX 3 (crystal)",
                                                     "FX 4 (atmosphere)",
                                                     "FX 5 (brightness)",
                                                     "FX 6 (goblins)",
                                                     "FX 7 (echoes)",
                                                     "FX 8 (sci-fi)",
                                                     "Sitar",
                                                     "Banjo",
                                                     "Shamisen",
                                                     "Koto",
                                                     "Kalimba",
                                                     "Bag pipe",
                                                     "Fiddle",
                                                     "Shanai",
                                                     "Tinkle Bell",
                                                     "Agogo",
                                                     "Steel Drums",
                                                     "Woodblock",
                                                     "Taiko Drum",
                                                     "Melodic Tom",
                                                     "Synth Drum",
                                                     "Reverse Cymbal",
                                                     "Guitar Fret Noise",
                                                     "Breath Noise",
                                                     "Seashore",
                                                     "Bird Tweet",
                                                     "Telephone Ring",
                                                     "Helicopter",
                                                     "Applause",
                                                     "Gunshot"};

namespace {

constexpr const char* kBankTypeLine = " 0 = Bank-Type  (0: GM  1: GS  2: XG)";
// An instrument-set file is a page of text; anything far larger is not one.
constexpr size_t kLargestFile = 4 * 1024 * 1024;

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// A fixed-width decimal field; anything that is not a number reads as 0.
int Field(const std::string& line, size_t start) {
  int value = 0;
  for (size_t i = start; i < start + 3; ++i) {
    if (i >= line.size() || !IsDigit(line[i])) return 0;
    value = value * 10 + (line[i] - '0');
  }
  return value;
}

}  // namespace

std::string GmInstrumentName(int channel, int program) {
  if (channel == 9) return "Drums";
  if (program < 0 || program > 127) return "";
  return GmProgramNames[static_cast<size_t>(program)];
}

void InstrumentList::LoadBuiltIn() {
  Lines.assign(GmProgramNames.begin(), GmProgramNames.end());
  Lines.emplace_back("Drums");
  Lines.emplace_back(kBankTypeLine);
  Mode = kPatchGm;
  DisplayName = "GM.KVI";
}

bool InstrumentList::LoadFile(const std::string& path, std::string& error) {
  std::error_code sizeError;
  const auto size = std::filesystem::file_size(path, sizeError);
  if (!sizeError && size > kLargestFile) {
    error = "The instrument list " + path + " is too large to be an instrument list.";
    return false;
  }
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) return false;
  std::vector<std::string> lines;
  std::string line;
  for (const uint8_t byte : *bytes) {
    if (byte == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (byte != '\r') {
      line.push_back(static_cast<char>(byte));
    }
  }
  if (!line.empty()) lines.push_back(line);
  if (lines.empty()) {
    error = "The instrument list " + path + " is empty.";
    return false;
  }
  Lines = std::move(lines);
  // The bank-type digit; 3 or more (or none) keeps the mode.
  const std::string& last = Lines.back();
  if (last.size() >= 2 && last[1] >= '0' && last[1] <= '2') Mode = last[1] - '0';
  std::string name = std::filesystem::path(path).filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  DisplayName = name;
  return true;
}

bool InstrumentList::IsInstrument(int index) const {
  return index >= 0 && index < Size() && !Lines[static_cast<size_t>(index)].empty() &&
         IsDigit(Lines[static_cast<size_t>(index)][0]);
}

std::optional<InstrumentChoice> InstrumentList::Choice(int index) const {
  if (index < 0 || index >= Size()) return std::nullopt;
  if (Mode == kPatchGm) {
    // The lines after the 128 programs ("Drums", the bank-type line) are no program.
    if (index > 127) return std::nullopt;
    return InstrumentChoice{index, 0, 0};
  }
  const std::string& line = Lines[static_cast<size_t>(index)];
  if (!IsInstrument(index) || line.size() < 7 || !IsDigit(line[2])) return std::nullopt;
  InstrumentChoice choice;
  choice.Program = Field(line, 0) - 1;
  choice.Bank1 = Field(line, 4);
  if (line.size() >= 11 && IsDigit(line[8])) choice.Bank2 = Field(line, 8);
  // Numbers beyond what a MIDI data byte carries would corrupt the messages.
  if (choice.Program < 0 || choice.Program > 127) return std::nullopt;
  if (choice.Bank1 > 127) choice.Bank1 = 0;
  if (choice.Bank2 > 127) choice.Bank2 = 0;
  return choice;
}

}  // namespace korvel
