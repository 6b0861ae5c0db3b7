// The styles Korvel ships: complete, sensible, and every part audible through the built-in
// synthesizer without clipping. A listening check anyone can repeat with korvel-cli play.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Render.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/ShippedStyles.h"
#include "support/WavFile.h"

namespace korvel {
namespace {

TEST(ShippedStyles, EveryStyleIsCompleteAndSensible) {
  const auto styles = test::ShippedStyles();
  for (const char* name :
       {"rock1", "pop16", "ballad68", "swing", "bossa", "waltz", "country", "disco"}) {
    EXPECT_TRUE(styles.count(name)) << name << " is shipped";
  }
  for (const auto& [name, compiled] : styles) {
    const auto& c = compiled.Contents;
    for (int part = 0; part < kStylePartCount; ++part) {
      EXPECT_FALSE(c.Parts.Part(part).Empty()) << name << StylePartName(part);
    }
    EXPECT_GE(c.Channels.Tempo(), 50) << name;
    EXPECT_LE(c.Channels.Tempo(), 200) << name;
    EXPECT_TRUE(c.Channels.HasNotes(kDrumChannel)) << name << ": drums on channel 10";
    int channels = 0;
    for (int channel = 0; channel < 16; ++channel) {
      channels += c.Channels.HasNotes(channel);
      if (c.Channels.HasNotes(channel)) {
        EXPECT_LT(c.Channels.Value(channel, ChannelState::kProgramIndex), 128) << name << channel;
        continue;
      }
      for (int index = 0; index < ChannelState::kRecordSize; ++index) {
        EXPECT_EQ(c.Channels.Value(channel, index), ChannelState::kNone)
            << name << ": channel " << channel + 1 << " has no notes but a setting " << index;
      }
    }
    EXPECT_GE(channels, 4) << name << ": drums, bass, chords and a pad";
  }
}

TEST(ShippedStyles, EveryPartIsAudibleAndNeverClips) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("korvel-shipped-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  for (const auto& [name, compiled] : test::ShippedStyles()) {
    const auto& c = compiled.Contents;
    const std::string style = (folder / (name + ".kvs")).string();
    WriteStyleFile(style, c.Channels, c.Parts, c.Material);
    const double measureSeconds = std::abs(c.Channels.MeasureLength()) / 4.0 * 60.0 /
                                  c.Channels.Tempo() / (c.Channels.MeasureLength() < 0 ? 2 : 1);
    for (int part = 0; part < kStylePartCount; ++part) {
      const std::string wav = (folder / (name + std::to_string(part) + ".wav")).string();
      const auto result = RenderToWav({style, "C 4 | Am 4 | F 4 | G7 4", 0, part},
                                      {.RenderFile = wav}, dialogs, view);
      ASSERT_TRUE(result.Played) << name;
      const double seconds = c.Parts.Part(part).MeasureCount() * measureSeconds;
      const auto sound = test::ReadWav(wav, 0, seconds);
      EXPECT_GT(sound.Rms, 0.01) << name << StylePartName(part) << " is silent";
      EXPECT_EQ(sound.ClippedSamples, 0u) << name << StylePartName(part) << " clips";
      EXPECT_LT(sound.Peak, 0.97) << name << StylePartName(part);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvel
