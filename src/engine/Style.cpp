#include "engine/Style.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <sstream>

#include "engine/StyleFile.h"
#include "midi/ChannelState.h"

namespace korvel {

Style::Style() {
  for (auto& part : HangingNoteFlags) part.fill(1);
}

std::span<const uint8_t> Style::Material() const {
  const auto& chunk = Work.Chunks[0];
  if (!chunk.Data) return {};
  return std::span<const uint8_t>(chunk.Data->data(),
                                  std::min<size_t>(chunk.UsedLength, kMaxStyleMaterial));
}

void Style::WriteChannelSetting(int channel, int index, uint8_t value, bool everyEvent) {
  Channels.SetValue(channel, index, value);
  auto& chunk = Work.Chunks[0];
  if (!chunk.Data) return;
  const bool program = index == ChannelState::kProgramIndex;
  const uint8_t status = static_cast<uint8_t>((program ? 0xC0 : 0xB0) | channel);
  const size_t used = std::min<size_t>(chunk.UsedLength, kMaxStyleMaterial);
  uint8_t* bytes = chunk.Data->data();
  for (size_t at = 0; at < used;) {
    const uint8_t b = bytes[at];
    if (IsTimeByte(b)) {
      ++at;
      continue;
    }
    if (b == kContinuation || at + 3 > used) break;
    if (!everyEvent && (b & 0xF0) == 0x90 && (b & 0x0F) == channel && bytes[at + 2] > 0) break;
    if (b == status && (program || bytes[at + 1] == index)) {
      bytes[at + (program ? 1 : 2)] = value;
      if (!everyEvent) break;
    }
    at += 3;
  }
}

void Style::AnalyseStyleParts(int first, int last, int mode, const std::string& instrumentSet) {
  if (mode > 0) {
    for (int channel = 0; channel < 16; ++channel) Channels.SetHasNotes(channel, false);
  }
  if (!Work.Chunks[0].Data) return;
  WorkChunk& m = Work.Chunk(0);
  const bool sc55 = mode > 1 && instrumentSet == "SC-55.KVI";
  for (int p = std::max(first, 0); p <= std::min(last, kStylePartCount - 1); ++p) {
    auto& flags = HangingNoteFlags[static_cast<size_t>(p)];
    flags.fill(1);
    const StylePart part = Parts.Part(p);
    if (part.Empty()) continue;
    // Positions were checked against the material when it was loaded; the chunk bounds the
    // scan whatever a later edit may have left.
    const int32_t start = std::max(part.StartPos(), 0);
    const int32_t end = std::min<int32_t>(part.EndPos(), kChunkSize);
    // The last note-on of velocity 0 of each status and key, found in one pass backwards, tells
    // whether a note struck before it ends inside the part.
    std::array<std::array<int32_t, 256>, 32> lastEnd;
    for (auto& keys : lastEnd) keys.fill(-1);
    for (int32_t j = end - 3; j >= start; --j) {
      const uint8_t status = m[static_cast<size_t>(j)];
      if (status < 144 || status > 175 || m[static_cast<size_t>(j + 2)] != 0) continue;
      int32_t& at = lastEnd[static_cast<size_t>(status - 144)][m[static_cast<size_t>(j + 1)]];
      at = std::max(at, j);
    }
    for (int32_t i = start; i + 2 < end; ++i) {
      const uint8_t status = m[static_cast<size_t>(i)];
      if (status < 144 || status > 175 || m[static_cast<size_t>(i + 2)] == 0) continue;
      const int channel = status & 0x0F;
      if (mode > 0) Channels.SetHasNotes(channel, true);
      const uint8_t key = m[static_cast<size_t>(i + 1)];
      if (lastEnd[static_cast<size_t>(status - 144)][key] < i) {
        flags[static_cast<size_t>(channel)] = 0;
      }
    }
    if (!sc55) continue;
    for (int32_t i = start; i + 2 < end; ++i) {
      const uint8_t status = m[static_cast<size_t>(i)];
      uint8_t& value = m[static_cast<size_t>(i + 2)];
      if (status >= 176 && status <= 191 && m[static_cast<size_t>(i + 1)] == 0 && value >= 63) {
        value = 0;
      }
      uint8_t& program = m[static_cast<size_t>(i + 1)];
      if (status == 201 && program > 62 && program != 128) program = 0;
    }
  }
}

CheckedStyleFile CheckStyleFile(std::span<const uint8_t> fileBytes) {
  CheckedStyleFile file{ParseStyleFile(fileBytes), {}};
  const auto length = static_cast<int32_t>(file.Contents.Material.size());
  for (int p = 0; p < kStylePartCount; ++p) {
    StylePart part = file.Contents.Parts.Part(p);
    if (part.Empty()) continue;
    const int32_t start = part.StartPos();
    const int32_t end = part.EndPos();
    bool ok = start >= 0 && start < length && end >= start && end <= length;
    for (int beat = 2; beat <= 4 && ok; ++beat) {
      const int32_t entry = part.BeatEntry(beat);
      ok = entry >= 0;
      // A beat the part's last, short bar lacks was stored one past the material by earlier
      // versions: entering there ends the part, as entering at its end does.
      if (entry > length) part.SetBeatEntry(beat, end);
    }
    if (!ok) {
      part.Clear();
      file.Damaged.push_back(p);
    }
  }
  return file;
}

bool CheckedStyleFile::Playable() const {
  const StylePart basic = Contents.Parts.Part(kBasic);
  return !basic.Empty() && basic.MeasureCount() >= 1 &&
         Contents.Material[static_cast<size_t>(basic.StartPos())] != 0;
}

void Style::Take(const CheckedStyleFile& file) {
  const StyleFileContents& contents = file.Contents;
  Channels = contents.Channels;
  Parts = contents.Parts;
  if (!Work.Chunks[0].Data) Work.AllocateWork();
  WorkChunk& chunk = Work.Chunk(0);
  std::copy(contents.Material.begin(), contents.Material.end(), chunk.begin());
  const auto length = static_cast<int32_t>(contents.Material.size());
  Work.Chunks[0].UsedLength = static_cast<uint32_t>(length);
  Work.WorkLength = length;
  StyleLength = length;

  // Length in sixteenths, so that positions by measure can be found in the style as well.
  int64_t clocks = 0;
  for (uint8_t byte : contents.Material) {
    if (IsTimeByte(byte)) clocks += ClocksOf(byte);
  }
  Work.WorkSixteenths = static_cast<int16_t>(std::min<int64_t>(clocks / 24 * 4, INT16_MAX));
}

std::vector<int> Style::TakeFileContents(std::span<const uint8_t> fileBytes) {
  const CheckedStyleFile file = CheckStyleFile(fileBytes);
  Take(file);
  return file.Damaged;
}

std::string MakeStyleName(const std::string& fileName, const StylePartTable& parts) {
  std::string name = std::filesystem::path(fileName).stem().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (const auto amp = name.find('&'); amp != std::string::npos) name.insert(amp, "&");
  if (parts.Part(kFillBasic).Successor() == kFurtherVariation) name += " / Var.Basic";
  if (parts.Part(kFillExtended).Successor() == kFurtherVariation) name += " / Var.Extended";
  return name;
}

namespace {

std::string ChannelList(const std::function<bool(int)>& test) {
  std::string list;
  for (int channel = 0; channel < 16; ++channel) {
    if (test(channel)) list += (list.empty() ? "" : " ") + std::to_string(channel + 1);
  }
  return list.empty() ? "-" : list;
}

}  // namespace

std::string StyleInfoText(const Style& style) {
  std::ostringstream out;
  const StyleChannelTable& c = style.Channels;
  const int16_t length = c.MeasureLength();
  out << "name " << style.StyleName << "\n"
      << "tempo " << c.Tempo() << "\n"
      << "measure-sixteenths " << (length == 0 ? 16 : std::abs(length)) << "\n"
      << "eighth-beats " << (length < 0 ? "yes" : "no") << "\n"
      << "start-measure " << c.StartMeasure() << "\n"
      << "converted " << (c.Converted() ? "yes" : "no") << "\n"
      << "suppress-controllers " << (c.SuppressControllers() ? "yes" : "no") << "\n"
      << "material-bytes " << style.StyleLength << "\n"
      << "has-notes " << ChannelList([&](int ch) { return c.HasNotes(ch); }) << "\n";
  for (int p = 0; p < kStylePartCount; ++p) {
    const StylePart part = style.Parts.Part(p);
    const std::string prefix = "part " + std::to_string(p) + " ";
    out << prefix << "name" << StylePartName(p) << "\n";
    if (part.Empty()) {
      out << prefix << "empty\n";
      continue;
    }
    out << prefix << "measures " << part.FirstMeasure() << ".." << part.LastMeasure() << "\n"
        << prefix << "start-beat " << part.StartBeat() << "\n"
        << prefix << "count " << part.MeasureCount() << "\n"
        << prefix << "positions " << part.StartPos() << ".." << part.EndPos() << "\n"
        << prefix << "successor " << part.Successor() << "\n"
        << prefix << "beat-entries " << part.BeatEntry(2) << " " << part.BeatEntry(3) << " "
        << part.BeatEntry(4) << "\n"
        << prefix << "muted " << ChannelList([&](int ch) { return part.PartMute(ch); }) << "\n"
        << prefix << "held " << ChannelList([&](int ch) { return part.PartHold(ch); }) << "\n"
        << prefix << "hanging " << ChannelList([&](int ch) {
             return style.HangingNoteFlags[static_cast<size_t>(p)][static_cast<size_t>(ch)] == 0;
           })
        << "\n";
  }
  return out.str();
}

}  // namespace korvel
