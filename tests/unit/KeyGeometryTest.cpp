#include "performance/KeyGeometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel {
namespace {

// Two octaves from C 48 with keys wide enough to tell single pixels apart: black keys are 19
// pixels wide and 90 long.
KeyGeometry Wide(int orientation = 0) {
  KeyGeometry keys;
  keys.NoteWidth = 30;
  keys.BaseOctave = 4;
  keys.Orientation = orientation;
  keys.Width = orientation == 0 ? 420 : 150;
  keys.Height = orientation == 0 ? 150 : 420;
  return keys;
}

bool Contains(const KeyRect& rect, int x, int y) {
  return x >= rect.X && x < rect.X + rect.Width && y >= rect.Y && y < rect.Y + rect.Height;
}

struct HitCase {
  int X;
  int Y;
  int Note;  // -1: none
};

// Horizontal points; the vertical control sees each at (y, height - 1 - x).
// clang-format off
const HitCase kHits[] = {
    {30, 10, 49},                          // the boundary of the first two white keys, up high
    {29, 100, 48}, {30, 100, 50},          // below the black keys the side decides
    {19, 10, 48}, {20, 10, 49}, {38, 10, 49}, {39, 10, 50},      // C# 20..38, left of centre
    {51, 10, 50}, {52, 10, 51}, {70, 10, 51}, {71, 10, 52},      // D# 52..70, right of centre
    {89, 10, 52}, {90, 10, 53},                                  // no black key between E and F
    {109, 10, 53}, {110, 10, 54}, {128, 10, 54}, {129, 10, 55},  // F# 110..128
    {140, 10, 55}, {141, 10, 56}, {159, 10, 56}, {160, 10, 57},  // G# 141..159, centred
    {171, 10, 57}, {172, 10, 58}, {190, 10, 58}, {191, 10, 59},  // A# 172..190
    {210, 10, 60}, {240, 10, 61},                                // the next octave
    {149, 89, 56}, {149, 90, 55},          // the last row of G#, and G below it
    {-1, 10, -1}, {420, 10, -1}, {10, -1, -1}, {10, 150, -1},    // outside the control
};
// clang-format on

TEST(KeyGeometryTest, HitTestsFindTheKeyUnderThePointInBothOrientations) {
  const KeyGeometry horizontal = Wide();
  const KeyGeometry vertical = Wide(1);
  for (const HitCase& hit : kHits) {
    const std::string where = "at " + std::to_string(hit.X) + "," + std::to_string(hit.Y);
    const auto across = horizontal.HitTest(hit.X, hit.Y);
    const auto upward = vertical.HitTest(hit.Y, 419 - hit.X);
    EXPECT_EQ(across ? across->Note : -1, hit.Note) << where;
    EXPECT_EQ(upward ? upward->Note : -1, hit.Note) << where << " vertical";
    if (across && upward) {
      EXPECT_EQ(across->Velocity, upward->Velocity) << where;
    }
  }
}

TEST(KeyGeometryTest, TheBottomMiddleOfEachWhiteKeyPlaysIt) {
  const std::vector<int> whites = {48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71};
  const KeyGeometry keys = Wide();
  for (int key = 0; key < 14; ++key) {
    const auto hit = keys.HitTest(key * 30 + 15, 149);
    ASSERT_TRUE(hit) << key;
    EXPECT_EQ(hit->Note, whites[key]) << key;
  }
}

TEST(KeyGeometryTest, NotesBeyondTheMidiRangeAreNotPlayed) {
  struct Case {
    int BaseOctave;
    int X;
    int Y;
    int Note;
  } const cases[] = {
      {10, 135, 149, 127},                     // G 127, the highest note
      {10, 150, 10, -1},                       // G# would be 128
      {10, 165, 149, -1},  {-1, 15, 149, -1},  // C -12
      {-1, 195, 10, -1},                       // A# -2
      {-1, 225, 149, 0},                       // the next C is note 0
  };
  for (const Case& c : cases) {
    KeyGeometry keys = Wide();
    keys.BaseOctave = c.BaseOctave;
    const auto hit = keys.HitTest(c.X, c.Y);
    EXPECT_EQ(hit ? hit->Note : -1, c.Note) << c.BaseOctave << " at " << c.X << "," << c.Y;
  }
}

TEST(KeyGeometryTest, VelocityGrowsTowardsThePlayersEndOfTheKey) {
  struct Case {
    int X;
    int Y;
    int Velocity;
  } const cases[] = {
      {15, 149, 126},  // the bottom of a white key
      {15, 75, 63},    // halfway down the white key's 150 pixels
      {15, 0, 1},      // the very top: soft, but never a velocity-0 note off
      {30, 89, 125},   // a black key is measured against its own 90 pixels
      {30, 45, 63},   {30, 5, 7},
  };
  KeyGeometry keys = Wide();
  for (const Case& c : cases) {
    EXPECT_EQ(keys.HitTest(c.X, c.Y)->Velocity, c.Velocity) << c.X << "," << c.Y;
  }
  keys.VelocityByPosition = false;
  for (const Case& c : cases) EXPECT_EQ(keys.HitTest(c.X, c.Y)->Velocity, 127);
}

TEST(KeyGeometryTest, BlackKeysAreOddWidthsThreeFifthsOfTheWhiteKeys) {
  struct Case {
    int NoteWidth;
    int Height;
    int BlackWidth;
    int BlackLength;
  } const cases[] = {{10, 50, 7, 30}, {30, 150, 19, 90}, {25, 49, 15, 29}, {0, 50, 1, 30}};
  for (const Case& c : cases) {
    KeyGeometry keys;
    keys.NoteWidth = c.NoteWidth;
    keys.Height = c.Height;
    EXPECT_EQ(keys.BlackKeyWidth(), c.BlackWidth) << c.NoteWidth;
    EXPECT_EQ(keys.BlackKeyLength(), c.BlackLength) << c.Height;
  }
}

// Painting and hit testing must agree pixel for pixel, or a click lands on a key other than
// the one drawn under the mouse.
TEST(KeyGeometryTest, EveryPixelLiesOnTheKeyItPlays) {
  for (int orientation : {0, 1}) {
    const KeyGeometry keys = Wide(orientation);
    std::vector<KeyRect> blacks;
    for (int note : keys.VisibleNotes())
      if (KeyGeometry::IsBlack(note)) blacks.push_back(keys.KeyRectOf(note));
    ASSERT_EQ(blacks.size(), 10u);
    for (int x = 0; x < keys.Width; ++x) {
      for (int y = 0; y < keys.Height; ++y) {
        const int note = keys.HitTest(x, y)->Note;
        const std::string where = std::to_string(orientation) + " at " + std::to_string(x) + "," +
                                  std::to_string(y) + " note " + std::to_string(note);
        ASSERT_TRUE(Contains(keys.KeyRectOf(note), x, y)) << where;
        if (KeyGeometry::IsBlack(note)) continue;
        for (const KeyRect& black : blacks) ASSERT_FALSE(Contains(black, x, y)) << where;
        const int along = orientation == 0 ? x : keys.Height - 1 - y;
        bool shown = false;
        for (const KeyRect& area : keys.PressedArea(note)) shown = shown || Contains(area, x, y);
        // Only the boundary line stays as it is when the key is held.
        ASSERT_EQ(shown, along % 30 != 0) << where;
      }
    }
  }
}

TEST(KeyGeometryTest, KeysAndPressedAreasInPixels) {
  const KeyGeometry keys = Wide();
  EXPECT_EQ(keys.KeyRectOf(49), (KeyRect{20, 0, 19, 90}));
  EXPECT_EQ(keys.KeyRectOf(52), (KeyRect{60, 0, 30, 150}));
  EXPECT_EQ(keys.BoundaryOf(53), (KeyRect{90, 0, 1, 150}));
  EXPECT_EQ(keys.PressedArea(52), (std::vector<KeyRect>{{71, 0, 19, 90}, {61, 90, 29, 60}}));
  EXPECT_EQ(keys.PressedArea(49), (std::vector<KeyRect>{{20, 0, 19, 90}}));
  const KeyGeometry vertical = Wide(1);
  EXPECT_EQ(vertical.KeyRectOf(49), (KeyRect{0, 420 - 39, 90, 19}));
  EXPECT_EQ(vertical.BoundaryOf(48), (KeyRect{0, 419, 150, 1}));
}

TEST(KeyGeometryTest, VisibleNotesIncludeAPartlyShownBlackKey) {
  const KeyGeometry keys;  // 200 x 50 pixels from C 36, white keys 10 wide
  const std::vector<int> notes = keys.VisibleNotes();
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front(), 36);
  EXPECT_EQ(notes.back(), 70) << "A# starts at pixel 198";
  EXPECT_EQ(notes.size(), 35u);
}

class KeyGeometryMouseTest : public ::testing::Test {
 protected:
  KeyGeometry keys = Wide();
  std::vector<std::string> events;

  void SetUp() override {
    keys.OnNoteOn = [this](int note, int velocity) {
      events.push_back("on " + std::to_string(note) + " " + std::to_string(velocity));
    };
    keys.OnNoteOff = [this](int note, int velocity) {
      events.push_back("off " + std::to_string(note) + " " + std::to_string(velocity));
    };
  }
};

TEST_F(KeyGeometryMouseTest, ADragEndsEveryNoteItStartsBeforeTheNext) {
  for (int y : {10, 149}) {
    events.clear();
    keys.Press(0, y);
    for (int x = 0; x < 420; x += 3) keys.Move(x, y);
    keys.Move(419, y);
    keys.Release();
    std::vector<int> played;
    for (size_t i = 0; i < events.size(); ++i) {
      ASSERT_EQ(events[i].substr(0, 3), i % 2 == 0 ? "on " : "off") << y << ": " << i;
      const int note = std::stoi(events[i].substr(3));
      if (i % 2 == 0) {
        played.push_back(note);
      } else {
        EXPECT_EQ(note, played.back()) << "an off for the note that sounds";
      }
    }
    EXPECT_EQ(events.size() % 2, 0u);
    EXPECT_TRUE(keys.Pressed().none());
    std::vector<int> expected;
    for (int note = 48; note < 72; ++note)
      if (y == 10 || !KeyGeometry::IsBlack(note)) expected.push_back(note);
    EXPECT_EQ(played, expected) << "y " << y;
  }
}

TEST_F(KeyGeometryMouseTest, PressPlaysReleaseEndsAndStillMovesChangeNothing) {
  keys.Move(30, 10);  // no button held
  keys.Press(30, 10);
  keys.Move(25, 10);  // still C#
  EXPECT_TRUE(keys.IsPressed(49));
  keys.Release();
  keys.Release();
  EXPECT_EQ(events, (std::vector<std::string>{"on 49 14", "off 49 0"}));
  EXPECT_FALSE(keys.IsPressed(49));
}

TEST_F(KeyGeometryMouseTest, LeavingTheControlHoldsTheNoteUntilTheMouseReturns) {
  keys.Press(15, 149);
  keys.Move(-5, 149);
  keys.Move(15, 200);
  EXPECT_EQ(events, (std::vector<std::string>{"on 48 126"}));
  keys.Move(45, 149);
  keys.Release();
  EXPECT_EQ(events, (std::vector<std::string>{"on 48 126", "off 48 0", "on 50 126", "off 50 0"}));
}

TEST_F(KeyGeometryMouseTest, APressOutsideTheMidiRangePlaysOnceTheDragReachesIt) {
  keys.BaseOctave = 10;
  keys.Press(165, 149);  // A 129
  keys.Move(135, 149);   // G 127
  keys.Release();
  EXPECT_EQ(events, (std::vector<std::string>{"on 127 126", "off 127 0"}));
}

TEST_F(KeyGeometryMouseTest, NotesShownFromOutsideAndTheMouseDoNotDoubleUp) {
  keys.NoteOn(60, 100, false);
  keys.NoteOn(62, 90, true);
  keys.NoteOn(62, 90, true);  // already held: not sent twice
  EXPECT_EQ(events, (std::vector<std::string>{"on 62 90"}));
  EXPECT_TRUE(keys.IsPressed(60));

  events.clear();
  keys.Press(225, 149);  // C 60, held from outside: the mouse neither starts nor ends it
  keys.Release();
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(keys.IsPressed(60));

  keys.Press(255, 149);     // D 62 is held, E 64 is not
  keys.Move(285, 149);      // E: nothing to end, E starts
  keys.NoteOff(64, false);  // the display lets go of E meanwhile
  keys.Release();           // the sound still has to end
  EXPECT_EQ(events, (std::vector<std::string>{"on 64 126", "off 64 0"}));

  keys.NoteOn(128, 100, true);
  keys.NoteOff(-1, true);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(KeyGeometryMouseTest, ASecondPressEndsTheFirstNote) {
  keys.Press(15, 149);
  keys.Press(45, 149);
  keys.Release();
  EXPECT_EQ(events, (std::vector<std::string>{"on 48 126", "off 48 0", "on 50 126", "off 50 0"}));
}

}  // namespace
}  // namespace korvel
