// Recording from MIDI in: the sequencer's Start and clocks time the material, with Slave Mode
// on or off; only channel messages and clocks are written, as the sequencer sent them; the
// end of recording runs once; a capture cuts the recording into style parts.
#include "stylegen/WorkRecorder.h"

#include <gtest/gtest.h>

#include "support/MaterialText.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

class Recorder : public ::testing::Test {
 protected:
  RecordingDriver driver{{"Module"}, {"Sequencer"}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  Engine engine{devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual};
  WorkRecorder& recorder = engine.Recorder;
  int ended = 0;

  void SetUp() override {
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();  // opens the module and switches the clock on
    engine.Ports.MidiInList = 0;
    engine.Ports.MidiInChange();
    ASSERT_TRUE(engine.Ports.MidiInput2.IsOpen());
    recorder.Hooks.Ended = [this](bool) { ++ended; };
  }
  void Send(std::initializer_list<uint8_t> bytes) {
    auto it = bytes.begin();
    uint32_t packed = *it++;
    for (int shift = 8; it != bytes.end(); ++it, shift += 8) packed |= uint32_t{*it} << shift;
    driver.Inject("Sequencer", packed);
    engine.Ports.MidiInput2.ProcessNotifications();
  }
  void Clocks(int count) {
    for (int i = 0; i < count; ++i) Send({0xF8});
  }
  void Stop() {
    std::lock_guard lock(engine.Lock);
    engine.Transport.StopCommand();
  }
  bool Arm(bool capture = false) {
    std::lock_guard lock(engine.Lock);
    return recorder.ArmRecording(capture);
  }
};

TEST_F(Recorder, ClocksReachTheRecorderWithSlaveModeOff) {
  ASSERT_FALSE(engine.Transport.SlaveMode);
  ASSERT_TRUE(Arm());
  EXPECT_TRUE(recorder.Armed());
  EXPECT_EQ(recorder.MeasureText(), "1:1");
  Send({0xFA});
  Clocks(30);
  Send({0x90, 60, 100});
  Clocks(24);
  Send({0x80, 60, 0});
  Clocks(42);
  EXPECT_EQ(recorder.MeasureText(), "2:1");
  Stop();
  EXPECT_FALSE(recorder.Armed());
  EXPECT_EQ(test::MaterialLines(engine.Style.Work),
            (std::vector<std::string>{"30 90 3C 64", "54 80 3C 00", "end 96"}));
  // Thirty clocks before the note: three full time bytes and one of six.
  const WorkChunk& chunk = engine.Style.Work.Chunk(0);
  EXPECT_EQ((std::vector<int>{chunk[0], chunk[1], chunk[2], chunk[3], chunk[4]}),
            (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFD, 0x90}));
  EXPECT_EQ(engine.Style.Work.WorkSixteenths, 16);
  EXPECT_TRUE(engine.Style.Channels.HasNotes(0));
  EXPECT_TRUE(engine.Style.StyleMode);
  EXPECT_EQ(ended, 1);
  // Timing clocks go back to being kept from the input.
  EXPECT_EQ(input.ClockForwarding(), 0);
}

TEST_F(Recorder, OnlyChannelMessagesAsSentAreRecorded) {
  engine.Notes.MasterTranspose = 5;
  ASSERT_TRUE(Arm());
  Send({0xF8});
  driver.InjectLong("Sequencer", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
  engine.Ports.MidiInput2.ProcessNotifications();
  Send({0xF2, 0x10, 0x00});  // song position
  Send({0xF3, 0x01});        // song select
  Send({0xFE});              // active sensing
  Send({0xB0, 84, 60});      // portamento control: the master transposition stays out
  Send({0xC9, 25});
  Send({0xB0, 7, 100});
  Send({0xB0, 7, 90});  // the channel table keeps the first value
  Send({0xF8});
  Stop();
  EXPECT_EQ(
      test::MaterialLines(engine.Style.Work),
      (std::vector<std::string>{"1 B0 54 3C", "1 C9 19 00", "1 B0 07 64", "1 B0 07 5A", "end 2"}));
  EXPECT_EQ(engine.Style.Channels.Value(0, 7), 100);
  EXPECT_EQ(engine.Style.Channels.Value(9, ChannelState::kProgramIndex), 25);
  EXPECT_EQ(engine.Style.Channels.Value(1, 7), ChannelState::kNone);
}

TEST_F(Recorder, AnExternalClockWaitsForStartAndASecondPressCancels) {
  {
    std::lock_guard lock(engine.Lock);
    engine.Transport.SetSlaveMode(true);
  }
  ASSERT_EQ(engine.Transport.ClockState, -1);
  ASSERT_TRUE(Arm());
  EXPECT_TRUE(recorder.WaitingForStart());
  EXPECT_FALSE(engine.Transport.SlaveMode);
  Clocks(5);
  Send({0x90, 60, 100});  // before Start: not recorded
  Send({0xFA});
  EXPECT_FALSE(recorder.WaitingForStart());
  Clocks(24);
  Stop();
  EXPECT_EQ(test::MaterialLines(engine.Style.Work), (std::vector<std::string>{"end 24"}));
  EXPECT_TRUE(engine.Transport.SlaveMode);
  EXPECT_EQ(input.ClockForwarding(), 1);

  dialogs.Answers = {true};  // "Replace current work ?"
  ASSERT_TRUE(Arm());
  ASSERT_TRUE(recorder.WaitingForStart());
  EXPECT_FALSE(Arm());  // cancels the wait
  EXPECT_FALSE(recorder.Armed());
  EXPECT_EQ(engine.Transport.StartDelay, 0);
  EXPECT_TRUE(engine.Transport.SlaveMode);
}

TEST_F(Recorder, TheEndOfRecordingRunsOnceHoweverOftenStopComes) {
  {
    std::lock_guard lock(engine.Lock);
    engine.Transport.SetSlaveMode(true);  // restoring it stops the transport again
  }
  ASSERT_TRUE(Arm());
  Send({0xFA});
  Clocks(24);
  Send({0x90, 62, 90});
  Clocks(24);
  Stop();
  Stop();
  EXPECT_EQ(ended, 1);
  // The note the sequencer had not ended ends with the recording; the length is counted once.
  EXPECT_EQ(test::MaterialLines(engine.Style.Work),
            (std::vector<std::string>{"24 90 3E 5A", "48 80 3E 00", "end 48"}));
  EXPECT_EQ(engine.Style.Work.WorkLength,
            static_cast<int32_t>(engine.Style.Work.Chunks[0].UsedLength));
}

TEST_F(Recorder, AskBeforeReplacingWorkUnlessCapturing) {
  ASSERT_TRUE(Arm());
  Send({0xFA});
  Send({0x90, 60, 100});
  Clocks(24);
  Stop();
  dialogs.Answers = {false};
  EXPECT_FALSE(Arm());
  EXPECT_EQ(dialogs.Questions.back(), "Replace current work ?");
  EXPECT_FALSE(recorder.Armed());
  const size_t asked = dialogs.Questions.size();
  EXPECT_TRUE(Arm(true));
  EXPECT_EQ(dialogs.Questions.size(), asked);
}

TEST_F(Recorder, ACaptureSetsThePartsItsMeasuresName) {
  recorder.Capture.Clear();
  recorder.Capture.First[kBasic] = 1;
  recorder.Capture.Last[kBasic] = 4;
  recorder.Capture.First[kEnding] = 9;
  recorder.Capture.Last[kEnding] = 0;
  recorder.Capture.Tempo = 100;
  EXPECT_EQ(recorder.Capture.LastMeasure(), 9);
  ASSERT_TRUE(Arm(true));
  Send({0xFA});
  // Ten measures are played; recording ends by itself after the ninth.
  for (int measure = 0; measure < 10; ++measure) {
    Send({0x99, 36, 100});
    Send({0x90, static_cast<uint8_t>(48 + measure), 80});
    Clocks(48);
    Send({0x89, 36, 0});
    Send({0x80, static_cast<uint8_t>(48 + measure), 0});
    Clocks(48);
  }
  EXPECT_FALSE(recorder.Armed());
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(recorder.ClocksRecorded(), 9 * 96);
  const Style& style = engine.Style;
  EXPECT_EQ(style.Parts.Part(kBasic).FirstMeasure(), 1);
  EXPECT_EQ(style.Parts.Part(kBasic).LastMeasure(), 4);
  EXPECT_EQ(style.Parts.Part(kEnding).FirstMeasure(), 9);
  EXPECT_EQ(style.Parts.Part(kEnding).LastMeasure(), 9);
  EXPECT_TRUE(style.Parts.Part(kIntro).Empty());
  EXPECT_EQ(style.StyleName, "*.KVS");
  EXPECT_EQ(dialogs.Messages.back(), "OK - Styleparts are created !");
  EXPECT_EQ(engine.Transport.Tempo, 100);
  // The style is saved with the capture's tempo and metre.
  EXPECT_EQ(style.Channels.Tempo(), 100);
  EXPECT_EQ(style.Channels.MeasureLength(), 16);
  EXPECT_TRUE(engine.Generator.StyleChanged);
}

// A 6/8 capture is a 6/8 style (counted in eighths), not a 3/4 one.
TEST_F(Recorder, ACaptureInSixEightMakesASixEightStyle) {
  recorder.Capture.Clear();
  recorder.Capture.First[kBasic] = 1;
  recorder.Capture.Last[kBasic] = 2;
  recorder.Capture.Tempo = 70;
  recorder.Capture.MetreIndex = 6;  // 6/8
  ASSERT_TRUE(Arm(true));
  Send({0xFA});
  for (int measure = 0; measure < 2; ++measure) {
    Send({0x90, 60, 80});
    Clocks(36);
    Send({0x80, 60, 0});
    Clocks(36);
  }
  EXPECT_FALSE(recorder.Armed());
  EXPECT_EQ(engine.Style.Parts.Part(kBasic).LastMeasure(), 2);
  EXPECT_EQ(engine.Style.Channels.MeasureLength(), -12);
  EXPECT_EQ(engine.Style.Channels.Tempo(), 70);
}

// After the sequencer's Stop nothing advances, though it goes on sending its clock: Continue
// goes on where it stopped; Start, from the top again, goes on from the next bar line, the notes
// still sounding ended where it stopped.
TEST_F(Recorder, StopHoldsTheRecordingUntilContinueOrStart) {
  ASSERT_TRUE(Arm());
  Send({0xFA});
  Clocks(30);
  Send({0x90, 60, 100});
  Clocks(10);
  Send({0xFC});
  Clocks(40);
  EXPECT_EQ(recorder.ClocksRecorded(), 40);
  Send({0xFB});
  Clocks(14);
  Send({0x80, 60, 0});
  Send({0x90, 62, 100});
  Clocks(20);
  Send({0xFC});
  Clocks(40);
  Send({0xFA});
  Send({0x90, 64, 100});
  Clocks(24);
  Send({0x80, 64, 0});
  Stop();
  EXPECT_EQ(test::MaterialLines(engine.Style.Work),
            (std::vector<std::string>{"30 90 3C 64", "54 80 3C 00", "54 90 3E 64", "74 80 3E 00",
                                      "96 90 40 64", "120 80 40 00", "end 120"}));
}

TEST_F(Recorder, AFullChainStopsWithOutOfMemory) {
  ASSERT_TRUE(Arm());
  Send({0xFA});
  TMyMidiEvent note{0x90, 60, 100};
  TMyMidiEvent clock{0xF8};
  std::lock_guard lock(engine.Lock);
  for (int guard = 0; recorder.Armed() && guard < 200000; ++guard) {
    recorder.RecordEvent(note);
    recorder.RecordEvent(clock);
  }
  EXPECT_FALSE(recorder.Armed());
  EXPECT_EQ(dialogs.Messages.back(), "Sorry - Out of Memory !");
  EXPECT_EQ(engine.Style.Work.Chunks[kChainLength - 1].Allocated, true);
}

}  // namespace
}  // namespace korvel
