// How steady the clock is: the real clock thread runs at 60, 120 and 250 BPM (10 s each by
// default) in master mode into the recording driver, and every tick's time is compared with the
// ideal schedule. Prints the tempo error in ppm and the jitter (min, p50, p99, max) in
// microseconds, then the cost of one idle ClockTick.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "app/HeadlessUi.h"
#include "engine/Transport.h"
#include "platform/ClockThread.h"
#include "platform/RecordingDriver.h"

namespace {

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

struct Rig {
  korvel::RecordingDriver driver{{"Module"}, {}};
  korvel::MidiDevices devices{driver, nullptr};
  korvel::ChannelState channels;
  korvel::InputCallbackSettings input{channels};
  korvel::TextDialogs dialogs{nullptr};
  korvel::NoView view;
  korvel::MidiPorts ports{devices, input, dialogs, korvel::InputDispatch::Manual};
  korvel::EngineLock lock;
  std::vector<int64_t> times;
  korvel::ClockThread clock{lock,
                            [this] {
                              times.push_back(korvel::MonotonicNanos());
                              transport.ClockTick();
                            },
                            [this](const std::string& error) { dialogs.ReportError(error); },
                            [this] { transport.ClockStalled(); }};
  korvel::Transport transport{ports, input, clock, view};

  Rig() {
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();
    transport.MasterMode = true;
  }
};

void Measure(int tempo, double seconds) {
  Rig rig;
  rig.times.reserve(static_cast<size_t>(seconds * tempo * 24 / 60 + 100));
  {
    std::lock_guard lock(rig.lock);
    rig.transport.Tempo = tempo;
    rig.transport.ToggleClock();
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  std::lock_guard lock(rig.lock);
  rig.transport.ToggleClock();

  const auto& t = rig.times;
  const double period = 2.5e9 / tempo;
  const size_t n = t.size();
  const double elapsed = static_cast<double>(t.back() - t.front());
  // The measured period is the least-squares slope of tick time over tick number, so the jitter
  // of the first and last tick does not pass for a tempo error.
  double sumK = 0, sumT = 0, sumKK = 0, sumKT = 0;
  for (size_t k = 0; k < n; ++k) {
    const double x = static_cast<double>(k);
    const double y = static_cast<double>(t[k] - t[0]);
    sumK += x;
    sumT += y;
    sumKK += x * x;
    sumKT += x * y;
  }
  const double count = static_cast<double>(n);
  const double slope = (count * sumKT - sumK * sumT) / (count * sumKK - sumK * sumK);
  const double ppm = (slope / period - 1.0) * 1e6;
  std::vector<double> offsets;
  for (size_t k = 0; k < n; ++k) {
    offsets.push_back(static_cast<double>(t[k] - t[0]) - static_cast<double>(k) * period);
  }
  const double median = Percentile(offsets, 0.5);
  std::vector<double> jitter;
  for (double offset : offsets) jitter.push_back(std::fabs(offset - median) / 1000.0);
  std::printf(
      "%3d BPM: %zu clocks in %.1f s, tempo error %+.2f ppm, jitter min %.1f us, p50 %.1f us, "
      "p99 %.1f us, max %.1f us, dropped %llu, real-time %s\n",
      tempo, n, elapsed / 1e9, ppm, Percentile(jitter, 0.0), Percentile(jitter, 0.5),
      Percentile(jitter, 0.99), Percentile(jitter, 1.0),
      static_cast<unsigned long long>(rig.clock.Dropped()), rig.clock.Realtime() ? "yes" : "no");
}

void IdleTickCost() {
  Rig rig;
  rig.transport.MasterMode = false;
  rig.transport.ClockState = 1;  // running, with nothing to play
  constexpr int kTicks = 2'000'000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kTicks; ++i) rig.transport.ClockTick();
  const auto ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start);
  std::printf("idle ClockTick: %.1f ns\n", ns.count() / kTicks);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  for (int tempo : {60, 120, 250}) Measure(tempo, seconds);
  IdleTickCost();
  return 0;
}
