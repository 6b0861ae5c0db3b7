#include "performance/ArrangementFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "engine/Transport.h"
#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"
#include "platform/Windows1252.h"

namespace korvel {

namespace {

constexpr uint8_t kMelodyMarker = 255;
constexpr uint8_t kOldLayoutMarker = 254;
constexpr uint8_t kTextMarker = 253;
constexpr uint8_t kStyleMarker = 252;
constexpr int kChordTypes = 17;

[[noreturn]] void Refuse(const std::string& reason) {
  throw ArrangementError(reason);
}

// The metres of the "Metrum" list: 1 to 6 beats.
bool ValidMeasureSixteenths(int value) {
  return value >= 4 && value <= 24 && value % 4 == 0;
}

std::string Where(const Arrangement& a, int pos) {
  const int sixteenths = a.MeasureSixteenths();
  return "the entry at byte " + std::to_string(pos) + " (measure " +
         std::to_string((pos - 4) / sixteenths + 1) + ", beat " +
         std::to_string((pos - 4) % sixteenths / 4 + 1) + ")";
}

// Values of song command 251: solo 0..16, melody off/on 220/221, mute 222..237, unmute
// 239..254 (channel 255 - value), solo 255.
bool ValidChannelCommand(int value) {
  return value <= 16 || (value >= 220 && value != 238);
}

void CheckHeader(const Arrangement& a) {
  if (a.OldLayout) return;
  if (a.Tempo() < kMinTempo || a.Tempo() > kMaxTempo) {
    Refuse("the song's tempo " + std::to_string(a.Tempo()) + " is outside " +
           std::to_string(kMinTempo) + ".." + std::to_string(kMaxTempo));
  }
  if (!ValidMeasureSixteenths(a.Chords[2])) {
    Refuse("the song's measure length of " + std::to_string(a.Chords[2]) +
           " sixteenths is not one of 4, 8, 12, 16, 20 or 24");
  }
  if (a.MelodyProgram() > 127) {
    Refuse("the melody program " + std::to_string(a.MelodyProgram()) + " is outside 0..127");
  }
}

void CheckEntries(const Arrangement& a) {
  for (int pos = 4; pos < a.SongEnd; pos += 4) {
    const auto* e = &a.Chords[static_cast<size_t>(pos)];
    if (e[0] > 127) Refuse(Where(a, pos) + " has the chord root " + std::to_string(e[0]));
    if (e[0] > 0 && (e[1] < 1 || e[1] > kChordTypes)) {
      Refuse(Where(a, pos) + " has the chord type " + std::to_string(e[1]));
    }
    if (e[2] == 251 && !ValidChannelCommand(e[3])) {
      Refuse(Where(a, pos) + " has a channel command with the value " + std::to_string(e[3]));
    }
    if (e[2] == 254 && (e[3] < kMinTempo || e[3] > kMaxTempo)) {
      Refuse(Where(a, pos) + " changes the tempo to " + std::to_string(e[3]));
    }
  }
}

// Reads the bytes of a file front to back; every read is checked against the end.
class Cursor {
 public:
  explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t Pos() const { return pos_; }
  size_t Left() const { return bytes_.size() - pos_; }
  uint8_t Peek() const { return pos_ < bytes_.size() ? bytes_[pos_] : 0; }
  std::span<const uint8_t> Take(size_t count, const char* what) {
    if (count > Left()) {
      Refuse(std::string("the file ends inside ") + what + " (" + std::to_string(count) +
             " bytes needed, " + std::to_string(Left()) + " left)");
    }
    auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
  }
  // A block length: 4 bytes, never negative, never beyond the end of the file.
  size_t Length(const char* what) {
    const int32_t length = GetI32(Take(4, what).data());
    if (length < 0)
      Refuse(std::string(what) + " has a negative length (" + std::to_string(length) + ")");
    if (static_cast<size_t>(length) > Left()) {
      Refuse(std::string(what) + " claims " + std::to_string(length) + " bytes, but only " +
             std::to_string(Left()) + " follow");
    }
    return static_cast<size_t>(length);
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

std::string UpToZero(std::span<const uint8_t> field) {
  const auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return {field.begin(), end};
}

// Lines as a memo counts them: "\r\n", "\r" or "\n" end a line, and a last line end adds no
// empty line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string JoinLines(std::span<const std::string> lines, const char* end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

void TakeText(Arrangement& a, std::span<const uint8_t> bytes, bool withTitleLines) {
  std::vector<std::string> lines = SplitLines(Windows1252ToUtf8(UpToZero(bytes)));
  a.TextLines = static_cast<int>(lines.size());
  if (withTitleLines && lines.size() >= 4) {
    const size_t memo = lines.size() - 4;
    a.Title = lines[memo];
    a.Subtitle = lines[memo + 1];
    a.Author = lines[memo + 2];
    a.Copyright = lines[memo + 3];
    lines.resize(memo);
  }
  a.Memo = JoinLines(lines, "\n");
  if (!a.Memo.empty()) a.Memo.pop_back();
}

void TakeMelody(Arrangement& a, std::span<const uint8_t> block) {
  if (block.size() % kMelodyEventBytes != 0) {
    Refuse("the melody block of " + std::to_string(block.size()) +
           " bytes is not a whole number of events");
  }
  const size_t count = std::min<size_t>(block.size() / kMelodyEventBytes, kMelodyCapacity);
  a.Melody.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const MelodyEvent e = DecodeMelodyEvent(block.data() + i * kMelodyEventBytes);
    if (!IsChannelMessage(e.Status, e.Data1, e.Data2) ||
        e != MakeMelodyEvent(e.Time, e.Status, e.Data1, e.Data2)) {
      Refuse("melody event " + std::to_string(i + 1) + " is not a channel message");
    }
    a.Melody.push_back(e);
  }
}

// The chord block is a whole number of entries; so is the rest of the file behind a style
// block, whose 161 bytes leave a remainder of 1. That tells a style block from a chord block
// whose first-measure byte happens to be 252.
bool StyleBlockFollows(const Cursor& in) {
  const size_t block = 1 + Arrangement::kStyleNameBytes;
  return in.Peek() == kStyleMarker && in.Left() >= block + 4 && (in.Left() - block) % 4 == 0;
}

std::string StoredStyleName(const std::string& name) {
  std::string stored = Utf8ToWindows1252(name);
  if (stored.size() < static_cast<size_t>(Arrangement::kStyleNameBytes)) return stored;
  const size_t slash = stored.find_last_of("/\\");
  stored = slash == std::string::npos ? stored : stored.substr(slash + 1);
  if (stored.size() >= static_cast<size_t>(Arrangement::kStyleNameBytes)) {
    Refuse("the style file name is longer than " +
           std::to_string(Arrangement::kStyleNameBytes - 1) + " characters");
  }
  return stored;
}

}  // namespace

int Arrangement::FirstMeasure() const {
  if (Chords[0] == 8 && LongFirstMeasure > 8 && LongFirstMeasure <= kMostMeasures)
    return LongFirstMeasure;
  return Chords[0] >= 1 && Chords[0] <= 8 ? Chords[0] : 1;
}

int Arrangement::MeasureSixteenths() const {
  return OldLayout || !ValidMeasureSixteenths(Chords[2]) ? kDefaultMeasureSixteenths : Chords[2];
}

int Arrangement::LastMeasure() const {
  return ((SongEnd - 4) / 4) / (MeasureSixteenths() / 4);
}

void Arrangement::SetHeader(int firstMeasure, int tempo, int measureSixteenths, int melodyProgram) {
  firstMeasure = std::clamp(firstMeasure, 1, kMostMeasures);
  // Readers that know only the header start the song's loop range as late as it can say.
  Chords[0] = static_cast<uint8_t>(std::min(firstMeasure, 8));
  LongFirstMeasure = firstMeasure > 8 ? firstMeasure : 0;
  Chords[1] = static_cast<uint8_t>(std::clamp(tempo, 0, 255));
  Chords[2] = static_cast<uint8_t>(std::clamp(measureSixteenths, 0, 255));
  Chords[3] = static_cast<uint8_t>(std::clamp(melodyProgram, 0, 255));
  OldLayout = false;
}

Arrangement ReadArrangement(std::span<const uint8_t> bytes) {
  if (bytes.empty()) Refuse("the file is empty");
  Arrangement a;
  Cursor in(bytes);
  if (in.Peek() == kOldLayoutMarker) {
    in.Take(1, "the layout byte");
    a.OldLayout = true;
  } else {
    if (in.Peek() == kMelodyMarker) {
      in.Take(1, "the melody block");
      a.HasMelodyBlock = true;
      TakeMelody(a, in.Take(in.Length("the melody block"), "the melody block"));
    }
    if (in.Peek() == kTextMarker) {
      in.Take(1, "the text block");
      TakeText(a, in.Take(in.Length("the text block"), "the text block"), true);
    } else {
      TakeText(a, in.Take(Arrangement::kFixedTextBytes, "the text area"), false);
    }
    const auto reserved = in.Take(Arrangement::kReservedBytes, "the reserved area");
    a.LongFirstMeasure = GetU16(reserved.data());
    if (StyleBlockFollows(in)) {
      in.Take(1, "the style block");
      const auto field = in.Take(Arrangement::kStyleNameBytes, "the style block");
      if (std::find(field.begin(), field.end(), uint8_t{0}) == field.end()) {
        Refuse("the style file name fills its " + std::to_string(Arrangement::kStyleNameBytes) +
               " bytes with no end");
      }
      a.StyleName = Windows1252ToUtf8(UpToZero(field));
      if (a.StyleName.empty()) Refuse("the style block names no style");
    }
  }
  if (in.Left() < 4) Refuse("the file ends before the song header");
  if (in.Left() % 4 != 0) {
    Refuse("the chord block of " + std::to_string(in.Left()) +
           " bytes is not a whole number of 4-byte entries");
  }
  const size_t chordBytes = std::min<size_t>(in.Left(), Arrangement::kChordBytes);
  const auto block = in.Take(chordBytes, "the chord block");
  std::copy(block.begin(), block.end(), a.Chords.begin());
  a.SongEnd = static_cast<int>(chordBytes);
  CheckHeader(a);
  CheckEntries(a);
  return a;
}

Arrangement LoadArrangementFile(const std::string& path) {
  std::string error;
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes) throw ArrangementError(error);
  return ReadArrangement(*bytes);
}

std::vector<uint8_t> ArrangementBytes(const Arrangement& a) {
  if (a.OldLayout) Refuse("the song header holds no tempo and no measure length");
  CheckHeader(a);
  if (a.SongEnd < 4 || a.SongEnd > Arrangement::kChordBytes || a.SongEnd % 4 != 0) {
    Refuse("the song ends at byte " + std::to_string(a.SongEnd) + ", not on an entry");
  }
  std::vector<uint8_t> out;
  if (!a.Melody.empty()) {
    const size_t count = std::min<size_t>(a.Melody.size(), kMelodyCapacity);
    out.push_back(kMelodyMarker);
    out.resize(out.size() + 4 + count * kMelodyEventBytes);
    uint8_t* p = out.data() + 1;
    PutI32(p, static_cast<int32_t>(count * kMelodyEventBytes));
    for (size_t i = 0; i < count; ++i)
      EncodeMelodyEvent(a.Melody[i], p + 4 + i * kMelodyEventBytes);
  }
  std::string text = a.Memo;
  if (!text.empty()) text += '\n';
  const std::string fields[] = {a.Title, a.Subtitle, a.Author, a.Copyright};
  text += JoinLines(fields, "\n");
  text = Utf8ToWindows1252(JoinLines(SplitLines(text), "\r\n"));
  out.push_back(kTextMarker);
  const size_t textAt = out.size();
  out.resize(textAt + 4);
  PutI32(out.data() + textAt, static_cast<int32_t>(text.size() + 1));
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  const size_t reservedAt = out.size();
  out.resize(reservedAt + Arrangement::kReservedBytes, 0);
  if (a.FirstMeasure() > 8)
    PutU16(out.data() + reservedAt, static_cast<uint16_t>(a.FirstMeasure()));
  if (!a.StyleName.empty()) {
    const std::string name = StoredStyleName(a.StyleName);
    out.push_back(kStyleMarker);
    out.insert(out.end(), name.begin(), name.end());
    out.resize(out.size() + Arrangement::kStyleNameBytes - name.size(), 0);
  }
  const size_t chordsAt = out.size();
  out.insert(out.end(), a.Chords.begin(), a.Chords.begin() + a.SongEnd);
  // Only 1..8 means a first measure; a stray 252 there would look like a style marker.
  out[chordsAt] = static_cast<uint8_t>(std::min(a.FirstMeasure(), 8));
  return out;
}

void SaveArrangementFile(const std::string& path, const Arrangement& arrangement) {
  WriteFileAtomically(path, ArrangementBytes(arrangement));
}

std::string SongInfoText(const Arrangement& a) {
  std::ostringstream out;
  out << "style " << a.StyleName << "\n"
      << "tempo " << (a.OldLayout ? "none" : std::to_string(a.Tempo())) << "\n"
      << "measure-sixteenths " << a.MeasureSixteenths() << "\n"
      << "first-measure " << a.FirstMeasure() << "\n"
      << "last-measure " << a.LastMeasure() << "\n"
      << "song-end " << a.SongEnd << "\n"
      << "melody-events " << a.Melody.size() << "\n"
      << "text-lines " << a.TextLines << "\n";
  return out.str();
}

}  // namespace korvel
