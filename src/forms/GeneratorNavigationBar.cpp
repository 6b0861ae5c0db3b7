#include "forms/GeneratorNavigationBar.h"

#include <QActionGroup>
#include <QHBoxLayout>

#include "engine/StyleTables.h"

namespace korvel {

GeneratorNavigationBar::GeneratorNavigationBar(Engine& engine, QMenuBar* menus, Act act,
                                               QWidget* parent)
    : QWidget(parent), navigator_(engine), act_(std::move(act)) {
  setObjectName("GeneratorNavigationBar");
  GeneratorNavigator& nav = navigator_;
  RewindButton = Button("|<", "Rewind", [&nav] { nav.Rewind(); });
  LoopsBackButton = Button("<<", "LoopStart back by the loop length", [&nav] { nav.LoopsBack(); });
  PreviousButton = Button("<", "Previous measure", [&nav] { nav.PreviousMeasure(); });
  NextButton = Button(">", "Next measure", [&nav] { nav.NextMeasure(); });
  LoopsForwardButton =
      Button(">>", "LoopStart forward by the loop length", [&nav] { nav.LoopsForward(); });
  LastFourButton = Button("Last 4 measures", "Play the last 4 measures of the material",
                          [&nav] { nav.LastFourMeasures(); });
  LoopStartButton = Button("LoopStart", "The loop starts at the measure that plays",
                           [&nav] { nav.LoopStartHere(); });
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w :
       std::initializer_list<QWidget*>{RewindButton, LoopsBackButton, PreviousButton, NextButton,
                                       LoopsForwardButton, LastFourButton, LoopStartButton})
    row->addWidget(w);
  row->addStretch();

  LoopMenu = menus->addMenu("&Loop");
  auto* lengths = new QActionGroup(this);
  for (int measures = 1; measures <= kMostLoopMeasures; ++measures) {
    QAction* item = LoopMenu->addAction(measures == 1 ? QString("1 measure")
                                                      : QString("%1 measures").arg(measures));
    item->setCheckable(true);
    item->setChecked(measures == nav.LoopMeasures());
    lengths->addAction(item);
    connect(item, &QAction::triggered, this, [this, measures] {
      act_([this, measures] { navigator_.ChooseLoopLength(measures); });
    });
    LoopItems[static_cast<size_t>(measures - 1)] = item;
  }
  BasicMenu = menus->addMenu("&Basic");
  BasicItem = PartItem(BasicMenu, "Basic", kBasic, false);
  VariationBasicItem = PartItem(BasicMenu, "Variation Basic", kFillBasic, true);
  ExtendedMenu = menus->addMenu("&Extended");
  ExtendedItem = PartItem(ExtendedMenu, "Extended", kExtended, false);
  VariationExtendedItem = PartItem(ExtendedMenu, "Variation Extended", kFillExtended, true);
  OthersMenu = menus->addMenu("&Others");
  const std::array<std::pair<const char*, int>, 6> others = {{{"Intro", kIntro},
                                                              {"Ending", kEnding},
                                                              {"Fill in Basic", kFillBasic},
                                                              {"Fill in Extended", kFillExtended},
                                                              {"To Extended", kToExtended},
                                                              {"To Basic", kToBasic}}};
  for (size_t i = 0; i < others.size(); ++i)
    OtherItems[i] = PartItem(OthersMenu, others[i].first, others[i].second, false);
}

void GeneratorNavigationBar::Refresh(bool styleMode, bool hasWork) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{RewindButton, PreviousButton, NextButton, LastFourButton})
    w->setEnabled(hasWork);
  for (QWidget* w :
       std::initializer_list<QWidget*>{LoopsBackButton, LoopsForwardButton, LoopStartButton})
    w->setEnabled(hasWork && styleMode);
  for (QMenu* menu : {BasicMenu, ExtendedMenu, OthersMenu}) menu->setEnabled(hasWork);
}

QPushButton* GeneratorNavigationBar::Button(const QString& caption, const QString& hint,
                                            std::function<void()> command) {
  auto* button = new QPushButton(caption);
  button->setToolTip(hint);
  connect(button, &QPushButton::clicked, this, [this, command] { act_(command); });
  return button;
}

QAction* GeneratorNavigationBar::PartItem(QMenu* menu, const QString& caption, int part,
                                          bool variation) {
  QAction* item = menu->addAction(caption);
  connect(item, &QAction::triggered, this, [this, part, variation] {
    act_([this, part, variation] { navigator_.ChoosePart(part, variation); });
  });
  return item;
}

}  // namespace korvel
