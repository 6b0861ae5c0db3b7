#include "forms/TForm3.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace korvel {

TForm3::TForm3() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint) {
  setObjectName("BackgroundWindow");
  setWindowTitle("Korvel");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setEnabled(false);
  color_ = palette().color(QPalette::Window);
  // The desktop's free area: panels and docks stay visible, as a taskbar does.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    setGeometry(screen->availableGeometry());
}

void TForm3::SetColor(const QColor& color) {
  color_ = color;
  update();
}

bool TForm3::LoadPicture(const QString& path) {
  QPixmap picture;
  if (!picture.load(path) || picture.isNull()) return false;
  picture_ = picture;
  update();
  return true;
}

void TForm3::SetShowPicture(bool show) {
  showPicture_ = show && !picture_.isNull();
  // A tiled picture covers every pixel: no need to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent, showPicture_);
  update();
}

void TForm3::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (showPicture_) {
    for (int y = 0; y < height(); y += picture_.height())
      for (int x = 0; x < width(); x += picture_.width()) painter.drawPixmap(x, y, picture_);
    return;
  }
  painter.fillRect(rect(), color_);
}

QColor ColorFromSetting(int value) {
  if (value < 0) return QGuiApplication::palette().color(QPalette::Window);
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

}  // namespace korvel
