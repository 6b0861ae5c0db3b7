// Every item of a menu bar as a line of text: "MENU > ITEM | shortcut | enabled|disabled |
// checked|unchecked", submenus as "MENU > SUBMENU > ITEM", in menu order, then the pop-up
// menus under their names. A key the window's key handler takes ("Play - F9") is the shortcut.
#pragma once

#include <QMenuBar>
#include <QStringList>
#include <utility>
#include <vector>

namespace korvel {

QStringList MenuListing(const QMenuBar& bar,
                        const std::vector<std::pair<QString, const QMenu*>>& popups = {});

}  // namespace korvel
