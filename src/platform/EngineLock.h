// The one lock that guards all core state. The clock thread, the MIDI input handlers and the GUI
// thread take it for the length of an operation. It inherits priority, so a real-time clock
// thread waiting for it lifts the thread that holds it instead of waiting behind other work.
#pragma once

#include <pthread.h>

#include <atomic>
#include <thread>

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

  bool HeldByThisThread() const { return owner_.load() == std::this_thread::get_id(); }

  // Lets the lock go for the life of this object when the calling thread holds it (a dialog
  // is open and the clock must not wait for the user), and takes it again afterwards.
  class ReleasedWhileWaiting {
   public:
    explicit ReleasedWhileWaiting(EngineLock* lock)
        : lock_(lock && lock->HeldByThisThread() ? lock : nullptr) {
      if (lock_) lock_->unlock();
    }
    ~ReleasedWhileWaiting() {
      if (lock_) lock_->lock();
    }
    ReleasedWhileWaiting(const ReleasedWhileWaiting&) = delete;
    ReleasedWhileWaiting& operator=(const ReleasedWhileWaiting&) = delete;

   private:
    EngineLock* lock_;
  };

 private:
  pthread_mutex_t mutex_;
  std::atomic<std::thread::id> owner_{};
};

}  // namespace korvel
