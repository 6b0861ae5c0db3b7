#include "app/Engine.h"

#include <mutex>

namespace korvel {

Engine::Engine(MidiDevices& devices, InputCallbackSettings& input, Dialogs& dialogs, View& view,
               InputDispatch dispatch)
    : Clock(Lock, [this] { Transport.ClockTick(); }),
      Transport(Ports, input, Clock, view),
      Ports(devices, input, dialogs, dispatch) {
  Transport.InitClock();
  Ports.Hooks.ToggleClock = [this] { Transport.ToggleClock(); };
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

}  // namespace korvel
