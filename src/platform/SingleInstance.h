// Only one Korvel runs at a time for a user: an advisory lock on a file in the runtime folder.
// The lock goes with the process, however it ends.
#pragma once

#include <string>

namespace korvel {

class SingleInstance {
 public:
  // `lockFile` empty: $XDG_RUNTIME_DIR/korvel.lock, or /tmp/korvel-UID.lock without it.
  explicit SingleInstance(std::string lockFile = {});
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // False when another instance holds the lock.
  bool Acquired() const { return fd_ >= 0; }
  const std::string& LockFile() const { return lockFile_; }

 private:
  std::string lockFile_;
  int fd_ = -1;
};

inline constexpr const char* kAlreadyRunning = "Korvel is already running !";
inline constexpr int kAlreadyRunningExitCode = 255;

}  // namespace korvel
