#include "forms/TTempo.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <chrono>
#include <mutex>

namespace korvel {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int kTapVelocity = 107;

}  // namespace

TTempo::TTempo(Engine& engine, QSpinBox& tempo, QWidget* parent)
    : QDialog(parent),
      Tap(new QPushButton),
      Quarter(new QRadioButton("1/4 measure")),
      Eighth(new QRadioButton("1/8 measure")),
      engine_(engine),
      tempo_(tempo) {
  setObjectName("TTempo");
  setWindowTitle("Tap Tempo");
  auto* layout = new QVBoxLayout(this);
  Tap->setToolTip("Press SPACE or RETURN");
  Tap->setMinimumHeight(60);
  // Keys reach the dialog, which tells a held key's repeats from taps.
  Tap->setFocusPolicy(Qt::NoFocus);
  Tap->setAutoDefault(false);
  layout->addWidget(Tap);
  auto* quantize = new QGroupBox("Quantize");
  auto* quantizeLayout = new QVBoxLayout(quantize);
  quantizeLayout->addWidget(Quarter);
  quantizeLayout->addWidget(Eighth);
  for (QRadioButton* button : {Quarter, Eighth}) button->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(quantize);
  {
    std::lock_guard lock(engine_.Lock);
    (engine_.Transport.ClockResolution == 2 ? Eighth : Quarter)->setChecked(true);
    // The first tap sounds accented.
    engine_.Transport.ClickCounter = static_cast<int16_t>(engine_.Transport.ClickAccentPeriod + 1);
    // A key of the MIDI keyboard taps while the dialog is open; it is timed as it arrives.
    engine_.Input.Hooks.TapKey = [this] {
      QMetaObject::invokeMethod(
          this, [this, ms = NowMs()] { TapAt(ms); }, Qt::QueuedConnection);
      return true;
    };
  }
  StartBar();
  connect(Tap, &QPushButton::pressed, this, [this] { TapAt(NowMs()); });
  connect(Quarter, &QRadioButton::clicked, this, [this] { SetEighths(false); });
  connect(Eighth, &QRadioButton::clicked, this, [this] { SetEighths(true); });
}

TTempo::~TTempo() {
  std::lock_guard lock(engine_.Lock);
  engine_.Input.Hooks.TapKey = nullptr;
}

void TTempo::StartBar() {
  std::lock_guard lock(engine_.Lock);
  const int taps = engine_.Transport.ClickAccentPeriod;
  bar_ = TapTempo(taps, engine_.Transport.ClockResolution == 2);
  Tap->setText(QString("Tap %1 times").arg(bar_.Taps()));
}

void TTempo::SetEighths(bool on) {
  {
    std::lock_guard lock(engine_.Lock);
    Transport& transport = engine_.Transport;
    const int index = transport.QuantizeIndex;
    if (on && index < 5) transport.SetQuantize(index + 5);
    if (!on && index >= 5) transport.SetQuantize(index - 5);
  }
  StartBar();
}

void TTempo::TapAt(int64_t ms) {
  TapTempo::Result result;
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Transport.PlayClick(kTapVelocity);
    result = bar_.Tap(ms);
  }
  if (result != TapTempo::Result::Tempo) return;
  tempo_.setValue(bar_.Tempo());
  accept();
}

void TTempo::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (!event->isAutoRepeat()) TapAt(NowMs());
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace korvel
