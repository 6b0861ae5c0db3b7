// "Chord & Style Editor": the song as a grid of measures and beats, edited in place (chords,
// control keys and song commands per beat, copy and paste of beats, inserting, deleting and
// copying measures, undo), played and auditioned from here. The window binds controls to the
// editor core; every edit takes the engine lock.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <array>
#include <atomic>
#include <functional>
#include <string>

#include "app/EditorAudition.h"
#include "app/Engine.h"
#include "app/SongEditor.h"

namespace korvel {

class TEditor : public QMainWindow {
  Q_OBJECT

 public:
  TEditor(Engine& engine, Dialogs& dialogs, QWidget* parent = nullptr);
  ~TEditor() override;

  // Rebuilds the grid, shows `measure` and the window; running playback follows the editor.
  // The song panel's "Edit" and the main menu's "Editor" open it here.
  void OpenAt(int measure);
  // Makes a measure current and redraws its row.
  void ShowMeasure(int measure);
  // A pad picked while the editor takes pad input: the chord or control key goes into the
  // selected cell and the editor comes back.
  void PutEditChord(const PadPick& pick);
  // "Update": the grid again, at the current measure.
  void Rebuild();
  // The selected cell, 1-based.
  int CurrentMeasure() const { return Measure->value(); }
  int CurrentBeat() const { return beat_; }
  void SelectCell(int measure, int beat);
  // The text a cell shows.
  QString CellText(int measure, int beat) const;

  // The main window's chord-pad and memo panels, and its hint line in edit mode.
  std::function<void()> ShowChordPads;
  std::function<void()> ShowMemo;
  std::function<void(const QString& hint)> ShowEditHint;
  // The song's length changed while the editor was open: the main window's "Last measure".
  std::function<void()> SongLengthChanged;

  QTableWidget* Grid;
  QSpinBox* Measure;  // "Measure", 1..500
  QLabel* MetreLabel;
  QPushButton* PreviousButton;   // "Previous measure"
  QPushButton* NextButton;       // "Next measure"
  QPushButton* RewindButton;     // "Rewind"
  QPushButton* PlayButton;       // "Play/Pause"
  QPushButton* StopButton;       // "Stop"
  QPushButton* AuditionButton;   // "Audition"
  QPushButton* UpdateButton;     // "Update"
  QPushButton* MemoButton;       // "Memo"
  QPushButton* LeadSheetButton;  // "Lead Sheet"
  QCheckBox* AcousticBox;        // "Acoustic chord control"
  QAction* CopyBeatItem;
  QAction* CutBeatItem;
  QAction* PasteBeatItem;
  QAction* CutChordItem;
  QAction* CutFunctionItem;
  QAction* InsertMeasureItem;
  QAction* DeleteMeasureItem;
  QAction* InsertBeatItem;
  QAction* DeleteBeatItem;
  QAction* CopyMeasuresItem;
  QAction* UndoItem;
  QAction* NewItem;
  QAction* PadsItem;  // "Chordpads ..."
  QMenu* Popup;       // the grid's pop-up menu
  // The panels the pop-up menu opens; each has its "Abort".
  QFrame* TempoPanel;
  QSpinBox* TempoValue;
  QPushButton* TempoSet;  // "Set Tempo & Close"
  QFrame* LoopPanel;
  QSpinBox* LoopCount;
  QRadioButton* LoopStartChoice;  // "Loop Start - Repeat ..."
  QRadioButton* LoopEndChoice;    // "Loop End"
  QPushButton* LoopSet;
  QFrame* TransposePanel;
  QSpinBox* TransposeValue;
  QPushButton* TransposeSet;
  QFrame* MixPanel;
  QComboBox* MixChannel;
  std::array<QRadioButton*, 7> MixChoices{};  // "Play" .. "Mute Melody"
  QPushButton* MixSet;
  QFrame* CopyPanel;
  QSpinBox* CopyFirst;   // "First Measure"
  QSpinBox* CopyLast;    // "Last Measure"
  QSpinBox* CopyDest;    // "Dest. Measure"
  QPushButton* CopySet;  // "Copy & Close"

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildPopup();
  QFrame* BuildPanel(const QString& title, QWidget* body, QPushButton* set);
  void OpenPanel(QFrame* panel);
  void ClosePanels();
  // Runs an edit of the selected cell under the lock; a refusal is shown in words, `refusal`
  // in place of the core's when given.
  void Edit(const std::function<std::string(SongEditor&, int measure, int beat)>& edit,
            const char* refusal = nullptr);
  // Structural edits wait until editor-controlled playback stops.
  bool PlayingFromEditor() const;
  void InsertMeasure();
  void CopyMeasures();
  void Undo();
  void SetRoot(int pitchClass, bool octaveUp);
  void SetType(int type);
  void SetMix();
  void Audition(bool down);
  void PlayPause();
  void EnterEditMode();
  void LeaveEditMode();
  void LeadSheet();
  void FollowPosition(int pos);
  void MeasureChanged(int measure);
  // Under the lock: the editor follows the metre.
  void SyncSong();
  int MeasureCount() const;
  void RedrawRow(int measure);
  void RefreshItems();

  Engine& engine_;
  Dialogs& dialogs_;
  SongEditor editor_;
  EditorAudition audition_;
  ChordEntry clipboard_;
  int beat_ = 1;
  int undoMeasure_ = 1;
  bool stale_ = false;  // the song changed while the window was hidden
  bool modified_ = false;
  bool editMode_ = false;
  std::atomic<bool> active_{false};
  std::atomic<bool> rebuildQueued_{false};
};

}  // namespace korvel
