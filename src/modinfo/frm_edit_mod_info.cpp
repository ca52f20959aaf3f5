#include "modinfo/frm_edit_mod_info.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "flow/dialogs.h"
#include "flow/locking.h"
#include "modinfo/mod_info_writer.h"
#include "platform/writer_lock.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"

namespace drydock::modinfo {

namespace {
constexpr const char* kCaption = "Edit ModInfo.txt file";
constexpr const char* kSelectMod = "Please select a mod.";
constexpr const char* kMakeQuestion = "Are you sure you want to make the file?";
constexpr const char* kMakeTitle = "Make file?";
constexpr const char* kNotMade = "ModInfo.txt could not be made; nothing was changed:\n";
constexpr const char* kUnsavedTitle = "Edit ModInfo.txt file";

// Asked when the window closes with fields that differ from the mod's file.
std::string UnsavedQuestion(const std::string& modPath) {
  return "The fields hold changes that are not in the ModInfo.txt file of " + modPath +
         ". Make the file with them before closing?";
}
constexpr int kBoxChars = 48;     // the text boxes' width in average characters
constexpr int kPreviewLines = 4;  // the preview's least height in lines
constexpr int kOpenLines = 12;    // and its height when the window opens

QLabel* Label(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A preview value, wrapped at the window's width: a word longer than a line
// does not widen it (the tooltip holds the whole text).
QLabel* PreviewLabel(const char* name, const char* text, QWidget* parent) {
  QLabel* label = Label(name, text, parent);
  label->setWordWrap(true);
  label->setIndent(12);
  QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  label->setSizePolicy(policy);
  return label;
}

}  // namespace

frmEditModInfo::frmEditModInfo(EditModInfoHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(std::move(host)) {
  setObjectName(QStringLiteral("frmEditModInfo"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kCaption));

  QLabel* label1 = Label("Label1", "Change mod:", this);
  cboMod_ = new QComboBox(this);
  cboMod_->setObjectName(QStringLiteral("cboMod"));
  cboMod_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cboMod_->setMinimumContentsLength(20);

  auto* frame1 = new QGroupBox(QStringLiteral("Edit"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  auto* form = new QFormLayout(frame1);
  const auto addBox = [&](const char* labelName, const char* text, const char* boxName) {
    auto* box = new QLineEdit(frame1);
    box->setObjectName(QString::fromUtf8(boxName));
    box->setMinimumWidth(fontMetrics().averageCharWidth() * kBoxChars);
    form->addRow(Label(labelName, text, frame1), box);
    return box;
  };
  txtAuthor_ = addBox("lblAuthor", "Author:", "txtAuthor");
  txtDescription_ = addBox("lblDescription", "Description:", "txtDescription");
  txtVersion_ = addBox("lblVersion", "Version:", "txtVersion");
  txtOtherHeading_ = addBox("lblOtherHeading", "Other Heading:", "txtOtherHeading");
  txtOther_ = addBox("lblOther", "Other:", "txtOther");

  // The preview in the order of the details panel. Values of any length
  // scroll rather than squeeze the fields above.
  auto* page = new QWidget;
  QLabel* lblModMaker = Label("lblModMaker", "Maker(s) of current mod:", page);
  lblModsMaker_ = PreviewLabel("lblModsMaker", "", page);
  QLabel* lblModDescription = Label("lblModDescription", "Description:", page);
  lblModsDescription_ = PreviewLabel("lblModsDescription", "", page);
  lblModsOtherHeading_ = PreviewLabel("lblModsOtherHeading", "Comments:", page);
  lblModsOtherHeading_->setIndent(0);  // a heading, though it shows a value
  lblModsOther_ = PreviewLabel("lblModsOther", "", page);
  QLabel* lblModVersion = Label("lblModVersion", "Version:", page);
  lblModsVersion_ = PreviewLabel("lblModsVersion", "", page);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  for (QLabel* label : {lblModMaker, lblModsMaker_, lblModDescription, lblModsDescription_, lblModsOtherHeading_,
                        lblModsOther_, lblModVersion, lblModsVersion_}) {
    pageLayout->addWidget(label);
  }
  pageLayout->addStretch();
  auto* preview = new QScrollArea(this);
  preview->setObjectName(QStringLiteral("preview"));
  preview->setWidget(page);
  preview->setWidgetResizable(true);
  preview->setFrameShape(QFrame::NoFrame);
  preview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  preview->setFocusPolicy(Qt::NoFocus);
  preview->setMinimumHeight(fontMetrics().lineSpacing() * kPreviewLines);

  cmdClear_ = new QPushButton(QStringLiteral("&Clear"), this);
  cmdClear_->setObjectName(QStringLiteral("cmdClear"));
  cmdMakeFile_ = new QPushButton(QStringLiteral("&Make ModInfo.txt file"), this);
  cmdMakeFile_->setObjectName(QStringLiteral("cmdMakeFile"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1);
  layout->addWidget(cboMod_);
  layout->addWidget(frame1);
  layout->addWidget(preview, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdClear_);
  buttons->addWidget(cmdMakeFile_);
  layout->addLayout(buttons);

  fields_ = {{
      {txtAuthor_, lblModsMaker_, &ModInfoTexts::author},
      {txtDescription_, lblModsDescription_, &ModInfoTexts::description},
      {txtVersion_, lblModsVersion_, &ModInfoTexts::version},
      {txtOtherHeading_, lblModsOtherHeading_, &ModInfoTexts::otherHeading},
      {txtOther_, lblModsOther_, &ModInfoTexts::other},
  }};
  for (const Field& field : fields_) {
    connect(field.box, &QLineEdit::textChanged, this, [this, field](const QString& text) {
      // A value is one line of the file: a pasted line break becomes a space.
      const QString single = ui::Q(SingleLine(ui::Utf8(text)));
      if (single != text) {
        const int cursor = field.box->cursorPosition();
        field.box->setText(single);  // changes the text again, which previews it
        field.box->setCursorPosition(std::min(cursor, static_cast<int>(single.size())));
        return;
      }
      Preview(field);
    });
  }
  connect(cboMod_, &QComboBox::activated, this, &frmEditModInfo::ChooseMod);
  connect(cmdClear_, &QPushButton::clicked, this, [this] {
    for (const Field& field : fields_) field.box->clear();
  });
  connect(cmdMakeFile_, &QPushButton::clicked, this, &frmEditModInfo::MakeFile);
  // The editor opens on the mod the main window shows, named in the box.
  FillModBox();
  Load(host_.selectedModPath(), host_.shownTexts());
  resize(sizeHint().width(), sizeHint().height() + fontMetrics().lineSpacing() * (kOpenLines - kPreviewLines));
}

void frmEditModInfo::ShowModValues(const ModInfoTexts& captions) {
  if (busy_) {
    reloadDue_ = true;
    return;
  }
  const std::string selected = host_.selectedModPath();
  if (selected != modPath_ && !modPath_.empty() && HasEdits()) {
    // The edits belong to the editor's mod: it stays on it until they are made
    // into its file, while its untouched fields still follow that file.
    Load(modPath_, ReadModInfo(library::ModFolder(host_.modsDir, modPath_)));
    return;
  }
  Load(selected, captions);
}

void frmEditModInfo::ModListChanged() {
  if (busy_) {
    reloadDue_ = true;
    return;
  }
  FillModBox();
}

bool frmEditModInfo::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && cboMod_->currentIndex() < 0 && !busy_) FillModBox();
  return QWidget::event(e);
}

void frmEditModInfo::closeEvent(QCloseEvent* e) {
  // The window stays until its question is answered and its file written or given up.
  if (busy_ || !KeepOrDropEdits()) {
    e->ignore();
    return;
  }
  QWidget::closeEvent(e);
}

// Typed values are not dropped unasked: Yes makes the file with them (what it
// replaces goes to the trash), No drops them, Cancel keeps the window open.
bool frmEditModInfo::KeepOrDropEdits() {
  if (modPath_.empty() || !HasEdits()) return true;
  busy_ = true;
  QPointer<frmEditModInfo> alive(this);
  const flow::Answer answer =
      host_.dialogs.Ask(UnsavedQuestion(modPath_), kUnsavedTitle, flow::Buttons::YesNoCancel, flow::Icon::Question);
  const bool closes = answer == flow::Answer::No || (answer == flow::Answer::Yes && WriteFile(host_.dialogs));
  if (!alive) return false;
  busy_ = false;
  if (answer == flow::Answer::Yes && closes && host_.fileMade) host_.fileMade();
  if (!closes) CatchUp();
  return closes;
}

void frmEditModInfo::FillModBox() {
  library::ModList list = host_.modList();
  // An unchanged list is left alone, so a refresh does not close the box's open list.
  if (list != entries_ || cboMod_->count() != static_cast<int>(list.size())) {
    entries_ = std::move(list);
    const QSignalBlocker blocker(cboMod_);
    cboMod_->clear();
    for (const std::string& entry : entries_) cboMod_->addItem(ui::Q(entry));
  }
  ShowChoice(modPath_);
  for (const Field& field : fields_) Preview(field);
}

void frmEditModInfo::ShowChoice(const std::string& modPath) {
  int found = -1;
  for (int i = 0; i < static_cast<int>(entries_.size()) && found < 0 && !modPath.empty(); ++i) {
    if (library::ResolveModPath(entries_, i) == modPath) found = i;
  }
  cboMod_->setCurrentIndex(found);
}

void frmEditModInfo::ChooseMod(int index) {
  const std::string modPath = library::ResolveModPath(entries_, index);
  if (modPath.empty()) return;
  // The chosen mod's own values and captions; what the user typed stays in its fields.
  Load(modPath, ReadModInfo(library::ModFolder(host_.modsDir, modPath)));
  // The main window shows the same mod; its ShowModValues for it keeps the fields as they are.
  host_.selectMod(modPath);
  TakeFocus();
}

void frmEditModInfo::Load(const std::string& modPath, const ModInfoTexts& captions) {
  const ModInfoTexts values =
      modPath.empty() ? ModInfoTexts{} : ReadModInfoValues(library::ModFolder(host_.modsDir, modPath));
  std::array<bool, 5> edited{};
  for (size_t i = 0; i < fields_.size(); ++i) edited[i] = Edited(fields_[i]);
  modPath_ = modPath;
  loaded_ = values;
  captions_ = captions;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const QString value = ui::Q(values.*fields_[i].shown);
    // An unchanged text is not set again, which would move the caret of a field being looked at.
    if (!edited[i] && fields_[i].box->text() != value) {
      fields_[i].box->setText(value);
      fields_[i].box->setCursorPosition(0);  // a long value shows its start
    }
  }
  ShowChoice(modPath_);
  for (const Field& field : fields_) Preview(field);
}

bool frmEditModInfo::Edited(const Field& field) const { return ui::Utf8(field.box->text()) != loaded_.*field.shown; }

bool frmEditModInfo::HasEdits() const {
  return std::any_of(fields_.begin(), fields_.end(), [this](const Field& field) { return Edited(field); });
}

void frmEditModInfo::Preview(const Field& field) {
  const std::string text = PreviewText(ui::Utf8(field.box->text()), captions_.*field.shown);
  field.preview->setText(ui::Q(text));
  field.preview->setToolTip(field.preview->text());
}

void frmEditModInfo::MakeFile() {
  if (busy_) return;
  busy_ = true;
  QPointer<frmEditModInfo> alive(this);
  const bool made = AskToMake(host_.dialogs) && WriteFile(host_.dialogs);
  if (!alive) return;
  busy_ = false;
  CatchUp();
  // The main window shows the file made; the editor then follows its selection, as after any reload.
  if (made && host_.fileMade) host_.fileMade();
  if (alive) TakeFocus();
}

bool frmEditModInfo::AskToMake(flow::Dialogs& dialogs) {
  if (cboMod_->currentIndex() < 0 || modPath_.empty()) {
    dialogs.Ask(kSelectMod, flow::kDefaultTitle, flow::Buttons::Ok, flow::Icon::None);
    return false;
  }
  // Yes replaces the file the mod has, so Enter keeps it.
  const bool replaces = HasModInfo(library::ModFolder(host_.modsDir, modPath_));
  const flow::Answer answer =
      replaces ? dialogs.AskDestructive(kMakeQuestion, kMakeTitle, flow::Buttons::YesNo, flow::Icon::Question)
               : dialogs.Ask(kMakeQuestion, kMakeTitle, flow::Buttons::YesNo, flow::Icon::Question);
  return answer == flow::Answer::Yes;
}

bool frmEditModInfo::WriteFile(flow::Dialogs& dialogs) {
  ModInfoTexts values;
  for (const Field& field : fields_) values.*field.shown = ui::Utf8(field.box->text());
  // Another Drydock may be changing this mod: wait for it with the window alive but this button off.
  cmdMakeFile_->setEnabled(false);
  std::optional<platform::WriterLock> lock = ui::LockForWindow(dialogs, {host_.modsDir}, kMakeTitle);
  cmdMakeFile_->setEnabled(true);
  if (!lock) return false;
  const platform::FsResult written = WriteModInfo(library::ModFolder(host_.modsDir, modPath_), values, *lock);
  lock.reset();
  if (!written) {
    dialogs.Ask(kNotMade + written.Message(), kMakeTitle, flow::Buttons::Ok, flow::Icon::Exclamation);
    return false;
  }
  loaded_ = values;  // the file now holds what the fields hold
  return true;
}

void frmEditModInfo::CatchUp() {
  if (!reloadDue_) return;
  reloadDue_ = false;
  FillModBox();
  ShowModValues(host_.shownTexts());
}

void frmEditModInfo::TakeFocus() {
  raise();
  activateWindow();
  cboMod_->setFocus();
}

}  // namespace drydock::modinfo
