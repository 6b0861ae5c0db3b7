// The guide's tips: every number of the table has a text, "//" breaks lines but not addresses,
// and a step of the work shows its tip only while the guide is on and the first run is over.
#include <gtest/gtest.h>

#include "app/Guide.h"

namespace korvel {
namespace {

TEST(Guide, EveryTipHasATextAndNumbersOutsideTheTableNone) {
  for (int number = kFirstTip; number <= kLastTip; ++number)
    EXPECT_FALSE(TipText(number).empty()) << number;
  EXPECT_EQ(TipText(kFirstTip), "//////Help is not available at this moment !");
  EXPECT_EQ(TipText(kFirstTip - 1), "");
  EXPECT_EQ(TipText(kLastTip + 1), "");
}

TEST(Guide, DoubleSlashesBreakLinesButNotAddresses) {
  const struct {
    const char* text;
    const char* lines;
  } cases[] = {
      {"a//b", "a\nb"},
      {"////x", "\n\nx"},
      {"see https://example.org/a//b", "see https://example.org/a\nb"},
      {"file:///tmp", "file:///tmp"},
      {"a/b", "a/b"},
      {"end//", "end\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrompterLines(c.text), c.lines) << c.text;
}

TEST(Guide, AStepShowsItsTipOnlyWhenTheGuideIsOnAndTheFirstRunIsOver) {
  Guide guide;
  guide.FirstRun = true;
  EXPECT_FALSE(guide.Step(12));
  guide.FirstRun = false;
  EXPECT_EQ(guide.Step(12), 1012);
  EXPECT_EQ(guide.Step(20), 1020);
  EXPECT_EQ(guide.Step(-1), 1012) << "the File menu's tip is not remembered";
  EXPECT_FALSE(guide.Step(34)) << "past the table";
  guide.On = false;
  EXPECT_FALSE(guide.Step(25));
  guide.On = true;
  EXPECT_EQ(guide.Step(-1), 1004) << "switched off, the guide starts again at the generator";
}

}  // namespace
}  // namespace korvel
