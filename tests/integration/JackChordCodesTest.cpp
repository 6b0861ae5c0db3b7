// Two headless arrangers on a private JACK server: the first sends its chords as chord codes,
// the second receives them on its external-application input and shows them, its own
// accompaniment left alone.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(JackChordCodes, ASecondArrangerShowsTheChordsOfTheFirst) {
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
  // The receiver shows each chord in turn, for its chord display and Melody Ad Lib; its own
  // accompaniment keeps its chord and does not start.
  const auto shows = [&second, &secondView](const std::string& name) {
    std::lock_guard lock(second.Lock);  // the receiver's threads write the view under it
    return std::find(secondView.Chords.begin(), secondView.Chords.end(), name) !=
           secondView.Chords.end();
  };
  const struct {
    int Root, Type;
    const char* Shown;
  } chords[] = {{48, 1, "C maj"}, {43, 3, "G\" 7th"}, {41, 2, "F\" min"}};
  for (const auto& chord : chords) {
    {
      std::lock_guard lock(first.Lock);
      first.Chords.SetChord(chord.Root, chord.Type, kFinalRoot);
    }
    EXPECT_TRUE(test::JackRecorder::WaitUntil([&] { return shows(chord.Shown); })) << chord.Shown;
  }
  {
    std::lock_guard lock(second.Lock);
    EXPECT_FALSE(second.Player.Playing) << "received codes leave the accompaniment alone";
  }
  std::filesystem::remove(style);
}

}  // namespace
}  // namespace korvel
