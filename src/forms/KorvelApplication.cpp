#include "forms/KorvelApplication.h"

#include <QMessageBox>

namespace korvel {

void ReportException(const std::exception& error) {
  QApplication::restoreOverrideCursor();
  const QString message = QString::fromUtf8(error.what());
  if (message.isEmpty()) return;
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), message);
}

bool KorvelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportException(error);
    return false;
  }
}

}  // namespace korvel
