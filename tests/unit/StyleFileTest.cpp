#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/StyleLoader.h"
#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"
#include "support/PlayerRig.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/StyleFixture.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::FixtureEvent;

// Intro 1 measure, Basic 2, Ending 1; a bass on channel 2 and a pad on channel 3.
test::StyleFixture SmallStyle() {
  test::StyleFixture style;
  style.Part(kIntro, 1, {{0, 0x91, 36, 100}, {90, 0x91, 36, 0}})
      .Part(kBasic, 2,
            {{0, 0x91, 36, 100}, {48, 0x91, 36, 0}, {96, 0x92, 60, 80}, {190, 0x92, 60, 0}})
      .Part(kEnding, 1, {{0, 0x92, 48, 90}});  // the pad's note is left hanging
  style.Channels().SetTempo(96);
  style.Channels().SetValue(1, 96, 33);  // bass program
  return style;
}

using test::TempDir;

TEST(StyleFile, RoundTripWithAndWithoutStamp) {
  auto fixture = SmallStyle();
  for (bool stamp : {true, false}) {
    const auto bytes = fixture.FileBytes(stamp);
    ASSERT_EQ(bytes.size(), (stamp ? 4u : 0u) + 2121u + fixture.Material().size());
    const StyleFileContents read = ParseStyleFile(bytes);
    EXPECT_EQ(read.HasStamp, stamp);
    EXPECT_EQ(read.Channels.Bytes, fixture.Channels().Bytes);
    EXPECT_EQ(read.Parts.Bytes, fixture.Parts().Bytes);
    EXPECT_EQ(read.Material, fixture.Material());
    EXPECT_EQ(SerializeStyleFile(read.Channels, read.Parts, read.Material, stamp), bytes);
  }
}

TEST(StyleFile, TheStampIsRecognisedOnlyInItsRange) {
  const struct {
    uint8_t bytes[4];
    bool stamp;
  } cases[] = {
      {{0x2A, 0x6F, 0x73, 0x02}, true},   // 41,119,530, the lowest
      {{0x28, 0x6F, 0x74, 0x02}, true},   // the highest, 41,119,530 + 65,534
      {{0x29, 0x6F, 0x73, 0x02}, false},  // one below
      {{0x29, 0x6F, 0x74, 0x02}, false},  // one above
      {{0xFF, 0xFF, 0xFF, 0xFF}, false},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> file(c.bytes, c.bytes + 4);
    file.resize(2200, 7);
    EXPECT_EQ(ParseStyleFile(file).HasStamp, c.stamp) << int(c.bytes[0]) << " " << int(c.bytes[2]);
    EXPECT_EQ(ParseStyleFile(file).Material.size(), c.stamp ? 2200u - 2125u : 2200u - 2121u);
  }
}

TEST(StyleFile, MaterialIsCutAt65500Bytes) {
  StyleChannelTable channels;
  StylePartTable parts;
  std::vector<uint8_t> bytes = SerializeStyleFile(channels, parts, {}, true);
  bytes.resize(bytes.size() + 70000, 0xF8);
  EXPECT_EQ(ParseStyleFile(bytes).Material.size(), 65500u);
}

struct LoaderRig {
  struct NoTimer : ClockTimer {
    void Start(int) override {}
    void Stop() override {}
  };
  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  NoTimer timer;
  MidiPorts ports{devices, input, dialogs, InputDispatch::Manual};
  Transport transport{ports, input, timer, view};
  Style style;
  StyleLoader loader{style, transport, dialogs};
  std::vector<int> help;
  int stops = 0;

  LoaderRig() {
    style.Work.AllocateWork();
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();
    loader.Hooks.ShowHelp = [this](int topic) { help.push_back(topic); };
    loader.Hooks.StopPlayback = [this] { ++stops; };
  }
  void Load(const std::string& path) {
    dialogs.Files.push_back(path);
    loader.LoadStyle(true);
  }
};

TEST(StyleLoader, LoadsTablesMaterialAndWhatTheStyleBrings) {
  TempDir dir;
  auto fixture = SmallStyle();
  fixture.Channels().SetMeasureLength(-12);  // 6/8 counted in eighths
  fixture.Channels().SetStartMeasure(-2);
  LoaderRig rig;
  rig.transport.TempoDetection = true;
  rig.transport.IntroDetection = true;
  rig.Load(dir.Write("Easy&Slow.kvs", fixture.FileBytes()));
  EXPECT_TRUE(rig.dialogs.Messages.empty()) << rig.dialogs.Messages[0];
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Title, "Open style ...");
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, "Styles (*.kvs)|*.kvs");
  EXPECT_TRUE(rig.style.StyleLoaded);
  EXPECT_TRUE(rig.style.StyleMode);
  EXPECT_EQ(rig.style.StyleName, "EASY&&SLOW");
  EXPECT_EQ(rig.style.StyleLength, static_cast<int32_t>(fixture.Material().size()));
  EXPECT_EQ(rig.style.Parts.Bytes, fixture.Parts().Bytes);
  EXPECT_EQ(rig.transport.Tempo, 96);
  EXPECT_EQ(rig.transport.StartMeasure, -4) << "-2 measures of the style, in eighth beats";
  EXPECT_EQ(rig.transport.MeasureSixteenths, 12);
  EXPECT_EQ(rig.transport.ClockResolution, 2);
  EXPECT_EQ(rig.transport.ClockState, 1) << "the clock is switched on";
  EXPECT_EQ(rig.style.SelectedPart, kBasic);
  EXPECT_TRUE(rig.style.Work.RestoreAvailable);

  fixture.Channels().SetMeasureLength(0);
  rig.Load(dir.Write("four.kvs", fixture.FileBytes()));
  EXPECT_EQ(rig.transport.MeasureSixteenths, 16) << "0 reads as 4/4";
  EXPECT_EQ(rig.transport.ClockResolution, 1);
}

TEST(StyleLoader, HangingNotesAndHasNotesFlags) {
  TempDir dir;
  LoaderRig rig;
  rig.Load(dir.Write("s.kvs", SmallStyle().FileBytes()));
  const auto& flags = rig.style.HangingNoteFlags;
  for (int channel = 0; channel < 16; ++channel) {
    EXPECT_EQ(flags[kEnding][static_cast<size_t>(channel)], channel == 2 ? 0 : 1) << channel;
    EXPECT_EQ(flags[kBasic][static_cast<size_t>(channel)], 1) << channel;
    EXPECT_EQ(rig.style.Channels.HasNotes(channel), channel == 1 || channel == 2) << channel;
  }
}

TEST(StyleLoader, CaptionsOfFurtherVariations) {
  TempDir dir;
  auto fixture = SmallStyle();
  fixture.Part(kFillBasic, 1, {{0, 0x91, 40, 90}, {10, 0x91, 40, 0}});
  fixture.Parts().Part(kFillBasic).SetSuccessor(kFurtherVariation);
  LoaderRig rig;
  rig.Load(dir.Write("pop.kvs", fixture.FileBytes()));
  EXPECT_EQ(rig.style.StyleName, "POP / Var.Basic");
  rig.style.Parts.Part(kFillExtended).SetSuccessor(kFurtherVariation);
  EXPECT_EQ(MakeStyleName("/x/pop.kvs", rig.style.Parts), "POP / Var.Basic / Var.Extended");
}

TEST(StyleLoader, QuestionsAndRefusals) {
  TempDir dir;
  const std::string good = dir.Write("good.kvs", SmallStyle().FileBytes());
  LoaderRig rig;
  rig.style.SongLoaded = true;
  rig.style.Work.WorkLength = 500;
  rig.dialogs.Answers = {false};
  rig.Load(good);
  EXPECT_EQ(rig.dialogs.Questions, std::vector<std::string>{"Replace current song ?"});
  EXPECT_FALSE(rig.style.StyleLoaded);
  EXPECT_EQ(rig.style.Work.WorkLength, 500) << "No leaves the song untouched";

  rig.dialogs.Files.clear();
  rig.style.SongLoaded = false;
  rig.style.StyleMode = true;  // no work to replace either
  rig.Load(dir.Write("notes.mid", {1, 2, 3}));
  EXPECT_EQ(rig.help, std::vector<int>{kWrongStyleFileHelpTopic});
  EXPECT_EQ(rig.stops, 1);

  // A cancelled open dialog leaves the loaded style as it was.
  rig.Load(good);
  ASSERT_TRUE(rig.style.StyleLoaded);
  const int32_t length = rig.style.Work.WorkLength;
  rig.dialogs.Files.clear();
  rig.loader.LoadStyle(true);
  EXPECT_EQ(rig.style.Work.WorkLength, length);
  EXPECT_TRUE(rig.style.StyleLoaded);

  // Unsaved work in the generator is asked about before the dialog opens.
  rig.style.StyleMode = false;
  rig.dialogs.Answers = {false};
  rig.loader.LoadStyle(true);
  EXPECT_EQ(rig.dialogs.Questions.back(), "Replace current work ?");
  EXPECT_EQ(rig.style.Work.WorkLength, length);
  rig.style.StyleMode = true;

  rig.style.StyleFileName = dir.Path("missing.kvs");
  rig.loader.Settings.ProgramDir = dir.Path("nowhere");
  rig.loader.LoadStyle(false);
  EXPECT_EQ(rig.dialogs.Messages.back(), "Style not found !");

  // Reloading by name finds the file in STYLES below the program folder.
  std::filesystem::create_directories(dir.Path("prog/STYLES"));
  dir.Write("prog/STYLES/missing.kvs", SmallStyle().FileBytes());
  rig.loader.Settings.ProgramDir = dir.Path("prog");
  rig.loader.LoadStyle(false);
  EXPECT_TRUE(rig.style.StyleLoaded);
  EXPECT_EQ(rig.style.StyleName, "MISSING");
}

TEST(StyleLoader, AFileCutShortLoadsWhatItHoldsOrNothing) {
  TempDir dir;
  const auto whole = SmallStyle().FileBytes();
  const size_t cuts[] = {0, 3, 4 + 100, 4 + 1593 + 20, 4 + 2121 + 5, whole.size() - 1};
  for (size_t cut : cuts) {
    LoaderRig rig;
    std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
    rig.Load(dir.Write("cut.kvs", bytes));
    if (cut < whole.size() - 1) {
      // Basic is lost with the cut: a style that cannot play is not loaded.
      EXPECT_FALSE(rig.style.StyleLoaded) << cut;
      EXPECT_EQ(rig.dialogs.Messages, std::vector<std::string>{kCannotProcess}) << cut;
      EXPECT_EQ(rig.style.Work.WorkLength, 0) << cut;
      continue;
    }
    // Only the ending reached the lost last byte: it alone goes, with one message.
    EXPECT_TRUE(rig.style.StyleLoaded);
    EXPECT_TRUE(rig.style.Parts.Part(kEnding).Empty());
    for (int p = 0; p < kStylePartCount; ++p) {
      const StylePart part = rig.style.Parts.Part(p);
      if (!part.Empty()) {
        EXPECT_LE(part.EndPos(), rig.style.StyleLength) << p;
      }
    }
    EXPECT_EQ(
        rig.dialogs.Messages,
        std::vector<std::string>{"This style file is damaged; these parts were left out: Ending"});
  }
}

TEST(StyleLoader, AFailedLoadLeavesTheSongItWasToReplace) {
  TempDir dir;
  auto cut = SmallStyle().FileBytes();
  cut.resize(4 + 1593 + 20);  // the part table is cut: no Basic
  const struct {
    const char* name;
    std::string path;
    std::string message;
  } cases[] = {
      {"unreadable", dir.Path("missing.kvs"), "Could not open " + dir.Path("missing.kvs")},
      {"cannot play", dir.Write("cut.kvs", cut), kCannotProcess},
  };
  for (const auto& c : cases) {
    LoaderRig rig;
    rig.Load(dir.Write("song.kvs", SmallStyle().FileBytes()));
    rig.style.SongLoaded = true;  // as an imported song would be
    const auto material = rig.style.Material();
    const std::vector<uint8_t> before(material.begin(), material.end());
    const int32_t length = rig.style.Work.WorkLength;
    rig.dialogs.Messages.clear();
    rig.dialogs.Answers = {true};  // "Replace current song ?" Yes
    rig.Load(c.path);
    EXPECT_EQ(rig.dialogs.Questions.back(), "Replace current song ?") << c.name;
    ASSERT_EQ(rig.dialogs.Messages.size(), 1u) << c.name;
    EXPECT_EQ(rig.dialogs.Messages[0].substr(0, c.message.size()), c.message) << c.name;
    EXPECT_TRUE(rig.style.SongLoaded) << c.name;
    EXPECT_EQ(rig.style.Work.WorkLength, length) << c.name;
    const auto after = rig.style.Material();
    EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.end()), before) << c.name;
    EXPECT_EQ(rig.style.StyleName, "SONG") << c.name;
  }
}

TEST(StyleLoader, AnSc55GetsBanksAndKitsItKnows) {
  TempDir dir;
  auto fixture = SmallStyle();
  fixture.Channels().SetValue(0, 0, 80);   // bank 80 on channel 1
  fixture.Channels().SetValue(9, 96, 70);  // drum kit 70
  fixture.Part(kExtended, 1,
               {{0, 0xB0, 0, 64}, {0, 0xC9, 90, 0}, {1, 0x99, 36, 100}, {2, 0x99, 36, 0}});
  LoaderRig rig;
  rig.loader.Settings.InstrumentSetName = "SC-55.KVI";
  rig.Load(dir.Write("sc.kvs", fixture.FileBytes()));
  EXPECT_EQ(rig.style.Channels.Value(0, 0), 0);
  EXPECT_EQ(rig.style.Channels.Value(9, 96), 0);
  const int32_t start = rig.style.Parts.Part(kExtended).StartPos();
  const auto& m = rig.style.Work.Chunk(0);
  EXPECT_EQ(m[static_cast<size_t>(start + 2)], 0) << "bank select 64 becomes 0 in the material";
  EXPECT_EQ(m[static_cast<size_t>(start + 4)], 0) << "drum kit 90 becomes 0 in the material";
}

TEST(StyleLoader, AStyleTempoIsKeptInTheTempoFieldsRange) {
  TempDir dir;
  const struct {
    int16_t stored;
    int tempo;
  } cases[] = {{96, 96}, {0, 25}, {10, 25}, {300, 250}, {-5, 25}};
  for (const auto& c : cases) {
    auto fixture = SmallStyle();
    fixture.Channels().SetTempo(c.stored);
    test::PlayerRig rig;
    rig.transport.ToggleClock();  // off: loading switches it on at the style's tempo
    rig.transport.TempoDetection = true;
    rig.dialogs.Files.push_back(dir.Write("t.kvs", fixture.FileBytes()));
    rig.engine.Loader.LoadStyle(true);
    EXPECT_EQ(rig.transport.Tempo, c.tempo) << c.stored;
    EXPECT_EQ(rig.transport.ClockState, 1) << c.stored;
    EXPECT_TRUE(rig.engine.Step()) << c.stored << ": the clock runs";
  }
}

TEST(StyleLoader, LoadingStopsThePlayingStyleWithNoteOffs) {
  TempDir dir;
  test::PlayerRig rig;
  rig.dialogs.Files.push_back(dir.Write("first.kvs", SmallStyle().FileBytes()));
  rig.engine.Loader.LoadStyle(true);
  rig.Start(kBasic);
  rig.Chord(50, 1);  // D major: the bass's C2 sounds as D2
  rig.Ticks(10);
  ASSERT_EQ(rig.Notes(), std::vector<std::string>{"1:2:38:100"});
  rig.dialogs.Files.push_back(dir.Write("second.kvs", SmallStyle().FileBytes()));
  rig.engine.Loader.LoadStyle(true);
  EXPECT_FALSE(rig.player.Playing);
  rig.Ticks(200);
  EXPECT_EQ(rig.Notes(), (std::vector<std::string>{"1:2:38:100", "10:2:38:0"}))
      << "the sounding note ends, and nothing more plays until the new style is started";
}

// Channel 2 sets volume 80, pan 40 and program 33; channel 3 volume 60; channel 4 plays with
// no volume of its own.
test::StyleFixture MixedStyle() {
  auto fixture = SmallStyle();
  fixture.Part(kExtended, 1, {{0, 0x93, 60, 90}, {10, 0x93, 60, 0}});
  StyleChannelTable& table = fixture.Channels();
  table.SetValue(1, 7, 80);
  table.SetValue(1, 10, 40);
  table.SetValue(2, 7, 60);
  return fixture;
}

TEST(StyleLoader, NormalizeVolumeBringsTheLoudestChannelToTheMaximum) {
  TempDir dir;
  const auto path = dir.Write("mixed.kvs", MixedStyle().FileBytes());
  const struct {
    bool normalize;
    int maxVolume;
    int volume2, volume3;
  } cases[] = {
      {false, 100, 80, 60}, {true, 100, 100, 80}, {true, 120, 120, 100}, {true, 50, 100, 80}};
  for (const auto& c : cases) {
    test::PlayerRig rig;
    rig.engine.Loader.Settings.NormalizeVolume = c.normalize;
    rig.engine.Loader.Settings.MaxVolume = c.maxVolume;
    rig.driver.ClearSent();
    rig.dialogs.Files.push_back(path);
    rig.engine.Loader.LoadStyle(true);
    const StyleChannelTable& table = rig.style.Channels;
    EXPECT_EQ(table.Value(1, 7), c.volume2) << c.maxVolume;
    EXPECT_EQ(table.Value(2, 7), c.volume3) << c.maxVolume;
    EXPECT_EQ(table.Value(3, 7), ChannelState::kNone) << "an unset volume stays unset";
    EXPECT_EQ(rig.live.Mixer[1].Volume, c.volume2) << "the mixer takes the new volume";
    std::vector<std::string> sent;
    for (const auto& m : rig.driver.Sent()) {
      if ((m.Bytes[0] & 0xF0) == 0xB0 && m.Bytes[1] == 7) {
        sent.push_back(std::to_string((m.Bytes[0] & 0x0F) + 1) + ":" + std::to_string(m.Bytes[2]));
      }
    }
    const std::vector<std::string> normalized = {"2:" + std::to_string(c.volume2),
                                                 "3:" + std::to_string(c.volume3)};
    EXPECT_EQ(sent, c.normalize ? normalized : std::vector<std::string>{}) << c.maxVolume;
  }
}

TEST(StyleLoader, TheStyleChannelSettingsReachTheMixer) {
  TempDir dir;
  test::PlayerRig rig;
  int shown = 0;
  rig.engine.Mixer.Hooks.ValuesChanged = [&shown] { ++shown; };
  rig.engine.Mixer.ChooseChannel(1);
  rig.dialogs.Files.push_back(dir.Write("mixed.kvs", MixedStyle().FileBytes()));
  rig.engine.Loader.LoadStyle(true);
  const MixerRecord& bass = rig.live.Mixer[1];
  EXPECT_EQ(bass.Volume, 80);
  EXPECT_EQ(bass.Pan, 40);
  EXPECT_EQ(bass.Program, 33);
  EXPECT_EQ(rig.live.Mixer[2].Volume, 60);
  EXPECT_EQ(rig.live.Mixer[3].Volume, MixerRecord{}.Volume) << "what the style leaves unset";
  const Mixer& mixer = rig.engine.Mixer;
  EXPECT_EQ(mixer.ChannelInstrument[1], 33) << "the instrument box's line for program 33";
  EXPECT_EQ(mixer.Selected, 33) << "channel 2 is the live channel";
  EXPECT_EQ(mixer.Bars[kBarVolume], 80);
  EXPECT_EQ(mixer.Bars[kBarPan], 40);
  EXPECT_EQ(mixer.ChannelLine(1), " Ch. 02 : Electric Bass (finger)");
  EXPECT_EQ(shown, 1) << "the mixer panel is told once";
}

TEST(StyleLoader, RestoreOriginalAsksFromTheButtonAndStopsPlayback) {
  TempDir dir;
  test::PlayerRig rig;
  rig.dialogs.Files.push_back(dir.Write("s.kvs", SmallStyle().FileBytes()));
  rig.engine.Loader.LoadStyle(true);
  const int32_t start = rig.style.Parts.Part(kBasic).StartPos();
  auto& material = rig.style.Work.Chunk(0);
  const uint8_t original = material[static_cast<size_t>(start + 1)];
  const auto convert = [&] {
    material[static_cast<size_t>(start + 1)] = 70;
    rig.style.Channels.SetConverted(true);
    rig.Start();
    rig.Chord(48, 1);
    rig.Ticks(5);
  };
  convert();
  rig.dialogs.Answers = {false};
  rig.engine.Loader.RestoreOriginal(true);
  EXPECT_EQ(rig.dialogs.Questions.back(), "Undo all conversions ?");
  EXPECT_EQ(material[static_cast<size_t>(start + 1)], 70) << "No keeps the conversion";
  EXPECT_TRUE(rig.player.Playing);

  rig.dialogs.Answers = {true};
  rig.engine.Loader.RestoreOriginal(true);
  EXPECT_EQ(material[static_cast<size_t>(start + 1)], original);
  EXPECT_FALSE(rig.style.Channels.Converted());
  EXPECT_FALSE(rig.player.Playing);

  convert();  // "Restore all" asks nothing
  const size_t questions = rig.dialogs.Questions.size();
  rig.engine.Loader.RestoreOriginal(false);
  EXPECT_EQ(rig.dialogs.Questions.size(), questions);
  EXPECT_EQ(material[static_cast<size_t>(start + 1)], original);
  EXPECT_FALSE(rig.player.Playing);
}

TEST(StyleInfo, OneFieldPerLine) {
  TempDir dir;
  LoaderRig rig;
  rig.Load(dir.Write("small.kvs", SmallStyle().FileBytes()));
  const std::string text = StyleInfoText(rig.style);
  EXPECT_NE(text.find("name SMALL\ntempo 96\nmeasure-sixteenths 16\neighth-beats no\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("has-notes 2 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("part 1 name Basic\npart 1 measures 2..3\npart 1 start-beat 1\n"
                      "part 1 count 2\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("part 3 hanging 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("part 4 empty\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace korvel
