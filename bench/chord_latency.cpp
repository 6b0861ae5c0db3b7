// From the input driver's callback of a chord's third note to the chord being applied and
// sent (clock stopped: the chord signal on the signal port), while another stream of 1000
// messages per second shares the input. Prints p50 and p99 in microseconds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "platform/RecordingDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const int chords = argc > 1 ? std::atoi(argv[1]) : 2000;
  korvel::RecordingDriver driver({"Module"}, {"Keys"});
  driver.SetTimeSource(Now);
  korvel::MidiDevices devices(driver, nullptr);
  korvel::ChannelState channels;
  korvel::InputCallbackSettings input(channels);
  korvel::NoView view;
  korvel::TextDialogs dialogs(nullptr);
  korvel::Engine engine(devices, input, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();
    engine.Ports.ExtMidiInList = 0;
    engine.Ports.ExtMidiInChange();
    if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
    engine.Live.TriggerVelocity = 100;
  }
  std::atomic<bool> done{false};
  std::thread background([&] {  // pitch bend on another channel, 1000 per second
    auto next = Clock::now();
    for (int i = 0; !done; ++i) {
      next += std::chrono::milliseconds(1);
      std::this_thread::sleep_until(next);
      driver.Inject("Keys", 0xE5 | ((i % 128) << 8) | (64 << 16));
    }
  });
  const int roots[] = {48, 50, 52, 53, 55, 57};
  std::vector<double> latencies;
  for (int i = 0; i < chords; ++i) {
    const int root = roots[i % 6];
    driver.ClearSent();
    driver.Inject("Keys", 0x90 | (root << 8) | (100 << 16));
    driver.Inject("Keys", 0x90 | ((root + 4) << 8) | (100 << 16));
    const int64_t start = Now();
    driver.Inject("Keys", 0x90 | ((root + 7) << 8) | (100 << 16));
    for (int wait = 0; wait < 1000; ++wait) {
      bool seen = false;
      for (const auto& m : driver.Sent()) {
        if (m.Device == "Module" && m.Bytes.size() == 3 && m.Bytes[0] == 0x90 &&
            m.Bytes[2] == 100) {
          latencies.push_back(static_cast<double>(m.TimeUs - start) / 1000.0);
          seen = true;
          break;
        }
      }
      if (seen) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    for (int note : {root, root + 4, root + 7}) driver.Inject("Keys", 0x80 | (note << 8));
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  done = true;
  background.join();
  std::sort(latencies.begin(), latencies.end());
  if (latencies.empty()) return 1;
  std::printf("chord latency, third note to chord signal, %zu chords, 1000 msg/s beside\n",
              latencies.size());
  std::printf("p50 %.1f us\np99 %.1f us\nmax %.1f us\n", latencies[latencies.size() / 2],
              latencies[latencies.size() * 99 / 100], latencies.back());
  return 0;
}
