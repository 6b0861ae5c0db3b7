#include "stylegen/GeneratorNavigation.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "stylegen/WorkWalk.h"

namespace korvel {

namespace {

constexpr int kMaxMeasure = 998;

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

void GoTo(NavigationState& state, int target, NavigationMove& move) {
  move.Measures = target - 1;
  move.SixteenthCounter = (target - 1) * state.MeasureSixteenths + 4;
  state.SixteenthCounter = move.SixteenthCounter;
}

}  // namespace

int MeasureCount(const NavigationState& state, int workSixteenths) {
  return (workSixteenths + state.MeasureSixteenths - 1) / state.MeasureSixteenths;
}

int PlayingMeasure(const NavigationState& state) {
  // The counter has already counted the beat that plays, so one beat comes off with the 4 it
  // starts at; on the last beat of a bar this still names that bar.
  const int counted = state.SixteenthCounter - 4 - state.BeatSixteenths;
  return std::max(1, FloorDiv(counted, state.MeasureSixteenths) + 1);
}

int CurrentMeasure(const NavigationState& state) {
  if (state.StyleMode && state.LoopEnd != 0 && state.LoopEnd >= state.LoopStart)
    return std::max(1, state.LoopStart);
  return PlayingMeasure(state);
}

bool NextMeasure(NavigationState& state, int workSixteenths, NavigationMove& move) {
  const int m = CurrentMeasure(state);
  if (m >= MeasureCount(state, workSixteenths)) return false;
  const int oldStart = state.LoopStart;
  GoTo(state, m + 1, move);
  if (state.StyleMode && m + 1 <= kMaxMeasure) {
    state.LoopStart = m + 1;
    if (state.LoopEnd >= 1 && state.LoopEnd >= oldStart)
      state.LoopEnd = std::min(kMaxMeasure, state.LoopEnd + state.LoopStart - oldStart);
  }
  return true;
}

bool PreviousMeasure(NavigationState& state, NavigationMove& move) {
  const int m = CurrentMeasure(state);
  if (m < 2) return false;
  const int oldStart = state.LoopStart;
  GoTo(state, m - 1, move);
  if (state.StyleMode) {
    state.LoopStart = m - 1;
    if (state.LoopEnd >= 2 && state.LoopEnd >= oldStart)
      state.LoopEnd = std::max(state.LoopStart, state.LoopEnd + state.LoopStart - oldStart);
  }
  return true;
}

bool LastFourMeasures(NavigationState& state, int workSixteenths, NavigationMove& move) {
  if (workSixteenths <= 0) return false;
  const int target = std::max(1, MeasureCount(state, workSixteenths) - 3);
  GoTo(state, target, move);
  if (state.StyleMode) {
    state.LoopStart = target;
    state.LoopEnd = 0;
  }
  return true;
}

bool LoopsBack(NavigationState& state, NavigationMove& move) {
  const int base = state.LoopEnd == 0 ? PlayingMeasure(state) : state.LoopStart;
  const int target = std::max(1, base - (state.LoopLength + 1));
  GoTo(state, target, move);
  state.LoopStart = target;
  state.LoopEnd = 0;
  return true;
}

bool LoopsForward(NavigationState& state, int workSixteenths, NavigationMove& move) {
  const int base = state.LoopEnd == 0 ? PlayingMeasure(state) : state.LoopStart;
  const int last = std::max(1, MeasureCount(state, workSixteenths));
  const int target = std::min({last, kMaxMeasure, base + state.LoopLength + 1});
  if (target <= base) return false;
  GoTo(state, target, move);
  state.LoopStart = target;
  state.LoopEnd = 0;
  return true;
}

void LoopStartHere(NavigationState& state) {
  state.LoopStart = PlayingMeasure(state);
}

std::vector<ChasedMessage> ChaseControllers(const WorkMaterial& work, WorkPoint from, WorkPoint to,
                                            int masterTranspose, bool transmitControllers,
                                            ChannelState& sent) {
  std::array<bool, 16> hasNotes{};
  WalkWork(work, false, [&](const WorkMessage& m) {
    if (IsNoteOn(m.Status, m.Data2)) hasNotes[m.Status & 0x0F] = true;
  });
  std::vector<ChasedMessage> out;
  for (int channel = 0; channel < 16; ++channel) {
    out.push_back({static_cast<uint8_t>(0xB0 | channel), 121, 0});
    // The device forgot its controllers: a chased value equal to the last one sent is new.
    for (int index = 0; index < 96; ++index)
      sent.SetChannelStateValue(channel, index, ChannelState::kNone);
    sent.SetChannelStateValue(channel, ChannelState::kPressureIndex, ChannelState::kNone);
  }
  WalkWork(work, false, [&](const WorkMessage& m) {
    const WorkPoint at{m.Chunk, m.Position};
    if (at < from || !(at < to)) return;
    const int channel = m.Status & 0x0F;
    const int kind = m.Status & 0xF0;
    if (!hasNotes[static_cast<size_t>(channel)]) return;
    if (kind != 0xB0 && kind != 0xC0 && kind != 0xD0) return;
    if (kind == 0xB0 && m.Data1 >= 120) return;
    uint8_t value = kind == 0xB0 ? m.Data2 : m.Data1;
    if (kind == 0xB0 && m.Data1 == 84)
      value = static_cast<uint8_t>(std::clamp(value + masterTranspose, 0, 127));
    const uint8_t data1 = kind == 0xB0 ? m.Data1 : value;
    const uint8_t data2 = kind == 0xB0 ? value : 0;
    if (!transmitControllers &&
        !sent.ThinRepeated(static_cast<uint8_t>(kind), static_cast<uint8_t>(channel), data1, data2,
                           false))
      return;
    out.push_back({m.Status, data1, data2});
  });
  return out;
}

std::vector<ChasedMessage> PitchBendCentre() {
  std::vector<ChasedMessage> out;
  for (int channel = 0; channel < 16; ++channel)
    out.push_back({static_cast<uint8_t>(0xE0 | channel), 0, 64});
  return out;
}

std::string ChasedText(const std::vector<ChasedMessage>& messages) {
  std::string text;
  char line[16];
  for (const auto& m : messages) {
    std::snprintf(line, sizeof line, "%02X %02X %02X\n", m.Status, m.Data1, m.Data2);
    text += line;
  }
  return text;
}

}  // namespace korvel
