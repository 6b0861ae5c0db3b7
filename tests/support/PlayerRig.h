// A style player on the recording driver, with the clock stepped by hand.
#pragma once

#include <string>
#include <vector>

#include "engine/StylePlayer.h"
#include "performance/ChordTypes.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/StyleFixture.h"

namespace korvel::test {

struct StoppedTimer : ClockTimer {
  void Start(int) override {}
  void Stop() override {}
};

class PlayerRig {
 public:
  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  ScriptedDialogs dialogs;
  RecordingView view;
  StoppedTimer timer;
  MidiPorts ports{devices, input, dialogs, InputDispatch::Manual};
  Transport transport{ports, input, timer, view};
  Style style;
  ChordValue chord;
  ControlKeys keys;
  NoteBookkeeping notes;
  LiveSettings live;
  StylePlayer player{style, transport, ports, channels, chord, keys, notes, live, view};
  int64_t tick = 0;

  PlayerRig() {
    style.Work.AllocateWork();
    driver.SetTickSource([this] { return tick; });
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();
    player.AttachTo(transport);
    transport.ToggleClock();
  }

  void Load(StyleFixture& fixture) { Load(fixture.FileBytes()); }
  void Load(const std::vector<uint8_t>& fileBytes) {
    style.TakeFileContents(fileBytes);
    style.AnalyseStyleParts(0, kStylePartCount - 1, 3, "");
    style.StyleMode = true;
    style.StyleLoaded = true;
    transport.ApplyStyleMetre(style.Channels.MeasureLength());
  }
  // As the chord setter hands a chord to the player.
  void Chord(int root, int type) {
    chord.ChordRoot = static_cast<int16_t>(root);
    chord.ChordType = static_cast<int16_t>(type);
    chord.EditChordRoot = chord.ChordRoot;
    chord.EditChordType = chord.ChordType;
    player.ChordChangeEntry(ChordTonesOf(root, type));
  }
  // As a control key reaches the player.
  void Key(int note) {
    keys.ControlKeyNote = note;
    keys.ControlKeyCode = 12;
    player.ChordChangeEntry({0, 0, 0, 0});
  }
  // Starts the style with no lead-in: the next tick is a measure start.
  void Start(int part = kBasic) {
    player.StartStyle(part);
    transport.StartDelay = 0;
    driver.ClearSent();
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      ++tick;
      transport.ClockTick();
    }
  }
  // Note messages as "tick:channel:note:velocity" (note-offs as velocity 0), in order.
  std::vector<std::string> Notes() const {
    std::vector<std::string> notesSent;
    for (const auto& m : driver.Sent()) {
      const int h = m.Bytes[0] & 0xF0;
      if (h != 0x80 && h != 0x90) continue;
      const int velocity = h == 0x80 ? 0 : m.Bytes[2];
      notesSent.push_back(std::to_string(m.Tick) + ":" + std::to_string((m.Bytes[0] & 0x0F) + 1) +
                          ":" + std::to_string(m.Bytes[1]) + ":" + std::to_string(velocity));
    }
    return notesSent;
  }
};

}  // namespace korvel::test
