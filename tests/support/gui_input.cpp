#include "support/gui_input.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace drydock::test {

QApplication& GuiApp() {
  static int argc = 1;
  static char name[] = "drydock_gui_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QStringList L(std::initializer_list<const char*> texts) {
  QStringList out;
  for (const char* text : texts) out << QString::fromUtf8(text);
  return out;
}

void ClickItem(QListWidget* list, const QListWidgetItem* item, int clicks) {
  const QPoint at = list->visualItemRect(item).center();
  // A double click reaches a view as a click followed by the double-click event.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  if (clicks == 2) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void ClickText(QListWidget* list, const char* text) {
  const auto items = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
  ASSERT_FALSE(items.isEmpty()) << text;
  ClickItem(list, items.first());
}

void Activate(QWidget* window) {
  // A window the system has not shown yet cannot take the keyboard.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

void HandlePendingEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5000);
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr) << "no widget has the keyboard";
  QTest::keyClick(focus, key, modifiers);
}

void TypeInto(QLineEdit* box, const std::string& text) {
  box->selectAll();
  QTest::keyClicks(box, QString::fromStdString(text));
}

void WriteBmp(const std::filesystem::path& file, int width, int height) {
  std::filesystem::create_directories(file.parent_path());
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::darkBlue);
  ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
}

}  // namespace drydock::test
