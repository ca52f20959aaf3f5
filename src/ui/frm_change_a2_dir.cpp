#include "ui/frm_change_a2_dir.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "flow/dialogs.h"
#include "library/game_search.h"
#include "library/mod_library.h"
#include "platform/environment.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_text.h"

namespace drydock::ui {

namespace {

// ---- Texts ------------------------------------------------------------------

const char* const kCaption = "Change A2 Directory";
const char* const kApplyText = "&Apply";
const char* const kOKText = "&OK";
const char* const kCancelText = "&Cancel";
const char* const kSearching = "Attempting to find directory. Please wait...";
const char* const kNotFound = "Unable to find directory. Please locate manually/install Armada II.";
// Followed by the error's own words and kSearchFailedEnd.
const char* const kSearchFailed = "Unable to find directory, the search stopped on an error: ";
const char* const kSearchFailedEnd = ". Please locate manually/install Armada II.";
const char* const kInfoStart = "Info: This is the directory that the mod(s) will be installed to. ";
// On Windows preceded by the drive of the program's start directory ("C:\").
const char* const kInfoDefaultDir = platform::kWindows ? "Program Files\\Activision\\Star Trek Armada II"
                                                       : "~/.wine/drive_c/Program Files/Activision/Star Trek Armada II";
const char* const kInfoEnd =
    " is the default one. Drydock automatically detects where Armada II is installed, so only change this if you "
    "know the directory is wrong or if you have another copy of A2 that you want the mod(s) to be installed in. PS: "
    "It is case sensative.";

// Why a chosen path is refused; each names the path in quotes.
const char* const kNotFullPathEnd = platform::kWindows
                                        ? "\" is not a full path. Type the whole path of the folder, starting with "
                                          "its drive, such as \"C:\\\"."
                                        : "\" is not a full path. Type the whole path of the folder, starting with "
                                          "\"/\" (or \"~/\" for your home folder).";
const char* const kMissingStart = "There is no folder \"";
const char* const kMissingEnd = "\". Choose the folder that holds Armada2.exe.";
const char* const kCaseTwinMiddle = "\". Letter case counts here: did you mean \"";
const char* const kIsGameExeMiddle = "\" is the game's program file, not a folder. Choose the folder that holds it: \"";
const char* const kNotAFolderEnd = "\" is not a folder. Choose the folder that holds Armada2.exe.";
const char* const kNoGameExeStart = "The folder \"";
const char* const kNoGameExeEnd =
    "\" does not hold Armada2.exe, so it does not look like an Armada II game folder: mods installed into it will not "
    "reach the game.\n\nUse this folder anyway?";

// -----------------------------------------------------------------------------

QString InfoText(const std::filesystem::path& programDir) {
  std::string text = kInfoStart;
  if (platform::kWindows) {
    // The first three characters of the start directory: its drive, "C:\".
    std::string start = platform::PathToUtf8(programDir);
    if (start.size() == 2 && start[1] == ':') start += '\\';  // ProgramDir "C:" was started from "C:\"
    text += start.substr(0, 3);
  }
  text += kInfoDefaultDir;
  text += kInfoEnd;
  return Q(text);
}

}  // namespace

GameSearchFn SearchThisSystem(const std::filesystem::path& programDir) {
  return [programDir](const std::atomic<bool>& stop) {
    return library::SearchTreesForFile(library::GameSearchRootsForThisSystem(programDir), library::kGameExeName, stop);
  };
}

frmChangeA2Dir::frmChangeA2Dir(GameDirHost& host, platform::Shell& shell, flow::Dialogs& dialogs, GameSearchFn search,
                               QWidget* parent)
    : QDialog(parent), host_(host), shell_(shell), dialogs_(dialogs), search_(std::move(search)) {
  setObjectName(QStringLiteral("frmChangeA2Dir"));
  setWindowTitle(Q(kCaption));

  model_ = new QFileSystemModel(this);
  QDir::Filters filters = QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot;
  if (!platform::kWindows) filters |= QDir::Hidden;  // Wine prefixes live in hidden folders such as ~/.wine
  model_->setFilter(filters);
  model_->setRootPath(QString());

  dirListBox_ = new QTreeView(this);
  dirListBox_->setObjectName(QStringLiteral("dirListBox"));
  dirListBox_->setModel(model_);
  dirListBox_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) dirListBox_->hideColumn(column);
  dirListBox_->setMinimumHeight(220);

  txtDir_ = new QLineEdit(this);
  txtDir_->setObjectName(QStringLiteral("txtDir"));

  lblCurrent_ = new QLabel(this);
  lblCurrent_->setObjectName(QStringLiteral("lblCurrent"));
  lblCurrent_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  lblChangeA2Info_ = new QLabel(this);
  lblChangeA2Info_->setObjectName(QStringLiteral("lblChangeA2Info"));
  lblChangeA2Info_->setWordWrap(true);

  cmdApply_ = new QPushButton(Q(kApplyText), this);
  cmdApply_->setObjectName(QStringLiteral("cmdApply"));
  cmdOK_ = new QPushButton(Q(kOKText), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdCancel_ = new QPushButton(Q(kCancelText), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  // Enter presses the button that has the focus, else OK; Space the focused one.
  for (QPushButton* button : {cmdApply_, cmdOK_, cmdCancel_}) button->setAutoDefault(true);
  cmdOK_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdApply_);
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblCurrent_);
  layout->addWidget(dirListBox_, 1);
  layout->addWidget(txtDir_);
  layout->addWidget(lblChangeA2Info_);
  layout->addLayout(buttons);
  resize(460, 460);

  connect(dirListBox_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    // Only the user's browsing (or our own pointing) proposes a folder: when
    // the model moves the current folder because the tree changed on disk,
    // the text stays what it was.
    if (pointing_ || browsing_) BrowserChanged();
  });
  dirListBox_->installEventFilter(this);
  dirListBox_->viewport()->installEventFilter(this);
  // The folder tree is read in the background: the folder pointed at shows
  // once its parent has been read.
  // The folder tree is read and sorted in the background, which moves rows
  // after the dialog has pointed at one: it is brought back into view until
  // the user takes over the browser.
  auto revealAgain = [this] {
    if (revealing_.isValid()) Reveal(revealing_);
  };
  connect(model_, &QFileSystemModel::directoryLoaded, this, revealAgain);
  connect(model_, &QAbstractItemModel::layoutChanged, this, revealAgain);
  connect(txtDir_, &QLineEdit::textChanged, cmdApply_, [this] { cmdApply_->setEnabled(true); });
  connect(cmdApply_, &QPushButton::clicked, this, &frmChangeA2Dir::cmdApply_Click);
  connect(cmdOK_, &QPushButton::clicked, this, &frmChangeA2Dir::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmChangeA2Dir::cmdCancel_Click);
}

frmChangeA2Dir::~frmChangeA2Dir() { StopSearch(); }

bool frmChangeA2Dir::eventFilter(QObject* watched, QEvent* event) {
  // A press in the browser is the user browsing until it is let go.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
      browsing_ = true;
      revealing_ = QPersistentModelIndex();
      break;
    case QEvent::Wheel:
      revealing_ = QPersistentModelIndex();
      break;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
      browsing_ = false;
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

void frmChangeA2Dir::keyPressEvent(QKeyEvent* event) {
  // QDialog's own Escape would only try to close, which is refused without a game directory.
  if (event->matches(QKeySequence::Cancel)) {
    cmdCancel_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

int frmChangeA2Dir::ExecModal() { return exec(); }

void frmChangeA2Dir::ShowFromMenu() {
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  // Without a game directory the dialog may not be left open beside the main window.
  setWindowModality(GameDirKnown() ? Qt::NonModal : Qt::ApplicationModal);
  show();
}

void frmChangeA2Dir::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Spontaneous show events come from the window system (un-minimizing), not from opening.
  if (!event->spontaneous()) Refill();
}

void frmChangeA2Dir::done(int result) {
  if (!GameDirKnown()) return;
  StopSearch();
  QDialog::done(result);
  host_.GameDirDialogClosed();
}

bool frmChangeA2Dir::GameDirKnown() const { return host_.GameDir().has_value(); }

std::string frmChangeA2Dir::GameDirText() const {
  const auto gameDir = host_.GameDir();
  return gameDir ? platform::PathToUtf8(*gameDir) : std::string(library::kGameDirNotFound);
}

void frmChangeA2Dir::Refill() {
  StopSearch();
  lblChangeA2Info_->setText(InfoText(host_.ProgramDir()));
  lblCurrent_->setText(Q(GameDirText()));
  txtDir_->setText(Q(kSearching));
  cmdApply_->setEnabled(false);
  // A folder view that gets the focus by keyboard selects its first folder by
  // itself, which would replace the waiting text as if the user had browsed.
  txtDir_->setFocus();
  if (GameDirKnown()) {
    PointBrowserAt(GameDirText(), true);
    return;
  }
  StartSearch();
}

void frmChangeA2Dir::StartSearch() {
  stop_ = false;
  const unsigned generation = ++generation_;
  GameSearchFn search = search_ ? search_ : SearchThisSystem(host_.ProgramDir());
  worker_ = std::thread([this, generation, search = std::move(search)] {
    std::filesystem::path found;
    std::string error;  // a search that failed found nothing, and says why
    try {
      found = search(stop_);
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "an error of unknown kind";
    }
    if (stop_) return;
    QMetaObject::invokeMethod(
        this, [this, generation, found, error] { SearchFinished(generation, found, error); }, Qt::QueuedConnection);
  });
}

void frmChangeA2Dir::StopSearch() {
  ++generation_;  // a result already on its way is dropped
  if (!worker_.joinable()) return;
  stop_ = true;
  worker_.join();
}

void frmChangeA2Dir::SearchFinished(unsigned generation, const std::filesystem::path& found, const std::string& error) {
  if (generation != generation_) return;
  if (worker_.joinable()) worker_.join();  // it has posted its result and ends now
  // The user has browsed or typed meanwhile: the proposal would overwrite that.
  if (txtDir_->text() != Q(kSearching)) return;
  if (!error.empty()) {
    txtDir_->setText(Q(kSearchFailed + error + kSearchFailedEnd));
    return;
  }
  if (found.empty()) {
    txtDir_->setText(Q(kNotFound));
    return;
  }
  // The folder that holds the executable is proposed, not taken.
  PointBrowserAt(platform::PathToUtf8(found.parent_path()), true);
}

void frmChangeA2Dir::PointBrowserAt(const std::string& path, bool copyToText) {
  if (!platform::IsFolder(platform::PathFromUtf8(path))) return;
  const QModelIndex index = model_->index(QDir::fromNativeSeparators(Q(path)));
  if (!index.isValid()) return;
  revealing_ = index;
  if (index == dirListBox_->currentIndex()) {
    // The browser is there already, so it reports no change.
    if (copyToText) BrowserChanged();
  } else {
    pointing_ = true;
    dirListBox_->setCurrentIndex(index);
    pointing_ = false;
  }
  Reveal(index);
}

void frmChangeA2Dir::Reveal(const QModelIndex& index) {
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) dirListBox_->expand(parent);
  dirListBox_->expand(index);
  dirListBox_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void frmChangeA2Dir::BrowserChanged() {
  const QModelIndex index = dirListBox_->currentIndex();
  if (!index.isValid()) return;
  txtDir_->setText(QDir::toNativeSeparators(model_->filePath(index)));
}

bool frmChangeA2Dir::TakeCandidate() {
  const std::string typed = txtDir_->text().toStdString();
  // A status text names no folder (though "manually/install" holds a separator on Linux).
  if (typed == kSearching || typed == kNotFound || typed.starts_with(kSearchFailed)) {
    shell_.Beep();
    return false;
  }
  const library::GameDirCandidate candidate =
      library::CheckGameDirCandidate(typed, GameDirKnown() ? GameDirText() : std::string(), platform::HomeDir());
  const std::string& path = candidate.text;
  if (path != typed) txtDir_->setText(Q(path));
  switch (candidate.kind) {
    case library::GameDirKind::NoSeparator:
      shell_.Beep();
      return false;
    case library::GameDirKind::NotFullPath:
      Refuse("\"" + path + kNotFullPathEnd);
      return false;
    case library::GameDirKind::Missing:
      Refuse(kMissingStart + path +
             (candidate.caseTwin.empty() ? std::string(kMissingEnd) : kCaseTwinMiddle + candidate.caseTwin + "\"?"));
      return false;
    case library::GameDirKind::NotAFolder: {
      const std::filesystem::path file = platform::PathFromUtf8(path);
      const bool isGameExe = platform::EqualsIgnoreCase(platform::PathToUtf8(file.filename()), library::kGameExeName);
      Refuse("\"" + path +
             (isGameExe ? kIsGameExeMiddle + platform::PathToUtf8(file.parent_path()) + "\"." : kNotAFolderEnd));
      return false;
    }
    case library::GameDirKind::NoGameExe:
      // Asked only of a change: the current folder was accepted before.
      if (candidate.isNew && dialogs_.Ask(kNoGameExeStart + path + kNoGameExeEnd, kCaption, flow::Buttons::YesNo,
                                          flow::Icon::Question) != flow::Answer::Yes) {
        txtDir_->setFocus();
        return false;
      }
      break;
    case library::GameDirKind::GameFolder:
      break;
  }
  if (candidate.isNew) {
    host_.SetGameDir(platform::PathFromUtf8(path));
    lblCurrent_->setText(Q(path));
    cmdApply_->setEnabled(false);
  }
  return true;
}

void frmChangeA2Dir::Refuse(const std::string& message) {
  dialogs_.Ask(message, kCaption, flow::Buttons::Ok, flow::Icon::Exclamation);
  txtDir_->setFocus();
  txtDir_->selectAll();
}

void frmChangeA2Dir::cmdApply_Click() {
  if (!TakeCandidate()) return;
  PointBrowserAt(GameDirText(), false);
}

void frmChangeA2Dir::cmdOK_Click() {
  if (TakeCandidate()) accept();  // refused in done() while there is still no game directory
}

void frmChangeA2Dir::cmdCancel_Click() {
  if (!GameDirKnown()) {
    StopSearch();
    host_.QuitProgram();
    return;
  }
  reject();
}

}  // namespace drydock::ui
