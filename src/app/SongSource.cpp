#include "app/SongSource.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>

#include "app/ProgressionPlayer.h"
#include "engine/PerformanceState.h"
#include "engine/Transport.h"
#include "performance/ChordMemory.h"
#include "performance/Progression.h"

namespace korvel {

namespace {

// The chord setter's roots with the keyboard's default accompaniment section.
constexpr int kDefaultFirstKey = 40;
constexpr uint8_t kKeyCode = 12;

std::optional<int> Number(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct Compiler {
  Arrangement Song;
  int Line = 0;
  int Ms = 16;
  int FirstMeasure = 1;
  int Tempo = 120;
  int Program = 0;
  int Measures = 0;
  bool Ended = false;
  std::vector<std::string> MemoLines;
  // Melody notes by time, in the order written.
  std::vector<MelodyEvent> Notes;

  [[noreturn]] void Fail(const std::string& message) const { throw SongSourceError(Line, message); }

  int Value(const std::string& text, int low, int high, const std::string& what) const {
    const auto value = Number(text);
    if (!value || *value < low || *value > high) {
      Fail(what + " \"" + text + "\" is not a number in " + std::to_string(low) + ".." +
           std::to_string(high));
    }
    return *value;
  }

  // "[Fill]", "[Repeat:2]", "[/Repeat]", "[Tempo:130]", "[End]": the control bytes of a beat.
  std::pair<uint8_t, uint8_t> Command(const std::string& token) const {
    const std::string inner = token.substr(1, token.size() - 2);
    const auto colon = inner.find(':');
    const std::string name = inner.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : inner.substr(colon + 1);
    const ControlKeys keys;
    const std::map<std::string, int> controlKeys = {{"Intro", keys.IntroKey()},
                                                    {"Fill", keys.FillInKey},
                                                    {"Extended", keys.ToAdvKey},
                                                    {"Ending", keys.EndingKey},
                                                    {"Basic", keys.ToBasicKey}};
    if (const auto key = controlKeys.find(name); key != controlKeys.end() && argument.empty()) {
      return {static_cast<uint8_t>(key->second), kKeyCode};
    }
    if (name == "Repeat" && !argument.empty()) {
      return {kCommandRepeat, static_cast<uint8_t>(100 + Value(argument, 2, 155, "Repeat"))};
    }
    if (name == "/Repeat" && argument.empty()) return {kCommandRepeat, 0};
    if (name == "Tempo" && !argument.empty()) {
      return {kCommandTempo, static_cast<uint8_t>(Value(argument, kMinTempo, kMaxTempo, "Tempo"))};
    }
    if (name == "End" && argument.empty()) return {kCommandEnd, 0};
    Fail("unknown command " + token);
  }

  void Bar(std::string beats) {
    // "[Fill]C" is "[Fill] C".
    for (size_t at = beats.find(']'); at != std::string::npos; at = beats.find(']', at + 2)) {
      beats.insert(at + 1, " ");
    }
    std::istringstream words(beats);
    if (Ended) Fail("a measure after the end mark");
    const int pos0 = kFirstBeatPos + Measures * Ms;
    if (pos0 + Ms > Arrangement::kChordBytes) Fail("the song is longer than the chord memory");
    int beat = 0;
    std::pair<uint8_t, uint8_t> control{0, 0};
    std::string token;
    while (words >> token) {
      if (token.front() == '[' && token.back() == ']') {
        if (control.first != 0) Fail("two commands on one beat");
        control = Command(token);
        continue;
      }
      if (beat >= Ms / 4) Fail("more than " + std::to_string(Ms / 4) + " beats in the measure");
      const size_t pos = static_cast<size_t>(pos0 + beat * 4);
      if (token != ".") {
        const auto chord = ParseChordSymbol(token);
        if (!chord) Fail("\"" + token + "\" is no chord");
        Song.Chords[pos] =
            static_cast<uint8_t>(ProgressionPlayer::RootNote(chord->PitchClass, kDefaultFirstKey));
        Song.Chords[pos + 1] = static_cast<uint8_t>(chord->Type);
      }
      Song.Chords[pos + 2] = control.first;
      Song.Chords[pos + 3] = control.second;
      Ended = Ended || control.first == kCommandEnd;
      control = {0, 0};
      ++beat;
    }
    if (control.first != 0) Fail("a command with no beat after it");
    if (beat != Ms / 4)
      Fail("the measure has " + std::to_string(beat) + " beats, not " + std::to_string(Ms / 4));
    ++Measures;
  }

  // "note CLOCK NOTE LENGTH [VELOCITY]": clocks from the song's first beat, 24 per beat.
  void Note(std::istringstream& words) {
    std::string clock, note, length, velocity = "100";
    if (!(words >> clock >> note >> length)) Fail("note needs CLOCK NOTE LENGTH");
    words >> velocity;
    const int start = Value(clock, 0, 1'000'000, "Clock");
    const int pitch = Value(note, 0, 127, "Note");
    const int end = start + Value(length, 1, 10'000, "Length");
    const auto v = static_cast<uint8_t>(Value(velocity, 1, 127, "Velocity"));
    if (Notes.size() + 2 > kMelodyCapacity) Fail("more melody than the track holds");
    Notes.push_back(
        MakeMelodyEvent(static_cast<uint32_t>(start), 0x90, static_cast<uint8_t>(pitch), v));
    Notes.push_back(
        MakeMelodyEvent(static_cast<uint32_t>(end), 0x80, static_cast<uint8_t>(pitch), 0));
  }

  void Setting(const std::string& key, std::istringstream& words) {
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (key == "style") {
      Song.StyleName = rest;
    } else if (key == "tempo") {
      Tempo = Value(rest, kMinTempo, kMaxTempo, "Tempo");
    } else if (key == "measure") {
      if (Measures > 0) Fail("the measure length changes after the first measure");
      Ms = Value(rest, 4, 24, "Measure length");
      if (Ms % 4 != 0) Fail("the measure length is not a whole number of beats");
    } else if (key == "first-measure") {
      FirstMeasure = Value(rest, 1, 8, "First measure");
    } else if (key == "melody-program") {
      Program = Value(rest, 0, 127, "Melody program");
    } else if (key == "title") {
      Song.Title = rest;
    } else if (key == "subtitle") {
      Song.Subtitle = rest;
    } else if (key == "author") {
      Song.Author = rest;
    } else if (key == "copyright") {
      Song.Copyright = rest;
    } else if (key == "memo") {
      MemoLines.push_back(rest);
    } else {
      Fail("unknown setting \"" + key + "\"");
    }
  }

  Arrangement Compile(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      ++Line;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::istringstream words(line);
      std::string key;
      if (!(words >> key) || key.front() == '#') continue;
      if (key == "bar") {
        std::string beats;
        std::getline(words, beats);
        Bar(beats);
      } else if (key == "note") {
        Note(words);
      } else {
        Setting(key, words);
      }
    }
    if (!Ended) Fail("the song has no [End]");
    Song.SongEnd = kFirstBeatPos + Measures * Ms;
    Song.SetHeader(FirstMeasure, Tempo, Ms, Program);
    std::stable_sort(Notes.begin(), Notes.end(),
                     [](const MelodyEvent& a, const MelodyEvent& b) { return a.Time < b.Time; });
    Song.Melody = Notes;
    Song.HasMelodyBlock = !Notes.empty();
    for (size_t i = 0; i < MemoLines.size(); ++i) {
      Song.Memo += (i == 0 ? "" : "\n") + MemoLines[i];
    }
    return Song;
  }
};

}  // namespace

Arrangement CompileSongSource(const std::string& text) {
  return Compiler().Compile(text);
}

}  // namespace korvel
