// The engine's wiring of the MIDI ports: the device check, and what opening an output and a
// transport reset bring along.
#include <gtest/gtest.h>

#include <future>
#include <mutex>

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

}  // namespace
}  // namespace korvel
