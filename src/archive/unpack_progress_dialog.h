#pragma once
// The window's view of an archive being unpacked: a progress dialog by bytes
// with a Cancel button, over the window that started the add.
#include <QPointer>
#include <atomic>

#include "archive/add_flow.h"

class QProgressDialog;
class QWidget;

namespace drydock::archive {

class UnpackProgressDialog final : public UnpackProgress {
 public:
  explicit UnpackProgressDialog(QWidget* parent) : parent_(parent) {}
  ~UnpackProgressDialog() override;
  void Begin(const std::string& archiveName, std::uint64_t totalBytes) override;
  void Advance(std::uint64_t doneBytes) override;
  void End() override;
  const std::atomic<bool>* CancelFlag() const override { return &cancel_; }

  static constexpr int kSteps = 1000;

 private:
  QWidget* parent_;
  QPointer<QProgressDialog> dialog_;
  std::uint64_t total_ = 0;
  std::atomic<int> shownStep_{-1};
  std::atomic<bool> cancel_{false};
};

}  // namespace drydock::archive
