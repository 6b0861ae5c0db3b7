#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace korvel {

namespace {

std::string DefaultLockFile() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/korvel.lock";
  }
  return "/tmp/korvel-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

SingleInstance::SingleInstance(std::string lockFile)
    : lockFile_(lockFile.empty() ? DefaultLockFile() : std::move(lockFile)) {
  fd_ = open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A lock file that is there but not writable for us (left by another user) still locks.
  if (fd_ < 0 && errno == EACCES) fd_ = open(lockFile_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    problem_ = "The lock file " + lockFile_ + " cannot be made (" + std::strerror(errno) +
               "): a second Korvel would not be noticed.";
    return;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  if (errno == EWOULDBLOCK) {
    otherRuns_ = true;
  } else {
    problem_ = "The lock file " + lockFile_ + " cannot be locked (" + std::strerror(errno) +
               "): a second Korvel would not be noticed.";
  }
  close(fd_);
  fd_ = -1;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) close(fd_);  // releases the lock
}

}  // namespace korvel
