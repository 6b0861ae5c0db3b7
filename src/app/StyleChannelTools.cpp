#include "app/StyleChannelTools.h"

#include <charconv>

#include "app/Engine.h"
#include "platform/Dialogs.h"

namespace korvel {

namespace {

constexpr uint8_t kUnsetReverb = 64;

}  // namespace

bool StyleOffsetStep(Engine& engine, int controller, int step) {
  StyleChannelTable& table = engine.Style.Channels;
  bool changed = false;
  for (int channel = 0; channel < 16; ++channel) {
    if (!table.HasNotes(channel)) continue;
    int value = table.Value(channel, controller);
    if (value >= 128) {
      if (controller != 91) continue;  // an unset volume has nothing to move from
      value = kUnsetReverb;
    }
    value += step;
    if (value < 0 || value >= 128) continue;
    const auto byte = static_cast<uint8_t>(value);
    table.SetValue(channel, controller, byte);
    MixerRecord& mixer = engine.Live.Mixer[static_cast<size_t>(channel)];
    (controller == 7 ? mixer.Volume : mixer.Reverb) = byte;
    engine.Mixer.Send(static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller), byte);
    changed = true;
  }
  if (changed) engine.Generator.StyleChanged = true;
  return changed;
}

bool SetCutNotes(Engine& engine, bool on) {
  const int solo = engine.Notes.SoloChannel;
  if (solo < 1 || solo > 16) return false;
  StylePart part = engine.Style.Parts.Part(std::clamp(engine.Style.SelectedPart, 0, 7));
  part.SetPartHold(solo - 1, on);
  engine.Generator.StyleChanged = true;
  return true;
}

bool SetCutNotesToAllParts(Engine& engine, Dialogs& dialogs, bool on) {
  const int solo = engine.Notes.SoloChannel;
  if (solo < 1 || solo > 16 || !dialogs.AskYesNo(kCutNotesToAll)) return false;
  for (int number = 0; number < kStylePartCount; ++number) {
    StylePart part = engine.Style.Parts.Part(number);
    if (!part.Empty()) part.SetPartHold(solo - 1, on);
  }
  engine.Generator.StyleChanged = true;
  return true;
}

bool SetMutingToAllParts(Engine& engine, Dialogs& dialogs) {
  if (!dialogs.AskYesNo(kMutingToAll)) return false;
  for (int number = 0; number < kStylePartCount; ++number) {
    StylePart part = engine.Style.Parts.Part(number);
    if (part.Empty()) continue;
    for (int c = 0; c < 16; ++c)
      part.SetPartMute(c, engine.Notes.ChannelMute[static_cast<size_t>(c)]);
  }
  engine.Generator.StyleChanged = true;
  return true;
}

bool DeleteTrack(Engine& engine, int channel) {
  if (channel < 0 || channel > 15) return false;
  StyleChannelTable& table = engine.Style.Channels;
  bool held = table.HasNotes(channel);
  for (int index = 0; index < kChannelRecordSize; ++index) {
    held = held || table.Value(channel, index) != 255;
    table.SetValue(channel, index, 255);
  }
  table.SetHasNotes(channel, false);
  if (held) engine.Generator.StyleChanged = true;
  return held;
}

bool MoveTrack(Engine& engine, Dialogs& dialogs, int channel) {
  if (channel < 0 || channel > 15) return false;
  const auto answer = dialogs.AskText(kMoveTrackTitle, kMoveTrackPrompt, "");
  if (!answer) return false;
  const size_t first = answer->find_first_not_of(' ');
  const size_t last = answer->find_last_not_of(' ');
  if (first == std::string::npos) return false;
  const char* begin = answer->data() + first;
  const char* end = answer->data() + last + 1;
  int target = 0;
  const auto [rest, error] = std::from_chars(begin, end, target);
  if (error != std::errc() || rest != end || target < 1 || target > 16) return false;
  StyleGenerator& generator = engine.Generator;
  generator.SourceChannel = channel;
  generator.DestinationChannel = target - 1;
  return generator.ConvertWork(GeneratorSender::Move);
}

void MeasureMarks::Mark(int measure) {
  marks_[static_cast<size_t>(written_)] = measure;
  written_ = (written_ + 1) % static_cast<int>(marks_.size());
}

int MeasureMarks::Next() {
  const int count = static_cast<int>(marks_.size());
  for (int i = 1; i <= count; ++i) {
    const int slot = (read_ + i + count) % count;
    if (marks_[static_cast<size_t>(slot)] > 0) {
      read_ = slot;
      return marks_[static_cast<size_t>(slot)];
    }
  }
  return 0;
}

}  // namespace korvel
