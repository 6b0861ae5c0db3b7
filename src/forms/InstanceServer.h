// Files given to a second start of Korvel go to the one that runs: the running Korvel listens on
// a local socket beside its lock file, a later start hands its files over and ends.
#pragma once

#include <QLocalServer>
#include <QStringList>
#include <functional>

namespace korvel {

class InstanceServer : public QObject {
  Q_OBJECT

 public:
  // `open` gets each file handed over, on the GUI thread. A socket file left by a Korvel that
  // ended without cleaning up is replaced: whoever holds the lock owns the socket.
  InstanceServer(const QString& socketFile, std::function<void(const QString& path)> open,
                 QObject* parent = nullptr);
  bool Listening() const { return server_.isListening(); }

  // From a later start: hands `files` (absolute paths) to the running Korvel. True once it has
  // taken them.
  static bool HandOver(const QString& socketFile, const QStringList& files);

 private:
  void Take();

  QLocalServer server_;
  std::function<void(const QString&)> open_;
};

}  // namespace korvel
