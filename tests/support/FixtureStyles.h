// Small styles that exercise the player: every part set, hanging and held notes, sustaining
// and plain programs, drums, 3/4 and eighth-note metres.
#pragma once

#include <map>
#include <string>

#include "support/StyleFixture.h"

namespace korvel::test {

inline std::vector<FixtureEvent> Pattern(int measures, int beatsPerMeasure, int salt) {
  std::vector<FixtureEvent> events;
  const int length = measures * beatsPerMeasure * 24;
  for (int clock = 0; clock < length; clock += 24) {
    const auto step = static_cast<uint8_t>((clock / 24 + salt) % 7);
    events.push_back({clock, 0x99, static_cast<uint8_t>(36 + step % 3), 100});  // drums
    events.push_back({clock + 6, 0x99, static_cast<uint8_t>(36 + step % 3), 0});
    events.push_back({clock, 0x91, static_cast<uint8_t>(36 + step), 90});  // bass
    events.push_back({clock + 20, 0x91, static_cast<uint8_t>(36 + step), 0});
    events.push_back({clock + 12, 0x92, 64, 70});  // piano chord tones off the beat
    events.push_back({clock + 12, 0x92, 67, 70});
    events.push_back({clock + 22, 0x92, 64, 0});
    events.push_back({clock + 22, 0x92, 67, 0});
  }
  // A pad across the whole part; the controllers repeat every pass.
  events.push_back({0, 0xB3, 7, 100});
  events.push_back({0, 0xC3, 48, 0});
  events.push_back({0, 0x93, 60, 80});
  events.push_back({0, 0x93, 64, 80});
  events.push_back({length - 2, 0x93, 60, 0});
  events.push_back({length - 2, 0x93, 64, 0});
  return events;
}

// Styles written in the source format, as the shipped ones are.
inline const char* const kTextFixtures[] = {
    R"(style waltz
tempo 150
metre 3/4
channel 2 program 33
channel 3 program 21
channel 4 program 52
part Basic 2
  drum 36  x . . . . . | x . . . . .
  drum 38  . . o . o . | . . o . o .
  ch 2     C2 . - . - . | G1 . - . - .
  ch 3     - . [E4 G4 C5] . [E4 G4 C5] . | - . [E4 G4 C5] . [E4 G4 C5] -
  ch 4     [C4 E4] . . . . . | . . . . . .
part FillBasic 1
  drum 45  x . x . x x
  ch 2     C2 . E2 . G2 .
part Ending 1
  drum 49  x . . . . .
  ch 2     C2 . . . . -
  ch 4     [C4 E4 G4] . . . . -
  hold 4
)",
    R"(style eighths
tempo 80
metre 6/8
channel 2 program 32
channel 4 program 48
part Basic 1
  drum 36  x . . o . .
  ch 2     C2 . . G1 . .
  ch 3     C4 E4 G4 C5 G4 E4
  ch 4     [C4 G4] . . . . .
part ToExtended 1
  drum 38  . . . x x x
  ch 3     E4 G4 C5 E5 C5 G4
)",
    R"(style bare
tempo 100
metre 4/4
channel 2 program 0
part Basic 1
  drum 42  o o o o o o o o
  ch 2     [C4 E4 G4] . . . [C4 E4 A4] . . .
)",
};

inline std::map<std::string, StyleFixture> FixtureStyles() {
  std::map<std::string, StyleFixture> styles;
  {
    StyleFixture full;
    full.Part(kIntro, 2, Pattern(2, 4, 1))
        .Part(kBasic, 2, Pattern(2, 4, 2))
        .Part(kExtended, 2, Pattern(2, 4, 3))
        .Part(kEnding, 1, Pattern(1, 4, 4))
        .Part(kFillBasic, 1, Pattern(1, 4, 5))
        .Part(kFillExtended, 1, Pattern(1, 4, 6))
        .Part(kToExtended, 1, Pattern(1, 4, 0))
        .Part(kToBasic, 1, {{0, 0x91, 40, 90}, {30, 0x94, 72, 80}});  // notes left hanging
    full.Channels().SetValue(1, 96, 33);
    full.Channels().SetValue(2, 96, 0);
    full.Channels().SetValue(3, 96, 48);
    full.Channels().SetValue(4, 96, 19);
    full.Parts().Part(kEnding).SetPartHold(3, true);
    full.Parts().Part(kIntro).SetPartMute(2, true);
    styles.emplace("full", std::move(full));
  }
  return styles;
}

}  // namespace korvel::test
