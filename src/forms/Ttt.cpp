#include "forms/Ttt.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace korvel {

namespace {

// How close to the screen's right and bottom edges the text may come before it moves.
constexpr int kEdgeMargin = 32;

}  // namespace

Ttt::Ttt(QWidget* keyTarget, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      Text(new QLabel),
      Ok(new QPushButton("OK")),
      StayOnTop(new QAction("Stay on top", this)),
      CenterText(new QAction("Center Text", this)),
      keyTarget_(keyTarget) {
  setObjectName("Ttt");
  setCursor(Qt::PointingHandCursor);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QToolTip::palette().color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, QToolTip::palette().color(QPalette::ToolTipText));
  setPalette(colours);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel;
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  Text->setWordWrap(true);
  Text->setAlignment(Qt::AlignCenter);
  Text->setMinimumWidth(260);
  Text->setTextFormat(Qt::PlainText);
  row->addWidget(Text, 1);
  layout->addLayout(row);
  layout->addWidget(Ok, 0, Qt::AlignRight);
  Ok->setFocusPolicy(Qt::NoFocus);
  connect(Ok, &QPushButton::clicked, this, &QWidget::close);
  for (QAction* item : {StayOnTop, CenterText}) {
    item->setCheckable(true);
    item->setChecked(true);
  }
  Text->setContextMenuPolicy(Qt::ActionsContextMenu);
  Text->addAction(StayOnTop);
  Text->addAction(CenterText);
  connect(StayOnTop, &QAction::toggled, this, [this](bool on) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) show();  // changing the flags hides the window
  });
  connect(CenterText, &QAction::toggled, this, [this](bool on) {
    Text->setAlignment(on ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  });
}

void Ttt::ShowText(const std::string& text) {
  Text->setText(QString::fromStdString(PrompterLines(text)));
  adjustSize();
  if (guideMode_) {
    if (!isVisible()) PlaceBottomRight();
    setWindowTitle(QString::fromStdString(title_));
    show();
    raise();
    return;
  }
  if (isVisible()) close();
  if (centred_) {
    const QRect screen =
        (this->screen() ? this->screen() : QApplication::primaryScreen())->availableGeometry();
    move(screen.center() - rect().center());
  } else {
    PlaceAtMouse();
  }
  setWindowTitle(QApplication::applicationName());
  show();
  raise();
}

void Ttt::ShowTip(int number) {
  const std::string text = TipText(number);
  if (text.empty()) return;
  guideMode_ = false;
  setWindowModality(Qt::NonModal);
  ShowText(text);
}

void Ttt::ShowGuideTip(const std::string& title, int number, bool modal) {
  const std::string text = TipText(number);
  if (text.empty()) return;
  guideMode_ = true;
  title_ = title;
  if (!isVisible()) setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
  ShowText(text);
}

void Ttt::GuideStep(int offset) {
  const auto tip = Tips.Step(offset);
  if (!tip) return;
  QWidget* active = QApplication::activeWindow();
  ShowGuideTip(kGuideTitle, *tip, false);
  if (active && active != this) active->activateWindow();
}

void Ttt::PlaceAtMouse() {
  QPoint at = QCursor::pos();
  QScreen* under = QApplication::screenAt(at);
  const QRect screen = (under ? under : QApplication::primaryScreen())->availableGeometry();
  if (at.x() + width() > screen.right() - kEdgeMargin) at.rx() -= width();
  if (at.y() + height() > screen.bottom() - kEdgeMargin) at.ry() -= height();
  // Whatever the mouse, the whole text stays on the screen.
  at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - width())));
  at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - height())));
  move(at);
}

void Ttt::PlaceBottomRight() {
  const QRect screen =
      (this->screen() ? this->screen() : QApplication::primaryScreen())->availableGeometry();
  const QRect frame = frameGeometry();
  move(screen.right() - frame.width() + 1, screen.bottom() - frame.height() + 1);
}

void Ttt::keyPressEvent(QKeyEvent* event) {
  if (guideMode_) {
    if (keyTarget_) QApplication::sendEvent(keyTarget_, event);
    return;
  }
  close();  // the key is swallowed
}

void Ttt::keyReleaseEvent(QKeyEvent* event) {
  if (guideMode_ && keyTarget_) QApplication::sendEvent(keyTarget_, event);
}

void Ttt::mousePressEvent(QMouseEvent* event) {
  if (!guideMode_ && event->button() == Qt::LeftButton) {
    close();
    return;
  }
  QWidget::mousePressEvent(event);
}

}  // namespace korvel
