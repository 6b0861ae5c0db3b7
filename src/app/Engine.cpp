#include "app/Engine.h"

#include <mutex>

namespace korvel {

Engine::Engine(MidiSystem& system, Dialogs& dialogs, View& view, InputDispatch dispatch)
    : Clock(Lock,
            [this] {
              ticks_.fetch_add(1, std::memory_order_relaxed);
              Transport.ClockTick();
            }),
      Transport(Ports, system.InputSettings, Clock, view),
      Ports(system.Devices, system.InputSettings, dialogs, dispatch) {
  Ports.Hooks.ToggleClock = [this] { Transport.ToggleClock(); };
  Ports.MidiInput2.OnMidiInput = [this](TMidiInput& port) {
    std::lock_guard lock(Lock);
    Transport.MidiInput2MidiInput(port);
  };
}

Engine::~Engine() {
  std::lock_guard lock(Lock);
  Clock.Stop();
  Ports.MidiInput1.Close();
  Ports.MidiInput2.Close();
}

}  // namespace korvel
