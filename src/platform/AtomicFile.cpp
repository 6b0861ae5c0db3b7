#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvel {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
  throw std::runtime_error("Could not write " + path + ": " + std::strerror(error));
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) Fail(path, errno);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      unlink(temp.c_str());
      Fail(path, error);
    }
    written += static_cast<size_t>(n);
  }
  fchmod(fd, 0644);
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
  // The rename itself reaches the disk with the folder.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string& error) {
  // A pipe or a device would block the reader (often under the engine lock) or never end.
  std::error_code status;
  if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status)) {
    error = path + " is not a file";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "Could not open " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "Could not read " + path;
    return std::nullopt;
  }
  return bytes;
}

}  // namespace korvel
