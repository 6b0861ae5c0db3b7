// The background window: a borderless, input-less surface behind Korvel's windows, filled
// with a colour or tiled with a picture, so the desktop does not distract on stage.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace korvel {

class TForm3 : public QWidget {
  Q_OBJECT

 public:
  TForm3();

  void SetColor(const QColor& color);
  // Loads the picture; false when the file is missing or no picture.
  bool LoadPicture(const QString& path);
  // Tiles the picture instead of the colour (when there is one).
  void SetShowPicture(bool show);
  bool ShowPicture() const { return showPicture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
  QPixmap picture_;
  bool showPicture_ = false;
};

// The settings keep colours as signed 32-bit numbers in 0x00BBGGRR order; negative values
// name a system colour, for which the desktop colour of the palette stands in.
QColor ColorFromSetting(int value);

}  // namespace korvel
