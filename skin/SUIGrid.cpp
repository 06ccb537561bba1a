#include "SUIGrid.h"

#include "SUIPublic.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Hands the painting of every cell to the grid.
class TGridDelegate : public QStyledItemDelegate {
 public:
  explicit TGridDelegate(TsuiCustomDrawGrid* grid) : QStyledItemDelegate(grid), FGrid(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    FGrid->DrawCell(*painter, index.column(), index.row(), option.rect, FGrid->CellState(index.column(), index.row()));
  }

 private:
  TsuiCustomDrawGrid* FGrid;  // the grid this delegate is parented to
};

constexpr int kFrame = 2;  // the outer and the inner ring

}  // namespace

TsuiCustomDrawGrid::TsuiCustomDrawGrid(TComponent* owner, TColor focusedColor) : TControlOf<QTableWidget>(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setMinimumSectionSize(1);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(kFrame);
  setItemDelegate(new TGridDelegate(this));
  setWordWrap(false);
  setColumnCount(5);
  setRowCount(5);
  SetDefaultColWidth(64);
  SetDefaultRowHeight(24);
  resize(320, 120);
  FColors.SelectedColor = clYellow;
  FColors.FocusedColor = focusedColor;
  ApplyOptions();
  SetUIStyle(FindFormUIStyle(owner));
  FixedChanged();
}

TsuiCustomDrawGrid::~TsuiCustomDrawGrid() = default;

void TsuiCustomDrawGrid::Repaint() {
  viewport()->update();
  update();
}

void TsuiCustomDrawGrid::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  if (value == Custom) return;
  FBorderColor = GetThemeColor(value, teBorderColor);
  FColors.FixedColor = GetThemeColor(value, teSelectedColor);
  SetColor(GetThemeColor(value, teControlColor));
  FColors.FixedFontColor = GetThemeColor(value, teSelectedFontColor);
  SetFontColor(GetThemeColor(value, teFontColor));
  Repaint();
}

void TsuiCustomDrawGrid::SetColCount(int value) {
  value = std::max(1, value);
  if (value == columnCount()) return;
  setColumnCount(value);
  FixedChanged();
}

void TsuiCustomDrawGrid::SetRowCount(int value) {
  value = std::max(1, value);
  if (value == rowCount()) return;
  setRowCount(value);
  FixedChanged();
}

void TsuiCustomDrawGrid::SetFixedCols(int value) {
  value = std::clamp(value, 0, std::max(0, columnCount() - 1));
  if (value == FFixedCols) return;
  FFixedCols = value;
  FixedChanged();
}

void TsuiCustomDrawGrid::SetFixedRows(int value) {
  value = std::clamp(value, 0, std::max(0, rowCount() - 1));
  if (value == FFixedRows) return;
  FFixedRows = value;
  FixedChanged();
}

void TsuiCustomDrawGrid::FixedChanged() {
  FFixedCols = std::min(FFixedCols, std::max(0, columnCount() - 1));
  FFixedRows = std::min(FFixedRows, std::max(0, rowCount() - 1));
  // The current cell leaves the fixed area.
  if (currentRow() < FFixedRows || currentColumn() < FFixedCols)
    SetCurrentCell(std::max(currentColumn(), FFixedCols), std::max(currentRow(), FFixedRows));
  Repaint();
}

int TsuiCustomDrawGrid::DefaultColWidth() const { return horizontalHeader()->defaultSectionSize(); }

void TsuiCustomDrawGrid::SetDefaultColWidth(int value) {
  horizontalHeader()->setDefaultSectionSize(std::max(1, value));
  for (int c = 0; c < columnCount(); ++c) setColumnWidth(c, std::max(1, value));
}

int TsuiCustomDrawGrid::DefaultRowHeight() const { return verticalHeader()->defaultSectionSize(); }

void TsuiCustomDrawGrid::SetDefaultRowHeight(int value) {
  verticalHeader()->setDefaultSectionSize(std::max(1, value));
  for (int r = 0; r < rowCount(); ++r) setRowHeight(r, std::max(1, value));
}

void TsuiCustomDrawGrid::SetOptions(TGridOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  ApplyOptions();
}

void TsuiCustomDrawGrid::ApplyOptions() {
  const TGridOptions value = FOptions;
  setShowGrid(value & (goVertLine | goHorzLine));
  setSelectionBehavior(value.testFlag(goRowSelect) ? SelectRows : SelectItems);
  setSelectionMode(value.testFlag(goRangeSelect) ? ExtendedSelection : SingleSelection);
  setEditTriggers(value.testFlag(goEditing) ? (DoubleClicked | EditKeyPressed | AnyKeyPressed) : NoEditTriggers);
  setTabKeyNavigation(value.testFlag(goTabs));
  Repaint();
}

void TsuiCustomDrawGrid::SetCurrentCell(int col, int row) {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount() || IsFixed(col, row)) return;
  bool can = true;
  if (FOnSelectCell) FOnSelectCell(this, col, row, can);
  if (!can) return;
  setCurrentCell(row, col);
}

void TsuiCustomDrawGrid::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  Repaint();
}

void TsuiCustomDrawGrid::SetFixedColor(TColor value) {
  if (value == FColors.FixedColor) return;
  FColors.FixedColor = value;
  Repaint();
}

void TsuiCustomDrawGrid::SetFixedFontColor(TColor value) {
  if (value == FColors.FixedFontColor) return;
  FColors.FixedFontColor = value;
  Repaint();
}

void TsuiCustomDrawGrid::SetFocusedColor(TColor value) {
  if (value == FColors.FocusedColor) return;
  FColors.FocusedColor = value;
  Repaint();
}

void TsuiCustomDrawGrid::SetSelectedColor(TColor value) {
  if (value == FColors.SelectedColor) return;
  FColors.SelectedColor = value;
  Repaint();
}

TColor TsuiCustomDrawGrid::FontColor() const { return const_cast<TsuiCustomDrawGrid*>(this)->Font()->Color(); }

void TsuiCustomDrawGrid::SetFontColor(TColor value) {
  Font()->SetColor(value);
  Repaint();
}

void TsuiCustomDrawGrid::ColorChanged() {
  TControlBase::ColorChanged();
  Repaint();
}

TsuiGridColors TsuiCustomDrawGrid::Colors() const {
  TsuiGridColors c = FColors;
  c.Color = PaintColor();
  c.FontColor = FontColor();
  return c;
}

TGridDrawState TsuiCustomDrawGrid::CellState(int col, int row) const {
  if (IsFixed(col, row)) return gdFixed;
  TGridDrawState cell;
  const QModelIndex index = model()->index(row, col);
  if (selectionModel() && selectionModel()->isSelected(index)) cell |= gdSelected;
  if (index == currentIndex() && (hasFocus() || state() == EditingState)) cell |= gdFocused;
  return cell;
}

TColor TsuiCustomDrawGrid::CellFill(TGridDrawState state, const TsuiGridColors& colors) {
  if (state.testFlag(gdFixed)) return colors.FixedColor;
  if (state.testFlag(gdFocused)) return colors.FocusedColor;
  if (state.testFlag(gdSelected)) return colors.SelectedColor;
  return colors.Color;
}

void TsuiCustomDrawGrid::DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) {
  painter.fillRect(rect, ToQColor(CellFill(state, Colors())));
  DrawCellText(painter, col, row, rect, state);
  if (!FOnDrawCell) return;
  painter.save();
  FCanvas = &painter;
  try {
    FOnDrawCell(this, col, row, rect, state);
  } catch (...) {
    FCanvas = nullptr;
    painter.restore();
    throw;
  }
  FCanvas = nullptr;
  painter.restore();
}

bool TsuiCustomDrawGrid::event(QEvent* event) {
  // The widget's own paint is only its frame; the cells paint in the viewport.
  if (event->type() == QEvent::Paint) {
    QPainter canvas(this);
    DrawWindowFrame(canvas, rect(), FBorderColor, PaintColor());
    return true;
  }
  return QTableWidget::event(event);
}

QModelIndex TsuiCustomDrawGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
  if (!next.isValid()) return next;
  // Keys stop at the edge of the fixed cells.
  const int row = std::max(next.row(), FFixedRows), col = std::max(next.column(), FFixedCols);
  if (row >= rowCount() || col >= columnCount()) return currentIndex();
  const QModelIndex target = model()->index(row, col);
  if (FOnSelectCell && target != currentIndex()) {
    bool can = true;
    FOnSelectCell(this, col, row, can);
    if (!can) return currentIndex();
  }
  return target;
}

bool TsuiCustomDrawGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (index.isValid() && IsFixed(index.column(), index.row())) return false;
  return QTableWidget::edit(index, trigger, event);
}

void TsuiCustomDrawGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableWidget::currentChanged(current, previous);
  Repaint();
}

void TsuiCustomDrawGrid::mousePressEvent(QMouseEvent* event) {
  DoMouseDown(*event);
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && IsFixed(index.column(), index.row())) {
    setFocus(Qt::MouseFocusReason);
    return;
  }
  if (index.isValid() && FOnSelectCell && index != currentIndex()) {
    bool can = true;
    FOnSelectCell(this, index.column(), index.row(), can);
    if (!can) return;
  }
  QTableWidget::mousePressEvent(event);
}

void TsuiCustomDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
  QTableWidget::mouseReleaseEvent(event);
  DoMouseUp(*event);
  if (event->button() == Qt::LeftButton) Click();
}

void TsuiCustomDrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableWidget::mouseDoubleClickEvent(event);
  DoDblClick();
}

void TsuiCustomDrawGrid::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) Repaint();
}

void TsuiCustomDrawGrid::keyPressEvent(QKeyEvent* event) {
  if (DoKeyDown(*event)) QTableWidget::keyPressEvent(event);
}

void TsuiCustomDrawGrid::focusInEvent(QFocusEvent* event) {
  QTableWidget::focusInEvent(event);
  Repaint();
  DoEnter();
}

void TsuiCustomDrawGrid::focusOutEvent(QFocusEvent* event) {
  QTableWidget::focusOutEvent(event);
  Repaint();
  DoExit();
}

// ---- TsuiDrawGrid ----

TsuiDrawGrid::TsuiDrawGrid(TComponent* owner) : TsuiCustomDrawGrid(owner, TColor(0x008000)) {}

// ---- TsuiStringGrid ----

TsuiStringGrid::TsuiStringGrid(TComponent* owner) : TsuiCustomDrawGrid(owner, TColor(0x00FF00)) {}

QString TsuiStringGrid::Cells(int col, int row) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? cell->text() : QString();
}

void TsuiStringGrid::SetCells(int col, int row, const QString& value) {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
  if (QTableWidgetItem* cell = item(row, col))
    cell->setText(value);
  else
    setItem(row, col, new QTableWidgetItem(value));
}

void TsuiStringGrid::DrawCellText(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) {
  const QString text = Cells(col, row);
  if (text.isEmpty()) return;
  painter.save();
  painter.setClipRect(rect);
  painter.setFont(font());
  const TColor colour = !isEnabled() ? clGray : state.testFlag(gdFixed) ? FixedFontColor() : FontColor();
  painter.setPen(ToQColor(colour));
  painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter.restore();
}
