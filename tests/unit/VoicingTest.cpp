#include <gtest/gtest.h>

#include "engine/Voicing.h"

namespace korvel {
namespace {

TEST(Voicing, MajorOnCLeavesEveryNoteAlone) {
  for (int note = 0; note < 128; ++note) EXPECT_EQ(VoiceNote(note, 1, 60, 0, 12), note) << note;
}

TEST(Voicing, PatternNotesFollowTypeAndRoot) {
  struct Case {
    const char* what;
    int note, type, root, octaveShift, pitchClassLimit, voiced;
  };
  const Case cases[] = {
      {"G under D min7 is its seventh C", 67, 4, 2, 0, 12, 72},
      {"A under A minor", 69, 2, 9, 0, 12, 79},
      {"E under C minor", 64, 2, 0, 0, 12, 63},
      {"E under C sus4", 64, 6, 0, 0, 12, 65},
      {"G under C 7th", 67, 3, 0, 0, 12, 70},
      {"B under C 7th", 71, 3, 0, 0, 12, 70},
      {"B under C dim", 71, 5, 0, 0, 12, 69},
      {"G under C M7", 67, 9, 0, 0, 12, 71},
      {"G under C aug", 67, 10, 0, 0, 12, 68},
      {"G under C 6th", 67, 11, 0, 0, 12, 69},
      {"G under C add9", 67, 7, 0, 0, 12, 74},
      {"E under F major", 64, 1, 5, 0, 12, 69},
      {"E under F major an octave down", 64, 1, 5, -12, 12, 57},
      {"C under A major with Adjust Octave: 3 below", 60, 1, 9, 0, 7, 57},
      {"C under G major with Adjust Octave stays up", 60, 1, 7, 0, 7, 67},
      {"the root is taken mod 12", 60, 1, 45, 0, 12, 69},
      {"leaving the top folds down an octave", 127, 1, 11, 0, 12, 126},
      {"leaving the bottom folds up an octave", 1, 1, 0, -12, 12, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VoiceNote(c.note, c.type, c.root, c.octaveShift, c.pitchClassLimit), c.voiced)
        << c.what;
  }
}

TEST(Voicing, OctaveThresholdIsTheNextCAboveTheSection) {
  EXPECT_EQ(OctaveThresholdFor(40), 48);
  EXPECT_EQ(OctaveThresholdFor(48), 60);
  EXPECT_EQ(OctaveThresholdFor(59), 60);
}

TEST(Voicing, SustainingPrograms) {
  for (int program : {16, 23, 40, 44, 48, 88, 95, 97, 99, 101, 103, 109, 111}) {
    EXPECT_TRUE(IsSustainingProgram(program)) << program;
  }
  for (int program : {0, 15, 24, 45, 47, 96, 98, 100, 104, 108, 112, 127}) {
    EXPECT_FALSE(IsSustainingProgram(program)) << program;
  }
}

}  // namespace
}  // namespace korvel
