// The mixer and the instrument choice: what each channel plays and how loud, panned and wet,
// the twelve instrument keys, and the resets a GM, GS or XG sound module understands. Every
// message goes to the play port and is skipped while that port is busy with a
// system-exclusive transfer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/InstrumentList.h"
#include "app/KeySlots.h"

namespace korvel {

class Engine;
class Dialogs;
class Configuration;

// The scroll bars, in the order of `Mixer::Bars`.
enum MixerBar {
  kBarVolume,
  kBarPan,
  kBarReverb,
  kBarChorus,
  kBarModulation,
  kBarExpression,
  kBarSustain,
  kBarAftertouch,
  kBarCount
};

enum class DeviceReset { Gm, Gs, Xg };

inline constexpr const char* kResetDone = "MIDI-Reset is done !";

struct MixerHooks {
  // A system-exclusive message of a reset has been played; may come from the driver's
  // thread. The owner calls `FinishDeviceReset` on its own thread under the engine lock.
  std::function<void()> ResetMessagePlayed;
  // The mixer's values changed without the panel: an instrument key changed the live
  // channel's instrument and mixer values, or a loaded style brought its channel settings.
  // Comes from whichever thread did it, under the engine lock.
  std::function<void()> ValuesChanged;
};

class Mixer {
 public:
  Mixer(Engine& engine, Dialogs& dialogs);

  InstrumentList List;
  int Selected = -1;                             // the instrument box's line
  std::array<uint16_t, 16> ChannelInstrument{};  // the line last chosen per channel
  std::array<int, kBarCount> Bars = {105, 64, 64, 0, 0, 127, 0, 0};
  KeySlots Keys;
  bool FixChanges = false;     // "Fix changes"
  bool Solo = false;           // "SOLO"
  int DefinedReverb = 0;       // "RevV": every channel but 10
  int DefinedReverbDrums = 0;  // "Rev10V": channel 10
  std::string ProgramDir;
  MixerHooks Hooks;

  // The main window's send operation.
  bool OutputBusy() const;
  void Send(uint8_t status, uint8_t data1, uint8_t data2);

  // Loads `patch` (a file of the program folder when relative) or, when empty or unreadable,
  // the built-in list, then applies the stored key set (empty: the default set).
  void LoadInstrumentList(const std::string& patch, const std::string& storedSet);
  // A list file named in the settings, found in the program folder when relative.
  std::string ListFilePath(const std::string& patch) const;
  // The "*.kvi" files of the program folder, sorted.
  std::vector<std::string> InstrumentSetFiles() const;
  // The file for a sound-card mode: the first whose name holds the mode's, else the first.
  std::string SoundcardSetFile(int mode) const;
  // The instrument-set file for a sound-card mode (0 GM, 1 GS, 2 SC-55, 3 XG), loaded; the
  // returned name is what `Patch` becomes.
  std::string SelectSoundcardSet(int mode, const std::string& storedSet);

  // The instrument box chose line `index` for the live channel; `byUser` also writes the
  // choice into the loaded style.
  void SelectInstrument(int index, bool byUser);
  // A scroll bar moved to `value`; `byUser` also writes it into the loaded style.
  void MoveBar(MixerBar bar, int value, bool byUser);
  // The channel list chose a channel: it becomes the live channel (and the solo channel
  // with "SOLO"), the instrument box shows its instrument.
  void ChooseChannel(int channel);
  // The sent values of a channel as the mixer's number fields show them: MSB, LSB, volume,
  // pan - 64, reverb, chorus, expression, program; empty where nothing was sent.
  std::array<std::string, 8> SentValues(int channel) const;
  // " Ch. 01 : Acoustic Grand Piano" .. for the channel list.
  std::string ChannelLine(int channel) const;

  void SendValues();  // "Send Values"
  // A channel's instrument, volume, pan, reverb and chorus as the mixer holds them (the
  // harmonic pad's channel after the module may have lost them).
  void SendChannelRecord(int channel);
  void ControllerReset();  // "C. Reset"
  void AllNotesOff();      // "All notes off"
  // The reverb of every channel with notes in the style: 128 makes it 0 ("Rev 0", "Reverb
  // off"), 129 the defined reverb ("Reverb defined").
  void ReverbStep(int step);
  // "Normalize Volume" as loading a style applies it: the loudest volume the style's channel
  // table sets comes to `maxVolume` ("Max. Volume"; below 90 counts as 100), every other set
  // volume moves by as much, and each new volume is sent to its channel. From the generator's
  // button `maxVolume` counts as it is and the mixer shows the new volumes too.
  void NormalizeStyleVolume(int maxVolume, bool fromButton = false);
  // The loaded style's channel settings become the mixer's: each channel record takes the
  // volume, pan, reverb, chorus, modulation, banks and program the style sets, the instrument
  // box the line of the live channel's instrument, the scroll bars its values.
  void TakeStyleChannels();

  void StartDeviceReset(DeviceReset kind);
  // The rest of a reset once its last message has been played: the live set-up again.
  void FinishDeviceReset();
  bool ResetPending() const { return reset_.Pending; }
  // The live set-up a reset ends with: the pad on channel 16, channels 1, 15 and 16 set up
  // from the scroll bars, the keyboard split applied ("Set Startvalues").
  void LiveSetUp();
  // The play port's driver has played a system-exclusive message (any thread).
  void SysexPlayed();

  // An instrument key: its instrument with its mixer values on the live channel, or its
  // function.
  void PlaySlot(int slot);
  // Shift+Ctrl+F1..F12: the chosen instrument and the scroll bars become the key's.
  void StoreSlot(int slot);
  // Stored sets 1..10 ("Load No.", "Save as No.").
  bool LoadStoredSet(int number, const Configuration& settings);
  void SaveStoredSet(int number, Configuration& settings);
  std::mt19937 Random{std::random_device{}()};

 private:
  void RestartClock();
  void SendInstrument(int channel, int index, bool byUser);
  void SendController(int channel, uint8_t controller, int value);
  // The line of the instrument list that selects this program and these banks, or -1.
  int InstrumentLine(uint8_t program, uint8_t msb, uint8_t lsb) const;

  Engine& engine_;
  Dialogs& dialogs_;
  struct ResetState {
    bool Pending = false;
    bool ClockWasOn = false;
  } reset_;
};

}  // namespace korvel
