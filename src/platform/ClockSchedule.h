// When MIDI clocks fall due. Every clock is played: one that falls due while an earlier tick
// runs late is due at once, so the ticks follow back to back until the clock has caught up and
// no note or note-off is lost. Only a clock more than a stall late (the machine was suspended)
// skips the time lost: the schedule goes on from the present. The period is exact,
// 60 s / (tempo x 24), kept as a whole number of nanoseconds plus a remainder so the tempo does
// not drift however long the clock runs. No clock is read here: the caller passes the time.
#pragma once

#include <cstdint>

namespace korvel {

class ClockSchedule {
 public:
  using Nanos = int64_t;

  enum class Due {
    Not,         // the next clock lies ahead
    Clock,       // one clock is due now (on time or late)
    AfterStall,  // time was skipped; the clock due now goes on from the present
  };

  // (Re)starts at `tempo` beats per minute. The next due time is kept, so a tempo change does
  // not move the clock's phase.
  void SetTempo(int tempo);
  int Tempo() const { return tempo_; }
  Nanos PeriodNanos() const { return periodWhole_; }
  // The clock was stopped: the first look after this starts the schedule afresh.
  void Restart() { started_ = false; }

  // One look at time `now`: whether a clock is due. A clock given moves the schedule on by one
  // period.
  Due Look(Nanos now);
  // When the next clock falls due; before the first look, at once.
  Nanos NextDue() const { return started_ ? next_ : 0; }
  // Clocks skipped by stalls since the schedule was made.
  uint64_t Skipped() const { return skipped_; }

 private:
  void Advance();

  int tempo_ = 0;
  Nanos periodWhole_ = 0;      // 2.5e9 / tempo, rounded down
  Nanos periodRemainder_ = 0;  // 2.5e9 mod tempo, in 1/tempo nanoseconds
  Nanos next_ = 0;
  Nanos nextRemainder_ = 0;
  bool started_ = false;
  uint64_t skipped_ = 0;
};

}  // namespace korvel
