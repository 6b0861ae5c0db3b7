#include "performance/ChordCodes.h"

#include <gtest/gtest.h>

#include "support/PlayerRig.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

// Chord codes as "tick:controller:value", in the order the module got them.
std::vector<std::string> Codes(const RecordingDriver& driver) {
  std::vector<std::string> codes;
  for (const auto& m : driver.Sent()) {
    if (m.Bytes.size() != 3 || (m.Bytes[0] & 0xF0) != 0xB0) continue;
    if (m.Bytes[1] != 19 && m.Bytes[1] != 20) continue;
    codes.push_back(std::to_string(m.Tick) + ":" + std::to_string(m.Bytes[1]) + ":" +
                    std::to_string(m.Bytes[2]));
  }
  return codes;
}

class ChordCodesSend : public ::testing::Test {
 protected:
  test::PlayerRig rig;

  void SetUp() override {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    rig.Load(fixture);
    rig.engine.Codes.SetSending(true);
    rig.Start();
    rig.Ticks(1);  // the first beat
    rig.driver.ClearSent();
  }
  // A chord played at a clock of the current beat (1..24).
  void PlayAt(int clock, int root, int type) {
    rig.Ticks((clock - rig.transport.ClockInBeat + 24) % 24);
    rig.engine.Chords.SetChord(root, type, kFinalRoot);
  }
};

TEST_F(ChordCodesSend, AChordPlayedBeforeTheCodeClockIsAnnouncedOnceAndOneAfterItGoesOnTheBeat) {
  const int64_t beat = rig.tick;  // clock 1 of this beat
  PlayAt(5, 62, 1);               // D maj, just late for this beat: voiced at once
  PlayAt(12, 55, 4);              // G min7, before clock 20
  rig.Ticks(24);                  // to clock 12 of the next beat
  PlayAt(22, 50, 12);             // D mM7, after clock 20 of the second beat
  rig.Ticks(24);
  const std::vector<std::string> expected = {
      std::to_string(beat + 5) + ":20:2",
      std::to_string(beat + 19) + ":20:43",
      std::to_string(beat + 48) + ":19:14",
  };
  EXPECT_EQ(Codes(rig.driver), expected);
  EXPECT_EQ(rig.view.Titles.back(), "Korvel  -  Chord : D mM7  -  Channel 10");
}

TEST_F(ChordCodesSend, EveryChordTypeIsSentAndAStartAfterAStopSendsTheChordAgain) {
  for (int type = 1; type <= 17; ++type) {
    PlayAt(22, 48 + type % 12, type);
    rig.Ticks(3);  // the beat
  }
  const auto codes = Codes(rig.driver);
  ASSERT_EQ(codes.size(), 17u);
  for (int type = 1; type <= 17; ++type) {
    const auto code = EncodeChordCode(48 + type % 12, type);
    const std::string& sent = codes[static_cast<size_t>(type - 1)];
    EXPECT_EQ(sent.substr(sent.find(':') + 1),
              std::to_string(code->Controller) + ":" + std::to_string(code->Value));
  }
  rig.transport.StopCommand();
  rig.transport.ToggleClock();
  rig.transport.ToggleClock();
  rig.Start();
  rig.engine.Chords.SetChord(48 + 17 % 12, 17, kFinalRoot);
  rig.Ticks(24);
  EXPECT_EQ(Codes(rig.driver).size(), 1u) << "the receiver may have missed the stop";
}

TEST_F(ChordCodesSend, NothingIsSentWhileSendingIsOffOrTheChordHasNoCode) {
  rig.engine.Codes.SetSending(false);
  EXPECT_EQ(rig.view.Titles.back(), rig.transport.WindowTitle);
  PlayAt(12, 55, 4);
  rig.Ticks(24);
  rig.engine.Codes.SetSending(true);
  rig.engine.Codes.ChordVoiced(48, 18);
  rig.engine.Codes.ChordVoiced(48, 0);
  EXPECT_TRUE(Codes(rig.driver).empty());
}

TEST_F(ChordCodesSend, AdLibSwitchedHereIsSentAsTheReceiverReadsIt) {
  rig.engine.Codes.SendAdLib(true);
  rig.engine.Codes.SendAdLib(false);
  const auto codes = Codes(rig.driver);
  ASSERT_EQ(codes.size(), 2u);
  EXPECT_EQ(DecodeChordCode(20, std::stoi(codes[0].substr(codes[0].rfind(':') + 1))).Kind,
            ChordCodeKind::AdLibOn);
  EXPECT_EQ(DecodeChordCode(20, std::stoi(codes[1].substr(codes[1].rfind(':') + 1))).Kind,
            ChordCodeKind::AdLibOff);
}

// A song's chords and the codes sent for them, as one log in the order they happened.
std::string SongLog(bool adLib, const test::SongBytes& song, int beats = 8, int loopLast = 0) {
  test::SongRig rig;
  rig.Load(song);
  if (loopLast > 0) {
    rig.song.SetLastMeasure(loopLast);
    rig.song.LoopOn = true;
  }
  rig.engine.Codes.SetSending(true);
  rig.engine.Input.MelodyAdLib = adLib;
  std::string log;
  size_t seen = 0;
  const auto codes = [&] {
    const auto all = Codes(rig.driver);
    for (; seen < all.size(); ++seen)
      log += "code " + all[seen].substr(all[seen].find(':') + 1) + "\n";
  };
  rig.song.Hooks.BeatPlayed = [&](const SongBeat& beat) {
    codes();
    if (beat.ChordRoot > 0) log += "beat chord " + std::to_string(beat.ChordType) + "\n";
  };
  rig.driver.ClearSent();
  rig.song.Play();
  for (int i = 0; i < beats * 24; ++i) {
    rig.Ticks(1);
    codes();
  }
  return log;
}

TEST(ChordCodes, ASongsChordsGoOutOnTheirBeatsOrAheadOfThemWithAdLib) {
  test::SongBytes song(3);
  song.At(1, 1, {48, 1, 0, 0}).At(1, 3, {53, 12, 0, 0}).At(2, 1, {55, 4, 0, 0}).End(3);
  // Voiced after the beat's entry is read: each code follows its beat.
  EXPECT_EQ(SongLog(false, song),
            "beat chord 1\ncode 20:0\n"
            "beat chord 12\ncode 19:17\n"
            "beat chord 4\ncode 20:43\n");
  // With Ad Lib the coming chord is taken at the code clock of the beat before.
  EXPECT_EQ(SongLog(true, song),
            "beat chord 1\ncode 20:0\n"
            "code 19:17\nbeat chord 12\n"
            "code 20:43\nbeat chord 4\n");
}

TEST(ChordCodes, TheChordAnnouncedBeforeAJumpIsTheOneTheJumpPlays) {
  // A loop over measure 1 (C, then G on beat 3) jumps back before F. A repeat of measure 2
  // (A minor) jumps back to it, then the end mark loops to C.
  test::SongBytes loop(3);
  loop.At(1, 1, {48, 1, 0, 0}).At(1, 3, {55, 1, 0, 0}).At(2, 1, {53, 1, 0, 0}).End(3);
  EXPECT_EQ(SongLog(true, loop, 7, 1),
            "beat chord 1\ncode 20:0\n"
            "code 20:7\nbeat chord 1\n"
            "code 20:0\nbeat chord 1\n"
            "code 20:7\nbeat chord 1\n");
  test::SongBytes repeat(3);
  repeat.At(1, 1, {48, 1, 0, 0})
      .At(2, 1, {57, 2, kCommandRepeat, 102})
      .At(2, 4, {0, 0, kCommandRepeat, 0})
      .End(3);
  EXPECT_EQ(SongLog(true, repeat, 13, 4),
            "beat chord 1\ncode 20:0\n"
            "code 20:21\nbeat chord 2\n"
            "beat chord 2\ncode 20:21\n"
            "code 20:0\nbeat chord 1\n");
}

TEST(ChordCodes, DecodingTakesBackEveryCodeAndRefusesTheRest) {
  for (int type = 1; type <= 17; ++type) {
    for (int root = 0; root < 128; ++root) {
      const auto code = EncodeChordCode(root, type);
      ASSERT_TRUE(code);
      const auto back = DecodeChordCode(code->Controller, code->Value);
      ASSERT_EQ(back.Kind, ChordCodeKind::Chord);
      EXPECT_EQ(back.Type, type);
      EXPECT_EQ(back.PitchClass, root % 12);
    }
  }
  EXPECT_FALSE(EncodeChordCode(48, 0));
  EXPECT_FALSE(EncodeChordCode(48, 18));
  for (int value = 84; value < 120; ++value)
    EXPECT_EQ(DecodeChordCode(19, value).Kind, ChordCodeKind::Invalid) << value;
  EXPECT_EQ(DecodeChordCode(20, 120).Kind, ChordCodeKind::AdLibOff);
  EXPECT_EQ(DecodeChordCode(19, 121).Kind, ChordCodeKind::AdLibOn);
  EXPECT_EQ(DecodeChordCode(20, 127).Kind, ChordCodeKind::Refresh);
  EXPECT_EQ(DecodeChordCode(21, 5).Kind, ChordCodeKind::Invalid);
  EXPECT_EQ(DecodeChordCode(20, 128).Kind, ChordCodeKind::Invalid);
}

// The external application's output reaches the engine's second input.
class ChordCodesReceive : public ::testing::Test {
 protected:
  RecordingDriver driver{{"Module"}, {"App out"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  Engine engine{devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual};

  void SetUp() override {
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();
    engine.Ports.MidiInList = 0;
    engine.Ports.MidiInChange();
    ASSERT_TRUE(engine.Ports.MidiInput2.IsOpen());
    engine.Transport.ToggleClock();  // off: a chord is voiced at once
    engine.Codes.SetReceiving(true);
  }
  void Receive(int channel, int controller, int value) {
    driver.Inject("App out", static_cast<uint32_t>(0xB0 | channel | controller << 8 | value << 16));
    engine.Ports.MidiInput2.ProcessNotifications();
  }
};

TEST_F(ChordCodesReceive, ACodeIsShownButTheAccompanimentKeepsItsChord) {
  engine.Chords.SetFirstKey(36);
  engine.Transport.ToggleClock();  // on: a song may be recording
  engine.Song.Record();
  driver.ClearSent();
  Receive(3, 19, 14);  // D mM7, placed an octave above the first key's
  EXPECT_EQ(engine.Chord.EditChordRoot, 50);
  EXPECT_EQ(engine.Chord.EditChordType, 12);
  EXPECT_EQ(engine.Chord.ChordRoot, 0) << "nothing for the accompaniment to voice";
  EXPECT_EQ(view.Titles.back(), engine.Chords.TitleText(50, 12, 3));
  EXPECT_EQ(view.Chords.back(), engine.Chords.ChordName(50, 12));
  Receive(0, 20, 43);  // G min7
  EXPECT_EQ(engine.Chord.EditChordRoot, 55);
  EXPECT_EQ(engine.Chord.EditChordType, 4);
  Receive(0, 19, 90);  // would be type 18: ignored
  EXPECT_EQ(engine.Chord.EditChordType, 4);
  for (int i = 0; i < 48; ++i) engine.Step();
  engine.Song.Stop();
  EXPECT_TRUE(engine.Song.Empty()) << "received codes are no song entries";
  EXPECT_TRUE(Codes(driver).empty()) << "codes are not passed on";

  // While the generator plays a loaded style, its own chords count.
  engine.Generator.Playing = true;
  engine.Style.StyleMode = true;
  Receive(0, 20, 0);
  EXPECT_EQ(engine.Chord.EditChordRoot, kNoChord);
}

TEST_F(ChordCodesReceive, Values120And121SwitchAdLibAndChangeNoChord) {
  Receive(0, 20, 43);
  Receive(0, 20, 121);
  EXPECT_TRUE(engine.Input.MelodyAdLib);
  Receive(0, 19, 120);
  EXPECT_FALSE(engine.Input.MelodyAdLib);
  EXPECT_EQ(engine.Chord.EditChordRoot % 12, 7);
  EXPECT_EQ(engine.Chord.EditChordType, 4);
}

TEST_F(ChordCodesReceive, WithReceivingOffACodeIsAnOrdinaryController) {
  engine.Codes.SetReceiving(false);
  driver.ClearSent();
  Receive(0, 20, 43);
  EXPECT_EQ(engine.Chord.EditChordRoot, kNoChord);
  ASSERT_FALSE(driver.Sent().empty());
  EXPECT_EQ(driver.Sent().back().Bytes, (std::vector<uint8_t>{0xB0, 20, 43}));
}

}  // namespace
}  // namespace korvel
