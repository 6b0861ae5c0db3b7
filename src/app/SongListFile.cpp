#include "app/SongListFile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "app/FileNames.h"
#include "platform/AtomicFile.h"
#include "platform/Windows1252.h"

namespace korvel {

namespace {

// 0-based columns of the fields.
constexpr size_t kPathAt = 51;
constexpr size_t kSettingsAt = 132;
constexpr size_t kModeAt = 148;
constexpr size_t kBoxesAt = 149;  // chords, instruments, pad, ad lib, chord codes, ad lib 2
constexpr size_t kChannelAt = 158;
constexpr size_t kOctaveAt = 161;
constexpr size_t kSemitonesAt = 164;
constexpr size_t kInstrumentAt = 167;
constexpr size_t kMixerAt = 170;
constexpr size_t kKeySetAt = 194;
constexpr size_t kKeySetDigits = 42;
constexpr size_t kLineLength = kKeySetAt + kKeySetDigits;

std::string Fixed(const std::string& text, size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, ' ');
  return field;
}

bool Continuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The bytes of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Where each character of UTF-8 text starts, and its end last; nothing when it is not UTF-8.
std::optional<std::vector<size_t>> CharacterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t at = 0; at < text.size();) {
    const size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
    if (length == 0 || at + length > text.size()) return std::nullopt;
    for (size_t i = 1; i < length; ++i)
      if (!Continuation(static_cast<unsigned char>(text[at + i]))) return std::nullopt;
    starts.push_back(at);
    at += length;
  }
  starts.push_back(text.size());
  return starts;
}

// At most `width` bytes of UTF-8 text, never cutting a character, padded with blanks.
std::string FixedUtf8(const std::string& text, size_t width) {
  size_t cut = std::min(text.size(), width);
  if (cut < text.size()) {
    while (cut > 0 && Continuation(static_cast<unsigned char>(text[cut]))) --cut;
  }
  return Fixed(text.substr(0, cut), width);
}

// A title as text: UTF-8 as it is (a full field may end in a character cut by an older
// writer, which goes), anything else read as Windows-1252.
std::string TitleText(const std::string& bytes) {
  if (CharacterStarts(bytes)) return bytes;
  if (bytes.size() == kSongTitleColumns) {
    size_t lead = bytes.size();
    while (lead > 0 && Continuation(static_cast<unsigned char>(bytes[lead - 1]))) --lead;
    if (lead > 0 && lead + 3 >= bytes.size()) {
      const std::string whole = bytes.substr(0, lead - 1);
      const size_t length = SequenceLength(static_cast<unsigned char>(bytes[lead - 1]));
      if (length > bytes.size() - lead + 1 && CharacterStarts(whole)) return whole;
    }
  }
  return Windows1252ToUtf8(bytes);
}

// Three columns: "007", and negatives as a sign and two digits ("-03"), so that no value
// pushes the later columns along.
std::string Number3(int value) {
  value = std::clamp(value, -99, 999);
  const std::string digits = std::to_string(value < 0 ? -value : value);
  return (value < 0 ? "-" + std::string(2 - digits.size(), '0')
                    : std::string(3 - digits.size(), '0')) +
         digits;
}

std::string Digit(bool on) {
  return on ? "1" : "0";
}

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// Reads fields of a line; a field that is cut off or malformed is named in `bad`.
class FieldReader {
 public:
  FieldReader(const std::string& line, std::vector<std::string>& bad) : line_(line), bad_(bad) {}

  std::optional<int> Number(size_t at, size_t width, int low, int high, const char* name) {
    if (!Present(at, width, name)) return std::nullopt;
    std::string text = line_.substr(at, width);
    text.erase(0, text.find_first_not_of(' '));
    text = TrimRight(text);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
      bad_.push_back(name);
      return std::nullopt;
    }
    return value;
  }
  std::optional<bool> Box(size_t at, const char* name) {
    if (!Present(at, 1, name)) return std::nullopt;
    const char c = line_[at];
    if (c != '0' && c != '1') {
      bad_.push_back(name);
      return std::nullopt;
    }
    return c == '1';
  }
  std::optional<std::string> Digits(size_t at, size_t width, const char* name) {
    if (!Present(at, width, name)) return std::nullopt;
    const std::string text = line_.substr(at, width);
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      bad_.push_back(name);
      return std::nullopt;
    }
    return text;
  }

 private:
  // A line that ends before its settings simply has none; one that ends among them is cut.
  bool Present(size_t at, size_t width, const char* name) {
    if (at + width <= line_.size()) return true;
    if (line_.size() > kSettingsAt) bad_.push_back(name);
    return false;
  }

  const std::string& line_;
  std::vector<std::string>& bad_;
};

bool IsWindowsPath(const std::string& path) {
  return path.find('\\') != std::string::npos ||
         (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])));
}

}  // namespace

std::string FormatSongEntry(const SongEntry& e) {
  std::string line =
      FixedUtf8(e.Title, kSongTitleColumns) + " " + Fixed(e.Path, kSongPathColumns) + " ";
  const std::array<bool, 16> channels = e.Channels.value_or(std::array<bool, 16>{});
  for (bool on : channels) line += Digit(on);
  line += std::to_string(std::clamp(e.KeyboardMode.value_or(0), 0, 9));
  for (const auto& box :
       {e.Chords, e.Instruments, e.HarmonicPad, e.MelodyAdLib, e.SendChordCodes, e.SecondAdLib})
    line += Digit(box.value_or(false));
  const int channel = e.LiveChannel.value_or(0);
  line += Number3(channel) + Number3(channel);
  line += Number3(e.Octave.value_or(0)) + Number3(e.Semitones.value_or(0));
  line += Number3(e.Instrument.value_or(0));
  for (const auto& value : e.Mixer) line += Number3(value.value_or(0));
  const std::string keys = e.KeySet.value_or(std::string(kKeySetDigits, '0'));
  line += Fixed(keys, kKeySetDigits - 3) + Number3(e.MinusOneChannel.value_or(0));
  return line;
}

namespace {

// The three parts of a line whose columns line up, taken by the byte or, for a line padded by
// characters elsewhere, by the UTF-8 character; `why` says what is wrong otherwise.
struct LineParts {
  std::string Title;
  std::string Path;
  std::string Settings;  // from the channel boxes on; plain digits and signs
};

std::optional<LineParts> SplitByColumns(const std::string& line, const std::vector<size_t>& starts,
                                        std::string& why) {
  const size_t count = starts.size() - 1;  // characters
  const auto at = [&](size_t column) { return line[starts[column]]; };
  const auto part = [&](size_t from, size_t to) {
    return line.substr(starts[from], starts[std::min(to, count)] - starts[from]);
  };
  if (at(kPathAt - 1) != ' ' || at(kPathAt) == ' ') {
    why = "the columns do not line up (the song file does not start in column 52)";
    return std::nullopt;
  }
  if (count > kSettingsAt && at(kSettingsAt - 1) != ' ') {
    why = "the columns do not line up (the settings do not start in column 133)";
    return std::nullopt;
  }
  if (count > kLineLength) {
    why = "the line is longer than " + std::to_string(kLineLength) + " characters";
    return std::nullopt;
  }
  LineParts parts{part(0, kSongTitleColumns), part(kPathAt, kPathAt + kSongPathColumns), {}};
  if (count > kSettingsAt) parts.Settings = part(kSettingsAt, count);
  return parts;
}

}  // namespace

std::optional<ReadSongEntry> ParseSongEntry(const std::string& text, std::string* why) {
  std::string reason;
  const auto refuse = [&](std::string words) -> std::optional<ReadSongEntry> {
    if (why) *why = std::move(words);
    return std::nullopt;
  };
  std::string line = text;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  line = TrimRight(line);
  // Control bytes belong to no title or path: such a line is damaged, not a song.
  if (std::any_of(line.begin(), line.end(), [](unsigned char c) { return c < 0x20 && c != '\t'; }))
    return refuse("control characters in the line");
  if (line.size() <= kPathAt) return refuse("no song file");
  std::vector<size_t> bytes(line.size() + 1);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = i;
  auto parts = SplitByColumns(line, bytes, reason);
  if (!parts) {
    // Written elsewhere with the title padded by characters, not bytes.
    const auto characters = CharacterStarts(line);
    std::string ignored;
    if (characters && characters->size() > kPathAt + 1)
      parts = SplitByColumns(line, *characters, ignored);
  }
  if (!parts) return refuse(reason);
  ReadSongEntry read;
  SongEntry& e = read.Entry;
  e.Title = TitleText(TrimRight(parts->Title));
  // The whole path field: a path may hold blanks ("My Songs").
  e.Path = TrimRight(parts->Path);
  if (e.Path.empty()) return refuse("no song file");

  // The settings' columns counted from the start of the line, as the table has them.
  const std::string settings =
      parts->Settings.empty() ? std::string() : std::string(kSettingsAt, ' ') + parts->Settings;
  FieldReader f(settings, read.BadFields);
  if (const auto boxes = f.Digits(kSettingsAt, 16, "channels")) {
    if (std::all_of(boxes->begin(), boxes->end(), [](char c) { return c <= '1'; })) {
      std::array<bool, 16> channels{};
      for (size_t c = 0; c < 16; ++c) channels[c] = (*boxes)[c] == '1';
      e.Channels = channels;
    } else {
      read.BadFields.push_back("channels");
    }
  }
  e.KeyboardMode = f.Number(kModeAt, 1, 0, 9, "mode");
  e.Chords = f.Box(kBoxesAt, "chords");
  e.Instruments = f.Box(kBoxesAt + 1, "instruments");
  e.HarmonicPad = f.Box(kBoxesAt + 2, "pad");
  e.MelodyAdLib = f.Box(kBoxesAt + 3, "adlib");
  e.SendChordCodes = f.Box(kBoxesAt + 4, "chord-codes");
  e.SecondAdLib = f.Box(kBoxesAt + 5, "adlib2");
  e.LiveChannel = f.Number(kChannelAt, 3, 0, 15, "channel");
  e.Octave = f.Number(kOctaveAt, 3, -3, 4, "octave");
  e.Semitones = f.Number(kSemitonesAt, 3, -11, 11, "transpose");
  e.Instrument = f.Number(kInstrumentAt, 3, 0, 999, "instrument");
  for (size_t i = 0; i < e.Mixer.size(); ++i)
    e.Mixer[i] = f.Number(kMixerAt + 3 * i, 3, 0, 127, kSongMixerNames[i]);
  if (auto keys = f.Digits(kKeySetAt, kKeySetDigits - 3, "keys")) e.KeySet = *keys + "000";
  e.MinusOneChannel = f.Number(kLineLength - 3, 3, 0, 16, "minus-one");
  return read;
}

std::optional<std::string> StoredSongPath(const std::string& path, const std::string& listFolder) {
  if (path.size() <= static_cast<size_t>(kSongPathColumns) && path.find('\n') == std::string::npos)
    return path;
  std::error_code error;
  const std::filesystem::path relative = std::filesystem::relative(
      std::filesystem::path(path), std::filesystem::path(listFolder), error);
  const std::string text = relative.generic_string();
  if (error || text.empty() || text.size() > static_cast<size_t>(kSongPathColumns))
    return std::nullopt;
  return text;
}

std::string ResolveSongPath(const std::string& stored, const std::string& listFolder) {
  if (IsWindowsPath(stored)) {
    const auto found = FindFileByName(stored, listFolder);
    return found ? *found : (std::filesystem::path(listFolder) / StoredFileName(stored)).string();
  }
  const std::filesystem::path path(stored);
  if (path.is_absolute()) return stored;
  return (std::filesystem::path(listFolder) / path).lexically_normal().string();
}

std::vector<std::string> SongListLines(std::span<const uint8_t> bytes,
                                       std::vector<int>* lineNumbers) {
  std::vector<std::string> lines;
  std::string line;
  int number = 1;
  // A byte order mark before the first line belongs to no entry.
  const uint8_t bom[] = {0xEF, 0xBB, 0xBF};
  const size_t first = bytes.size() >= 3 && std::equal(bom, bom + 3, bytes.begin()) ? 3 : 0;
  for (size_t i = first; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\n') {
      line += static_cast<char>(bytes[i]);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!TrimRight(line).empty()) {
      lines.push_back(line);
      if (lineNumbers) lineNumbers->push_back(number);
    }
    line.clear();
    ++number;
  }
  return lines;
}

void WriteSongList(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string SongSettingsText(const SongEntry& e) {
  std::vector<std::string> fields;
  const auto add = [&fields](const std::string& key, const auto& value) {
    if (value) fields.push_back(key + "=" + std::to_string(*value));
  };
  if (e.Channels) {
    std::string boxes;
    for (bool on : *e.Channels) boxes += Digit(on);
    fields.push_back("channels=" + boxes);
  }
  add("mode", e.KeyboardMode);
  add("chords", e.Chords);
  add("instruments", e.Instruments);
  add("pad", e.HarmonicPad);
  add("adlib", e.MelodyAdLib);
  add("chord-codes", e.SendChordCodes);
  add("adlib2", e.SecondAdLib);
  if (e.LiveChannel) fields.push_back("channel=" + std::to_string(*e.LiveChannel + 1));
  add("octave", e.Octave);
  add("transpose", e.Semitones);
  add("instrument", e.Instrument);
  for (size_t i = 0; i < e.Mixer.size(); ++i) add(kSongMixerNames[i], e.Mixer[i]);
  if (e.KeySet) fields.push_back("keys=" + e.KeySet->substr(0, kKeySetDigits - 3));
  add("minus-one", e.MinusOneChannel);
  std::string text;
  for (const std::string& field : fields) text += (text.empty() ? "" : " ") + field;
  return text;
}

}  // namespace korvel
