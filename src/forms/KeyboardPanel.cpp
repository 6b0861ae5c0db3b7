#include "forms/KeyboardPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <mutex>

#include "performance/ChordTypes.h"

namespace korvel {

namespace {

// Labels show the type of slots 2..11, clicked as tags 751..760.
constexpr int kFirstTypeSlot = 2;
const char* const kHighlight = "background-color: palette(mid); padding: 2px;";
const char* const kPlain = "background-color: white; color: black; padding: 2px;";

}  // namespace

KeyboardPanel::KeyboardPanel(Engine& engine, QWidget* parent)
    : QWidget(parent),
      Keys(new TKeys),
      Chords(new QCheckBox(" Chords")),
      MelodyAdLib(new QCheckBox(" Melody Ad Lib")),
      HarmonicPad(new QCheckBox(" Harmonic PAD, transposed")),
      Instruments(new QCheckBox(" Instruments ...")),
      KeyboardSplit(new QCheckBox(" Keyboard Split ...")),
      FunctionKeys(new QCheckBox),
      Octave(new QSpinBox),
      Transpose(new QSpinBox),
      ChordTranspose(new QSpinBox),
      engine_(engine) {
  setObjectName("Keyboard");
  auto* column = new QVBoxLayout(this);

  auto* controls = new QHBoxLayout;
  const auto pad = [this, controls](const char* caption, const char* hint, ControlPad which) {
    auto* button = new QPushButton(caption);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    controls->addWidget(button);
    connect(button, &QPushButton::pressed, this, [this, which] {
      const bool shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
      std::lock_guard lock(engine_.Lock);
      engine_.Pads.ControlPadDown(which, shift);
    });
    connect(button, &QPushButton::released, this, [this] {
      std::lock_guard lock(engine_.Lock);
      engine_.Pads.PadUp();
    });
  };
  pad("Intro", "ESC", ControlPad::Intro);
  pad("Fill in - F1", "Fill in", ControlPad::FillIn);
  pad("Ext. - F2", "To the extended variation", ControlPad::Extended);
  pad("Basic - F3", "To the basic variation", ControlPad::Basic);
  pad("Ending - F4", "Ending", ControlPad::Ending);
  controls->addStretch();
  column->addLayout(controls);

  auto* types = new QHBoxLayout;
  for (size_t i = 0; i < TypeLabels.size(); ++i) {
    auto* label = new QLabel;
    label->setToolTip("Play the next chord as this type");
    label->setStyleSheet(kPlain);
    label->installEventFilter(this);
    TypeLabels[i] = label;
    types->addWidget(label);
  }
  types->addStretch();
  column->addLayout(types);

  Keys->SetNoteWidth(30);
  Keys->setMinimumSize(30 * 7 * 4, 150);
  Keys->OnNoteOn = [this](TKeys&, int note, int velocity) {
    std::lock_guard lock(engine_.Lock);
    engine_.Keyboard.ScreenNoteOn(note, velocity);
  };
  Keys->OnNoteOff = [this](TKeys&, int note, int) {
    std::lock_guard lock(engine_.Lock);
    engine_.Keyboard.ScreenNoteOff(note);
  };
  column->addWidget(Keys);

  auto* options = new QGridLayout;
  options->addWidget(Chords, 0, 0);
  options->addWidget(MelodyAdLib, 0, 1);
  options->addWidget(HarmonicPad, 0, 2);
  options->addWidget(Instruments, 1, 0);
  options->addWidget(KeyboardSplit, 1, 1);
  options->addWidget(FunctionKeys, 1, 2);
  Octave->setRange(-3, 4);
  Octave->setPrefix("Octave ");
  Transpose->setRange(-11, 11);
  Transpose->setPrefix("Transpose ");
  options->addWidget(Octave, 2, 0);
  options->addWidget(Transpose, 2, 1);
  ChordTranspose->setRange(-11, 11);
  ChordTranspose->setPrefix("Chord transpose ");
  ChordTranspose->setToolTip("Transpose the chords, and with them the accompaniment");
  options->addWidget(ChordTranspose, 2, 2);
  column->addLayout(options);
  Chords->setToolTip("Accompaniment: the chord section plays chords");
  FunctionKeys->setToolTip("The four highest keys of the chord section become function keys");
  for (QWidget* control :
       std::initializer_list<QWidget*>{Chords, MelodyAdLib, HarmonicPad, Instruments, KeyboardSplit,
                                       FunctionKeys, Octave, Transpose, ChordTranspose})
    control->setFocusPolicy(Qt::ClickFocus);

  connect(Chords, &QCheckBox::toggled, this, [this](bool on) {
    std::lock_guard lock(engine_.Lock);
    engine_.SetAccompaniment(on);
  });
  Bind(MelodyAdLib, engine_.Input.MelodyAdLib);
  Bind(HarmonicPad, engine_.Live.HarmonicPad, true);
  Bind(Instruments, engine_.Input.InstrumentSwitch);
  Bind(KeyboardSplit, engine_.Input.KeyboardSplit);
  Bind(FunctionKeys, engine_.Input.FunctionKeySwitch);
  connect(Octave, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Live.KeyboardOctave = value;
  });
  connect(Transpose, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Input.Transpose = value;
  });
  connect(ChordTranspose, &QSpinBox::valueChanged, this, [this](int value) {
    std::lock_guard lock(engine_.Lock);
    engine_.Chords.ChordTranspose = value;
  });
  Refresh();
}

void KeyboardPanel::Bind(QCheckBox* box, bool& field, bool silenceLiveChannel) {
  connect(box, &QCheckBox::toggled, this, [this, &field, silenceLiveChannel](bool on) {
    std::lock_guard lock(engine_.Lock);
    field = on;
    if (silenceLiveChannel)
      engine_.Player.ChannelSoundOff(*engine_.Ports.PlayPort, engine_.Live.SelChannel);
  });
}

void KeyboardPanel::Refresh() {
  std::lock_guard lock(engine_.Lock);
  const auto set = [](QCheckBox* box, bool on) {
    const QSignalBlocker block(box);
    box->setChecked(on);
  };
  set(Chords, engine_.Input.Chords);
  set(MelodyAdLib, engine_.Input.MelodyAdLib);
  set(HarmonicPad, engine_.Live.HarmonicPad);
  set(Instruments, engine_.Input.InstrumentSwitch);
  set(KeyboardSplit, engine_.Input.KeyboardSplit);
  set(FunctionKeys, engine_.Input.FunctionKeySwitch);
  {
    const QSignalBlocker block(Octave);
    Octave->setValue(engine_.Live.KeyboardOctave);
  }
  {
    const QSignalBlocker block(Transpose);
    Transpose->setValue(engine_.Input.Transpose);
  }
  {
    const QSignalBlocker block(ChordTranspose);
    ChordTranspose->setValue(engine_.Chords.ChordTranspose);
  }
  // The function keys are the four highest of the chord section, named highest first.
  QString names;
  for (int i = 0; i < 4; ++i) {
    names += (i ? ", " : "") +
             QString(NoteNames[static_cast<size_t>((engine_.Input.LastKey - i + 120) % 12)]);
  }
  FunctionKeys->setText(" Ad Lib,  Start/Stop,  PAD,  Melody =  " + names);
  Keys->SetBaseOctave(engine_.Live.FirstKey / 12);
  for (size_t i = 0; i < TypeLabels.size(); ++i) {
    const int type = engine_.Chords.ChordTypeSlots[i + kFirstTypeSlot];
    TypeLabels[i]->setText(type > 0 && type < 18 ? ChordTypeTable[static_cast<size_t>(type)].Name
                                                 : "");
  }
  HighlightOverride();
}

void KeyboardPanel::ShowOverride() {
  std::lock_guard lock(engine_.Lock);
  HighlightOverride();
}

void KeyboardPanel::HighlightOverride() {
  for (QLabel* label : TypeLabels) label->setStyleSheet(kPlain);
  if (!engine_.Chords.OverrideOneShot) return;
  for (size_t i = 0; i < TypeLabels.size(); ++i) {
    if (engine_.Chords.ChordTypeSlots[i + kFirstTypeSlot] == engine_.Chords.ChordTypeOverride) {
      TypeLabels[i]->setStyleSheet(kHighlight);
      break;
    }
  }
}

bool KeyboardPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress) return QWidget::eventFilter(watched, event);
  for (size_t i = 0; i < TypeLabels.size(); ++i) {
    if (watched != TypeLabels[i]) continue;
    std::lock_guard lock(engine_.Lock);
    engine_.Chords.ChordTypeOverride = engine_.Chords.ChordTypeSlots[i + kFirstTypeSlot];
    engine_.Chords.OverrideOneShot = true;
    HighlightOverride();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvel
