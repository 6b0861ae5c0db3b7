#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

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
  if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) close(fd_);  // releases the lock
}

}  // namespace korvel
