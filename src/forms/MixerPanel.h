// The mixer panel: the sixteen channels and what each plays, the scroll bars of the live channel,
// the values last sent to it, the instrument box, the resets and the output volume.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Engine.h"

namespace korvel {

class MixerPanel : public QWidget {
  Q_OBJECT

 public:
  explicit MixerPanel(Engine& engine, QWidget* parent = nullptr);
  ~MixerPanel() override;

  // Shows the instrument set, the channels, the sent values, the scroll bars and the output
  // volume as the core has them now.
  void Refresh();

  QLabel* InstrumentSet;
  QListWidget* Channels;
  QListWidget* Instruments;
  std::array<QSlider*, kBarCount> Bars{};      // "Volume" .. "Aftertouch"
  std::array<QLabel*, kBarCount> BarValues{};  // the number under each bar
  std::array<QLineEdit*, 8> Fields{};          // Mixer::SentValues of the live channel
  QPushButton* SendValues;                     // "Send Values"
  QPushButton* ControllerReset;                // "C. Reset"
  QPushButton* AllNotesOff;                    // "All notes off"
  QPushButton* Rev0;                           // "Rev 0"
  QCheckBox* Solo;                             // "SOLO"
  QSlider* Left;
  QSlider* Right;
  QCheckBox* Lock;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // What the panel shows, read under the engine lock and shown after it is let go.
  struct Snapshot {
    std::optional<std::vector<std::string>> Lines;  // only when the list is read again
    std::string SetName;
    std::array<std::string, 16> ChannelLines;
    std::array<std::string, 8> Fields;
    std::array<int, kBarCount> Bars{};
    int Channel = 0;
    int Selected = -1;
    bool Solo = false;
    bool ReverbStep = false;
    int VolumeLeft = 0;
    int VolumeRight = 0;
    bool VolumeLock = false;
  };
  // The player's thread asks for a refresh through this; it outlives the panel.
  struct DisplayRelay;

  Snapshot Read(bool withList) const;
  void Show(const Snapshot& view);
  // Runs `action` under the engine lock, then shows the outcome.
  void Act(const std::function<void()>& action);
  void ShowBarValue(int bar, int value);

  Engine& engine_;
  std::shared_ptr<DisplayRelay> relay_;
};

}  // namespace korvel
