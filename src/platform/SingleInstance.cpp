#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

std::string SingleInstance::SocketFile() const {
  const std::string suffix = ".lock";
  const bool named =
      lockFile_.size() > suffix.size() &&
      lockFile_.compare(lockFile_.size() - suffix.size(), suffix.size(), suffix) == 0;
  return (named ? lockFile_.substr(0, lockFile_.size() - suffix.size()) : lockFile_) + ".socket";
}

SingleInstance::SingleInstance(std::string lockFile)
    : lockFile_(lockFile.empty() ? DefaultLockFile() : std::move(lockFile)) {
  // Only our own plain file counts: a link, or a file of another user (who could hold it
  // locked to keep Korvel from starting), is no sign of a running Korvel.
  fd_ = open(lockFile_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  struct stat status {};
  if (fd_ >= 0 && (fstat(fd_, &status) != 0 || status.st_uid != geteuid())) {
    close(fd_);
    fd_ = -1;
    problem_ = "The lock file " + lockFile_ +
               " belongs to another user: a second Korvel would not be noticed.";
    return;
  }
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
