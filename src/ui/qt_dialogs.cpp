#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>

namespace drydock::ui {

namespace {
QMessageBox::Icon ToQt(flow::Icon icon) {
  switch (icon) {
    case flow::Icon::Question:
      return QMessageBox::Question;
    case flow::Icon::Exclamation:
      return QMessageBox::Warning;
    case flow::Icon::Critical:
      return QMessageBox::Critical;
    case flow::Icon::Information:
      return QMessageBox::Information;
    case flow::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(flow::Buttons buttons) {
  switch (buttons) {
    case flow::Buttons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case flow::Buttons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case flow::Buttons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case flow::Buttons::AbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case flow::Buttons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

// The button Enter presses: Yes or Ok, or on a question that deletes or
// overwrites the answer that keeps the file.
QMessageBox::StandardButton DefaultButton(flow::Buttons buttons, flow::Default preset) {
  switch (buttons) {
    case flow::Buttons::YesNo:
    case flow::Buttons::YesNoCancel:
      return preset == flow::Default::No ? QMessageBox::No : QMessageBox::Yes;
    case flow::Buttons::OkCancel:
      return preset == flow::Default::No ? QMessageBox::Cancel : QMessageBox::Ok;
    case flow::Buttons::AbortRetryIgnore:
      return QMessageBox::Retry;
    case flow::Buttons::Ok:
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

flow::Answer QtDialogs::Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                             flow::Default preset, const std::string& details) {
  const QString caption = QString::fromStdString(title);
  QMessageBox box(ToQt(icon), caption, QString::fromStdString(text), ToQt(buttons), Owner());
  box.setObjectName(QStringLiteral("messageBox"));
  if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
  box.setDefaultButton(DefaultButton(buttons, preset));
  KeepTitleWhole(box, caption);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return flow::Answer::Yes;
    case QMessageBox::No:
      return flow::Answer::No;
    case QMessageBox::Ok:
      return flow::Answer::Ok;
    case QMessageBox::Retry:
      return flow::Answer::Retry;
    case QMessageBox::Ignore:
      return flow::Answer::Ignore;
    case QMessageBox::Abort:
      return flow::Answer::Abort;
    default:
      if (buttons == flow::Buttons::AbortRetryIgnore) return flow::Answer::Abort;
      return buttons == flow::Buttons::YesNo ? flow::Answer::No : flow::Answer::Cancel;
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
