#include "app/FileNames.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace korvel {
namespace {

// Songs and styles from other machines name Windows paths in capitals: they are found by their
// file name in any case in the folder where such files live here.
TEST(FileNames, AStoredPathIsFoundByItsFileNameInAnyCase) {
  test::TempDir dir("file-lookup");
  std::filesystem::create_directories(dir.Path("sub"));
  const std::string rock = dir.Write("Rock1.kvs", {'x'});
  const std::string jazz = dir.Write("sub/jazz.kvs", {'x'});
  const std::string demo = dir.Write("demo3.kva", {'x'});
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"C:\\KORVEL\\STYLES\\ROCK1.KVS", rock},
      {"rock1.KVS", rock},
      {"D:ROCK1.KVS", rock},
      {"C:\\KORVEL\\SONGS\\DEMO3.KVA", demo},
      {"/elsewhere/DEMO3.KVA", demo},          // a path of ours that no longer exists
      {"C:\\STYLES\\JAZZ.KVS", std::nullopt},  // only the folder itself is searched
      {jazz, jazz},                            // a path of ours that exists
      {"C:\\STYLES\\", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [stored, want] : cases) {
    EXPECT_EQ(FindFileByName(stored, dir.Folder()), want) << stored;
  }
  EXPECT_EQ(StoredFileName("C:\\KORVEL\\SONGS\\DEMO3.KVA"), "DEMO3.KVA");
  EXPECT_EQ(StoredFileName("C:DEMO3.KVA"), "DEMO3.KVA");
  EXPECT_EQ(StoredFileName("songs/demo3.kva"), "demo3.kva");
}

}  // namespace
}  // namespace korvel
