#include "platform/ClockSchedule.h"

#include <algorithm>

#include "platform/RealtimeThread.h"

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

ClockSchedule::Due ClockSchedule::Look(Nanos now) {
  Due due = Due::Clock;
  if (!started_) {
    next_ = now;
    nextRemainder_ = 0;
    started_ = true;
  } else if (now < next_) {
    return Due::Not;
  } else if (now - next_ > kStallNanos) {
    // The clocks due meanwhile are skipped but the one due now; the grid starts from now.
    skipped_ += static_cast<uint64_t>((now - next_) / std::max<Nanos>(periodWhole_, 1));
    next_ = now;
    nextRemainder_ = 0;
    due = Due::AfterStall;
  }
  Advance();
  return due;
}

}  // namespace korvel
