// korvel-cli capture on a private JACK server: a sequencer sends Start, MIDI clock at 120 beats
// a minute and four measures of drums and bass; the saved work holds the same notes on the
// same clocks, within one, and nothing else, also when the sequencer stops halfway, goes on
// sending its clock while stopped, and continues.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/AtomicFile.h"
#include "stylegen/WorkFile.h"
#include "support/CliProcess.h"
#include "support/JackCapture.h"
#include "support/MaterialText.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

struct PatternEvent {
  int At;  // clocks from Start
  std::vector<unsigned char> Bytes;
};

// Per measure: kick on beats 1 and 3, snare on 2 and 4, closed hi-hat on every eighth, and a
// bass note on each half measure; every note ends inside its measure.
std::vector<PatternEvent> DrumAndBass() {
  std::vector<PatternEvent> events;
  const unsigned char bass[] = {36, 43, 41, 38, 36, 43, 45, 43};
  for (int measure = 0; measure < 4; ++measure) {
    const int m = measure * 96;
    for (int eighth = 0; eighth < 8; ++eighth) {
      const int at = m + eighth * 12;
      if (eighth % 2 == 0) {
        const unsigned char drum = eighth % 4 == 0 ? 36 : 38;
        events.push_back({at, {0x99, drum, 110}});
        events.push_back({at + 6, {0x89, drum, 0}});
      }
      events.push_back({at, {0x99, 42, 70}});
      events.push_back({at + 3, {0x99, 42, 0}});
    }
    for (int half = 0; half < 2; ++half) {
      const unsigned char note = bass[measure * 2 + half];
      events.push_back({m + half * 48, {0x91, note, 100}});
      events.push_back({m + half * 48 + 40, {0x81, note, 64}});
    }
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const PatternEvent& a, const PatternEvent& b) { return a.At < b.At; });
  return events;
}

struct Line {
  int Clock;
  std::string Message;
};

std::vector<Line> Parse(const std::vector<std::string>& lines) {
  std::vector<Line> parsed;
  for (const std::string& line : lines) {
    if (line.starts_with("end ")) continue;
    const auto space = line.find(' ');
    parsed.push_back({std::stoi(line.substr(0, space)), line.substr(space + 1)});
  }
  return parsed;
}

// `pausedClocks` > 0: after two measures the sequencer sends Stop, that many clocks, and
// Continue.
void CaptureFourMeasures(int pausedClocks) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("korvel-capture-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string work = (folder / "take.kvw").string();
  RtMidiOut sequencer{RtMidi::UNIX_JACK, "sequencer"};
  sequencer.openVirtualPort("out");

  test::CliProcess cli({test::CliProgram(), "--midi-api", "jack", "capture", "--in",
                        "sequencer:out", "--measures", "4", "--timeout", "60", "-o", work});
  ASSERT_TRUE(cli.WaitForLine("Ready to record", std::chrono::seconds(15)));
  const test::JackRecorder watcher("watcher");
  ASSERT_TRUE(test::JackRecorder::WaitUntil([&watcher] {
    return jack_port_connected(jack_port_by_name(watcher.Handle(), "sequencer:out")) > 0;
  }));

  auto send = [&](std::vector<unsigned char> bytes) { sequencer.sendMessage(&bytes); };
  const auto events = DrumAndBass();
  // Some clocks before Start are not recorded.
  for (int i = 0; i < 6; ++i) send({0xF8});
  send({0xFA});
  const auto period = std::chrono::microseconds(500000 / 24);  // 120 beats a minute
  auto due = Clock::now();
  auto tick = [&] {
    due += period;
    std::this_thread::sleep_until(due);
    send({0xF8});
  };
  size_t next = 0;
  for (int clock = 0; clock < 4 * 96; ++clock) {
    if (pausedClocks > 0 && clock == 2 * 96) {
      send({0xFC});
      for (int i = 0; i < pausedClocks; ++i) tick();
      send({0xFB});
    }
    for (; next < events.size() && events[next].At == clock; ++next) send(events[next].Bytes);
    tick();
  }
  ASSERT_EQ(cli.Wait(std::chrono::seconds(20)), 0);

  std::string error;
  const auto bytes = ReadWholeFile(work, error);
  ASSERT_TRUE(bytes) << error;
  const auto contents = ParseWorkFile(*bytes, error);
  ASSERT_TRUE(contents) << error;
  WorkMaterial material;
  material.AllocateWork();
  TakeWorkMaterial(material, *contents);
  const auto lines = test::MaterialLines(material);
  EXPECT_EQ(lines.back(), "end 384");
  EXPECT_EQ(contents->WorkSixteenths, 64);
  const std::vector<Line> captured = Parse(lines);
  ASSERT_EQ(captured.size(), events.size());
  for (size_t i = 0; i < events.size(); ++i) {
    char message[16];
    std::snprintf(message, sizeof message, "%02X %02X %02X", events[i].Bytes[0], events[i].Bytes[1],
                  events[i].Bytes[2]);
    EXPECT_EQ(captured[i].Message, message) << "event " << i;
    EXPECT_NEAR(captured[i].Clock, events[i].At, 1) << "event " << i << " " << message;
  }
  std::filesystem::remove_all(folder);
}

TEST(JackCapture, FourMeasuresOfDrumsAndBassAreCapturedOnTheirClocks) {
  CaptureFourMeasures(0);
}

TEST(JackCapture, ClocksWhileTheSequencerIsStoppedAreNotRecorded) {
  CaptureFourMeasures(40);
}

}  // namespace
}  // namespace korvel
