#include "ui/elided_label.h"

#include <QPainter>
#include <QTextLayout>

namespace drydock::ui {

std::vector<ElidedLabel::Line> ElidedLabel::Lines() const {
  const QRect box = contentsRect();
  const QFontMetricsF metrics(font());
  std::vector<Line> lines;
  const QString whole = text();
  if (!wordWrap()) {
    const QString first = whole.section(QLatin1Char('\n'), 0, 0);
    const QString shown = whole.contains(QLatin1Char('\n')) ? first + QStringLiteral("\u2026") : first;
    lines.push_back({metrics.elidedText(shown, Qt::ElideRight, box.width()), QPointF(0, 0)});
    return lines;
  }
  QString flowing = whole;
  flowing.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(flowing, font());
  layout.beginLayout();
  qreal y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(box.width());
    const bool lastThatFits = y + 2 * metrics.lineSpacing() > box.height();
    QString part = flowing.mid(line.textStart(), lastThatFits ? -1 : line.textLength());
    if (lastThatFits) {
      // The rest goes on this line, cut where the box ends.
      const bool more = line.textStart() + line.textLength() < flowing.size();
      part = part.section(QChar::LineSeparator, 0, 0);
      if (more && metrics.horizontalAdvance(part) <= box.width()) part += QStringLiteral(" \u2026");
      lines.push_back({metrics.elidedText(part, Qt::ElideRight, box.width()), QPointF(0, y)});
      break;
    }
    while (part.endsWith(QChar::LineSeparator)) part.chop(1);
    lines.push_back({part, QPointF(0, y)});
    y += metrics.lineSpacing();
  }
  layout.endLayout();
  return lines;
}

QString ElidedLabel::ShownText() const {
  QStringList shown;
  for (const Line& line : Lines()) shown << line.text.trimmed();
  return shown.join(QLatin1Char('\n'));
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(foregroundRole()));
  painter.setFont(font());
  const QRect box = contentsRect();
  const QFontMetricsF metrics(font());
  for (const Line& line : Lines()) {
    painter.drawText(QPointF(box.left(), box.top() + line.at.y() + metrics.ascent()), line.text);
  }
}

}  // namespace drydock::ui
