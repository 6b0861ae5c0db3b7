// The "Solo - Mute" panel: the "Solo" group (every channel or one), the sixteen mute switches
// that also show which channels play, and the "Active/Minus/Repl. Ch." group with "Minus One"
// and "Replace One", the two ways of playing along on that channel.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "app/Engine.h"

namespace korvel {

class SoloMutePanel : public QWidget {
  Q_OBJECT

 public:
  // `filePlayerPlaying` tells whether the MIDI file player plays, which refuses "Minus One".
  SoloMutePanel(Engine& engine, std::function<bool()> filePlayerPlaying, QWidget* parent = nullptr);
  ~SoloMutePanel() override;

  // Reads the choices back from the core.
  void Refresh();

  QButtonGroup* Solo;                  // "Nil" (id 0), "1".."16" (ids 1..16)
  std::array<QCheckBox*, 16> Mutes{};  // the channel boxes "1".."16": ticked = muted
  QButtonGroup* PlayAlongChannel;      // "Active/Minus/Repl. Ch.": ids 0..15
  QCheckBox* MinusOne;                 // "Minus One"
  QCheckBox* ReplaceOne;               // "Replace One"

 signals:
  // "Minus One" or "Replace One" changed here: the menu's check marks follow.
  void PlayAlongChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Follows the core while shown; unticked boxes of channels that played since the last look
  // are greyed for a moment.
  void ShowActivity();
  // The engine's values; with `activity`, channels that played since the last call show it.
  void Show(bool activity);

  Engine& engine_;
  std::function<bool()> filePlayerPlaying_;
  QTimer activityTimer_;
  std::array<bool, 16> played_{};  // under the engine lock
};

}  // namespace korvel
