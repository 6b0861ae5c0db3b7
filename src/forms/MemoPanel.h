// The "Memo" panel: the song's text, kept with the arrangement: the comment memo and the title,
// subtitle, author and copyright lines the file stores after it, and "Auto pop-up", which opens
// the song editor by itself after an arrangement is loaded. Editing any of them changes the
// song, so opening another one asks first.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <array>

#include "app/Configuration.h"
#include "app/Engine.h"
#include "app/Songs.h"

namespace korvel {

class MemoPanel : public QWidget {
  Q_OBJECT

 public:
  // `songs` is used under the engine lock; "Auto pop-up" is the setting "MPU" of `settings`.
  MemoPanel(Engine& engine, Songs& songs, Configuration& settings, QWidget* parent = nullptr);
  ~MemoPanel() override;

  // Shows the song's texts again (after a song was opened).
  void Refresh();

  QPlainTextEdit* Memo;
  QLineEdit* Title;
  QLineEdit* Subtitle;
  QLineEdit* Author;
  QLineEdit* Copyright;
  QCheckBox* AutoPopUp;  // "Auto pop-up"

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BindLine(QLineEdit* edit, std::string Songs::*field);

  Engine& engine_;
  Songs& songs_;
  Configuration& settings_;
  std::string shownMemo_;  // the memo as the edit last showed it
  QTimer follow_;
};

}  // namespace korvel
