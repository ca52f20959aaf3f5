#pragma once
// The analyzer window: a tree of the mods and the game folders each holds,
// the plain files of the folder clicked, the unit values of a ship's or a
// station's .odf file, a picture viewer with a full-window mode, and copy,
// paste, remove and open of files from a pop-up menu and by keys.
#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "analyzer/odf_stats.h"
#include "library/mod_library.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QMouseEvent;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace drydock::platform {
class Shell;
}
namespace drydock::flow {
class Dialogs;
}

namespace drydock::analyzer {

struct AnalyzerHost {
  std::filesystem::path programDir;
  std::function<library::ModList()> modList;  // the main window's list as it is now
  platform::Shell& shell;
  flow::Dialogs& dialogs;
  // The game folder as the main window knows it now: a paste waits for a game running there to close.
  std::function<std::optional<std::filesystem::path>()> gameDir = {};
};

class frmAnalyzer : public QWidget {
  Q_OBJECT
 public:
  frmAnalyzer(AnalyzerHost host, QWidget* parent);

  // Rebuilds the tree from the main window's mod list and empties the file list.
  void SetUpFolders();

  // The picture viewer's drag limits in pixels at the window's scale.
  int PxOf(int twips) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ApplyLayout();
  void PlaceControls();
  QRect Placed(int left, int top, int width, int height, bool growsRight, bool growsDown = false) const;
  QRect NormalPictureRect() const;
  int BelowListShift() const;  // how far the window's extra height moves what lies below the short list
  void SetListTall(bool tall);
  void ShowStatus(const std::string& text);
  void ResetControls();

  // Tree and file list.
  void NodeClick(QTreeWidgetItem* node);
  void ListFolderFiles();
  QTreeWidgetItem* SelectedNode() const;
  std::string SelectedEntry() const;  // the raw name of the selected entry, empty when none
  std::filesystem::path EntryPath(const std::string& entry) const;
  void ShowSelectedFile();

  // Picture viewer.
  void ShowPicture(const std::filesystem::path& file);
  void ToggleFullWindow();
  void CenterPicture();
  void PictureMouseDown(QMouseEvent* event);
  void PictureMouseMove(QMouseEvent* event);
  void PictureMouseUp();
  bool PictureKey(QEvent* event);
  void CopyPicture();

  // File operations.
  void FilesMouseDown(QMouseEvent* event);
  bool FilesKeyPress(int key, Qt::KeyboardModifiers modifiers);
  bool CanPaste() const;
  void OpenFile();
  void PlayWave(const std::filesystem::path& file, const std::string& entry);
  void CopyFile();
  void PasteFile();
  void RemoveFile();

  AnalyzerHost host_;
  double scale_ = 1.0;  // design twips are 1/15 pixel times this, so every fixed caption fits

  // Kept for the whole run, also while the window is closed.
  std::filesystem::path currentFolder_;  // the folder of the node clicked last; empty before
  std::filesystem::path copiedFilePath_;
  std::string copiedFileName_;
  bool fullWindow_ = false;
  std::array<QString, kOdfStatCount> savedToolTips_;
  QPoint dragStart_;
  bool dragged_ = false;
  bool skipNextClick_ = false;
  bool skipNextRelease_ = false;   // the release that ends a double click, which has switched already
  QElapsedTimer lastClickSwitch_;  // since a click switched the mode, to tell the double click it began
  bool listTall_ = true;

  QString statusText_;  // shown whole, or cut with "..." and whole in the tooltip

  QLabel* lblSelectFolder_ = nullptr;
  QLabel* lblStatus_ = nullptr;
  QPushButton* cmdNormalWindow_ = nullptr;
  QTreeWidget* TreeViewer_ = nullptr;
  QListWidget* lstFiles_ = nullptr;
  QLabel* picImages_ = nullptr;
  QLabel* lblInvalidPic_ = nullptr;
  std::array<QLabel*, kOdfStatCount> statLabels_{};
  QMenu* menuLstFilesRight_ = nullptr;
  QAction* menuLstFilesRightOpen_ = nullptr;
  QAction* menuLstFilesRightRemove_ = nullptr;
  QAction* menuLstFilesRightCopy_ = nullptr;
  QAction* menuLstFilesRightPaste_ = nullptr;
  QMenu* menuPicRight_ = nullptr;
  QAction* menuPicRightCopy_ = nullptr;
  QAction* menuPicRightFullWindow_ = nullptr;
  QAction* menuPicRightCenter_ = nullptr;
};

}  // namespace drydock::analyzer
