#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/SingleInstance.h"

namespace korvel {
namespace {

const std::string kFile =
    (std::filesystem::temp_directory_path() / ("korvel-lock-" + std::to_string(getpid()))).string();

TEST(SingleInstance, ASecondInstanceIsRefusedUntilTheFirstEnds) {
  {
    SingleInstance first(kFile);
    ASSERT_TRUE(first.Acquired());
    EXPECT_FALSE(first.OtherInstanceRuns());
    SingleInstance second(kFile);
    EXPECT_FALSE(second.Acquired());
    EXPECT_TRUE(second.OtherInstanceRuns());
    EXPECT_TRUE(second.Problem().empty());
  }
  SingleInstance third(kFile);
  EXPECT_TRUE(third.Acquired()) << "the lock ends with the instance that held it";
  std::filesystem::remove(kFile);
}

TEST(SingleInstance, OnlyAFolderOrFileThatIsNotOursIsNoOtherInstance) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("korvel-locks-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto other = folder / "other.lock";
  std::ofstream(other) << "";
  const bool otherUser = chown(other.c_str(), geteuid() + 1, getegid()) == 0;  // root only
  const auto link = folder / "link.lock";
  std::filesystem::create_symlink(other, link);
  // Someone holds that file locked.
  const int held = open(other.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  for (const auto& file : {folder / "missing" / "korvel.lock", link, other}) {
    if (file == other && !otherUser) continue;
    SCOPED_TRACE(file.string());
    SingleInstance lonely(file.string());
    EXPECT_FALSE(lonely.Acquired());
    EXPECT_FALSE(lonely.OtherInstanceRuns()) << "Korvel starts without the guard";
    EXPECT_NE(lonely.Problem().find(file.string()), std::string::npos);
  }
  close(held);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvel
