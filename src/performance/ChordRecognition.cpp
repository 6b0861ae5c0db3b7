#include "performance/ChordRecognition.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "engine/Voicing.h"
#include "performance/ChordTypes.h"

namespace korvel {

namespace {

// A root note in 1..127 with the pitch class of `note`: the chord keeps its name at the ends.
int KeepInRange(int note) {
  while (note > 127) note -= 12;
  while (note < 1) note += 12;
  return note;
}

// `set`, relative to a root, placed on the root `root`.
PitchClassSet OnRoot(PitchClassSet set, int root) {
  const unsigned wide = unsigned{set} << root;
  return static_cast<PitchClassSet>((wide | wide >> 12) & 0xFFF);
}

}  // namespace

ChordRecognition::ChordRecognition(ChordValue& chord, LiveSettings& live, Transport& transport,
                                   StylePlayer& player, Style& style, MidiPorts& ports)
    : chord_(chord),
      live_(live),
      transport_(transport),
      player_(player),
      style_(style),
      ports_(ports) {
  for (int slot = 1; slot <= 17; ++slot)
    ChordTypeSlots[static_cast<size_t>(slot)] = static_cast<uint8_t>(slot);
  ChordTypeSlots[18] = 2;
  ChordTypeSlots[19] = 3;
}

void ChordRecognition::SetFirstKey(int firstKey) {
  live_.FirstKey = std::clamp(firstKey, 0, 127);
  player_.OctaveThreshold = static_cast<int16_t>(OctaveThresholdFor(live_.FirstKey));
}

void ChordRecognition::AddHeldNote(int note) {
  if (HeldCount >= kHeldCapacity - 1) return;  // full: further keys wait for a clear
  HeldPitchClasses[static_cast<size_t>(HeldCount++)] = static_cast<uint8_t>(note % 12);
  HeldPitchClasses[static_cast<size_t>(HeldCount)] = 0;
}

void ChordRecognition::RemoveHeldNote(int note) {
  const auto pitchClass = static_cast<uint8_t>(note % 12);
  int kept = 0;
  for (int i = 0; i < HeldCount; ++i) {
    if (HeldPitchClasses[static_cast<size_t>(i)] != pitchClass) {
      HeldPitchClasses[static_cast<size_t>(kept++)] = HeldPitchClasses[static_cast<size_t>(i)];
    }
  }
  for (int i = kept; i <= HeldCount && i < kHeldCapacity; ++i)
    HeldPitchClasses[static_cast<size_t>(i)] = 0;
  HeldCount = static_cast<int16_t>(kept);
}

void ChordRecognition::ClearHeldNotes() {
  std::fill(HeldPitchClasses.begin(), HeldPitchClasses.begin() + HeldCount + 1, 0);
  HeldCount = 0;
}

PitchClassSet ChordRecognition::HeldClasses() const {
  PitchClassSet held = 0;
  for (int i = 0; i < HeldCount; ++i)
    held = static_cast<PitchClassSet>(held | 1u << HeldPitchClasses[static_cast<size_t>(i)] % 12);
  return held;
}

int ChordRecognition::RecognizeChord(int highestRow, int mode, int divisor) {
  if (mode == 1 && divisor < 1) return memoryType_;
  if (mode == 0) {
    memoryType_ = 0;
    memoryRoot_ = 0;
  }
  // A pitch class held in several octaves counts once: a doubled note changes no chord.
  const PitchClassSet held = HeldClasses();
  const int classes = std::popcount(held);
  if (classes == 0) return memoryType_;
  if (classes == 1) {
    if (mode == 0) {
      memoryType_ = 1;
      memoryRoot_ = HeldPitchClasses[0] % 12;
    }
    return memoryType_;
  }
  highestRow = std::clamp(highestRow, 0, 16);
  if (mode == 0) {
    ScoreLive(held, highestRow);
  } else {
    NameHeard(held, highestRow, divisor);
  }
  chord_.ChordRoot = static_cast<int16_t>(
      KeepInRange(live_.FirstKey + (memoryRoot_ % 12 + RootPlaceOffset()) % 12));
  chord_.ChordType = static_cast<int16_t>(memoryType_);
  if (mode == 1) ClearHeldNotes();
  return memoryType_;
}

void ChordRecognition::ScoreLive(PitchClassSet held, int highestRow) {
  // Rows are tried from the highest down, so that a seventh beats the triad it ties on one root.
  int toBeat = 0;
  for (int r = 0; r < 12; ++r) {
    for (int t = highestRow; t >= 0; --t) {
      // The octave in a row counts the root a second time.
      int score = 0;
      for (int interval : ChordTypeTable[static_cast<size_t>(t + 1)].Intervals)
        score += (held >> ((interval + r) % 12)) & 1;
      if (score > toBeat) {
        memoryType_ = t + 1;
        memoryRoot_ = r;
        toBeat = score;
      }
    }
  }
}

void ChordRecognition::NameHeard(PitchClassSet held, int highestRow, int divisor) {
  int best = 0;
  int bestType = 0;
  int bestRoot = 0;
  // Simpler types first, then lower roots: a tie goes to the simpler chord.
  for (int t = 0; t <= highestRow; ++t) {
    const ChordTypeRow& row = ChordTypeTable[static_cast<size_t>(t + 1)];
    PitchClassSet tones = 0;
    for (int interval : row.Intervals)
      tones = static_cast<PitchClassSet>(tones | 1u << interval % 12);
    for (int r = 0; r < 12; ++r) {
      // Named only by tones that were heard: its root and what sets the type apart.
      const PitchClassSet needed = OnRoot(row.Distinguishing, r) | PitchClasses({r});
      if ((held & needed) != needed) continue;
      const int score = std::popcount(static_cast<PitchClassSet>(held & OnRoot(tones, r)));
      if (score > best) {
        best = score;
        bestType = t + 1;
        bestRoot = r;
      }
    }
  }
  // Too few of the tones heard belong to it: the chord before stays.
  if (bestType == 0 || best * divisor < std::popcount(held)) return;
  memoryType_ = bestType;
  memoryRoot_ = bestRoot;
}

int ChordRecognition::PlaceRoot(int rootNote, int transpose) const {
  int root;
  if (transpose == kFinalRoot) {
    root = rootNote;
  } else if (transport_.PlayChordsMode) {
    root = rootNote + transpose;
  } else if (live_.AdjustOctave) {
    root = live_.FirstKey + ((((rootNote + transpose) % 12 + 12) % 12 + RootPlaceOffset()) % 12);
  } else {
    root = rootNote + transpose % 12;
  }
  return KeepInRange(root);
}

int ChordRecognition::ComingType(int type) const {
  if (ChordTypeOverride != 0) type = ChordTypeOverride;
  return MajorMinor ? SwapMajorMinor(type) : type;
}

void ChordRecognition::SetChord(int rootNote, int type, int transpose) {
  if (type == 0) return;
  if (ChordTypeOverride != 0) {
    type = ChordTypeOverride;
    if (OverrideOneShot) {
      ChordTypeOverride = 0;
      OverrideOneShot = false;
    }
  }
  if (MajorMinor) type = SwapMajorMinor(type);
  const int root = PlaceRoot(rootNote, transpose);
  chord_.EditChordRoot = static_cast<int16_t>(root);
  chord_.EditChordType = static_cast<int16_t>(type);
  chord_.ChordRoot = static_cast<int16_t>(root);
  chord_.ChordType = static_cast<int16_t>(type);
  if (!transport_.PlayChordsMode && style_.StyleMode && !player_.Playing) {
    // The first chord starts the style (with its count-in when "Count in" is on).
    if (transport_.MasterMode) ports_.ClockOutPort->PutShortMsg(250);
    player_.StartStyle(style_.SelectedPart);
  }
  player_.ChordChangeEntry(ChordTonesOf(root, type));
}

void ChordRecognition::ChordKeyOn(int note) {
  if (!transport_.TwoFingerChords) {
    AddHeldNote(note);
    if (std::popcount(HeldClasses()) > 2) {
      RecognizeChord(16, 0);
      if (chord_.ChordRoot < 44) chord_.ChordRoot = static_cast<int16_t>(chord_.ChordRoot + 12);
      SetChord(chord_.ChordRoot, chord_.ChordType, ChordTranspose);
    }
    return;
  }
  note += ChordTranspose;
  if (chord_.ChordRoot == 0) {
    firstKey_ = note;
    SetChord(note, 1, 0);
    return;
  }
  if (note >= firstKey_) {
    chord_.ChordType = static_cast<int16_t>((note - firstKey_) % 11 + 1);
  } else {
    chord_.ChordType = static_cast<int16_t>((firstKey_ - note) % 11 + 1);
    chord_.ChordRoot = static_cast<int16_t>(note);
    firstKey_ = 0;
  }
  chord_.ChordType = ChordTypeSlots[static_cast<size_t>(chord_.ChordType)];
  int type = chord_.ChordType;
  // The setter swaps major and minor again: a chord on the key itself keeps its kind.
  if (MajorMinor && chord_.ChordRoot == note) type = SwapMajorMinor(type);
  SetChord(chord_.ChordRoot, type, 0);
}

void ChordRecognition::ChordKeyOff(int note) {
  if (!transport_.TwoFingerChords && HeldCount >= 1 && !transport_.StaticChordKeys) {
    RemoveHeldNote(note);
  }
  if (chord_.ChordRoot > 0) {
    int type = chord_.ChordType;
    if (MajorMinor && chord_.ChordRoot == note) type = SwapMajorMinor(type);
    SetChord(chord_.ChordRoot, type, 0);
  }
}

bool ChordRecognition::SetPlayChords(bool on) {
  if (on == transport_.PlayChordsMode) return true;
  if (player_.Playing) return false;
  transport_.ResetTransport();  // while the mode is still on, this releases a triggered chord
  UsePlayChords(on);
  return true;
}

void ChordRecognition::UsePlayChords(bool on) {
  transport_.PlayChordsMode = on;
  live_.TriggerVelocity = on ? 100 : 1;
}

bool ChordRecognition::PlayChordsKey(int note, int velocity, bool noteOn, int transpose) {
  const int trigger = TriggerZoneKey();
  if (note >= trigger) {
    if (noteOn) {
      live_.TriggerVelocity = static_cast<uint8_t>(std::clamp(velocity, 1, 127));
      SetChord(note + transpose, ChordTypeOverride >= 1 ? ChordTypeOverride : 1, kFinalRoot);
    } else {
      player_.ReleaseTriggeredChord();
    }
    return true;
  }
  if (!noteOn) {
    ChordTypeOverride = 0;
    player_.ReleaseTriggeredChord();
    return true;
  }
  if (note >= trigger - 12 && note <= trigger - 2) {
    ChordTypeOverride = ChordTypeSlots[static_cast<size_t>(note % 12 + 1)];
    return true;
  }
  return false;
}

std::string ChordRecognition::ChordName(int rootNote, int type) const {
  const char* separator = rootNote >= live_.FirstKey + 12 ? "\" " : " ";
  const int row = type >= 1 && type <= 17 ? type : 1;
  return std::string(NoteNames[static_cast<size_t>(((rootNote % 12) + 12) % 12)]) + separator +
         ChordTypeTable[static_cast<size_t>(row)].Name;
}

std::string ChordRecognition::TitleText(int rootNote, int type, int channel) const {
  return "Korvel  -  Chord : " + ChordName(rootNote, type) + "  -  Channel " +
         std::to_string((channel < 0 ? live_.SelChannel : channel) + 1);
}

std::string ChordRecognition::ChordTypesString() const {
  std::string text;
  for (int slot = 2; slot <= 11; ++slot) {
    char pair[8];
    std::snprintf(pair, sizeof pair, "%-2.2d", ChordTypeSlots[static_cast<size_t>(slot)]);
    text += pair;
  }
  return text;
}

bool ChordRecognition::SetChordTypesString(const std::string& text) {
  if (text.size() != 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  std::array<uint8_t, 10> slots{};
  for (size_t i = 0; i < 10; ++i) {
    const int type = (text[2 * i] - '0') * 10 + (text[2 * i + 1] - '0');
    if (type < 2 || type > 17) return false;
    slots[i] = static_cast<uint8_t>(type);
  }
  std::copy(slots.begin(), slots.end(), ChordTypeSlots.begin() + 2);
  return true;
}

}  // namespace korvel
