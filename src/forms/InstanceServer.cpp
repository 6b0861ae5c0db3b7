#include "forms/InstanceServer.h"

#include <QLocalSocket>

namespace korvel {

namespace {

// One path per line, answered with "ok" when all were read.
constexpr int kWaitMs = 5000;

}  // namespace

InstanceServer::InstanceServer(const QString& socketFile,
                               std::function<void(const QString& path)> open, QObject* parent)
    : QObject(parent), open_(std::move(open)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(socketFile);
  server_.listen(socketFile);
  connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::Take);
}

void InstanceServer::Take() {
  while (QLocalSocket* client = server_.nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      // The list ends with an empty line; the files open once it is whole.
      if (!client->peek(1 << 16).contains("\n\n")) return;
      const QStringList lines = QString::fromUtf8(client->readAll()).split('\n');
      client->write("ok\n");
      client->flush();
      for (const QString& line : lines)
        if (!line.isEmpty()) open_(line);
    });
  }
}

bool InstanceServer::HandOver(const QString& socketFile, const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(socketFile);
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write((files.join('\n') + "\n\n").toUtf8());
  if (!socket.waitForBytesWritten(kWaitMs)) return false;
  while (!socket.canReadLine())
    if (!socket.waitForReadyRead(kWaitMs)) return false;
  return socket.readLine().trimmed() == "ok";
}

}  // namespace korvel
