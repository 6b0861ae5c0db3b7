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

  // This instance holds the lock.
  bool Acquired() const { return fd_ >= 0; }
  // True only when another running instance holds the lock.
  bool OtherInstanceRuns() const { return otherRuns_; }
  // Why no lock could be taken at all (no folder for the file, a file of another user), in
  // words; empty when this instance holds the lock or another one does. Korvel then runs
  // without the guard.
  const std::string& Problem() const { return problem_; }
  const std::string& LockFile() const { return lockFile_; }
  // Where the running instance listens for files that later starts hand over: beside the lock.
  std::string SocketFile() const;

 private:
  std::string lockFile_;
  std::string problem_;
  int fd_ = -1;
  bool otherRuns_ = false;
};

inline constexpr const char* kAlreadyRunning = "Korvel is already running !";
inline constexpr int kAlreadyRunningExitCode = 255;

}  // namespace korvel
