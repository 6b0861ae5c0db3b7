#include "forms/MelodyNotes.h"

#include <QGridLayout>
#include <mutex>

namespace korvel {

namespace {
const char* const kNoteNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
}

MelodyNotes::MelodyNotes(Engine& engine, QWidget* parent)
    : QDialog(parent),
      Previous(new QPushButton("<")),
      Next(new QPushButton(">")),
      Shown(new QLabel),
      Octave(new QComboBox),
      Note(new QComboBox),
      Channel(new QSpinBox),
      ReferToOriginalChannels(new QCheckBox(" Refer to original channels")),
      StoreControllerValues(new QCheckBox(" Store && Receive Controller-Values")),
      engine_(engine) {
  setObjectName("MelodyNotes");
  // The octave list starts at the octave of note 12: note = (index + 1) x 12 + note index.
  for (int octave = 0; octave < 10; ++octave) Octave->addItem(QString::number(octave));
  for (const char* name : kNoteNames) Note->addItem(name);
  Channel->setRange(1, 16);
  Channel->setToolTip("Channel");
  Previous->setToolTip("Previous note");
  Next->setToolTip("Next note");

  auto* layout = new QGridLayout(this);
  layout->addWidget(Previous, 0, 0);
  layout->addWidget(Shown, 0, 1);
  layout->addWidget(Next, 0, 2);
  layout->addWidget(Octave, 1, 0);
  layout->addWidget(Note, 1, 1);
  layout->addWidget(Channel, 1, 2);
  layout->addWidget(ReferToOriginalChannels, 2, 0, 1, 3);
  layout->addWidget(StoreControllerValues, 3, 0, 1, 3);

  connect(Previous, &QPushButton::pressed, this, [this] { Move(&MelodyTrack::EditPrevious); });
  connect(Next, &QPushButton::pressed, this, [this] { Move(&MelodyTrack::EditNext); });
  connect(Previous, &QPushButton::released, this, &MelodyNotes::Silence);
  connect(Next, &QPushButton::released, this, &MelodyNotes::Silence);
  const auto change = [this] {
    {
      std::lock_guard lock(engine_.Lock);
      MelodyTrack& melody = engine_.Melody;
      if (Busy() || !melody.EditFirst()) return;
      melody.ChangeEditNote(Octave->currentIndex(), Note->currentIndex());
      // The new pitch sounds until the cursor moves or the editor closes.
      melody.SoundEditNote(*engine_.Ports.PlayPort);
    }
    Refresh();
  };
  connect(Octave, &QComboBox::activated, this, change);
  connect(Note, &QComboBox::activated, this, change);
  connect(Channel, &QSpinBox::valueChanged, this, [this](int channel) {
    std::lock_guard lock(engine_.Lock);
    engine_.Melody.Channel = channel - 1;
  });
  connect(ReferToOriginalChannels, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Melody.ReferToOriginalChannels = on;
  });
  connect(StoreControllerValues, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.Melody.StoreControllerValues = on;
  });
  Refresh();
}

void MelodyNotes::Refresh() {
  std::lock_guard lock(engine_.Lock);
  MelodyTrack& melody = engine_.Melody;
  setWindowTitle(QString::number(melody.Count()) + " Melody - Notes");
  const QSignalBlocker blockChannel(Channel), blockRefer(ReferToOriginalChannels),
      blockStore(StoreControllerValues);
  Channel->setValue(melody.Channel + 1);
  ReferToOriginalChannels->setChecked(melody.ReferToOriginalChannels);
  StoreControllerValues->setChecked(melody.StoreControllerValues);
  const bool stopped = !Busy();
  const bool found = melody.EditFirst();
  for (QWidget* control : std::initializer_list<QWidget*>{Previous, Next, Octave, Note})
    control->setEnabled(stopped && found);
  if (!found) {
    Shown->clear();
    return;
  }
  const MelodyEvent& event = melody.Event(melody.EditIndex());
  Shown->setText(QString("%1  %2%3")
                     .arg(event.Time)
                     .arg(kNoteNames[event.Data1 % 12])
                     .arg(event.Data1 / 12 - 1));
  const QSignalBlocker blockOctave(Octave), blockNote(Note);
  Octave->setCurrentIndex(std::max(0, event.Data1 / 12 - 1));
  Note->setCurrentIndex(event.Data1 % 12);
}

void MelodyNotes::Move(bool (MelodyTrack::*step)()) {
  {
    std::lock_guard lock(engine_.Lock);
    MelodyTrack& melody = engine_.Melody;
    if (Busy() || !melody.EditFirst()) return;
    (melody.*step)();
    melody.SoundEditNote(*engine_.Ports.PlayPort);
  }
  Refresh();
}

bool MelodyNotes::Busy() const {
  return engine_.Song.Running() || engine_.Song.Paused();
}

void MelodyNotes::Silence() {
  std::lock_guard lock(engine_.Lock);
  engine_.Melody.SilenceEditNote(*engine_.Ports.PlayPort);
}

void MelodyNotes::hideEvent(QHideEvent* event) {
  Silence();
  QDialog::hideEvent(event);
}

}  // namespace korvel
