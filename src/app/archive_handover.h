#pragma once
// A second start of Drydock for the same program folder hands the archives it
// was given to the running window, which adds them as mods: the running one
// listens on a local socket (a named pipe on Windows) named after its
// instance lock, so per user and program folder, and confirms each batch.
#include <QObject>
#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

class QLocalServer;

namespace drydock::platform {
class InstanceLock;
}

namespace drydock::selector {
class frmSelector;
}

namespace drydock::app {
using selector::frmSelector;

// How long a second start tries to reach the running window (which may still
// be starting) and waits for its word.
inline constexpr std::chrono::milliseconds kHandoverDeadline{5000};

// The name the running copy listens on, from its instance lock.
QString HandoverName(const platform::InstanceLock& lock);

// Listens for the archives of later starts while it lives. Each batch goes to
// `take`, then the sender is told that it arrived.
class ArchiveHandover : public QObject {
 public:
  using Take = std::function<void(std::vector<std::filesystem::path> archives)>;
  // Only the holder of the instance lock listens, so a name left by a crash is
  // taken over.
  ArchiveHandover(const QString& name, Take take, QObject* parent = nullptr);
  bool Listening() const;

 private:
  void Accept();

  QLocalServer* server_;
  Take take_;
};

// Sends `archives` (made absolute here) to the copy listening on `name`;
// true once it has confirmed them within `deadline`.
bool HandArchivesOver(const QString& name, const std::vector<std::filesystem::path>& archives,
                      std::chrono::milliseconds deadline = kHandoverDeadline);

// Gives handed-over archives to `window` once no message box of it is open (a
// question asked in the middle of a command is answered first), and brings
// the window to the front.
void GiveArchivesToWindow(frmSelector& window, std::vector<std::filesystem::path> archives);

}  // namespace drydock::app
