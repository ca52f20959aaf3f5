#pragma once
// What the window tests share: the test program's application, and input
// given as a user gives it (clicks where an item is drawn, keys to whichever
// widget has the focus, text typed into a box).
#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <string>

// Failure messages show Qt's strings as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace drydock::test {

// The application of the test program, made on first use.
QApplication& GuiApp();

// Qt's text as a standard string.
inline std::string Str(const QString& text) { return text.toStdString(); }

// The texts of a list's entries, and a literal list to compare them with.
QStringList Items(const QListWidget* list);
QStringList L(std::initializer_list<const char*> texts);

// The child of `parent` named `name`; the test fails when there is none.
template <typename T>
T* Child(const QObject* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// A click (or double click) at the middle of `item` in its list.
void ClickItem(QListWidget* list, const QListWidgetItem* item, int clicks = 1);
// A click on the entry of `list` that reads `text`; the test fails when there is none.
void ClickText(QListWidget* list, const char* text);
// Makes `window` the active window, as a click on it would; the test fails when it does not become so.
void Activate(QWidget* window);
// Handles every event already waiting (timers due included) and whatever those post in turn, until none is
// left or five seconds have passed: for a check that something which could only come from an event did not.
void HandlePendingEvents();
// A key pressed and let go, sent to the widget that has the focus.
void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Selects the whole text of `box` and types `text` over it.
void TypeInto(QLineEdit* box, const std::string& text);

// A bitmap of `width` x `height` pixels, its folders made.
void WriteBmp(const std::filesystem::path& file, int width, int height);

}  // namespace drydock::test
