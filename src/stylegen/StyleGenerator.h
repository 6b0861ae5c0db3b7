// The style generator's core: it finds the chords of the work material (into the chord
// memory), converts the material to C major over those chords, transposes, restores and moves
// events, and starts new work. The generator window binds its controls to the fields below and
// calls the operations from its handlers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/PerformanceState.h"
#include "engine/Style.h"
#include "engine/StylePlayer.h"
#include "engine/Transport.h"
#include "midi/ChannelState.h"
#include "midi/MidiPorts.h"
#include "performance/ChordRecognition.h"
#include "performance/SongTransport.h"
#include "platform/Dialogs.h"
#include "stylegen/ChordAnalysis.h"
#include "stylegen/ConversionTables.h"

namespace korvel {

// What started a walk: the buttons and menu items of the generator.
enum class GeneratorSender {
  GenerateChords,   // "Generate Chords"
  ConvertAll,       // "Convert all to Style", menu "2. Convert all to style ..."
  ConvertMeasures,  // "Convert measures to Style", menu "&Convert Part"
  ConvertStyle,     // "Convert style" (pop-up), once per part
  RestorePart,      // "&Restore Part"
  OctaveUp,         // "Oct. up"
  OctaveDown,       // "Oct. down"
  ToneUp,           // "Tone up"
  ToneDown,         // "Tone down"
  Move,             // "Move events from source to destination"
  NewMenu,          // "New" (pop-up)
};

// The last measure the generator's range controls, navigation and capture reach.
inline constexpr int kMostGeneratorMeasures = 999;

// The range controls of one mode: song mode "Start with ..." measure and beat and "Stop at
// ..." measure; style mode LoopStart measure and beat and LoopEnd measure. 0 = to the end.
struct GeneratorRange {
  int FirstMeasure = 1;  // 1..999
  int Beat = 1;          // 1..4
  int LastMeasure = 0;   // 0..999
};

inline constexpr int kNoSettingsCode = -1;

// The thirteen settings a channel's sound is made of, in the order they are exchanged:
// controllers 0, 32, 1, 7, 10, 11, 64, 66, 67, 91, 93, program, channel pressure.
inline constexpr std::array<int, 13> kChannelSettingIndexes = {0,  32, 1,  7,  10, 11, 64,
                                                               66, 67, 91, 93, 96, 97};

// The lists' values: "Mode ..." (variety) and "Sensitivity ...".
inline constexpr std::array<int, 4> kVarietyValues = {0, 3, 9, 16};
inline constexpr std::array<int, 4> kSensitivityValues = {1, 2, 4, 500};

// The parts of the generator's work that other windows own. Unset hooks are skipped.
struct GeneratorHooks {
  // "Save Style as ..." after "Save Style first ?" was answered Yes.
  std::function<void()> SaveStyle;
  // "C. Reset" on the main window.
  std::function<void()> ControllerReset;
  // New chords are in the chord memory ("Generate Chords"): the song editor shows them.
  std::function<void()> ChordsGenerated;
};

class StyleGenerator {
 public:
  StyleGenerator(Style& style, Transport& transport, StylePlayer& player, SongTransport& song,
                 ChordRecognition& recognition, ChordValue& chord, NoteBookkeeping& notes,
                 LiveSettings& live, ChannelState& sent, MidiPorts& ports, Dialogs& dialogs);

  // Settings (controls of the generator window; lists hold their indexes).
  GeneratorRange SongRange;    // song mode
  GeneratorRange LoopRange;    // style mode
  int ChordIntervalIndex = 1;  // "Change Chord per Measure ...": "1/4" .. "2/1", beats = + 1
  int VarietyIndex = 2;        // "Mode ...": "1 Major" .. "4 Special"
  int SensitivityIndex = 1;    // "Sensitivity ...": "1 Low" .. "4 Extreme"
  int ConvertMode = kDefaultConvertMode;  // "Convertmode ...": 0..6
  bool AdjustOctave = false;              // "Adjust ..."
  bool ConfirmNewChords = true;           // "Confirm"
  int SourceChannel = 0;                  // 0..15, shown 1..16
  int DestinationChannel = 0;
  // "Convert style" pop-up options.
  bool KeepIntroEnding = true;     // "Don't convert intro && ending"
  bool KeepBasicExtended = false;  // "Don't convert basic && extended"
  bool KeepFills = false;          // "Don't convert fills"
  bool PlayIntro = false;          // "Play Intro": New selects the intro instead of Basic

  // State.
  int32_t RangeStart = kFirstBeatPos;        // song positions: the first beat of the range and
  int32_t RangeEnd = kFirstBeatPos;          // the first beat after it
  int32_t StopPosition = 0;                  // where the player stops in the material
  int StoredSettingsCode = kNoSettingsCode;  // of the chords in the chord memory
  bool RestoreCopyPending = false;           // set by every import or load
  bool StyleChanged = false;                 // unsaved changes
  // The player plays the generator's material (not the main accompaniment).
  bool Playing = false;
  // The fill slot "Variation Basic" or "Variation Extended" chose last (kFillBasic or
  // kFillExtended), -1 after a fill entry: setting that slot marks it as a variation.
  int LastVariationChoice = -1;
  // Per channel: the last converted note that was a C, -1 = none.
  std::array<int, 16> OctaveMemory{};
  // The live channel's controllers 0..95 and program before an import or load (255 = none).
  std::array<uint8_t, 97> SavedLiveSettings{};

  GeneratorHooks Hooks;

  // The list values the settings stand for.
  int ChordIntervalBeats() const { return ChordIntervalIndex + 1; }
  int ChordVariety() const;
  int ChordSensitivity() const;
  int SettingsCode() const {
    return ChordIntervalIndex + 10 * VarietyIndex + 100 * SensitivityIndex;
  }
  bool WorkEmpty() const;
  // The generator's "converted" mark: the style's converted flag, which conversions set and
  // "Restore Original", "Restore all" and a reset clear.
  bool Converted() const { return style_.Channels.Converted(); }

  // The range of the current mode (song or style mode) becomes the work range; the recorder
  // position and the stop position follow it.
  void SetupWorkRange();
  // "Generate Chords" (which asks before replacing chords) and the first step of converting.
  // False when nothing was analysed.
  bool AnalyseChords(GeneratorSender sender);
  // One walk over the material, by sender; true when something was converted, moved or
  // transposed.
  bool ConvertWork(GeneratorSender sender);
  // "Convert all to Style", "Convert measures to Style" and each part of "Convert style":
  // the chords are found when needed and the material converted over them.
  bool ConvertAll(GeneratorSender sender);
  // "Convert style": every set part not excluded by the three options, from the last down.
  void ConvertStyle();
  // Empties the generated style (asking to save first in style mode with unsaved changes).
  void ResetGeneratedStyle();
  // "New" (with its sender; asks before unsaved work is replaced) and the silent reset that
  // imports use (no sender). False when the question was answered No.
  bool NewWork(std::optional<GeneratorSender> sender);
  // After an import, a load or a recording: the style's channel settings are sent and the
  // live keyboard gets a channel the style leaves free. `restore` also gives the live channel
  // the settings saved before (`SavedLiveSettings`).
  void PlaceKeyboardChannel(bool restore);
  // Before an import or load: the live channel's current settings become SavedLiveSettings.
  void SaveLiveChannelSettings();
  // Sends one channel's settings as the current-settings record (`sent`) holds them through
  // the play port; `reset` sends a missing program as 0.
  void SendChannelSettings(int channel, bool reset);
  // "Measures 1 - n available for stylecreating !" when the position found last lies beyond
  // chunk 0.
  bool RangeInFirstChunk();

 private:
  bool AskModify();
  // The chords of the memory stay when they were found with the current settings (corrected
  // by hand or not); otherwise new ones are found, after "Generate new Chords ?" when that
  // replaces chords the analysis did not write, or any chords with "Confirm".
  void ChordsForConversion(bool convertAll);
  bool PassesSoloAndMute(int channel) const;
  void AfterMove(bool movedAny);
  void TakeRestoreCopyIfPending();
  int MeasureSixteenths() const;
  GeneratorRange& CurrentRange() { return style_.StyleMode ? LoopRange : SongRange; }

  Style& style_;
  Transport& transport_;
  StylePlayer& player_;
  SongTransport& song_;
  ChordRecognition& recognition_;
  ChordValue& chord_;
  NoteBookkeeping& notes_;
  LiveSettings& live_;
  ChannelState& sent_;
  MidiPorts& ports_;
  Dialogs& dialogs_;
  // The chord memory as the last analysis wrote it: chords that differ were corrected by hand.
  ChordMemory analysed_;
};

}  // namespace korvel
