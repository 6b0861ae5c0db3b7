#include "app/TapTempo.h"

#include <algorithm>
#include <cmath>

#include "engine/Transport.h"

namespace korvel {

namespace {

// A pause longer than the slowest tempo's beat starts the bar again at this tap.
constexpr int64_t kLongestBeatMs = 60000 / kMinTempo;

}  // namespace

TapTempo::TapTempo(int taps, bool eighthBeats)
    : taps_(std::clamp(taps, 2, 16)), eighthBeats_(eighthBeats) {}

TapTempo::Result TapTempo::Tap(int64_t ms) {
  if (!times_.empty() && (ms < times_.back() || ms - times_.back() > kLongestBeatMs))
    times_.clear();
  times_.push_back(ms);
  if (static_cast<int>(times_.size()) < taps_) return Result::Waiting;
  const double average =
      static_cast<double>(times_.back() - times_.front()) / static_cast<double>(taps_ - 1);
  times_.clear();
  if (average < kShortestBeatMs) return Result::NoTempo;
  const double beatsPerMinute = 60000.0 / (eighthBeats_ ? 2 * average : average);
  tempo_ = std::clamp(static_cast<int>(std::lround(beatsPerMinute)), kMinTempo, kMaxTempo);
  return Result::Tempo;
}

}  // namespace korvel
