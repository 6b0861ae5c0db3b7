#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "performance/ChordRecognition.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class ChordRecognitionTest : public ::testing::Test {
 protected:
  test::PlayerRig rig;
  ChordRecognition& chords = rig.engine.Chords;

  // The chord pending after the keys, as "root:type"; "none" when nothing is pending.
  std::string Pending() const {
    if (rig.chord.ChordRoot == 0) return "none";
    return std::to_string(rig.chord.ChordRoot) + ":" + std::to_string(rig.chord.ChordType);
  }
  void Press(std::initializer_list<int> notes) {
    for (int note : notes) chords.ChordKeyOn(note);
  }
};

TEST_F(ChordRecognitionTest, HeldNotesAreRecognisedFromTheThirdKey) {
  // The clock runs: a chord stays pending until the next grid point.
  const struct {
    std::vector<int> keys;
    const char* pending;
    const char* what;
  } cases[] = {
      {{60, 64}, "none", "two keys change nothing"},
      {{48, 52, 55}, "48:1", "C E G is C maj"},
      {{36, 64, 79}, "48:1", "in any octaves"},
      {{48, 52, 55, 58}, "48:3", "C E G Bb is the 7th, not maj"},
      {{55, 59, 62}, "55:1", "G: first G at or above E2 is 43, raised above 44"},
      {{52, 56, 59}, "52:1", "E maj on 52"},
      {{45, 48, 52}, "45:2", "A minor"},
      {{48, 52, 55, 57}, "48:11", "C6 and Am7 score alike: the lower root wins"},
      {{47, 50, 53, 57}, "50:13", "B D F A scores as B m5b and as D min6: D is lower"},
      {{33, 45, 49, 52, 55}, "45:3", "A C# E G with the root doubled is still A 7th"},
      {{40, 52, 55, 59, 62}, "52:4", "E G B D with the root doubled is still E min7"},
      {{48, 52, 55, 58, 60, 64}, "48:3", "C E G Bb with root and third doubled"},
      {{48, 60, 64}, "none", "C twice and E: a doubled key is no third pitch class"},
  };
  for (const auto& c : cases) {
    chords.ClearHeldNotes();
    rig.chord.ChordRoot = 0;
    for (int key : c.keys) chords.ChordKeyOn(key);
    EXPECT_EQ(Pending(), c.pending) << c.what;
  }
}

TEST_F(ChordRecognitionTest, RootsPlacedNearTheEndsOfTheRangeKeepTheirPitchClass) {
  chords.SetFirstKey(119);
  Press({58, 62, 65});  // Bb D F, with the section starting at B8
  EXPECT_EQ(rig.chord.EditChordRoot, 118);
  EXPECT_EQ(chords.ChordName(rig.chord.EditChordRoot, rig.chord.EditChordType), "Bb maj");
  chords.SetFirstKey(40);
  const struct {
    int root, transpose, placed;
  } cases[] = {{125, 5, 118}, {2, -5, 9}, {127, kFinalRoot, 127}, {60, 11, 71}};
  for (const auto& c : cases) {
    chords.SetChord(c.root, 1, c.transpose);
    EXPECT_EQ(rig.chord.EditChordRoot, c.placed) << c.root << " moved by " << c.transpose;
  }
}

TEST_F(ChordRecognitionTest, SmartKeysForgetReleasedNotesStaticKeysDoNot) {
  Press({48, 52, 55});
  for (int key : {48, 52, 55}) chords.ChordKeyOff(key);
  EXPECT_EQ(chords.HeldCount, 0);
  EXPECT_EQ(Pending(), "48:1") << "releasing the keys leaves the chord";
  Press({45, 48});
  EXPECT_EQ(Pending(), "48:1");
  Press({52});
  EXPECT_EQ(Pending(), "45:2") << "three new keys recognise afresh";

  rig.transport.StaticChordKeys = true;
  chords.ClearHeldNotes();
  Press({48, 52});
  for (int key : {48, 52}) chords.ChordKeyOff(key);
  EXPECT_EQ(chords.HeldCount, 2) << "static keys accumulate until a chord is voiced";
}

TEST_F(ChordRecognitionTest, TwoFingerChords) {
  rig.transport.TwoFingerChords = true;
  chords.ChordKeyOn(62);
  EXPECT_EQ(Pending(), "62:1") << "one key: a major chord on it";
  chords.ChordKeyOn(66);
  EXPECT_EQ(Pending(), "62:5") << "four semitones up: the type of slot 5";
  rig.chord.ChordRoot = 0;
  chords.ChordKeyOn(62);
  chords.ChordKeyOn(59);
  EXPECT_EQ(Pending(), "59:4") << "three below: B becomes the root, slot 4";

  rig.transport.ToggleClock();  // off: every chord is voiced at once
  chords.ChordKeyOn(62);
  EXPECT_EQ(Pending(), "none");
  EXPECT_EQ(rig.chord.EditChordRoot, 62);
  chords.ChordKeyOn(66);
  EXPECT_EQ(rig.chord.EditChordRoot, 66);
  EXPECT_EQ(rig.chord.EditChordType, 1) << "with the clock stopped each key is a major chord";
}

TEST_F(ChordRecognitionTest, MajorMinorSwapsEveryChord) {
  chords.MajorMinor = true;
  Press({48, 52, 55});
  EXPECT_EQ(Pending(), "48:2");
  chords.ClearHeldNotes();
  Press({50, 53, 57, 60});  // D F A C: min7
  EXPECT_EQ(Pending(), "50:3");
  rig.transport.TwoFingerChords = true;
  rig.chord.ChordRoot = 0;
  chords.ChordKeyOn(60);
  EXPECT_EQ(Pending(), "60:2") << "a one-finger chord sounds minor";
}

TEST_F(ChordRecognitionTest, PlayChordsTypeKeyAndTriggerKey) {
  rig.transport.ToggleClock();  // Play Chords mode works with the clock stopped
  ASSERT_TRUE(chords.SetPlayChords(true));
  rig.live.SelChannel = 0;
  rig.driver.ClearSent();
  const int trigger = chords.TriggerZoneKey();
  ASSERT_EQ(trigger, 60);
  EXPECT_TRUE(chords.PlayChordsKey(51, 100, true, 0));  // Eb: the type key of slot 4
  EXPECT_TRUE(chords.PlayChordsKey(64, 90, true, 0));   // E: sounds E min7
  EXPECT_EQ(rig.Notes(),
            (std::vector<std::string>{"0:1:64:90", "0:1:67:90", "0:1:71:90", "0:1:74:90"}));
  rig.driver.ClearSent();
  EXPECT_TRUE(chords.PlayChordsKey(51, 0, false, 0));  // releasing the type key silences it
  EXPECT_EQ(rig.Notes(),
            (std::vector<std::string>{"0:1:64:0", "0:1:67:0", "0:1:71:0", "0:1:74:0"}));
  EXPECT_EQ(chords.ChordTypeOverride, 0);
  EXPECT_FALSE(chords.PlayChordsKey(rig.keys.FillInKey, 100, true, 0)) << "for the control keys";
}

TEST_F(ChordRecognitionTest, AnotherTriggeredChordOnTheSameRootEndsTheFirst) {
  rig.transport.ToggleClock();
  ASSERT_TRUE(chords.SetPlayChords(true));
  chords.PlayChordsKey(60, 90, true, 0);  // C maj: 60 64 67 72
  chords.PlayChordsKey(51, 90, true, 0);  // the type key of slot 4 (min7) ...
  chords.PlayChordsKey(60, 90, true, 0);  // ... with the same trigger key: 60 63 67 70
  std::map<int, int> sounding;
  for (const auto& m : rig.driver.Sent()) {
    if ((m.Bytes[0] & 0xF0) == 0x90) sounding[m.Bytes[1]] = m.Bytes[2];
  }
  std::vector<int> notes;
  for (auto [note, velocity] : sounding)
    if (velocity > 0) notes.push_back(note);
  EXPECT_EQ(notes, (std::vector<int>{60, 63, 67, 70})) << "nothing of C major is left";
}

TEST_F(ChordRecognitionTest, PlayChordsSwitchesOnlyWhileStoppedAndResetsTheTransport) {
  rig.transport.ToggleClock();
  ASSERT_TRUE(chords.SetPlayChords(true));
  EXPECT_EQ(rig.live.TriggerVelocity, 100);
  chords.PlayChordsKey(64, 90, true, 0);  // a trigger key held ...
  rig.driver.ClearSent();
  ASSERT_TRUE(chords.SetPlayChords(false));  // ... while the mode ends
  EXPECT_EQ(rig.Notes(),
            (std::vector<std::string>{"0:1:64:0", "0:1:68:0", "0:1:71:0", "0:1:76:0"}));
  EXPECT_EQ(rig.live.TriggerVelocity, 1);

  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
  rig.Load(fixture);
  rig.transport.ToggleClock();
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(3);
  EXPECT_FALSE(chords.SetPlayChords(true)) << "refused while the style plays";
  EXPECT_FALSE(rig.transport.PlayChordsMode);
  rig.Chord(50, 1);
  rig.Ticks(30);
  EXPECT_EQ(rig.player.VoiceRoot, 50) << "the style still follows the chords";
  rig.transport.StopCommand();
  EXPECT_TRUE(chords.SetPlayChords(true)) << "once stopped, the switch works";
}

TEST_F(ChordRecognitionTest, TriggeredChordsSoundInTheKeyboardOctave) {
  rig.transport.ToggleClock();
  ASSERT_TRUE(chords.SetPlayChords(true));
  rig.engine.Keyboard.KeyDown(vk::PageUp, {});  // one octave up
  const struct {
    const char* source;
    std::function<void()> press, release;
  } sources[] = {
      {"a trigger key",
       [this] { rig.engine.Input.Route({.MidiMessage = 0x90, .Data1 = 64, .Data2 = 90}); },
       [this] { rig.engine.Input.Route({.MidiMessage = 0x80, .Data1 = 64}); }},
      {"the on-screen keyboard", [this] { rig.engine.Keyboard.ScreenNoteOn(64, 90); },
       [this] { rig.engine.Keyboard.ScreenNoteOff(64); }},
  };
  for (const auto& s : sources) {
    rig.driver.ClearSent();
    s.press();
    s.release();
    EXPECT_EQ(rig.Notes(),
              (std::vector<std::string>{"0:1:76:90", "0:1:80:90", "0:1:83:90", "0:1:88:90",
                                        "0:1:76:0", "0:1:80:0", "0:1:83:0", "0:1:88:0"}))
        << s.source << ": E major, once an octave up";
  }
}

TEST_F(ChordRecognitionTest, TheSetterIgnoresTypeZeroAndStartsTheStyle) {
  chords.SetChord(60, 0, 0);
  EXPECT_EQ(Pending(), "none");
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 100}, {20, 0x91, 60, 0}});
  rig.Load(fixture);
  chords.SetChord(48, 1, 0);
  EXPECT_TRUE(rig.player.Playing) << "the first chord starts a loaded style";
}

TEST_F(ChordRecognitionTest, ChordNamesMarkRootsAnOctaveUp) {
  EXPECT_EQ(chords.ChordName(52, 17), "E\" sus7");
  EXPECT_EQ(chords.ChordName(55, 4), "G\" min7");
  EXPECT_EQ(chords.ChordName(48, 1), "C maj");
  EXPECT_EQ(chords.ChordName(48, 0), "C maj") << "a type below 1 is named as 1";
  chords.SetFirstKey(48);
  EXPECT_EQ(chords.ChordName(52, 17), "E sus7");
  EXPECT_EQ(chords.TitleText(52, 17), "Korvel  -  Chord : E sus7  -  Channel 1");
}

TEST_F(ChordRecognitionTest, TheChordTypesString) {
  EXPECT_EQ(chords.ChordTypesString(), "02030405060708091011");
  EXPECT_TRUE(chords.SetChordTypesString("17161514131211100908"));
  EXPECT_EQ(chords.ChordTypeSlots[2], 17);
  EXPECT_EQ(chords.ChordTypesString(), "17161514131211100908");
  for (const char* wrong :
       {"", "0203", "01030405060708091011", "18030405060708091011", "0203040506070809101x"}) {
    EXPECT_FALSE(chords.SetChordTypesString(wrong)) << wrong;
  }
  EXPECT_TRUE(chords.SetChordTypesString("02030405060708091011"));
  EXPECT_EQ(chords.ChordTypeSlots[11], 11) << "the identity table is restored";
  EXPECT_EQ(chords.ChordTypeSlots[1], 1);
  EXPECT_EQ(chords.ChordTypeSlots[18], 2);
  EXPECT_EQ(chords.ChordTypeSlots[19], 3);
}

}  // namespace
}  // namespace korvel
