// Tap tempo: the musician taps one bar's beats and the average interval becomes the tempo.
// Taps are timed in milliseconds on a monotonic clock the caller reads, so the result is as
// exact as the taps are.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

class TapTempo {
 public:
  // `taps` beats make the bar (the metronome's accent period: 3, 4 or 5); in an eighth-note
  // metre the taps are eighths and the tempo is still counted in quarter notes.
  TapTempo(int taps, bool eighthBeats);

  enum class Result { Waiting, Tempo, NoTempo };
  // A tap at `ms`. The bar's last tap gives the tempo (or no tempo when the taps came too fast
  // to be a beat) and starts a new bar.
  Result Tap(int64_t ms);
  // The tempo of the last complete bar, 25..250.
  int Tempo() const { return tempo_; }
  int Taps() const { return taps_; }

  // Shorter average intervals are a key held down or a bounce, not a beat.
  static constexpr int64_t kShortestBeatMs = 60;

 private:
  int taps_;
  bool eighthBeats_;
  std::vector<int64_t> times_;
  int tempo_ = 0;
};

}  // namespace korvel
