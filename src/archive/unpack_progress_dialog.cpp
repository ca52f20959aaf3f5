#include "archive/unpack_progress_dialog.h"

#include <QProgressDialog>

#include "archive/archive_texts.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"

namespace drydock::archive {

UnpackProgressDialog::~UnpackProgressDialog() { End(); }

void UnpackProgressDialog::Begin(const std::string& archiveName, std::uint64_t totalBytes) {
  total_ = totalBytes;
  cancel_ = false;
  shownStep_ = 0;
  dialog_ = new QProgressDialog(ui::Q(texts::kUnpacking + archiveName), ui::Q(texts::kCancel), 0, kSteps, parent_);
  dialog_->setObjectName(QStringLiteral("dlgUnpackArchive"));
  dialog_->setWindowTitle(ui::Q(texts::kTitle));
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(0);
  dialog_->setMinimumWidth(360);
  QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] { cancel_ = true; });
  dialog_->setValue(0);
  dialog_->show();
}

void UnpackProgressDialog::Advance(std::uint64_t doneBytes) {
  const int step =
      total_ == 0 ? kSteps : static_cast<int>(std::min<std::uint64_t>(doneBytes, total_) * kSteps / total_);
  // Only a new step reaches the window, so a many-file archive does not flood it.
  if (shownStep_.exchange(step) == step || !dialog_) return;
  QProgressDialog* dialog = dialog_;
  ui::OnUiThread(dialog, [dialog, step] { dialog->setValue(step); });
}

void UnpackProgressDialog::End() {
  delete dialog_.data();  // on the window's thread, after the work has ended
  dialog_ = nullptr;
}

}  // namespace drydock::archive
