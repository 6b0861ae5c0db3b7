// "File Player": plays MIDI files as they are on any output ("Use MCI"), or hands songs to the
// main window's own playback. It also opens every song the song list chooses, and steps the
// list on when a file ends.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "app/MidiFilePlayer.h"
#include "app/SongList.h"
#include "platform/PacedThread.h"

namespace korvel {

class TSongs;

class TMP : public QWidget {
  Q_OBJECT

 public:
  // The "Use MCI" choice is kept in `settings` ("MCIPl").
  TMP(Engine& engine, MidiDevices& devices, Dialogs& dialogs, Configuration& settings,
      TSongs& songs, QWidget* parent = nullptr);
  ~TMP() override;

  // Opens a song: a MIDI file with "Use MCI" plays here, anything else goes to OpenOwnMode.
  // Either way the other kind of playback stops first. False when it could not be opened.
  SongOpening OpenSong(const std::string& path);
  // The main window opens an arrangement or a MIDI file for its own playback, and plays it
  // with `play` ("AutoStart").
  std::function<SongOpening(const std::string& path, bool play)> OpenOwnMode;
  // The main window's Play (of the song opened from a path) and Stop, which the media buttons
  // drive in the own mode.
  std::function<void(const std::string& path)> OwnPlay;
  std::function<void()> OwnStop;
  // The tempo field shows the tempo of the file just opened.
  std::function<void(int bpm)> TempoShown;
  // The musician set the tempo field (typed, stepped or tapped): the file here plays at that
  // tempo. Tempos the program sets (styles, presets, the clock) leave the file alone.
  void TempoSetByHand(int bpm);
  int Tempo();  // the file's tempo as it plays
  // The stored "Use MCI" and "MCI-OUT" choices, once the settings are loaded.
  void LoadSettings();
  // A playlist of several songs plays each song once.
  void PlayEachOnce() { Repeat->setChecked(false); }
  // The loop end was reached without "Repeat": the song list's next song is opened while the
  // list plays. Polled
  // on the GUI thread, so nothing of it runs on the pacing thread.
  void CheckCompleted();
  // The clipboard button and the program's activation: clipboard text that names an existing
  // MIDI file (a path or a file URI) is opened, once; the clipboard stays as it is.
  void TakeClipboard();
  // "Import MIDI": one file opens; several become the playlist and play one after another.
  void ImportFiles();
  // Shows the position, the buttons' states and the output list again.
  void Refresh();

  MidiFilePlayer& Core() { return player_; }  // under the engine lock

  QLabel* Title;
  QPushButton* ImportMidi;
  QPushButton* LoopStart;
  QPushButton* LoopEnd;
  QPushButton* Songlist;
  QPushButton* Play;
  QPushButton* Pause;
  QPushButton* Stop;
  QPushButton* Next;
  QPushButton* Prev;
  QPushButton* Step;
  QPushButton* Back;
  QPushButton* Clipboard;  // "Get filename from clipboard"
  QCheckBox* AutoStart;
  QCheckBox* Repeat;
  QCheckBox* UseMci;
  QComboBox* Output;  // "MCI-OUT"
  QSlider* Position;  // in file ticks

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing stops the file and closes the song list.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs `action` on the player under the engine lock, then shows the state again.
  void Act(const std::function<void()>& action);

  Engine& engine_;
  Dialogs& dialogs_;
  Configuration& settings_;
  TSongs& songs_;
  MidiFilePlayer player_;
  std::function<void()> stopBefore_;  // the Stop work of the others, which goes first
  // After the player: it goes first, joined without the engine lock.
  std::unique_ptr<PacedThread> clock_;
  QTimer poll_;
  // The media buttons by mode: the file player's song (MCI mode) or Korvel's own playback.
  void Media(const std::function<void()>& mci, const std::function<void()>& own);
  std::string midiFolder_;  // where "Import MIDI" opened last
  bool mciMode_ = false;    // the last song opened plays here
  std::string title_;       // the file name of the last song opened
  std::string ownSong_;     // the song the main window plays
  QString lastClipboard_;   // taken already: an activation does not open it again
};

}  // namespace korvel
