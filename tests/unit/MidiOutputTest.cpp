#include <gtest/gtest.h>

#include "midi/MidiDevices.h"
#include "midi/TMidiOutput.h"
#include "platform/RecordingDriver.h"

namespace korvel {
namespace {

class MidiOutputTest : public ::testing::Test {
 protected:
  RecordingDriver ports{{"Port A", "Port B"}, {}};
  RecordingDriver synth{{"Test synth"}, {}};
  MidiDevices devices{ports, &synth};
  TMidiOutput out{devices};

  void ExpectRaises(const std::function<void()>& call, const std::string& message) {
    try {
      call();
      ADD_FAILURE() << "expected: " << message;
    } catch (const EmidioutputError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
};

TEST_F(MidiOutputTest, DeviceNumbersNameTheDevicesAndTheMapper) {
  EXPECT_EQ(out.NumDevs(), 2);
  out.SetDeviceID(kMapperId);
  EXPECT_EQ(out.ProductName(), "Test synth");
  EXPECT_EQ(out.Technology(), kTechMapper);
  out.SetDeviceID(1);
  EXPECT_EQ(out.ProductName(), "Port B");
  ExpectRaises([&] { out.SetDeviceID(2); }, "Invalid device ID");
  ExpectRaises([&] { out.SetDeviceID(-2); }, "Invalid device ID");
  EXPECT_EQ(out.DeviceID(), 1);

  out.SetProductName("Test synth");
  EXPECT_EQ(out.DeviceID(), kMapperId);
  out.SetProductName("Port A");
  EXPECT_EQ(out.DeviceID(), 0);
  ExpectRaises([&] { out.SetProductName("Port Z"); }, "MIDI output Device Port Z not installed");
}

TEST_F(MidiOutputTest, NothingChangesWhileOpen) {
  out.SetDeviceID(0);
  out.Open();
  ExpectRaises([&] { out.SetDeviceID(1); }, "Change to DeviceID while device was open");
  ExpectRaises([&] { out.SetProductName("Port B"); },
               "Change to ProductName while device was open");
  EXPECT_EQ(out.ProductName(), "Port A");
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(out.State(), kPortClosed);
  out.SetDeviceID(1);
}

TEST_F(MidiOutputTest, SendsShortMessagesWithTheirCableLength) {
  out.SetDeviceID(0);
  EXPECT_TRUE(out.Open());
  EXPECT_EQ(out.State(), kPortOpen);
  out.PutShort(0x90, 60, 100);
  out.PutShort(0xC3, 5, 0);
  out.PutShortMsg(0xF8);
  out.PutMidiEvent({.MidiMessage = 0xB0, .Data1 = 7, .Data2 = 99});
  EXPECT_EQ(ports.SentText(),
            "-1 Port A: 90 3C 64\n"
            "-1 Port A: C3 05\n"
            "-1 Port A: F8\n"
            "-1 Port A: B0 07 63\n");
}

TEST_F(MidiOutputTest, AClosedPortRefusesOrIgnoresAsEachCallPromises) {
  ExpectRaises([&] { out.PutMidiEvent({.MidiMessage = 0x90, .Data1 = 1, .Data2 = 1}); },
               "MIDI Output device not open");
  EXPECT_THROW(out.PutShort(0x90, 60, 100), EmidioutputError);
  EXPECT_EQ(out.Error(), kMidiInvalidHandle);
  out.PutShortMsg(0xF8);  // no handle: nothing happens
  EXPECT_TRUE(ports.Sent().empty());
}

TEST_F(MidiOutputTest, OpeningABusyDeviceFailsWithItsCode) {
  auto other = ports.OpenOutput(0, "Port A");
  out.SetDeviceID(0);
  EXPECT_THROW(out.Open(), EmidioutputError);
  EXPECT_EQ(out.Error(), kMidiAllocated);
  EXPECT_FALSE(out.IsOpen());
}

TEST_F(MidiOutputTest, ASysexBufferLivesUntilTheDriverIsDoneThenTheEventFires) {
  ports.SetHoldLongMessages(true);
  size_t pendingWhenFired = 99;
  int fired = 0;
  out.Onmidioutput = [&](TMidiOutput& port) {
    ++fired;
    pendingWhenFired = port.PendingLongMessages();
  };
  out.SetDeviceID(1);
  out.Open();
  std::vector<uint8_t> message = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  out.PutLong(message.data(), message.size());
  message.assign(message.size(), 0);  // the caller's buffer may go at once
  EXPECT_EQ(out.PendingLongMessages(), 1u);
  EXPECT_EQ(fired, 0);
  out.Close();  // still held by the driver after the port closed
  EXPECT_EQ(ports.CompleteLongMessages(), 1u);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(pendingWhenFired, 0u) << "the event fires after the buffer is freed";
  EXPECT_EQ(ports.SentText(), "-1 Port B: F0 41 10 42 12 40 00 7F 00 41 F7\n");
}

TEST(MidiOutputNoMapper, TheMapperIsMissingWithoutASynthesizer) {
  RecordingDriver ports({}, {});
  MidiDevices devices(ports, nullptr);
  TMidiOutput out(devices);
  EXPECT_THROW(out.SetDeviceID(kMapperId), EmidioutputError);
  EXPECT_EQ(out.Error(), kMidiNoDriver);
}

}  // namespace
}  // namespace korvel
