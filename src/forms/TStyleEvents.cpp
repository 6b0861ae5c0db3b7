#include "forms/TStyleEvents.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <mutex>

#include "app/GeneratorCommands.h"

namespace korvel {

TStyleEvents::TStyleEvents(Engine& engine, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      engine_(engine),
      editor_(engine.Style.Work, engine.Notes, [&engine](uint8_t s, uint8_t d1, uint8_t d2) {
        TMidiOutput* port = engine.Ports.PlayPort;
        if (port != nullptr && port->IsOpen()) port->PutShort(s, d1, d2);
      }) {
  setObjectName("TStyleEvents");
  setWindowTitle("Style - Events");
  NoteLabel = new QLabel(this);
  PlayButton = Button("Play", [this] { StartGeneratorPlay(engine_); });
  StopButton = Button("Stop", [this] {
    if (engine_.Player.Playing) engine_.Player.StopPlayback();
  });
  NoteList = new QComboBox(this);
  for (const char* name : kEditorNoteNames) NoteList->addItem(name);
  OctaveList = new QComboBox(this);
  for (int octave = 1; octave <= 8; ++octave) OctaveList->addItem(QString::number(octave));
  VelocityBar = new QScrollBar(Qt::Horizontal, this);
  VelocityBar->setRange(1, 127);
  VelocityLabel = new QLabel("Velocity", this);
  connect(VelocityBar, &QScrollBar::valueChanged, this, [this](int value) {
    if (showing_ || engine_.Player.Playing) return;
    Act([this, value] { editor_.SetVelocity(value); });
  });
  PreviousButton = Button("Previous note", [this] { editor_.PreviousNote(); });
  NextButton = Button("Next note", [this] { editor_.NextNote(); });
  // The auditioned note sounds while the button is held.
  for (QPushButton* b : {PreviousButton, NextButton})
    connect(b, &QPushButton::released, this, [this] { Act([this] { editor_.Release(); }); });
  ToneButton = Button("Tone on/off", [this] { editor_.ToneOnOff(); });
  ClearButton = Button("Clear", [this] {
    if (!engine_.Player.Playing) editor_.Clear();
  });
  ChangeButton = Button("Change", [this] {
    if (!engine_.Player.Playing)
      editor_.Change(NoteList->currentIndex(), OctaveList->currentIndex());
  });
  UndoButton = Button("Undo", [this] { editor_.Undo(); });

  auto* grid = new QGridLayout(this);
  grid->addWidget(NoteLabel, 0, 0);
  grid->addWidget(PlayButton, 0, 1);
  grid->addWidget(StopButton, 0, 2);
  grid->addWidget(new QLabel("Note", this), 1, 0);
  grid->addWidget(NoteList, 1, 1);
  grid->addWidget(new QLabel("Octave", this), 1, 2);
  grid->addWidget(OctaveList, 1, 3);
  grid->addWidget(VelocityLabel, 2, 0);
  grid->addWidget(VelocityBar, 2, 1, 1, 3);
  grid->addWidget(PreviousButton, 3, 0);
  grid->addWidget(NextButton, 3, 1);
  grid->addWidget(ToneButton, 3, 2);
  grid->addWidget(ClearButton, 4, 0);
  grid->addWidget(ChangeButton, 4, 1);
  grid->addWidget(UndoButton, 4, 2);
}

QPushButton* TStyleEvents::Button(const QString& caption, std::function<void()> action) {
  auto* button = new QPushButton(caption, this);
  connect(button, &QPushButton::pressed, this, [this, action = std::move(action)] { Act(action); });
  return button;
}

void TStyleEvents::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  Edited();
}

// An edit marks the generated style changed.
void TStyleEvents::Edited() {
  if (editor_.Changed()) {
    engine_.Generator.StyleChanged = true;
    editor_.ClearChanged();
  }
  Refresh();
}

void TStyleEvents::OpenOnPart() {
  Act([this] {
    const StylePart part = engine_.Style.Parts.Part(engine_.Style.SelectedPart);
    const int32_t loopStart = part.Empty() ? 0 : part.StartPos();
    const int32_t loopEnd = part.Empty() ? kChunkFill : part.EndPos();
    // While the material plays, the window opens where the player is.
    const bool playing = engine_.Player.Playing && engine_.Style.Work.CurrentChunk == 0;
    const int32_t start = playing ? engine_.Player.PlayPosition : loopStart - 1;
    editor_.Open(start, loopStart, loopEnd);
  });
}

void TStyleEvents::Refresh() {
  showing_ = true;
  NoteLabel->setText(QString::fromStdString(editor_.NoteLabel()));
  if (editor_.HasNote()) {
    NoteList->setCurrentIndex(editor_.NoteIndex());
    OctaveList->setCurrentIndex(editor_.OctaveIndex());
    VelocityBar->setValue(editor_.Velocity());
    VelocityLabel->setText(QString::number(editor_.Velocity()));
  }
  showing_ = false;
}

void TStyleEvents::closeEvent(QCloseEvent* event) {
  Act([this] { editor_.Release(); });
  QWidget::closeEvent(event);
}

}  // namespace korvel
