#include <gtest/gtest.h>

#include <filesystem>

#include "midi/MidiDevices.h"
#include "midi/TMidiOutput.h"
#include "platform/FluidSynthDriver.h"
#include "platform/RecordingDriver.h"
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

TEST(SynthRender, AMissingSoundFontIsAClearMessage) {
  RecordingDriver ports({}, {});
  FluidSynthDriver synth({.SoundFont = "/nonexistent/none.sf2", .RenderFile = TempPath("x.wav")});
  MidiDevices devices(ports, &synth);
  TMidiOutput out(devices);
  out.SetDeviceID(kMapperId);
  try {
    out.Open();
    FAIL() << "opened without a SoundFont";
  } catch (const EmidioutputError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/none.sf2"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(out.Error(), kMidiNoDriver);
}

}  // namespace
}  // namespace korvel
