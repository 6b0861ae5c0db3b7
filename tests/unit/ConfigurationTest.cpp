#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/Configuration.h"
#include "support/PlayerRig.h"
#include "support/SourcePaths.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

class ConfigurationTest : public ::testing::Test {
 protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvel-config-" + std::to_string(getpid()));
  std::string file = (dir / "korvel.ini").string();
  Configuration config{"/opt/korvel"};

  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Write(const std::string& text) { std::ofstream(file) << text; }
  std::string Read() {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Load() {
    std::string error;
    ASSERT_TRUE(config.LoadSettings(file, error)) << error;
  }
};

TEST_F(ConfigurationTest, WithoutAFileTheStartValuesHoldAndAllKeysAreWrittenInOrder) {
  Load();
  EXPECT_TRUE(config.FirstRun);
  EXPECT_EQ(config.Integer("ToAdv"), 3);
  EXPECT_EQ(config.Integer("ToBasic"), 1);
  EXPECT_EQ(config.Integer("Metrum"), 2);
  EXPECT_EQ(config.Integer("MIDISUB-OUT"), -2);
  EXPECT_EQ(config.Text("Dir"), "/opt/korvel/SONGS");
  EXPECT_EQ(config.Text("chordtypes"), "02030405060708091011") << "names match in any case";
  config.SaveSettings(file);
  std::istringstream text(Read());
  std::vector<std::string> keys;
  std::string line;
  bool options = false;
  while (std::getline(text, line)) {
    if (line == "[Options]") options = true;
    if (options && line.find('=') != std::string::npos)
      keys.push_back(
          line.substr(0, line.find(' ') == std::string::npos ? line.find('=') : line.find(' ')));
  }
  std::vector<std::string> expected;
  for (const auto& spec : config.Keys()) expected.push_back(spec.Key);
  EXPECT_EQ(keys, expected);
}

TEST_F(ConfigurationTest, AbsentKeysAndNonsenseReadAsTheDefaults) {
  Write(
      "[options]\nfillin=5\nTempo1=300\nQuantize=x\nRedirect=7\nK_Smart=\nColor=-5\nDir=\n"
      "StyleDir=\nSongL=\n");
  Load();
  EXPECT_FALSE(config.FirstRun);
  EXPECT_EQ(config.Integer("FillIn"), 5);
  EXPECT_EQ(config.Integer("ToAdv"), 1) << "a file without ToAdv gives 1";
  EXPECT_EQ(config.Integer("ToBasic"), 3) << "and without ToBasic 3";
  EXPECT_EQ(config.Integer("Tempo1"), 60) << "out of range";
  EXPECT_EQ(config.Integer("Quantize"), 0) << "not a number";
  EXPECT_TRUE(config.Boolean("Redirect")) << "any integer but 0 is true";
  EXPECT_FALSE(config.Boolean("K_Smart"));
  EXPECT_EQ(config.Integer("Sync"), 8);
  EXPECT_EQ(config.Integer("Color"), -5);
  EXPECT_EQ(config.Text("Dir"), "/opt/korvel/SONGS") << "an empty folder is never kept";
  EXPECT_EQ(config.Text("StyleDir"), "/opt/korvel/STYLES");
  EXPECT_EQ(config.Text("SongL"), "/opt/korvel/SONGS/DEMO.KVL");
}

TEST_F(ConfigurationTest, SavingReplacesValuesInPlaceAndKeepsTheRest) {
  Write("[Other]\nmine=1\n[Options]\nFillIn=5\nUnknown=yes\n[Ins-Set]\n1=abc\n");
  Load();
  EXPECT_EQ(config.InstrumentSets["1"], "abc");
  config.Set("FillIn", 7);
  config.SaveSettings(file);
  const std::string text = Read();
  EXPECT_NE(text.find("mine"), std::string::npos);
  EXPECT_NE(text.find("Unknown"), std::string::npos);
  EXPECT_NE(text.find("abc"), std::string::npos);
  EXPECT_EQ(text.find("FillIn = 5"), std::string::npos);
  Configuration again("/opt/korvel");
  std::string error;
  ASSERT_TRUE(again.LoadSettings(file, error));
  EXPECT_EQ(again.Integer("FillIn"), 7);

  config.Set("Autoload", 0);
  std::filesystem::remove(file);
  config.SaveSettings(file);
  EXPECT_FALSE(std::filesystem::exists(file)) << "Auto-save settings off writes nothing";
}

TEST_F(ConfigurationTest, TheEngineTakesTheSettingsAndGivesThemBack) {
  test::PlayerRig rig;
  Write(
      "[Options]\nFillIn=0\nOct_Fillin=4\nFirstKey=0\nOct_FirstKey=4\nLastKey=11\n"
      "Oct_LastKey=5\nQuantize=1\nChordTypes=17161514131211100908\nRedirect=0\n"
      "2FingerChords=1\nMIDI-OUT=999\nMIDISUB-OUT=-2\nNV=90\n");
  Load();
  config.ApplySettings(rig.engine);
  config.ApplyDevices(rig.engine);
  EXPECT_EQ(rig.keys.FillInKey, 48);
  EXPECT_EQ(rig.live.FirstKey, 48);
  EXPECT_EQ(rig.engine.Input.LastKey, 71);
  EXPECT_EQ(rig.transport.QuantizeBeats, 2);
  EXPECT_EQ(rig.engine.Chords.ChordTypeSlots[2], 17);
  EXPECT_FALSE(rig.engine.Input.UnchangedExtIn);
  EXPECT_TRUE(rig.transport.TwoFingerChords);
  EXPECT_EQ(rig.engine.Loader.Settings.MaxVolume, 90) << "the target of \"Normalize Volume\"";
  EXPECT_EQ(rig.player.OctaveThreshold, 60) << "the voicing threshold follows the first key";
  EXPECT_EQ(rig.ports.ComboBox1, static_cast<int>(rig.ports.OutputList().size()) - 2)
      << "a position past the end selects the mapper entry";
  EXPECT_EQ(rig.ports.ComboBox5, static_cast<int>(rig.ports.OutputList().size()) - 1);

  Configuration taken("/opt/korvel");
  taken.TakeSettings(rig.engine);
  EXPECT_EQ(taken.Integer("MIDI-OUT"), -1) << "the mapper is stored as -1";
  EXPECT_EQ(taken.Integer("MIDISUB-OUT"), -2);
  EXPECT_EQ(taken.Integer("FillIn"), 0);
  EXPECT_EQ(taken.Integer("Oct_Fillin"), 4);
  EXPECT_EQ(taken.Text("ChordTypes"), "17161514131211100908");
  EXPECT_TRUE(taken.Boolean("2FingerChords"));
  EXPECT_EQ(taken.Integer("NV"), 90);
}

TEST_F(ConfigurationTest, ChordCodeSettingsGoRoundTheFile) {
  test::PlayerRig rig;
  Write("[Options]\nSendCodes=1\nCodeChannel=3\nReceiveCodes=1\nCodesOut=1\n");
  Load();
  config.ApplySettings(rig.engine);
  EXPECT_TRUE(rig.live.SendChordCodes);
  EXPECT_EQ(rig.live.ChordCodeChannel, 2) << "channel 3 as shown is index 2";
  EXPECT_TRUE(rig.live.ReceiveChordCodes);
  EXPECT_EQ(rig.ports.ChordsOutGroup, 1);

  rig.live.ChordCodeChannel = 15;
  rig.live.ReceiveChordCodes = false;
  config.TakeSettings(rig.engine);
  config.SaveSettings(file);
  Configuration again("/opt/korvel");
  std::string error;
  ASSERT_TRUE(again.LoadSettings(file, error)) << error;
  EXPECT_TRUE(again.Boolean("SendCodes"));
  EXPECT_EQ(again.Integer("CodeChannel"), 16);
  EXPECT_FALSE(again.Boolean("ReceiveCodes"));
  EXPECT_EQ(again.Integer("CodesOut"), 1);

  // A file from before these settings, or with nonsense, leaves codes off on channel 10.
  Write("[Options]\nCodeChannel=99\n");
  Load();
  test::PlayerRig fresh;
  config.ApplySettings(fresh.engine);
  EXPECT_FALSE(fresh.live.SendChordCodes);
  EXPECT_EQ(fresh.live.ChordCodeChannel, 9);
  EXPECT_EQ(fresh.ports.ChordsOutGroup, 0);
}

TEST_F(ConfigurationTest, TheInstrumentListAndItsStoredKeySetComeWithTheSettings) {
  test::PlayerRig rig;
  rig.engine.Mixer.ProgramDir = test::ShippedDataDir();
  Write(
      "[Options]\nPatch=gs.kvi\nPatchMode=0\nView=1\nRevV=40\n[Ins-Set]\n"
      "2=204000001002003004005006007008009010011000\n");
  Load();
  config.ApplySettings(rig.engine);
  const Mixer& mixer = rig.engine.Mixer;
  EXPECT_EQ(mixer.List.DisplayName, "GS.KVI");
  EXPECT_EQ(mixer.List.Mode, kPatchGs) << "the list's bank-type line rules, not PatchMode";
  EXPECT_EQ(mixer.Keys.Slots[11].Value, 11) << "stored set View + 1";
  EXPECT_EQ(mixer.Keys.StoredSetNumber, 2) << "the instrument window shows that number";
  EXPECT_EQ(mixer.DefinedReverb, 40);
  rig.engine.Mixer.Keys.StoredSetNumber = 7;
  Configuration taken("/opt/korvel");
  taken.TakeSettings(rig.engine);
  EXPECT_EQ(taken.Integer("PatchMode"), kPatchGs);
  EXPECT_EQ(taken.Integer("RevV"), 40);
  EXPECT_EQ(taken.Integer("View"), 6);
}

TEST_F(ConfigurationTest, SaveAsNumberWritesThatSetAtOnceAndNothingElse) {
  test::PlayerRig rig;
  Write("[Options]\nFillIn=5\nAutoload=0\n[Ins-Set]\n1=kept\n");
  Load();
  config.ApplySettings(rig.engine);
  config.Set("FillIn", 7);  // changed in memory only, as the windows do until exit
  rig.engine.Mixer.Keys.SetFunction(0, 3);
  const std::string set = rig.engine.Mixer.Keys.SetString(rig.engine.Mixer.List.Size());
  rig.engine.Mixer.SaveStoredSet(3, config);
  EXPECT_TRUE(rig.dialogs.Messages.empty());

  Configuration next("/opt/korvel");  // the next start, even after a crash
  std::string error;
  ASSERT_TRUE(next.LoadSettings(file, error));
  EXPECT_EQ(next.InstrumentSets["3"], set) << "written although Auto-save settings is off";
  EXPECT_EQ(next.InstrumentSets["1"], "kept");
  EXPECT_EQ(next.Integer("FillIn"), 5) << "only that key of the file changes";
  EXPECT_FALSE(next.Boolean("Autoload"));
}

TEST_F(ConfigurationTest, ASetSavedOnTheFirstRunKeepsTheOtherSettingsInForce) {
  test::PlayerRig rig;
  Load();  // no file yet
  rig.engine.Mixer.SaveStoredSet(2, config);
  Configuration next("/opt/korvel");  // after a crash: this file is all there is
  std::string error;
  ASSERT_TRUE(next.LoadSettings(file, error));
  EXPECT_EQ(next.InstrumentSets.count("2"), 1u);
  for (const auto& spec : next.Keys())
    EXPECT_EQ(next.Text(spec.Key), spec.Start)
        << spec.Key << ": the start value, not the absent one";
}

TEST_F(ConfigurationTest, AFileThatCannotBeReadIsReportedAndLeftAlone) {
  const std::string broken("[Options]\nFillIn=5\n\0\0\0\0", 22);
  { std::ofstream(file, std::ios::binary) << broken; }
  std::string error;
  EXPECT_FALSE(config.LoadSettings(file, error));
  EXPECT_NE(error.find(file), std::string::npos) << error;
  EXPECT_FALSE(config.FirstRun) << "the welcome page is for a new user";
  EXPECT_EQ(config.Integer("FillIn"), 0) << "the start values hold";
  config.SaveSettings(file);
  EXPECT_EQ(Read(), broken) << "the exit leaves the file as it was";

  test::PlayerRig rig;
  rig.engine.Mixer.SaveStoredSet(2, config);
  EXPECT_EQ(Read(), broken);
  ASSERT_EQ(rig.dialogs.Messages.size(), 1u) << "a set that cannot be stored is reported";
  EXPECT_NE(rig.dialogs.Messages[0].find(file), std::string::npos);
  EXPECT_EQ(config.InstrumentSets.count("2"), 1u) << "and kept for this run";

  if (geteuid() != 0) {  // root reads any file
    Write("[Options]\nFillIn=5\n");
    chmod(file.c_str(), 0);
    Configuration denied("/opt/korvel");
    EXPECT_FALSE(denied.LoadSettings(file, error));
    denied.SaveSettings(file);
    chmod(file.c_str(), 0644);
    EXPECT_EQ(Read(), "[Options]\nFillIn=5\n");
  }
}

// An engine on a recording driver with the outputs and inputs given, the ones in `absent`
// unplugged before the start.
struct DeviceRig {
  DeviceRig(const std::vector<std::string>& absent) {
    for (const auto& name : absent) driver.Unplug(name);
    engine = std::make_unique<Engine>(devices, input, dialogs, view, Timing::Stepped,
                                      InputDispatch::Manual);
  }
  RecordingDriver driver{{"Module", "Expander"}, {"Keys", "Pads"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  std::unique_ptr<Engine> engine;
};

TEST_F(ConfigurationTest, DevicesAreFoundByNameAndAnAbsentOneIsRemembered) {
  const std::string stored =
      "[Options]\nMIDI-OUT=1\nMIDI-OUT-Device=Expander\nMIDI-IN=0\nMIDI-IN-Device=Keys\n"
      "MIDISUB-IN=1\nMIDISUB-IN-Device=Pads\n";
  struct Case {
    const char* Name;
    std::vector<std::string> Absent;     // at the start
    std::vector<std::string> Unplugged;  // while Korvel runs
    const char* Output;                  // what the lists select at the start
    const char* Keyboard;
    std::vector<std::string> Missing;  // stored devices reported absent
  };
  const Case cases[] = {
      {"all there", {}, {}, "Expander", "Keys", {}},
      {"a device before them is gone", {"Module", "Keys"}, {}, "Expander", "<None>", {"Keys"}},
      {"keyboard absent at the start", {"Keys"}, {}, "Expander", "<None>", {"Keys"}},
      {"unplugged while running", {}, {"Keys", "Expander"}, "Expander", "Keys", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Write(stored);
    Load();
    DeviceRig rig(c.Absent);
    MidiPorts& ports = rig.engine->Ports;
    EXPECT_EQ(config.ApplyDevices(*rig.engine), c.Missing);
    EXPECT_EQ(ports.OutputList()[static_cast<size_t>(ports.ComboBox1)], c.Output);
    EXPECT_EQ(ports.InputList()[static_cast<size_t>(ports.ExtMidiInList)], c.Keyboard)
        << "never another device that now stands at the stored place";
    EXPECT_EQ(ports.InputList()[static_cast<size_t>(ports.MidiInList)], "Pads");
    for (const auto& name : c.Unplugged) rig.driver.Unplug(name);
    rig.engine->CheckDevices();
    config.TakeDevices(ports);
    config.SaveSettings(file);
    Configuration next("/opt/korvel");
    std::string error;
    ASSERT_TRUE(next.LoadSettings(file, error));
    EXPECT_EQ(next.Text("MIDI-OUT-Device"), "Expander");
    EXPECT_EQ(next.Text("MIDI-IN-Device"), "Keys") << "an absent keyboard is not <None>";
    EXPECT_EQ(next.Text("MIDISUB-IN-Device"), "Pads");
    EXPECT_GE(next.Integer("MIDI-IN"), 0);
  }

  // A choice of "<None>" while the device is there is the musician's.
  Write(stored);
  Load();
  DeviceRig rig({});
  config.ApplyDevices(*rig.engine);
  rig.engine->Ports.ExtMidiInList = static_cast<int>(rig.engine->Ports.InputList().size()) - 1;
  rig.engine->Ports.ExtMidiInChange();
  config.TakeDevices(rig.engine->Ports);
  EXPECT_EQ(config.Integer("MIDI-IN"), -2);
  EXPECT_EQ(config.Text("MIDI-IN-Device"), "");
}

// An installed program keeps its settings under $XDG_CONFIG_HOME and finds its styles in
// share/korvel; a program where it was built keeps them beside itself.
TEST(ConfigurationPlaces, InstalledProgramsUseTheXdgFoldersAndBuiltOnesTheirOwn) {
  test::TempDir dir{"places"};
  const std::filesystem::path prefix = dir.Folder();
  std::filesystem::create_directories(prefix / "usr" / "bin");
  std::filesystem::create_directories(prefix / "usr" / "share" / "korvel" / "STYLES");
  std::filesystem::create_directories(prefix / "build");
  const std::string config = (prefix / "config").string();
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string before = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);

  const std::string installed = (prefix / "usr" / "bin" / "korvel").string();
  EXPECT_EQ(Configuration::FilePath(installed), config + "/korvel/korvel.ini")
      << "even when bin is writable";
  EXPECT_EQ(Configuration::DataFolder(installed), (prefix / "usr" / "share" / "korvel").string());
  const std::string built = (prefix / "build" / "korvel").string();
  EXPECT_EQ(Configuration::FilePath(built), (prefix / "build" / "korvel.ini").string());
  EXPECT_EQ(Configuration::DataFolder(built), (prefix / "build" / "data").string());

  if (saved) {
    setenv("XDG_CONFIG_HOME", before.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace korvel
