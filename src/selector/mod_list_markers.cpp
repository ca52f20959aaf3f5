#include "selector/mod_list_markers.h"

#include <algorithm>

#include <QApplication>
#include <QListWidget>
#include <QPainter>

#include "compat/conflict_index.h"
#include "ui/long_work.h"

namespace drydock::selector {

namespace {

constexpr int kMarkerGapPx = 8;  // between the name's end and the markers, and at the right edge

QString MarkerText(const compat::IndexedMod& mod, const compat::ModConflicts& conflicts) {
  QStringList parts;
  if (mod.installed) {
    parts << QString::fromUtf8(kInstalledMark) +
                 (mod.installOrder > 0 ? QStringLiteral(" #%1").arg(mod.installOrder) : QString());
  }
  if (conflicts.files > 0) parts << QString::fromUtf8(kConflictMark) + QStringLiteral(" %1").arg(conflicts.files);
  return parts.join(QStringLiteral("  "));
}

QString TipText(const compat::ConflictIndex& index, const compat::IndexedMod& mod,
                const compat::ModConflicts& conflicts) {
  QStringList lines;
  if (mod.installed) {
    lines << (mod.installOrder > 0 ? QStringLiteral("Installed: #%1 in the install order").arg(mod.installOrder)
                                   : QStringLiteral("Installed"));
  } else if (!mod.installedInto.empty()) {
    lines << QStringLiteral("Installed into %1, not this game").arg(QString::fromStdString(mod.installedInto));
  }
  if (conflicts.files > 0) lines << QString::fromStdString(compat::SharesText(index, conflicts));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void ModMarkerDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString marker = index.data(kMarkerRole).toString();
  if (marker.isEmpty()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
  // The name's place as the style would draw it, taken while the option still holds the text.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;  // as the style's own
  QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(margin, 0, -margin, 0);
  const QString name = opt.text;
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);  // background, selection, focus

  const bool selected = opt.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group = opt.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  const QColor pen = opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  const int markerWidth = opt.fontMetrics.horizontalAdvance(marker);
  const QRect markerRect(opt.rect.right() - kMarkerGapPx - markerWidth, opt.rect.top(), markerWidth, opt.rect.height());
  text.setRight(std::max(text.left(), markerRect.left() - kMarkerGapPx));

  painter->save();
  painter->setFont(opt.font);
  painter->setPen(pen);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                    opt.fontMetrics.elidedText(name, Qt::ElideRight, text.width()));
  painter->drawText(markerRect, Qt::AlignRight | Qt::AlignVCenter, marker);
  painter->restore();
}

ModListMarkers::ModListMarkers(QListWidget* list) : QObject(list), list_(list) {
  setObjectName(QStringLiteral("modListMarkers"));
  list_->setItemDelegate(new ModMarkerDelegate(list_));
}

ModListMarkers::~ModListMarkers() { Stop(); }

void ModListMarkers::Stop() {
  if (cancel_) cancel_->store(true);
  if (worker_.joinable()) worker_.join();
}

void ModListMarkers::Rebuild(const std::filesystem::path& modsDir, const library::ModList& modList,
                             const std::optional<std::filesystem::path>& gameDir) {
  Stop();  // an older build stops at its next mod, and what it had posted is ignored
  const unsigned generation = ++generation_;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  worker_ = std::thread([this, generation, modsDir, modList, gameDir, cancel = cancel_] {
    std::optional<compat::ConflictIndex> index;
    try {
      // One core fewer than the command line takes: the window's own thread keeps one, so that typing in the
      // filter stays quick while the markers are built.
      index = compat::BuildConflictIndex(modsDir, modList, gameDir, cancel.get(),
                                         std::max(compat::ConflictIndexThreads(), 2u) - 1);
    } catch (...) {
      return;  // no markers rather than a wrong one; the next fill of the list tries again
    }
    if (!index) return;
    {
      const std::lock_guard<std::mutex> lock(doneMutex_);
      done_ = {generation, modList, std::make_unique<compat::ConflictIndex>(std::move(*index))};
    }
    ui::OnUiThread(this, [this] { TakeDone(); });
  });
}

void ModListMarkers::TakeDone() {
  Done done;
  {
    const std::lock_guard<std::mutex> lock(doneMutex_);
    done = std::move(done_);
    done_ = {};
  }
  if (done.index && done.generation == generation_) Show(*done.index, done.modList);
}

void ModListMarkers::Show(const compat::ConflictIndex& index, const library::ModList& modList) {
  for (int m = 0; m < static_cast<int>(index.mods.size()); ++m) {
    const int row = index.entryOfMod[static_cast<size_t>(m)];
    QListWidgetItem* item = list_->item(row);
    // An entry that no longer reads as it did when the build began keeps no marker of it.
    if (!item || item->text() != QString::fromStdString(modList[static_cast<size_t>(row)])) continue;
    const compat::IndexedMod& mod = index.mods[static_cast<size_t>(m)];
    const compat::ModConflicts conflicts = compat::ConflictsOf(index, m, /*installedOnly=*/true);
    item->setData(kMarkerRole, MarkerText(mod, conflicts));
    item->setToolTip(TipText(index, mod, conflicts));
  }
  Q_EMIT markersShown();
}

}  // namespace drydock::selector
