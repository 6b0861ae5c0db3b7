#include "cli/SongEditCommands.h"

#include <charconv>
#include <exception>
#include <iostream>
#include <optional>

#include "app/SongEditor.h"
#include "performance/ArrangementFile.h"
#include "performance/Progression.h"

namespace korvel {
namespace {

std::optional<long long> Number(const std::string& word) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc{} || end != word.data() + word.size()) return std::nullopt;
  return value;
}

std::optional<int> SmallNumber(const std::string& word) {
  const auto value = Number(word);
  if (!value || *value < -1000000 || *value > 1000000) return std::nullopt;
  return static_cast<int>(*value);
}

struct Cell {
  int Measure = 0;
  int Beat = 0;
};

std::optional<Cell> ParseCell(const std::string& word) {
  const auto colon = word.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto m = SmallNumber(word.substr(0, colon));
  const auto b = SmallNumber(word.substr(colon + 1));
  if (!m || !b) return std::nullopt;
  return Cell{*m, *b};
}

// The root as recognised chords are placed: 44..55 with the chord's own pitch class.
uint8_t PlacedPitchClass(int pitchClass) {
  return static_cast<uint8_t>(44 + (pitchClass + 4) % 12);
}

// Runs one operation starting at words[i]; advances i past it. Returns the refusal or "".
std::string Apply(SongEditor& editor, const std::vector<std::string>& words, size_t& i) {
  const std::string& op = words[i];
  auto argsLeft = [&](size_t n) { return i + n < words.size(); };
  auto arg = [&](size_t n) { return words[i + n]; };
  auto bad = [&](const std::string& usage) { return "Usage: " + usage; };
  if (op == "copy-measures") {
    if (!argsLeft(3)) return bad("copy-measures FIRST LAST DEST");
    const auto f = SmallNumber(arg(1)), l = SmallNumber(arg(2)), d = SmallNumber(arg(3));
    i += 4;
    if (!f || !l || !d) return bad("copy-measures FIRST LAST DEST");
    return editor.CopyMeasures(*f, *l, *d);
  }
  if (op == "insert-measures") {
    if (!argsLeft(2)) return bad("insert-measures AT N");
    const auto at = SmallNumber(arg(1));
    const auto n = Number(arg(2));
    i += 3;
    if (!at || !n) return bad("insert-measures AT N");
    return editor.InsertMeasures(*at, *n);
  }
  if (op == "delete-measure") {
    if (!argsLeft(1)) return bad("delete-measure M");
    const auto m = SmallNumber(arg(1));
    i += 2;
    if (!m) return bad("delete-measure M");
    return editor.DeleteMeasure(*m);
  }
  if (op == "set-beat") {
    if (!argsLeft(2)) return bad("set-beat M:B CHORD");
    const auto cell = ParseCell(arg(1));
    const auto chord = ParseChordSymbol(arg(2));
    i += 3;
    if (!cell || (!chord && arg(2) != "-")) return bad("set-beat M:B CHORD (or - for none)");
    if (!chord) return editor.SetBeatChord(cell->Measure, cell->Beat, 0, 0);
    return editor.SetBeatChord(cell->Measure, cell->Beat, PlacedPitchClass(chord->PitchClass),
                               static_cast<uint8_t>(chord->Type));
  }
  if (op == "set-command") {
    if (!argsLeft(3)) return bad("set-command M:B COMMAND VALUE");
    const auto cell = ParseCell(arg(1));
    const auto c = SmallNumber(arg(2)), v = SmallNumber(arg(3));
    i += 4;
    if (!cell || !c || !v || *c < 0 || *c > 255 || *v < 0 || *v > 255)
      return bad("set-command M:B COMMAND(0..255) VALUE(0..255)");
    return editor.SetBeatCommand(cell->Measure, cell->Beat, static_cast<uint8_t>(*c),
                                 static_cast<uint8_t>(*v));
  }
  if (op == "paste-beat") {
    if (!argsLeft(2)) return bad("paste-beat M:B FROM-M:B");
    const auto to = ParseCell(arg(1)), from = ParseCell(arg(2));
    i += 3;
    if (!to || !from) return bad("paste-beat M:B FROM-M:B");
    return editor.PasteBeat(to->Measure, to->Beat, from->Measure, from->Beat);
  }
  i = words.size();
  return "Unknown operation \"" + op + "\".";
}

}  // namespace

int SongEdit(const std::string& file, const std::vector<std::string>& operations,
             const std::string& out) {
  try {
    Arrangement song = LoadArrangementFile(file);
    ChordMemory memory;
    memory.Bytes = song.Chords;
    SongEditor editor(memory, song.SongEnd, song.MeasureSixteenths());
    for (size_t i = 0; i < operations.size();) {
      const std::string refusal = Apply(editor, operations, i);
      if (!refusal.empty()) {
        std::cerr << refusal << "\n";
        return 1;
      }
    }
    song.Chords = memory.Bytes;
    SaveArrangementFile(out, song);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace korvel
