#include "forms/HelpBrowser.h"

#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "app/HelpTopics.h"

namespace korvel {

HelpBrowser::HelpBrowser(std::string folder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Pages(new QTextBrowser),
      Back(new QPushButton("Back")),
      Topics(new QPushButton("Help topics")),
      folder_(std::move(folder)) {
  setObjectName("HelpBrowser");
  setWindowTitle("Korvel Help");
  resize(520, 420);
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Back);
  buttons->addWidget(Topics);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addWidget(Pages);
  Pages->setOpenExternalLinks(true);
  Back->setEnabled(false);
  connect(Back, &QPushButton::clicked, Pages, &QTextBrowser::backward);
  connect(Pages, &QTextBrowser::backwardAvailable, Back, &QPushButton::setEnabled);
  connect(Topics, &QPushButton::clicked, this, [this] { ShowPage(kHelpIndex); });
  connect(Pages, &QTextBrowser::sourceChanged, this,
          [this] { setWindowTitle("Korvel Help - " + Pages->documentTitle()); });
}

bool HelpBrowser::ShowPage(const std::string& page) {
  const std::string file = HelpFile(folder_, page);
  if (file.empty()) return false;
  Pages->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
  showNormal();
  raise();
  activateWindow();
  return true;
}

}  // namespace korvel
