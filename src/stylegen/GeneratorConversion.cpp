// The converter's walk: every channel message of the material is treated by what started the
// walk. Note-offs always follow their note-on through the struck keys, inside the range or not,
// so no note that was struck is left hanging.
#include <algorithm>
#include <deque>
#include <map>
#include <optional>

#include "stylegen/ConversionTables.h"
#include "stylegen/StyleGenerator.h"
#include "stylegen/WorkWalk.h"

namespace korvel {

namespace {

bool IsConversion(GeneratorSender sender) {
  return sender == GeneratorSender::ConvertAll || sender == GeneratorSender::ConvertMeasures ||
         sender == GeneratorSender::ConvertStyle;
}

int StepOf(GeneratorSender sender) {
  switch (sender) {
    case GeneratorSender::OctaveUp:
      return 12;
    case GeneratorSender::OctaveDown:
      return -12;
    case GeneratorSender::ToneUp:
      return 1;
    case GeneratorSender::ToneDown:
      return -1;
    default:
      return 0;
  }
}

// Per channel and key, what each sounding note-on of the key became, oldest first. A key struck
// again before its note-off keeps both: each note-off ends the oldest, as a sequencer pairs
// them, so every note-on finds its note-off whatever the treatment did to either.
class StruckKeys {
 public:
  void Strike(int channel, int key, uint8_t result) {
    keys_[Index(channel, key)].push_back(result);
  }
  // What the oldest sounding strike of the key became, now ended; nothing when none sounds.
  std::optional<uint8_t> End(int channel, int key) {
    const auto found = keys_.find(Index(channel, key));
    if (found == keys_.end() || found->second.empty()) return std::nullopt;
    const uint8_t result = found->second.front();
    found->second.pop_front();
    return result;
  }
  // What the latest strike became: pressure follows the note last struck.
  std::optional<uint8_t> Latest(int channel, int key) const {
    const auto found = keys_.find(Index(channel, key));
    if (found == keys_.end() || found->second.empty()) return std::nullopt;
    return found->second.back();
  }

 private:
  static int Index(int channel, int key) { return channel * 128 + key; }
  std::map<int, std::deque<uint8_t>> keys_;
};

}  // namespace

bool StyleGenerator::PassesSoloAndMute(int channel) const {
  const bool solo = notes_.SoloChannel == 0 || notes_.SoloChannel == channel + 1;
  return solo && notes_.ChannelMute[static_cast<size_t>(channel)] == 0;
}

bool StyleGenerator::ConvertWork(GeneratorSender sender) {
  if (WorkEmpty() || player_.Playing) return false;
  style_.StyleMode = sender != GeneratorSender::ConvertAll;
  SetupWorkRange();
  if (sender != GeneratorSender::ConvertAll && !RangeInFirstChunk()) return false;
  OctaveMemory.fill(-1);
  StruckKeys struck;
  style_.Work.Edition = WorkMaterial::NewEdition();

  const bool fromRestoreCopy =
      (sender == GeneratorSender::ConvertMeasures || sender == GeneratorSender::ConvertStyle ||
       sender == GeneratorSender::RestorePart) &&
      style_.Work.RestoreAvailable;
  const int step = StepOf(sender);
  const ChordMemory& memory = song_.Memory;
  ChordEntry reference = memory.Entry(kFirstBeatPos);
  int lookedUp = kFirstBeatPos;
  bool noConversion = false;
  int treated = 0;
  WorkMaterial& work = style_.Work;

  const auto treat = [&](int note, int channel, bool strike) {
    if (sender == GeneratorSender::RestorePart) return note;
    if (step != 0) {
      const int result = note + step;
      if (!PassesSoloAndMute(channel) || result < 0 || result > 127) return note;
      return result;
    }
    if (!reference.HasChord() || reference.Type == 0) return note;
    int mode = std::clamp(ConvertMode, 0, kConvertModeCount - 1);
    if (mode == 6 && !PassesSoloAndMute(channel)) mode = 1;
    if (mode == 0) noConversion = true;
    if (strike) ++treated;
    int result = ConvertNote(note, reference.Root, reference.Type, mode);
    if (strike && AdjustOctave && !noConversion) {
      const int c = OctaveMemory[static_cast<size_t>(channel)];
      if (c >= 0 && result > c + 12) result -= 12;
      if (c >= 0 && result <= c - 12) result += 12;
      result = KeepInNoteRange(result);
      if (result % 12 == 0) OctaveMemory[static_cast<size_t>(channel)] = result;
    }
    return KeepInNoteRange(result);
  };

  // The material's own messages are walked, so a restore copy that no longer matches it (an
  // edited material) can never change its layout: the copy only lends the note of a message
  // of the same kind at the same place.
  const auto sourceNote = [&](const WorkMessage& m) -> uint8_t {
    const WorkChunk* source = fromRestoreCopy ? work.SourceChunk(m.Chunk, true) : nullptr;
    const uint32_t used = m.Chunk == 0 ? work.Chunks[kRestoreEntry].UsedLength : kChunkSize;
    if (!source || static_cast<uint32_t>(m.Position) + 2 >= used) return m.Data1;
    const uint8_t* bytes = source->data() + m.Position;
    return (bytes[0] & 0xF0) == (m.Status & 0xF0) && bytes[1] < 128 ? bytes[1] : m.Data1;
  };

  WalkWork(work, false, [&](const WorkMessage& m) {
    // The chord of the next beat counts from a little before it, as early notes belong to it.
    const int chordPos =
        kFirstBeatPos + static_cast<int>(std::min<int64_t>((m.Clock + kChordAnticipation) / 24 * 4,
                                                           kChordMemorySize));
    while (lookedUp < chordPos) {
      lookedUp += 4;
      const ChordEntry entry = memory.Entry(lookedUp);
      if (!noConversion && entry.HasChord() && entry.Type != 0) reference = entry;
    }
    const int64_t beatPos = kFirstBeatPos + m.Clock / 24 * 4;
    const bool inRange = RangeStart <= beatPos && beatPos < RangeEnd;
    uint8_t* bytes = work.Chunk(m.Chunk).data() + m.Position;
    const int channel = m.Status & 0x0F;
    const int kind = m.Status & 0xF0;

    if (sender == GeneratorSender::Move) {
      if (channel != SourceChannel) return;
      // A note's messages go where its note-on went (1 moved, 0 stayed).
      bool move = inRange;
      if (IsNoteMessage(m.Status) && m.Data1 < 128) {
        if (IsNoteOn(m.Status, m.Data2)) {
          struck.Strike(channel, m.Data1, inRange ? 1 : 0);
        } else if (const auto went = IsNoteOff(m.Status, m.Data2)
                                         ? struck.End(channel, m.Data1)
                                         : struck.Latest(channel, m.Data1)) {
          move = *went == 1;
        }
      }
      if (move) {
        bytes[0] = static_cast<uint8_t>(kind | DestinationChannel);
        ++treated;
      }
      return;
    }
    if (!IsNoteMessage(m.Status) || m.Data1 > 127) return;
    if (channel == kDrumChannel && sender != GeneratorSender::RestorePart) return;
    const uint8_t note = sourceNote(m);
    const int current = m.Data1;
    int result;
    if (IsNoteOn(m.Status, m.Data2)) {
      result = inRange ? treat(note, channel, true) : current;
      if (inRange && !IsConversion(sender) && result != current) ++treated;
      struck.Strike(channel, note, static_cast<uint8_t>(result));
    } else if (const auto became = IsNoteOff(m.Status, m.Data2) ? struck.End(channel, note)
                                                                : struck.Latest(channel, note)) {
      result = *became;
    } else {
      result = inRange ? treat(note, channel, false) : current;
    }
    bytes[1] = static_cast<uint8_t>(result);
  });

  if (sender == GeneratorSender::Move) AfterMove(treated > 0);
  if (ports_.PlayPort->IsOpen()) {
    for (int c = 0; c < 16; ++c) ports_.PlayPort->PutShort(static_cast<uint8_t>(0xB0 | c), 123, 0);
  }
  notes_.ClearNotes();
  style_.StyleMode = true;
  return treated > 0;
}

void StyleGenerator::AfterMove(bool movedAny) {
  if (!movedAny || SourceChannel == DestinationChannel) return;
  StyleChanged = true;
  StyleChannelTable& table = style_.Channels;
  if (!table.HasNotes(DestinationChannel)) {
    table.SetHasNotes(DestinationChannel, table.HasNotes(SourceChannel));
    for (int index : kChannelSettingIndexes) {
      const uint8_t value = table.Value(SourceChannel, index);
      table.SetValue(DestinationChannel, index, value);
      sent_.SetChannelStateValue(DestinationChannel, index, value);
    }
    SendChannelSettings(DestinationChannel, false);
  }
  const GeneratorRange& range = CurrentRange();
  if (range.FirstMeasure == 1 && range.LastMeasure == 0) table.SetHasNotes(SourceChannel, false);
}

}  // namespace korvel
