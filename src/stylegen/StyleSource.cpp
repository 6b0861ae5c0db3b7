#include "stylegen/StyleSource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "engine/StyleTables.h"
#include "engine/WorkMaterial.h"
#include "midi/ChannelState.h"

namespace korvel {

namespace {

constexpr uint8_t kVelocityNormal = 90;
constexpr uint8_t kVelocityAccent = 115;
constexpr uint8_t kVelocitySoft = 60;

struct Event {
  int Clock;
  uint8_t Status, Data1, Data2;
  bool Off() const { return (Status & 0xF0) == 0x90 && Data2 == 0; }
};

struct PartSource {
  int Number;
  int Measures;
  int Line;
  std::vector<Event> Events;
  std::vector<int> Hold;
  std::vector<int> Mute;
};

const std::map<std::string, int>& PartNumbers() {
  static const std::map<std::string, int> parts = {
      {"Intro", kIntro},           {"Basic", kBasic},         {"Extended", kExtended},
      {"Ending", kEnding},         {"FillBasic", kFillBasic}, {"FillExtended", kFillExtended},
      {"ToExtended", kToExtended}, {"ToBasic", kToBasic}};
  return parts;
}

// Measure length in sixteenths, negative for metres counted in eighths.
std::optional<int16_t> MetreSixteenths(const std::string& metre) {
  static const std::map<std::string, int16_t> metres = {{"6/4", 24}, {"5/4", 20}, {"4/4", 16},
                                                        {"3/4", 12}, {"2/4", 8},  {"6/8", -12}};
  const auto it = metres.find(metre);
  if (it == metres.end()) return std::nullopt;
  return it->second;
}

std::optional<int> NoteNumber(const std::string& name) {
  if (name.size() < 2) return std::nullopt;
  static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7};
  const char letter = name[0];
  if (letter < 'A' || letter > 'G') return std::nullopt;
  int pitchClass = kLetters[letter - 'A'];
  size_t at = 1;
  if (name[at] == '#' || name[at] == 'b') {
    pitchClass += name[at] == '#' ? 1 : -1;
    ++at;
  }
  if (at >= name.size()) return std::nullopt;
  int octave = 0;
  try {
    size_t used = 0;
    octave = std::stoi(name.substr(at), &used);
    if (at + used != name.size()) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const int note = 12 * (octave + 1) + pitchClass;
  if (note < 0 || note > 127) return std::nullopt;
  return note;
}

int Number(const std::string& text, int line, int low, int high, const std::string& what) {
  try {
    size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used == text.size() && value >= low && value <= high) return value;
  } catch (const std::exception&) {
  }
  throw StyleSourceError(line, what + " must be a number from " + std::to_string(low) + " to " +
                                   std::to_string(high) + ", not \"" + text + "\"");
}

// Words of a line; a quoted name and a chord in brackets each stay one word.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool chord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      if (!quoted) {
        words.push_back(word);
        word.clear();
      }
      continue;
    }
    if (c == '[') chord = true;
    if (c == ']') chord = false;
    if (!quoted && !chord && std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The steps of a lane by measure: tokens between the bar lines.
std::vector<std::vector<std::string>> Measures(const std::vector<std::string>& words, size_t from) {
  std::vector<std::vector<std::string>> measures(1);
  for (size_t i = from; i < words.size(); ++i) {
    if (words[i] == "|") {
      measures.emplace_back();
    } else {
      measures.back().push_back(words[i]);
    }
  }
  return measures;
}

class Compiler {
 public:
  CompiledStyle Compile(const std::string& text) {
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
      ++line;
      if (const auto hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
      const auto words = Words(raw);
      named_ = raw.find('"') != std::string::npos;
      if (!words.empty()) Statement(words, line);
    }
    return Build();
  }

 private:
  void Statement(const std::vector<std::string>& w, int line) {
    const std::string& key = w[0];
    if (key == "style") {
      if (w.size() != 2) throw StyleSourceError(line, "style needs a name");
      name_ = w[1];
    } else if (key == "tempo") {
      if (w.size() != 2) throw StyleSourceError(line, "tempo needs a value");
      tempo_ = Number(w[1], line, 25, 250, "The tempo");
    } else if (key == "metre") {
      const auto metre = w.size() == 2 ? MetreSixteenths(w[1]) : std::nullopt;
      if (!metre) throw StyleSourceError(line, "metre must be 6/4, 5/4, 4/4, 3/4, 2/4 or 6/8");
      if (!parts_.empty()) throw StyleSourceError(line, "metre must come before the parts");
      sixteenths_ = *metre;
    } else if (key == "channel") {
      Channel(w, line);
    } else if (key == "part") {
      if (w.size() != 3 || !PartNumbers().count(w[1])) {
        throw StyleSourceError(line,
                               "part needs one of Intro, Basic, Extended, Ending, "
                               "FillBasic, FillExtended, ToExtended, ToBasic and its "
                               "length in measures");
      }
      const int number = PartNumbers().at(w[1]);
      for (const auto& part : parts_) {
        if (part.Number == number) throw StyleSourceError(line, "part " + w[1] + " comes twice");
      }
      parts_.push_back({number, Number(w[2], line, 1, 64, "The part's length"), line, {}, {}, {}});
    } else if (key == "drum" || key == "ch" || key == "hold" || key == "mute") {
      if (parts_.empty()) throw StyleSourceError(line, key + " belongs inside a part");
      if (key == "hold" || key == "mute") {
        for (size_t i = 1; i < w.size(); ++i) {
          const int channel = Number(w[i], line, 1, 16, "A channel") - 1;
          (key == "hold" ? parts_.back().Hold : parts_.back().Mute).push_back(channel);
        }
      } else {
        Lane(w, line, key == "drum");
      }
    } else {
      throw StyleSourceError(line, "unknown word \"" + key + "\"");
    }
  }

  void Channel(const std::vector<std::string>& w, int line) {
    if (w.size() < 2) throw StyleSourceError(line, "channel needs its number");
    const int channel = Number(w[1], line, 1, 16, "A channel") - 1;
    static const std::map<std::string, int> kSettings = {{"program", ChannelState::kProgramIndex},
                                                         {"volume", 7},
                                                         {"pan", 10},
                                                         {"reverb", 91},
                                                         {"chorus", 93},
                                                         {"expression", 11}};
    size_t i = named_ ? 3 : 2;  // after the quoted name
    for (; i < w.size(); ++i) {
      if (w[i] == "bank") {
        if (i + 2 >= w.size()) throw StyleSourceError(line, "bank needs MSB and LSB");
        settings_[channel][0] = Number(w[i + 1], line, 0, 127, "The bank");
        settings_[channel][32] = Number(w[i + 2], line, 0, 127, "The bank");
        i += 2;
        continue;
      }
      const auto setting = kSettings.find(w[i]);
      if (setting == kSettings.end() || i + 1 >= w.size()) {
        throw StyleSourceError(line, "unknown channel setting \"" + w[i] + "\"");
      }
      settings_[channel][setting->second] = Number(w[i + 1], line, 0, 127, w[i]);
      ++i;
    }
  }

  void Lane(const std::vector<std::string>& w, int line, bool drum) {
    PartSource& part = parts_.back();
    if (w.size() < 2)
      throw StyleSourceError(line,
                             "a lane needs its " + std::string(drum ? "drum note" : "channel"));
    const int channel = drum ? 9 : Number(w[1], line, 1, 16, "A channel") - 1;
    const int drumNote = drum ? Number(w[1], line, 0, 127, "A drum note") : 0;
    const auto measures = Measures(w, 2);
    if (static_cast<int>(measures.size()) != part.Measures) {
      throw StyleSourceError(line, "the lane has " + std::to_string(measures.size()) +
                                       " measures, the part " + std::to_string(part.Measures));
    }
    const int measureClocks = MeasureClocks();
    const int partClocks = measureClocks * part.Measures;
    const auto on = static_cast<uint8_t>(0x90 | channel);
    std::vector<int> sounding;
    auto endSounding = [&](int clock) {
      for (int note : sounding)
        part.Events.push_back({std::min(clock, partClocks - 1), on, static_cast<uint8_t>(note), 0});
      sounding.clear();
    };
    for (size_t m = 0; m < measures.size(); ++m) {
      const auto& steps = measures[m];
      if (steps.empty() || measureClocks % static_cast<int>(steps.size()) != 0) {
        throw StyleSourceError(line, "measure " + std::to_string(m + 1) + " has " +
                                         std::to_string(steps.size()) +
                                         " steps, which do not divide it evenly");
      }
      const int stepClocks = measureClocks / static_cast<int>(steps.size());
      for (size_t s = 0; s < steps.size(); ++s) {
        const int clock = static_cast<int>(m) * measureClocks + static_cast<int>(s) * stepClocks;
        std::string token = steps[s];
        if (drum) {
          static const std::map<char, uint8_t> kHits = {{'x', 112}, {'o', 88}, {'g', 45}};
          if (token == ".") continue;
          const auto hit = token.size() == 1 ? kHits.find(token[0]) : kHits.end();
          if (hit == kHits.end())
            throw StyleSourceError(line, "a drum step is x, o, g or ., not \"" + token + "\"");
          part.Events.push_back({clock, on, static_cast<uint8_t>(drumNote), hit->second});
          part.Events.push_back({std::min(clock + std::max(stepClocks / 2, 1), partClocks - 1), on,
                                 static_cast<uint8_t>(drumNote), 0});
          continue;
        }
        if (token == ".") continue;
        endSounding(clock);
        if (token == "-") continue;
        uint8_t velocity = kVelocityNormal;
        if (token.back() == '!' || token.back() == '?') {
          velocity = token.back() == '!' ? kVelocityAccent : kVelocitySoft;
          token.pop_back();
        }
        std::vector<std::string> names;
        if (token.front() == '[') {
          if (token.back() != ']')
            throw StyleSourceError(line, "a chord ends with ], in \"" + token + "\"");
          std::istringstream chord(token.substr(1, token.size() - 2));
          for (std::string name; chord >> name;) names.push_back(name);
        } else {
          names.push_back(token);
        }
        for (const auto& name : names) {
          const auto note = NoteNumber(name);
          if (!note)
            throw StyleSourceError(line, "\"" + name + "\" is no note (write C4, Eb3, F#2)");
          part.Events.push_back({clock, on, static_cast<uint8_t>(*note), velocity});
          sounding.push_back(*note);
        }
      }
    }
    endSounding(partClocks - 1);
  }

  int MeasureClocks() const { return std::abs(sixteenths_) * 6; }

  CompiledStyle Build() {
    if (name_.empty()) throw StyleSourceError(1, "the style has no name (style NAME)");
    if (parts_.empty()) throw StyleSourceError(1, "the style has no parts");
    CompiledStyle compiled;
    compiled.Name = name_;
    StyleFileContents& c = compiled.Contents;
    c.HasStamp = true;
    StyleChannelTable& table = c.Channels;
    table.Reset();
    table.SetTempo(static_cast<int16_t>(tempo_));
    table.SetMeasureLength(sixteenths_);

    WorkMaterial work;
    work.AllocateWork();
    WorkWriter writer(work);
    const int measureClocks = MeasureClocks();
    int measure = 1;
    std::array<bool, 16> hasNotes{};
    for (auto& part : parts_) {
      // Note-offs go before note-ons at the same clock, so a repeated note is struck again.
      std::stable_sort(part.Events.begin(), part.Events.end(), [](const Event& a, const Event& b) {
        return a.Clock != b.Clock ? a.Clock < b.Clock : a.Off() && !b.Off();
      });
      const int32_t start = writer.Position();
      int clock = 0;
      auto advance = [&](int to) {
        // Time bytes never span an eighth-note boundary: fills enter there, on the beat.
        while (clock < to) {
          const int next = std::min(to, (clock / 12 + 1) * 12);
          writer.Clocks(next - clock);
          clock = next;
          if (clock % 12 == 0) writer.BreakTime();
        }
      };
      for (const auto& e : part.Events) {
        advance(e.Clock);
        writer.Message(e.Status, e.Data1, e.Data2);
        if (e.Data2 > 0) hasNotes[static_cast<size_t>(e.Status & 0x0F)] = true;
      }
      advance(part.Measures * measureClocks);
      if (writer.Full() || writer.Position() > kMaxStyleMaterial) {
        throw StyleSourceError(part.Line, "the style is longer than 65,500 bytes");
      }
      StylePart record = c.Parts.Part(part.Number);
      record.Set(part.Number, measure, part.Measures, start, writer.Position());
      for (int channel : part.Hold) record.SetPartHold(channel, true);
      for (int channel : part.Mute) record.SetPartMute(channel, true);
      measure += part.Measures;
    }
    writer.Finish();
    work.WorkSixteenths = static_cast<int16_t>((measure - 1) * std::abs(sixteenths_));
    for (const auto& part : parts_) {
      StylePart record = c.Parts.Part(part.Number);
      const auto entries = work.BeatEntries(record.FirstMeasure(), std::abs(sixteenths_));
      for (int beat = 2; beat <= 4; ++beat) record.SetBeatEntry(beat, entries[beat - 2]);
      if (part.Number == kIntro) table.SetStartMeasure(static_cast<int16_t>(-part.Measures));
    }
    for (int channel = 0; channel < 16; ++channel) {
      table.SetHasNotes(channel, hasNotes[static_cast<size_t>(channel)]);
      if (!hasNotes[static_cast<size_t>(channel)]) continue;
      for (const auto& [index, value] : settings_[channel])
        table.SetValue(channel, index, static_cast<uint8_t>(value));
    }
    c.Material.assign(work.Chunk(0).begin(), work.Chunk(0).begin() + work.WorkLength);
    return compiled;
  }

  std::string name_;
  bool named_ = false;  // the line holds a quoted name
  int tempo_ = 120;
  int16_t sixteenths_ = 16;
  std::map<int, std::map<int, int>> settings_;
  std::vector<PartSource> parts_;
};

}  // namespace

CompiledStyle CompileStyleSource(const std::string& text) {
  return Compiler().Compile(text);
}

}  // namespace korvel
