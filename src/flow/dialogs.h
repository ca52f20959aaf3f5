#pragma once
// src/flow: the ground every flow stands on (Dialogs, WorkHost, the writer lock taken through
// LockForChanges), so that a window, the command line and a test drive one flow. See README.md.
//
// The flows' shared ground, under the engines and the windows alike: every
// question and message of the program goes through Dialogs (the beep is the
// Shell's), so that
// flows can be driven by the application (message boxes), by the command line
// (--yes or a terminal) or by a test (a scripted fake that checks each text).
// Plain C++: flows in the engine library may take a Dialogs&.
#include <exception>
#include <optional>
#include <string>

namespace drydock::flow {

enum class Buttons { Ok, YesNo, YesNoCancel, OkCancel, AbortRetryIgnore };
enum class Icon { None, Question, Exclamation, Critical, Information };
enum class Answer { Ok, Yes, No, Cancel, Abort, Retry, Ignore };
// The button that Enter presses. A question whose Yes deletes or overwrites a
// file defaults to the answer that keeps it (No, else Cancel).
enum class Default { Yes, No };

// The program's default title for boxes that name none of their own.
inline constexpr const char* kDefaultTitle = "Drydock";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows `text` with `title`, the given buttons and icon; returns the answer.
  // Enter gives Yes (or Ok). `details`, when given, is a longer text the user
  // may unfold under the question (a message box's "Show Details..."), such as
  // the files an install would replace; the question keeps its own wording.
  Answer Ask(const std::string& text, const std::string& title, Buttons buttons, Icon icon,
             const std::string& details = {}) {
    return Show(text, title, buttons, icon, Default::Yes, details);
  }
  // The same for a question whose Yes deletes or overwrites something: Enter
  // gives No (or Cancel), so a hurried key press keeps the file.
  Answer AskDestructive(const std::string& text, const std::string& title, Buttons buttons, Icon icon,
                        const std::string& details = {}) {
    return Show(text, title, buttons, icon, Default::No, details);
  }
  // A one-line input box; nothing when cancelled.
  virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                           const std::string& initial) = 0;

 protected:
  virtual Answer Show(const std::string& text, const std::string& title, Buttons buttons, Icon icon, Default preset,
                      const std::string& details) = 0;
};

// What the user is told when work ended by throwing (the windows carry a
// worker's exception to their own thread): the error's own words.
inline std::string UnexpectedErrorText(const std::exception_ptr& error) {
  std::string what = "an error of unknown kind";
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  return "The work was stopped by an unexpected error: " + what;
}

}  // namespace drydock::flow
