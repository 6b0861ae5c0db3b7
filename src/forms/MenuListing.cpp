#include "forms/MenuListing.h"

#include <QMenu>

namespace korvel {

namespace {

// "&Open ..." is shown as "Open ...", "Play && Overwrite" as "Play & Overwrite".
QString Caption(const QString& text) {
  QString caption;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    caption += text[i];
  }
  return caption;
}

void List(const QMenu& menu, const QString& path, QStringList& lines) {
  for (QAction* item : menu.actions()) {
    if (item->isSeparator() || !item->isVisible()) continue;
    const QString name = path + " > " + Caption(item->text());
    if (item->menu()) {
      List(*item->menu(), name, lines);
      continue;
    }
    lines << QString("%1 | %2 | %3 | %4")
                 .arg(name, item->shortcut().toString(QKeySequence::PortableText),
                      item->isEnabled() ? "enabled" : "disabled",
                      item->isChecked() ? "checked" : "unchecked");
  }
}

}  // namespace

QStringList MenuListing(const QMenuBar& bar) {
  QStringList lines;
  for (QAction* top : bar.actions())
    if (top->menu() && top->isVisible()) List(*top->menu(), Caption(top->text()), lines);
  return lines;
}

}  // namespace korvel
