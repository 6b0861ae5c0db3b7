#include "app/PlayableMidiFile.h"

#include <algorithm>

#include "stylegen/MidiTrackReader.h"

namespace korvel {
namespace {

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  int count = 0;
  do {
    bytes[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0 && count < 4);
  while (count > 1) out.push_back(bytes[--count] | 0x80);
  out.push_back(bytes[0]);
}

void PutBig(std::vector<uint8_t>& out, uint32_t value, int count) {
  for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) out.push_back((value >> shift) & 0xFF);
}

// Writes one track of the copy as its events are read.
class MarkedTrack {
 public:
  void Delta(int64_t tick) {
    PutVariableLength(bytes_, static_cast<uint32_t>(tick - written_));
    written_ = tick;
  }
  void Mark(uint8_t kind, int64_t tick, const std::vector<uint8_t>& extra = {}) {
    Delta(tick);
    bytes_.insert(bytes_.end(), {0xFF, 0x01});
    PutVariableLength(bytes_, static_cast<uint32_t>(5 + extra.size()));
    bytes_.push_back(kind);
    PutBig(bytes_, static_cast<uint32_t>(tick), 4);
    bytes_.insert(bytes_.end(), extra.begin(), extra.end());
  }
  void Event(int64_t tick, std::span<const uint8_t> event) {
    Delta(tick);
    bytes_.insert(bytes_.end(), event.begin(), event.end());
  }
  void End(std::vector<uint8_t>& file, int64_t tick) {
    Delta(tick);
    bytes_.insert(bytes_.end(), {0xFF, 0x2F, 0x00});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBig(file, static_cast<uint32_t>(bytes_.size()), 4);
    file.insert(file.end(), bytes_.begin(), bytes_.end());
  }

 private:
  std::vector<uint8_t> bytes_;
  int64_t written_ = 0;
};

[[noreturn]] void Refuse(const std::string& why) {
  throw PlayableMidiFileError(why);
}

}  // namespace

PlayableMidiFile PrepareMidiFile(std::span<const uint8_t> bytes) {
  if (bytes.size() < 14 || !std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) {
    Refuse("This is not a Standard MIDI-File !");
  }
  const uint32_t headerLength = BigEndian(bytes, 4, 4);
  if (headerLength < 6 || headerLength > bytes.size() - 8) Refuse("The file's header is damaged.");
  const uint32_t format = BigEndian(bytes, 8, 2);
  const uint32_t tracks = BigEndian(bytes, 10, 2);
  const uint32_t division = BigEndian(bytes, 12, 2);
  if (format > 2) Refuse("The file's header is damaged.");
  if (division & 0x8000) Refuse("This File is not MTC-decoded !");
  if (division == 0) Refuse("The file's header is damaged.");
  if (tracks == 0) Refuse("The file holds no tracks.");

  PlayableMidiFile file;
  file.Division = static_cast<int>(division);
  std::vector<uint8_t> marked;
  marked.insert(marked.end(), bytes.begin(), bytes.begin() + 8 + 6);
  marked[7] = 6;  // the copy's header has the standard length
  marked[4] = marked[5] = marked[6] = 0;
  size_t at = 8 + headerLength;
  for (uint32_t track = 0; track < tracks; ++track) {
    // Chunks of other kinds are skipped, as the standard asks.
    while (true) {
      if (bytes.size() - at < 8) Refuse("The file ends before its last track.");
      const uint32_t length = BigEndian(bytes, at + 4, 4);
      if (length > bytes.size() - at - 8) Refuse("The file ends before its last track.");
      if (std::equal(bytes.begin() + static_cast<ptrdiff_t>(at),
                     bytes.begin() + static_cast<ptrdiff_t>(at) + 4, "MTrk")) {
        break;
      }
      at += 8 + length;
    }
    const uint32_t length = BigEndian(bytes, at + 4, 4);
    MidiTrackReader reader(bytes.subspan(at + 8, length));
    at += 8 + length;
    const std::string damaged = "Track " + std::to_string(track + 1) + " of the file is damaged.";
    MarkedTrack out;
    int64_t tick = 0;
    uint8_t running = 0;
    try {
      while (!reader.AtEnd()) {
        tick += reader.VariableLength();
        if (tick >= kFarTick) Refuse("The file is too long to play.");
        uint8_t first = reader.Byte();
        if (first == 0xFF) {
          const uint8_t type = reader.Byte();
          const auto data = reader.Bytes(reader.VariableLength());
          if (type == 0x2F) break;
          if (type == 0x51 && data.size() == 3) {
            const int tempo = static_cast<int>(BigEndian(data, 0, 3));
            if (tempo == 0) continue;
            file.Tempos.emplace_back(tick, tempo);
            out.Mark(kTickMark, tick);
            const uint8_t event[] = {0xFF, 0x51, 0x03, data[0], data[1], data[2]};
            out.Event(tick, event);
          }
          file.Length = std::max(file.Length, tick);
          continue;  // other meta events mean nothing to an output
        }
        if (first == 0xF0 || first == 0xF7) {
          const auto data = reader.Bytes(reader.VariableLength());
          std::vector<uint8_t> message;
          if (first == 0xF0) message.push_back(0xF0);
          message.insert(message.end(), data.begin(), data.end());
          if (first == 0xF0 && message.back() != 0xF7) message.push_back(0xF7);
          std::vector<uint8_t> index;
          PutBig(index, static_cast<uint32_t>(file.Sysex.size()), 4);
          file.Sysex.push_back(std::move(message));
          out.Mark(kSysexMark, tick, index);
          file.Length = std::max(file.Length, tick);
          running = 0;
          continue;
        }
        uint8_t event[3];
        if (first & 0x80) {
          if (first > 0xEF) Refuse(damaged);
          running = first;
          first = reader.Byte();
        } else if (running == 0) {
          Refuse(damaged);
        }
        const uint8_t kind = running & 0xF0;
        const size_t size = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        event[0] = running;
        event[1] = first & 0x7F;
        if (size == 3) event[2] = reader.Byte() & 0x7F;
        out.Mark(kTickMark, tick);
        out.Event(tick, std::span<const uint8_t>(event, size));
        file.Length = std::max(file.Length, tick);
      }
    } catch (const MidiFileError&) {
      Refuse(damaged);
    }
    // Only the last track runs on: the others end with their music.
    out.End(marked, track + 1 == tracks ? kFarTick : tick);
  }
  std::stable_sort(file.Tempos.begin(), file.Tempos.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (!file.Tempos.empty() && file.Tempos.front().first == 0)
    file.FirstTempoUs = file.Tempos.front().second;
  file.Marked = std::move(marked);
  return file;
}

bool ReadEventMark(std::span<const uint8_t> text, EventMark& mark) {
  if (text.size() < 5 || (text[0] != kTickMark && text[0] != kSysexMark)) return false;
  mark.Sysex = text[0] == kSysexMark;
  if (mark.Sysex && text.size() < 9) return false;
  mark.Tick = BigEndian(text, 1, 4);
  mark.Index = mark.Sysex ? BigEndian(text, 5, 4) : 0;
  return true;
}

}  // namespace korvel
