// Qt key events as the Windows virtual-key codes the keyboard tables are written in.
#pragma once

#include <QKeyEvent>

namespace korvel {

// 0 for a key the tables do not know.
int VirtualKeyOf(const QKeyEvent& event);

}  // namespace korvel
