#include "forms/SplitPanel.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <mutex>

#include "performance/ChordTypes.h"

namespace korvel {

namespace {

QString NoteName(int note) {
  if (note > 127) return "top";
  return QString(NoteNames[static_cast<size_t>(note % 12)]) + QString::number(note / 12 - 1);
}

}  // namespace

SplitPanel::SplitPanel(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  setObjectName("Keyboard-Split");
  auto* grid = new QGridLayout(this);
  const char* headings[] = {"Zone", "Below note", "", "Channel", "Octave"};
  for (int i = 0; i < 5; ++i) grid->addWidget(new QLabel(headings[i]), 0, i);
  for (int z = 0; z < 4; ++z) {
    ZoneControls& zone = Zones[static_cast<size_t>(z)];
    zone.Active = new QCheckBox(QString::number(z + 1));
    zone.Active->setObjectName(QString("Zone%1").arg(z + 1));
    zone.Active->setToolTip("Activate zone");
    zone.Top = new QSpinBox;
    zone.Top->setRange(0, 128);
    zone.Top->setToolTip("The zone takes the keys below this note");
    zone.TopName = new QLabel;
    zone.TopName->setMinimumWidth(32);
    zone.Channel = new QSpinBox;
    zone.Channel->setRange(1, 16);
    zone.Channel->setToolTip("The channel the zone plays on");
    zone.Octave = new QSpinBox;
    zone.Octave->setRange(-10, 10);
    zone.Octave->setToolTip("Octaves up or down; kept within the notes MIDI has");
    const int row = z + 1;
    grid->addWidget(zone.Active, row, 0);
    grid->addWidget(zone.Top, row, 1);
    grid->addWidget(zone.TopName, row, 2);
    grid->addWidget(zone.Channel, row, 3);
    grid->addWidget(zone.Octave, row, 4);
    const auto index = static_cast<size_t>(z);
    connect(zone.Active, &QCheckBox::toggled, this, [this, index](bool on) {
      std::lock_guard lock(engine_.Lock);
      engine_.Input.Zones[index].Enabled = on;
    });
    connect(zone.Top, &QSpinBox::valueChanged, this, [this, z](int top) {
      {
        std::lock_guard lock(engine_.Lock);
        engine_.Input.SetSplitTop(z, top);
      }
      Refresh();
    });
    connect(zone.Channel, &QSpinBox::valueChanged, this, [this, index](int channel) {
      std::lock_guard lock(engine_.Lock);
      engine_.Input.Zones[index].Channel = channel - 1;
    });
    connect(zone.Octave, &QSpinBox::valueChanged, this, [this, index](int octave) {
      {
        std::lock_guard lock(engine_.Lock);
        engine_.Input.Zones[index].Shift = 12 * octave;
        engine_.Input.ApplySplit();
      }
      Refresh();
    });
  }
  Refresh();
}

void SplitPanel::Refresh() {
  std::array<SplitZone, 4> zones{};
  {
    std::lock_guard lock(engine_.Lock);
    zones = engine_.Input.Zones;
  }
  for (size_t z = 0; z < Zones.size(); ++z) {
    const ZoneControls& controls = Zones[z];
    const SplitZone& zone = zones[z];
    const QSignalBlocker active(controls.Active);
    const QSignalBlocker top(controls.Top);
    const QSignalBlocker channel(controls.Channel);
    const QSignalBlocker octave(controls.Octave);
    controls.Active->setChecked(zone.Enabled);
    controls.Top->setValue(zone.Top);
    controls.TopName->setText(NoteName(zone.Top));
    controls.Channel->setValue(zone.Channel + 1);
    // Clamping keeps whole octaves only where the range allows; show what is in force.
    controls.Octave->setValue(zone.Shift / 12);
  }
}

void SplitPanel::showEvent(QShowEvent* event) {
  Refresh();
  QWidget::showEvent(event);
}

}  // namespace korvel
