// The options window. It is made last, when every other window exists, and its making loads
// the settings into all of them.
#pragma once

#include <QWidget>

namespace korvel {

class TForm1;

class TOpt : public QWidget {
  Q_OBJECT

 public:
  explicit TOpt(TForm1& main);
};

}  // namespace korvel
