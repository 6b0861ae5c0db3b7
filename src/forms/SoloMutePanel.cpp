#include "forms/SoloMutePanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <mutex>
#include <utility>

#include "app/PlayAlong.h"
#include "app/SoloMute.h"

namespace korvel {

namespace {

// Sixteen channels in two rows of eight, after `first` buttons already in the grid.
void PlaceChannel(QGridLayout* grid, QAbstractButton* button, int channel, int first) {
  const int index = channel + first;
  grid->addWidget(button, index / 9, index % 9);
}

}  // namespace

SoloMutePanel::SoloMutePanel(Engine& engine, std::function<bool()> filePlayerPlaying,
                             QWidget* parent)
    : QWidget(parent),
      Solo(new QButtonGroup(this)),
      PlayAlongChannel(new QButtonGroup(this)),
      MinusOne(new QCheckBox("Minus One")),
      ReplaceOne(new QCheckBox("Replace One")),
      engine_(engine),
      filePlayerPlaying_(std::move(filePlayerPlaying)) {
  setObjectName("Solo - Mute");
  auto* column = new QVBoxLayout(this);

  auto* solo = new QGroupBox("Solo");
  solo->setToolTip("Only this channel of the style plays; Nil: every channel");
  auto* soloGrid = new QGridLayout(solo);
  auto* nil = new QRadioButton("Nil");
  nil->setObjectName("SoloNil");
  Solo->addButton(nil, 0);
  soloGrid->addWidget(nil, 0, 0);
  for (int c = 0; c < 16; ++c) {
    auto* button = new QRadioButton(QString::number(c + 1));
    button->setObjectName(QString("Solo%1").arg(c + 1));
    Solo->addButton(button, c + 1);
    PlaceChannel(soloGrid, button, c, 1);
  }
  column->addWidget(solo);
  connect(Solo, &QButtonGroup::idClicked, this, [this](int id) {
    std::lock_guard lock(engine_.Lock);
    SetSolo(engine_, id);
  });

  auto* mute = new QGroupBox("Mute");
  mute->setToolTip("A ticked channel is silent, whatever the style part brings");
  auto* muteGrid = new QGridLayout(mute);
  for (int c = 0; c < 16; ++c) {
    auto* box = new QCheckBox(QString::number(c + 1));
    box->setObjectName(QString("cb%1").arg(c));
    Mutes[static_cast<size_t>(c)] = box;
    PlaceChannel(muteGrid, box, c, 0);
    connect(box, &QCheckBox::clicked, this, [this, c, box] {
      // A click turns the mute over; a greyed box (activity) counts as unticked.
      bool muted = false;
      {
        std::lock_guard lock(engine_.Lock);
        muted = !engine_.Notes.ChannelBoxes[static_cast<size_t>(c)];
        SetChannelMute(engine_, c, muted);
      }
      const QSignalBlocker block(box);
      box->setTristate(false);
      box->setChecked(muted);
    });
  }
  column->addWidget(mute);

  auto* live = new QGroupBox("Active/Minus/Repl. Ch.");
  live->setToolTip("The channel played live, left out by Minus One, replaced by Replace One");
  auto* liveGrid = new QGridLayout(live);
  for (int c = 0; c < 16; ++c) {
    auto* button = new QRadioButton(QString::number(c + 1));
    button->setObjectName(QString("Channel%1").arg(c + 1));
    PlayAlongChannel->addButton(button, c);
    PlaceChannel(liveGrid, button, c, 0);
  }
  MinusOne->setToolTip("The style leaves out its notes on this channel while you play on it");
  ReplaceOne->setToolTip("The style's notes on this channel are replaced by what you play");
  liveGrid->addWidget(MinusOne, 2, 0, 1, 4);
  liveGrid->addWidget(ReplaceOne, 2, 4, 1, 4);
  column->addWidget(live);
  connect(PlayAlongChannel, &QButtonGroup::idClicked, this, [this](int channel) {
    std::lock_guard lock(engine_.Lock);
    ChoosePlayAlongChannel(engine_, channel);
  });
  connect(MinusOne, &QCheckBox::clicked, this, [this](bool on) {
    const bool filePlaying = filePlayerPlaying_ && filePlayerPlaying_();
    {
      std::lock_guard lock(engine_.Lock);
      SetMinusOne(engine_, on, engine_.Style.SongLoaded, filePlaying);
    }
    Refresh();
    emit PlayAlongChanged();
  });
  connect(ReplaceOne, &QCheckBox::clicked, this, [this](bool on) {
    {
      std::lock_guard lock(engine_.Lock);
      SetReplaceOne(engine_, on);
    }
    Refresh();
    emit PlayAlongChanged();
  });

  {
    std::lock_guard lock(engine_.Lock);
    engine_.Player.Hooks.ChannelActivity = [this](int channel) {
      played_[static_cast<size_t>(channel & 0x0F)] = true;
    };
  }
  activityTimer_.setInterval(150);
  connect(&activityTimer_, &QTimer::timeout, this, [this] { ShowActivity(); });
  Refresh();
}

SoloMutePanel::~SoloMutePanel() {
  std::lock_guard lock(engine_.Lock);
  engine_.Player.Hooks.ChannelActivity = nullptr;
}

void SoloMutePanel::Refresh() {
  Show(false);
}

void SoloMutePanel::Show(bool activity) {
  std::lock_guard lock(engine_.Lock);
  const NoteBookkeeping& notes = engine_.Notes;
  const LiveSettings& live = engine_.Live;
  std::array<bool, 16> played{};
  if (activity) played = std::exchange(played_, {});
  const auto check = [](QAbstractButton* button, bool on) {
    const QSignalBlocker block(button);
    button->setChecked(on);
  };
  if (QAbstractButton* button = Solo->button(notes.SoloSelection)) check(button, true);
  for (size_t c = 0; c < Mutes.size(); ++c) {
    const QSignalBlocker block(Mutes[c]);
    // A channel that plays shows half a tick while it is not muted.
    if (!notes.ChannelBoxes[c] && played[c]) {
      Mutes[c]->setCheckState(Qt::PartiallyChecked);
    } else {
      Mutes[c]->setTristate(false);
      Mutes[c]->setChecked(notes.ChannelBoxes[c]);
    }
  }
  if (QAbstractButton* button = PlayAlongChannel->button(live.SelChannel)) check(button, true);
  check(MinusOne, live.MinusOne);
  check(ReplaceOne, live.ReplaceOne);
}

void SoloMutePanel::showEvent(QShowEvent* event) {
  Refresh();
  activityTimer_.start();
  QWidget::showEvent(event);
}

void SoloMutePanel::ShowActivity() {
  if (!isVisible()) {
    activityTimer_.stop();
    return;
  }
  // Song commands, the song list and the mixer change the boxes too.
  Show(true);
}

}  // namespace korvel
