// Keeps what the core showed, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/View.h"

namespace korvel::test {

class RecordingView : public View {
 public:
  std::vector<uint32_t> Lamps;
  std::vector<std::string> Measures;
  std::vector<std::string> Titles;
  std::vector<std::string> Chords;
  std::vector<int> Tempos;
  int Focused = 0;
  std::vector<std::string> BeatPanels;
  int TransportChanges = 0;
  std::vector<std::pair<std::string, int>> Progresses;
  std::vector<bool> BusyStates;

  void BeatLamp(uint32_t color) override { Lamps.push_back(color); }
  void MeasureDisplay(const std::string& text) override { Measures.push_back(text); }
  void ChordPanel(const std::string& text) override { Chords.push_back(text); }
  void Title(const std::string& text) override { Titles.push_back(text); }
  void TempoField(int tempo) override { Tempos.push_back(tempo); }
  void FocusKeyboard() override { ++Focused; }
  void BeatPanel(const std::string& text) override { BeatPanels.push_back(text); }
  void SongTransportChanged() override { ++TransportChanges; }
  void Progress(const std::string& caption, int percent) override {
    Progresses.emplace_back(caption, percent);
  }
  void Busy(bool on) override { BusyStates.push_back(on); }
};

}  // namespace korvel::test
