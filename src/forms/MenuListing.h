// Every item of a menu bar as a line of text: "MENU > ITEM | shortcut | enabled|disabled |
// checked|unchecked", submenus as "MENU > SUBMENU > ITEM", in menu order.
#pragma once

#include <QMenuBar>
#include <QStringList>

namespace korvel {

QStringList MenuListing(const QMenuBar& bar);

}  // namespace korvel
