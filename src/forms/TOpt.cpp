#include "forms/TOpt.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <mutex>

#include "engine/Transport.h"
#include "forms/TForm1.h"
#include "forms/TForm3.h"
#include "performance/ChordTypes.h"

namespace korvel {

namespace {

const QStringList kQuantizeItems = {"1/4", "2/4", "3/4", "4/4", "6/4",
                                    "1/8", "2/8", "3/8", "4/8", "6/8"};
const std::array<const char*, kOptionKeyCount> kKeyCaptions = {
    "Fill in Key", "Ending Key", "To Ext. Key", "To Basic Key", "First Acc. Key", "Last Acc. Key"};

QComboBox* List(const QStringList& items) {
  auto* list = new QComboBox;
  list->addItems(items);
  return list;
}

// The settings keep colours as 0x00BBGGRR.
uint32_t RgbOf(int setting) {
  const QColor color = ColorFromSetting(setting);
  return static_cast<uint32_t>(color.rgb() & 0xFFFFFF);
}
int SettingOf(uint32_t rgb) {
  return static_cast<int>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

}  // namespace

TOpt::TOpt(TForm1& main)
    : QWidget(nullptr, Qt::Window),
      AccChannel(new QComboBox),
      Origin(new QCheckBox("Origin")),
      Quantize(List(kQuantizeItems)),
      Metrum(new QComboBox),
      Sync(new QSpinBox),
      Patches(new QListWidget),
      PatchName(new QLabel),
      PatchMode(new QButtonGroup(this)),
      Layout(List({"German", "English (USA)"})),
      ChordKey(List({"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"})),
      ChordType(new QComboBox),
      SetChordKey(new QPushButton("Set")),
      ChordKeys(new QListWidget),
      BackgroundColor(new QPushButton("Background Color")),
      BackgroundPicture(new QPushButton("Background Picture")),
      Connection(new QPushButton("Connection")),
      StartProgram(new QCheckBox(" Start Program ...")),
      AutoSave(new QCheckBox("Auto-save settings")),
      ProgramName(new QLineEdit),
      ProgramPathButton(new QPushButton("Prog. Path")),
      ProgramPath(new QLineEdit),
      Midi(new QPushButton("MIDI")),
      Ok(new QPushButton("OK")),
      Abort(new QPushButton("Abort")),
      main_(main) {
  setObjectName("TOpt");
  setWindowTitle("Global Settings");
  auto* pages = new QTabWidget;

  // Keys.
  auto* keys = new QWidget;
  auto* keyForm = new QFormLayout(keys);
  QStringList octaves;
  for (int octave = 1; octave <= 10; ++octave) octaves << QString::number(octave);
  QStringList notes;
  for (const char* name : NoteNames) notes << name;
  for (int i = 0; i < kOptionKeyCount; ++i) {
    KeyNotes[static_cast<size_t>(i)] = List(notes);
    KeyOctaves[static_cast<size_t>(i)] = List(octaves);
    auto* row = new QHBoxLayout;
    row->addWidget(KeyNotes[static_cast<size_t>(i)]);
    row->addWidget(KeyOctaves[static_cast<size_t>(i)]);
    keyForm->addRow(kKeyCaptions[static_cast<size_t>(i)], row);
  }
  KeyNotes[4]->setToolTip("Lowest accompaniment section key");
  KeyNotes[5]->setToolTip("Highest accompaniment section key");
  AccChannel->addItem("All");
  for (int channel = 1; channel <= 16; ++channel) AccChannel->addItem(QString::number(channel));
  AccChannel->setToolTip(
      "Receive MIDI messages for auto-accompaniment either from all channels or only from the "
      "selected channel");
  keyForm->addRow("Acc. Channel", AccChannel);
  Origin->setToolTip("Do not redirect MIDI messages to the currently activated MIDI channel");
  keyForm->addRow(Origin);
  pages->addTab(keys, "Keys");

  // Keyboard and chord keys.
  auto* keyboard = new QWidget;
  auto* keyboardLayout = new QVBoxLayout(keyboard);
  auto* layoutRow = new QFormLayout;
  layoutRow->addRow("Keyboard - Layout", Layout);
  keyboardLayout->addLayout(layoutRow);
  auto* chordGroup = new QGroupBox("Keyboard-Configuration");
  auto* chordLayout = new QVBoxLayout(chordGroup);
  for (int type = 2; type <= 17; ++type)
    ChordType->addItem(ChordTypeTable[static_cast<size_t>(type)].Name);
  auto* setRow = new QHBoxLayout;
  setRow->addWidget(ChordKey);
  setRow->addWidget(ChordType);
  setRow->addWidget(SetChordKey);
  SetChordKey->setToolTip("Set Key <> Chordtype");
  chordLayout->addLayout(setRow);
  chordLayout->addWidget(ChordKeys);
  keyboardLayout->addWidget(chordGroup);
  pages->addTab(keyboard, "Keyboard");

  // Clock.
  auto* clock = new QWidget;
  auto* clockForm = new QFormLayout(clock);
  for (const char* metre : kMetreNames) Metrum->addItem(metre);
  clockForm->addRow("Quantize", Quantize);
  clockForm->addRow("Metrum", Metrum);
  Sync->setRange(1, 10);
  Sync->setToolTip("1 = slow  10 = fast");
  clockForm->addRow("Sync.", Sync);
  auto* presets = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    auto* preset = new QSpinBox;
    preset->setRange(kMinTempo, kMaxTempo);
    preset->setToolTip(QString("F%1").arg(5 + i));
    presets->addWidget(preset);
    TempoPresets[static_cast<size_t>(i)] = preset;
  }
  clockForm->addRow("Tempo presets", presets);
  pages->addTab(clock, "Clock");

  // Sound module.
  auto* sound = new QWidget;
  auto* soundLayout = new QVBoxLayout(sound);
  soundLayout->addWidget(new QLabel("Patches :"));
  soundLayout->addWidget(Patches);
  soundLayout->addWidget(PatchName);
  auto* modes = new QHBoxLayout;
  int mode = 0;
  for (const char* caption : {"gm", "gs", "xg"}) {
    auto* button = new QRadioButton(caption);
    button->setEnabled(false);  // the loaded list says which
    PatchMode->addButton(button, mode++);
    modes->addWidget(button);
  }
  soundLayout->addLayout(modes);
  pages->addTab(sound, "Sound");

  // Look and the program beside Korvel.
  auto* other = new QWidget;
  auto* otherForm = new QFormLayout(other);
  otherForm->addRow(BackgroundColor, BackgroundPicture);
  otherForm->addRow(Connection, StartProgram);
  otherForm->addRow(AutoSave);
  otherForm->addRow("Prog. Name", ProgramName);
  otherForm->addRow(ProgramPathButton, ProgramPath);
  pages->addTab(other, "Program");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Midi);
  buttons->addStretch();
  buttons->addWidget(Ok);
  buttons->addWidget(Abort);
  layout->addLayout(buttons);

  connect(Ok, &QPushButton::clicked, this, [this] {
    Accept();
    beforeConnection_.reset();
    close();
  });
  connect(Abort, &QPushButton::clicked, this, &QWidget::close);
  connect(Midi, &QPushButton::clicked, this, [this] { main_.OpenMidiSettings(false); });
  connect(SetChordKey, &QPushButton::clicked, this, [this] {
    if (edited_.SetChordKey(ChordKey->currentIndex(), ChordType->currentIndex())) ShowChordKeys();
  });
  connect(BackgroundColor, &QPushButton::clicked, this, [this] {
    const auto rgb = main_.DialogBoxes().ChooseColor(RgbOf(edited_.Color));
    if (!rgb) return;
    edited_.Color = SettingOf(*rgb);
    edited_.Picture.clear();
    edited_.PictureVisible = false;
    ShowColor();
  });
  connect(BackgroundPicture, &QPushButton::clicked, this, [this] {
    const auto file = main_.DialogBoxes().OpenFileDialog(
        {"Background Picture", "Pictures (*.bmp;*.png;*.jpg)|*.bmp;*.png;*.jpg", "BMP",
         std::filesystem::path(edited_.Picture).parent_path().string()});
    if (!file) return;
    edited_.Picture = *file;
    edited_.PictureVisible = true;
  });
  connect(ProgramPathButton, &QPushButton::clicked, this, [this] {
    const auto file = main_.DialogBoxes().OpenFileDialog(
        {"Search program ...", "Programs (*)|*", "",
         std::filesystem::path(ProgramPath->text().toStdString()).parent_path().string()});
    if (!file) return;
    if (!QFileInfo(QString::fromStdString(*file)).isExecutable()) {
      main_.DialogBoxes().InformUser("\"" + *file + "\" is not a program.");
      return;
    }
    ProgramPath->setText(QString::fromStdString(*file));
  });
  connect(Connection, &QPushButton::clicked, this, [this] {
    if (!beforeConnection_) beforeConnection_ = Options::From(main_.Settings());
    ReadControls();
    edited_.To(main_.Settings());
    main_.StartExternalApp(false);
  });

  resize(480, 400);
  // Centred vertically on the screen and horizontally on the main window.
  if (const QScreen* screen = main.screen()) {
    const QRect area = screen->availableGeometry();
    move(main.frameGeometry().center().x() - width() / 2, area.center().y() - height() / 2);
  }
  main.LoadConfiguration();
}

void TOpt::LoadControls() {
  Configuration& settings = main_.Settings();
  int mode = 0;
  {
    std::lock_guard lock(main_.Core().Lock);
    settings.TakeSettings(main_.Core());
    mode = main_.Core().Mixer.List.Mode;
  }
  edited_ = Options::From(settings);
  for (size_t i = 0; i < kOptionKeyCount; ++i) {
    KeyNotes[i]->setCurrentIndex(edited_.KeyNotes[i]);
    KeyOctaves[i]->setCurrentIndex(edited_.KeyOctaves[i]);
  }
  AccChannel->setCurrentIndex(edited_.AccChannel);
  Origin->setChecked(edited_.Redirect);
  Quantize->setCurrentIndex(edited_.Quantize);
  Metrum->setCurrentIndex(edited_.Metrum);
  Sync->setValue(edited_.Sync);
  Layout->setCurrentIndex(edited_.KeyboardLayout);
  for (size_t i = 0; i < 4; ++i) TempoPresets[i]->setValue(edited_.TempoPresets[i]);
  StartProgram->setChecked(edited_.AutoConnect);
  AutoSave->setChecked(edited_.AutoSave);
  ProgramName->setText(QString::fromStdString(edited_.ProgramName));
  ProgramPath->setText(QString::fromStdString(edited_.ProgramPath));
  Patches->clear();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(main_.ProgramDir(), error)) {
    const auto name = entry.path().filename().string();
    if (QString::fromStdString(name).endsWith(".kvi", Qt::CaseInsensitive))
      Patches->addItem(QString::fromStdString(name));
  }
  Patches->sortItems();
  const auto current = Patches->findItems(
      QString::fromStdString(std::filesystem::path(edited_.Patch).filename().string()),
      Qt::MatchFixedString);
  if (!current.isEmpty()) Patches->setCurrentItem(current.first());
  PatchName->setText(
      QString::fromStdString(edited_.Patch.empty() ? "General MIDI (built in)" : edited_.Patch));
  if (QAbstractButton* button = PatchMode->button(mode)) button->setChecked(true);
  ShowChordKeys();
  ShowColor();
}

void TOpt::ReadControls() {
  for (size_t i = 0; i < kOptionKeyCount; ++i) {
    edited_.KeyNotes[i] = KeyNotes[i]->currentIndex();
    edited_.KeyOctaves[i] = KeyOctaves[i]->currentIndex();
  }
  edited_.AccChannel = AccChannel->currentIndex();
  edited_.Redirect = Origin->isChecked();
  edited_.Quantize = Quantize->currentIndex();
  edited_.Metrum = Metrum->currentIndex();
  edited_.Sync = Sync->value();
  edited_.KeyboardLayout = Layout->currentIndex();
  for (size_t i = 0; i < 4; ++i) edited_.TempoPresets[i] = TempoPresets[i]->value();
  edited_.AutoConnect = StartProgram->isChecked();
  edited_.AutoSave = AutoSave->isChecked();
  edited_.ProgramName = ProgramName->text().toStdString();
  edited_.ProgramPath = ProgramPath->text().toStdString();
  if (QListWidgetItem* patch = Patches->currentItem()) edited_.Patch = patch->text().toStdString();
}

void TOpt::Accept() {
  ReadControls();
  Configuration& settings = main_.Settings();
  const bool newList = edited_.Patch != settings.Text("Patch");
  edited_.To(settings);
  {
    std::lock_guard lock(main_.Core().Lock);
    // The channels' instrument lines belong to the old list: they go when the new one loads.
    if (newList) main_.Core().Mixer.ChannelInstrument.fill(0);
    settings.ApplySettings(main_.Core(), newList);
  }
  main_.ApplyLook();
  main_.RefreshControls();
}

void TOpt::ShowChordKeys() {
  ChordKeys->clear();
  for (int key = 0; key < kChordKeyCount; ++key)
    ChordKeys->addItem(QString::fromStdString(edited_.ChordKeyLine(key)));
}

void TOpt::ShowColor() {
  const QColor color = ColorFromSetting(edited_.Color);
  BackgroundColor->setStyleSheet(
      QString("background-color: %1; color: %2")
          .arg(color.name(), color.lightness() > 128 ? QString("black") : QString("white")));
}

void TOpt::showEvent(QShowEvent* event) {
  LoadControls();
  QWidget::showEvent(event);
}

void TOpt::closeEvent(QCloseEvent* event) {
  if (beforeConnection_) beforeConnection_->To(main_.Settings());
  beforeConnection_.reset();
  QWidget::closeEvent(event);
}

void TOpt::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F12) {
    main_.HelpOnWindow();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace korvel
