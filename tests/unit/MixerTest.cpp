// Instrument lists, instrument choice in GM, GS and XG, the mixer's messages, the instrument
// keys and their stored sets, and the sound-module resets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "app/Configuration.h"
#include "app/ListEditor.h"
#include "support/PlayerRig.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

using test::FixtureEvent;
using test::PlayerRig;
using test::StyleFixture;

// A scratch folder with instrument-set files, gone after the test.
class ListFolder {
 public:
  ListFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("korvel-kvi-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ListFolder() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return (path_ / name).string();
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

constexpr const char* kGsList =
    "-- Piano --\n"
    "001 000 000 Piano 1\n"
    "001 008 000 Piano 1w\n"
    "001 000 064 Odd one\n"
    "x01 000 000 Not a number\n"
    " 1 = Bank-Type  (0: GM  1: GS  2: XG)\n";

std::string Messages(const RecordingDriver& driver) {
  std::string text;
  for (const auto& m : driver.Sent()) {
    for (size_t i = 0; i < m.Bytes.size(); ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "", m.Bytes[i]);
      text += hex;
    }
    text += "\n";
  }
  return text;
}

class MixerTest : public ::testing::Test {
 protected:
  MixerTest() { rig.driver.ClearSent(); }
  void UseList(const std::string& text) {
    mixer.ProgramDir = folder.Path();
    folder.Write("test.kvi", text);
    mixer.LoadInstrumentList("test.kvi", "");
  }
  PlayerRig rig;
  Mixer& mixer = rig.engine.Mixer;
  ListFolder folder;
};

TEST_F(MixerTest, InstrumentChoiceSendsBankAndProgramAsTheModuleWantsThem) {
  struct Case {
    char bankType;
    int line;
    const char* messages;
    int msb, lsb;
  };
  const Case cases[] = {
      {'1', 3, "B2 00 00\nB2 20 40\nC2 00\n", 0, 64},  // GS: first field is the MSB
      {'2', 3, "B2 00 40\nB2 20 00\nC2 00\n", 64, 0},  // XG: second field is the MSB
      {'1', 2, "B2 00 08\nB2 20 00\nC2 00\n", 8, 0},
      {'1', 0, "", 0, 0},  // a heading
      {'1', 4, "", 0, 0},  // columns that make no program
  };
  for (const Case& c : cases) {
    std::string list = kGsList;
    list[list.rfind('\n', list.size() - 2) + 2] = c.bankType;
    UseList(list);
    rig.live.SelChannel = 2;
    rig.driver.ClearSent();
    mixer.SelectInstrument(c.line, false);
    SCOPED_TRACE(std::string("bank type ") + c.bankType + ", line " + std::to_string(c.line));
    EXPECT_EQ(Messages(rig.driver), c.messages);
    if (*c.messages) {
      EXPECT_EQ(rig.live.Mixer[2].BankMsb, c.msb);
      EXPECT_EQ(rig.live.Mixer[2].BankLsb, c.lsb);
      EXPECT_EQ(mixer.ChannelInstrument[2], c.line);
    }
  }
}

TEST_F(MixerTest, GeneralMidiListSendsTheLineAsProgramWithoutBanks) {
  mixer.LoadInstrumentList("", "");
  EXPECT_EQ(mixer.List.Size(), 130);
  EXPECT_EQ(mixer.List.DisplayName, "GM.KVI");
  rig.live.Mixer[0].BankMsb = 5;
  mixer.SelectInstrument(9, false);  // the tenth line
  EXPECT_EQ(Messages(rig.driver), "C0 09\n");
  EXPECT_EQ(rig.live.Mixer[0].BankMsb, 0);
  EXPECT_EQ(rig.live.Mixer[0].Program, 9);
  EXPECT_EQ(rig.engine.Sent.ChannelStateValue(0, ChannelState::kProgramIndex), 9);
  rig.driver.ClearSent();
  mixer.SelectInstrument(128, false);  // "Drums" is no program number
  mixer.SelectInstrument(129, false);
  EXPECT_EQ(Messages(rig.driver), "");
  EXPECT_EQ(mixer.ChannelLine(0), " Ch. 01 : Glockenspiel");
  EXPECT_EQ(mixer.ChannelLine(9), " Ch. 10 : Drums");
}

TEST_F(MixerTest, ListFilesSurviveAnyBytesAndMissingFilesFallBack) {
  UseList(std::string("\x00\xff\r\n001\n\x80\x80", 10));
  EXPECT_EQ(mixer.List.Size(), 3);
  for (int line = 0; line < mixer.List.Size(); ++line) mixer.SelectInstrument(line, false);
  UseList("003 000 000 Piano\n 7 = unknown bank type\n");
  EXPECT_EQ(mixer.List.Mode, kPatchGm) << "a type digit above 2 keeps the mode";
  EXPECT_EQ(mixer.List.DisplayName, "TEST.KVI");
  mixer.LoadInstrumentList("gone.kvi", "");
  EXPECT_EQ(mixer.List.DisplayName, "GM.KVI");
  ASSERT_EQ(rig.dialogs.Statuses.size(), 1u);
  EXPECT_NE(rig.dialogs.Statuses[0].find("gone.kvi"), std::string::npos);
}

TEST_F(MixerTest, ChoicesByTheUserBecomePartOfTheLoadedStyle) {
  // Channel 3: volume and program before its first note and again after it.
  const std::vector<FixtureEvent> events = {{0, 0xB2, 7, 90},   {0, 0xC2, 5, 0},   {0, 0xB3, 7, 11},
                                            {6, 0x92, 60, 100}, {12, 0xB2, 7, 80}, {12, 0xC2, 6, 0},
                                            {18, 0x92, 60, 0}};
  for (const bool fix : {false, true}) {
    StyleFixture fixture;
    fixture.Part(kBasic, 1, events);
    rig.Load(fixture);
    mixer.FixChanges = fix;
    rig.live.SelChannel = 2;
    mixer.LoadInstrumentList("", "");
    mixer.SelectInstrument(40, true);
    mixer.MoveBar(kBarVolume, 70, true);
    mixer.MoveBar(kBarExpression, 50, true);  // not a style setting
    SCOPED_TRACE(fix ? "Fix changes" : "first events only");
    std::vector<std::string> found;
    const auto material = rig.style.Material();
    for (size_t at = 0; at + 2 < material.size(); ++at) {
      if (IsTimeByte(material[at])) continue;
      if ((material[at] & 0xF0) == 0xB0 || (material[at] & 0xF0) == 0xC0)
        found.push_back(std::to_string(material[at]) + ":" + std::to_string(material[at + 1]) +
                        ":" + std::to_string(material[at + 2]));
      at += 2;
    }
    const std::vector<std::string> expected =
        fix ? std::vector<std::string>{"178:7:70", "194:40:0", "179:7:11", "178:7:70", "194:40:0"}
            : std::vector<std::string>{"178:7:70", "194:40:0", "179:7:11", "178:7:80", "194:6:0"};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(rig.style.Channels.Value(2, 7), 70);
    EXPECT_EQ(rig.style.Channels.Value(2, ChannelState::kProgramIndex), 40);
    EXPECT_EQ(rig.style.Channels.Value(2, 11), 255);
  }
}

TEST_F(MixerTest, NothingIsSentWhileTheOutputIsBusyWithSystemExclusive) {
  rig.driver.SetHoldLongMessages(true);
  rig.ports.PlayPort->PutLong(std::array<uint8_t, 3>{0xF0, 0x01, 0xF7}.data(), 3);
  rig.driver.ClearSent();
  mixer.SelectInstrument(3, false);
  mixer.MoveBar(kBarPan, 20, false);
  mixer.SendValues();
  mixer.ControllerReset();
  mixer.StartDeviceReset(DeviceReset::Gm);
  EXPECT_EQ(Messages(rig.driver), "");
  EXPECT_FALSE(mixer.ResetPending());
  rig.driver.CompleteLongMessages();
}

TEST_F(MixerTest, SendValuesAndControllerResetSendInTheirOrder) {
  mixer.LoadInstrumentList("", "");
  rig.live.SelChannel = 1;
  mixer.SelectInstrument(24, false);
  mixer.Bars = {100, 70, 40, 5, 3, 127, 0, 9};
  rig.driver.ClearSent();
  mixer.SendValues();
  EXPECT_EQ(Messages(rig.driver),
            "B1 79 00\nC1 18\nB1 07 64\nB1 0A 46\nB1 5B 28\nB1 5D 05\nB1 01 03\nD1 09\n");
  rig.driver.ClearSent();
  mixer.ControllerReset();
  const std::string sent = Messages(rig.driver);
  std::string expected;
  for (int channel = 0; channel < 16; ++channel) {
    char line[16];
    std::snprintf(line, sizeof line, "B%X 79 00\n", channel);
    expected += line;
  }
  EXPECT_EQ(sent.substr(0, expected.size()), expected);
  EXPECT_EQ(rig.engine.Sent.ChannelStateValue(1, 7), ChannelState::kNone);
  EXPECT_EQ(mixer.SentValues(1), (std::array<std::string, 8>{}));
  mixer.MoveBar(kBarPan, 54, false);
  mixer.MoveBar(kBarVolume, 99, false);
  EXPECT_EQ(mixer.SentValues(1), (std::array<std::string, 8>{"", "", "99", "-10", "", "", "", ""}));
}

TEST_F(MixerTest, DeviceResetsSendTheStandardMessagesThenTheLiveSetUp) {
  const std::string liveSetUp =
      "B0 07 69\nB0 0A 4A\nB0 5B 4F\nB0 5D 00\n"
      "BE 07 69\nBE 0A 36\nBE 5B 4F\nBE 5D 00\nBE 00 00\nBE 20 00\nCE 11\n"
      "BF 07 41\nBF 0A 32\nBF 5B 50\nBF 5D 0A\nBF 01 00\nBF 00 00\nBF 20 00\nCF 5A\n";
  const struct {
    DeviceReset kind;
    const char* sysex;
  } cases[] = {
      {DeviceReset::Gm, "F0 7E 7F 09 01 F7\n"},
      {DeviceReset::Gs, "F0 41 10 42 12 40 00 7F 00 41 F7\n"},
      {DeviceReset::Xg, "F0 7E 7F 09 01 F7\nF0 43 10 4C 00 00 7E 00 F7\n"},
  };
  for (const auto& c : cases) {
    PlayerRig fresh;
    Mixer& m = fresh.engine.Mixer;
    fresh.transport.UnchangedMidiIn = true;
    fresh.driver.SetHoldLongMessages(true);
    ASSERT_NE(fresh.transport.ClockState, 0);
    fresh.driver.ClearSent();
    m.StartDeviceReset(c.kind);
    EXPECT_TRUE(m.ResetPending()) << "the live set-up waits for the module to have the reset";
    EXPECT_EQ(fresh.transport.ClockState, 0);
    const std::string beforeSysex = Messages(fresh.driver);
    fresh.driver.ClearSent();
    fresh.driver.CompleteLongMessages();
    m.FinishDeviceReset();
    const std::string sent = Messages(fresh.driver);
    SCOPED_TRACE(c.sysex);
    ASSERT_GE(beforeSysex.size(), std::string(c.sysex).size());
    EXPECT_EQ(beforeSysex.substr(beforeSysex.size() - std::string(c.sysex).size()), c.sysex);
    EXPECT_EQ(sent.substr(0, liveSetUp.size()), liveSetUp);
    EXPECT_EQ(fresh.dialogs.Messages, std::vector<std::string>{kResetDone});
    EXPECT_NE(fresh.transport.ClockState, 0) << "the clock runs again";
    EXPECT_FALSE(fresh.transport.UnchangedMidiIn);
    EXPECT_EQ(fresh.live.HarmonicPadChannel, 16);
    EXPECT_EQ(fresh.live.Mixer[15].Program, 90);
  }
}

TEST_F(MixerTest, AnotherListBringsItsDefaultKeysOrEmptiesTheInstrumentKeys) {
  mixer.ProgramDir = test::ShippedDataDir();
  mixer.LoadInstrumentList("", "");
  mixer.Keys.SetFunction(4, 1);
  mixer.LoadInstrumentList("gs.kvi", "130000005017022026041056061065080087105000");
  EXPECT_EQ(mixer.Keys.Slots[1].Value, 6) << "the stored set is for GM: GS's default set";
  mixer.Keys.SetFunction(4, 1);
  mixer.LoadInstrumentList("sc-55.kvi", "");
  EXPECT_EQ(rig.engine.Loader.Settings.InstrumentSetName, "SC-55.KVI")
      << "styles loaded now get the SC-55's bank and kit adjustments";
  for (int k = 0; k < 12; ++k)
    EXPECT_EQ(mixer.Keys.Slots[static_cast<size_t>(k)].Empty(), k != 4) << "key " << k + 1;
}

TEST_F(MixerTest, AResetTheDriverRefusesIsToldAndTheClockRunsOn) {
  ASSERT_NE(rig.transport.ClockState, 0);
  rig.driver.SetLongFailure("Module", kMidiError);
  mixer.StartDeviceReset(DeviceReset::Gs);
  EXPECT_FALSE(mixer.ResetPending());
  EXPECT_NE(rig.transport.ClockState, 0);
  ASSERT_EQ(rig.dialogs.Messages.size(), 1u);
  EXPECT_NE(rig.dialogs.Messages[0], kResetDone);
}

TEST_F(MixerTest, ReverbStepsSetEveryChannelWithNotes) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60}));
  rig.Load(fixture);
  mixer.DefinedReverb = 30;
  rig.driver.ClearSent();
  mixer.ReverbStep(129);
  EXPECT_EQ(Messages(rig.driver), "B1 5B 1E\n");
  mixer.ReverbStep(128);
  EXPECT_EQ(rig.style.Channels.Value(1, 91), 0);
  EXPECT_EQ(rig.style.Channels.Value(0, 91), 255) << "channels without notes keep theirs";
}

TEST(KeySlots, DefaultAndStoredSetsFollowTheList) {
  InstrumentList gm;
  KeySlots keys;
  ASSERT_TRUE(keys.ApplyKeySet("", gm));
  EXPECT_EQ(keys.Slots[0], (KeySlot{0, 105, 64, 75, 10}));
  EXPECT_EQ(keys.Slots[1], (KeySlot{5, 105, 64, 75, 10}));
  EXPECT_EQ(keys.Text(1, gm), "Electric Piano 2");
  const auto before = keys.Slots;
  EXPECT_FALSE(keys.ApplyKeySet(DefaultKeySet(kPatchGs), gm)) << "made for a 204-line list";
  EXPECT_FALSE(keys.ApplyKeySet("130abc", gm));
  EXPECT_EQ(keys.Slots, before);
  // An index at or beyond the last line becomes the first instrument.
  ASSERT_TRUE(keys.ApplyKeySet("130129128127000000000000000000000000000000", gm));
  EXPECT_EQ(keys.Slots[0].Value, 0);
  EXPECT_EQ(keys.Slots[1].Value, 128);
  EXPECT_EQ(keys.Slots[2].Value, 127);
}

TEST(KeySlots, FunctionsSurviveAStoredSet) {
  InstrumentList gm;
  KeySlots keys;
  keys.ApplyKeySet("", gm);
  ASSERT_TRUE(keys.SetFunction(3, 1));
  ASSERT_TRUE(keys.SetInstrument(4, 56, gm, 90, 60, 20, 5));
  keys.Clear(5);
  EXPECT_EQ(keys.Text(3, gm), "** Start/Stop **");
  EXPECT_EQ(keys.Text(5, gm), "");
  const std::string set = keys.SetString(gm.Size());
  EXPECT_EQ(set.size(), 42u);
  KeySlots again;
  ASSERT_TRUE(again.ApplyKeySet(set, gm));
  EXPECT_EQ(again.Slots[3], (KeySlot{1976, 1, 0, 0, 0}));
  EXPECT_EQ(again.Slots[4].Value, 56);
  EXPECT_EQ(again.Slots[4].Volume, 105) << "a stored set keeps only the instrument";
}

TEST(KeySlots, RandomDrawsInstrumentsFromEachPortion) {
  InstrumentList list;
  list.Lines.clear();
  for (int i = 0; i < 300; ++i)
    list.Lines.push_back(i % 3 == 0 ? "-- heading --" : "001 000 000 Voice");
  list.Lines.push_back(" 2 = Bank-Type");
  list.Mode = kPatchXg;
  KeySlots keys;
  keys.SetFunction(7, 4);
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    keys.Random(list, random);
    for (int k = 0; k < 12; ++k) {
      if (k == 7) {
        EXPECT_TRUE(keys.Slots[7].IsFunction());
        continue;
      }
      const int value = keys.Slots[static_cast<size_t>(k)].Value;
      EXPECT_TRUE(list.IsInstrument(value));
      EXPECT_GE(value, k * 20);
      EXPECT_LT(value, (k + 1) * 20);
    }
  }
}

TEST_F(MixerTest, StoredSetsAreAskedForAndWrittenAsDigits) {
  mixer.LoadInstrumentList("", "");
  Configuration settings(folder.Path());
  settings.InstrumentSets["2"] = "130001002003004005006007008009010011012000";
  rig.dialogs.Answers = {true, true, false};
  EXPECT_TRUE(mixer.LoadStoredSet(2, settings));
  EXPECT_EQ(mixer.Keys.Slots[11].Value, 12);
  EXPECT_TRUE(mixer.LoadStoredSet(3, settings)) << "no key 3: the default set";
  EXPECT_EQ(mixer.Keys.Slots[1].Value, 5);
  EXPECT_FALSE(mixer.LoadStoredSet(2, settings));
  EXPECT_EQ(rig.dialogs.Questions[0], "Open Instrument-Set No.2 ?");
  mixer.SaveStoredSet(4, settings);
  EXPECT_EQ(settings.InstrumentSets["4"], DefaultKeySet(kPatchGm));
}

TEST_F(MixerTest, InstrumentKeysPlayTheirInstrumentOrFunction) {
  mixer.LoadInstrumentList("", "");
  rig.live.SelChannel = 4;
  mixer.Keys.SetInstrument(0, 33, mixer.List, 90, 30, 20, 10);
  mixer.Keys.SetFunction(1, 5);  // octave up
  rig.driver.ClearSent();
  rig.engine.Keyboard.KeyDown(vk::F1, {true, false, false});
  EXPECT_EQ(Messages(rig.driver), "C4 21\nB4 07 5A\nB4 0A 1E\nB4 5B 14\nB4 5D 0A\n");
  const int octave = rig.live.KeyboardOctave;
  rig.engine.Input.Hooks.SelectInstrumentPreset(1);
  EXPECT_EQ(rig.live.KeyboardOctave, octave + 1);
  mixer.Selected = 50;
  rig.engine.Keyboard.KeyDown(vk::F1 + 2, {true, true, false});  // Shift+Ctrl stores
  EXPECT_EQ(mixer.Keys.Slots[2].Value, 50);
}

TEST_F(MixerTest, AnInstrumentKeyPressedWhileTheAccompanimentPlaysChangesOnTheNextBeat) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 90}});
  rig.Load(fixture);
  mixer.LoadInstrumentList("", "");
  rig.live.SelChannel = 4;
  mixer.Keys.SetInstrument(0, 33, mixer.List, 90, 30, 20, 10);
  rig.Start();
  for (int tick = 0; tick < 30; ++tick) rig.engine.Step();  // inside the second beat
  rig.driver.ClearSent();
  rig.engine.Keyboard.KeyDown(vk::F1, {true, false, false});
  EXPECT_EQ(Messages(rig.driver).find("C4 21"), std::string::npos) << "not in mid-beat";
  for (int tick = 0; tick < 24 && rig.engine.Transport.ClockInBeat != 1; ++tick) rig.engine.Step();
  EXPECT_NE(Messages(rig.driver).find("C4 21"), std::string::npos) << "on the beat";

  // A choice made just before Stop still comes.
  for (int tick = 0; tick < 5; ++tick) rig.engine.Step();
  rig.engine.Keyboard.KeyDown(vk::F1, {true, false, false});
  rig.driver.ClearSent();
  rig.engine.Transport.StopCommand();
  EXPECT_NE(Messages(rig.driver).find("C4 21"), std::string::npos);
}

TEST_F(MixerTest, TheHarmonicPadKeySendsThePadChannelsSettingsAgain) {
  mixer.LoadInstrumentList("", "");
  rig.live.HarmonicPadChannel = 3;
  rig.live.Mixer[2].Volume = 80;
  rig.live.Mixer[2].Pan = 20;
  rig.driver.ClearSent();
  rig.engine.Input.KeyFunction(1977);
  EXPECT_TRUE(rig.live.HarmonicPad);
  const std::string sent = Messages(rig.driver);
  EXPECT_NE(sent.find("B2 07 50\nB2 0A 14\n"), std::string::npos) << sent;
}

TEST_F(MixerTest, SoundcardModesPickTheirFile) {
  mixer.ProgramDir = folder.Path();
  for (const char* name : {"db50xg.kvi", "gm.kvi", "gs.kvi", "sc-55.kvi"})
    folder.Write(name, std::string(name) + "\n 1 = Bank-Type\n");
  folder.Write("readme.txt", "not a list");
  EXPECT_EQ(mixer.InstrumentSetFiles().size(), 4u);
  EXPECT_EQ(mixer.SelectSoundcardSet(2, ""), "sc-55.kvi");
  EXPECT_EQ(mixer.List.Lines[0], "sc-55.kvi");
  EXPECT_EQ(mixer.SelectSoundcardSet(3, ""), "db50xg.kvi");
  std::filesystem::remove(folder.Path() + "/gs.kvi");
  EXPECT_EQ(mixer.SelectSoundcardSet(1, ""), "db50xg.kvi") << "none fits: the first file";
}

TEST_F(MixerTest, TheListEditorIsFoundStartedAndTheListReloaded) {
  EXPECT_EQ(LocateEditor(folder.Path()), "");
  folder.Write("KVLIST.EXE", "not for this system");
  EXPECT_EQ(LocateEditor(folder.Path()), "") << "a file that cannot run is no editor";
  std::filesystem::create_directories(folder.Path() + "/EDITOR");
  // The editor stand-in notes which list it was given.
  const std::string editor =
      folder.Write("EDITOR/kvlist", "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\n");
  std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
  ASSERT_EQ(LocateEditor(folder.Path()), editor);
  UseList(kGsList);
  folder.Write("test.kvi", "001 000 000 Edited\n 1 = Bank-Type\n");  // as the editor saves it
  mixer.Selected = 1;
  rig.dialogs.Answers = {true};
  RunEditor(editor, "test.kvi", mixer, rig.dialogs);
  EXPECT_EQ(rig.dialogs.Questions, std::vector<std::string>{"Reload instrument list test.kvi !"});
  EXPECT_EQ(mixer.List.Lines[0], "001 000 000 Edited");
  EXPECT_EQ(mixer.Selected, 0);
  const auto opened = std::filesystem::path(folder.Path()) / "EDITOR" / "opened";
  const auto written = [&opened] {
    std::error_code error;
    const auto size = std::filesystem::file_size(opened, error);
    return !error && size > 0;
  };
  for (int wait = 0; wait < 500 && !written(); ++wait) usleep(10000);
  std::string argument;
  std::getline(std::ifstream(opened), argument);
  EXPECT_EQ(argument, folder.Path() + "/test.kvi");
  RunEditor(folder.Path() + "/missing", "test.kvi", mixer, rig.dialogs);
  EXPECT_EQ(rig.dialogs.Questions.size(), 1u) << "a failed start asks nothing";
}

TEST(ShippedInstrumentLists, LoadWithTheirBankTypeAndDefaultKeySet) {
  const struct {
    const char* file;
    int mode;
    bool defaultSetFits;
  } lists[] = {{"gm.kvi", kPatchGm, true},
               {"gs.kvi", kPatchGs, true},
               {"sc-55.kvi", kPatchGs, false},
               {"db50xg.kvi", kPatchXg, true}};
  for (const auto& shipped : lists) {
    SCOPED_TRACE(shipped.file);
    InstrumentList list;
    std::string error;
    ASSERT_TRUE(list.LoadFile(test::ShippedDataDir() + "/" + shipped.file, error)) << error;
    EXPECT_EQ(list.Mode, shipped.mode);
    KeySlots keys;
    EXPECT_EQ(keys.ApplyKeySet("", list), shipped.defaultSetFits);
    if (!shipped.defaultSetFits) continue;
    for (int k = 0; k < 12; ++k) {
      const KeySlot& slot = keys.Slots[static_cast<size_t>(k)];
      EXPECT_TRUE(slot.IsFunction() || list.Choice(slot.Value)) << "key " << k + 1;
    }
  }
}

}  // namespace
}  // namespace korvel
