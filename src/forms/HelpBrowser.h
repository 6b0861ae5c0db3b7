// "Korvel Help": shows the help pages, with links between them, Back and the topics.
#pragma once

#include <QPushButton>
#include <QTextBrowser>
#include <QWidget>
#include <string>

namespace korvel {

class HelpBrowser : public QWidget {
  Q_OBJECT

 public:
  explicit HelpBrowser(std::string folder, QWidget* parent = nullptr);

  // Shows `page` of the help folder; false when there is no such page.
  bool ShowPage(const std::string& page);

  QTextBrowser* Pages;
  QPushButton* Back;
  QPushButton* Topics;

 private:
  std::string folder_;
};

}  // namespace korvel
