// A folder of its own for a test's files, removed with everything in it at the end.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace korvel::test {

class TempDir {
 public:
  explicit TempDir(const std::string& name = "files")
      : path_(std::filesystem::temp_directory_path() /
              ("korvel-test-" + name + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const auto file = (path_ / name).string();
    WriteFileAtomically(file, bytes);
    return file;
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Folder() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace korvel::test
