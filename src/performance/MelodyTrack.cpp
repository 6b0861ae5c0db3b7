#include "performance/MelodyTrack.h"

#include <algorithm>

#include "engine/PerformanceState.h"
#include "midi/TMidiOutput.h"
#include "platform/Dialogs.h"
#include "platform/LittleEndian.h"

namespace korvel {

namespace {

bool IsNoteType(uint8_t status) {
  const int type = status & 0xF0;
  return type == 0x80 || type == 0x90;
}

}  // namespace

MelodyEvent MakeMelodyEvent(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2) {
  return {time, status, data1, data2, static_cast<uint8_t>(IsNoteType(status) ? 1 : 0)};
}

MelodyEvent DecodeMelodyEvent(const uint8_t* bytes) {
  return {GetU32(bytes), bytes[4], bytes[5], bytes[6], bytes[7]};
}

void EncodeMelodyEvent(const MelodyEvent& event, uint8_t* bytes) {
  PutU32(bytes, event.Time);
  bytes[4] = event.Status;
  bytes[5] = event.Data1;
  bytes[6] = event.Data2;
  bytes[7] = event.NoteFlag;
}

bool IsChannelMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  return status >= 0x80 && status < 0xF0 && data1 < 0x80 && data2 < 0x80;
}

bool IsNoteOn(const MelodyEvent& event) {
  return (event.Status & 0xF0) == 0x90 && event.Data2 > 0;
}

bool IsNoteOff(const MelodyEvent& event) {
  const int type = event.Status & 0xF0;
  return type == 0x80 || (type == 0x90 && event.Data2 == 0);
}

void MelodyTrack::Load(std::span<const MelodyEvent> events) {
  Erase();
  count_ = static_cast<int>(std::min<size_t>(events.size(), kMelodyCapacity));
  std::copy_n(events.begin(), count_, events_.begin());
  TakeBackup();
}

void MelodyTrack::Clear() {
  Erase();
  backup_.fill({});
  backupCount_ = 0;
}

void MelodyTrack::Erase() {
  events_.fill({});
  count_ = 0;
  index_ = 0;
  editIndex_ = 0;
  // Notes of the erased melody may be sounding: the next tick ends them.
  releaseDue_ = true;
  recordedPitch_ = {};
  heldCount_ = 0;
}

void MelodyTrack::TakeBackup() {
  std::copy_n(events_.begin(), count_, backup_.begin());
  backupCount_ = count_;
}

void MelodyTrack::CloseTake() {
  // Keys still held get their note-off now, so that no recorded note sounds on for ever.
  for (size_t channel = 0; channel < recordedPitch_.size(); ++channel) {
    for (uint8_t& struck : recordedPitch_[channel]) {
      if (struck == 0) continue;
      if (count_ < kMelodyCapacity) {
        events_[static_cast<size_t>(count_++)] =
            MakeMelodyEvent(clock_, static_cast<uint8_t>(0x80 | channel), struck - 1, 0);
      }
      struck = 0;
    }
  }
  heldCount_ = 0;
  index_ = std::min(index_, count_);
  TakeBackup();
}

void MelodyTrack::ToggleRecord(Dialogs& dialogs, int selChannel) {
  if (Recording) {
    Recording = false;
    CloseTake();
    return;
  }
  if (count_ > 0) {
    if (!dialogs.AskYesNo("Replace current melody ?")) return;
    Erase();
  }
  Recording = true;
  Channel = selChannel;
  Playing = true;
}

void MelodyTrack::RecordMelodyEvent(uint32_t songClock, uint8_t status, uint8_t data1,
                                    uint8_t data2, int transposeApplied) {
  if (!Recording || !IsChannelMessage(status, data1, data2)) return;
  clock_ = std::max(clock_, songClock);
  const bool noteOn = (status & 0xF0) == 0x90 && data2 > 0;
  const bool tracked = IsNoteType(status) && (status & 0x0F) != kDrumChannel;
  const bool releasesHeldKey = tracked && !noteOn && recordedPitch_[status & 0x0F][data1] != 0;
  // The track keeps room for the note-offs of the keys held, so every note it holds ends.
  if (index_ + (releasesHeldKey ? 1 : heldCount_ + 1) > kMelodyCapacity) return;
  if (tracked) {
    // A note-off keeps its note-on's stored pitch, however the transposition changed since.
    uint8_t& struck = recordedPitch_[status & 0x0F][data1];
    if (releasesHeldKey) {
      data1 = static_cast<uint8_t>(struck - 1);
      struck = 0;
      --heldCount_;
    } else {
      const auto stored = static_cast<uint8_t>(std::clamp(data1 - transposeApplied, 0, 127));
      if (noteOn && struck == 0) {
        struck = static_cast<uint8_t>(stored + 1);
        ++heldCount_;
      }
      data1 = stored;
    }
  }
  events_[static_cast<size_t>(index_)] = MakeMelodyEvent(songClock, status, data1, data2);
  // What follows the recording point belonged to the previous take; its notes sounding now
  // lose their note-offs with it, so the next tick ends them.
  if (index_ + 1 < count_) releaseDue_ = true;
  count_ = ++index_;
}

void MelodyTrack::PlayMelodyTick(uint32_t songClock, TMidiOutput& thru, LiveSettings& live,
                                 int keyTranspose) {
  clock_ = songClock;
  if (releaseDue_) {
    ReleaseSounding(thru);
    releaseDue_ = false;
  }
  while (index_ < count_ && events_[static_cast<size_t>(index_)].Time <= songClock) {
    const MelodyEvent& event = events_[static_cast<size_t>(index_++)];
    if (!Playing || !thru.IsOpen() || !IsChannelMessage(event.Status, event.Data1, event.Data2)) {
      continue;
    }
    const int type = event.Status & 0xF0;
    const int original = event.Status & 0x0F;
    const int stored = ReferToOriginalChannels ? original : Channel;
    if (!IsNoteType(event.Status)) {
      if (!StoreControllerValues) continue;
      thru.PutShort(static_cast<uint8_t>(type | stored), event.Data1, event.Data2);
      continue;
    }
    // Kept by the stored channel, so a channel choice changed while the note sounds still
    // finds it.
    auto& pitch = soundingPitch_[static_cast<size_t>(original)][event.Data1];
    auto& sentChannel = soundingChannel_[static_cast<size_t>(original)][event.Data1];
    if (IsNoteOn(event)) {
      int channel = stored;
      if (live.MinusOne && channel == Channel) {
        channel = live.SelChannel;
        live.MinusOneHold = true;
      }
      const int note = event.Data1 + (channel == kDrumChannel ? 0 : keyTranspose);
      if (note < 0 || note > 127) continue;
      if (pitch != 0) thru.PutShort(static_cast<uint8_t>(0x80 | sentChannel), pitch - 1, 0);
      pitch = static_cast<uint8_t>(note + 1);
      sentChannel = static_cast<uint8_t>(channel);
      thru.PutShort(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), event.Data2);
      if (ChannelActivity) ChannelActivity(channel);
    } else if (pitch != 0) {
      thru.PutShort(static_cast<uint8_t>(type | sentChannel), pitch - 1, event.Data2);
      pitch = 0;
    }
  }
}

void MelodyTrack::ReleaseSounding(TMidiOutput& thru) {
  for (size_t stored = 0; stored < soundingPitch_.size(); ++stored) {
    for (size_t note = 0; note < 128; ++note) {
      uint8_t& pitch = soundingPitch_[stored][note];
      if (pitch == 0) continue;
      if (thru.IsOpen()) {
        thru.PutShort(static_cast<uint8_t>(0x80 | soundingChannel_[stored][note]), pitch - 1, 0);
      }
      pitch = 0;
    }
  }
}

void MelodyTrack::Seek(uint32_t clock) {
  index_ = 0;
  while (index_ < count_ && events_[static_cast<size_t>(index_)].Time < clock) ++index_;
}

void MelodyTrack::JumpBack(int position, TMidiOutput& thru) {
  ReleaseSounding(thru);
  if (Recording) {
    CloseTake();
    Recording = false;
  }
  index_ = std::clamp(position, 0, count_);
}

void MelodyTrack::TransportStopped(TMidiOutput& thru) {
  ReleaseSounding(thru);
  releaseDue_ = false;
  if (Recording) CloseTake();
}

void MelodyTrack::TogglePlay(TMidiOutput& thru) {
  Playing = !Playing;
  if (!Playing) ReleaseSounding(thru);
}

void MelodyTrack::Delete(Dialogs& dialogs) {
  if (count_ == 0 || !dialogs.AskYesNo("Delete Melody ?")) return;
  Erase();
}

void MelodyTrack::Restore() {
  events_.fill({});
  std::copy_n(backup_.begin(), backupCount_, events_.begin());
  count_ = backupCount_;
  index_ = 0;
  editIndex_ = 0;
}

bool MelodyTrack::DiffersFromBackup() const {
  return count_ != backupCount_ ||
         !std::equal(events_.begin(), events_.begin() + count_, backup_.begin());
}

int MelodyTrack::PairedNoteOff(int noteOn) const {
  const MelodyEvent& on = events_[static_cast<size_t>(noteOn)];
  for (int j = noteOn + 1; j < count_; ++j) {
    const MelodyEvent& e = events_[static_cast<size_t>(j)];
    if (IsNoteOff(e) && (e.Status & 0x0F) == (on.Status & 0x0F) && e.Data1 == on.Data1) return j;
  }
  return -1;
}

void MelodyTrack::Quantize(int grid) {
  if (count_ == 0 || grid <= 0) return;
  if (backupCount_ == 0) TakeBackup();
  Restore();
  for (int i = 0; i < count_; ++i) {
    MelodyEvent& on = events_[static_cast<size_t>(i)];
    if (!IsNoteOn(on)) continue;
    const int64_t r = on.Time % static_cast<uint32_t>(grid);
    if (r == 0) continue;
    const int64_t delta = r > grid / 2 ? grid - r : -r;
    const int off = PairedNoteOff(i);
    on.Time = static_cast<uint32_t>(on.Time + delta);
    if (off >= 0) {
      MelodyEvent& e = events_[static_cast<size_t>(off)];
      e.Time = static_cast<uint32_t>(std::max<int64_t>(e.Time + delta, 0));
    }
  }
}

bool MelodyTrack::EditFirst() {
  for (int i = std::clamp(editIndex_, 0, count_); i < count_; ++i) {
    if (IsNoteOn(events_[static_cast<size_t>(i)])) {
      editIndex_ = i;
      return true;
    }
  }
  return false;
}

bool MelodyTrack::EditNext() {
  for (int i = editIndex_ + 1; i < count_; ++i) {
    if (IsNoteOn(events_[static_cast<size_t>(i)])) {
      editIndex_ = i;
      return true;
    }
  }
  return false;
}

bool MelodyTrack::EditPrevious() {
  for (int i = std::min(editIndex_, count_) - 1; i >= 0; --i) {
    if (IsNoteOn(events_[static_cast<size_t>(i)])) {
      editIndex_ = i;
      return true;
    }
  }
  return false;
}

void MelodyTrack::ChangeEditNote(int octaveIndex, int noteIndex) {
  if (editIndex_ >= count_ || !IsNoteOn(events_[static_cast<size_t>(editIndex_)])) return;
  const auto note = static_cast<uint8_t>(std::clamp((octaveIndex + 1) * 12 + noteIndex, 0, 127));
  const int off = PairedNoteOff(editIndex_);
  events_[static_cast<size_t>(editIndex_)].Data1 = note;
  if (off >= 0) events_[static_cast<size_t>(off)].Data1 = note;
}

void MelodyTrack::SoundEditNote(TMidiOutput& thru) {
  SilenceEditNote(thru);
  if (editIndex_ >= count_ || !thru.IsOpen()) return;
  const MelodyEvent& event = events_[static_cast<size_t>(editIndex_)];
  if (!IsNoteOn(event)) return;
  auditionPitch_ = event.Data1;
  auditionChannel_ = Channel;
  thru.PutShort(static_cast<uint8_t>(0x90 | Channel), event.Data1, event.Data2);
}

void MelodyTrack::SilenceEditNote(TMidiOutput& thru) {
  if (auditionPitch_ < 0) return;
  if (thru.IsOpen()) {
    thru.PutShort(static_cast<uint8_t>(0x80 | auditionChannel_),
                  static_cast<uint8_t>(auditionPitch_), 0);
  }
  auditionPitch_ = -1;
}

}  // namespace korvel
