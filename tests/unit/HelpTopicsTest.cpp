// The help pages: every topic a window or a message names has its page, every link between
// pages leads somewhere, and a topic without a page is told apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/HelpTopics.h"
#include "engine/StyleLoader.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

const std::string kHelpFolder = test::ShippedDataDir() + "/help";

TEST(HelpTopics, EveryNamedTopicHasItsPage) {
  for (int topic : {100, 101, 102, 104, 107, 109, 110, kWrongStyleFileHelpTopic})
    EXPECT_FALSE(HelpFile(kHelpFolder, HelpPageOf(topic)).empty()) << topic;
  for (const char* window : {"TForm1", "TGen", "TEditor", "TMP", "TSongs", "TIns", "TOpt"})
    EXPECT_FALSE(HelpFile(kHelpFolder, HelpPageOfWindow(window)).empty()) << window;
  EXPECT_FALSE(HelpFile(kHelpFolder, kHelpIndex).empty());
  EXPECT_EQ(HelpPageOf(999), "");
  EXPECT_EQ(HelpPageOfWindow(""), "");
  EXPECT_EQ(HelpFile(kHelpFolder, "missing.html"), "");
}

TEST(HelpTopics, EveryLinkLeadsToAPage) {
  const std::regex link("href=\"([^\"#]+)\"");
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kHelpFolder)) {
    ++pages;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string html = text.str();
    EXPECT_NE(html.find("<title>"), std::string::npos) << entry.path();
    for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it)
      EXPECT_FALSE(HelpFile(kHelpFolder, (*it)[1]).empty())
          << entry.path().filename() << " links to " << (*it)[1];
  }
  EXPECT_GT(pages, 0);
}

}  // namespace
}  // namespace korvel
