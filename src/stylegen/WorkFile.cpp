#include "stylegen/WorkFile.h"

#include <algorithm>
#include <sstream>

#include "engine/Style.h"
#include "performance/ChordMemory.h"
#include "platform/LittleEndian.h"

namespace korvel {

namespace {

// Splits the material block into chunks and checks every byte a reader will step on: channel
// messages 80..EF with two data bytes, time bytes F8..FF, the marker F0 between chunks; a 0 in
// status position ends the material, as readers treat it.
// A file that ends inside a message (its status and the data bytes there are) keeps the
// messages before it: `cut` is set.
bool SplitMaterial(std::span<const uint8_t> bytes, std::vector<std::vector<uint8_t>>& chunks,
                   bool& cut, std::string& error) {
  size_t start = 0;
  size_t position = 0;
  auto close = [&](size_t end) {
    if (end - start > static_cast<size_t>(kMaxChunkUsed)) {
      error = "chunk " + std::to_string(chunks.size() + 1) + " of the material holds " +
              std::to_string(end - start) + " bytes, more than a chunk's " +
              std::to_string(kMaxChunkUsed);
      return false;
    }
    chunks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                        bytes.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
  };
  while (position < bytes.size()) {
    const uint8_t byte = bytes[position];
    const std::string where = "material byte " + std::to_string(position);
    if (byte == 0) break;  // unused space: readers stop here, and so does the material
    if (byte == kContinuation) {
      if (!close(position)) return false;
      if (chunks.size() == static_cast<size_t>(kChainLength)) {
        error = "the material holds more than " + std::to_string(kChainLength) + " chunks";
        return false;
      }
      start = ++position;
      continue;
    }
    if (IsTimeByte(byte)) {
      ++position;
      continue;
    }
    if (byte < 0x80 || byte > 0xEF) {
      error = where + " is " + std::to_string(byte) + ", neither a channel message nor a clock";
      return false;
    }
    const bool dataFollow = std::all_of(
        bytes.begin() + static_cast<std::ptrdiff_t>(position) + 1,
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(position + 3, bytes.size())),
        [](uint8_t b) { return b < 0x80; });
    if (position + 2 >= bytes.size() && dataFollow) {
      cut = true;
      break;
    }
    if (!dataFollow) {
      error = where + " starts a channel message without its two data bytes";
      return false;
    }
    position += 3;
  }
  // A file without material, or whose material ends with a marker (or a cut right after
  // one), has no empty chunk after.
  return (position == start && (chunks.empty() || start == bytes.size() || cut)) || close(position);
}

}  // namespace

size_t WorkFileContents::MaterialBytes() const {
  size_t total = 0;
  for (const auto& chunk : Chunks) total += chunk.size();
  return total;
}

std::optional<WorkFileContents> ParseWorkFile(std::span<const uint8_t> bytes, std::string& error) {
  WorkFileContents c;
  if (bytes.size() < static_cast<size_t>(kWorkHeaderSize)) {
    error = "The work file is " + std::to_string(bytes.size()) +
            " bytes long, too short for its header";
    return std::nullopt;
  }
  c.WorkSixteenths = GetU16(bytes.data());
  c.ChordLength = GetI16(bytes.data() + 2);
  if (c.WorkSixteenths > INT16_MAX) {
    error = "The work file's length of " + std::to_string(c.WorkSixteenths) +
            " sixteenths is more than the generator holds";
    return std::nullopt;
  }
  if (c.ChordLength < 0 || c.ChordLength > kMaxWorkChordLength || c.ChordLength % 4 != 0) {
    error = "The work file's chord memory ends at " + std::to_string(c.ChordLength) +
            ", not on an entry of the " + std::to_string(kChordMemorySize) + "-byte chord memory";
    return std::nullopt;
  }
  size_t at = kWorkHeaderSize;
  // Each block is there whole, or the file ends before it.
  auto block = [&](size_t size, const char* name) -> std::optional<std::span<const uint8_t>> {
    if (at == bytes.size()) return std::span<const uint8_t>{};
    if (bytes.size() - at < size) {
      error = std::string("The work file ends inside ") + name;
      return std::nullopt;
    }
    const auto taken = bytes.subspan(at, size);
    at += size;
    return taken;
  };
  const auto chords = block(static_cast<size_t>(c.ChordLength) + 4, "the chord memory");
  if (!chords) return std::nullopt;
  c.Chords.assign(chords->begin(), chords->end());
  const auto channels = block(kStyleChannelTableSize, "the channel table");
  if (!channels) return std::nullopt;
  if (!channels->empty()) {
    c.Channels.emplace();
    std::copy(channels->begin(), channels->end(), c.Channels->Bytes.begin());
  }
  const auto parts = block(kStylePartTableSize, "the style parts");
  if (!parts) return std::nullopt;
  if (!parts->empty()) {
    c.Parts.emplace();
    std::copy(parts->begin(), parts->end(), c.Parts->Bytes.begin());
  }
  bool cut = false;
  if (!SplitMaterial(bytes.subspan(at), c.Chunks, cut, error)) {
    error = "The work file is damaged: " + error;
    return std::nullopt;
  }
  std::string partsLeftOut;
  if (c.Parts) {
    // Parts lie in chunk 0, as in a style; one that points outside it would be read past.
    const std::vector<uint8_t> style =
        SerializeStyleFile(c.Channels.value_or(StyleChannelTable{}), *c.Parts,
                           c.Chunks.empty() ? std::span<const uint8_t>{} : c.Chunks[0], false);
    const CheckedStyleFile checked = CheckStyleFile(style);
    for (int part : checked.Damaged) {
      std::string name = StylePartName(part);
      name.erase(0, name.find_first_not_of(' '));
      // A whole file pointing outside its material is damaged; a cut one lost those parts.
      if (!cut) {
        error = "The work file is damaged: the part \"" + name + "\" points outside the material";
        return std::nullopt;
      }
      partsLeftOut += (partsLeftOut.empty() ? "" : ", ") + ("\"" + name + "\"");
    }
    c.Parts = checked.Contents.Parts;  // with the beat entries the check set right
  }
  if (cut) {
    c.Cut = "The work file ends inside a message of its material: the " +
            std::to_string(c.MaterialBytes()) + " bytes before it were loaded";
    if (!partsLeftOut.empty()) c.Cut += ", without the parts " + partsLeftOut;
  }
  return c;
}

std::vector<uint8_t> SerializeWorkFile(const WorkFileContents& c) {
  std::vector<uint8_t> out(kWorkHeaderSize);
  PutU16(out.data(), c.WorkSixteenths);
  PutI16(out.data() + 2, c.ChordLength);
  // The blocks follow each other without gaps: a chord block read short from a cut file is
  // written whole, so that the tables after it stay where a reader looks for them.
  std::vector<uint8_t> chords = c.Chords;
  chords.resize(static_cast<size_t>(std::max<int16_t>(c.ChordLength, 0)) + 4, 0);
  out.insert(out.end(), chords.begin(), chords.end());
  const StyleChannelTable channels = c.Channels.value_or(StyleChannelTable{});
  const StylePartTable parts = c.Parts.value_or(StylePartTable{});
  out.insert(out.end(), channels.Bytes.begin(), channels.Bytes.end());
  out.insert(out.end(), parts.Bytes.begin(), parts.Bytes.end());
  for (size_t chunk = 0; chunk < c.Chunks.size(); ++chunk) {
    if (chunk > 0) out.push_back(kContinuation);
    out.insert(out.end(), c.Chunks[chunk].begin(), c.Chunks[chunk].end());
  }
  return out;
}

WorkFileContents CollectWork(const WorkMaterial& work, std::span<const uint8_t> chordMemory,
                             int songEnd, const StyleChannelTable& channels,
                             const StylePartTable& parts) {
  WorkFileContents c;
  c.WorkSixteenths = static_cast<uint16_t>(std::max<int16_t>(work.WorkSixteenths, 0));
  // An empty chord memory (end below 5) is stored as its header entry only.
  const int end = songEnd < 5 ? 0 : std::min(songEnd, kMaxWorkChordLength) / 4 * 4;
  c.ChordLength = static_cast<int16_t>(end);
  const auto taken = std::min<size_t>(static_cast<size_t>(end) + 4, chordMemory.size());
  c.Chords.assign(chordMemory.begin(), chordMemory.begin() + static_cast<std::ptrdiff_t>(taken));
  c.Chords.resize(static_cast<size_t>(end) + 4, 0);
  c.Channels = channels;
  c.Parts = parts;
  int32_t left = std::max(work.WorkLength, 0);
  for (int index = 0; index < kChainLength && left > 0; ++index) {
    const WorkChunkEntry& entry = work.Chunks[static_cast<size_t>(index)];
    if (!entry.Allocated || !entry.Data) break;
    const bool chained =
        index + 1 < kChainLength && work.Chunks[static_cast<size_t>(index + 1)].Allocated;
    // The last chunk's used length may not be written yet; the work length tells what is left.
    int32_t used = chained ? static_cast<int32_t>(entry.UsedLength) : left;
    used = std::clamp(used, 0, std::min(left, kMaxChunkUsed));
    const uint8_t* data = entry.Data->data();
    // A reader stops at the first marker or unused byte in status position; so does the file.
    std::vector<uint8_t> bytes(data, data + used);
    c.Chunks.push_back(std::move(bytes));
    left -= used;
    if (!chained) break;
  }
  return c;
}

void TakeWorkMaterial(WorkMaterial& work, const WorkFileContents& c) {
  work.ClearWork();
  int64_t clocks = 0;
  for (size_t index = 0; index < c.Chunks.size(); ++index) {
    WorkChunkEntry& entry = work.Chunks[index];
    if (!entry.Data) {
      entry.Data = std::make_unique<WorkChunk>();
      entry.Data->fill(0);
    }
    entry.Allocated = true;
    const auto& bytes = c.Chunks[index];
    std::copy(bytes.begin(), bytes.end(), entry.Data->begin());
    for (uint8_t byte : bytes) {
      if (IsTimeByte(byte)) clocks += ClocksOf(byte);
    }
    entry.UsedLength = static_cast<uint32_t>(bytes.size());
    entry.WorkSixteenths = static_cast<uint16_t>(std::min<int64_t>(clocks / 24 * 4, INT16_MAX));
    if (index + 1 < c.Chunks.size()) (*entry.Data)[bytes.size()] = kContinuation;
    work.WorkLength += static_cast<int32_t>(bytes.size());
  }
  work.ChainExtended = c.Chunks.size() > 1;
  work.WorkSixteenths = static_cast<int16_t>(c.WorkSixteenths);
  work.CurrentChunk = 0;
  work.RecorderPosition = 0;
}

std::string WorkInfoText(const WorkFileContents& c) {
  std::ostringstream out;
  out << "work-sixteenths " << c.WorkSixteenths << "\n"
      << "chord-memory-bytes " << c.Chords.size() << "\n"
      << "material-bytes " << c.MaterialBytes() << "\n"
      << "chunks " << c.Chunks.size() << "\n";
  // The channels and parts as style-info describes them.
  Style style;
  style.Work.AllocateWork();
  if (c.Channels) style.Channels = *c.Channels;
  if (c.Parts) style.Parts = *c.Parts;
  if (!c.Chunks.empty()) {
    std::copy(c.Chunks[0].begin(), c.Chunks[0].end(), style.Work.Chunk(0).begin());
    style.StyleLength = static_cast<int32_t>(c.Chunks[0].size());
    style.Work.WorkLength = style.StyleLength;
    style.Work.Chunks[0].UsedLength = static_cast<uint32_t>(style.StyleLength);
  }
  style.AnalyseStyleParts(0, kStylePartCount - 1, 0, "");
  std::istringstream described(StyleInfoText(style));
  for (std::string line; std::getline(described, line);) {
    if (line.starts_with("has-notes ") || line.starts_with("part ")) out << line << "\n";
  }
  return out.str();
}

}  // namespace korvel
