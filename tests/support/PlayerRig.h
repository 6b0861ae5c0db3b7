// A style player on the recording driver, with the clock stepped by hand.
#pragma once

#include <string>
#include <vector>

#include "app/Engine.h"
#include "performance/ChordTypes.h"
#include "platform/RecordingDriver.h"
#include "support/RecordingView.h"
#include "support/ScriptedDialogs.h"
#include "support/StyleFixture.h"

namespace korvel::test {

// The engine with its clock stepped by hand: every tick is one call.
class PlayerRig {
 public:
  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  ScriptedDialogs dialogs;
  RecordingView view;
  Engine engine{devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual};
  MidiPorts& ports = engine.Ports;
  Transport& transport = engine.Transport;
  Style& style = engine.Style;
  ChordValue& chord = engine.Chord;
  ControlKeys& keys = engine.Keys;
  NoteBookkeeping& notes = engine.Notes;
  LiveSettings& live = engine.Live;
  StylePlayer& player = engine.Player;
  int64_t tick = 0;

  PlayerRig() {
    driver.SetTickSource([this] { return tick; });
    ports.ComboBox1 = 0;
    ports.ComboBox1Change();  // opens the module and switches the clock on
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
