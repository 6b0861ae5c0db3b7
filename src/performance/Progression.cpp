#include "performance/Progression.h"

#include <cctype>
#include <charconv>
#include <map>
#include <sstream>
#include <stdexcept>

#include "performance/ChordTypes.h"

namespace korvel {

namespace {

// Suffixes as musicians write them, each mapped onto one of the 17 chord types.
const std::map<std::string, int, std::less<>>& Suffixes() {
  static const std::map<std::string, int, std::less<>> suffixes = [] {
    std::map<std::string, int, std::less<>> s = {
        {"", 1},      {"M", 1},      {"m", 2},        {"-", 2},     {"7", 3},    {"dom7", 3},
        {"m7", 4},    {"-7", 4},     {"dim", 5},      {"o", 5},     {"dim7", 5}, {"o7", 5},
        {"sus", 6},   {"sus4", 6},   {"add9", 7},     {"add2", 7},  {"7b5", 8},  {"7-5", 8},
        {"maj7", 9},  {"Maj7", 9},   {"j7", 9},       {"+", 10},    {"#5", 10},  {"6", 11},
        {"mM7", 12},  {"mmaj7", 12}, {"m(maj7)", 12}, {"m6", 13},   {"m9", 14},  {"m7b5", 15},
        {"m7-5", 15}, {"ø", 15},     {"ø7", 15},      {"aug7", 16}, {"7#5", 16}, {"+7", 16},
        {"7aug", 16}, {"7sus4", 17}, {"7sus", 17},
    };
    for (int type = 1; type <= 17; ++type) s[ChordTypeTable[static_cast<size_t>(type)].Name] = type;
    return s;
  }();
  return suffixes;
}

}  // namespace

std::optional<ChordSymbol> ParseChordSymbol(std::string_view symbol) {
  if (symbol.empty()) return std::nullopt;
  static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(symbol[0])));
  if (letter < 'A' || letter > 'G') return std::nullopt;
  int pitchClass = kLetters[letter - 'A'];
  size_t at = 1;
  if (at < symbol.size() && (symbol[at] == '#' || symbol[at] == 'b')) {
    pitchClass += symbol[at] == '#' ? 1 : -1;
    ++at;
  }
  const auto& suffixes = Suffixes();
  const auto type = suffixes.find(symbol.substr(at));
  if (type == suffixes.end()) return std::nullopt;
  return ChordSymbol{(pitchClass + 12) % 12, type->second};
}

std::vector<ProgressionStep> ParseProgression(const std::string& text) {
  static const std::map<std::string, ProgressionKey> kKeys = {
      {"[Intro]", ProgressionKey::Intro},   {"[Fill]", ProgressionKey::Fill},
      {"[Basic]", ProgressionKey::Basic},   {"[Extended]", ProgressionKey::Extended},
      {"[Ending]", ProgressionKey::Ending},
  };
  std::vector<ProgressionStep> steps;
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    if (token == "|") continue;
    if (token.front() == '[') {
      const auto key = kKeys.find(token);
      if (key == kKeys.end()) {
        throw std::invalid_argument("Unknown control key " + token +
                                    " (use [Intro], [Fill], [Basic], [Extended] or [Ending])");
      }
      steps.push_back({std::nullopt, 0, key->second});
      continue;
    }
    const auto chord = ParseChordSymbol(token);
    if (!chord) throw std::invalid_argument("Unknown chord symbol \"" + token + "\"");
    std::string beats;
    int count = 0;
    const bool read = static_cast<bool>(in >> beats);
    const auto [end, error] = std::from_chars(beats.data(), beats.data() + beats.size(), count);
    if (!read || error != std::errc() || end != beats.data() + beats.size() || count < 1 ||
        count > 64) {
      throw std::invalid_argument("The chord \"" + token + "\" needs its length in beats (1..64)");
    }
    steps.push_back({chord, count, ProgressionKey::Fill});
  }
  return steps;
}

}  // namespace korvel
