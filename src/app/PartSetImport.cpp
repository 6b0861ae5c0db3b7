#include "app/PartSetImport.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "app/MidiFileImport.h"
#include "engine/StyleTables.h"
#include "stylegen/WorkWalk.h"

namespace korvel {

namespace {

constexpr int kPercussionSource = 10;  // channel 11
constexpr int kLowestStandardDrum = 35;

// Channel (1..16), volume and panorama an imported set starts with.
struct MixerDefault {
  int Channel;
  uint8_t Volume;
  uint8_t Pan;
};
constexpr MixerDefault kSetMixerDefaults[] = {
    {15, 86, 80}, {10, 100, 64}, {12, 96, 59}, {13, 93, 68}, {14, 86, 47}};

// The "Metrum" list's "1/8" entry.
constexpr int kMetreOneEighthIndex = 8;

int MeasureSixteenths(const Engine& engine) {
  return std::max<int>(engine.Transport.MeasureSixteenths, 4);
}

// The clocks of one measure.
int64_t MeasureClocks(const Engine& engine) {
  return int64_t{MeasureSixteenths(engine)} * 6;
}

int64_t MaterialClocks(const Engine& engine) {
  return WalkWork(engine.Style.Work, false, [](const WorkMessage&) {});
}

// The measures of a part file appended to the material at clock `start` (a bar line), in the
// metre the file brought. Whole measures in which no note starts before its first note are
// the lead-in of an exported part; a last measure the file has only begun, and in which no
// note starts, holds the notes ringing past its end: both are left out, and the material ends
// on the part's last bar line so the next file follows it. Nothing when no measure is left.
std::optional<std::pair<int, int>> AppendedPartRange(Engine& engine, int64_t start) {
  const int64_t mc = MeasureClocks(engine);
  int64_t firstNote = -1;
  int64_t lastNote = -1;
  const int64_t end = WalkWork(engine.Style.Work, false, [&](const WorkMessage& m) {
    if (m.Clock < start || !IsNoteOn(m.Status, m.Data2)) return;
    if (firstNote < 0) firstNote = m.Clock;
    lastNote = m.Clock;
  });
  const int startMeasure = static_cast<int>(start / mc) + 1;
  const int first = startMeasure + (firstNote < 0 ? 0 : static_cast<int>((firstNote - start) / mc));
  const int64_t whole = (end - start) / mc;
  const int64_t bar = start + whole * mc;
  int last = startMeasure + static_cast<int>(whole) - 1;
  if (end > bar) {
    if (lastNote >= bar) {
      ++last;
    } else if (EndOnBarLine(engine.Style.Work, bar)) {
      engine.Style.Work.BuildBeatIndex();
      engine.Style.Work.CurrentChunk = 0;
      engine.Style.Work.KeepRestoreCopy();
    }
  }
  if (last < first) return std::nullopt;
  return std::make_pair(first, last);
}

}  // namespace

std::array<std::string, 8> PartSetCodes(int group) {
  const std::string g = std::to_string(group);
  std::array<std::string, 8> codes;
  for (size_t i = 0; i < kPartSetOrder.size(); ++i) {
    const int part = kPartSetOrder[i];
    switch (part) {
      case kIntro:
        codes[i] = "i" + g + "1";
        break;
      case kEnding:
        codes[i] = "e" + g + "1";
        break;
      case kBasic:
        codes[i] = "v" + g + "1";
        break;
      case kExtended:
        // Group 1's Extended is the export's; group 2's is the variation after it.
        codes[i] = group == 1 ? StylePartFileCode(kExtended, false) : "v41";
        break;
      default:
        codes[i] = StylePartFileCode(part, false);
        break;
    }
  }
  return codes;
}

std::string FallbackCode(const std::string& code) {
  if (code == "v41") return "v31";
  if (code == "v31") return "v21";
  if (code.empty() || code.back() == '1') return "";
  return code.substr(0, code.size() - 1) + "1";
}

PartSetImport::PartSetImport(Engine& engine, MidiFileImport& import, Dialogs& dialogs)
    : engine_(engine), import_(import), dialogs_(dialogs) {}

bool PartSetImport::ChooseSetFolder() {
  engine_.Generator.VarietyIndex = 1;  // "2 Simple"
  engine_.Generator.AdjustOctave = true;
  const auto chosen = dialogs_.ChooseFolder({"Import set of style parts", "", "", StartFolder});
  if (!chosen || chosen->empty()) return false;
  Folder = *chosen;
  return true;
}

PartSetReport PartSetImport::ImportStylePartSet(const std::string& item) {
  if (!engine_.Generator.NewWork(GeneratorSender::NewMenu) || !engine_.Generator.WorkEmpty()) {
    return {};
  }
  if (Folder.empty() && !ChooseSetFolder()) return {};
  return ImportFromFolder(Folder, item);
}

std::optional<std::string> PartSetImport::FindPartFile(const std::string& folder,
                                                       const std::string& prefix,
                                                       const std::string& code,
                                                       std::vector<std::string>& tooShort) const {
  // One fallback at most: a missing file, or one too short to hold a part, is skipped.
  for (const std::string& tried : {code, FallbackCode(code)}) {
    if (tried.empty()) continue;
    const auto path = FindFileByName(prefix + tried + ".mid", folder);
    if (!path) continue;
    std::error_code error;
    const auto size = std::filesystem::file_size(*path, error);
    if (!error && size >= static_cast<uintmax_t>(kPartFileMinimum)) return path;
    tooShort.push_back(std::filesystem::path(*path).filename().string());
  }
  return std::nullopt;
}

PartSetReport PartSetImport::ImportFromFolder(const std::string& folder, const std::string& item) {
  PartSetReport report;
  if (item.size() < 6) return report;
  const std::string set(1, item[0]);
  const std::string variation = item.substr(4, 2);
  const std::string probe = "sty" + set + "_v" + variation + ".mid";
  if (!FindFileByName(probe, folder)) return report;
  // The code is looked for in the file name only: a folder may hold anything.
  int group = 0;
  size_t at = std::string::npos;
  for (int g : {1, 2}) {
    at = probe.find(PartSetCodes(g)[1]);
    if (at != std::string::npos) {
      group = g;
      break;
    }
  }
  if (group == 0) {
    dialogs_.InformUser(kCannotProcessFile);
    return report;
  }
  const std::string prefix = probe.substr(0, at);
  std::vector<std::string> tooShort;
  const std::array<std::string, 8> codes = PartSetCodes(group);

  Engine& e = engine_;
  if (e.Player.Playing) e.Player.StopPlayback();
  const bool progress = import_.Settings.ShowProgress;
  const bool keepMetre = import_.Settings.KeepMetre;
  import_.Settings.ShowProgress = false;
  if (Options.EighthBase) {
    import_.Settings.KeepMetre = true;
    e.Transport.SetMetre(kMetreOneEighthIndex);
  }
  for (size_t i = 0; i < codes.size(); ++i) {
    const auto file = FindPartFile(folder, prefix, codes[i], tooShort);
    if (!file) continue;
    // An appended file starts on the bar line after the material.
    const int64_t before = MeasureClocks(e);
    const int64_t start =
        e.Generator.WorkEmpty() ? 0 : (MaterialClocks(e) + before - 1) / before * before;
    import_.AppendMode = true;
    if (!import_.ImportMidiFile(*file, false, true)) continue;
    const auto range = AppendedPartRange(e, start);
    if (!range) continue;  // the file brought no whole measure
    const int part = kPartSetOrder[i];
    e.Style.SelectedPart = part;
    e.Generator.LoopRange = {range->first, 1, range->second};
    if (e.StyleParts.SetStylePart(PartSender::None)) {
      report.Files[static_cast<size_t>(part)] = std::filesystem::path(*file).filename().string();
      report.Imported = true;
    }
  }
  if (report.Imported) AfterImport();
  import_.Settings.ShowProgress = progress;
  import_.Settings.KeepMetre = keepMetre;
  if (!tooShort.empty()) {
    std::string names;
    for (const std::string& name : tooShort) names += (names.empty() ? "" : ", ") + name;
    dialogs_.InformUser("Too short to hold a style part (under " +
                        std::to_string(kPartFileMinimum) + " bytes), so left out: " + names);
  }
  return report;
}

void PartSetImport::AfterImport() {
  Engine& e = engine_;
  e.Generator.LoopRange = {};
  const StylePart intro = e.Style.Parts.Part(kIntro);
  e.Transport.StartMeasure = intro.Empty() ? 1 : -static_cast<int>(intro.MeasureCount());
  if (e.Player.Playing) e.Player.StopPlayback();
  if (Options.MovePercussion) {
    MovePercussionToChannel10(e);
    // What is restored, and what the chord analysis reads, has the drums on channel 10.
    e.Style.Work.KeepRestoreCopy();
  }
  if (Options.StandardPercussionOnly) RemovePercussionSounds(e);
  e.Generator.ConvertStyle();
  e.Mixer.FixChanges = true;
  for (const MixerDefault& d : kSetMixerDefaults) {
    const int channel = d.Channel - 1;
    MixerRecord& mixer = e.Live.Mixer[static_cast<size_t>(channel)];
    mixer.Volume = d.Volume;
    mixer.Pan = d.Pan;
    e.Style.WriteChannelSetting(channel, 7, d.Volume, true);
    e.Style.WriteChannelSetting(channel, 10, d.Pan, true);
    e.Mixer.SendChannelRecord(channel);
  }
  e.Style.StyleMode = true;
  e.Style.StyleLoaded = true;
  e.Style.SongLoaded = false;
  e.StyleParts.SelectPart(kIntro);
  e.Generator.StyleChanged = true;
}

void MovePercussionToChannel10(Engine& engine) {
  StyleChannelTable& table = engine.Style.Channels;
  // Without notes on channel 11 there is nothing to move, and channel 10 keeps its settings.
  if (!table.HasNotes(kPercussionSource)) return;
  for (int index = 0; index < kChannelRecordSize; ++index) {
    table.SetValue(kDrumChannel, index, table.Value(kPercussionSource, index));
  }
  table.SetHasNotes(kDrumChannel, false);
  StyleGenerator& gen = engine.Generator;
  const GeneratorRange range = gen.LoopRange;
  gen.SourceChannel = kPercussionSource;
  gen.DestinationChannel = kDrumChannel;
  gen.LoopRange = {};
  gen.ConvertWork(GeneratorSender::Move);
  gen.LoopRange = range;
  for (int index = 0; index < kChannelRecordSize; ++index) {
    table.SetValue(kPercussionSource, index, ChannelState::kNone);
  }
  table.SetHasNotes(kPercussionSource, false);
  engine.Mixer.ControllerReset();
}

void RemovePercussionSounds(Engine& engine) {
  Style& style = engine.Style;
  if (!style.Work.Chunks[0].Data) return;
  std::vector<std::pair<int32_t, int32_t>> ranges;
  for (int part = 0; part < kStylePartCount; ++part) {
    const StylePart record = style.Parts.Part(part);
    if (!record.Empty()) ranges.emplace_back(record.StartPos(), record.EndPos());
  }
  WorkChunk& chunk = style.Work.Chunk(0);
  WalkWork(style.Work, false, [&](const WorkMessage& m) {
    if (m.Chunk != 0 || (m.Status & 0x0F) != kDrumChannel) return;
    const int kind = m.Status & 0xF0;
    if ((kind != 0x90 && kind != 0xA0) || m.Data2 == 0 || m.Data1 >= kLowestStandardDrum) return;
    const bool inPart = std::any_of(ranges.begin(), ranges.end(), [&m](const auto& r) {
      return m.Position >= r.first && m.Position < r.second;
    });
    if (inPart) chunk[static_cast<size_t>(m.Position) + 2] = 0;
  });
}

}  // namespace korvel
