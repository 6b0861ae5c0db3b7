// The options window ("Global Settings"). It is made last, when every other window exists,
// and its making loads the settings into all of them. Its controls edit a copy of the options:
// OK puts the copy into the settings and the engine, Abort drops it.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <optional>

#include "app/Options.h"

namespace korvel {

class TForm1;

class TOpt : public QWidget {
  Q_OBJECT

 public:
  explicit TOpt(TForm1& main);

  // The options as they are in force now (the engine's current values included).
  void LoadControls();
  // OK: the controls' values go into the settings and the engine.
  void Accept();
  const Options& Edited() const { return edited_; }

  std::array<QComboBox*, kOptionKeyCount> KeyNotes;    // "Fill in Key" .. "Last Acc. Key"
  std::array<QComboBox*, kOptionKeyCount> KeyOctaves;  // "1" .. "10"
  QComboBox* AccChannel;                               // "Acc. Channel"
  QCheckBox* Origin;
  QComboBox* Quantize;
  QComboBox* Metrum;
  QSpinBox* Sync;            // "Sync."
  QListWidget* Patches;      // "Patches :"
  QLabel* PatchName;         // the current set's name
  QButtonGroup* PatchMode;   // "gm", "gs", "xg": set from the loaded list
  QComboBox* Layout;         // "Keyboard - Layout"
  QComboBox* ChordKey;       // "1" .. "9", "0"
  QComboBox* ChordType;      // "min" .. "sus7"
  QPushButton* SetChordKey;  // "Set"
  QListWidget* ChordKeys;    // "1 = min" .. "0 = 6th"
  QPushButton* BackgroundColor;
  QPushButton* BackgroundPicture;
  std::array<QSpinBox*, 4> TempoPresets;  // F5 .. F8
  QPushButton* Connection;
  QCheckBox* StartProgram;         // " Start Program ..."
  QCheckBox* AutoSave;             // "Auto-save settings"
  QLineEdit* ProgramName;          // "Prog. Name"
  QPushButton* ProgramPathButton;  // "Prog. Path"
  QLineEdit* ProgramPath;
  QPushButton* Midi;   // the MIDI settings panel
  QPushButton* Ok;     // "OK"
  QPushButton* Abort;  // "Abort"

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing without OK ("Abort") leaves the settings as they were when the window opened.
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ReadControls();
  void ShowChordKeys();
  void ShowColor();

  TForm1& main_;
  Options edited_;
  // The settings before "Connection" put the edits in force for the program it starts.
  std::optional<Options> beforeConnection_;
};

}  // namespace korvel
