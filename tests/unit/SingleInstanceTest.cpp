#include <gtest/gtest.h>
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

TEST(SingleInstance, ALockFileWeMayNotWriteStillLocks) {
  std::ofstream(kFile) << "";
  chmod(kFile.c_str(), 0444);
  {
    SingleInstance first(kFile);
    EXPECT_TRUE(first.Acquired()) << first.Problem();
    SingleInstance second(kFile);
    EXPECT_TRUE(second.OtherInstanceRuns());
  }
  std::filesystem::remove(kFile);
}

TEST(SingleInstance, NoLockFileIsNoOtherInstance) {
  SingleInstance lonely("/nonexistent-korvel-folder/korvel.lock");
  EXPECT_FALSE(lonely.Acquired());
  EXPECT_FALSE(lonely.OtherInstanceRuns()) << "Korvel starts without the guard";
  EXPECT_NE(lonely.Problem().find("/nonexistent-korvel-folder/korvel.lock"), std::string::npos);
}

}  // namespace
}  // namespace korvel
