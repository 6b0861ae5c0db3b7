// What reading a Standard MIDI File into work material costs: format-1 files of 10 KB to 1 MB
// with sixteen tracks of notes under running status, controllers, pitch bends, lyrics and a
// system-exclusive message now and then. The counter "MB/s" is file bytes read per second. The
// work material holds at most seven chunks: a file whose material does not fit is read up to
// there ("Sorry - Out of Memory !"), and the rate counts the bytes read until then.
//
// `midi_import --write-files DIR` writes the same files, for comparing with other readers
// (bench/midi_read_python.py).
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "stylegen/MidiImport.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutVariableLength(Bytes& out, uint32_t value) {
  uint8_t bytes[4];
  int count = 0;
  do {
    bytes[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value > 0 && count < 4);
  while (count > 1) out.push_back(bytes[--count] | 0x80);
  out.push_back(bytes[0]);
}

void PutBigEndian(Bytes& out, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// One track of about `size` bytes on `channel`, division 480.
Bytes Track(int channel, size_t size, std::mt19937& random) {
  Bytes t;
  const auto status = [channel](int type) { return static_cast<uint8_t>(type | channel); };
  t.insert(t.end(), {0x00, status(0xC0), static_cast<uint8_t>(random() % 128)});
  t.insert(t.end(), {0x00, status(0xB0), 7, 100});
  uint8_t running = 0;
  while (t.size() < size) {
    const unsigned kind = random() % 16;
    if (kind < 10) {  // a note: on, then off by velocity 0 under running status
      const auto note = static_cast<uint8_t>(36 + random() % 48);
      PutVariableLength(t, random() % 240);
      if (running != status(0x90)) t.push_back(running = status(0x90));
      t.insert(t.end(), {note, static_cast<uint8_t>(1 + random() % 127)});
      PutVariableLength(t, 60 + random() % 420);
      t.insert(t.end(), {note, 0});
    } else if (kind < 13) {  // a run of pitch bends
      PutVariableLength(t, 10);
      t.push_back(running = status(0xE0));
      for (int i = 0; i < 8; ++i) {
        if (i > 0) PutVariableLength(t, 10);
        t.insert(t.end(), {static_cast<uint8_t>(random() % 128), static_cast<uint8_t>(64 + i)});
      }
    } else if (kind < 15) {  // a controller
      PutVariableLength(t, random() % 100);
      t.insert(t.end(), {running = status(0xB0), 11, static_cast<uint8_t>(random() % 128)});
    } else {
      if (random() % 8 == 0) {  // system exclusive
        t.insert(t.end(), {0x00, 0xF0, 0x08, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0xF7});
      } else {  // a lyric
        t.insert(t.end(), {0x00, 0xFF, 0x05, 0x04, 'l', 'a', '-', 'a'});
      }
      running = 0;  // some readers do not keep running status across them
    }
  }
  t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
  return t;
}

Bytes MidiFileOfSize(size_t size) {
  std::mt19937 random(static_cast<uint32_t>(size));
  constexpr int kTracks = 16;
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kTracks, 0x01, 0xE0};
  for (int channel = 0; channel < kTracks; ++channel) {
    const Bytes track = Track(channel, size / kTracks - 12, random);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

const std::vector<size_t> kSizes = {10'000, 100'000, 300'000, 1'000'000};

void BM_ReadMidiFile(benchmark::State& state) {
  const Bytes file = MidiFileOfSize(static_cast<size_t>(state.range(0)));
  size_t read = 0;
  korvel::MidiReadSettings settings;
  settings.Progress = [&read](size_t bytes, size_t) { read = bytes; };
  bool full = false;
  for (auto _ : state) {
    const auto result = korvel::ReadMidiFile(file, settings);
    full = result.OutOfMemory;
    benchmark::DoNotOptimize(result.Clocks);
  }
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(read) * 1e-6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.counters["read%"] = 100.0 * static_cast<double>(read) / static_cast<double>(file.size());
  state.SetLabel(std::to_string(file.size()) + " bytes" + (full ? ", material full" : ""));
}
BENCHMARK(BM_ReadMidiFile)->Arg(10'000)->Arg(100'000)->Arg(300'000)->Arg(1'000'000);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-files") == 0) {
    std::filesystem::create_directories(argv[2]);
    for (size_t size : kSizes) {
      const auto path = std::filesystem::path(argv[2]) / (std::to_string(size) + ".mid");
      korvel::WriteFileAtomically(path.string(), MidiFileOfSize(size));
      std::cout << path.string() << "\n";
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
