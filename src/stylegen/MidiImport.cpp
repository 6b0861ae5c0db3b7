#include "stylegen/MidiImport.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <queue>
#include <sstream>
#include <vector>

#include "engine/Transport.h"
#include "midi/ChannelState.h"

namespace korvel {

namespace {

constexpr size_t kHeaderSize = 14;

class FileReader {
 public:
  FileReader(std::span<const uint8_t> bytes, const MidiReadSettings& settings,
             MidiReadResult& result)
      : bytes_(bytes),
        settings_(settings),
        result_(result),
        writer_(result.Work),
        silence_(settings.OptimizeTiming),
        captureArmed_(settings.CaptureTempo) {
    // Until the file says otherwise it is in 4/4.
    result_.MeasureSixteenths = settings.TakeMetre
                                    ? kTimeSignatureRows[kFourFourRow].MeasureSixteenths
                                    : settings.MeasureSixteenths;
  }

  void Read() {
    ReadHeader();
    FindTracks();
    for (auto& track : tracks_) {
      if (track.AtEnd()) {
        track.Finished = true;
      } else {
        track.NextTime = track.VariableLength();
      }
    }
    MergeTracks();
    writer_.Finish();
    if (settings_.TakeMetre && !sawSignature_) result_.MetreRow = kFourFourRow;
    for (int c = 0; c < 16; ++c) {
      for (int i = 0; i < kChannelRecordSize; ++i) {
        result_.FirstValues[static_cast<size_t>(c)][static_cast<size_t>(i)] =
            channels_.ChannelStateValue(c, i);
      }
    }
    if (!settings_.Progress) return;
    if (result_.OutOfMemory) {
      ReportProgress();  // as far as the material goes
    } else {
      settings_.Progress(bytes_.size(), bytes_.size());
    }
  }

 private:
  void ReadHeader() {
    if (bytes_.size() < kHeaderSize || std::memcmp(bytes_.data(), "MThd", 4) != 0) {
      throw MidiFileError(MidiFileError::NotStandardMidiFile);
    }
    const uint32_t headerLength = BigEndian(bytes_, 4, 4);
    if (headerLength < 6) throw MidiFileError(MidiFileError::NotStandardMidiFile);
    result_.Format = bytes_[9];
    result_.Tracks = static_cast<int>(BigEndian(bytes_, 10, 2));
    if (bytes_[12] > 127) throw MidiFileError(MidiFileError::NotMtcDecoded);
    result_.Division = static_cast<int>(BigEndian(bytes_, 12, 2));
    // A division of 0 measures no time: its ticks are taken as clocks.
    division_ = result_.Division > 0 ? result_.Division : 24;
    firstChunk_ = 8 + uint64_t{headerLength};
  }

  // Track chunks follow each other by their declared lengths; chunks of other kinds are
  // stepped over, as the standard asks. A track that runs past the end of the file is read
  // as far as the file goes.
  void FindTracks() {
    const int wanted = std::min(result_.Tracks, kMaxMidiTracks);
    uint64_t offset = firstChunk_;
    while (static_cast<int>(tracks_.size()) < wanted) {
      if (offset + 8 > bytes_.size()) throw MidiFileError(MidiFileError::NotStandardMidiFile);
      const uint64_t length = BigEndian(bytes_, static_cast<size_t>(offset) + 4, 4);
      const uint64_t start = offset + 8;
      if (std::memcmp(bytes_.data() + offset, "MTrk", 4) == 0) {
        const uint64_t available = std::min<uint64_t>(length, bytes_.size() - start);
        tracks_.emplace_back(
            bytes_.subspan(static_cast<size_t>(start), static_cast<size_t>(available)));
        result_.TracksRead = static_cast<int>(tracks_.size());
      }
      offset = start + length;
    }
  }

  // The clock nearest to `tick`, from the tick itself, so that no rounding adds up over a
  // file; a tick halfway between two clocks belongs to the earlier.
  int64_t ClocksAt(int64_t tick) const { return (tick * 48 + division_ - 1) / (2 * division_); }

  // Tick by tick: the clocks up to a tick, then the events of every track at that tick in
  // track order (the queue orders tracks of one tick by their number). The material ends with
  // the last track's end.
  void MergeTracks() {
    struct Due {
      int64_t Tick;
      size_t Track;
    };
    const auto later = [](const Due& a, const Due& b) {
      return a.Tick != b.Tick ? a.Tick > b.Tick : a.Track > b.Track;
    };
    std::priority_queue<Due, std::vector<Due>, decltype(later)> due(later);
    for (size_t t = 0; t < tracks_.size(); ++t) {
      if (!tracks_[t].Finished) due.push({tracks_[t].NextTime, t});
    }
    int events = 0;
    while (!due.empty()) {
      Due next = due.top();
      due.pop();
      MidiTrackReader& track = tracks_[next.Track];
      // The track goes on while its next event is still the earliest of all.
      for (bool earliest = true; earliest;) {
        if (!AdvanceTo(ClocksAt(next.Tick))) return;
        if (!HandleEvent(track)) return;
        if (track.Finished) break;
        if (track.AtEnd()) {
          track.Finished = true;  // no end-of-track event: the track ends with its bytes
          break;
        }
        const uint32_t delta = track.VariableLength();
        track.NextTime += delta;
        next.Tick = track.NextTime;
        earliest = delta == 0 || due.empty() || !later(next, due.top());
        if (!earliest) due.push(next);
        if (settings_.Progress && (++events & 1023) == 0) ReportProgress();
      }
    }
    int64_t end = 0;
    for (const auto& track : tracks_) end = std::max(end, track.NextTime);
    if (AdvanceTo(ClocksAt(end)) && silence_) EndLeadingSilence();
  }

  void ReportProgress() {
    size_t read = static_cast<size_t>(firstChunk_);
    for (const auto& track : tracks_) read += track.Position() + 8;
    settings_.Progress(std::min(read, bytes_.size()), bytes_.size());
  }

  // The file has reached `clocks` from its start: the clocks up to there are written, unless
  // they may belong to leading silence. False when the chain is full.
  bool AdvanceTo(int64_t clocks) {
    fileClocks_ = std::max(fileClocks_, clocks);
    const int16_t m = result_.MeasureSixteenths;
    if (captureArmed_ && (m / 4) * m < fileClocks_ / 24 * 4) captureArmed_ = false;
    return silence_ || WriteClocks(fileClocks_ - dropped_);
  }

  // The first note-on (or the end of a file without one) ends the leading silence: its whole
  // measures are left out, so that the material keeps the file's bar lines.
  bool EndLeadingSilence() {
    silence_ = false;
    const int64_t measure = int64_t{std::max<int16_t>(result_.MeasureSixteenths, 1)} * 6;
    dropped_ = fileClocks_ / measure * measure;
    return WriteClocks(fileClocks_ - dropped_);
  }

  // Writes clocks until the material holds `clocks`; false when the chain is full.
  bool WriteClocks(int64_t clocks) {
    while (result_.Clocks < clocks) {
      const int count = static_cast<int>(std::min<int64_t>(clocks - result_.Clocks, 1 << 20));
      if (!writer_.Clocks(count)) {
        result_.OutOfMemory = true;
        return false;
      }
      result_.Clocks += count;
    }
    return true;
  }

  // False when the chain is full.
  bool HandleEvent(MidiTrackReader& track) {
    const uint8_t b = track.Byte();
    if (b < 0xF0) return ChannelMessage(track, b);
    if (b == 0xF0 || b == 0xF7) {
      track.Bytes(track.VariableLength());
      return true;
    }
    if (b != 0xFF) throw MidiFileError(MidiFileError::UnknownCode);
    const uint8_t type = track.Byte();
    if (type == 0x2F) {
      track.Finished = true;
      return true;
    }
    const auto data = track.Bytes(track.VariableLength());
    if (type == 0x51 && captureArmed_ && data.size() >= 3) {
      const uint32_t microseconds = BigEndian(data, 0, 3);
      if (microseconds > 0) result_.Tempo = static_cast<int>(60'000'000 / microseconds);
    } else if (type == 0x58 && settings_.TakeMetre && data.size() >= 4) {
      TimeSignature(data);
    }
    return true;
  }

  bool ChannelMessage(MidiTrackReader& track, uint8_t b) {
    uint8_t status = b;
    uint8_t data1;
    if (b < 0x80) {
      if (track.RunningStatus == 255) throw MidiFileError(MidiFileError::UnknownCode);
      status = track.RunningStatus;
      data1 = b;
    } else {
      track.RunningStatus = b;
      data1 = track.Byte();
    }
    const int type = status & 0xF0;
    uint8_t data2 = 0;
    if (type != 0xC0 && type != 0xD0) data2 = track.Byte();
    if (data1 >= 0x80 || data2 >= 0x80) throw MidiFileError(MidiFileError::UnknownCode);
    const auto channel = static_cast<uint8_t>(status & 0x0F);
    if (type >= 0xB0 && type <= 0xD0) {
      channels_.ThinRepeated(static_cast<uint8_t>(type), channel, data1, data2, true);
    }
    if (type == 0x90) {
      result_.HasNotes[channel] = true;
      if (silence_ && !EndLeadingSilence()) return false;
    }
    if (!writer_.Message(status, data1, data2)) {
      result_.OutOfMemory = true;
      return false;
    }
    return true;
  }

  // A signature without a row changes nothing: the metre in force before the file stays.
  void TimeSignature(std::span<const uint8_t> data) {
    if (!sawSignature_) result_.MeasureSixteenths = settings_.MeasureSixteenths;
    sawSignature_ = true;
    for (size_t row = 0; row < kTimeSignatureRows.size(); ++row) {
      const TimeSignatureRow& r = kTimeSignatureRows[row];
      if (data[0] == r.Numerator && data[1] == r.DenominatorPower) {
        result_.MetreRow = static_cast<int>(row);
        result_.MeasureSixteenths = r.MeasureSixteenths;
        return;
      }
    }
  }

  std::span<const uint8_t> bytes_;
  const MidiReadSettings& settings_;
  MidiReadResult& result_;
  WorkWriter writer_;
  ChannelState channels_;
  std::vector<MidiTrackReader> tracks_;
  uint64_t firstChunk_ = kHeaderSize;
  int division_ = 24;
  int64_t fileClocks_ = 0;  // clocks from the start of the file
  int64_t dropped_ = 0;     // clocks of leading silence left out
  bool silence_;            // no note-on yet, and leading silence is to be left out
  bool captureArmed_;
  bool sawSignature_ = false;
};

}  // namespace

MidiReadResult ReadMidiFile(std::span<const uint8_t> bytes, const MidiReadSettings& settings) {
  MidiReadResult result;
  try {
    if (!result.Work.AllocateWork()) throw MidiFileError(MidiFileError::OutOfMemory);
    FileReader(bytes, settings, result).Read();
  } catch (const std::bad_alloc&) {
    throw MidiFileError(MidiFileError::OutOfMemory);
  }
  return result;
}

std::string MidiReadText(const MidiReadResult& result, const std::string& metre, bool events) {
  std::ostringstream out;
  out << "format " << result.Format << "\n"
      << "tracks " << result.TracksRead << "\n"
      << "division " << result.Division << "\n"
      << "tempo " << (result.Tempo > 0 ? std::to_string(result.Tempo) : "none") << "\n"
      << "metre " << (result.MetreRow >= 0 ? kMetreNames[result.MetreRow] : metre) << "\n"
      << "clocks " << result.Clocks << "\n";
  if (!events) return out.str();
  int64_t clock = 0;
  WalkMaterial(
      result.Work, [&clock](int clocks) { clock += clocks; },
      [&](uint8_t status, uint8_t data1, uint8_t data2) {
        out << "event " << clock << " " << int{status} << " " << int{data1} << " " << int{data2}
            << "\n";
      });
  out << "end\n";
  return out.str();
}

void WalkMaterial(const WorkMaterial& work, const std::function<void(int clocks)>& clocks,
                  const std::function<void(uint8_t, uint8_t, uint8_t)>& message) {
  for (size_t chunk = 0; chunk < kChainLength; ++chunk) {
    const WorkChunkEntry& entry = work.Chunks[chunk];
    if (!entry.Allocated || !entry.Data) return;
    const WorkChunk& data = *entry.Data;
    const size_t used = std::min<size_t>(entry.UsedLength, kChunkSize);
    size_t position = 0;
    bool next = false;
    while (position < used) {
      const uint8_t b = data[position];
      if (b == kContinuation) {
        next = true;
        break;
      }
      if (b == 0) return;
      if (IsTimeByte(b)) {
        clocks(ClocksOf(b));
        ++position;
      } else if (b >= 0x80 && position + 2 < kChunkSize) {
        message(b, data[position + 1], data[position + 2]);
        position += 3;
      } else {
        ++position;  // not a channel message: stepped over
      }
    }
    // Writers put the continuation marker just past the used bytes.
    if (!next) next = position == used && data[used] == kContinuation;
    if (!next) return;
  }
}

bool AppendOnBarLine(WorkMaterial& to, const WorkMaterial& from, int measureSixteenths) {
  int64_t clocksBefore = 0;
  WalkMaterial(
      to, [&clocksBefore](int clocks) { clocksBefore += clocks; }, [](auto...) {});
  int last = 0;
  while (last + 1 < kChainLength && to.Chunks[static_cast<size_t>(last + 1)].Allocated) ++last;
  to.CurrentChunk = static_cast<int16_t>(last);
  to.WorkSixteenths = static_cast<int16_t>(clocksBefore / 24 * 4);
  WorkWriter writer(to, static_cast<int32_t>(to.Chunks[static_cast<size_t>(last)].UsedLength),
                    clocksBefore);
  const int64_t measure = std::max(measureSixteenths / 4, 1) * 24;
  bool room = writer.Clocks(static_cast<int>((measure - clocksBefore % measure) % measure));
  writer.BreakTime();
  WalkMaterial(
      from, [&](int clocks) { room = room && writer.Clocks(clocks); },
      [&](uint8_t status, uint8_t data1, uint8_t data2) {
        room = room && writer.Message(status, data1, data2);
      });
  writer.Finish();
  // The writer counts the whole last chunk, whose old bytes the length held already.
  to.WorkLength = 0;
  for (int chunk = 0; chunk <= to.CurrentChunk; ++chunk) {
    to.WorkLength += static_cast<int32_t>(to.Chunks[static_cast<size_t>(chunk)].UsedLength);
  }
  return room;
}

}  // namespace korvel
