#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace drydock::ui {

namespace {
QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::Question:
      return QMessageBox::Question;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Critical:
      return QMessageBox::Critical;
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Buttons buttons) {
  switch (buttons) {
    case Buttons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::Ok:
      break;
  }
  return QMessageBox::Ok;
}
}  // namespace

// A box opens over the window the user is working in (a secondary window
// included), so that closing it returns there; else over the main window.
QWidget* QtDialogs::Owner() const {
  QWidget* active = QApplication::activeWindow();
  return active ? active : parent_.data();
}

Answer QtDialogs::Ask(const std::string& text, const std::string& title, Buttons buttons, Icon icon) {
  QMessageBox box(ToQt(icon), QString::fromStdString(title), QString::fromStdString(text), ToQt(buttons), Owner());
  if (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Ignore:
      return Answer::Ignore;
    case QMessageBox::Abort:
      return Answer::Abort;
    default:
      if (buttons == Buttons::AbortRetryIgnore) return Answer::Abort;
      return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
}

std::optional<std::string> QtDialogs::Input(const std::string& prompt, const std::string& title,
                                            const std::string& initial) {
  bool ok = false;
  const QString value = QInputDialog::getText(Owner(), QString::fromStdString(title), QString::fromStdString(prompt),
                                              QLineEdit::Normal, QString::fromStdString(initial), &ok);
  if (!ok) return std::nullopt;
  return value.toStdString();
}

}  // namespace drydock::ui
