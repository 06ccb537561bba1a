#include "SUIListView.h"

#include <QHeaderView>

TsuiListView::TsuiListView(TComponent* owner) : TsuiBorderedOf<QTreeWidget>(owner) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  resize(250, 150);
  ApplyColumns();
  QObject::connect(this, &QTreeWidget::currentItemChanged, this, [this] { Dispatch(FOnChange); });
}

TsuiListView::~TsuiListView() = default;

void TsuiListView::SetColumns(const QStringList& value) {
  FColumns = value;
  ApplyColumns();
}

void TsuiListView::SetViewStyle(TViewStyle value) {
  FViewStyle = value;
  ApplyColumns();
}

void TsuiListView::ApplyColumns() {
  const bool report = FViewStyle == vsReport;
  setColumnCount(report ? std::max<int>(1, FColumns.size()) : 1);
  setHeaderLabels(report ? FColumns : QStringList(FColumns.value(0)));
  setHeaderHidden(!report);
}

QStringList TsuiListView::Items() const {
  QStringList items;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QTreeWidgetItem* it = topLevelItem(i);
    QStringList columns;
    for (int c = 0; c < it->columnCount(); ++c) columns << it->text(c);
    items << columns.join(QLatin1Char('\t'));
  }
  return items;
}

void TsuiListView::SetItems(const QStringList& value) {
  clear();
  QList<QTreeWidgetItem*> items;
  for (const QString& line : value) items << new QTreeWidgetItem(line.split(QLatin1Char('\t')));
  addTopLevelItems(items);
}

void TsuiListView::SetMultiSelect(bool value) {
  setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int TsuiListView::ItemIndex() const { return currentItem() ? indexOfTopLevelItem(currentItem()) : -1; }
