#include "app/Engine.h"

#include <mutex>

namespace korvel {

Engine::Engine(MidiDevices& devices, InputCallbackSettings& input, Dialogs& dialogs, View& view,
               Timing timing, InputDispatch dispatch)
    : devices_(devices),
      clock_(timing == Timing::Realtime
                 ? std::unique_ptr<ClockTimer>(new ClockThread(
                       Lock, [this] { Tick(); },
                       [&dialogs](const std::string& error) { dialogs.ReportError(error); }))
                 : std::unique_ptr<ClockTimer>(new SteppedClock)),
      realtime_(dynamic_cast<ClockThread*>(clock_.get())),
      stepped_(dynamic_cast<SteppedClock*>(clock_.get())),
      Transport(Ports, input, *clock_, view),
      Player(Style, Transport, Ports, input.Channels(), Chord, Keys, Notes, Live, view),
      Chords(Chord, Live, Transport, Player, Style, Ports),
      Loader(Style, Transport, dialogs),
      Input(Chords, Player, Transport, Style, Ports, input.Channels(), Chord, Keys, Notes, Live),
      Keyboard(Input, Chords, Player, Transport, Style, Chord, Keys, Live),
      InputSettings(input),
      Sent(input.Channels()),
      Mixer(*this, dialogs),
      Ports(devices, input, dialogs, dispatch) {
  Style.Work.AllocateWork();
  Transport.InitClock();
  Player.AttachTo(Transport);
  Transport.Hooks.ResetChordState = [this] {
    Chord.Clear();
    Chords.ChordTypeOverride = 0;
  };
  Transport.Hooks.ClearHeldNotes = [this] { Chords.ClearHeldNotes(); };
  Player.Hooks.ClearHeldNotes = [this] { Chords.ClearHeldNotes(); };
  Player.Hooks.SetChordFinal = [this](int root, int type) {
    Chords.SetChord(root, type, kFinalRoot);
  };
  Player.Hooks.ShowChord = [this, &view](int root, int type) {
    view.ChordPanel(Chords.ChordName(root, type));
    view.Title(Chords.TitleText(root, type));
  };
  Transport.Hooks.ResetChordDisplay = [&view] { view.ChordPanel(""); };
  // The intro muting of chord memory borrows the solo channel; the "Solo" choice takes it back.
  Transport.Hooks.ResetSoloChannel = [this] {
    Notes.SoloChannel = static_cast<int16_t>(Mixer.Solo ? Live.SelChannel + 1 : 0);
  };
  Ports.Hooks.ToggleClock = [this] { Transport.ToggleClock(); };
  Ports.Hooks.ResetAllControllers = [this] { Mixer.ControllerReset(); };
  Ports.Hooks.SilencePort = [this](TMidiOutput& port) { Player.AllSoundOff(port); };
  for (TMidiOutput* port : {&Ports.MidiOutput1, &Ports.MidiOutput2})
    port->Onmidioutput = [this](TMidiOutput&) { Mixer.SysexPlayed(); };
  Transport.Hooks.TransmitControllersOn = [this] { SetTransmitControllers(true); };
  Input.Hooks.SelectInstrumentPreset = [this](int preset) { Mixer.PlaySlot(preset); };
  Keyboard.Hooks.StorePreset = [this](int preset) { Mixer.StoreSlot(preset); };
  Loader.Hooks.ApplyReverbOptions = [this] {
    if (Live.ReverbOff) {
      Mixer.ReverbStep(128);
    } else if (Live.ReverbDefined) {
      Mixer.ReverbStep(129);
    }
  };
  Ports.MidiInput1.OnMidiInput = [this](TMidiInput& port) {
    std::lock_guard lock(Lock);
    Input.OnMidiKeyboardInput(port);
  };
  Ports.MidiInput2.OnMidiInput = [this](TMidiInput& port) {
    std::lock_guard lock(Lock);
    Transport.MidiInput2MidiInput(port);
  };
}

Engine::~Engine() {
  std::lock_guard lock(Lock);
  Transport.DoneClock();
  Ports.MidiInput1.Close();
  Ports.MidiInput2.Close();
}

void Engine::Tick() {
  if (BeforeTick) BeforeTick();
  Transport.ClockTick();
}

void Engine::SetAccompaniment(bool on) {
  Input.Chords = on;
  Keyboard.Accompaniment = on;
  Notes.ClearNotes();
  Player.ChannelSoundOff(*Ports.PlayPort, Live.SelChannel);
}

void Engine::SetTransmitControllers(bool on) {
  Live.TransmitControllers = on;
  InputSettings.SetThinning(!on);
}

bool Engine::CheckDevices() {
  MidiDevices::Listing now = devices_.List();
  std::lock_guard lock(Lock);
  return Ports.CheckDevices(std::move(now));
}

bool Engine::Step() {
  std::lock_guard lock(Lock);
  if (!stepped_ || !stepped_->Running()) return false;
  Tick();
  return true;
}

}  // namespace korvel
