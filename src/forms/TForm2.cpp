#include "forms/TForm2.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace korvel {

TForm2::TForm2(QWidget* panel, const QString& caption, int helpContext, int windowNumber,
               QWidget* keyTarget)
    : QWidget(nullptr, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint),
      panel_(panel),
      helpContext_(helpContext),
      windowNumber_(windowNumber),
      keyTarget_(keyTarget) {
  setObjectName(caption);
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(panel_);
  panel_->setVisible(true);
  setFixedSize(sizeHint());
}

void TForm2::closeEvent(QCloseEvent* event) {
  const bool shown = isVisible();
  QWidget::closeEvent(event);
  if (shown) emit Closed();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  QApplication::sendEvent(keyTarget_, event);
}

void TForm2::keyReleaseEvent(QKeyEvent* event) {
  QApplication::sendEvent(keyTarget_, event);
}

void TForm2::showEvent(QShowEvent* event) {
  panel_->setVisible(true);
  QWidget::showEvent(event);
}

void TForm2::hideEvent(QHideEvent* event) {
  panel_->setVisible(false);
  QWidget::hideEvent(event);
}

TForm2* OpenPanelWindow(TForm2* window, QWidget* panel, int helpContext, bool show,
                        const QString& caption, int windowNumber, QWidget* mainWindow) {
  if (!window) window = new TForm2(panel, caption, helpContext, windowNumber, mainWindow);
  const QRect screen =
      mainWindow->screen() ? mainWindow->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect main = mainWindow->frameGeometry();
  const QSize size = window->size();
  QPoint place;
  if (show) {
    const QPoint centred = screen.center() - QPoint(size.width() / 2, size.height() / 2);
    const bool covers = main.height() > screen.height() / 2 - size.height() / 2;
    const QPoint below(main.center().x() - size.width() / 2, main.bottom() + 1);
    place = covers && below.y() + size.height() <= screen.bottom() ? below : centred;
  } else {
    place =
        QPoint(main.left() - screen.left() > 12 ? screen.left() : main.left(), main.bottom() + 1);
  }
  window->move(place);
  if (show) {
    window->showNormal();
    if (!window->isActiveWindow()) window->raise();
  }
  return window;
}

}  // namespace korvel
