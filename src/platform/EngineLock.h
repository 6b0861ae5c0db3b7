// The one lock that guards all core state. The clock thread, the MIDI input handlers and the GUI
// thread take it for the length of an operation. It inherits priority, so a real-time clock
// thread waiting for it lifts the thread that holds it instead of waiting behind other work.
#pragma once

#include <pthread.h>

namespace korvel {

class EngineLock {
 public:
  EngineLock();
  ~EngineLock();
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;

  // Lockable, for std::lock_guard and std::unique_lock.
  void lock();
  void unlock();
  bool try_lock();

 private:
  pthread_mutex_t mutex_;
};

}  // namespace korvel
