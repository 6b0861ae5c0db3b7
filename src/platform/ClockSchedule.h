// When MIDI clocks fall due. The timer looks four times per clock period whether a clock is
// due; after a stall of more than four periods the schedule restarts from the present instead of
// catching up with a burst, and a clock that falls due while a tick is still running is
// dropped. The period is exact, 60 s / (tempo x 24), kept as a whole number of nanoseconds plus
// a remainder so the tempo does not drift however long the clock runs. No clock is read here:
// the caller passes the time.
#pragma once

#include <cstdint>

namespace korvel {

class ClockSchedule {
 public:
  using Nanos = int64_t;

  // (Re)starts at `tempo` beats per minute. The next due time is kept, so a tempo change does
  // not move the clock's phase; a stale due time restarts at the first look.
  void SetTempo(int tempo);
  int Tempo() const { return tempo_; }
  Nanos PeriodNanos() const { return periodWhole_; }

  // One look of the timer at time `now`: true when a clock is to be ticked now.
  bool Look(Nanos now, bool tickBusy);
  // The looks the timer would have made while a tick ran from `start` to `end`; every clock
  // that fell due then is dropped. Returns how many were dropped.
  int LooksDuringTick(Nanos start, Nanos end);
  // When the next look should happen, `lastLook` being the time of the previous one: at the due
  // time, but no sooner than a quarter period after the last look.
  Nanos NextLook(Nanos lastLook) const;
  Nanos NextDue() const { return next_; }

 private:
  void Advance();

  int tempo_ = 0;
  Nanos periodWhole_ = 0;      // 2.5e9 / tempo, rounded down
  Nanos periodRemainder_ = 0;  // 2.5e9 mod tempo, in 1/tempo nanoseconds
  Nanos next_ = 0;
  Nanos nextRemainder_ = 0;
  bool started_ = false;
};

}  // namespace korvel
