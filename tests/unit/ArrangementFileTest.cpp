#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "performance/ArrangementFile.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes I32(int32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}
Bytes Text(const std::string& s) {
  return {s.begin(), s.end()};
}
Bytes MelodyBlock(const std::vector<MelodyEvent>& events) {
  Bytes block(events.size() * kMelodyEventBytes);
  for (size_t i = 0; i < events.size(); ++i) EncodeMelodyEvent(events[i], &block[i * 8]);
  return Bytes{255} + I32(static_cast<int32_t>(block.size())) + block;
}
// Windows-1252 bytes, as the file holds them, ending in a zero.
Bytes TextBlock(const std::string& text) {
  return Bytes{253} + I32(static_cast<int32_t>(text.size() + 1)) + Text(text) + Bytes{0};
}
Bytes FixedText(const std::string& text) {
  Bytes area = Text(text);
  area.resize(Arrangement::kFixedTextBytes, 0);
  return area;
}
Bytes Reserved() {
  return Bytes(Arrangement::kReservedBytes, 0);
}
Bytes StyleBlock(const std::string& name) {
  Bytes field = Text(name);
  field.resize(Arrangement::kStyleNameBytes, 0);
  return Bytes{252} + field;
}
// A song in 4/4 with the given header: C on beat 1, G7 on beat 3, a tempo change and F in
// measure 2, the end mark in measure 3; 52 bytes, one measure past the end mark.
Bytes Chords(uint8_t first = 1, uint8_t tempo = 120, uint8_t sixteenths = 16, uint8_t program = 0) {
  Bytes block{first, tempo, sixteenths, program};
  block = block + Bytes{60, 1, 0, 0} + Bytes(4, 0) + Bytes{67, 3, 0, 0} + Bytes(4, 0) +
          Bytes{65, 1, 254, 140} + Bytes(12, 0) + Bytes{0, 0, 255, 0} + Bytes(12, 0);
  return block;
}
Bytes WithEntry(Bytes file, size_t fromEnd, const Bytes& entry) {
  std::copy(entry.begin(), entry.end(), file.end() - static_cast<std::ptrdiff_t>(fromEnd));
  return file;
}

std::string ReadError(const Bytes& file) {
  try {
    ReadArrangement(file);
  } catch (const ArrangementError& e) {
    return e.what();
  }
  return "read without error";
}

const std::vector<MelodyEvent> kMelody{MakeMelodyEvent(0, 0x90, 72, 100),
                                       MakeMelodyEvent(11, 0x80, 72, 64),
                                       MakeMelodyEvent(12, 0xB0, 64, 127)};

TEST(ArrangementFile, AFileFromWindowsReadsAndIsWrittenBackByteForByte) {
  const Bytes file = MelodyBlock(kMelody) +
                     TextBlock(
                         "Caf\xe9 at 8 \x80\r\nsecond verse\r\nRiver Song\r\nslow\r\n"
                         "A. Writer\r\n(c) 2026\r\n") +
                     Reserved() + StyleBlock("C:\\KORVEL\\STYLES\\ROCK1.KVS") +
                     Chords(2, 96, 16, 24);
  const Arrangement a = ReadArrangement(file);
  EXPECT_EQ(a.Melody, kMelody);
  EXPECT_TRUE(a.HasMelodyBlock);
  EXPECT_EQ(a.Memo, "Café at 8 €\nsecond verse");
  EXPECT_EQ(a.Title, "River Song");
  EXPECT_EQ(a.Subtitle, "slow");
  EXPECT_EQ(a.Author, "A. Writer");
  EXPECT_EQ(a.Copyright, "(c) 2026");
  EXPECT_EQ(a.TextLines, 6);
  EXPECT_EQ(a.StyleName, "C:\\KORVEL\\STYLES\\ROCK1.KVS");
  EXPECT_EQ(a.FirstMeasure(), 2);
  EXPECT_EQ(a.Tempo(), 96);
  EXPECT_EQ(a.MelodyProgram(), 24);
  EXPECT_EQ(a.SongEnd, 52);
  EXPECT_EQ(a.LastMeasure(), 3);
  EXPECT_EQ(ArrangementBytes(a), file);
}

TEST(ArrangementFile, WhatIsWrittenReadsBackAsTheSameSong) {
  Arrangement a;
  const Bytes chords = Chords(1, 132, 12, 5);
  std::copy(chords.begin(), chords.end(), a.Chords.begin());
  a.SongEnd = static_cast<int>(chords.size());
  a.Melody = kMelody;
  a.Memo = "line one\n\nline three\n";
  a.Title = "Tïtle";
  a.Copyright = "© us";
  a.StyleName = "/" + std::string(200, 'x') + "/Rock1.kvs";  // too long for its field

  const fs::path path = fs::temp_directory_path() / "korvel-arrangement-test.kva";
  SaveArrangementFile(path.string(), a);
  const Arrangement b = LoadArrangementFile(path.string());
  fs::remove(path);
  EXPECT_EQ(b.Chords, a.Chords);
  EXPECT_EQ(b.SongEnd, a.SongEnd);
  EXPECT_EQ(b.Melody, a.Melody);
  EXPECT_EQ(b.Memo, a.Memo);
  EXPECT_EQ(b.Title, a.Title);
  EXPECT_EQ(b.Subtitle, "");
  EXPECT_EQ(b.Copyright, a.Copyright);
  EXPECT_EQ(b.StyleName, "Rock1.kvs");
  EXPECT_EQ(b.MeasureSixteenths(), 12);

  a.Memo = "ő and €";  // the code page has the euro sign but not ő
  a.StyleName.clear();
  EXPECT_EQ(ReadArrangement(ArrangementBytes(a)).Memo, "? and €");
}

TEST(ArrangementFile, OlderLayoutsAreTakenByTheirFirstByte) {
  struct Case {
    const char* name;
    Bytes file;
    bool oldLayout;
    size_t melody;
    std::string memo, title;
    int songEnd;
  };
  const std::string fiveLines = "one\r\ntwo\r\nthree\r\nfour\r\nfive";
  const Case cases[] = {
      // The fixed text area holds only the memo, however many lines it has.
      {"fixed text", FixedText(fiveLines) + Reserved() + Chords(), false, 0,
       "one\ntwo\nthree\nfour\nfive", "", 52},
      {"melody and fixed text", MelodyBlock(kMelody) + FixedText("notes") + Reserved() + Chords(),
       false, 3, "notes", "", 52},
      {"text block first", TextBlock(fiveLines) + Reserved() + Chords(), false, 0, "one", "two",
       52},
      {"oldest", Bytes{254} + Chords(3, 0, 0, 0), true, 0, "", "", 52},
  };
  for (const Case& c : cases) {
    const Arrangement a = ReadArrangement(c.file);
    EXPECT_EQ(a.OldLayout, c.oldLayout) << c.name;
    EXPECT_EQ(a.Melody.size(), c.melody) << c.name;
    EXPECT_EQ(a.Memo, c.memo) << c.name;
    EXPECT_EQ(a.Title, c.title) << c.name;
    EXPECT_EQ(a.StyleName, "") << c.name;
    EXPECT_EQ(a.SongEnd, c.songEnd) << c.name;
    EXPECT_EQ(a.Chords[4], 60) << c.name;
  }
  const Arrangement old = ReadArrangement(cases[3].file);
  EXPECT_EQ(old.FirstMeasure(), 3);
  EXPECT_TRUE(old.OldLayout) << "its header carries no tempo or metre";
  EXPECT_FALSE(ReadArrangement(cases[0].file).OldLayout);
}

TEST(ArrangementFile, TheLastFourLinesAreTitleSubtitleAuthorAndCopyright) {
  struct Case {
    std::string text;
    std::string memo, title, copyright;
  };
  const std::string longMemo(3000, 'x');
  const Case cases[] = {
      {"a\r\nb\r\nc\r\n", "a\nb\nc", "", ""},
      {"m\r\nT\r\nS\r\nA\r\nC", "m", "T", "C"},
      {"T\nS\nA\nC\n", "", "T", "C"},  // line feeds alone
      {longMemo + "\r\nT\r\nS\r\nA\r\nC\r\n", longMemo, "T", "C"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    const Arrangement a = ReadArrangement(TextBlock(c.text) + Reserved() + Chords());
    EXPECT_EQ(a.Memo, c.memo) << c.text.substr(0, 20);
    EXPECT_EQ(a.Title, c.title) << c.text.substr(0, 20);
    EXPECT_EQ(a.Copyright, c.copyright) << c.text.substr(0, 20);
  }
}

TEST(ArrangementFile, HeaderValuesAndTheSongLength) {
  // A first measure outside 1..8 is left at 1; 68 chord bytes in 4/4 are 4 measures.
  const Bytes chords68 = Chords(9) + Bytes(16, 0);
  const Arrangement a = ReadArrangement(TextBlock("") + Reserved() + chords68);
  EXPECT_EQ(a.FirstMeasure(), 1);
  EXPECT_EQ(a.SongEnd, 68);
  EXPECT_EQ(a.LastMeasure(), 4);
  // The writer stores the first measure it applies.
  const Bytes written = ArrangementBytes(a);
  EXPECT_EQ(written[written.size() - 68], 1);
}

TEST(ArrangementFile, AFirstMeasureAboveEightIsKeptBesideTheHeader) {
  for (const int first : {1, 8, 9, 12, 500}) {
    Arrangement a = ReadArrangement(TextBlock("") + Reserved() + Chords());
    a.SetHeader(first, 120, 16, 0);
    const Bytes written = ArrangementBytes(a);
    EXPECT_EQ(written[written.size() - 52], std::min(first, 8)) << "the header says what it can";
    EXPECT_EQ(ReadArrangement(written).FirstMeasure(), first);
  }
  // Other writers' reserved bytes count only beside a header that says 8.
  Bytes reserved = Reserved();
  reserved[0] = 12;
  EXPECT_EQ(ReadArrangement(TextBlock("") + reserved + Chords(3)).FirstMeasure(), 3);
  EXPECT_EQ(ReadArrangement(TextBlock("") + reserved + Chords(8)).FirstMeasure(), 12);
}

TEST(ArrangementFile, AMelodyLongerThanTheTrackIsCutAndTheRestSkipped) {
  std::vector<MelodyEvent> events;
  for (uint32_t i = 0; i < kMelodyCapacity + 10; ++i)
    events.push_back(MakeMelodyEvent(i, 0xB0, 1, 2));
  const Arrangement a =
      ReadArrangement(MelodyBlock(events) + TextBlock("T\r\nS\r\nA\r\nC") + Reserved() + Chords());
  EXPECT_EQ(a.Melody.size(), static_cast<size_t>(kMelodyCapacity));
  EXPECT_EQ(a.Title, "T");
  EXPECT_EQ(a.SongEnd, 52);
}

TEST(ArrangementFile, AFirstMeasureOf252IsNotAStyleMarker) {
  const Arrangement plain = ReadArrangement(TextBlock("") + Reserved() + Chords(252));
  EXPECT_EQ(plain.StyleName, "");
  EXPECT_EQ(plain.Tempo(), 120);
  EXPECT_EQ(plain.SongEnd, 52);
  const Arrangement styled =
      ReadArrangement(TextBlock("") + Reserved() + StyleBlock("ROCK1.KVS") + Chords(252));
  EXPECT_EQ(styled.StyleName, "ROCK1.KVS");
  EXPECT_EQ(styled.SongEnd, 52);
}

TEST(ArrangementFile, ADamagedFileIsRefusedWithTheReason) {
  const Bytes text = TextBlock("");
  const Bytes head = text + Reserved();
  Bytes badEvent = MelodyBlock(kMelody);
  badEvent[5 + 4] = 0xFF;  // the first event's status
  struct Case {
    const char* name;
    Bytes file;
    std::string reason;
  };
  const Case cases[] = {
      {"empty", {}, "the file is empty"},
      {"negative melody", Bytes{255} + I32(-8) + head + Chords(), "negative length (-8)"},
      {"melody past the end", Bytes{255} + I32(800) + Bytes(40, 0),
       "claims 800 bytes, but only 40"},
      {"melody in pieces", Bytes{255} + I32(12) + Bytes(12, 0x90) + head + Chords(),
       "12 bytes is not a whole number of events"},
      {"melody status", badEvent + head + Chords(), "melody event 1 is not a channel message"},
      {"negative text", Bytes{253} + I32(-1) + Reserved() + Chords(), "negative length (-1)"},
      {"text past the end", Bytes{253} + I32(5000) + Reserved() + Chords(), "claims 5000 bytes"},
      {"short fixed text", Bytes(600, 'a'), "the file ends inside the text area"},
      {"short reserved area", text + Bytes(50, 0), "the file ends inside the reserved area"},
      {"no header", head + Bytes{1, 120}, "the file ends before the song header"},
      {"old layout, no header", Bytes{254, 1}, "the file ends before the song header"},
      {"tempo 0", head + Chords(1, 0), "tempo 0 is outside 25..250"},
      {"tempo 251", head + Chords(1, 251), "tempo 251 is outside 25..250"},
      {"metre 0", head + Chords(1, 120, 0), "measure length of 0 sixteenths"},
      {"metre 3", head + Chords(1, 120, 3), "measure length of 3 sixteenths"},
      {"metre 18", head + Chords(1, 120, 18), "measure length of 18 sixteenths"},
      {"program", head + Chords(1, 120, 16, 200), "melody program 200"},
      {"partial entry", head + Chords() + Bytes{0}, "53 bytes is not a whole number"},
      {"chord type", WithEntry(head + Chords(), 16, {62, 0, 0, 0}),
       "the entry at byte 36 (measure 3, beat 1) has the chord type 0"},
      {"chord type 18", WithEntry(head + Chords(), 48, {62, 18, 0, 0}), "the chord type 18"},
      {"root", WithEntry(head + Chords(), 48, {200, 1, 0, 0}), "the chord root 200"},
      {"tempo command", WithEntry(head + Chords(), 48, {0, 0, 254, 0}),
       "(measure 1, beat 1) changes the tempo to 0"},
      {"channel command", WithEntry(head + Chords(), 48, {0, 0, 251, 238}),
       "a channel command with the value 238"},
      {"nameless style", head + StyleBlock("") + Chords(), "the style block names no style"},
      {"endless style name", head + StyleBlock(std::string(160, 'S')) + Chords(),
       "the style file name fills its 160 bytes with no end"},
      {"metre 28", head + Chords(1, 120, 28), "measure length of 28 sixteenths is not one of"},
      {"metre 252", head + Chords(1, 120, 252), "measure length of 252 sixteenths"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(ReadError(c.file).find(c.reason), std::string::npos)
        << c.name << ": " << ReadError(c.file);
  }
}

TEST(ArrangementFile, TheWriterRefusesAHeaderItsReaderWouldRefuse) {
  Arrangement a = ReadArrangement(Bytes{254} + Chords(1, 0, 0, 0));
  EXPECT_THROW(ArrangementBytes(a), ArrangementError);  // the oldest layout has no tempo
  a.SetHeader(1, 0, 16, 0);
  EXPECT_THROW(ArrangementBytes(a), ArrangementError);
  a.SetHeader(1, 120, 16, 0);
  EXPECT_NO_THROW(ArrangementBytes(a));
}

TEST(ArrangementFile, AFileThatCannotBeReadSaysWhy) {
  EXPECT_THROW(LoadArrangementFile("/nonexistent/song.kva"), ArrangementError);
}

TEST(ArrangementFile, SongInfoHasOneFieldPerLine) {
  const Arrangement a = ReadArrangement(MelodyBlock(kMelody) + TextBlock("a\r\nb\r\n") +
                                        Reserved() + StyleBlock("ROCK1.KVS") + Chords(2, 96));
  EXPECT_EQ(SongInfoText(a),
            "style ROCK1.KVS\ntempo 96\nmeasure-sixteenths 16\nfirst-measure 2\n"
            "last-measure 3\nsong-end 52\nmelody-events 3\ntext-lines 2\n");
}

}  // namespace
}  // namespace korvel
