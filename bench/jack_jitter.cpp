// How exactly Korvel's JACK output places what the engine sends: a thread plays the engine's
// part, sending a note at deadlines 2.37 ms apart (so they fall everywhere in a period) for
// 10 s by default, each stamped with its deadline as the clock thread stamps its ticks; a
// recorder on libjack stamps every arrival by its frame. Run it against a JACK server (e.g.
// KORVEL_JACK_PERIOD=64 tests/with-jack build/bench/jack_jitter [seconds]). Prints, in
// microseconds (p50, p99, max of the absolute values):
//   placement: the frame each note arrived at against the frame of its deadline one period
//     later, as JACK's clock gave it at the send: the driver's own error (late, or held back);
//   end to end: arrival frames against the deadlines, after a straight line through them takes
//     out the latency and the server's clock rate: this includes how steadily the server runs.
#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/ClockThread.h"
#include "platform/IntendedTime.h"
#include "platform/JackClient.h"
#include "platform/JackMidiDriver.h"
#include "support/JackCapture.h"

namespace {

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

void Print(const char* what, const std::vector<double>& us) {
  std::printf("%-11s p50 %7.1f  p99 %7.1f  max %7.1f us\n", what, Percentile(us, 0.5),
              Percentile(us, 0.99), Percentile(us, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  korvel::test::JackRecorder recorder("jitter");
  korvel::JackMidiDriver driver;
  if (!driver.Problem().empty()) {
    std::fprintf(stderr, "%s\n", driver.Problem().c_str());
    return 1;
  }
  auto out = driver.OpenOutput(0, recorder.PortName());
  recorder.WaitConnected();
  jack_client_t* client = recorder.Handle();
  const jack_nframes_t period = jack_get_buffer_size(client);
  const double rate = jack_get_sample_rate(client);

  constexpr int64_t kSpacing = 2'370'000;  // ns
  // At most 128 x 127 notes, each numbered by its note and velocity.
  const auto count = std::min<size_t>(static_cast<size_t>(seconds * 1e9 / kSpacing), 128 * 127);
  std::vector<int64_t> deadlines;
  std::vector<jack_nframes_t> targets;
  const int64_t start = korvel::MonotonicNanos() + 100'000'000;
  for (size_t i = 0; i < count; ++i) {
    const int64_t deadline = start + static_cast<int64_t>(i) * kSpacing;
    const timespec at{static_cast<time_t>(deadline / 1'000'000'000),
                      static_cast<long>(deadline % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
    const korvel::IntendedTime meant(deadline);
    targets.push_back(jack_time_to_frames(client, korvel::JackTimeOf(deadline)) + period);
    deadlines.push_back(deadline);
    out->SendShort(0x90 | (i % 128) << 8 | (1 + (i / 128) % 127) << 16);
  }
  out.reset();  // sends what is still queued
  const auto events = recorder.Events();

  std::vector<double> placement;
  std::vector<std::pair<double, double>> pairs;  // deadline, frame (both in us)
  for (const auto& e : events) {
    const size_t i = e.Message[1] + 128 * static_cast<size_t>(e.Message[2] - 1);
    if (i >= count) continue;
    placement.push_back(std::abs(static_cast<int32_t>(e.Frame - targets[i])) * 1e6 / rate);
    pairs.push_back({static_cast<double>(deadlines[i] - start) / 1e3,
                     static_cast<int32_t>(e.Frame - events.front().Frame) * 1e6 / rate});
  }
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& [x, y] : pairs) {
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double n = static_cast<double>(pairs.size());
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  const double intercept = (sy - slope * sx) / n;
  std::vector<double> endToEnd;
  for (const auto& [x, y] : pairs) endToEnd.push_back(std::abs(y - (intercept + slope * x)));

  std::printf(
      "period %u frames at %.0f Hz: %zu sent, %zu arrived (the server skipped the recorder in %zu "
      "cycles); server clock rate %.4f\n",
      period, rate, count, events.size(), recorder.MissedCycles(), slope);
  Print("placement", placement);
  Print("end to end", endToEnd);
  return events.size() == count ? 0 : 1;
}
