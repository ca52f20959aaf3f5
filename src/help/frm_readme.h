#pragma once
// The readme window: a list of help topics beside the text of the selected
// one; the last topic also shows a contact address that starts an e-mail.
#include <QWidget>
#include <filesystem>

class QLabel;
class QListWidget;
class QScrollArea;

namespace drydock::platform {
class Shell;
}
namespace drydock::flow {
class Dialogs;
}

namespace drydock::help {

class frmReadme : public QWidget {
  Q_OBJECT
 public:
  // `programDir` is named in the Addons topic; `shell` opens the e-mail link,
  // and `dialogs` tells when it cannot. `parent` is the main window; the
  // window deletes itself when closed.
  frmReadme(std::filesystem::path programDir, platform::Shell& shell, flow::Dialogs& dialogs, QWidget* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ShowTopic(int row);
  void FitToFont();

  std::filesystem::path programDir_;
  platform::Shell& shell_;
  flow::Dialogs& dialogs_;
  QListWidget* lstChoices_;
  QLabel* lblDisplay_;
  QLabel* lblEmail_;
  QScrollArea* scroll_;
};

}  // namespace drydock::help
