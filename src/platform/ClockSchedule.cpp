#include "platform/ClockSchedule.h"

#include <algorithm>

namespace korvel {

namespace {
// Nanoseconds per MIDI clock at 1 beat per minute: 60 s / 24.
constexpr ClockSchedule::Nanos kClockAtOneBpm = 2'500'000'000;
}  // namespace

void ClockSchedule::SetTempo(int tempo) {
  tempo_ = std::max(tempo, 1);
  periodWhole_ = kClockAtOneBpm / tempo_;
  periodRemainder_ = kClockAtOneBpm % tempo_;
  nextRemainder_ = 0;
}

void ClockSchedule::Advance() {
  next_ += periodWhole_;
  nextRemainder_ += periodRemainder_;
  if (nextRemainder_ >= tempo_) {
    next_ += 1;
    nextRemainder_ -= tempo_;
  }
}

bool ClockSchedule::Look(Nanos now, bool tickBusy) {
  if (started_ && now < next_) return false;
  if (!started_ || next_ < now - 4 * periodWhole_) {
    next_ = now;
    nextRemainder_ = 0;
    started_ = true;
  }
  Advance();
  return !tickBusy;
}

int ClockSchedule::LooksDuringTick(Nanos start, Nanos end) {
  const Nanos quarter = std::max<Nanos>(periodWhole_ / 4, 1);
  int dropped = 0;
  for (Nanos look = start + quarter; look <= end; look += quarter) {
    if (next_ <= look) {
      Look(look, true);
      ++dropped;
    }
  }
  return dropped;
}

ClockSchedule::Nanos ClockSchedule::NextLook(Nanos lastLook) const {
  if (!started_) return lastLook;
  return std::max(next_, lastLook + periodWhole_ / 4);
}

}  // namespace korvel
