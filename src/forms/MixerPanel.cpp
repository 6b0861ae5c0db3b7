#include "forms/MixerPanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <atomic>
#include <mutex>

#include "app/SoloMute.h"

namespace korvel {

namespace {

struct BarSpec {
  const char* Caption;
  const char* Label;  // fits above a narrow bar
  const char* Hint;
};

constexpr std::array<BarSpec, kBarCount> kBars = {{
    {"Volume", "Volume", "Volume of the live channel (controller 7)"},
    {"Panorama", "Pan", "Panorama: left or right, 0 is the middle (controller 10)"},
    {"Reverb", "Reverb", "Reverb depth (controller 91)"},
    {"Chorus", "Chorus", "Chorus depth (controller 93)"},
    {"Modulation", "Mod.", "Modulation wheel (controller 1)"},
    {"Expression", "Expr.", "Expression, a volume within the volume (controller 11)"},
    {"Sustain", "Sustain", "Sustain pedal: 64 and above holds the notes (controller 64)"},
    {"Aftertouch", "Aft.", "Aftertouch (channel pressure)"},
}};

constexpr std::array<const char*, 8> kFields = {"MSB",  "LSB",  "Vol.",  "Pan",
                                                "Rev.", "Cho.", "Expr.", "Prog."};

// The line the user chose; a current line without a selection (after focusing) is no choice.
int ChosenRow(const QListWidget* list) {
  const auto items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.first());
}

void SetText(QListWidgetItem* item, const std::string& text) {
  const QString line = QString::fromStdString(text);
  if (item->text() != line) item->setText(line);
}

}  // namespace

struct MixerPanel::DisplayRelay {
  std::mutex Mutex;
  MixerPanel* Panel = nullptr;
  std::atomic<bool> Pending{false};
};

MixerPanel::MixerPanel(Engine& engine, QWidget* parent)
    : QWidget(parent),
      InstrumentSet(new QLabel),
      Channels(new QListWidget),
      Instruments(new QListWidget),
      SendValues(new QPushButton("Send Values")),
      ControllerReset(new QPushButton("C. Reset")),
      AllNotesOff(new QPushButton("All notes off")),
      Rev0(new QPushButton("Rev 0")),
      Solo(new QCheckBox("SOLO")),
      Left(new QSlider(Qt::Vertical)),
      Right(new QSlider(Qt::Vertical)),
      Lock(new QCheckBox("Lock")),
      engine_(engine),
      relay_(std::make_shared<DisplayRelay>()) {
  setObjectName("Mixer");
  auto* row = new QHBoxLayout(this);

  auto* lists = new QVBoxLayout;
  InstrumentSet->setObjectName("InstrumentSet");
  InstrumentSet->setToolTip("The instrument set in use");
  lists->addWidget(InstrumentSet);
  Channels->setObjectName("Channels");
  Channels->setToolTip("Choose the channel the scroll bars and the keyboard play");
  for (int c = 0; c < 16; ++c) Channels->addItem(QString());
  Channels->setMinimumWidth(220);
  Channels->setFixedHeight(Channels->sizeHintForRow(0) * 16 + 2 * Channels->frameWidth());
  lists->addWidget(Channels);
  Instruments->setObjectName("Instruments");
  Instruments->setToolTip("The instrument of the live channel");
  Instruments->setMinimumHeight(120);
  lists->addWidget(Instruments);
  row->addLayout(lists);

  auto* middle = new QVBoxLayout;
  auto* bars = new QGridLayout;
  for (int bar = 0; bar < kBarCount; ++bar) {
    const auto& spec = kBars[static_cast<size_t>(bar)];
    auto* slider = new QSlider(Qt::Vertical);
    slider->setObjectName(spec.Caption);
    slider->setRange(0, 127);
    slider->setPageStep(8);
    slider->setMinimumHeight(140);
    slider->setToolTip(spec.Hint);
    auto* value = new QLabel;
    value->setObjectName(QString(spec.Caption) + "Value");
    value->setAlignment(Qt::AlignCenter);
    value->setMinimumWidth(28);
    auto* caption = new QLabel(spec.Label);
    caption->setToolTip(spec.Hint);
    caption->setAlignment(Qt::AlignCenter);
    bars->addWidget(caption, 0, bar, Qt::AlignHCenter);
    bars->addWidget(slider, 1, bar, Qt::AlignHCenter);
    bars->addWidget(value, 2, bar, Qt::AlignHCenter);
    Bars[static_cast<size_t>(bar)] = slider;
    BarValues[static_cast<size_t>(bar)] = value;
    connect(slider, &QSlider::valueChanged, this, [this, bar](int position) {
      Act([this, bar, position] {
        engine_.Mixer.MoveBar(static_cast<MixerBar>(bar), position, true);
      });
    });
  }
  middle->addLayout(bars);
  auto* sent = new QGroupBox("Sent to the live channel");
  auto* fields = new QGridLayout(sent);
  for (size_t f = 0; f < kFields.size(); ++f) {
    auto* field = new QLineEdit;
    field->setObjectName(QString("Sent") + kFields[f]);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignCenter);
    field->setFixedWidth(40);
    field->setToolTip(QString("%1 last sent to the live channel").arg(kFields[f]));
    fields->addWidget(new QLabel(kFields[f]), 0, static_cast<int>(f), Qt::AlignHCenter);
    fields->addWidget(field, 1, static_cast<int>(f), Qt::AlignHCenter);
    Fields[f] = field;
  }
  middle->addWidget(sent);
  row->addLayout(middle);

  auto* right = new QVBoxLayout;
  const auto button = [this, right](QAbstractButton* control, const char* hint,
                                    const std::function<void()>& action) {
    control->setObjectName(control->text());
    control->setToolTip(hint);
    right->addWidget(control);
    connect(control, &QAbstractButton::clicked, this, [this, action] { Act(action); });
  };
  button(SendValues, "Send the instrument and the scroll bars again to the live channel",
         [this] { engine_.Mixer.SendValues(); });
  button(ControllerReset, "Reset the controllers of every channel, then send the live values",
         [this] { engine_.Mixer.ControllerReset(); });
  button(AllNotesOff, "Silence every channel now", [this] { engine_.Mixer.AllNotesOff(); });
  button(Rev0, "Reverb 0 on every channel of the style", [this] { engine_.Mixer.ReverbStep(128); });
  Solo->setObjectName("SOLO");
  Solo->setToolTip("Only the chosen channel plays");
  right->addWidget(Solo);
  connect(Solo, &QCheckBox::toggled, this, [this](bool on) {
    Act([this, on] {
      engine_.Mixer.Solo = on;
      // The core solos a channel when it is chosen; the one chosen already follows now.
      SetSolo(engine_, on ? engine_.Live.SelChannel + 1 : 0);
    });
  });

  auto* main = new QGroupBox("Main");
  main->setObjectName("Main");
  auto* volume = new QGridLayout(main);
  for (QSlider* slider : {Left, Right}) {
    slider->setRange(0, 100);
    slider->setPageStep(10);
    slider->setMinimumHeight(100);
  }
  Left->setObjectName("Left");
  Right->setObjectName("Right");
  Left->setToolTip("Output volume, left");
  Right->setToolTip("Output volume, right");
  Lock->setObjectName("Lock");
  Lock->setToolTip("Left and right move together");
  volume->addWidget(Left, 0, 0, Qt::AlignHCenter);
  volume->addWidget(Right, 0, 1, Qt::AlignHCenter);
  volume->addWidget(new QLabel("L"), 1, 0, Qt::AlignHCenter);
  volume->addWidget(new QLabel("R"), 1, 1, Qt::AlignHCenter);
  volume->addWidget(Lock, 2, 0, 1, 2);
  right->addWidget(main);
  right->addStretch();
  row->addLayout(right);

  connect(Left, &QSlider::valueChanged, this, [this](int position) {
    Act([this, position] { engine_.Ports.SetVolumeLeft(position); });
  });
  connect(Right, &QSlider::valueChanged, this, [this](int position) {
    Act([this, position] { engine_.Ports.SetVolumeRight(position); });
  });
  connect(Lock, &QCheckBox::toggled, this,
          [this](bool on) { Act([this, on] { engine_.Ports.VolumeLock = on; }); });
  connect(Channels, &QListWidget::itemSelectionChanged, this, [this] {
    const int channel = ChosenRow(Channels);
    if (channel >= 0) Act([this, channel] { engine_.Mixer.ChooseChannel(channel); });
  });
  connect(Instruments, &QListWidget::itemSelectionChanged, this, [this] {
    const int index = ChosenRow(Instruments);
    if (index >= 0) Act([this, index] { engine_.Mixer.SelectInstrument(index, true); });
  });

  // Keys the controls leave alone reach the main window, the music keyboard.
  for (QWidget* control : findChildren<QWidget*>())
    if (control->focusPolicy() != Qt::NoFocus) control->setFocusPolicy(Qt::ClickFocus);

  relay_->Panel = this;
  {
    std::lock_guard lock(engine_.Lock);
    // Called by the player under the engine lock, on the clock or input thread: one refresh
    // is queued to the GUI thread however many messages arrive before it runs.
    const auto refresh = [relay = relay_] {
      if (relay->Pending.exchange(true)) return;
      std::lock_guard guard(relay->Mutex);
      if (!relay->Panel) return;
      QMetaObject::invokeMethod(
          relay->Panel,
          [relay, panel = relay->Panel] {
            relay->Pending = false;
            panel->Act([] {});
          },
          Qt::QueuedConnection);
    };
    engine_.Player.Hooks.MixerDisplay = [refresh](int, uint8_t, uint8_t, uint8_t) { refresh(); };
    // Instrument keys played on the computer or a MIDI keyboard, and a loaded style, change
    // what the panel shows.
    engine_.Mixer.Hooks.ValuesChanged = refresh;
  }
  Refresh();
}

MixerPanel::~MixerPanel() {
  // The engine may be gone already; only the relay is told.
  std::lock_guard guard(relay_->Mutex);
  relay_->Panel = nullptr;
}

MixerPanel::Snapshot MixerPanel::Read(bool withList) const {
  const korvel::Mixer& mixer = engine_.Mixer;
  Snapshot view;
  if (withList) view.Lines = mixer.List.Lines;
  view.SetName = mixer.List.DisplayName;
  view.Channel = engine_.Live.SelChannel;
  for (int c = 0; c < 16; ++c) view.ChannelLines[static_cast<size_t>(c)] = mixer.ChannelLine(c);
  view.Fields = mixer.SentValues(view.Channel);
  view.Bars = mixer.Bars;
  view.Selected = mixer.Selected;
  view.Solo = mixer.Solo;
  view.ReverbStep = engine_.Live.ReverbOff || engine_.Live.ReverbDefined;
  view.VolumeLeft = engine_.Ports.VolumeLeft;
  view.VolumeRight = engine_.Ports.VolumeRight;
  view.VolumeLock = engine_.Ports.VolumeLock;
  return view;
}

void MixerPanel::Show(const Snapshot& view) {
  // Nothing the panel sets here is a user's choice, so no handler may run.
  std::vector<QObject*> controls = {Channels, Instruments, Solo, Left, Right, Lock};
  controls.insert(controls.end(), Bars.begin(), Bars.end());
  std::vector<std::unique_ptr<QSignalBlocker>> blocks;
  for (QObject* control : controls) blocks.push_back(std::make_unique<QSignalBlocker>(control));

  if (view.Lines) {
    Instruments->clear();
    for (const std::string& line : *view.Lines) Instruments->addItem(QString::fromStdString(line));
  }
  InstrumentSet->setText(QString::fromStdString(view.SetName));
  for (int c = 0; c < 16; ++c)
    SetText(Channels->item(c), view.ChannelLines[static_cast<size_t>(c)]);
  Channels->setCurrentRow(view.Channel);
  for (size_t f = 0; f < Fields.size(); ++f) {
    const QString text = QString::fromStdString(view.Fields[f]);
    if (Fields[f]->text() != text) Fields[f]->setText(text);
  }
  Instruments->setCurrentRow(view.Selected < Instruments->count() ? view.Selected : -1);
  for (int bar = 0; bar < kBarCount; ++bar) {
    Bars[static_cast<size_t>(bar)]->setValue(view.Bars[static_cast<size_t>(bar)]);
    ShowBarValue(bar, view.Bars[static_cast<size_t>(bar)]);
  }
  Solo->setChecked(view.Solo);
  Rev0->setEnabled(view.ReverbStep);
  Left->setValue(view.VolumeLeft);
  Right->setValue(view.VolumeRight);
  Lock->setChecked(view.VolumeLock);
}

void MixerPanel::ShowBarValue(int bar, int value) {
  BarValues[static_cast<size_t>(bar)]->setText(
      QString::number(bar == kBarPan ? value - 64 : value));
}

void MixerPanel::Act(const std::function<void()>& action) {
  Snapshot view;
  {
    std::lock_guard lock(engine_.Lock);
    action();
    view = Read(false);
  }
  Show(view);
}

void MixerPanel::Refresh() {
  Snapshot view;
  {
    std::lock_guard lock(engine_.Lock);
    view = Read(true);
  }
  Show(view);
}

void MixerPanel::showEvent(QShowEvent* event) {
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Live.MixerShown = true;
  }
  Refresh();
  QWidget::showEvent(event);
}

void MixerPanel::hideEvent(QHideEvent* event) {
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Live.MixerShown = false;
  }
  QWidget::hideEvent(event);
}

}  // namespace korvel
