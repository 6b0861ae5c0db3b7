// The engine's wiring of the MIDI ports: the device check, and what opening an output and a
// transport reset bring along.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <set>

#include "app/Engine.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"

namespace korvel {
namespace {

// Lets the test look in while the devices are listed.
class WatchedDriver : public RecordingDriver {
 public:
  using RecordingDriver::RecordingDriver;
  std::function<void()> WhileListing;
  std::vector<MidiDeviceCaps> Outputs() override {
    if (WhileListing) WhileListing();
    return RecordingDriver::Outputs();
  }
};

struct Rig {
  WatchedDriver driver{{"Module", "Sequencer in"}, {"Keyboard"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  Engine engine{devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual};
  MidiPorts& ports = engine.Ports;

  // MIDI out on the module (which also switches the clock on), Korvel out on the sequencer.
  Rig() {
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();
    ports.ComboBox5 = 1;
    ports.ComboBox5Change();
  }
};

TEST(EnginePorts, TheDeviceCheckListsWithoutTheEngineLockAndTakesTheListingUnderIt) {
  Rig rig;
  bool lockFree = false;
  rig.driver.WhileListing = [&] {
    // The clock thread must get the lock while a slow listing runs.
    lockFree = std::async(std::launch::async, [&] {
                 if (!rig.engine.Lock.try_lock()) return false;
                 rig.engine.Lock.unlock();
                 return true;
               }).get();
  };
  rig.driver.Unplug("Sequencer in");
  EXPECT_TRUE(rig.engine.CheckDevices());
  EXPECT_TRUE(lockFree);
  std::lock_guard lock(rig.engine.Lock);
  EXPECT_FALSE(rig.ports.MidiOutput2.IsOpen());
  EXPECT_EQ(rig.ports.OutputList().front(), "Module");
  EXPECT_EQ(rig.ports.OutputList().size(), 3u) << "the sequencer left the list";
}

TEST(EnginePorts, AVanishedOutputIsClosedAndReportedAndTheClockKeepsItsState) {
  const struct {
    const char* device;
    bool clockOn;
  } cases[] = {
      {"Module", true}, {"Module", false}, {"Sequencer in", true}, {"Sequencer in", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.device) + (c.clockOn ? ", clock on" : ", clock off"));
    Rig rig;
    Transport& transport = rig.engine.Transport;
    // Two list changes have pressed the clock switch twice.
    if (c.clockOn) transport.ToggleClock();
    const int16_t state = transport.ClockState;
    ASSERT_EQ(state, c.clockOn ? 1 : 0);
    rig.driver.Unplug(c.device);
    rig.engine.CheckDevices();
    EXPECT_EQ(transport.ClockState, state);
    EXPECT_EQ(rig.engine.Step(), c.clockOn);
    EXPECT_EQ(
        rig.dialogs.Statuses,
        std::vector<std::string>{"MIDI device " + std::string(c.device) + " was disconnected."});
    EXPECT_FALSE((c.device == std::string("Module") ? rig.ports.MidiOutput1 : rig.ports.MidiOutput2)
                     .IsOpen());
    EXPECT_TRUE(rig.ports.SignalPort->IsOpen()) << "chord signals go to the port that is left";
  }
}

TEST(EnginePorts, OpeningAnOutputResetsAllControllers) {
  Rig rig;
  rig.driver.ClearSent();
  rig.ports.ComboBox1 = 0;
  rig.ports.ComboBox1Change();
  std::set<int> reset;  // channels that got controller 121
  for (const auto& m : rig.driver.Sent())
    if (m.Device == "Module" && m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == 0xB0 &&
        m.Bytes[1] == 121)
      reset.insert(m.Bytes[0] & 0x0F);
  EXPECT_EQ(reset.size(), 16u);
}

TEST(EnginePorts, ATransportResetClearsTheChordPanelAndGivesTheSoloChannelBack) {
  const struct {
    int16_t solo;  // the "Solo" group
    int16_t expected;
  } cases[] = {{0, 0}, {3, 3}};
  for (const auto& c : cases) {
    Rig rig;
    rig.engine.Notes.SoloSelection = c.solo;
    rig.engine.Notes.SoloChannel = 100;  // the intro muting of a song
    rig.view.Chords = {"Cmaj"};
    rig.engine.Transport.ResetTransport();
    EXPECT_EQ(rig.view.Chords.back(), "") << c.solo;
    EXPECT_EQ(rig.engine.Notes.SoloChannel, c.expected) << c.solo;
  }
}

TEST(EnginePorts, AKeyboardLoopBackFromMidiOutLetsTheEngineGo) {
  Rig rig;
  rig.ports.ExtMidiInList = 0;
  rig.ports.ExtMidiInChange();
  ASSERT_TRUE(rig.ports.MidiInput1.IsOpen());
  rig.driver.ClearSent();
  rig.driver.Connect("Module", "Keyboard");  // what is played thru comes back in
  rig.driver.Inject("Keyboard", 0x90 | 100 << 8 | 90 << 16);
  auto handled =
      std::async(std::launch::async, [&rig] { rig.ports.MidiInput1.ProcessNotifications(); });
  const bool returned = handled.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  rig.driver.Connect("Module", "");  // cut the loop, so a handler that hangs ends
  handled.wait();
  EXPECT_TRUE(returned) << "the handler takes what had arrived and returns";
  EXPECT_FALSE(rig.driver.Sent().empty()) << "the note went thru";
}

}  // namespace
}  // namespace korvel
