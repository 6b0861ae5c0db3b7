// Two headless arrangers on a private JACK server: the first sends its chords as chord codes,
// the second receives them on its external-application input and plays its own style to them.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>

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

// JACK connects a port a moment after it opens, much later on a busy machine, and what is sent
// before then is lost: a chord code lost that way left the receiver without that chord. Each
// link is tried until a message has crossed it (5 s at most).
bool UntilThrough(const std::function<void(int attempt)>& send,
                  const std::function<bool()>& arrived) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    send(attempt);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (arrived()) return true;
  }
  return false;
}

TEST(JackChordCodes, ASecondArrangerFollowsTheChordsOfTheFirst) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67}, 20));
  fixture.Channels().SetTempo(240);
  const auto style = (std::filesystem::temp_directory_path() / "korvel-codes-test.kvs").string();
  WriteFileAtomically(style, fixture.FileBytes());

  test::JackRecorder probe("probe");
  // The cable between the two arrangers: passes everything on and keeps what went through.
  test::JackRecorder cable("relay", "in", true);

  MidiSystem firstSystem({.Api = MidiApiChoice::Jack});
  MidiSystem secondSystem({.Api = MidiApiChoice::Jack});
  test::ScriptedDialogs dialogs;
  test::RecordingView firstView;
  test::RecordingView secondView;
  Engine first(firstSystem.Devices, firstSystem.InputSettings, dialogs, firstView);
  Engine second(secondSystem.Devices, secondSystem.InputSettings, dialogs, secondView);
  {
    std::lock_guard lock(first.Lock);
    first.Ports.ComboBox1 = IndexOf(first.Ports.OutputList(), "relay:in");
    ASSERT_GE(first.Ports.ComboBox1, 0);
    first.Ports.ComboBox1Change();  // the clock runs
    first.Codes.SetSending(true);
  }
  {
    std::lock_guard lock(second.Lock);
    second.Ports.ComboBox1 = IndexOf(second.Ports.OutputList(), "probe:capture");
    second.Ports.MidiInList = IndexOf(second.Ports.InputList(), "relay:thru");
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
  // A refresh code (controller 20 value 122, which changes no chord) from the sender reaches
  // the receiver through the cable; any controller from the receiver reaches the probe.
  std::atomic<bool> refreshed{false};
  {
    std::lock_guard lock(second.Lock);
    second.Codes.AdLibSwitched = [&refreshed](bool) { refreshed = true; };
  }
  ASSERT_TRUE(UntilThrough(
      [&first](int) {
        std::lock_guard lock(first.Lock);
        first.Ports.ChordCodePort->PutShort(0xB9, 20, 122);
      },
      [&refreshed] { return refreshed.load(); }))
      << "sender to receiver";
  ASSERT_TRUE(UntilThrough(
      [&second](int attempt) {
        std::lock_guard lock(second.Lock);
        second.Ports.PlayPort->PutShort(0xBF, 102, static_cast<uint8_t>(attempt));
      },
      [&probe] { return probe.Count() > 0; }))
      << "receiver to probe";
  probe.Forget();
  // Each chord plays until the receiver struck the tone only it has (E, B, Ab), and a beat
  // more: a busy machine slows both clocks, and a fixed wait then cut a chord short.
  const auto struckOnChannel2 = [&probe](int pitchClass) {
    for (const Bytes& m : probe.Messages())
      if (m.size() == 3 && m[0] == 0x91 && m[2] != 0 && m[1] % 12 == pitchClass) return true;
    return false;
  };
  const struct {
    int Root, Type, Own;
  } chords[] = {{48, 1, 4}, {43, 3, 11}, {41, 2, 8}};  // C maj, G 7th, F min
  for (const auto& chord : chords) {
    {
      std::lock_guard lock(first.Lock);
      first.Chords.SetChord(chord.Root, chord.Type, kFinalRoot);
    }
    for (int i = 0; i < 200 && !struckOnChannel2(chord.Own); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  {
    std::lock_guard lock(second.Lock);
    EXPECT_TRUE(second.Player.Playing) << "the first code started the style";
    second.Transport.StopCommand();
  }
  probe.WaitCycles(2);

  std::vector<int> struck;
  for (const Bytes& m : probe.Messages()) {
    if (m.size() != 3 || (m[0] & 0xF0) != 0x90 || (m[0] & 0x0F) != 1 || m[2] == 0) continue;
    const int pitchClass = m[1] % 12;  // the octave follows the receiver's own section
    if (struck.empty() || struck.back() != pitchClass) struck.push_back(pitchClass);
  }
  std::string heard;
  for (int pitchClass : struck) heard += std::to_string(pitchClass) + " ";
  SCOPED_TRACE("pitch classes struck: " + heard);
  std::string codes;
  for (const Bytes& m : cable.Messages())
    if (m.size() == 3 && (m[0] & 0xF0) == 0xB0 && (m[1] == 19 || m[1] == 20))
      codes += std::to_string(m[1]) + ":" + std::to_string(m[2]) + " ";
  SCOPED_TRACE("codes passed: " + codes);
  std::string shown;
  {
    std::lock_guard lock(second.Lock);  // the receiver's threads write the view under it
    for (const std::string& chord : secondView.Chords) shown += chord + ", ";
  }
  SCOPED_TRACE("receiver showed: " + shown);
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
