#include "stylegen/MidiImport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/AtomicFile.h"
#include "stylegen/MidiFileWriter.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

void PutBigEndian(Bytes& out, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A file of the given tracks; `declared` tracks in the header (default: as many as given).
Bytes Smf(int format, int division, const std::vector<Bytes>& tracks, int declared = -1) {
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format)};
  PutBigEndian(file, static_cast<uint32_t>(declared < 0 ? tracks.size() : declared), 2);
  PutBigEndian(file, static_cast<uint32_t>(division), 2);
  for (const Bytes& track : tracks) {
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Event {
  int64_t Clock;
  int Status;
  int Data1;
  int Data2;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "{" << e.Clock << ", " << e.Status << ", " << e.Data1 << ", " << e.Data2 << "}";
}

std::vector<Event> Events(const WorkMaterial& work) {
  std::vector<Event> events;
  int64_t clock = 0;
  WalkMaterial(
      work, [&clock](int clocks) { clock += clocks; },
      [&](uint8_t s, uint8_t d1, uint8_t d2) {
        events.push_back({clock, s, d1, d2});
      });
  return events;
}

Bytes Material(const MidiReadResult& result) {
  const auto& chunk = *result.Work.Chunks[0].Data;
  return Bytes(chunk.begin(), chunk.begin() + result.Work.Chunks[0].UsedLength);
}

// The reason a file is refused, or nullopt when it is read.
std::optional<MidiFileError::Code> Refusal(const Bytes& file) {
  try {
    ReadMidiFile(file);
  } catch (const MidiFileError& e) {
    return e.Reason();
  }
  return std::nullopt;
}

TEST(MidiImportTest, DivisionNinetySixPutsTicksZeroToTwoBeforeTheFirstClock) {
  const Bytes track =
      Concat({0x00, 0x90, 60, 64, 0x01, 61, 64, 0x01, 62, 64, 0x01, 63, 64}, kEndOfTrack);
  const auto result = ReadMidiFile(Smf(0, 96, {track}));
  EXPECT_EQ(Material(result),
            (Bytes{0x90, 60, 64, 0x90, 61, 64, 0x90, 62, 64, 0xF8, 0x90, 63, 64}));
  EXPECT_EQ(result.Division, 96);
  EXPECT_EQ(result.Clocks, 1);
}

TEST(MidiImportTest, TenClocksWithoutEventsAreTwoTimeBytes) {
  // Division 24: one tick per clock, the event at tick t after t clocks.
  const Bytes track = Concat({0x00, 0x90, 60, 64, 0x0A, 0x80, 60, 0}, kEndOfTrack);
  const auto result = ReadMidiFile(Smf(0, 24, {track}));
  EXPECT_EQ(Material(result), (Bytes{0x90, 60, 64, 0xFF, 0xF9, 0x80, 60, 0}));
}

TEST(MidiImportTest, EveryEventLiesOnTheClockNearestItsTick) {
  const struct {
    int Division;
    uint32_t Tick;
    int64_t Clock;
  } cases[] = {
      {96, 2, 0},              // half a clock: the earlier
      {96, 3, 1},              //
      {256, 15 * 1024, 1440},  // bar 16 of a division that is no multiple of 24
      {256, 5, 0},             // 0.47 clocks
      {256, 6, 1},             // 0.56 clocks
      {1000, 299 * 4000, 299 * 96},
      {12, 12, 24},  // below 24: a tick is two clocks
      {0, 5, 5},     // a division of 0 measures nothing: ticks are clocks
  };
  for (const auto& c : cases) {
    Bytes delta;
    uint32_t ticks = c.Tick;
    delta.push_back(static_cast<uint8_t>(ticks & 0x7F));
    while (ticks >>= 7) delta.insert(delta.begin(), static_cast<uint8_t>(0x80 | (ticks & 0x7F)));
    const Bytes track = Concat(Concat(delta, {0x90, 60, 64}), kEndOfTrack);
    const auto events = Events(ReadMidiFile(Smf(0, c.Division, {track})).Work);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Clock, c.Clock) << "tick " << c.Tick << " of division " << c.Division;
  }
}

TEST(MidiImportTest, ProgramChangeAndChannelPressureTakeThreeBytes) {
  // The second program change comes under running status.
  const Bytes track = Concat({0x00, 0xC1, 5, 0x00, 6, 0x00, 0xD2, 0x40}, kEndOfTrack);
  const auto result = ReadMidiFile(Smf(0, 96, {track}));
  EXPECT_EQ(Material(result), (Bytes{0xC1, 5, 0, 0xC1, 6, 0, 0xD2, 0x40, 0}));
}

TEST(MidiImportTest, TracksOfOneTickMergeInTrackOrderInEveryFormat) {
  const Bytes first = Concat({0x00, 0x90, 60, 1, 0x18, 0x90, 62, 1}, kEndOfTrack);
  const Bytes second = Concat({0x00, 0x91, 70, 1, 0x18, 0x91, 72, 1}, kEndOfTrack);
  for (int format : {1, 2}) {
    const auto result = ReadMidiFile(Smf(format, 24, {first, second}));
    EXPECT_EQ(result.Format, format);
    EXPECT_EQ(Events(result.Work),
              (std::vector<Event>{
                  {0, 0x90, 60, 1}, {0, 0x91, 70, 1}, {24, 0x90, 62, 1}, {24, 0x91, 72, 1}}));
  }
}

TEST(MidiImportTest, FortyTracksAreReadAsThirtyTwo) {
  std::vector<Bytes> tracks;
  for (int t = 0; t < 40; ++t) {
    tracks.push_back(Concat(
        {0x00, static_cast<uint8_t>(0x90 | (t % 16)), static_cast<uint8_t>(t), 1}, kEndOfTrack));
  }
  const auto result = ReadMidiFile(Smf(1, 96, tracks));
  EXPECT_EQ(result.Tracks, 40);
  EXPECT_EQ(result.TracksRead, 32);
  const auto events = Events(result.Work);
  ASSERT_EQ(events.size(), 32u);
  EXPECT_EQ(events.back().Data1, 31);
}

TEST(MidiImportTest, TimeSignaturesSelectTheirRowByNumeratorAndDenominator) {
  struct Case {
    Bytes Signature;
    int Row;
    int16_t Sixteenths;
  };
  // 3/4 is in force before each file.
  const Case cases[] = {
      {{6, 2, 0x18, 8}, 0, 24},
      {{5, 2, 0x18, 8}, 1, 20},
      {{4, 2, 0x18, 8}, 2, 16},
      {{3, 2, 0x18, 8}, 3, 12},
      {{2, 2, 0x18, 8}, 4, 8},
      {{1, 2, 0x18, 8}, 5, 4},
      {{6, 3, 0x24, 8}, 6, 12},
      {{2, 3, 0x0C, 8}, 7, 4},
      {{3, 2, 0x30, 8}, 3, 12},   // the metronome clicks every half note
      {{4, 2, 0x0C, 8}, 2, 16},   // or every eighth
      {{6, 3, 0x18, 8}, 6, 12},   // 6/8 clicking on quarters
      {{3, 3, 0x0C, 8}, -1, 12},  // 3/8 has no row: the metre in force stays
      {{}, 2, 16},                // no signature: 4/4
  };
  MidiReadSettings threeFour;
  threeFour.MeasureSixteenths = 12;
  for (const Case& c : cases) {
    Bytes track;
    if (!c.Signature.empty()) track = Concat({0x00, 0xFF, 0x58, 0x04}, c.Signature);
    track = Concat(track, kEndOfTrack);
    const auto result = ReadMidiFile(Smf(0, 96, {track}), threeFour);
    const std::string name = c.Signature.empty()
                                 ? "none"
                                 : std::to_string(c.Signature[0]) + "/" +
                                       std::to_string(1 << c.Signature[1]) + " clicking " +
                                       std::to_string(c.Signature[2]);
    EXPECT_EQ(result.MetreRow, c.Row) << name;
    EXPECT_EQ(result.MeasureSixteenths, c.Sixteenths) << name;
  }
  MidiReadSettings keep = threeFour;
  keep.TakeMetre = false;  // "Don't get metrum from file"
  for (const Bytes& track :
       {Concat({0x00, 0xFF, 0x58, 0x04, 4, 2, 0x18, 8}, kEndOfTrack), kEndOfTrack}) {
    const auto result = ReadMidiFile(Smf(0, 96, {track}), keep);
    EXPECT_EQ(result.MetreRow, -1);
    EXPECT_EQ(result.MeasureSixteenths, 12);
  }
}

// A tempo event `beats` quarter notes in (division 96), after an optional 3/4 signature.
Bytes TempoAt(int beats, uint32_t microseconds, bool threeFour) {
  Bytes track;
  if (threeFour) track = {0x00, 0xFF, 0x58, 0x04, 3, 2, 0x18, 8};
  Bytes delta;
  uint32_t ticks = static_cast<uint32_t>(beats * 96);
  delta.push_back(static_cast<uint8_t>(ticks & 0x7F));
  while (ticks >>= 7) delta.insert(delta.begin(), static_cast<uint8_t>(0x80 | (ticks & 0x7F)));
  track = Concat(track, delta);
  track = Concat(track, {0xFF, 0x51, 0x03});
  PutBigEndian(track, microseconds, 3);
  return Concat(track, kEndOfTrack);
}

TEST(MidiImportTest, TempoCountsOnlyInTheFirstMeasures) {
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {TempoAt(5, 500000, false)})).Tempo, 120);   // measure 2
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {TempoAt(21, 500000, false)})).Tempo, 0);    // measure 6
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {TempoAt(13, 400000, false)})).Tempo, 150);  // measure 4
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {TempoAt(13, 400000, true)})).Tempo, 0);     // 3/4: measure 5
  MidiReadSettings append;
  append.CaptureTempo = false;
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {TempoAt(0, 500000, false)}), append).Tempo, 0);
}

TEST(MidiImportTest, FirstChannelValuesAndNotesAreKept) {
  const Bytes track = Concat({0x00, 0xB3, 7,  100,  0x00, 7,  50,  // volume 100, then 50
                              0x00, 0xB3, 1,  20,                  // modulation is not tracked
                              0x00, 0xC3, 33, 0x00, 0xC3, 34,      // program 33, then 34
                              0x00, 0x95, 60, 0},                  // a note-on of velocity 0
                             kEndOfTrack);
  const auto result = ReadMidiFile(Smf(0, 96, {track}));
  EXPECT_EQ(result.FirstValues[3][7], 100);
  EXPECT_EQ(result.FirstValues[3][1], 255);
  EXPECT_EQ(result.FirstValues[3][96], 33);
  EXPECT_EQ(result.FirstValues[4][7], 255);
  EXPECT_TRUE(result.HasNotes[5]);
  EXPECT_FALSE(result.HasNotes[3]);
  EXPECT_EQ(Events(result.Work).size(), 6u);  // every event stays in the material
}

// The last note-off of a track stands alone at its tick, its delta seven bytes or fewer
// before the end: it is read, with running status and with full status.
TEST(MidiImportTest, ALonelyLastNoteOffIsKept) {
  const Bytes running = Concat({0x00, 0x90, 60, 100, 0x60, 60, 0}, kEndOfTrack);
  const Bytes full = Concat({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0}, kEndOfTrack);
  for (const Bytes& track : {running, full}) {
    const auto events = Events(ReadMidiFile(Smf(0, 96, {track})).Work);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Clock, 24);
    EXPECT_EQ(events[1].Data1, 60);
  }
}

TEST(MidiImportTest, TheMaterialRunsToTheEndOfTheLastTrack) {
  // A whole note (division 96: four ticks per clock) on one track; the other ends later.
  const Bytes whole = Concat({0x00, 0x90, 60, 100, 0x83, 0x00, 0x80, 60, 0}, kEndOfTrack);
  EXPECT_EQ(ReadMidiFile(Smf(0, 96, {whole})).Clocks, 96);
  const Bytes later = {0x00, 0xC0, 1, 0x84, 0x40, 0xFF, 0x2F, 0x00};  // ends at tick 576
  const auto result = ReadMidiFile(Smf(1, 96, {whole, later}));
  EXPECT_EQ(result.Clocks, 144);
  EXPECT_EQ(result.Work.WorkSixteenths, 24);
}

TEST(MidiImportTest, DamagedFilesAreRefusedInWords) {
  using C = MidiFileError::Code;
  const Bytes header = Smf(0, 96, {}, 1);
  Bytes shortHeader = Smf(0, 96, {Concat({0x00, 0x90, 60, 1}, kEndOfTrack)});
  shortHeader[7] = 2;  // header length 2
  Bytes smpte = Smf(0, 96, {kEndOfTrack});
  smpte[12] = 0xE7;
  Bytes hugeFirst = Smf(1, 96, {Concat({0x00, 0x90, 60, 1}, kEndOfTrack)}, 2);
  // A length that, added in 32 bits, would lead back to the first track's own header.
  hugeFirst[18] = hugeFirst[19] = hugeFirst[20] = 0xFF;
  hugeFirst[21] = 0xF8;
  Bytes cut = Smf(0, 96, {Concat({0x00, 0x90, 60, 1}, kEndOfTrack)});
  cut.resize(cut.size() - 6);  // the track is cut inside its first note-on's data
  const struct {
    const char* Name;
    Bytes File;
    std::optional<C> Expected;
  } cases[] = {
      {"empty", {}, C::NotStandardMidiFile},
      {"13 bytes", Bytes(header.begin(), header.begin() + 13), C::NotStandardMidiFile},
      {"not MThd", Concat({'R', 'I', 'F', 'F'}, Bytes(header.begin() + 4, header.end())),
       C::NotStandardMidiFile},
      {"header length 2", shortHeader, C::NotStandardMidiFile},
      {"SMPTE division", smpte, C::NotMtcDecoded},
      {"track missing", header, C::NotStandardMidiFile},
      {"huge track length", hugeFirst, C::NotStandardMidiFile},
      {"cut inside an event", cut, C::UnknownCode},
      {"no running status yet", Smf(0, 96, {Concat({0x00, 60, 1}, kEndOfTrack)}), C::UnknownCode},
      {"status as data 1", Smf(0, 96, {Concat({0x00, 0x90, 0x90, 1}, kEndOfTrack)}),
       C::UnknownCode},
      {"status as data 2", Smf(0, 96, {Concat({0x00, 0x90, 60, 0xFF}, kEndOfTrack)}),
       C::UnknownCode},
      {"system common F1", Smf(0, 96, {Concat({0x00, 0xF1, 1}, kEndOfTrack)}), C::UnknownCode},
      {"real time F8", Smf(0, 96, {Concat({0x00, 0xF8}, kEndOfTrack)}), C::UnknownCode},
      {"sysex past the track", Smf(0, 96, {{0x00, 0xF0, 0x7F, 1, 2}}), C::UnknownCode},
      {"meta past the track", Smf(0, 96, {{0x00, 0xFF, 0x01, 0x40, 'a'}}), C::UnknownCode},
      {"five-byte delta", Smf(0, 96, {{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1}}),
       C::UnknownCode},
      // Read: what there is of it.
      {"no tracks", Smf(0, 96, {}), std::nullopt},
      {"no end of track", Smf(0, 96, {{0x00, 0x90, 60, 1}}), std::nullopt},
      {"end of track without length", Smf(0, 96, {{0x00, 0xFF, 0x2F}}), std::nullopt},
      {"tempo 0", Smf(0, 96, {Concat({0x00, 0xFF, 0x51, 3, 0, 0, 0}, kEndOfTrack)}), std::nullopt},
      {"header of 8 bytes", Concat({'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 0, 0, 96, 0, 0}, {}),
       std::nullopt},
      {"an alien chunk",
       Concat(Concat(Smf(0, 96, {}, 1), {'X', 'Y', 'Z', 'W', 0, 0, 0, 1, 9}),
              Concat({'M', 'T', 'r', 'k', 0, 0, 0, 4}, kEndOfTrack)),
       std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(Refusal(c.File), c.Expected) << c.Name;
}

TEST(MidiImportTest, RefusalsCarryTheMessages) {
  const auto message = [](const Bytes& file) -> std::string {
    try {
      ReadMidiFile(file);
    } catch (const MidiFileError& e) {
      return e.what();
    }
    return "";
  };
  Bytes smpte = Smf(0, 96, {kEndOfTrack});
  smpte[12] = 0xE7;
  EXPECT_EQ(message({'M', 'T'}), "This is not a Standard MIDI-File !");
  EXPECT_EQ(message(smpte), "This File is not MTC-decoded !");
  EXPECT_EQ(message(Smf(0, 96, {{0x00, 0xF4}})), "Error - Unknown Code !");
}

TEST(MidiImportTest, ATrackLongerThanTheFileIsReadAsFarAsItGoes) {
  Bytes file = Smf(0, 96, {Concat({0x00, 0x90, 60, 1, 0x60, 0x80, 60, 0}, kEndOfTrack)});
  file[18] = 0x7F;  // declared length far beyond the file
  const auto result = ReadMidiFile(file);
  EXPECT_EQ(Events(result.Work).size(), 2u);
  EXPECT_EQ(result.Clocks, 24);
}

TEST(MidiImportTest, OptimisedTimingLeavesOutWholeMeasuresOfLeadingSilence) {
  // A controller at tick 0, a program change at tick 1000, the first note at tick 2000
  // (division 24: 20 measures of 4/4 and 80 clocks, 27 measures of 3/4 and 56 clocks).
  const Bytes notes = {0x00, 0xB0, 7,  100, 0x87, 0x68, 0xC0, 5, 0x87,
                       0x68, 0x90, 60, 1,   0x18, 0x80, 60,   0};
  const Bytes fourFour = Concat(notes, kEndOfTrack);
  const Bytes threeFour =
      Concat(Concat({0x00, 0xFF, 0x58, 0x04, 3, 2, 0x18, 8}, notes), kEndOfTrack);
  EXPECT_EQ(Events(ReadMidiFile(Smf(0, 24, {fourFour})).Work)[2].Clock, 2000);
  MidiReadSettings optimise;
  optimise.OptimizeTiming = true;
  for (const auto& [track, kept] : {std::pair{fourFour, 80}, std::pair{threeFour, 56}}) {
    const auto cut = ReadMidiFile(Smf(0, 24, {track}), optimise);
    const auto events = Events(cut.Work);
    ASSERT_EQ(events.size(), 4u);
    // What comes before the first note stands at the start; the note keeps its place in
    // the bar, and after it time runs as read.
    EXPECT_EQ(events[0], (Event{0, 0xB0, 7, 100}));
    EXPECT_EQ(events[1], (Event{0, 0xC0, 5, 0}));
    EXPECT_EQ(events[2].Clock, kept);
    EXPECT_EQ(events[3].Clock - events[2].Clock, 24);
    EXPECT_EQ(cut.Clocks, events[3].Clock);
    // The length in sixteenths is that of the material, not of the file.
    EXPECT_EQ(cut.Work.WorkSixteenths, cut.Clocks / 24 * 4);
  }
  // A file without notes keeps what is left after its last whole measure.
  const Bytes silent = Concat({0x00, 0xB0, 7, 100, 0x81, 0x48, 0xB0, 7, 90}, kEndOfTrack);
  EXPECT_EQ(ReadMidiFile(Smf(0, 24, {silent}), optimise).Clocks, 200 - 2 * 96);
}

TEST(MidiImportTest, AFullChainKeepsWhatWasRead) {
  Bytes track = {0x00, 0x90, 60, 1};
  for (int i = 0; i < 160000; ++i) track.insert(track.end(), {0x00, 60, 1});
  const auto result = ReadMidiFile(Smf(0, 96, {Concat(track, kEndOfTrack)}));
  EXPECT_TRUE(result.OutOfMemory);
  EXPECT_EQ(result.Work.CurrentChunk, kChainLength - 1);
  EXPECT_GT(Events(result.Work).size(), 150000u);
}

TEST(MidiImportTest, KorvelsOwnFilesComeBackWhole) {
  std::vector<TimedMessage> messages = {
      {0, {0xC0, 33}},         {0, {0xB0, 7, 100}},  {0, {0x90, 48, 90}},
      {0, {0xF0, 0x7E, 0xF7}},  // system exclusive: stepped over
      {24, {0x80, 48, 0}},     {24, {0x99, 36, 80}}, {30, {0x89, 36, 0}},
      {200, {0x90, 50, 70}},   {300, {0x80, 50, 0}},  // alone at its tick, the last event
  };
  const auto result = ReadMidiFile(StandardMidiFile(messages, 100));
  EXPECT_EQ(result.Tempo, 100);
  std::vector<Event> expected;
  for (const auto& m : messages) {
    if (m.Bytes[0] == 0xF0) continue;
    // Division 24: an event at tick t comes after t clocks.
    expected.push_back({m.Clock, m.Bytes[0], m.Bytes[1], m.Bytes.size() > 2 ? m.Bytes[2] : 0});
  }
  EXPECT_EQ(Events(result.Work), expected);
  EXPECT_EQ(result.Clocks, 300);
}

TEST(MidiImportTest, EveryCorpusFileIsReadOrRefusedInWords) {
  int read = 0;
  int refused = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(test::TestDataDir() + "/midi-test-files/midi")) {
    std::string error;
    const auto bytes = ReadWholeFile(entry.path().string(), error);
    ASSERT_TRUE(bytes) << error;
    try {
      const auto result = ReadMidiFile(*bytes);
      EXPECT_FALSE(result.OutOfMemory) << entry.path();
      ++read;
    } catch (const MidiFileError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
      ++refused;
    }
  }
  EXPECT_EQ(read + refused, 73);
  // The C-major scales of the damaged files with a missing or extra last byte are read.
  for (const char* name : {"test-corrupt-file-missing-byte.mid", "test-corrupt-file-extra-byte.mid",
                           "test-running-status-metaevent.mid", "test-non-midi-track.mid"}) {
    std::string error;
    const auto bytes =
        ReadWholeFile((test::TestDataDir() + "/midi-test-files/midi/") + name, error);
    ASSERT_TRUE(bytes) << error;
    int notes = 0;
    for (const Event& e : Events(ReadMidiFile(*bytes).Work)) notes += (e.Status & 0xF0) == 0x90;
    EXPECT_GE(notes, 8) << name;
  }
}

}  // namespace
}  // namespace korvel
