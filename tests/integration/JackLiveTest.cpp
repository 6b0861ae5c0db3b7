// Korvel as a headless arranger on a private JACK server: another program plays chords and
// control keys into it, and what Korvel sends back is the style voiced to those chords, the
// fill-in, the ending, and silence at the end.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <filesystem>
#include <set>

#include "app/Engine.h"
#include "app/MidiSystem.h"
#include "platform/AtomicFile.h"
#include "support/JackCapture.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/StyleFixture.h"

namespace korvel {
namespace {

using test::Bytes;
using test::IndexOf;

TEST(JackLive, ChordsAndControlKeysFromAnotherProgramSteerTheStyle) {
  // Basic: C E G on channel 2, a beat each; the fill a high C on every beat (it is entered on
  // the beat that is due), the ending a low C.
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67}, 20))
      .Part(kFillBasic, 1, test::BeatNotes({72, 72, 72, 72}, 20))
      .Part(kEnding, 1, test::BeatNotes({48}, 90));
  fixture.Channels().SetTempo(240);  // a measure lasts a second
  const auto style = (std::filesystem::temp_directory_path() / "korvel-live-test.kvs").string();
  WriteFileAtomically(style, fixture.FileBytes());

  test::JackRecorder probe("probe");
  RtMidiOut keyboard(RtMidi::UNIX_JACK, "keyboard");
  keyboard.openVirtualPort("keys");

  MidiSystem system({.Api = MidiApiChoice::Jack});
  test::ScriptedDialogs dialogs;
  test::RecordingView view;
  Engine engine(system.Devices, system.InputSettings, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    MidiPorts& ports = engine.Ports;
    ports.ComboBox1 = IndexOf(ports.OutputList(), "probe:capture");
    ports.ExtMidiInList = IndexOf(ports.InputList(), "keyboard:keys");
    ASSERT_GE(ports.ComboBox1, 0);
    ASSERT_GE(ports.ExtMidiInList, 0);
    ports.ComboBox1Change();
    ports.ExtMidiInChange();
    ASSERT_TRUE(ports.MidiInput1.IsOpen());
    if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
    engine.Transport.TempoDetection = true;
    engine.Style.StyleFileName = style;
    engine.Loader.LoadStyle(false);
    ASSERT_TRUE(engine.Style.StyleLoaded);
  }
  ASSERT_TRUE(probe.WaitConnected());
  ASSERT_TRUE(test::JackRecorder::WaitUntil(
      [&] { return jack_port_connected(jack_port_by_name(probe.Handle(), "keyboard:keys")) > 0; }));
  probe.WaitCycles(2);
  probe.Forget();
  auto keys = [&](std::initializer_list<int> notes, int velocity) {
    for (int note : notes) {
      const std::vector<unsigned char> message = {0x90, static_cast<unsigned char>(note),
                                                  static_cast<unsigned char>(velocity)};
      keyboard.sendMessage(&message);
    }
  };
  // Each step waits until Korvel has played what the last one asked for.
  const auto strikes = [&probe](std::vector<int> run) {
    return [&probe, run] {
      std::vector<int> struck;
      for (const Bytes& m : probe.Messages())
        if (m.size() == 3 && m[0] == 0x91 && m[2] > 0) struck.push_back(m[1]);
      return std::search(struck.begin(), struck.end(), run.begin(), run.end()) != struck.end();
    };
  };
  keys({48, 52, 55}, 100);  // C E G in the accompaniment section: the style starts
  ASSERT_TRUE(test::JackRecorder::WaitUntil(strikes({60, 64, 67}))) << "C major";
  keys({48, 52, 55}, 0);
  keys({43, 47, 50, 53}, 100);  // G B D F: G 7th
  ASSERT_TRUE(test::JackRecorder::WaitUntil(strikes({67, 71, 77}))) << "G 7th: G B F";
  keys({43, 47, 50, 53}, 0);
  keys({36}, 100);  // Fill in
  keys({36}, 0);
  ASSERT_TRUE(test::JackRecorder::WaitUntil(strikes({79}))) << "the fill's C voiced to G";
  keys({38}, 100);  // Ending
  keys({38}, 0);
  EXPECT_TRUE(test::JackRecorder::WaitUntil([&engine] {
    std::lock_guard lock(engine.Lock);
    return !engine.Player.Playing;
  })) << "the ending stopped the style";
  probe.WaitCycles(2);

  std::vector<int> struck;
  std::set<int> sounding;
  for (const Bytes& m : probe.Messages()) {
    if (m.size() != 3 || (m[0] & 0xF0) != 0x90 || (m[0] & 0x0F) != 1) continue;
    if (m[2] > 0) {
      if (struck.empty() || struck.back() != m[1]) struck.push_back(m[1]);
      sounding.insert(m[1]);
    } else {
      sounding.erase(m[1]);
    }
  }
  ASSERT_FALSE(struck.empty());
  EXPECT_EQ(struck.back(), 55) << "the ending's low C voiced to G, last";
  EXPECT_TRUE(sounding.empty()) << "no note is left sounding";
  std::filesystem::remove(style);
}

}  // namespace
}  // namespace korvel
