// Loading a style file into the generator: the questions before, the tables and material, the
// settings the style brings (tempo, intro, metre), captions, the analysis of its parts, and the
// clock switched on so the style can play at once.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "engine/Style.h"
#include "engine/Transport.h"
#include "platform/Dialogs.h"

namespace korvel {

inline constexpr int kWrongStyleFileHelpTopic = 29;

// Settings of other windows that loading reads.
struct StyleLoadSettings {
  std::string InstrumentSetName;  // the chosen instrument set ("GM.KVI", "SC-55.KVI", ...)
  bool NormalizeVolume = false;   // "Normalize Volume"
  int MaxVolume = 100;            // "Max. Volume", its target
  bool IntroFirst = false;        // the generator's "Intro ..." option
  bool RememberStyleFolder = true;
  std::string StyleFolder;  // where the open dialog starts
  std::string ProgramDir;   // the STYLES folder below it is searched when reloading by name
};

// The parts of loading that other parts of the program own. Unset hooks are skipped.
struct StyleLoadHooks {
  std::function<bool()> ChordMemoryBusy;  // playing or recording: no loading
  std::function<void()> StopPlayback;     // the main window's Stop command, when playing
  std::function<void(int topic)> ShowHelp;
  std::function<void()> StopFilePlayer;
  std::function<void()> SaveLiveChannelSettings;
  std::function<void()> ResetGeneratedStyle;
  std::function<void()> ReleaseAllPads;
  std::function<void()> DisableWorkSave;
  std::function<void()> NormalizeVolumes;
  std::function<void()> ApplyReverbOptions;
  std::function<void()> DistributeToMixer;
  std::function<void(const std::string& styleName)> ShowStyleName;
};

class StyleLoader {
 public:
  StyleLoader(Style& style, Transport& transport, Dialogs& dialogs)
      : style_(style), transport_(transport), dialogs_(dialogs) {}

  // From the "Open style ..." button (with the open dialog), or to reload the style named in
  // the style's file name (an arrangement, a song list).
  void LoadStyle(bool fromButton);
  // The style manager's lists: the style file `path`, or the file of that name in the
  // program's STYLES folder when it has been moved there. False when nothing was loaded (the
  // user has been told why).
  bool LoadStyleFile(const std::string& path);
  // The bytes of the style file `path`, read and checked: when the style can play it takes the
  // place of what the generator holds; otherwise the reason is told, nothing has changed and
  // the result is false.
  bool TakeStyleFile(const std::string& path, std::span<const uint8_t> bytes);
  // "Restore Original" (`fromButton`, which asks first) and "Restore all": the material as it
  // was loaded or imported comes back, unconverted, and playback stops.
  void RestoreOriginal(bool fromButton);
  // The channel table's settings reach the program as when a style is loaded: volumes,
  // reverb, mixer, tempo, start measure and metre.
  void ApplyChannelTable();

  StyleLoadSettings Settings;
  StyleLoadHooks Hooks;

 private:
  bool ChooseFile(bool fromButton, std::string& path);
  // `path` if it exists, else the same name in the STYLES folder, else "Style not found !".
  bool FindStyle(std::string& path);
  // Busy or a song that must not be replaced: nothing may load now.
  bool MayLoad();
  // Material of the generator that is not a style goes only after "Replace current work ?".
  bool MayReplaceWork();
  bool ReadAndTake(const std::string& path);

  Style& style_;
  Transport& transport_;
  Dialogs& dialogs_;
  std::string lastChosen_;
};

}  // namespace korvel
