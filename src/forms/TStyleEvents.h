// "Style - Events": steps note by note through the loop of the selected style part, sounds each
// note and changes or silences it. The controls bind to the part event editor.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>
#include <functional>

#include "app/Engine.h"
#include "stylegen/PartEventEditor.h"

namespace korvel {

class TStyleEvents : public QWidget {
  Q_OBJECT

 public:
  explicit TStyleEvents(Engine& engine, QWidget* parent = nullptr);

  // Opens on the selected part's loop (or at the playing position) and shows the first note.
  void OpenOnPart();
  void Refresh();

  QLabel* NoteLabel;
  QPushButton* PlayButton;  // "Play"
  QPushButton* StopButton;  // "Stop"
  QComboBox* NoteList;      // "Note"
  QComboBox* OctaveList;    // "Octave"
  QScrollBar* VelocityBar;  // "Velocity"
  QLabel* VelocityLabel;
  QPushButton* PreviousButton;  // "Previous note"
  QPushButton* NextButton;      // "Next note"
  QPushButton* ToneButton;      // "Tone on/off"
  QPushButton* ClearButton;     // "Clear"
  QPushButton* ChangeButton;    // "Change"
  QPushButton* UndoButton;      // "Undo"

  PartEventEditor& Editor() { return editor_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* Button(const QString& caption, std::function<void()> action);
  void Act(const std::function<void()>& action);
  void Edited();

  Engine& engine_;
  PartEventEditor editor_;
  bool showing_ = false;
};

}  // namespace korvel
