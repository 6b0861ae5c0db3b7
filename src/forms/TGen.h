// "Style-Creator & Chord-Generator": the style generator window. It imports MIDI files, plays
// them in song mode, finds their chords into the chord memory and converts the material to C
// major so that it can become a style. Every control holds a field of the core's generator;
// every handler calls the core under the engine lock and shows the fields again.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <array>
#include <functional>

#include "app/Engine.h"
#include "app/MidiFileImport.h"
#include "app/PartSetImport.h"
#include "app/StyleChannelTools.h"
#include "app/StyleExportCommands.h"
#include "app/WorkFiles.h"
#include "forms/GeneratorNavigationBar.h"
#include "forms/TCapture.h"

namespace korvel {

class TStyleEvents;

class TGen : public QMainWindow {
  Q_OBJECT

 public:
  TGen(Engine& engine, MidiFileImport& import, Dialogs& dialogs, QWidget* parent = nullptr);

  // Shows the core's fields: settings, mode, ranges, what may act now, the caption.
  void Refresh();
  // "Record from MIDI in": arms the recording (the main menu then says it is ready); false
  // when nothing was armed.
  bool ArmRecording();
  // "Capture Style": the capture window beside the generator.
  void ShowCapture();
  // The mode check boxes' click: style mode on or off (song mode).
  void SwitchMode(bool styleMode);
  // The event editor this window opens ("Stylepart - Events      ").
  void SetStyleEventsWindow(TStyleEvents* window) { styleEvents_ = window; }
  // "Style-E&vents ...": the event editor on the selected part, at this window's top edge.
  void ShowStyleEvents();
  // "Play Parts": selects part 0..7 of the list; a set part then plays in style mode. False
  // without material or when the part is not set.
  bool PlayPart(int part);

  // Measure and loop navigation, and its menus.
  GeneratorNavigationBar* Navigation;
  QPushButton* StyleEventsButton;  // "Stylepart - Events      "
  QAction* TestStyleItem;          // "4. Test style"
  QAction* ClearStyleItem;         // "Clear Stylepart" (the main menu's "&Delete")

  QCheckBox* SongMode;   // "Song mode"
  QCheckBox* StyleMode;  // "Style mode"
  // Song mode: "Start with ..." measure and beat, "Stop at ..." measure (0 = to the end).
  QSpinBox* StartMeasure;
  QSpinBox* StartBeat;
  QSpinBox* StopMeasure;
  // Style mode: LoopStart measure and beat, LoopEnd measure (0 = to the end).
  QSpinBox* LoopStart;
  QSpinBox* LoopBeat;
  QSpinBox* LoopEnd;
  QLabel* MeasurePanel;           // "1:1"
  QComboBox* ChordInterval;       // "Change Chord per Measure ..."
  QComboBox* Variety;             // "Mode ..."
  QComboBox* Sensitivity;         // "Sensitivity ..."
  QComboBox* ConvertModeList;     // "Convertmode ..."
  QCheckBox* Adjust;              // "Adjust ..."
  QCheckBox* Confirm;             // "Confirm"
  QComboBox* SourceChannel;       // 1..16
  QComboBox* DestinationChannel;  // 1..16
  QPushButton* MoveButton;        // "Move events from source to destination"
  QPushButton* GenerateChords;    // "Generate Chords"
  QPushButton* ConvertAllButton;  // "Convert all to Style"
  QPushButton* ConvertMeasures;   // "Convert measures to Style"
  QPushButton* RestoreOriginal;   // "Restore Original"
  QPushButton* OctaveUp;          // "Oct. up"
  QPushButton* OctaveDown;        // "Oct. down"
  QPushButton* ToneUp;            // "Tone up"
  QPushButton* ToneDown;          // "Tone down"
  QPushButton* SaveStyle;         // "Save Style as ...     "
  QPushButton* PlayButton;        // the generator's Play
  QPushButton* StopButton;        // and Stop
  // The pop-up menu (right click, and the "..." button).
  QMenu* PopupMenu;
  QAction* ConvertStyleItem;       // "Convert style"
  QAction* RestoreStyleItem;       // "Restore style"
  QAction* NewItem;                // "New"
  QAction* KeepIntroEndingItem;    // "Don't convert intro && ending"
  QAction* KeepBasicExtendedItem;  // "Don't convert basic && extended"
  QAction* KeepFillsItem;          // "Don't convert fills"
  QAction* PlayIntroItem;          // "Play Intro"
  QAction* ExportPartItem;         // "Export style part ..."
  QMenu* ExportSetMenu;            // "Export set of style parts": "1 - 1" .. "4 - 4", "Set path"
  std::array<QAction*, 4> ExportSetItems{};
  QAction* ExportSetPathItem;  // "Set path"
  QAction* RepairStyleItem;    // "Repair style"
  // The menu bar's "&MIDI" menu, in the order of the work.
  QAction* ImportItem;          // "Import MIDI ..."
  QAction* OptimizeTimingItem;  // "    Try to optimize timing"
  QAction* KeepMetreItem;       // "Don't get metrum from file"
  QAction* ConvertAllItem;      // "2. Convert all to style or use the menu functions above"
  QAction* ConvertPartItem;     // "&Convert Part"
  QAction* RestorePartItem;     // "&Restore Part"
  QAction* SaveStyleMidiItem;   // "    -   Save style as MIDI file"
  QAction* SavePartMidiItem;    // "    -   Save selected style part as MIDI file"
  QAction* SaveItem;            // "5. Save created style"
  QAction* SetPartItem;         // "&Set Part"
  QAction* NormalizeItem;       // "3. Normalize style volume if necessary"
  // Work files and recording.
  QAction* LoadWorkItem;    // "Load Work"
  QAction* SaveWorkItem;    // "Save Work as ..."
  QAction* RecordItem;      // "Record from MIDI in"
  QAction* CaptureItem;     // "Capture Style"
  TCapture* CaptureWindow;  // "Capture Style"

  // Style parts: the list, the panel of first and last measures, the set and clear buttons.
  QListWidget* PartList;  // "Style parts"
  std::array<QLabel*, kStylePartCount> PanelFirst{};
  std::array<QLabel*, kStylePartCount> PanelLast{};
  QPushButton* SetButton;        // "Set": checked while the selected part is set
  QPushButton* SetCapsButton;    // "SET"
  QPushButton* ClearPartButton;  // "Clear Stylepart"
  // Pop-up "Import set of style parts": the eight sets, then "Set path".
  QMenu* PartSetMenu;
  std::array<QAction*, 8> PartSetItems{};
  QAction* ImportSetPathItem;       // "Set path"
  QAction* RemovePercussionItem;    // "Remove percussion sounds"
  QAction* MovePercussionItem;      // "Move percussion sounds to track 10"
  QAction* StandardPercussionItem;  // "Use only standard percussion sounds"
  QAction* EighthBaseItem;          // "Convert x/8 - Base: 1/8"
  // Channel tools.
  QPushButton* NormalizeButton;  // "Normalize Volume"
  QSpinBox* MaxVolume;           // "Max. Volume"
  QLabel* VolumeOffsetLabel;     // "Style Volume Offset : "
  QLabel* ReverbOffsetLabel;     // "Style Reverb Offset : "
  QPushButton* VolumeUp;
  QPushButton* VolumeDown;
  QPushButton* ReverbUp;
  QPushButton* ReverbDown;
  QCheckBox* SuppressControllers;  // " Suppress all Style Controllers"
  QCheckBox* CutNotes;             // "  Cut Notes ..."
  QPushButton* CutNotesToAll;      // "Set Cut Notes State to all Styleparts"
  QPushButton* MutingToAll;        // "Set Muting to all Styleparts"

 signals:
  // A command ran: the main window shows what it changed (its mode entry, "Restore all").
  void Changed();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs `action` under the engine lock, then shows the fields again.
  void Act(const std::function<void()>& action);
  QPushButton* Button(const QString& caption, const QString& hint, std::function<void()> action);
  QAction* Item(QMenu* menu, const QString& caption, std::function<void()> action);
  // A check item that flips `field`.
  QAction* Toggle(QMenu* menu, const QString& caption, bool& field);
  QComboBox* List(const QStringList& items, std::function<void(int)> store);
  QSpinBox* Number(int low, int high, std::function<void(int)> store);
  // Stops the material and plays it again from the range (menu items that "also play").
  void PlayAgain();
  void BuildLayout();
  void BuildPartControls();
  QWidget* PartsBox();
  QWidget* ChannelToolsBox();
  void ImportSet(const std::string& item);
  void Offset(int controller, int step);

  Engine& engine_;
  MidiFileImport& import_;
  Dialogs& dialogs_;
  // Check marks of the menus that show a field.
  std::vector<std::pair<QAction*, const bool*>> marks_;
  // "Measures 1 - n available for stylecreating !" was shown for the material held now.
  bool toldFirstChunk_ = false;
  PartSetImport partSet_;
  MeasureMarks measureMarks_;
  int volumeOffset_ = 0;
  int reverbOffset_ = 0;
  StyleSetChoice setChoice_;
  TStyleEvents* styleEvents_ = nullptr;
  WorkFiles workFiles_;
  void BuildWorkItems(QMenu* menu);
  // The folder the MIDI export dialogs start in.
  std::string ExportFolder() const;
};

}  // namespace korvel
