// The generator's navigation controls: the measure buttons, the loop buttons and the "&Loop",
// "&Basic", "&Extended" and "&Others" menus. They call the navigator; the generator window
// binds them and shows the fields they change.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>

#include "app/GeneratorNavigator.h"

namespace korvel {

class GeneratorNavigationBar : public QWidget {
  Q_OBJECT

 public:
  // `act` runs a command under the engine lock and shows the window's fields again.
  using Act = std::function<void(const std::function<void()>&)>;
  GeneratorNavigationBar(Engine& engine, QMenuBar* menus, Act act, QWidget* parent = nullptr);

  GeneratorNavigator& Navigator() { return navigator_; }

  QPushButton* RewindButton;        // "|<": "Rewind"
  QPushButton* LoopsBackButton;     // "<<"
  QPushButton* PreviousButton;      // "<": "Previous measure"
  QPushButton* NextButton;          // ">": "Next measure"
  QPushButton* LoopsForwardButton;  // ">>"
  QPushButton* LastFourButton;      // "Last 4 measures"
  QPushButton* LoopStartButton;     // "LoopStart"
  QMenu* LoopMenu;                  // "&Loop": "1 measure" .. "8 measures"
  std::array<QAction*, kMostLoopMeasures> LoopItems{};
  QMenu* BasicMenu;                      // "&Basic"
  QAction* BasicItem;                    // "Basic"
  QAction* VariationBasicItem;           // "Variation Basic"
  QMenu* ExtendedMenu;                   // "&Extended"
  QAction* ExtendedItem;                 // "Extended"
  QAction* VariationExtendedItem;        // "Variation Extended"
  QMenu* OthersMenu;                     // "&Others"
  std::array<QAction*, 6> OtherItems{};  // "Intro", "Ending", fills and transitions

  // Style-mode controls are enabled in style mode only.
  void Refresh(bool styleMode, bool hasWork);

 private:
  QPushButton* Button(const QString& caption, const QString& hint, std::function<void()> command);
  QAction* PartItem(QMenu* menu, const QString& caption, int part, bool variation);

  GeneratorNavigator navigator_;
  Act act_;
};

}  // namespace korvel
