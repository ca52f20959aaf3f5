#include "app/archive_handover.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include "platform/instance_lock.h"
#include "platform/names.h"
#include "platform/system.h"
#include "selector/frm_selector.h"

namespace drydock::app {

namespace fs = std::filesystem;

namespace {

constexpr quint32 kHandoverMagic = 0x44524b31;  // "DRK1": a batch of archive paths
constexpr char kConfirmed = '+';
// A local socket's path must fit the address of a Unix socket (108 bytes).
constexpr qsizetype kMaxSocketPath = 100;
constexpr int kRetryMs = 100;
constexpr int kModalRetryMs = 200;

QByteArray Encoded(const fs::path& file) { return QByteArray::fromStdString(platform::PathToUtf8(file)); }

}  // namespace

QString HandoverName(const platform::InstanceLock& lock) {
  const QByteArray lockFile = Encoded(lock.LockFilePath());
  // Beside the lock, in the user's own folder, when the path fits a socket's address (Windows names a pipe).
  if (!platform::kWindows) {
    QByteArray besideLock = lockFile;
    if (besideLock.endsWith(".lock")) besideLock.chop(5);
    besideLock += ".socket";
    if (besideLock.size() <= kMaxSocketPath) return QString::fromUtf8(besideLock);
  }
  const QByteArray hash = QCryptographicHash::hash(lockFile, QCryptographicHash::Sha256).toHex().left(32);
  return QStringLiteral("drydock-") + QString::fromLatin1(hash);
}

ArchiveHandover::ArchiveHandover(const QString& name, Take take, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), take_(std::move(take)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, &ArchiveHandover::Accept);
}

bool ArchiveHandover::Listening() const { return server_->isListening(); }

void ArchiveHandover::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      QDataStream in(socket);
      in.startTransaction();
      quint32 magic = 0;
      QList<QByteArray> files;
      in >> magic >> files;
      if (!in.commitTransaction()) return;  // the rest is still on its way
      if (magic != kHandoverMagic) {
        socket->abort();
        return;
      }
      std::vector<fs::path> archives;
      for (const QByteArray& file : files) archives.push_back(platform::PathFromUtf8(file.toStdString()));
      take_(std::move(archives));
      socket->write(&kConfirmed, 1);
      socket->flush();
      socket->disconnectFromServer();
    });
  }
}

bool HandArchivesOver(const QString& name, const std::vector<fs::path>& archives, std::chrono::milliseconds deadline) {
  QElapsedTimer clock;
  clock.start();
  const auto left = [&] { return std::max<int>(0, static_cast<int>(deadline.count() - clock.elapsed())); };
  QLocalSocket socket;
  // The running copy listens once its start-up is done.
  for (;;) {
    socket.connectToServer(name);
    if (socket.waitForConnected(left())) break;
    if (left() <= kRetryMs) return false;
    socket.abort();
    QThread::msleep(kRetryMs);
  }
  QList<QByteArray> files;
  for (const fs::path& file : archives) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    files.push_back(Encoded(ec ? file : absolute));
  }
  QByteArray batch;
  QDataStream out(&batch, QIODevice::WriteOnly);
  out << kHandoverMagic << files;
  socket.write(batch);
  if (!socket.waitForBytesWritten(left())) return false;
  while (socket.bytesAvailable() < 1) {
    if (!socket.waitForReadyRead(left())) return false;
  }
  char reply = 0;
  return socket.read(&reply, 1) == 1 && reply == kConfirmed;
}

void GiveArchivesToWindow(frmSelector& window, std::vector<fs::path> archives) {
  if (QApplication::activeModalWidget()) {
    QTimer::singleShot(kModalRetryMs, &window, [&window, archives = std::move(archives)]() mutable {
      GiveArchivesToWindow(window, std::move(archives));
    });
    return;
  }
  window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window.raise();
  window.activateWindow();
  window.AddArchivesWhenIdle(std::move(archives));
}

}  // namespace drydock::app
