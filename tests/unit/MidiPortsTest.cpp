#include <gtest/gtest.h>

#include "midi/MidiPorts.h"
#include "platform/RecordingDriver.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

class MidiPortsTest : public ::testing::Test {
 protected:
  RecordingDriver driver{{"Module", "Sequencer in"}, {"Keyboard", "Sequencer out"}};
  RecordingDriver synth{{"Synth"}, {}};
  MidiDevices devices{driver, &synth};
  ChannelState channels;
  InputCallbackSettings settings{channels};
  test::ScriptedDialogs dialogs;
  MidiPorts ports{devices, settings, dialogs, InputDispatch::Manual};
  int toggles = 0;
  std::vector<std::string> silenced;
  int resets = 0;

  void SetUp() override {
    ports.Hooks.ToggleClock = [this] { ++toggles; };
    ports.Hooks.SilencePort = [this](TMidiOutput& port) { silenced.push_back(port.ProductName()); };
    ports.Hooks.ResetAllControllers = [this] { ++resets; };
  }
  void ChooseOutputs(int midiOut, int korvelOut) {
    ports.ComboBox1 = midiOut;
    ports.ComboBox1Change();
    ports.ComboBox5 = korvelOut;
    ports.ComboBox5Change();
  }
};

TEST_F(MidiPortsTest, ListsEndWithTheMapperAndNone) {
  EXPECT_EQ(ports.OutputList(),
            (std::vector<std::string>{"Module", "Sequencer in", "Synth", "<None>"}));
  EXPECT_EQ(ports.InputList(), (std::vector<std::string>{"Keyboard", "Sequencer out", "<None>"}));

  RecordingDriver empty({}, {});
  MidiDevices none(empty, &synth);
  MidiPorts bare(none, settings, dialogs, InputDispatch::Manual);
  EXPECT_EQ(bare.OutputList(), (std::vector<std::string>{"Synth", "<None>"}));
  EXPECT_EQ(bare.InputList(), (std::vector<std::string>{"<None>"}));
}

TEST_F(MidiPortsTest, StoredSelectionsBecomeListEntries) {
  // Outputs: Module, Sequencer in, Synth (mapper), <None>; inputs: Keyboard, Sequencer out, <None>.
  const struct {
    int stored, output, input;
  } cases[] = {
      {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {-1, 2, 0}, {-2, 3, 2}, {-7, 3, 2}, {4, 2, 0}, {999, 2, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ports.OutputSelectionFor(c.stored), c.output) << c.stored;
    EXPECT_EQ(ports.InputSelectionFor(c.stored), c.input) << c.stored;
  }
  EXPECT_EQ(ports.StoredOutputSelection(2), -1);
  EXPECT_EQ(ports.StoredOutputSelection(3), -2);
  EXPECT_EQ(ports.StoredOutputSelection(1), 1);
}

TEST_F(MidiPortsTest, OpensTheChosenOutputsAndTheMapper) {
  ChooseOutputs(2, 1);
  EXPECT_TRUE(ports.MidiOutput1.IsOpen());
  EXPECT_EQ(ports.MidiOutput1.DeviceID(), kMapperId);
  EXPECT_EQ(ports.MidiOutput1.ProductName(), "Synth");
  EXPECT_TRUE(ports.MidiOutput2.IsOpen());
  EXPECT_EQ(ports.MidiOutput2.ProductName(), "Sequencer in");
  EXPECT_EQ(resets, 2);

  ports.ComboBox1 = 3;  // <None>
  ports.ComboBox1Change();
  EXPECT_FALSE(ports.MidiOutput1.IsOpen());
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(MidiPortsTest, OneDeviceIsNeverOpenTwice) {
  ChooseOutputs(0, 1);
  ports.ComboBox5 = 0;  // Korvel out picks the device MIDI out has: left unchanged
  ports.ComboBox5Change();
  EXPECT_EQ(ports.MidiOutput2.ProductName(), "Sequencer in");
  EXPECT_EQ(driver.OpenCount("Module"), 1);

  ports.ComboBox1 = 1;  // MIDI out takes Korvel out's device: Korvel out closes first
  ports.ComboBox1Change();
  EXPECT_FALSE(ports.MidiOutput2.IsOpen());
  EXPECT_TRUE(ports.MidiOutput1.IsOpen());
  EXPECT_EQ(driver.OpenCount("Sequencer in"), 1);
  EXPECT_EQ(driver.OpenCount("Module"), 0);
  EXPECT_TRUE(dialogs.Messages.empty());

  // The same holds for the inputs.
  ports.ExtMidiInList = 0;
  ports.ExtMidiInChange();
  ports.MidiInList = 0;
  ports.MidiInChange();
  EXPECT_TRUE(ports.MidiInput1.IsOpen());
  EXPECT_FALSE(ports.MidiInput2.IsOpen());
  EXPECT_EQ(driver.OpenCount("Keyboard"), 1);
  ports.MidiInList = 1;
  ports.MidiInChange();
  EXPECT_TRUE(ports.MidiInput2.IsOpen());
  ports.MidiInList = 2;  // <None>
  ports.MidiInChange();
  EXPECT_FALSE(ports.MidiInput2.IsOpen());
  EXPECT_TRUE(ports.MidiInput1.IsOpen());
}

TEST_F(MidiPortsTest, ASharedInputOpensOnceAtStartUpAndNoneClosesEitherInput) {
  // Start-up sets both stored selections, then runs both change handlers.
  for (int run = 0; run < 2; ++run) {
    ports.ExtMidiInList = ports.InputSelectionFor(0);
    ports.MidiInList = ports.InputSelectionFor(0);
    ports.ExtMidiInChange();
    ports.MidiInChange();
    EXPECT_TRUE(ports.MidiInput1.IsOpen()) << run;
    EXPECT_FALSE(ports.MidiInput2.IsOpen()) << run;
    EXPECT_EQ(driver.OpenCount("Keyboard"), 1) << run;
    ports.MidiInput1.Close();  // exit, and the next run
  }
  ports.ExtMidiInChange();
  ports.ExtMidiInList = 2;  // <None>, while MIDI in (closed) still carries device 0
  ports.ExtMidiInChange();
  EXPECT_FALSE(ports.MidiInput1.IsOpen());
  EXPECT_EQ(driver.OpenCount("Keyboard"), 0);

  ports.MidiInList = 1;
  ports.MidiInChange();
  ASSERT_TRUE(ports.MidiInput2.IsOpen());
  ports.MidiInList = 2;
  ports.MidiInChange();
  EXPECT_FALSE(ports.MidiInput2.IsOpen());
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(MidiPortsTest, ThePlayPortIsSilencedBeforeItsDeviceIsLeft) {
  std::vector<std::string> silencedOpen;
  ports.Hooks.SilencePort = [&](TMidiOutput& port) {
    if (port.IsOpen()) silencedOpen.push_back(port.ProductName());
  };
  ports.MidiOutGroup = 1;  // the style plays on Korvel out
  ChooseOutputs(0, 1);
  ports.ComboBox5 = 2;  // another device for Korvel out
  ports.ComboBox5Change();
  ports.ComboBox1 = 2;  // MIDI out takes it: Korvel out is closed
  ports.ComboBox1Change();
  ports.ComboBox1 = 1;  // MIDI out, not the play port, moves on
  ports.ComboBox1Change();
  EXPECT_EQ(silencedOpen, (std::vector<std::string>{"Sequencer in", "Synth"}));
}

TEST_F(MidiPortsTest, AFailedOpenIsReportedOnceExceptNotSupported) {
  driver.SetOpenFailure("Module", kMidiAllocated);
  ports.ComboBox1 = 0;
  ports.ComboBox1Change();
  EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"Can't open Module"}));
  EXPECT_EQ(dialogs.Statuses, (std::vector<std::string>{MidiErrorText(kMidiAllocated)}));
  EXPECT_FALSE(ports.MidiOutput1.IsOpen());

  driver.SetOpenFailure("Sequencer in", kMidiNotSupported);
  ports.ComboBox1 = 1;
  ports.ComboBox1Change();
  EXPECT_EQ(dialogs.Messages.size(), 1u);

  driver.SetOpenFailure("Keyboard", kMidiNoDriver);
  ports.ExtMidiInList = 0;
  ports.ExtMidiInChange();
  EXPECT_EQ(dialogs.Messages.back(), "Can't open Keyboard");
  EXPECT_FALSE(ports.MidiInput1.IsOpen());
}

TEST_F(MidiPortsTest, RolesFollowTheRadioGroupsAfterAListChange) {
  ports.MidiOutGroup = 1;
  ports.ClickOutGroup = 1;
  ports.ChordsOutGroup = 0;
  ChooseOutputs(0, 1);
  EXPECT_EQ(toggles, 2) << "the clock switch is operated once per list change";
  EXPECT_EQ(ports.PlayPort, &ports.MidiOutput2);
  EXPECT_EQ(ports.ClockOutPort, &ports.MidiOutput2);
  EXPECT_EQ(ports.ChordCodePort, &ports.MidiOutput1);
  EXPECT_EQ(ports.SignalPort, &ports.MidiOutput2) << "signals go to Korvel out while it is open";

  ports.ComboBox5 = 3;
  ports.ComboBox5Change();
  EXPECT_EQ(ports.SignalPort, &ports.MidiOutput1);
}

TEST_F(MidiPortsTest, RadioGroupsMoveARoleOnlyToAnOpenPort) {
  ChooseOutputs(0, 3);  // Korvel out stays closed
  ports.MidioutClick(1);
  EXPECT_EQ(silenced, (std::vector<std::string>{"Module"}));
  EXPECT_EQ(ports.PlayPort, &ports.MidiOutput1) << "a closed port does not take the role";
  ports.ChordsoutClick(1);
  EXPECT_EQ(ports.ChordCodePort, &ports.MidiOutput1);

  ports.ComboBox5 = 1;
  ports.ComboBox5Change();
  ports.MidioutClick(1);
  EXPECT_EQ(ports.PlayPort, &ports.MidiOutput2);
  ports.ClickoutClick(1);
  EXPECT_EQ(ports.ClockOutPort, &ports.MidiOutput2);
  EXPECT_EQ(silenced.back(), "Sequencer in") << "the play port is silenced before a role moves";
  ports.ChordsoutClick(1);
  EXPECT_EQ(ports.ChordCodePort, &ports.MidiOutput2);
  EXPECT_EQ(silenced.size(), 3u) << "chord codes move without silencing";
}

TEST_F(MidiPortsTest, VolumeSlidersWithLock) {
  EXPECT_EQ(MidiPorts::VolumeValue(0), 0);
  EXPECT_EQ(MidiPorts::VolumeValue(1), 650);
  EXPECT_EQ(MidiPorts::VolumeValue(99), 64350);
  EXPECT_EQ(MidiPorts::VolumeValue(100), 65535);

  ports.SetVolumeLeft(50);  // MIDI out closed: nothing sent
  EXPECT_TRUE(driver.Sent().empty());
  ChooseOutputs(0, 3);
  ports.VolumeLock = true;
  ports.SetVolumeRight(10);
  EXPECT_EQ(ports.VolumeLeft, 10);
  // Left 6500 (0x1964) and right 6500, as the recording driver notes a volume change.
  EXPECT_EQ(driver.SentText(), "-1 Module volume: 19 64 19 64\n");
}

TEST_F(MidiPortsTest, AnUnpluggedDeviceClosesItsPortWithAMessage) {
  ChooseOutputs(1, 3);
  ports.ExtMidiInList = 0;
  ports.ExtMidiInChange();
  ASSERT_TRUE(ports.MidiInput1.IsOpen());

  driver.Unplug("Module");  // a device before the open one: numbers shift
  ports.CheckDevices(devices.List());
  EXPECT_TRUE(ports.MidiOutput1.IsOpen());
  EXPECT_EQ(ports.OutputList(), (std::vector<std::string>{"Sequencer in", "Synth", "<None>"}));
  EXPECT_EQ(ports.ComboBox1, 0) << "the selection follows its device";
  EXPECT_EQ(ports.MidiOutput1.DeviceID(), 0);
  EXPECT_TRUE(dialogs.Statuses.empty());

  driver.Unplug("Keyboard");
  driver.Unplug("Sequencer in");
  ports.CheckDevices(devices.List());
  EXPECT_FALSE(ports.MidiInput1.IsOpen());
  EXPECT_FALSE(ports.MidiOutput1.IsOpen());
  EXPECT_EQ(ports.OutputList(), (std::vector<std::string>{"Synth", "<None>"}));
  EXPECT_EQ(ports.ComboBox1, 1) << "a vanished device shows <None>";
  EXPECT_EQ(ports.ExtMidiInList, 1);
  EXPECT_EQ(dialogs.Statuses,
            (std::vector<std::string>{"MIDI device Sequencer in was disconnected.",
                                      "MIDI device Keyboard was disconnected."}));
}

TEST_F(MidiPortsTest, AnInputOverflowShowsOneStatusPerBurst) {
  ports.ExtMidiInList = 0;
  ports.ExtMidiInChange();
  for (int i = 0; i < 1100; ++i) driver.Inject("Keyboard", 0x90 | 60 << 8 | 1 << 16);
  ports.MidiInput1.ProcessNotifications();
  ports.MidiInput1.ProcessNotifications();
  EXPECT_EQ(dialogs.Statuses,
            (std::vector<std::string>{"MIDI input overflow: events from Keyboard were lost."}));
}

}  // namespace
}  // namespace korvel
