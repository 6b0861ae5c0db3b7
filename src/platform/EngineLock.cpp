#include "platform/EngineLock.h"

#include <cerrno>
#include <system_error>

namespace korvel {

EngineLock::EngineLock() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
  const int result = pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (result != 0) throw std::system_error(result, std::generic_category(), "engine lock");
}

EngineLock::~EngineLock() {
  pthread_mutex_destroy(&mutex_);
}

void EngineLock::lock() {
  if (const int result = pthread_mutex_lock(&mutex_); result != 0) {
    throw std::system_error(result, std::generic_category(), "engine lock");
  }
  owner_.store(std::this_thread::get_id());
}

void EngineLock::unlock() {
  owner_.store(std::thread::id());
  pthread_mutex_unlock(&mutex_);
}

bool EngineLock::try_lock() {
  if (pthread_mutex_trylock(&mutex_) != 0) return false;
  owner_.store(std::this_thread::get_id());
  return true;
}

}  // namespace korvel
