#pragma once
// The installed and conflict markers of the main window's mod list: "✓ #3" on
// an installed mod (its place in the install order), "⚠ 12" on a mod that
// provides files an installed mod provides with other bytes, with a tooltip
// naming those mods. The conflict index behind them is built on a worker after
// each fill of the list; a newer build or the window's end cancels an older one.
#include <QObject>
#include <QStyledItemDelegate>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "library/mod_library.h"

class QListWidget;

namespace drydock::compat {
struct ConflictIndex;
}

namespace drydock::selector {

// The item data that holds an entry's markers, as the delegate draws them at the right of the row.
inline constexpr int kMarkerRole = Qt::UserRole + 27;

inline constexpr const char* kInstalledMark = "\u2713";  // ✓
inline constexpr const char* kConflictMark = "\u26A0";   // ⚠

// Draws an entry's name, cut where its markers begin, and the markers at the right.
class ModMarkerDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class ModListMarkers final : public QObject {
  Q_OBJECT
 public:
  explicit ModListMarkers(QListWidget* list);
  ~ModListMarkers() override;

  // Starts building the index of `modList` (which the list widget shows now) on a worker; its markers are put on
  // the list's entries when it ends, unless another build has started since.
  void Rebuild(const std::filesystem::path& modsDir, const library::ModList& modList,
               const std::optional<std::filesystem::path>& gameDir);

 Q_SIGNALS:
  // The markers of the latest build are on the list.
  void markersShown();

 private:
  void Stop();
  // Takes what the worker left in `done_` and shows it when it is the latest build's.
  void TakeDone();
  void Show(const compat::ConflictIndex& index, const library::ModList& modList);

  QListWidget* list_;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  unsigned generation_ = 0;
  // A finished build, handed from the worker to the window's thread under the mutex, so that the index
  // is read and freed on the window's thread alone.
  struct Done {
    unsigned generation = 0;
    library::ModList modList;
    std::unique_ptr<compat::ConflictIndex> index;
  };
  std::mutex doneMutex_;
  Done done_;
};

}  // namespace drydock::selector
