#pragma once
// The game directory dialog: shows GameDir, lets the user pick another folder
// in a folder browser or by typing, and takes the choice only when it names an
// existing folder with the exact letter case of its last component: anything
// else is refused with a message naming it, and a folder without the game's
// executable is taken only when the user says so. While no game directory is
// known it searches for the game's executable on a worker thread, proposes the
// folder it finds, and refuses to close until a folder was taken; Cancel (or
// Escape) then ends the program.
#include <QDialog>
#include <QPersistentModelIndex>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace drydock::platform {
class Shell;
}

namespace drydock::flow {
class Dialogs;
}

namespace drydock::ui {

// What the dialog needs from the main window, which owns GameDir.
class GameDirHost {
 public:
  virtual ~GameDirHost() = default;
  // Nothing while no game directory is known.
  virtual std::optional<std::filesystem::path> GameDir() const = 0;
  virtual void SetGameDir(const std::filesystem::path& gameDir) = 0;
  virtual std::filesystem::path ProgramDir() const = 0;
  // Cancel while no game directory is known ends the program.
  virtual void QuitProgram() = 0;
  // The dialog has closed: the menu entry loses its check mark.
  virtual void GameDirDialogClosed() = 0;
};

// Looks for the game's executable and returns its full path, or an empty path
// when there is none or `stop` was set. Runs on a worker thread; it must check
// `stop` often and must not touch widgets.
using GameSearchFn = std::function<std::filesystem::path(const std::atomic<bool>& stop)>;

// The search over library::GameSearchRootsForThisSystem(programDir).
GameSearchFn SearchThisSystem(const std::filesystem::path& programDir);

class frmChangeA2Dir : public QDialog {
  Q_OBJECT
 public:
  // `search` defaults to SearchThisSystem(host.ProgramDir()). Its questions
  // and messages go through `dialogs`.
  frmChangeA2Dir(GameDirHost& host, platform::Shell& shell, flow::Dialogs& dialogs, GameSearchFn search = {},
                 QWidget* parent = nullptr);
  ~frmChangeA2Dir() override;

  // Start-up: shows the dialog modally and returns when it has closed.
  int ExecModal();
  // The menu: shows the dialog without blocking the main window (modally only
  // while no game directory is known), or raises it when it is open already.
  void ShowFromMenu();

  // True from the start of a search until its result has arrived or it was stopped.
  bool IsSearching() const { return worker_.joinable(); }

  // Closing is refused while no game directory is known.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  // Escape is Cancel, also while the dialog may not close.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refill();
  void StartSearch();
  void StopSearch();
  // `error`: why the search stopped without a result, empty when it ended.
  void SearchFinished(unsigned generation, const std::filesystem::path& found, const std::string& error);
  // Moves the folder browser to `path`; nothing happens when it is no folder.
  // The browser copies its path into txtDir when it moves; `copyToText` also
  // copies it when the browser is there already.
  void PointBrowserAt(const std::string& path, bool copyToText);
  void BrowserChanged();
  // Expands the tree down to `index` and scrolls it into the middle.
  void Reveal(const QModelIndex& index);
  // Takes the text of txtDir as GameDir when it names a game folder, or a
  // folder the user confirms. Returns false when the choice was refused (a
  // beep, a message, or No to the question): the dialog stays for another.
  bool TakeCandidate();
  // Tells why the candidate was refused and hands the text box back.
  void Refuse(const std::string& message);
  void cmdApply_Click();
  void cmdOK_Click();
  void cmdCancel_Click();
  bool GameDirKnown() const;
  // GameDir as the label shows it.
  std::string GameDirText() const;

  GameDirHost& host_;
  platform::Shell& shell_;
  flow::Dialogs& dialogs_;
  GameSearchFn search_;

  QFileSystemModel* model_ = nullptr;
  QTreeView* dirListBox_ = nullptr;
  QLineEdit* txtDir_ = nullptr;
  QLabel* lblCurrent_ = nullptr;
  QLabel* lblChangeA2Info_ = nullptr;
  QPushButton* cmdApply_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;

  std::thread worker_;
  std::atomic<bool> stop_{false};
  unsigned generation_ = 0;  // results of a search that was stopped are dropped
  bool pointing_ = false;    // the dialog itself moves the browser
  bool browsing_ = false;    // a mouse button or key is down in the browser
  QPersistentModelIndex revealing_;
};

}  // namespace drydock::ui
