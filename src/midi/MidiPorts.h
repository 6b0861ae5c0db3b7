// The main window's four MIDI ports and its MIDI page: the output and input device lists, opening
// the chosen devices (one device is never open twice), the port roles, the volume sliders, and
// noticing a device that went away.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "midi/TMidiInput.h"
#include "midi/TMidiOutput.h"
#include "platform/Dialogs.h"

namespace korvel {

inline constexpr const char* kNoDevice = "<None>";

// What the port logic asks of parts built on top of it. Unset hooks are skipped.
struct MidiPortHooks {
  // Operates the MIDI clock switch once, exactly as a press of the clock button.
  std::function<void()> ToggleClock;
  // Resets all controllers and refreshes the instrument display after an output was opened.
  std::function<void()> ResetAllControllers;
  // Silences every channel of the port (the play port, before its role moves).
  std::function<void(TMidiOutput&)> SilencePort;
};

class MidiPorts {
 public:
  MidiPorts(MidiDevices& devices, InputCallbackSettings& settings, Dialogs& dialogs,
            InputDispatch dispatch = InputDispatch::Thread);

  TMidiOutput MidiOutput1;  // "MIDI out"
  TMidiOutput MidiOutput2;  // "Korvel out"
  TMidiInput MidiInput1;    // "Ext. MIDI in", the keyboard
  TMidiInput MidiInput2;    // "MIDI in", from an external MIDI application
  MidiPortHooks Hooks;

  // Roles: which output the style player, the chord signals, MIDI clock and chord codes use.
  TMidiOutput* PlayPort;
  TMidiOutput* SignalPort;
  TMidiOutput* ClockOutPort;
  TMidiOutput* ChordCodePort;
  // Radio groups "Midiout", "Clickout", "Chordsout": 0 = MIDI out, 1 = Korvel out.
  int MidiOutGroup = 0;
  int ClickOutGroup = 0;
  int ChordsOutGroup = 0;

  // The lists: output devices, then the mapper entry, then "<None>"; input devices, then
  // "<None>". The selections are indexes into them, -1 when nothing is selected.
  const std::vector<std::string>& OutputList() const { return outputList_; }
  const std::vector<std::string>& InputList() const { return inputList_; }
  int ComboBox1 = -1;      // "MIDI out"
  int ComboBox5 = -1;      // "Korvel out"
  int ExtMidiInList = -1;  // "Ext. MIDI in"
  int MidiInList = -1;     // "MIDI in"

  // Looks for devices again and rebuilds both kinds of list from what is there now.
  void FillDeviceLists();
  // A stored selection as the configuration keeps it, turned into a list index.
  int OutputSelectionFor(int stored) const;
  int InputSelectionFor(int stored) const;
  // What a stored selection means when it is saved again: -1 for the mapper, -2 for "<None>".
  int StoredOutputSelection(int selection) const;

  void OpenOutputPort(int& selection, TMidiOutput& port);
  void OpenInputPort(int& selection, TMidiInput& port);
  // The list-change handlers of the MIDI page.
  void ComboBox1Change();
  void ComboBox5Change();
  void ExtMidiInChange();
  void MidiInChange();
  // The radio groups.
  void MidioutClick(int index);
  void ClickoutClick(int index);
  void ChordsoutClick(int index);

  // Sliders "Left" and "Right" (0..100) with "Lock"; sent to MIDI out while it is open.
  int VolumeLeft = 100;
  int VolumeRight = 100;
  bool VolumeLock = true;
  void SetVolumeLeft(int position);
  void SetVolumeRight(int position);
  static uint16_t VolumeValue(int position);

  // Takes a fresh listing of the devices: a port whose device went away (an unplugged
  // keyboard) is closed with a message, new devices join the lists, selections follow their
  // devices. True when the lists or the selections changed.
  bool CheckDevices(MidiDevices::Listing now);

 private:
  void CloseOutput(TMidiOutput& port);
  void ReportOpenFailure(uint16_t error, const std::string& device, const std::string& why);
  std::string SelectedText(const std::vector<std::string>& list, int selection) const;
  // The roles after a list change: by the radio groups, and the clock switch operated once.
  void RecomputeRoles();
  void AssignRoles();
  void ApplyVolume();
  int Reselect(const std::vector<std::string>& list, const std::string& name) const;
  void BuildLists();

  MidiDevices& devices_;
  Dialogs& dialogs_;
  std::vector<std::string> outputList_;
  std::vector<std::string> inputList_;
};

}  // namespace korvel
