// Importing a Standard MIDI File into the style generator, as a song to play and the raw
// material of a new style: the file is read and checked whole first; only then does it take the
// place of the work (or, in append mode, follow it on the next bar line), and the channel
// settings, tempo and metre it brings are applied.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "stylegen/MidiImport.h"

namespace korvel {

class Engine;
class Dialogs;
class View;

inline constexpr const char* kReplaceWork = "Replace current work ?";
inline constexpr const char* kChordsScratchFile = "CHORDS.KV$";

struct MidiImportSettings {
  std::string ImportFolder;     // the folder of the last file imported while the program runs
  std::string SongFolder;       // where the open dialog starts before the first import
  bool ShowProgress = true;     // "Progressbars"
  bool OptimizeTiming = false;  // "    Try to optimize timing"
  bool KeepMetre = false;       // "Don't get metrum from file"
  // The writable folder of scratch files; CHORDS.KV$ there goes after a silent import.
  std::string ScratchFolder;
  // The generator window's caption when it was created; a file's name is put before it.
  std::string GeneratorCaption;
};

// The generator's and the main window's parts of an import. Each runs under the engine lock;
// one that is not set is skipped.
struct MidiImportHooks {
  // The generated style has unsaved changes / marks them.
  std::function<bool()> StyleChanged;
  std::function<void(bool changed)> SetStyleChanged;
  // Keeps the live channel's settings record before its channel may be taken by the file.
  std::function<void()> SaveLiveChannelSettings;
  // Before the file takes the place of the work: the generator's reset (which may ask "Save
  // Style first ?") and its New without a sender (range controls, lists, captions).
  std::function<void()> ResetGeneratedStyle;
  std::function<void()> NewWork;
  // The file's time signature chose this "Change Chord per Measure ..." item.
  std::function<void(int item)> SetChordInterval;
  // Sends the channel table's settings and finds the keyboard's channel.
  std::function<void(bool restore)> PlaceKeyboardChannel;
  // The first channel without notes becomes the live channel (a song list entry sets its own
  // afterwards).
  std::function<void()> ChooseLiveChannel;
  // "C. Reset", "Release all", the all-channels command, the harmonic pad and the channel list.
  std::function<void()> RefreshMainWindow;
  // The generator's caption, "Last 4 measures", "Restore Original" and "Restore all".
  std::function<void(const std::string& caption)> ShowImported;
};

class MidiFileImport {
 public:
  MidiFileImport(Engine& engine, Dialogs& dialogs, View& view);

  MidiImportSettings Settings;
  MidiImportHooks Hooks;
  // "Import style part ...": the next file follows the work instead of replacing it. Every
  // import clears it, also one that fails.
  bool AppendMode = false;
  // The file chosen by an import of "*".
  std::string ChosenFile;

  // `fileName` empty: the open dialog asks (unless `silent`); "*": only asks and remembers the
  // choice. `keepLeadingSilence` is false from the generator, whose "    Try to optimize
  // timing" then applies. `silent`: no question, dialog, progress or caption. False when
  // nothing was imported (declined, cancelled, or the file refused, which the user is told).
  bool ImportMidiFile(const std::string& fileName, bool keepLeadingSilence, bool silent);
  // The bytes of the file `path`, read and checked, then applied; false when they are refused
  // (the user is told why) and nothing has changed.
  bool TakeMidiFile(const std::string& path, std::span<const uint8_t> bytes,
                    bool keepLeadingSilence, bool silent);

 private:
  bool ChooseFile(bool append, std::string& path);
  // "Replace current work ?" was answered Yes for the file chosen.
  bool replaceConfirmed_ = false;
  bool Take(const std::string& path, std::span<const uint8_t> bytes, bool keepLeadingSilence,
            bool silent, bool append);
  void Apply(MidiReadResult& result, const std::string& path, bool silent);

  Engine& engine_;
  Dialogs& dialogs_;
  View& view_;
};

}  // namespace korvel
