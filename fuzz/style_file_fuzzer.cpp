// Any bytes as a style file: the loader takes what is there, clears parts that point outside
// the material, and analysing and describing the result reads nothing out of bounds. The style
// then plays for a few hundred clocks with chord changes and every control key, so that a walk
// over the material that never ends shows as a timeout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "performance/ChordTypes.h"
#include "platform/RecordingDriver.h"

namespace {

void Play(korvel::Engine& engine) {
  korvel::StylePlayer& player = engine.Player;
  korvel::ChordValue& chord = engine.Chord;
  korvel::ControlKeys& keys = engine.Keys;
  const int controlKeys[] = {keys.FillInKey,  keys.ToAdvKey,  keys.ToBasicKey,
                             keys.IntroKey(), keys.FillInKey, keys.EndingKey};
  player.StartStyle(engine.Style.SelectedPart);
  engine.Transport.StartDelay = 0;
  for (int tick = 0; tick < 400 && player.Playing; ++tick) {
    if (tick % 40 == 0) {
      const int root = 48 + tick / 40 % 12;
      const int type = 1 + tick / 40 % 17;
      chord.ChordRoot = static_cast<int16_t>(root);
      chord.ChordType = static_cast<int16_t>(type);
      chord.EditChordRoot = chord.ChordRoot;
      chord.EditChordType = chord.ChordType;
      player.ChordChangeEntry(korvel::ChordTonesOf(root, type));
    }
    if (tick % 64 == 30) {
      keys.ControlKeyNote = controlKeys[tick / 64 % 6];
      keys.ControlKeyCode = 12;
      player.ChordChangeEntry({0, 0, 0, 0});
    }
    engine.Transport.ClockTick();
  }
  engine.Transport.StopCommand();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korvel::RecordingDriver driver({"Module"}, {});
  static korvel::MidiDevices devices(driver, nullptr);
  static korvel::ChannelState channels;
  static korvel::InputCallbackSettings input(channels);
  static korvel::TextDialogs dialogs(nullptr);
  static korvel::NoView view;
  static korvel::Engine* engine = [] {
    auto* e = new korvel::Engine(devices, input, dialogs, view, korvel::Timing::Stepped,
                                 korvel::InputDispatch::Manual);
    e->Ports.ComboBox1 = 0;
    e->Ports.ComboBox1Change();  // opens the module and switches the clock on
    e->Loader.Settings.InstrumentSetName = "SC-55.KVI";
    e->Transport.TempoDetection = true;
    e->Transport.IntroDetection = true;
    return e;
  }();
  // As style-info reads a file: whatever it holds is described.
  static korvel::Style* described = [] {
    auto* s = new korvel::Style;
    s->Work.AllocateWork();
    return s;
  }();
  described->Work.ClearWork();
  described->TakeFileContents(std::span<const uint8_t>(data, size));
  described->AnalyseStyleParts(0, korvel::kStylePartCount - 1, 1, "");
  described->StyleName = korvel::MakeStyleName("fuzz.kvs", described->Parts);
  if (korvel::StyleInfoText(*described).empty()) std::abort();

  korvel::Style& style = engine->Style;
  std::lock_guard lock(engine->Lock);
  if (!engine->Loader.TakeStyleFile("fuzz.kvs", std::span<const uint8_t>(data, size))) {
    return 0;
  }
  for (int p = 0; p < korvel::kStylePartCount; ++p) {
    const korvel::StylePart part = style.Parts.Part(p);
    if (!part.Empty() && (part.EndPos() > style.StyleLength || part.StartPos() < 0)) std::abort();
  }
  Play(*engine);
  driver.ClearSent();
  return 0;
}
