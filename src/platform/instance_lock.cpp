#include "platform/instance_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

#include "platform/names.h"

namespace drydock::platform {

namespace {
std::filesystem::path LockPathFor(const std::filesystem::path& programDir) {
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(programDir, ec);
  if (ec) key = programDir;
  const QByteArray hash =
      QCryptographicHash::hash(QByteArray::fromStdString(PathToUtf8(key)), QCryptographicHash::Sha1).toHex().left(16);
  const QString name = QStringLiteral("drydock-") + QString::fromLatin1(hash) + QStringLiteral(".lock");
  return PathFromUtf8(QDir(QDir::tempPath()).filePath(name).toStdString());
}
}  // namespace

InstanceLock::InstanceLock(const std::filesystem::path& programDir) : path_(LockPathFor(programDir)) {
  lock_ = std::make_unique<QLockFile>(QString::fromStdString(PathToUtf8(path_)));
  // Only a lock whose process is gone counts as stale, however old it is.
  lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::TryLock() {
  if (lock_->isLocked()) return true;
  if (lock_->tryLock(0)) return true;
  // tryLock already removes a lock whose owner no longer runs; a lock file it
  // cannot read (truncated by a crash while being written) is stale as well.
  if (lock_->error() == QLockFile::LockFailedError) {
    qint64 pid = 0;
    QString host, app;
    if (!lock_->getLockInfo(&pid, &host, &app)) {
      lock_->removeStaleLockFile();
      return lock_->tryLock(0);
    }
  }
  return false;
}

std::filesystem::path InstanceLock::LockFilePath() const { return path_; }

}  // namespace drydock::platform
