#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/SingleInstance.h"

namespace korvel {
namespace {

TEST(SingleInstance, ASecondInstanceIsRefusedUntilTheFirstEnds) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("korvel-lock-" + std::to_string(getpid())))
          .string();
  {
    SingleInstance first(file);
    ASSERT_TRUE(first.Acquired());
    SingleInstance second(file);
    EXPECT_FALSE(second.Acquired());
  }
  SingleInstance third(file);
  EXPECT_TRUE(third.Acquired()) << "the lock ends with the instance that held it";
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace korvel
