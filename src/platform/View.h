// What the core shows the user, reported as it changes. The Qt front end queues each update to
// the GUI thread (the clock thread never waits for painting); tests record them.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

class View {
 public:
  virtual ~View() = default;
  // The beat lamp's colour, 0x00BBGGRR (black 0, red 255, blue 0xFF0000, yellow 65535).
  virtual void BeatLamp(uint32_t color) = 0;
  // The measure display of the main window.
  virtual void MeasureDisplay(const std::string& text) = 0;
  // The chord panel (hint "Chords").
  virtual void ChordPanel(const std::string& text) = 0;
  // The main window's title.
  virtual void Title(const std::string& text) = 0;
  // The tempo field, when a tempo came from elsewhere than the field (an external application).
  virtual void TempoField(int tempo) = 0;
  // Moves the keyboard focus from a number field back to the main keyboard area.
  virtual void FocusKeyboard() = 0;
  // The beat panel beside the position: "P" while a song plays, "R" while it records, the tap
  // of a step, empty when the song stops. A view without song controls ignores it.
  virtual void BeatPanel(const std::string& /*text*/) {}
  // The song transport started, paused, resumed or stopped: controls that depend on it change.
  virtual void SongTransportChanged() {}
  // A long operation's progress under its caption, 0..100; a negative value closes it.
  virtual void Progress(const std::string& /*caption*/, int /*percent*/) {}
  // The busy cursor while a long operation runs.
  virtual void Busy(bool /*on*/) {}
};

}  // namespace korvel
