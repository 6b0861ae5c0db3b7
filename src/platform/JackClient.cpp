#include "platform/JackClient.h"

#include <jack/midiport.h>

#include <thread>

#include "platform/ClockThread.h"
#include "platform/SystemMidi.h"

namespace korvel {
namespace {

void QuietJackMessages() {
  static std::once_flag once;
  // libjack prints every failed connection attempt to the terminal; Korvel reports in words.
  std::call_once(once, [] {
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
  });
}

}  // namespace

std::shared_ptr<JackClient> JackClient::Open(std::string& problem) {
  QuietJackMessages();
  jack_status_t status;
  jack_client_t* handle = jack_client_open(kClientName, JackNoStartServer, &status);
  if (!handle) {
    problem = "The JACK server is not running: start it to reach other MIDI programs.";
    return nullptr;
  }
  std::shared_ptr<JackClient> client(new JackClient(handle));
  jack_set_process_callback(handle, &JackClient::Process, client.get());
  jack_on_info_shutdown(handle, &JackClient::Shutdown, client.get());
  if (jack_activate(handle) != 0) {
    problem = "The JACK server refused to run Korvel's client.";
    return nullptr;
  }
  return client;
}

JackClient::~JackClient() {
  jack_client_close(client_);
}

int JackClient::Process(jack_nframes_t frames, void* self) {
  auto* me = static_cast<JackClient*>(self);
  // Sequentially consistent with Detach: either Detach sees this cycle running and waits for it,
  // or this cycle sees the emptied slot.
  me->processing_.store(true);
  const jack_nframes_t start = jack_last_frame_time(me->client_);
  for (auto& slot : me->users_) {
    if (JackPortUser* user = slot.load()) user->Process(frames, start);
  }
  me->processing_.store(false);
  me->cycles_.fetch_add(1);
  return 0;
}

void JackClient::Shutdown(jack_status_t, const char*, void* self) {
  static_cast<JackClient*>(self)->alive_.store(false);
}

jack_port_t* JackClient::RegisterPort(const std::string& name, unsigned long flags) {
  const std::string own = std::string(jack_get_client_name(client_)) + ":";
  std::string unique = name;
  for (int n = 2; jack_port_by_name(client_, (own + unique).c_str()); ++n) {
    unique = name + " " + std::to_string(n);
  }
  return jack_port_register(client_, unique.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
}

bool JackClient::Attach(JackPortUser& user) {
  std::lock_guard lock(attachMutex_);
  for (auto& slot : users_) {
    if (!slot.load()) {
      slot.store(&user);
      return true;
    }
  }
  return false;
}

void JackClient::Detach(JackPortUser& user) {
  std::lock_guard lock(attachMutex_);
  for (auto& slot : users_) {
    if (slot.load() == &user) slot.store(nullptr);
  }
  while (processing_.load()) std::this_thread::yield();
}

bool JackClient::WaitWhileCycling(const std::function<bool()>& done,
                                  std::chrono::milliseconds stall) const {
  using Clock = std::chrono::steady_clock;
  uint64_t seen = cycles_.load();
  auto progress = Clock::now();
  while (!done()) {
    if (!alive_.load()) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (const uint64_t now = cycles_.load(); now != seen) {
      seen = now;
      progress = Clock::now();
    } else if (Clock::now() - progress > stall) {
      return false;
    }
  }
  return true;
}

bool JackClient::WaitCycles(int count) const {
  const uint64_t until = cycles_.load() + static_cast<uint64_t>(count);
  return WaitWhileCycling([&] { return cycles_.load() >= until; });
}

jack_time_t JackTimeOf(int64_t monotonicNanos) {
  const int64_t age = MonotonicNanos() - monotonicNanos;
  return jack_get_time() - static_cast<jack_time_t>(age / 1000);
}

int64_t MonotonicOf(jack_time_t jackMicros) {
  const auto age = static_cast<int64_t>(jack_get_time() - jackMicros);
  return MonotonicNanos() - age * 1000;
}

}  // namespace korvel
