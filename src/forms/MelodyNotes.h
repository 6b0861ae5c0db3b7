// The melody's note editor: a cursor over the note-ons, each sounded while its button is held,
// a new pitch for the note under the cursor, and the melody channel's options.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/Engine.h"

namespace korvel {

class MelodyNotes : public QDialog {
  Q_OBJECT

 public:
  explicit MelodyNotes(Engine& engine, QWidget* parent = nullptr);

  // Shows the melody as it stands: the title with its event count, the note under the cursor.
  void Refresh();

  QPushButton* Previous;  // "<"
  QPushButton* Next;      // ">"
  QLabel* Shown;          // the note under the cursor: "time  note"
  QComboBox* Octave;      // octave list: note = (index + 1) x 12 + note index
  QComboBox* Note;        // "C" .. "B"
  QSpinBox* Channel;      // "Channel", 1..16
  QCheckBox* ReferToOriginalChannels;
  QCheckBox* StoreControllerValues;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // Moves the cursor with `step` and sounds the note found; nothing while the song runs.
  void Move(bool (MelodyTrack::*step)());
  void Silence();
  // The song runs or pauses: its melody is not to be edited now.
  bool Busy() const;

  Engine& engine_;
};

}  // namespace korvel
