// Small styles written event by event for tests: each part is a number of measures and the
// channel messages at their clocks from the part's start. The parts follow one another in the
// material in the order they are added.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Style.h"
#include "engine/StyleFile.h"

namespace korvel::test {

struct FixtureEvent {
  int Clock;  // from the start of the part, 24 per quarter note
  uint8_t Status;
  uint8_t Data1;
  uint8_t Data2;
};

// One note per beat on channel 2, each `length` clocks long: the simplest pattern there is.
inline std::vector<FixtureEvent> BeatNotes(std::initializer_list<int> notes, int length = 12,
                                           uint8_t velocity = 100) {
  std::vector<FixtureEvent> events;
  int clock = 0;
  for (int note : notes) {
    events.push_back({clock, 0x91, static_cast<uint8_t>(note), velocity});
    events.push_back({clock + length, 0x91, static_cast<uint8_t>(note), 0});
    clock += 24;
  }
  return events;
}

class StyleFixture {
 public:
  explicit StyleFixture(int measureSixteenths = 16) : measureSixteenths_(measureSixteenths) {
    work_.AllocateWork();
    channels_.SetMeasureLength(static_cast<int16_t>(measureSixteenths));
  }

  StyleFixture& Part(int number, int measures, std::vector<FixtureEvent> events) {
    parts_.push_back({number, measures, std::move(events)});
    return *this;
  }
  StyleChannelTable& Channels() { return channels_; }
  StylePartTable& Parts() {
    Build();
    return table_;
  }
  std::vector<uint8_t> Material() {
    Build();
    return std::vector<uint8_t>(work_.Chunk(0).begin(), work_.Chunk(0).begin() + work_.WorkLength);
  }
  std::vector<uint8_t> FileBytes(bool stamp = true) {
    Build();
    return SerializeStyleFile(channels_, table_, Material(), stamp);
  }

 private:
  struct PartSpec {
    int number;
    int measures;
    std::vector<FixtureEvent> events;
  };

  void Build() {
    if (built_) return;
    built_ = true;
    WorkWriter writer(work_);
    const int measureClocks = measureSixteenths_ / 4 * 24;
    int measure = 1;
    for (auto& spec : parts_) {
      std::stable_sort(
          spec.events.begin(), spec.events.end(),
          [](const FixtureEvent& a, const FixtureEvent& b) { return a.Clock < b.Clock; });
      const int32_t start = writer.Position();
      int clock = 0;
      for (const auto& e : spec.events) {
        writer.Clocks(e.Clock - clock);
        clock = e.Clock;
        writer.Message(e.Status, e.Data1, e.Data2);
      }
      writer.Clocks(spec.measures * measureClocks - clock);
      table_.Part(spec.number).Set(spec.number, measure, spec.measures, start, writer.Position());
      measure += spec.measures;
    }
    writer.Finish();
    for (const auto& spec : parts_) {
      StylePart part = table_.Part(spec.number);
      const auto entries = work_.BeatEntries(part.FirstMeasure(), measureSixteenths_);
      for (int beat = 2; beat <= 4; ++beat) part.SetBeatEntry(beat, entries[beat - 2]);
    }
  }

  int measureSixteenths_;
  WorkMaterial work_;
  StyleChannelTable channels_;
  StylePartTable table_;
  std::vector<PartSpec> parts_;
  bool built_ = false;
};

}  // namespace korvel::test
