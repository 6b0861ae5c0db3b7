#include <gtest/gtest.h>

#include <filesystem>

#include "app/Render.h"
#include "midi/MidiDevices.h"
#include "midi/TMidiOutput.h"
#include "platform/AtomicFile.h"
#include "platform/FluidSynthDriver.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/StyleFixture.h"
#include "support/WavFile.h"

namespace korvel {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

// The built-in synthesizer is device -1 of the output lists; rendering offline proves a note
// sent through the port component comes out as sound.
TEST(SynthRender, NotesThroughTheMapperBecomeAudibleSound) {
  const std::string wav = TempPath("korvel-synth-render.wav");
  std::filesystem::remove(wav);
  RecordingDriver ports({}, {});
  FluidSynthDriver synth({.RenderFile = wav});
  MidiDevices devices(ports, &synth);
  {
    TMidiOutput out(devices);
    out.SetDeviceID(kMapperId);
    EXPECT_EQ(out.ProductName(), kSynthName);
    out.Open();
    out.PutShort(0xC0, 0, 0);  // piano
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    out.PutLong(gmOn, sizeof gmOn);
    EXPECT_EQ(out.PendingLongMessages(), 0u);
    synth.RenderFrames(synth.SampleRate() / 10);  // a moment of silence first
    for (uint8_t note : {60, 64, 67}) out.PutShort(0x90, note, 100);
    synth.RenderFrames(synth.SampleRate());
    for (uint8_t note : {60, 64, 67}) out.PutShort(0x80, note, 0);
    synth.RenderFrames(synth.SampleRate());
    out.Close();
  }
  const auto silence = test::ReadWav(wav, 0, 0.09);
  const auto chord = test::ReadWav(wav, 0.2, 1.0);
  EXPECT_EQ(chord.Channels, 2);
  EXPECT_EQ(chord.SampleRate, 44100);
  EXPECT_GE(chord.Frames, 2u * 44100u);
  EXPECT_LT(silence.Peak, 0.001);
  EXPECT_GT(chord.Rms, 0.01);
  EXPECT_EQ(chord.ClippedSamples, 0u);
}

// What the synthesizer needs and may not find: the port stays closed and says why in words.
TEST(SynthRender, AMissingSoundFontOrLibraryIsAClearMessage) {
  const struct {
    SynthSettings Settings;
    std::string Named;
  } cases[] = {
      {{.SoundFont = "/nonexistent/none.sf2", .RenderFile = TempPath("x.wav")},
       "/nonexistent/none.sf2"},
      {{.Library = "/nonexistent/libfluidsynth.so.3", .RenderFile = TempPath("x.wav")},
       "The synthesizer library \"/nonexistent/libfluidsynth.so.3\" could not be loaded"},
  };
  for (const auto& c : cases) {
    RecordingDriver ports({}, {});
    FluidSynthDriver synth(c.Settings);
    MidiDevices devices(ports, &synth);
    TMidiOutput out(devices);
    out.SetDeviceID(kMapperId);
    try {
      out.Open();
      ADD_FAILURE() << "opened without " << c.Named;
    } catch (const EmidioutputError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Named), std::string::npos) << e.what();
    }
    EXPECT_FALSE(out.IsOpen());
    EXPECT_EQ(out.Error(), kMidiNoDriver);
  }
}

TEST(SynthRender, AStyleOverAProgressionRendersToAudibleSound) {
  test::StyleFixture fixture;
  // A bass on channel 2 (program 33) and a string pad on channel 3 (program 48).
  fixture.Part(kBasic, 1,
               {{0, 0x91, 36, 110},
                {40, 0x91, 36, 0},
                {48, 0x91, 43, 110},
                {88, 0x91, 43, 0},
                {0, 0x92, 60, 90},
                {0, 0x92, 64, 90},
                {92, 0x92, 60, 0},
                {92, 0x92, 64, 0}});
  fixture.Channels().SetValue(1, ChannelState::kProgramIndex, 33);
  fixture.Channels().SetValue(2, ChannelState::kProgramIndex, 48);
  const std::string style = TempPath("korvel-render-style.kvs");
  const std::string wav = TempPath("korvel-render-style.wav");
  WriteFileAtomically(style, fixture.FileBytes());
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  const auto result =
      RenderToWav({style, "C 4 | Am 4 | F 4 | G7 4", 120}, {.RenderFile = wav}, dialogs, view);
  ASSERT_TRUE(result.Played) << (dialogs.Messages.empty() ? "" : dialogs.Messages[0]);
  // Four measures at 120 BPM last 8 s; without an ending the style plays two more measures
  // (4 s) before it stops, and 2 s let the last notes ring out.
  const auto whole = test::ReadWav(wav);
  EXPECT_NEAR(static_cast<double>(whole.Frames) / whole.SampleRate, 14.0, 0.1);
  for (int measure = 0; measure < 4; ++measure) {
    const auto part = test::ReadWav(wav, measure * 2.0, measure * 2.0 + 2.0);
    EXPECT_GT(part.Rms, 0.01) << "measure " << measure + 1;
    EXPECT_EQ(part.ClippedSamples, 0u) << "measure " << measure + 1;
  }
  std::filesystem::remove(style);
  std::filesystem::remove(wav);
}

}  // namespace
}  // namespace korvel
