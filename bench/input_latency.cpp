// Latency from the input driver's callback to the port's handler, at a steady 1000 messages per
// second: the callback writes the ring and wakes the event thread, the handler takes the engine
// lock and drains. Prints p50, p99 and max in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/MidiDevices.h"
#include "midi/TMidiInput.h"
#include "platform/RecordingDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1));
  return values[index];
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  korvel::RecordingDriver driver({}, {"keyboard"});
  korvel::MidiDevices devices(driver, nullptr);
  korvel::ChannelState channels;
  korvel::InputCallbackSettings settings(channels);
  korvel::TMidiInput input(devices, settings);

  std::mutex engineLock;  // stands in for the engine lock the real handler takes
  std::vector<Clock::time_point> sentAt(static_cast<size_t>(seconds) * 1000 + 1);
  std::vector<double> latencies;
  latencies.reserve(sentAt.size());
  input.OnMidiInput = [&](korvel::TMidiInput& port) {
    std::lock_guard lock(engineLock);
    while (auto event = port.GetMidiEvent()) {
      const auto now = Clock::now();
      const size_t index = event->Time;
      latencies.push_back(std::chrono::duration<double, std::micro>(now - sentAt[index]).count());
    }
  };
  input.Open();
  input.Start();

  // Note-ons and note-offs alternate so that thinning never drops one.
  auto next = Clock::now();
  for (size_t i = 0; i + 1 < sentAt.size(); ++i) {
    next += std::chrono::milliseconds(1);
    std::this_thread::sleep_until(next);
    sentAt[i] = Clock::now();
    const uint32_t packed = (i % 2 ? 0x80 : 0x90) | (60u << 8) | (100u << 16);
    driver.Inject("keyboard", packed, static_cast<uint32_t>(i));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  input.Close();

  std::lock_guard lock(engineLock);
  std::printf("input latency, callback to handler, %zu messages at 1000/s\n", latencies.size());
  std::printf("p50 %.1f us\np99 %.1f us\nmax %.1f us\ndropped %llu\n", Percentile(latencies, 0.5),
              Percentile(latencies, 0.99), Percentile(latencies, 1.0),
              static_cast<unsigned long long>(input.DroppedCount()));
  return 0;
}
