// Korvel's one client on a JACK server: it registers the MIDI ports of every connection and
// serves them all from one process callback. The callback never locks or allocates: the ports it
// serves sit in a fixed table of atomic slots, and a connection leaves the table only once the
// callback is no longer looking at it.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace korvel {

// What the process callback serves: one port's work for the cycle that starts at frame
// `cycleStart` and lasts `frames`.
class JackPortUser {
 public:
  virtual ~JackPortUser() = default;
  virtual void Process(jack_nframes_t frames, jack_nframes_t cycleStart) = 0;
};

class JackClient {
 public:
  // Opens and activates the client; null, with the reason in `problem`, when no server runs.
  static std::shared_ptr<JackClient> Open(std::string& problem);
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  jack_client_t* Handle() const { return client_; }
  // False once the server has shut the client down.
  bool Alive() const { return alive_.load(); }

  // A MIDI port of this client named `name`, or `name` with a number when that is taken;
  // `flags` is JackPortIsOutput or JackPortIsInput. Null when JACK refuses.
  jack_port_t* RegisterPort(const std::string& name, unsigned long flags);
  // From the next cycle on, `user` is served; false when every slot is taken.
  bool Attach(JackPortUser& user);
  // When it returns, the callback is not serving `user` and never will again.
  void Detach(JackPortUser& user);

  // Waits while `done` is false and the server goes on cycling. False when it stopped cycling
  // for `stall` (or shut down) first.
  bool WaitWhileCycling(const std::function<bool()>& done,
                        std::chrono::milliseconds stall = std::chrono::milliseconds(1000)) const;
  // Waits until `count` more cycles have run; false when the server stopped first.
  bool WaitCycles(int count) const;

 private:
  explicit JackClient(jack_client_t* client) : client_(client) {}
  static int Process(jack_nframes_t frames, void* self);
  static void Shutdown(jack_status_t code, const char* reason, void* self);

  jack_client_t* client_;
  static constexpr size_t kSlots = 64;
  std::array<std::atomic<JackPortUser*>, kSlots> users_{};
  std::atomic<bool> processing_{false};
  std::atomic<uint64_t> cycles_{0};
  std::atomic<bool> alive_{true};
  std::mutex attachMutex_;  // one attach or detach at a time
};

// Korvel's relation between the monotonic clock the engine runs on and JACK's microsecond clock:
// the age of a moment on one clock is the same age on the other, read side by side now. JACK
// counts time on its own clock (CLOCK_MONOTONIC under jackd and PipeWire alike, but nothing
// here depends on that).
jack_time_t JackTimeOf(int64_t monotonicNanos);
int64_t MonotonicOf(jack_time_t jackMicros);

}  // namespace korvel
