#include <gtest/gtest.h>

#include <filesystem>

#include "app/Render.h"
#include "performance/Progression.h"
#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"
#include "support/EndsWithin.h"
#include "support/MidiFileEvents.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/ShippedStyles.h"
#include "support/StyleFixture.h"

namespace korvel {
namespace {

TEST(Progression, ChordSymbolsAsMusiciansWriteThem) {
  const struct {
    const char* symbol;
    int pitchClass, type;
  } cases[] = {
      {"C", 0, 1},      {"Am", 9, 2},    {"G7", 7, 3},     {"Fmaj7", 5, 9},   {"Bm7b5", 11, 15},
      {"Dsus4", 2, 6},  {"Cadd9", 0, 7}, {"Caug", 0, 10},  {"C6", 0, 11},     {"CmM7", 0, 12},
      {"Cm6", 0, 13},   {"Cm9", 0, 14},  {"Caug7", 0, 16}, {"G7sus4", 7, 17}, {"Cdim", 0, 5},
      {"C7b5", 0, 8},   {"Bb", 10, 1},   {"F#m7", 6, 4},   {"Ebmin7", 3, 4},  {"Cmaj", 0, 1},
      {"Dsus7", 2, 17}, {"Cb", 11, 1},   {"E5b", 4, 8},    {"AM7", 9, 9},
  };
  for (const auto& c : cases) {
    const auto chord = ParseChordSymbol(c.symbol);
    ASSERT_TRUE(chord.has_value()) << c.symbol;
    EXPECT_EQ(chord->PitchClass, c.pitchClass) << c.symbol;
    EXPECT_EQ(chord->Type, c.type) << c.symbol;
  }
  for (const char* wrong : {"", "H", "Cx", "C13", "Am7x", "#C"}) {
    EXPECT_FALSE(ParseChordSymbol(wrong).has_value()) << wrong;
  }
}

TEST(Progression, StepsKeysAndErrors) {
  const auto steps = ParseProgression("[Intro] C 4 | G7 4 | Am 2 F 2 | [Fill] C 4 | [Ending]");
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_FALSE(steps[0].Chord);
  EXPECT_EQ(steps[0].Key, ProgressionKey::Intro);
  EXPECT_EQ(steps[3].Chord->PitchClass, 9);
  EXPECT_EQ(steps[3].Beats, 2);
  EXPECT_EQ(steps[5].Key, ProgressionKey::Fill);
  EXPECT_EQ(steps[7].Key, ProgressionKey::Ending);
  for (const char* wrong :
       {"C", "C x", "C 0", "Q 4", "[Break] C 4", "C 99", "C 1222222222222222222", "C -4", "C 4x"}) {
    EXPECT_THROW(ParseProgression(wrong), std::invalid_argument) << wrong;
  }
}

TEST(Progression, RootNotesAreWhereTheKeyboardPlacesThem) {
  // First key E2 (40): roots from E up, an octave higher below G#2 (44).
  EXPECT_EQ(ProgressionPlayer::RootNote(0, 40), 48);
  EXPECT_EQ(ProgressionPlayer::RootNote(4, 40), 52);
  EXPECT_EQ(ProgressionPlayer::RootNote(7, 40), 55);
  EXPECT_EQ(ProgressionPlayer::RootNote(8, 40), 44);
  EXPECT_EQ(ProgressionPlayer::RootNote(11, 40), 47);
}

class RenderTest : public ::testing::Test {
 protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvel-render-" + std::to_string(getpid()));
  test::ScriptedDialogs dialogs;
  test::RecordingView view;

  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Basic plays C E G as quarter notes and a rest on channel 2; the fill plays a high C; the
  // ending a low C.
  std::string WriteStyle() {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67}, 20))
        .Part(kFillBasic, 1, test::BeatNotes({72}, 90))
        .Part(kEnding, 1, test::BeatNotes({48}, 90));
    fixture.Channels().SetValue(1, ChannelState::kProgramIndex, 0);
    const auto path = (dir / "test.kvs").string();
    WriteFileAtomically(path, fixture.FileBytes());
    return path;
  }
  std::vector<test::MidiFileEvent> Render(const PerformanceRequest& request) {
    const auto out = (dir / "out.mid").string();
    const auto result = RenderToMidiFile(request, out, dialogs, view);
    EXPECT_TRUE(result.Played) << (dialogs.Messages.empty() ? "" : dialogs.Messages[0]);
    std::string error;
    const auto bytes = ReadWholeFile(out, error);
    if (!bytes) throw std::runtime_error(error);
    return test::MidiFileEvents(*bytes);
  }
};

TEST_F(RenderTest, AProgressionBecomesAMidiFileOfWhatWouldHaveBeenSent) {
  const auto out = (dir / "out.mid").string();
  const auto result = RenderToMidiFile({WriteStyle(), "C 4 | G7 4 | [Fill] Am 4 | [Ending]", 100},
                                       out, dialogs, view);
  ASSERT_TRUE(result.Played) << (dialogs.Messages.empty() ? "" : dialogs.Messages[0]);
  std::string error;
  const auto bytes = ReadWholeFile(out, error);
  ASSERT_TRUE(bytes.has_value()) << error;
  ASSERT_GE(bytes->size(), 22u);
  EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 4), "MThd");
  EXPECT_EQ((*bytes)[13], 24) << "MIDI clocks as ticks";
  EXPECT_EQ(std::string(bytes->begin() + 14, bytes->begin() + 18), "MTrk");
  const uint32_t length = GetU32(bytes->data() + 18);
  EXPECT_EQ(__builtin_bswap32(length), bytes->size() - 22) << "the track length is right";
  // Tempo 100: 600,000 microseconds per quarter.
  EXPECT_EQ((*bytes)[26], 0x09);
  EXPECT_EQ((*bytes)[27], 0x27);
  EXPECT_EQ((*bytes)[28], 0xC0);
  // Four measures of 96 clocks (C, G7, the fill over A minor, the ending), the clock at which
  // the ending stops the style, and the one that finds it stopped.
  EXPECT_EQ(result.Clocks, 4 * 96 + 2);
}

TEST_F(RenderTest, ChordsKeysAndEndingInTime) {
  RecordingDriver recorder({"render"}, {});
  MidiDevices devices(recorder, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
  ProgressionPlayer performance(engine, ParseProgression("C 4 | G7 4 | [Fill] Am 4 | [Ending]"));
  int64_t tick = 0;
  recorder.SetTickSource([&tick] { return tick; });
  {
    std::lock_guard lock(engine.Lock);
    ASSERT_TRUE(PreparePerformance(engine, 0, {WriteStyle(), "", 0}, performance));
  }
  while (!performance.Finished() && engine.Step()) ++tick;
  std::vector<std::string> ons;
  for (const auto& m : recorder.Sent()) {
    if (m.Bytes.size() == 3 && m.Bytes[0] == 0x91 && m.Bytes[2] > 0) {
      ons.push_back(std::to_string(m.Tick) + ":" + std::to_string(m.Bytes[1]));
    }
  }
  // C major: C E G. G7 (root note 55, above the octave threshold 48): G B F. The fill's C
  // under A minor (root note 45, below it): A an octave down. The ending's low C likewise.
  EXPECT_EQ(ons, (std::vector<std::string>{"0:60", "24:64", "48:67", "96:67", "120:71", "144:77",
                                           "192:69", "288:45"}));
  EXPECT_FALSE(engine.Player.Playing);
}

TEST_F(RenderTest, StylesOfOtherWritersPlayToTheEndInBoundedTime) {
  test::StyleFixture longer;  // one measure whose material holds a few clocks more
  longer.Part(kBasic, 1, {{0, 0x91, 60, 100}, {12, 0x91, 60, 0}, {100, 0xB1, 7, 90}});
  test::StyleFixture markerFirst;  // the material starts with a continuation marker
  markerFirst.Part(kBasic, 1, test::BeatNotes({60, 64}));
  auto markerBytes = markerFirst.FileBytes();
  markerBytes[4 + kStyleChannelTableSize + kStylePartTableSize] = kContinuation;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int64_t clocks;
  } cases[] = {
      // The progression, two measures more, and the clock that finds it over.
      {"longer.kvs", longer.FileBytes(), 8 * 96 + 2 * 96 + 1},
      // The style stops at once; the performance ends when its last chord is given.
      {"marker.kvs", markerBytes, 7 * 96 + 1},
  };
  for (const auto& c : cases) {
    const auto style = (dir / c.name).string();
    WriteFileAtomically(style, c.bytes);
    RenderResult result;
    test::EndsWithin(std::chrono::seconds(30), [&] {
      result = RenderToMidiFile({style, "C 4 | G7 4 | F 4 | C 4 | C 4 | G7 4 | F 4 | C 4", 120},
                                (dir / "out.mid").string(), dialogs, view);
    });
    EXPECT_TRUE(result.Played) << c.name;
    EXPECT_EQ(result.Clocks, c.clocks) << c.name;
  }
}

TEST_F(RenderTest, InEighthBeatStylesEveryPartChangeLandsOnABarLine) {
  const auto styles = test::ShippedStyles();
  const StyleFileContents& ballad = styles.at("ballad68").Contents;
  const auto path = (dir / "ballad68.kvs").string();
  WriteStyleFile(path, ballad.Channels, ballad.Parts, ballad.Material);
  // 6/8 counted in eighths: six beats a bar. The fill, the transition and the ending are asked
  // for in the middle of a bar. The chord changes only on bar lines, so what sounds on a part's
  // first beat shows where the part began.
  const auto events = Render({path,
                              "C 6 | F 6 | C 3 [Fill] C 3 | G7 6 | C 6 | C 2 [Extended] C 4 | "
                              "C 6 | F 6 | C 6 | C 4 [Ending]",
                              0});
  constexpr int64_t kBar = 72;
  std::vector<int64_t> offTheBar;  // pad chords struck off a bar line
  std::vector<int64_t> crashes;    // Extended and the ending's last bar begin with a crash
  std::vector<int64_t> toms;       // the fill ends with two toms
  int64_t last = 0;
  for (const auto& e : events) {
    if ((e.Status & 0xF0) != 0x90 || e.Data2 == 0) continue;
    if (e.Status == 0x94 && e.Tick % kBar != 0) offTheBar.push_back(e.Tick);
    if (e.Status == 0x99 && e.Data1 == 49) crashes.push_back(e.Tick);
    if (e.Status == 0x99 && e.Data1 == 45) toms.push_back(e.Tick);
    last = std::max(last, e.Tick);
  }
  // Basic in bars 0-1, again from bar 2; the fill from the middle of bar 2 to its end; Basic
  // from bar 3; the transition from the middle of bar 5; Extended from bar 6, four bars; the
  // ending in bars 10 and 11.
  EXPECT_EQ(offTheBar, std::vector<int64_t>{});
  EXPECT_EQ(toms, (std::vector<int64_t>{2 * kBar + 60, 2 * kBar + 66}));
  EXPECT_EQ(crashes, (std::vector<int64_t>{6 * kBar, 11 * kBar}));
  EXPECT_LT(last, 12 * kBar) << "the ending is the last thing played";
}

}  // namespace
}  // namespace korvel
