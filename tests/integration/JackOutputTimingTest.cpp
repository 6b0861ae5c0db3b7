// Korvel's JACK output under the densest playing: a sixteenth-note style at 200 beats a minute
// through a progression with a fill, a change to Extended and an ending arrives whole at another
// program, every message exactly as the same performance rendered offline has it. How close to
// the engine's times the notes land is measured in bench/jack_jitter.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/MidiSystem.h"
#include "app/Render.h"
#include "engine/StyleFile.h"
#include "support/JackCapture.h"
#include "support/MidiFileEvents.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/ShippedStyles.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::Bytes;

constexpr const char* kProgression =
    "C 4 | Am 4 | F 4 | G7 4 | C 4 | Am 4 | F 2 [Fill] F 2 | G7 4 | [Extended] C 4 | Am 4 | "
    "F 4 | G7 4 | C 4 | [Ending]";

// Note-ons, note-offs, program changes and controllers: what a sound module plays from.
bool Played(const Bytes& m) {
  const int kind = m.empty() ? 0 : m[0] & 0xF0;
  return kind == 0x80 || kind == 0x90 || kind == 0xB0 || kind == 0xC0;
}
bool NoteOn(const Bytes& m) {
  return m.size() == 3 && (m[0] & 0xF0) == 0x90 && m[2] > 0;
}

std::string Hex(const Bytes& m) {
  std::string text;
  for (uint8_t b : m) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X ", b);
    text += byte;
  }
  return text;
}

// What one multiset holds more often than the other, a few of them.
std::string Surplus(const std::multiset<Bytes>& a, const std::multiset<Bytes>& b) {
  std::string text;
  int shown = 0;
  for (auto it = a.begin(); it != a.end() && shown < 8; it = a.upper_bound(*it)) {
    const auto more = static_cast<long>(a.count(*it)) - static_cast<long>(b.count(*it));
    if (more > 0) {
      text += Hex(*it) + "x" + std::to_string(more) + "; ";
      ++shown;
    }
  }
  return text;
}

TEST(JackOutputTiming, ADenseStyleArrivesWholeOnTheEnginesTimes) {
  test::TempDir dir("jack-timing");
  const auto styles = test::ShippedStyles();
  const auto& pop = styles.at("pop16").Contents;
  const std::string style = dir.Path("pop16.kvs");
  WriteStyleFile(style, pop.Channels, pop.Parts, pop.Material);
  const PerformanceRequest request{style, kProgression, 200, -1};
  test::ScriptedDialogs dialogs;
  test::RecordingView view;

  ASSERT_TRUE(RenderToMidiFile(request, dir.Path("offline.mid"), dialogs, view).Played);
  std::string error;
  const auto file = ReadWholeFile(dir.Path("offline.mid"), error);
  ASSERT_TRUE(file) << error;
  std::vector<std::pair<int64_t, Bytes>> offline;  // clock, message
  for (const auto& e : test::MidiFileEvents(*file)) {
    const int kind = e.Status & 0xF0;
    offline.push_back({e.Tick, kind == 0xC0 || kind == 0xD0 ? Bytes{e.Status, e.Data1}
                                                            : Bytes{e.Status, e.Data1, e.Data2}});
  }

  std::multiset<Bytes> sent;
  for (const auto& [clock, m] : offline)
    if (Played(m)) sent.insert(m);

  test::JackRecorder probe("probe");
  std::vector<test::JackRecorder::Event> live;
  {
    MidiSystem system({.Api = MidiApiChoice::Jack});
    Engine engine(system.Devices, system.InputSettings, dialogs, view);
    ProgressionPlayer performance(engine, ParseProgression(request.Chords), request.StartPart);
    {
      std::lock_guard lock(engine.Lock);
      const int out = test::IndexOf(engine.Ports.OutputList(), probe.PortName());
      ASSERT_GE(out, 0);
      ASSERT_TRUE(PreparePerformance(engine, out, request, performance));
    }
    ASSERT_TRUE(test::JackRecorder::WaitUntil([&] { return performance.Finished(); },
                                              std::chrono::seconds(60)));
    // All that was played has arrived when as many messages as the offline run has did (the
    // silencing at the end is not part of it); a lost one leaves the wait at its limit.
    test::JackRecorder::WaitUntil([&] {
      const auto messages = probe.Messages();
      return static_cast<size_t>(std::count_if(messages.begin(), messages.end(), Played)) >=
             sent.size();
    });
    probe.WaitCycles(2);
    live = probe.Events();
  }
  ASSERT_EQ(probe.Overflowed(), 0u);

  std::multiset<Bytes> arrived;
  for (const auto& e : live)
    if (Played(e.Message)) arrived.insert(e.Message);
  EXPECT_GT(std::count_if(sent.begin(), sent.end(), NoteOn), 500) << "a dense style";
  EXPECT_EQ(sent.size(), arrived.size());
  EXPECT_TRUE(sent == arrived) << "lost: " << Surplus(sent, arrived)
                               << " extra: " << Surplus(arrived, sent);
}

}  // namespace
}  // namespace korvel
