#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "midi/MidiDevices.h"
#include "midi/TMidiInput.h"
#include "platform/RecordingDriver.h"

namespace korvel {
namespace {

uint32_t Pack(uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0) {
  return status | data1 << 8 | data2 << 16;
}

std::string Describe(const TMyMidiEvent& e) {
  std::string text = std::to_string(e.MidiMessage) + " " + std::to_string(e.Data1) + " " +
                     std::to_string(e.Data2) + " @" + std::to_string(e.Time);
  if (!e.Sysex.empty()) text += " sysex " + std::to_string(e.SysexLength());
  return text;
}

class MidiInputTest : public ::testing::Test {
 protected:
  RecordingDriver driver{{}, {"Keys", "Pads"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings settings{channels};
  TMidiInput in{devices, settings, InputDispatch::Manual};
  std::vector<TMyMidiEvent> received;
  int overflows = 0;

  void SetUp() override {
    in.OnMidiInput = [this](TMidiInput& port) {
      while (auto event = port.GetMidiEvent()) received.push_back(*event);
    };
    in.OnOverflow = [this](TMidiInput&) { ++overflows; };
  }
  void OpenKeys() {
    in.SetDeviceID(0);
    in.Open();
    in.Start();
  }
  std::vector<std::string> Received() {
    in.ProcessNotifications();
    std::vector<std::string> lines;
    for (const auto& e : received) lines.push_back(Describe(e));
    received.clear();
    return lines;
  }
};

TEST_F(MidiInputTest, ConstructionPicksDeviceZeroAndTheDesignDefaults) {
  EXPECT_EQ(in.State(), kPortClosed);
  EXPECT_EQ(in.DeviceID(), 0);
  EXPECT_EQ(in.ProductName(), "Keys");
  EXPECT_EQ(in.NumDevs(), 2);
  EXPECT_EQ(in.SysexBufferSize(), 4096);
  EXPECT_EQ(in.SysexBufferCount(), 16);
  EXPECT_FALSE(in.SysexOnly());
  EXPECT_EQ(in.MessageCount(), 0);
  EXPECT_FALSE(in.GetMidiEvent().has_value());
}

TEST_F(MidiInputTest, PropertyErrors) {
  struct Case {
    std::function<void()> call;
    const char* message;
    bool whileOpen;
  };
  const Case cases[] = {
      {[&] { in.SetDeviceID(2); }, "Invalid device ID", false},
      {[&] { in.SetProductName("Drums"); }, "MIDI Input Device Drums not installed", false},
      {[&] { in.SetDeviceID(1); }, "Change to DeviceID while device was open", true},
      {[&] { in.SetProductName("Pads"); }, "Change to ProductName while device was open", true},
      {[&] { in.SetSysexBufferSize(10); }, "Change to SysexBufferSize while device was open", true},
      {[&] { in.SetSysexBufferCount(2); }, "Change to SysexBuffercount while device was open",
       true},
  };
  for (const auto& c : cases) {
    if (c.whileOpen && !in.IsOpen()) OpenKeys();
    try {
      c.call();
      ADD_FAILURE() << "no error: " << c.message;
    } catch (const EMidiInputError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(in.ProductName(), "Keys");
  in.Close();
  in.SetProductName("Pads");
  EXPECT_EQ(in.DeviceID(), 1);
}

TEST_F(MidiInputTest, FiltersAsTheCallbackSettingsSay) {
  OpenKeys();
  const uint32_t stream[] = {
      Pack(0x90, 60, 100), Pack(0xB0, 7, 100), Pack(0xB0, 7, 100), Pack(0xB0, 7, 100),
      Pack(0xB0, 7, 90),   Pack(0xB0, 1, 5),   Pack(0xB0, 1, 5),   Pack(0xF8),
      Pack(0xFE),          Pack(0xC0, 4),      Pack(0xC0, 4),      Pack(0x80, 60, 64),
  };
  uint32_t time = 0;
  for (uint32_t packed : stream) driver.Inject("Keys", packed, time++);
  EXPECT_EQ(Received(),
            (std::vector<std::string>{"144 60 100 @0", "176 7 100 @1", "176 7 90 @4", "176 1 5 @5",
                                      "176 1 5 @6", "192 4 0 @9", "128 60 64 @11"}))
      << "repeated volume and program thinned, modulation kept, clock and sensing dropped";

  settings.SetThinning(false);
  settings.SetPassActiveSensing(true);
  settings.SetClockForwarding(1, nullptr);
  for (uint32_t packed : {Pack(0xB0, 7, 90), Pack(0xFE), Pack(0xF8)}) driver.Inject("Keys", packed);
  EXPECT_EQ(Received(), (std::vector<std::string>{"176 7 90 @0", "254 0 0 @0", "248 0 0 @0"}));

  in.SetSysexOnly(true);
  driver.Inject("Keys", Pack(0x90, 62, 100));
  driver.InjectLong("Keys", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, 7);
  EXPECT_EQ(Received(), (std::vector<std::string>{"240 0 0 @7 sysex 6"}));
}

TEST_F(MidiInputTest, ForwardedClocksGoToTheClockTargetNotTheBuffer) {
  struct Target : ClockForwardTarget {
    std::vector<int> messages;
    void ForwardedClock(int message) override { messages.push_back(message); }
  } target;
  OpenKeys();
  settings.SetClockForwarding(2, &target);
  driver.Inject("Keys", Pack(0xF8));
  settings.SetClockForwarding(3, &target);
  driver.Inject("Keys", Pack(0xF8));
  EXPECT_EQ(target.messages, (std::vector<int>{1, 0}));
  EXPECT_TRUE(Received().empty());
}

TEST_F(MidiInputTest, SysexBuffersReturnToTheDriverAsSoonAsRead) {
  in.SetSysexBufferCount(2);
  in.SetSysexBufferSize(8);
  OpenKeys();
  const std::vector<uint8_t> message = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
  for (int round = 0; round < 5; ++round) {
    driver.InjectLong("Keys", message);
    // Nine bytes fill both eight-byte buffers: two events, the driver's way of splitting.
    in.ProcessNotifications();
    ASSERT_EQ(received.size(), 2u) << "round " << round;
    std::vector<uint8_t> joined = received[0].Sysex;
    joined.insert(joined.end(), received[1].Sysex.begin(), received[1].Sysex.end());
    EXPECT_EQ(joined, message);
    EXPECT_EQ(received[0].MidiMessage, 240);
    received.clear();
  }
  EXPECT_EQ(overflows, 0);

  driver.InjectLong("Keys", message);
  driver.InjectLong("Keys", message);  // no buffer left for this one
  in.ProcessNotifications();
  EXPECT_EQ(overflows, 1);
  EXPECT_EQ(in.DroppedCount(), 1u);
}

TEST_F(MidiInputTest, The1025thEventIsDroppedAndReportedOncePerBurst) {
  in.OnMidiInput = nullptr;  // the reader is idle
  OpenKeys();
  for (int i = 0; i < 1030; ++i)
    driver.Inject("Keys", Pack(0x90, static_cast<uint8_t>(i % 128), 1));
  EXPECT_EQ(in.MessageCount(), 1024);
  EXPECT_EQ(in.DroppedCount(), 6u);
  in.ProcessNotifications();
  in.ProcessNotifications();
  EXPECT_EQ(overflows, 1);

  // The oldest entries are intact: nothing was overwritten.
  auto first = in.GetMidiEvent();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->Data1, 0);
  while (in.GetMidiEvent()) {
  }
  in.ProcessNotifications();  // emptied: the burst is over
  for (int i = 0; i < 1025; ++i) driver.Inject("Keys", Pack(0x90, 1, 1));
  in.ProcessNotifications();
  EXPECT_EQ(overflows, 2);
}

TEST_F(MidiInputTest, ClosingStopsDeliveryAndEmptiesTheBuffer) {
  OpenKeys();
  driver.Inject("Keys", Pack(0x90, 60, 1));
  in.Close();
  EXPECT_EQ(in.MessageCount(), 0);
  EXPECT_FALSE(driver.Inject("Keys", Pack(0x90, 60, 1)));
  EXPECT_EQ(driver.OpenCount("Keys"), 0);
}

// The driver thread writes while the event thread drains under a lock that stands in for the
// engine lock; order is kept and every message is either received or counted as dropped.
TEST(MidiInputThreaded, DriverThreadAndHandlerThreadShareOnlyTheRing) {
  RecordingDriver driver({}, {"Keys"});
  MidiDevices devices(driver, nullptr);
  ChannelState channels;
  InputCallbackSettings settings(channels);
  TMidiInput in(devices, settings);
  std::mutex engineLock;
  std::vector<uint32_t> times;
  in.OnMidiInput = [&](TMidiInput& port) {
    std::lock_guard lock(engineLock);
    while (auto event = port.GetMidiEvent()) times.push_back(event->Time);
  };
  in.Open();
  in.Start();
  constexpr uint32_t kCount = 20000;
  std::thread driverThread([&] {
    for (uint32_t i = 0; i < kCount; ++i) {
      driver.Inject("Keys", Pack(i % 2 ? 0x80 : 0x90, 60, 100), i);
      if (i % 64 == 0) std::this_thread::yield();
    }
  });
  driverThread.join();
  for (int wait = 0; wait < 500; ++wait) {
    {
      std::lock_guard lock(engineLock);
      if (times.size() + in.DroppedCount() == kCount) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::lock_guard lock(engineLock);
  EXPECT_EQ(times.size() + in.DroppedCount(), kCount);
  EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
  EXPECT_EQ(std::adjacent_find(times.begin(), times.end()), times.end());
}

}  // namespace
}  // namespace korvel
