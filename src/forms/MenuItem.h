// One way to make a command item: its hint shows on the status line and as a tool tip, and
// choosing it runs `action` in the context of `owner`.
#pragma once

#include <QAction>
#include <QString>
#include <functional>

namespace korvel {

inline QAction* MakeItem(QAction* item, const QString& hint, QObject* owner,
                         std::function<void()> action) {
  item->setStatusTip(hint);
  item->setToolTip(hint);
  QObject::connect(item, &QAction::triggered, owner, std::move(action));
  return item;
}

}  // namespace korvel
