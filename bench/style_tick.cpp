// What the accompaniment costs per MIDI clock: ClockTick with the style player on a dense
// 16-channel style (a note on every channel every sixteenth), and a chord change that re-voices
// sounding notes on 15 channels. At 250 BPM a clock lasts 10 ms; the goal is well under 1 % of
// that. The recording driver stands in for the output, so the figures include its bookkeeping.
//
//   style_tick                 Google Benchmark figures (ns per tick, per chord change)
//   style_tick count N         runs N ticks and nothing else, for instruction counts:
//                              valgrind --tool=callgrind build/bench/style_tick count 100000
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "support/PlayerRig.h"

namespace {

using korvel::test::FixtureEvent;

// Four measures; every channel but the drums plays sixteenths, the drums play eighths.
korvel::test::StyleFixture DenseStyle() {
  std::vector<FixtureEvent> events;
  for (int clock = 0; clock < 4 * 96; clock += 6) {
    for (int channel = 0; channel < 16; ++channel) {
      if (channel == korvel::kDrumChannel && clock % 12 != 0) continue;
      const auto status = static_cast<uint8_t>(0x90 | channel);
      const auto note = static_cast<uint8_t>(48 + (clock / 6 + channel) % 24);
      events.push_back({clock, status, note, 90});
      events.push_back({clock + 5, status, note, 0});
    }
    events.push_back({clock, 0xB0, 11, static_cast<uint8_t>(64 + clock % 32)});  // expression
  }
  korvel::test::StyleFixture fixture;
  fixture.Part(korvel::kBasic, 4, events);
  for (int channel = 0; channel < 16; ++channel) {
    fixture.Channels().SetValue(channel, korvel::ChannelState::kProgramIndex, 48);  // strings
  }
  return fixture;
}

struct Playing {
  korvel::test::PlayerRig rig;
  Playing() {
    auto fixture = DenseStyle();
    rig.Load(fixture);
    rig.Start();
    rig.Chord(48, 1);
  }
  void Tick() {
    rig.Ticks(1);
    if (rig.tick % 4096 == 0) rig.driver.ClearSent();
  }
};

void BM_ClockTickWithStyle(benchmark::State& state) {
  Playing playing;
  for (auto _ : state) playing.Tick();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClockTickWithStyle);

void BM_ChordChangeRevoicing(benchmark::State& state) {
  Playing playing;
  playing.rig.Ticks(3);  // notes sound on every channel
  int type = 1;
  for (auto _ : state) {
    type = type == 1 ? 2 : 1;
    playing.rig.notes.NoteVelocity[0][128] = 1;  // keep every channel due for re-voicing
    for (auto& channel : playing.rig.notes.NoteVelocity) channel[128] = 1;
    playing.rig.player.RevoiceSounding(16, 48, false, false, type);
    if (++playing.rig.tick % 512 == 0) playing.rig.driver.ClearSent();
  }
}
BENCHMARK(BM_ChordChangeRevoicing);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "count") == 0) {
    Playing playing;
    const long ticks = std::atol(argv[2]);
    for (long i = 0; i < ticks; ++i) playing.Tick();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
