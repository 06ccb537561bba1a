#include "SUICheckListBox.h"
#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {
// The native mark's size, for Custom, which has no pictures.
constexpr int kNativeMark = 13;
// Between the frame's edge and the mark, and between the mark and the text.
constexpr int kMarkInset = 2, kMarkGap = 4;
}  // namespace

// Draws each item as mark, then text, and toggles on a click on the mark or Space.
class TsuiCheckListDelegate : public QStyledItemDelegate {
 public:
  explicit TsuiCheckListDelegate(TsuiCheckListBox* list) : QStyledItemDelegate(list), FList(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QRect mark = FList->CheckRect(option.rect);
    // The selection marks the text only; the mark sits on the list's colour.
    painter->fillRect(QRect(option.rect.topLeft(), QPoint(mark.right() + kMarkGap, option.rect.bottom())),
                      opt.palette.base());
    opt.rect.setLeft(mark.right() + 1 + kMarkGap);
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    const bool enabled = (option.state & QStyle::State_Enabled) && (index.flags() & Qt::ItemIsEnabled);
    const TBitmap& picture = FList->Mark(checked, enabled);
    if (!picture.Empty()) {
      picture.Draw(*painter, mark.x(), mark.y());
      return;
    }
    QStyleOptionViewItem box = option;
    box.rect = mark;
    box.state =
        (enabled ? QStyle::State_Enabled : QStyle::State_None) | (checked ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, opt.widget);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    QSize s = QStyledItemDelegate::sizeHint(opt, index);
    const QSize mark = FList->MarkSize();
    return QSize(s.width() + kMarkInset + mark.width() + kMarkGap, std::max(s.height(), mark.height() + 2));
  }

  bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
    if (!(index.flags() & Qt::ItemIsEnabled) || !FList->isEnabled()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !FList->CheckRect(option.rect).contains(mouse->position().toPoint()))
          return false;
        // A double click is a press; the release after it toggles again.
        if (event->type() == QEvent::MouseButtonRelease) FList->Toggle(index.row());
        return true;
      }
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
        FList->Toggle(index.row());
        return true;
      }
      default: return false;
    }
  }

 private:
  TsuiCheckListBox* FList;
};

TsuiCheckListBox::TsuiCheckListBox(TComponent* owner) : TsuiListBox(owner) {
  setItemDelegate(new TsuiCheckListDelegate(this));
  setUniformItemSizes(false);
  FUIStyle = FindFormUIStyle(owner);
  LoadMarks();
}

TsuiCheckListBox::~TsuiCheckListBox() = default;

void TsuiCheckListBox::SetUIStyle(TsuiUIStyle value) {
  if (value == FUIStyle) return;
  FUIStyle = value;
  if (value != Custom) SetBorderColor(GetThemeColor(value, teBorderColor));
  LoadMarks();
}

void TsuiCheckListBox::LoadMarks() {
  for (int i = 0; i < 4; ++i) {
    FMarks[i].Clear();
    if (FUIStyle == Custom) continue;
    LoadSkinBitmapOrClear(FMarks[i], GetThemeString(FUIStyle, teCheckListDisabledChecked + i));
  }
  // The items' height follows the mark's.
  scheduleDelayedItemsLayout();
  viewport()->update();
}

const TBitmap& TsuiCheckListBox::Mark(bool checked, bool enabled) const {
  return FMarks[(enabled ? 2 : 0) + (checked ? 0 : 1)];
}

QSize TsuiCheckListBox::MarkSize() const {
  const TBitmap& m = FMarks[3];
  return m.Empty() ? QSize(kNativeMark, kNativeMark) : QSize(m.Width(), m.Height());
}

QRect TsuiCheckListBox::CheckRect(const QRect& itemRect) const {
  const QSize mark = MarkSize();
  return QRect(itemRect.left() + kMarkInset, itemRect.top() + (itemRect.height() - mark.height()) / 2, mark.width(),
               mark.height());
}

void TsuiCheckListBox::SetBorderWidth(int value) {
  const int width = std::max(value, kSuiBorderWidth);
  if (width == lineWidth()) return;
  setLineWidth(width);
}

QListWidgetItem* TsuiCheckListBox::MakeItem(const QString& text) const {
  QListWidgetItem* item = TsuiListBox::MakeItem(text);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Unchecked);
  return item;
}

bool TsuiCheckListBox::Checked(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->checkState() == Qt::Checked;
}

void TsuiCheckListBox::SetChecked(int index, bool value) {
  if (QListWidgetItem* it = item(index)) it->setCheckState(value ? Qt::Checked : Qt::Unchecked);
}

QStringList TsuiCheckListBox::CheckedItems() const {
  QStringList ticked;
  for (int i = 0; i < count(); ++i)
    if (Checked(i)) ticked << QString::number(i);
  return ticked;
}

void TsuiCheckListBox::SetCheckedItems(const QStringList& value) {
  for (int i = 0; i < count(); ++i) SetChecked(i, false);
  for (const QString& number : value) {
    bool ok = false;
    const int i = number.toInt(&ok);
    if (ok) SetChecked(i, true);
  }
}

bool TsuiCheckListBox::ItemEnabled(int index) const {
  const QListWidgetItem* it = item(index);
  return it && (it->flags() & Qt::ItemIsEnabled);
}

void TsuiCheckListBox::SetItemEnabled(int index, bool value) {
  if (QListWidgetItem* it = item(index))
    it->setFlags(value ? it->flags() | Qt::ItemIsEnabled : it->flags() & ~Qt::ItemIsEnabled);
}

void TsuiCheckListBox::Toggle(int index) {
  if (index < 0 || index >= count() || !ItemEnabled(index)) return;
  SetChecked(index, !Checked(index));
  Dispatch(FOnClickCheck);
}
