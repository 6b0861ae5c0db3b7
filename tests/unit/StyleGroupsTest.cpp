#include "app/StyleGroups.h"

#include "app/StyleBrowser.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace korvel {
namespace {

TEST(StyleGroups, EntryCarriesEveryFieldAndSurvivesMarkersInTheDescription) {
  const std::string entry = MakeGroupEntry("My{1}Fox.KVS", "4/4", 120, 7,
                                           "soft {2} brushes {1} late", "/styles/my{1}fox.kvs");
  EXPECT_EQ(entry.substr(0, 25), "my{1}fox.kvs             ");
  const GroupEntryParts parts = SplitGroupEntry(entry);
  EXPECT_EQ(parts.Summary, "Met: 4/4  Beat: 120  Tracks: 7");
  EXPECT_EQ(parts.Description, "soft {2} brushes {1} late");
  EXPECT_EQ(parts.Path, "/styles/my{1}fox.kvs");
  EXPECT_EQ(
      SplitGroupEntry(MakeGroupEntry("a.kvs", "3/4", 90, 2, "two\nlines", "/a.kvs")).Description,
      "two lines");
}

// Entries as the file keeps them: the name column cut by characters, never inside one; a
// leading blank kept; a line break in a name made a blank; paths with "{2}" or a line break
// are not taken into a group.
TEST(StyleGroups, EntriesComeBackFromTheFileAsTheyWereMade) {
  test::TempDir dir("groups");
  const struct {
    const char* name;
    const char* column;  // the name column as made
  } cases[] = {
      {"Schön-und-gemütlich-ländler.kvs", "schön-und-gemütlich-ländl"},
      {" rock.kvs", " rock.kvs                "},
      {"two\nlines.kvs", "two lines.kvs            "},
      {"ÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜäöüß.kvs", "ÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜä"},
  };
  std::vector<std::string> entries;
  for (const auto& c : cases) {
    const std::string entry = MakeGroupEntry(c.name, "4/4", 96, 3, "desc", "/s/x.kvs");
    EXPECT_EQ(entry.substr(0, std::string(c.column).size()), c.column) << c.name;
    const GroupEntryParts parts = SplitGroupEntry(entry);
    EXPECT_EQ(parts.Summary, "Met: 4/4  Beat: 96  Tracks: 3") << c.name;
    EXPECT_EQ(parts.Path, "/s/x.kvs") << c.name;
    entries.push_back(entry);
  }
  StyleGroupFile file;
  std::string error;
  ASSERT_TRUE(file.Load(dir.Path("k.KVG"), error)) << error;
  file.SaveGroup(3, entries);
  StyleGroupFile again;
  ASSERT_TRUE(again.Load(dir.Path("k.KVG"), error)) << error;
  EXPECT_EQ(again.Entries(3), entries);

  EXPECT_EQ(FirstCharacters("äbc", 1), "ä");
  EXPECT_EQ(FirstCharacters("ab", 5), "ab");
  EXPECT_TRUE(GroupKeepsPath("/styles/{1}/rock.kvs"));
  EXPECT_FALSE(GroupKeepsPath("/styles/{2}/rock.kvs"));
  EXPECT_FALSE(GroupKeepsPath("/styles/a\nb.kvs"));
}

TEST(StyleGroups, GroupFileRoundTripKeepsOtherGroupsAndOrder) {
  test::TempDir dir("groups");
  const std::string path = GroupFilePathFor(dir.Path("korvel.cfg"));
  EXPECT_EQ(path, dir.Path("korvel.KVG"));
  StyleGroupFile file;
  std::string error;
  ASSERT_TRUE(file.Load(path, error)) << error;
  const std::vector<std::string> fox = {
      MakeGroupEntry("fox1.kvs", "4/4", 112, 6, "first", "/s/fox1.kvs"),
      MakeGroupEntry("fox2.kvs", "4/4", 100, 5, "", "/s/fox2.kvs")};
  const std::vector<std::string> waltz = {
      MakeGroupEntry("waltz.kvs", "3/4", 90, 4, "swaying", "/s/waltz.kvs")};
  file.SaveGroup(3, fox);
  file.SaveGroup(35, waltz);
  file.SaveGroup(3, {fox[1]});

  StyleGroupFile again;
  ASSERT_TRUE(again.Load(path, error)) << error;
  EXPECT_EQ(again.Entries(3), std::vector<std::string>{fox[1]});
  EXPECT_EQ(again.Entries(35), waltz);
  EXPECT_TRUE(again.Entries(4).empty());
  EXPECT_EQ(FindGroupEntry(again.Entries(35), "/s/waltz.kvs"), 0);
  EXPECT_EQ(FindGroupEntry(again.Entries(35), "/s/fox1.kvs"), -1);
}

TEST(StyleGroups, DamagedGroupFiles) {
  struct Case {
    const char* Name;
    std::string Text;
    bool Readable;
    std::vector<std::string> Group3;
  };
  const std::vector<Case> cases = {
      {"missing key hides nothing", "[Group3]\n0=a\n2=c\n5=f\n", true, {"a", "c", "f"}},
      {"empty value skipped", "[Group3]\n0=a\n1=\n2=c\n", true, {"a", "c"}},
      {"keys out of order", "[Group3]\n2=c\n0=a\n1=b\n", true, {"a", "b", "c"}},
      {"odd keys and sections ignored", "[Group3]\nx=1\n-1=2\n0=a\n[GroupX]\n0=z\n", true, {"a"}},
      {"no sections", "garbage without brackets", true, {}},
      {"binary", std::string("[Group3]\n0=a\0b", 13), false, {}},
  };
  for (const auto& c : cases) {
    StyleGroupFile file;
    std::string error;
    EXPECT_EQ(file.LoadText(c.Text, error), c.Readable) << c.Name;
    EXPECT_EQ(file.Entries(3), c.Group3) << c.Name;
    if (!c.Readable) {
      EXPECT_FALSE(error.empty()) << c.Name;
    }
  }
}

TEST(StyleGroups, RemoveSelectsAsTheListExpects) {
  std::vector<std::string> entries = {"a", "b", "c"};
  EXPECT_EQ(RemoveGroupEntry(entries, -1), -1);
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_EQ(RemoveGroupEntry(entries, 3), -1);
  EXPECT_EQ(RemoveGroupEntry(entries, 2), 1);
  EXPECT_EQ(RemoveGroupEntry(entries, 0), 0);
  EXPECT_EQ(entries, std::vector<std::string>{"b"});
  EXPECT_EQ(RemoveGroupEntry(entries, 0), -1);
  EXPECT_TRUE(entries.empty());
}

TEST(StyleGroups, PatternAndFileMask) {
  EXPECT_EQ(StylePattern("rock"), "rock*");
  EXPECT_EQ(StylePattern("*fox*"), "*fox*");
  EXPECT_TRUE(IsStyleFileName("rock1.KVS"));
  EXPECT_TRUE(IsStyleFileName("rock1.kvs"));
  EXPECT_FALSE(IsStyleFileName("rock1.kvsx"));
  EXPECT_FALSE(IsStyleFileName("rock1.mid"));
  EXPECT_FALSE(IsStyleFileName(".kvs"));

  struct Case {
    const char* Name;
    const char* Pattern;
    bool Matches;
  };
  const std::vector<Case> cases = {
      {"Rock1.KVS", "rock*", true},
      {"hardrock.kvs", "rock*", false},
      {"hardrock.kvs", "*rock*", true},
      {"pop8beat.kvs", "*8beat*", true},
      {"b3-fox.kvs", "*a3-*;*b3-*;*c3-*", true},
      {"b3-fox.kvs", "*a3-*;;*c3-*", false},
      {"r&roll.kvs", "*r&roll*", true},
      {"ab.kvs", "a?.kvs", true},
      {"a.kvs", "a?.kvs", false},
      {"aaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false},
      {"x.kvs", "", false},
      {"x.kvs", "*", true},
      {"**", "*", true},  // a "*" in the name is no reason to stop matching
      {"a*b", "*b", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesStylePattern(c.Name, c.Pattern), c.Matches) << c.Name << " " << c.Pattern;
  }
  const auto& items = StylePatternItems();
  ASSERT_EQ(items.size(), 75u);
  EXPECT_EQ(items.front(), "*");
  EXPECT_EQ(items[54], "*");
  EXPECT_EQ(items[55].substr(0, 16), "*a1-*;*b1-*;*c1-");
  EXPECT_EQ(items[63].substr(items[63].size() - 5), "*z9-*");
  EXPECT_EQ(items.back(), "*20-*");
}

TEST(StyleGroups, OutlineNumbersEveryLine) {
  const auto& outline = GroupOutline();
  ASSERT_EQ(outline.size(), 50u);
  EXPECT_EQ(outline[0].Name, "Pop");
  EXPECT_EQ(outline[2].Name, "Fox");
  EXPECT_EQ(outline[48].Name, "Classic   ");
  EXPECT_FALSE(TakesEntries(1));  // Pop has styles below it
  EXPECT_TRUE(TakesEntries(3));
  EXPECT_TRUE(TakesEntries(43));  // Favorites
  EXPECT_TRUE(TakesEntries(50));
  EXPECT_FALSE(TakesEntries(0));
  EXPECT_FALSE(TakesEntries(51));
}

}  // namespace
}  // namespace korvel
