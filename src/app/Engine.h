// The running core: the engine lock, the clock thread, the transport and the MIDI ports, wired
// together. The GUI and the command line both build one.
#pragma once

#include "engine/Transport.h"
#include "midi/MidiPorts.h"
#include "platform/ClockThread.h"
#include "platform/Dialogs.h"
#include "platform/EngineLock.h"
#include "platform/View.h"

namespace korvel {

class Engine {
 public:
  Engine(MidiDevices& devices, InputCallbackSettings& input, Dialogs& dialogs, View& view,
         InputDispatch dispatch = InputDispatch::Thread);
  // Stops the clock and closes the ports before anything they call goes away.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Declared in this order so that the ports (whose input threads call the transport) go first
  // and the clock thread, stopped under the lock, last.
  EngineLock Lock;
  ClockThread Clock;
  korvel::Transport Transport;
  MidiPorts Ports;
};

}  // namespace korvel
