#include "forms/KorvelApplication.h"

#include <QHelpEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace korvel {

namespace {

class HintTiming : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return 500;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

KorvelApplication::KorvelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setStyle(new HintTiming);
}

void ReportException(const std::exception& error) {
  QApplication::restoreOverrideCursor();
  const QString message = QString::fromUtf8(error.what());
  if (message.isEmpty()) return;
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), message);
}

bool KorvelApplication::notify(QObject* receiver, QEvent* event) {
  if (event->type() == QEvent::ToolTip && receiver->isWidgetType()) {
    // The hint of a spin box or list belongs to it, not to its inner editor or viewport.
    auto* widget = static_cast<QWidget*>(receiver);
    while (widget->toolTip().isEmpty() && !widget->isWindow() && widget->parentWidget())
      widget = widget->parentWidget();
    if (!widget->toolTip().isEmpty()) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), widget->toolTip(), widget,
                         {}, 5000);
      return true;
    }
  }
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportException(error);
    return false;
  }
}

}  // namespace korvel
