#include "forms/TCapture.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <mutex>

namespace korvel {

namespace {

constexpr const char* kCapturePartNames[kStylePartCount] = {
    "Intro", "Basic", "Extended", "Ending", "Fill in Basic", "Fill in Ext.", "To Ext.", "To Basic"};

QSpinBox* Measure(int low, int high) {
  auto* box = new QSpinBox;
  box->setRange(low, high);
  return box;
}

}  // namespace

TCapture::TCapture(Engine& engine, QWidget* parent) : QWidget(parent, Qt::Tool), engine_(engine) {
  setWindowTitle("Capture Style");
  auto* column = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("First ..."), 0, 1);
  grid->addWidget(new QLabel("Last ..."), 0, 2);
  for (int part = 0; part < kStylePartCount; ++part) {
    const auto p = static_cast<size_t>(part);
    First[p] = Measure(1, kMaxCaptureMeasure);
    Last[p] = Measure(0, kMaxCaptureMeasure);
    First[p]->setToolTip("First measure of the part; double click = 1");
    Last[p]->setToolTip("Last measure of the part; double click = 0");
    // A double click lands on the box's line edit.
    for (QSpinBox* box : {First[p], Last[p]})
      box->findChild<QLineEdit*>()->installEventFilter(this);
    grid->addWidget(new QLabel(kCapturePartNames[p]), part + 1, 0);
    grid->addWidget(First[p], part + 1, 1);
    grid->addWidget(Last[p], part + 1, 2);
  }
  column->addLayout(grid);

  auto* settings = new QHBoxLayout;
  Tempo = Measure(kMinTempo, kMaxTempo);
  Metre = new QComboBox;
  for (const char* name : kMetreNames) Metre->addItem(name);
  settings->addWidget(new QLabel("Tempo"));
  settings->addWidget(Tempo);
  settings->addWidget(new QLabel("Metrum"));
  settings->addWidget(Metre);
  column->addLayout(settings);

  auto* buttons = new QHBoxLayout;
  NewButton = new QPushButton("New");
  RecordButton = new QPushButton("OK - Record from MIDI in");
  RecordButton->setToolTip(kRecordHint);
  buttons->addWidget(NewButton);
  buttons->addWidget(RecordButton);
  column->addLayout(buttons);

  connect(NewButton, &QPushButton::clicked, this, [this] {
    for (QSpinBox* box : First) box->setValue(1);
    for (QSpinBox* box : Last) box->setValue(0);
  });
  connect(RecordButton, &QPushButton::clicked, this, [this] {
    bool armed = false;
    {
      std::lock_guard lock(engine_.Lock);
      Store();
      armed = engine_.Recorder.ArmRecording(true);
    }
    if (armed) emit Armed();
  });
  std::lock_guard lock(engine_.Lock);
  Show();
}

void TCapture::Open() {
  {
    std::lock_guard lock(engine_.Lock);
    engine_.Recorder.Capture.MetreIndex = engine_.Transport.MetreIndex;
    Show();
  }
  show();
  raise();
}

void TCapture::Show() {
  const CaptureSettings& c = engine_.Recorder.Capture;
  for (size_t p = 0; p < First.size(); ++p) {
    First[p]->setValue(c.First[p]);
    Last[p]->setValue(c.Last[p]);
  }
  Tempo->setValue(c.Tempo);
  Metre->setCurrentIndex(c.MetreIndex);
}

void TCapture::Store() {
  CaptureSettings& c = engine_.Recorder.Capture;
  for (size_t p = 0; p < First.size(); ++p) {
    c.First[p] = First[p]->value();
    c.Last[p] = Last[p]->value();
  }
  c.Tempo = Tempo->value();
  c.MetreIndex = Metre->currentIndex();
}

bool TCapture::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (size_t p = 0; p < First.size(); ++p) {
      if (watched == First[p]->findChild<QLineEdit*>()) {
        First[p]->setValue(1);
        return true;
      }
      if (watched == Last[p]->findChild<QLineEdit*>()) {
        Last[p]->setValue(0);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvel
