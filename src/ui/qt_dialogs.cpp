#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>

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

// The button Enter presses: Yes or Ok, or on a question that deletes or
// overwrites the answer that keeps the file.
QMessageBox::StandardButton DefaultButton(Buttons buttons, Default preset) {
  switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
      return preset == Default::No ? QMessageBox::No : QMessageBox::Yes;
    case Buttons::OkCancel:
      return preset == Default::No ? QMessageBox::Cancel : QMessageBox::Ok;
    case Buttons::AbortRetryIgnore:
      return QMessageBox::Retry;
    case Buttons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

// A box is at least as wide as its title with room for the window frame's
// buttons, so that a short message does not clip the title ("D... ck").
void KeepTitleWhole(QMessageBox& box, const QString& title) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const int frameButtons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const int width = box.fontMetrics().horizontalAdvance(title) + frameButtons;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                grid->columnCount());
}
}  // namespace

// A box opens over the window the user is working in (a secondary window
// included), so that closing it returns there; else over the main window.
QWidget* QtDialogs::Owner() const {
  QWidget* active = QApplication::activeWindow();
  return active ? active : parent_.data();
}

Answer QtDialogs::Show(const std::string& text, const std::string& title, Buttons buttons, Icon icon, Default preset) {
  const QString caption = QString::fromStdString(title);
  QMessageBox box(ToQt(icon), caption, QString::fromStdString(text), ToQt(buttons), Owner());
  box.setObjectName(QStringLiteral("messageBox"));
  box.setDefaultButton(DefaultButton(buttons, preset));
  KeepTitleWhole(box, caption);
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
