#pragma once
// src/ui: the widgets every window shares (QtDialogs, ElidedLabel, long work, twips, the game
// directory dialog, the secondary-window pattern below); no engine logic. See README.md.
//
// The pattern every window opened from the main window's menu follows: it
// exists at most once, is made on first use, takes the main window's icon
// and font, opens beside the main window where the screen allows, carries a
// check mark on its menu entry while it is open, closes on Escape, and closes
// with the main window.
#include <QAction>
#include <QPointer>
#include <QWidget>

namespace drydock::ui {

// Ticks `entry` while `window` is shown and clears it when it hides.
void FollowWithCheckMark(QWidget* window, QAction* entry);

// Escape closes `window` when none of its controls takes the key (a key
// propagates from the focused control up to its window). A dialog keeps its
// own Escape, which is its Cancel.
void CloseOnEscape(QWidget* window);

// Moves `window` to the right of `main`, else to its left, else offset from
// its top-left corner, always inside the screen that shows `main`.
void PlaceBeside(QWidget* window, const QWidget* main);

// The font of the main window's controls, which its windows share.
QFont WindowFont(const QWidget* main);

// Closes every window that belongs to `main` (its children that are windows);
// false, with every window left as it is, when one of them stayed open.
bool CloseSecondaryWindows(QWidget* main);

// The window in `slot`, made by `make` the first time (its parent must be
// `main`), set up as above; Escape closes it.
template <typename W, typename Make>
W* SecondaryWindow(QPointer<W>& slot, QWidget* main, QAction* entry, Make make) {
  if (!slot) {
    slot = make();
    slot->setWindowIcon(main->windowIcon());
    slot->setFont(WindowFont(main));
    if (entry) FollowWithCheckMark(slot, entry);
    CloseOnEscape(slot);
  }
  return slot;
}

// Places `window` beside `main` the first time it opens (later it stays
// where the user left it).
void PlaceBesideOnce(QWidget* window, const QWidget* main);

// Opens `window` beside `main` (the first time) and brings it to the front.
void ShowSecondaryWindow(QWidget* window, const QWidget* main);

// The menu entry's command: the window in `slot`, made by `make` on first
// use, opened and brought to the front.
template <typename W, typename Make>
W* OpenSecondaryWindow(QPointer<W>& slot, QWidget* main, QAction* entry, Make make) {
  W* window = SecondaryWindow(slot, main, entry, make);
  ShowSecondaryWindow(window, main);
  return window;
}

}  // namespace drydock::ui
