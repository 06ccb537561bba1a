#include "SUITreeView.h"

#include <algorithm>
#include <functional>
#include <vector>

TsuiTreeView::TsuiTreeView(TComponent* owner) : TsuiBorderedOf<QTreeWidget>(owner) {
  setHeaderHidden(true);
  setColumnCount(1);
  resize(121, 97);
  QObject::connect(this, &QTreeWidget::currentItemChanged, this, [this] { Dispatch(FOnChange); });
}

TsuiTreeView::~TsuiTreeView() = default;

QStringList TsuiTreeView::Items() const {
  QStringList lines;
  std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* node, int depth) {
    lines << QString(depth, QLatin1Char('\t')) + node->text(0);
    for (int i = 0; i < node->childCount(); ++i) walk(node->child(i), depth + 1);
  };
  for (int i = 0; i < topLevelItemCount(); ++i) walk(topLevelItem(i), 0);
  return lines;
}

void TsuiTreeView::SetItems(const QStringList& value) {
  clear();
  // The path from the root to the last node made; a line hangs under the
  // deepest node above its own depth.
  std::vector<QTreeWidgetItem*> path;
  for (const QString& line : value) {
    qsizetype tabs = 0;
    while (tabs < line.size() && line[tabs] == QLatin1Char('\t')) ++tabs;
    path.resize(std::min(size_t(tabs), path.size()));
    const QStringList text(line.mid(tabs));
    auto* node = path.empty() ? new QTreeWidgetItem(this, text) : new QTreeWidgetItem(path.back(), text);
    path.push_back(node);
  }
}
