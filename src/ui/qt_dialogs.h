#pragma once
// Dialogs shown as Qt message boxes and input boxes over a parent window.
#include <QPointer>

#include "flow/dialogs.h"

class QWidget;

namespace drydock::ui {

class QtDialogs final : public flow::Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;

 protected:
  flow::Answer Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                    flow::Default preset, const std::string& details) override;

 private:
  QWidget* Owner() const;
  QPointer<QWidget> parent_;
};

}  // namespace drydock::ui
