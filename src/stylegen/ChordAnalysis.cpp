#include "stylegen/ChordAnalysis.h"

#include <algorithm>
#include <array>
#include <vector>

#include "stylegen/WorkWalk.h"

namespace korvel {

int PlacedRoot(int recognisedRoot) {
  return recognisedRoot < 44 ? recognisedRoot + 12 : recognisedRoot;
}

namespace {

class Analyser {
 public:
  Analyser(const AnalysisSettings& settings, ChordRecognition& recognition, ChordValue& chord,
           ChordMemory& memory)
      : settings_(settings),
        recognition_(recognition),
        chord_(chord),
        memory_(memory),
        windowClocks_(int64_t{std::max(settings.IntervalBeats, 1)} * 24),
        windowStart_(std::max<int64_t>(settings.StartClock, 0)) {}

  void Message(const WorkMessage& m) {
    if (!IsNoteMessage(m.Status) || (m.Status & 0x0F) == kDrumChannel || m.Data1 > 127) return;
    // Windows begin a little before their beat, as early notes belong to it.
    const int64_t clock = m.Clock + kChordAnticipation;
    if (Beyond(clock)) return;
    if (clock >= windowStart_) Open();
    CloseWindowsBefore(clock);
    const int channel = m.Status & 0x0F;
    auto& count = sounding_[static_cast<size_t>(channel)][m.Data1];
    if (IsNoteOn(m.Status, m.Data2)) {
      if (opened_) struck_.push_back(m.Data1);
      if (count < 255) ++count;
    } else if (IsNoteOff(m.Status, m.Data2) && count > 0) {
      --count;
      // Released just after the window began: the chord before it has ended.
      if (opened_ && clock < windowStart_ + kChordAnticipation + kReleaseGrace) {
        const auto it = std::find(atStart_.begin(), atStart_.end(), m.Data1);
        if (it != atStart_.end()) atStart_.erase(it);
      }
    }
  }

  AnalysisResult Finish(int64_t materialClocks) {
    int64_t end = materialClocks;
    if (settings_.EndClock >= 0) end = std::min(end, settings_.EndClock);
    if (end > windowStart_) {
      Open();
      CloseWindowsBefore(end + windowClocks_ - 1);
    }
    result_.EndPos =
        kFirstBeatPos + static_cast<int>(std::min<int64_t>(
                            (std::max(end, int64_t{0}) + 23) / 24 * 4, kChordMemorySize));
    return result_;
  }

 private:
  bool Beyond(int64_t clock) const {
    return settings_.EndClock >= 0 && clock >= settings_.EndClock;
  }

  // The first window begins: the notes sounding now are its first held notes.
  void Open() {
    if (opened_) return;
    opened_ = true;
    TakeSounding();
  }

  void TakeSounding() {
    atStart_.clear();
    for (const auto& channel : sounding_) {
      for (int note = 0; note < 128; ++note) {
        for (int i = 0; i < channel[static_cast<size_t>(note)]; ++i)
          atStart_.push_back(static_cast<uint8_t>(note));
      }
    }
  }

  // Every window that ends at or before `clock` is recognised; the next begins with the notes
  // sounding then.
  void CloseWindowsBefore(int64_t clock) {
    if (!opened_) return;
    while (clock >= windowStart_ + windowClocks_ && !full_) {
      Recognise();
      windowStart_ += windowClocks_;
      struck_.clear();
      TakeSounding();
    }
  }

  void Recognise() {
    const int pos = kFirstBeatPos + static_cast<int>(windowStart_ / 24 * 4);
    if (!ChordMemory::IsEntry(pos)) {
      full_ = true;
      return;
    }
    // Each pitch class heard once: how often it sounds has no say, and the list never fills.
    PitchClassSet heard = 0;
    for (const auto* notes : {&atStart_, &struck_}) {
      for (uint8_t note : *notes) heard = static_cast<PitchClassSet>(heard | 1u << note % 12);
    }
    recognition_.ClearHeldNotes();
    for (int pitchClass = 0; pitchClass < 12; ++pitchClass) {
      if ((heard >> pitchClass) & 1) recognition_.AddHeldNote(pitchClass);
    }
    if (recognition_.HeldCount >= 2) {
      const int type = recognition_.RecognizeChord(settings_.Variety, 1, settings_.Sensitivity);
      const int root = PlacedRoot(chord_.ChordRoot);
      if (type >= 1 && (type != lastType_ || root % 12 != lastRoot_ % 12)) {
        ChordEntry entry = memory_.Entry(pos);
        entry.Root = static_cast<uint8_t>(root);
        entry.Type = static_cast<uint8_t>(type);
        memory_.SetEntry(pos, entry);
        lastType_ = type;
        lastRoot_ = root;
        ++result_.Chords;
      }
    }
    recognition_.ClearHeldNotes();
  }

  const AnalysisSettings& settings_;
  ChordRecognition& recognition_;
  ChordValue& chord_;
  ChordMemory& memory_;
  const int64_t windowClocks_;
  int64_t windowStart_;
  bool opened_ = false;
  bool full_ = false;
  std::vector<uint8_t> atStart_;
  std::array<std::array<uint8_t, 128>, 16> sounding_{};
  std::vector<uint8_t> struck_;
  int lastType_ = 0;
  int lastRoot_ = 0;
  AnalysisResult result_;
};

}  // namespace

AnalysisResult AnalyseWork(const WorkMaterial& work, const AnalysisSettings& settings,
                           ChordRecognition& recognition, ChordValue& chord, ChordMemory& memory) {
  const auto held = recognition.HeldPitchClasses;
  const int16_t heldCount = recognition.HeldCount;
  const ChordValue pending = chord;
  recognition.ClearHeldNotes();
  recognition.RecognizeChord(16, 0);  // with nothing held: forgets the last result
  Analyser analyser(settings, recognition, chord, memory);
  const int64_t clocks =
      WalkWork(work, settings.FromRestoreCopy, [&](const WorkMessage& m) { analyser.Message(m); });
  const AnalysisResult result = analyser.Finish(clocks);
  recognition.HeldPitchClasses = held;
  recognition.HeldCount = heldCount;
  chord = pending;
  return result;
}

}  // namespace korvel
