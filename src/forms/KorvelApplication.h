// The application object: an error that reaches the event loop is shown in words and Korvel
// goes on, rather than ending the performance.
#pragma once

#include <QApplication>

namespace korvel {

class KorvelApplication : public QApplication {
  Q_OBJECT

 public:
  // Hints appear after half a second and stay five seconds.
  KorvelApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the message of an error with the application title.
void ReportException(const std::exception& error);

}  // namespace korvel
