#include "forms/TIns.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace korvel {

namespace {

// The line the user chose; a current line without a selection (after focusing) is no choice.
int ChosenRow(const QListWidget* list) {
  const auto items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.first());
}

}  // namespace

TIns::TIns(Engine& engine, Configuration& settings, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Slots(new QListWidget),
      Instruments(new QListWidget),
      Functions(new QListWidget),
      SetInstrument(new QPushButton("Set")),
      SetFunction(new QPushButton("Set")),
      Clear(new QPushButton("Clear")),
      ClearAll(new QPushButton("Clear All")),
      Random(new QPushButton("Random")),
      Number(new QSpinBox),
      LoadNumber(new QPushButton("Load No.")),
      SaveNumber(new QPushButton("Save as No.")),
      engine_(engine),
      settings_(settings) {
  setObjectName("TIns");
  setWindowTitle("Instruments & Functions");
  auto* grid = new QGridLayout(this);

  Slots->setObjectName("Slots");
  Slots->setToolTip("The instrument keys F1 .. F12; a click plays one");
  for (int k = 0; k < 12; ++k) Slots->addItem(QString());
  Slots->setMinimumWidth(260);
  Slots->setFixedHeight(Slots->sizeHintForRow(0) * 12 + 2 * Slots->frameWidth());
  grid->addWidget(new QLabel("Keys"), 0, 0);
  Slots->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->addWidget(Slots, 1, 0, Qt::AlignTop);

  Instruments->setObjectName("Instruments");
  Instruments->setToolTip("Choose an instrument to hear it on the live channel");
  Instruments->setMinimumWidth(220);
  grid->addWidget(new QLabel("Instruments"), 0, 1);
  grid->addWidget(Instruments, 1, 1);
  SetInstrument->setObjectName("SetInstrument");
  SetInstrument->setToolTip("The chosen key plays this instrument with the mixer's values");
  grid->addWidget(SetInstrument, 2, 1);

  Functions->setObjectName("Functions");
  Functions->setToolTip("What a key may do instead of choosing an instrument");
  for (const char* name : KeyFunctionNames) Functions->addItem(name);
  Functions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Functions->setFixedHeight(Functions->sizeHintForRow(0) * 12 + 2 * Functions->frameWidth());
  Functions->setMinimumWidth(Functions->sizeHintForColumn(0) + 2 * Functions->frameWidth() + 8);
  grid->addWidget(new QLabel("Functions"), 0, 2);
  grid->addWidget(Functions, 1, 2, Qt::AlignTop);
  SetFunction->setObjectName("SetFunction");
  SetFunction->setToolTip("The chosen key does this function");
  grid->addWidget(SetFunction, 2, 2);

  auto* buttons = new QHBoxLayout;
  Clear->setObjectName("Clear");
  Clear->setToolTip("Empty the chosen key");
  ClearAll->setObjectName("Clear All");
  ClearAll->setToolTip("Empty all twelve keys");
  Random->setObjectName("Random");
  Random->setToolTip("Draw instruments for the keys without a function, then play the chosen key");
  Number->setObjectName("Number");
  Number->setRange(1, 10);
  Number->setToolTip("The number of a stored set of keys");
  LoadNumber->setObjectName("Load No.");
  LoadNumber->setToolTip("Take the keys from the stored set of this number");
  SaveNumber->setObjectName("Save as No.");
  SaveNumber->setToolTip("Store the keys as the set of this number");
  for (QWidget* control :
       std::initializer_list<QWidget*>{Clear, ClearAll, Random, Number, LoadNumber, SaveNumber})
    buttons->addWidget(control);
  buttons->addStretch();
  grid->addLayout(buttons, 3, 0, 1, 3);

  connect(Slots, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int slot = Slots->row(item);
    Act([this, slot] { engine_.Mixer.PlaySlot(slot); });
  });
  connect(Instruments, &QListWidget::itemSelectionChanged, this, [this] {
    const int index = ChosenRow(Instruments);
    if (index >= 0) Act([this, index] { engine_.Mixer.SelectInstrument(index, true); });
    EnableButtons();
  });
  connect(Slots, &QListWidget::itemSelectionChanged, this, [this] { EnableButtons(); });
  connect(Functions, &QListWidget::itemSelectionChanged, this, [this] { EnableButtons(); });
  connect(SetInstrument, &QPushButton::clicked, this, [this] {
    const int slot = ChosenRow(Slots);
    const int index = ChosenRow(Instruments);
    Act([this, slot, index] {
      korvel::Mixer& mixer = engine_.Mixer;
      mixer.Keys.SetInstrument(slot, index, mixer.List, mixer.Bars[kBarVolume], mixer.Bars[kBarPan],
                               mixer.Bars[kBarReverb], mixer.Bars[kBarChorus]);
    });
  });
  connect(SetFunction, &QPushButton::clicked, this, [this] {
    const int slot = ChosenRow(Slots);
    const int function = ChosenRow(Functions);
    Act([this, slot, function] { engine_.Mixer.Keys.SetFunction(slot, function); });
  });
  connect(Clear, &QPushButton::clicked, this, [this] {
    const int slot = ChosenRow(Slots);
    Act([this, slot] { engine_.Mixer.Keys.Clear(slot); });
  });
  connect(ClearAll, &QPushButton::clicked, this,
          [this] { Act([this] { engine_.Mixer.Keys.ClearAll(); }); });
  connect(Random, &QPushButton::clicked, this, [this] {
    const int slot = ChosenRow(Slots);
    Act([this, slot] {
      korvel::Mixer& mixer = engine_.Mixer;
      mixer.Keys.Random(mixer.List, mixer.Random);
      mixer.PlaySlot(slot);
    });
  });
  connect(Number, &QSpinBox::valueChanged, this, [this](int number) {
    std::lock_guard lock(engine_.Lock);
    engine_.Mixer.Keys.StoredSetNumber = number;
  });
  connect(LoadNumber, &QPushButton::clicked, this, [this] {
    const int number = Number->value();
    Act([this, number] { engine_.Mixer.LoadStoredSet(number, settings_); });
  });
  connect(SaveNumber, &QPushButton::clicked, this, [this] {
    const int number = Number->value();
    Act([this, number] { engine_.Mixer.SaveStoredSet(number, settings_); });
  });
  RefreshSlots();
  EnableButtons();
}

void TIns::RefreshSlots() {
  std::array<std::string, 12> lines;
  {
    std::lock_guard lock(engine_.Lock);
    const korvel::Mixer& mixer = engine_.Mixer;
    for (int k = 0; k < 12; ++k)
      lines[static_cast<size_t>(k)] =
          "F" + std::to_string(k + 1) + "  " + mixer.Keys.Text(k, mixer.List);
  }
  for (int k = 0; k < 12; ++k) {
    const QString line = QString::fromStdString(lines[static_cast<size_t>(k)]);
    if (Slots->item(k)->text() != line) Slots->item(k)->setText(line);
  }
}

void TIns::Act(const std::function<void()>& action) {
  {
    std::lock_guard lock(engine_.Lock);
    action();
  }
  RefreshSlots();
}

void TIns::EnableButtons() {
  const bool slot = ChosenRow(Slots) >= 0;
  SetInstrument->setEnabled(slot && ChosenRow(Instruments) >= 0);
  SetFunction->setEnabled(slot && ChosenRow(Functions) >= 0);
  Clear->setEnabled(slot);
}

void TIns::showEvent(QShowEvent* event) {
  // The list is copied while the window is open: it may change with the sound module.
  std::vector<std::string> lines;
  int selected = -1;
  int number = 1;
  {
    std::lock_guard lock(engine_.Lock);
    lines = engine_.Mixer.List.Lines;
    selected = engine_.Mixer.Selected;
    number = engine_.Mixer.Keys.StoredSetNumber;
  }
  Number->setValue(number);
  {
    const QSignalBlocker block(Instruments);
    Instruments->clear();
    for (const std::string& line : lines) Instruments->addItem(QString::fromStdString(line));
    if (selected >= 0 && selected < Instruments->count()) Instruments->setCurrentRow(selected);
  }
  RefreshSlots();
  EnableButtons();
  QWidget::showEvent(event);
}

void TIns::hideEvent(QHideEvent* event) {
  {
    const QSignalBlocker block(Instruments);
    Instruments->clear();
  }
  EnableButtons();
  QWidget::hideEvent(event);
}

}  // namespace korvel
