#include "forms/MenuListing.h"

#include <QMenu>
#include <QRegularExpression>

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

// The shortcut, or the function key the caption names (" - F9").
QString Shortcut(const QAction& item) {
  if (!item.shortcut().isEmpty()) return item.shortcut().toString(QKeySequence::PortableText);
  static const QRegularExpression key(" - (F[0-9]+)$");
  const QRegularExpressionMatch match = key.match(item.text());
  return match.hasMatch() ? match.captured(1) : QString();
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
                 .arg(name, Shortcut(*item), item->isEnabled() ? "enabled" : "disabled",
                      item->isChecked() ? "checked" : "unchecked");
  }
}

}  // namespace

QStringList MenuListing(const QMenuBar& bar,
                        const std::vector<std::pair<QString, const QMenu*>>& popups) {
  QStringList lines;
  for (QAction* top : bar.actions())
    if (top->menu() && top->isVisible()) List(*top->menu(), Caption(top->text()), lines);
  for (const auto& [name, menu] : popups) List(*menu, name, lines);
  return lines;
}

}  // namespace korvel
