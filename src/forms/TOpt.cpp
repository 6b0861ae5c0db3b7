#include "forms/TOpt.h"

#include <QScreen>

#include "forms/TForm1.h"

namespace korvel {

TOpt::TOpt(TForm1& main) : QWidget(nullptr, Qt::Window) {
  setObjectName("TOpt");
  setWindowTitle("Global Settings");
  resize(480, 360);
  // Centred vertically on the screen and horizontally on the main window.
  if (const QScreen* screen = main.screen()) {
    const QRect area = screen->availableGeometry();
    move(main.frameGeometry().center().x() - width() / 2, area.center().y() - height() / 2);
  }
  main.LoadConfiguration();
}

}  // namespace korvel
