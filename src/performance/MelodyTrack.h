// The song's melody: the messages the player played while a song was recorded, stamped with
// the song clock, replayed in step with the chord memory, quantized, edited note by note,
// deleted and restored from the backup of the last take.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace korvel {

class Dialogs;
class TMidiOutput;
struct LiveSettings;

inline constexpr int kMelodyCapacity = 4000;
inline constexpr size_t kMelodyEventBytes = 8;

// One event as the arrangement file stores it: time (little-endian, 32 bits), status, data 1,
// data 2, and 1 when the status is a note on or note off.
struct MelodyEvent {
  uint32_t Time = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
  uint8_t NoteFlag = 0;
  bool operator==(const MelodyEvent&) const = default;
};

MelodyEvent MakeMelodyEvent(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2);
MelodyEvent DecodeMelodyEvent(const uint8_t* bytes);
void EncodeMelodyEvent(const MelodyEvent& event, uint8_t* bytes);
// Only channel messages with 7-bit data are ever stored or sent: a stray system byte would
// reset or confuse the sound module.
bool IsChannelMessage(uint8_t status, uint8_t data1, uint8_t data2);
bool IsNoteOn(const MelodyEvent& event);
bool IsNoteOff(const MelodyEvent& event);

// Quantize grids in clock ticks: "1/32", "1/24", "1/16", "1/8".
inline constexpr std::array<int, 4> kMelodyQuantizeGrids{3, 4, 6, 12};

class MelodyTrack {
 public:
  // Settings.
  int Channel = 0;                      // "Channel", 0..15
  bool ReferToOriginalChannels = true;  // " Refer to original channels"
  bool StoreControllerValues = true;    // " Store && Receive Controller-Values"
  bool Recording = false;               // "&Record"
  bool Playing = true;                  // "&Play"

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  const MelodyEvent& Event(int index) const { return events_[static_cast<size_t>(index)]; }
  std::span<const MelodyEvent> Events() const {
    return {events_.data(), static_cast<size_t>(count_)};
  }
  // The next event to play or to record.
  int Position() const { return index_; }

  // A loaded song's melody; it is also the backup, so Quantize and Restore start from it.
  // Takes at most kMelodyCapacity events.
  void Load(std::span<const MelodyEvent> events);
  // A new song: no melody and no backup.
  void Clear();

  // The "&Record" menu item. Switching on over a melody asks "Replace current melody ?"; No
  // leaves recording off. Recording records on `selChannel` and switches "&Play" on.
  // Switching off ends the take: it becomes the backup that Quantize and Restore start from.
  void ToggleRecord(Dialogs& dialogs, int selChannel);
  // A message the player played at `songClock`. `transposeApplied` is what the keyboard
  // routing added to its note; the melody keeps the note as played, and playback adds the
  // transposition of its own time. Ignored unless recording; a full track takes no more.
  void RecordMelodyEvent(uint32_t songClock, uint8_t status, uint8_t data1, uint8_t data2,
                         int transposeApplied);

  // Called on every clock while the chord memory plays: sends every event due at `songClock`
  // through `thru`, transposed by `keyTranspose`, with "Minus One" from `live`.
  void PlayMelodyTick(uint32_t songClock, TMidiOutput& thru, LiveSettings& live, int keyTranspose);
  // A note-on sent for the channel's activity lamp.
  std::function<void(int channel)> ChannelActivity;

  // The song starts at `clock` (0 = its first beat): playback and recording go on from the
  // first event at or after it.
  void Seek(uint32_t clock);
  // A repeat or loop of the chord memory jumps back to a saved Position(): sounding notes are
  // released, and a take being recorded ends here with its backup.
  void JumpBack(int position, TMidiOutput& thru);
  // The transport stopped: sounding notes are released; a take keeps its backup.
  void TransportStopped(TMidiOutput& thru);
  // The "&Play" menu item; switching off releases what sounds.
  void TogglePlay(TMidiOutput& thru);
  // Note-offs for every note the melody holds on.
  void ReleaseSounding(TMidiOutput& thru);

  // "&Delete": asks "Delete Melody ?" when there is a melody. The backup stays for Restore.
  void Delete(Dialogs& dialogs);
  // "R&estore": the last take (or the loaded melody) comes back.
  void Restore();
  // Restore would change the melody.
  bool DiffersFromBackup() const;
  // "&Quantize": every note-on moves to the nearest line of `grid` ticks (half way rounds
  // down) and its note-off moves with it, so the note keeps its length. Always starts from the
  // backup, so a second quantization does not build on the first. The events are not
  // re-sorted. The transport must be stopped.
  void Quantize(int grid);

  // The note editor; the transport must be stopped. The cursor visits note-ons only.
  int EditIndex() const { return editIndex_; }
  // The first note-on at or after the cursor; false when there is none.
  bool EditFirst();
  bool EditNext();
  bool EditPrevious();
  // Gives the note-on under the cursor the note (octave + 1) x 12 + pitch class, and its
  // note-off the same, so the new pitch ends where the old one did.
  void ChangeEditNote(int octaveIndex, int noteIndex);
  // Sounds the note under the cursor on the melody channel; SilenceEditNote ends it. A second
  // sound first ends the first.
  void SoundEditNote(TMidiOutput& thru);
  void SilenceEditNote(TMidiOutput& thru);

 private:
  void Erase();
  void TakeBackup();
  // A take ends: held keys get their note-offs at the last clock, and the take is the backup.
  void CloseTake();
  int PairedNoteOff(int noteOn) const;

  std::array<MelodyEvent, kMelodyCapacity> events_{};
  std::array<MelodyEvent, kMelodyCapacity> backup_{};
  int count_ = 0;
  int backupCount_ = 0;
  int index_ = 0;
  int editIndex_ = 0;
  int auditionPitch_ = -1;
  int auditionChannel_ = 0;
  // For each played channel and stored note: the channel and pitch sent for its note-on
  // (0 = not sounding, else pitch + 1), so that the note-off reaches what was struck.
  std::array<std::array<uint8_t, 128>, 16> soundingPitch_{};
  std::array<std::array<uint8_t, 128>, 16> soundingChannel_{};
  // For each channel and sent note being recorded: the stored note of its note-on + 1.
  std::array<std::array<uint8_t, 128>, 16> recordedPitch_{};
  int heldCount_ = 0;   // keys struck in the take and not yet released
  uint32_t clock_ = 0;  // the latest song clock played or recorded
  bool releaseDue_ = false;
};

}  // namespace korvel
