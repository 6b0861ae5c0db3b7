// korvel-cli live --record on a private JACK server: another program plays a progression and a
// melody into the session, Ctrl-C ends it, and the saved arrangement holds the chords on the
// beats they were played and the melody's notes in the measures they were played.
#include <gtest/gtest.h>
#include <poll.h>
#include <rtmidi/RtMidi.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/SongTimeline.h"
#include "performance/ArrangementFile.h"
#include "platform/AtomicFile.h"
#include "support/CliProcess.h"
#include "support/JackCapture.h"
#include "support/SourcePaths.h"
#include "support/StyleFixture.h"

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;
using test::CliProcess;

struct TimelineChord {
  int Beat;
  int Root;
  int Type;
};

// The chords of a timeline by the beat they fall on, a chord held over again left out.
std::vector<TimelineChord> ChordChanges(const std::string& timeline) {
  std::vector<TimelineChord> chords;
  std::istringstream lines(timeline);
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(" chord ");
    if (!line.starts_with("beat ") || at == std::string::npos) continue;
    TimelineChord chord{std::stoi(line.substr(5)), 0, 0};
    std::istringstream(line.substr(at + 7)) >> chord.Root >> chord.Type;
    if (chords.empty() || chords.back().Root != chord.Root || chords.back().Type != chord.Type) {
      chords.push_back(chord);
    }
  }
  return chords;
}

// A style of C E G on the first three beats at 240 beats a minute (a measure lasts a second), a
// keyboard and a listener on the JACK server, and the session recording into `song`.
class JackLiveRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67}, 20));
    fixture.Channels().SetTempo(240);
    std::filesystem::create_directories(folder);
    WriteFileAtomically(style, fixture.FileBytes());
    keyboard.openVirtualPort("keys");
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  CliProcess Start() {
    return CliProcess({test::CliProgram(), "live", "--style", style, "--in", "keyboard:keys",
                       "--out", "probe:capture", "--record", song});
  }
  void Send(const std::vector<int>& notes, int velocity) {
    for (int note : notes) {
      const std::vector<unsigned char> message = {0x90, static_cast<unsigned char>(note),
                                                  static_cast<unsigned char>(velocity)};
      keyboard.sendMessage(&message);
    }
  }

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("korvel-record-" + std::to_string(getpid()));
  const std::string style = (folder / "record.kvs").string();
  const std::string song = (folder / "take.kva").string();
  test::JackRecorder probe{"probe"};
  RtMidiOut keyboard{RtMidi::UNIX_JACK, "keyboard"};
};

TEST_F(JackLiveRecord, AProgressionAndMelodyPlayedIntoTheSessionAreSavedOnTheirBeats) {
  CliProcess cli = Start();
  ASSERT_TRUE(cli.WaitForLine("recording", std::chrono::seconds(10)));
  // The first chord goes in at once and the style starts with it; the rest follows the style as
  // it is heard: each chord a little before its measure, so the quantize grid puts it on the
  // measure's first beat, and a melody note on each measure's third beat.
  const std::vector<std::vector<int>> progression = {
      {48, 52, 55}, {41, 45, 48}, {43, 47, 50}, {48, 52, 55}};  // C, F, G, C
  const std::vector<int> melody = {72, 76, 79, 84};
  Send({48, 52, 55}, 100);
  ASSERT_TRUE(test::JackRecorder::WaitUntil([this] {
    for (const auto& m : probe.Messages())
      if (m.size() == 3 && (m[0] & 0xF0) == 0x90 && m[2] > 0) return true;
    return false;
  })) << "the style started with the first chord";
  const Clock::time_point start = Clock::now();
  auto at = [&](int milliseconds) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(milliseconds));
  };
  for (size_t measure = 0; measure < progression.size(); ++measure) {
    const int begins = static_cast<int>(measure) * 1000;
    if (measure > 0) {
      at(begins - 60);
      Send(progression[measure - 1], 0);
      Send(progression[measure], 100);
    }
    at(begins + 500);
    Send({melody[measure]}, 100);
    at(begins + 650);
    Send({melody[measure]}, 0);
  }
  at(3900);
  ASSERT_EQ(cli.Stop(SIGINT, std::chrono::seconds(10)), 0) << "the session saved and ended";

  const Arrangement saved = LoadArrangementFile(song);
  SongTimelineSettings settings;
  settings.MeasureSixteenths = saved.MeasureSixteenths();
  const auto chords = ChordChanges(SongTimeline(
      std::vector<uint8_t>(saved.Chords.begin(), saved.Chords.begin() + saved.SongEnd), settings));
  ASSERT_EQ(chords.size(), 4u);
  const int c = chords[0].Root;
  const int expectedRoots[] = {c, c + 5, c + 7, c};  // C, F a fourth and G a fifth above, C
  for (size_t i = 0; i < chords.size(); ++i) {
    EXPECT_EQ(chords[i].Beat, 1 + 4 * static_cast<int>(i)) << "chord " << i;
    EXPECT_EQ(chords[i].Root % 12, expectedRoots[i] % 12) << "chord " << i;
    EXPECT_EQ(chords[i].Type, chords[0].Type) << "all four are major";
  }

  std::vector<int> struck;
  for (const MelodyEvent& event : saved.Melody) {
    if (!IsNoteOn(event)) continue;
    struck.push_back(event.Data1);
    // 24 clocks a beat: the note belongs to the measure it was played in.
    const int beat = static_cast<int>(event.Time) / 24;
    EXPECT_EQ(beat / 4, static_cast<int>(struck.size()) - 1) << "note " << int{event.Data1};
  }
  EXPECT_EQ(struck, melody);
}

}  // namespace
}  // namespace korvel
