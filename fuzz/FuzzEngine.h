// The engine as fuzz targets play what they read: a recording "Module" as its output, no
// windows, the clock stepped by the target.
#pragma once

#include <mutex>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "platform/RecordingDriver.h"

struct FuzzEngine {
  korvel::RecordingDriver Driver{{"Module"}, {}};
  korvel::MidiDevices Devices{Driver, nullptr};
  korvel::ChannelState Channels;
  korvel::InputCallbackSettings Input{Channels};
  korvel::TextDialogs Dialogs{nullptr};
  korvel::NoView View;
  korvel::Engine Engine{
      Devices, Input, Dialogs, View, korvel::Timing::Stepped, korvel::InputDispatch::Manual};

  FuzzEngine() {
    std::lock_guard lock(Engine.Lock);
    Engine.Ports.ComboBox1 = 0;
    Engine.Ports.ComboBox1Change();  // opens the module and switches the clock on
  }
};
