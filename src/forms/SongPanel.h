// The song panel: the chord memory's transport (play, pause and resume, stop, record, step
// record, punch in, play and overwrite, clear, new), where a song starts and which measures
// loop, and the step panel that starts step recording. Its commands are also items of the
// main window's "&File" menu, so a menu item and its button are enabled alike.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QWidget>
#include <array>

#include "app/Engine.h"

namespace korvel {

class SongPanel : public QWidget {
  Q_OBJECT

 public:
  explicit SongPanel(Engine& engine, QWidget* parent = nullptr);

  // Reads the song's settings and transport back from the core and enables the controls that
  // may act now: nothing that starts a take or moves the song's start while it runs.
  void Refresh();
  // The melody's "RM" and "PM" buttons beside the song's: the melody menu's "&Record" and
  // "&Play"; their text is black while recording or playing and grey otherwise.
  void AddMelodyButtons(QAction* record, QAction* play);
  void ShowMelodyState(bool recording, bool playing);

  QAction* PlayItem;           // "Play - F9": play, pause, resume
  QAction* StopItem;           // "Stop - F10"
  QAction* RecordItem;         // "&Record"
  QAction* StepRecordItem;     // "S&tep Record": opens the step panel
  QAction* PunchInItem;        // "Punc&h in"
  QAction* PlayOverwriteItem;  // "Play && Over&write"
  QAction* ClearItem;          // "&Clear"
  QAction* NewItem;            // "&New"
  QToolButton* PlayButton;     // "Play", "Pause" or "Resume" as the song stands
  QSpinBox* SpinEdit3;         // "Start measure"
  QSpinBox* FirstMeasure;      // "First measure"
  QSpinBox* LastMeasure;       // "Last measure"
  QCheckBox* Loop;             // "Loop"
  QCheckBox* Overwrite;        // " Edit": live chords replace the song while it plays
  // The step panel.
  QWidget* StepPanel;
  QLabel* Metre;                        // "Metrum: " and the options' metre
  std::array<QRadioButton*, 6> Taps{};  // "Taps per Measure" 1..6
  QPushButton* StepStart;
  QCheckBox* StepPreview;                     // " Step Record Preview", shown while step recording
  QToolButton* MelodyRecordButton = nullptr;  // "RM"
  QToolButton* MelodyPlayButton = nullptr;    // "PM"

 signals:
  // A command ran: the main window shows what it changed elsewhere (" Chords", the tempo).
  void Changed();

 private:
  // An item whose triggering runs `operation` on the song under the engine lock.
  QAction* Command(const QString& caption, const QString& hint,
                   std::function<void(SongTransport&)> operation);
  QToolButton* Button(QAction* item, const QString& text);
  void OpenStepPanel();

  Engine& engine_;
  QHBoxLayout* melodyButtons_;
};

}  // namespace korvel
