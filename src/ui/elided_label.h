#pragma once
// A label that draws what does not fit its box cut short with an ellipsis
// ("Fleet Yards Te..."), on its last line when it wraps. text() stays whole,
// so a tooltip or a reader of the label gets all of it.
#include <QLabel>
#include <vector>

namespace drydock::ui {

class ElidedLabel final : public QLabel {
 public:
  using QLabel::QLabel;
  // The text as drawn: whole, or cut with an ellipsis where the box ends.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The lines drawn, each with its top-left corner within the contents.
  struct Line {
    QString text;
    QPointF at;
  };
  std::vector<Line> Lines() const;
};

}  // namespace drydock::ui
