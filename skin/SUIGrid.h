#pragma once
// Grids with a flat two-colour frame and theme colours. Qt's table view is
// underneath (keys, selection, editing, scrolling, screen readers); the
// first FixedRows rows and FixedCols columns are fixed cells: drawn in
// FixedColor, never current, never selected by the keys and never edited.
#include "Controls.h"
#include "SUIThemes.h"

#include <QTableWidget>
#include <functional>

class QPainter;

namespace SUIGrid {
Q_NAMESPACE
enum TGridOption {
  goFixedVertLine = 0x1,
  goFixedHorzLine = 0x2,
  goVertLine = 0x4,
  goHorzLine = 0x8,
  goRangeSelect = 0x10,
  goRowSelect = 0x20,
  goEditing = 0x40,
  goTabs = 0x80,
  goAlwaysShowEditor = 0x100,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_FLAG_NS(TGridOptions)
enum TGridDrawStateItem { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateItem)
Q_FLAG_NS(TGridDrawState)
}  // namespace SUIGrid
Q_DECLARE_OPERATORS_FOR_FLAGS(SUIGrid::TGridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(SUIGrid::TGridDrawState)
using SUIGrid::TGridDrawState;
using SUIGrid::TGridOptions;
using enum SUIGrid::TGridOption;
using enum SUIGrid::TGridDrawStateItem;

// Runs while a cell is drawn; the grid's Canvas() paints into it.
using TDrawCellEvent = std::function<void(TComponent* Sender, int ACol, int ARow, QRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TComponent* Sender, int ACol, int ARow, bool& CanSelect)>;

// The colours a cell is painted with.
struct TsuiGridColors {
  TColor Color = clWindow;
  TColor FixedColor = clBtnFace;
  TColor SelectedColor = clYellow;
  TColor FocusedColor = clGreen;
  TColor FontColor = clWindowText;
  TColor FixedFontColor = clWindowText;
};

class TsuiCustomDrawGrid : public TControlOf<QTableWidget>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(int ColCount READ ColCount WRITE SetColCount)
  Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
  Q_PROPERTY(int FixedCols READ FixedCols WRITE SetFixedCols)
  Q_PROPERTY(int FixedRows READ FixedRows WRITE SetFixedRows)
  Q_PROPERTY(int DefaultColWidth READ DefaultColWidth WRITE SetDefaultColWidth)
  Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
  Q_PROPERTY(SUIGrid::TGridOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(bool Ctl3D READ Ctl3D STORED false)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(TColor FixedColor READ FixedColor WRITE SetFixedColor)
  Q_PROPERTY(TColor FixedFontColor READ FixedFontColor WRITE SetFixedFontColor)
  Q_PROPERTY(TColor FocusedColor READ FocusedColor WRITE SetFocusedColor)
  Q_PROPERTY(TColor SelectedColor READ SelectedColor WRITE SetSelectedColor)
  Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor STORED false)
  Q_CLASSINFO("Default:ColCount", "5")
  Q_CLASSINFO("Default:RowCount", "5")
  Q_CLASSINFO("Default:FixedCols", "1")
  Q_CLASSINFO("Default:FixedRows", "1")
  Q_CLASSINFO("Default:DefaultColWidth", "64")
  Q_CLASSINFO("Default:DefaultRowHeight", "24")
  Q_CLASSINFO("Default:Options", "goFixedVertLine|goFixedHorzLine|goVertLine|goHorzLine|goRangeSelect")
  Q_CLASSINFO("Default:SelectedColor", "clYellow")
  Q_CLASSINFO("Stored:Color", "IsColorStored")
 public:
  ~TsuiCustomDrawGrid() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // Custom keeps the colours the grid has.
  void SetUIStyle(TsuiUIStyle value);
  int ColCount() const { return columnCount(); }
  void SetColCount(int value);
  int RowCount() const { return rowCount(); }
  void SetRowCount(int value);
  int FixedCols() const { return FFixedCols; }
  // At most ColCount - 1, so one column stays for the current cell.
  void SetFixedCols(int value);
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);
  int DefaultColWidth() const;
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const;
  void SetDefaultRowHeight(int value);
  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions value);
  bool Ctl3D() const { return false; }
  int Col() const { return currentColumn(); }
  int Row() const { return currentRow(); }
  // Makes (col, row) the current cell when it is not fixed and OnSelectCell agrees.
  void SetCurrentCell(int col, int row);
  bool IsFixed(int col, int row) const { return col < FFixedCols || row < FFixedRows; }
  // A cell's editor is open.
  bool EditorMode() const { return state() == EditingState; }

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TColor FixedColor() const { return FColors.FixedColor; }
  void SetFixedColor(TColor value);
  TColor FixedFontColor() const { return FColors.FixedFontColor; }
  void SetFixedFontColor(TColor value);
  TColor FocusedColor() const { return FColors.FocusedColor; }
  void SetFocusedColor(TColor value);
  TColor SelectedColor() const { return FColors.SelectedColor; }
  void SetSelectedColor(TColor value);
  TColor FontColor() const;
  void SetFontColor(TColor value);

  // The state a cell is drawn in now.
  TGridDrawState CellState(int col, int row) const;
  TsuiGridColors Colors() const;
  // What a non-fixed cell is filled with: focused wins over selected.
  static TColor CellFill(TGridDrawState state, const TsuiGridColors& colors);
  // Valid only inside OnDrawCell: the painter of the cell being drawn.
  QPainter* Canvas() const { return FCanvas; }

  void SetOnDrawCell(TDrawCellEvent h) { FOnDrawCell = std::move(h); }
  void SetOnSelectCell(TSelectCellEvent h) { FOnSelectCell = std::move(h); }

  unsigned ThemeRows() const override { return trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

  // The delegate's step: fill, the grid's own text, then OnDrawCell.
  virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state);

 protected:
  TsuiCustomDrawGrid(TComponent* owner, TColor focusedColor);
  // The cell's own text: none in a draw grid.
  virtual void DrawCellText(QPainter&, int, int, const QRect&, TGridDrawState) {}

  bool event(QEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ColorChanged() override;

 private:
  void FixedChanged();
  void ApplyOptions();
  void Repaint();
  TsuiUIStyle FUIStyle = Custom;
  TColor FBorderColor = clBlack;
  TsuiGridColors FColors;
  int FFixedCols = 1, FFixedRows = 1;
  TGridOptions FOptions = TGridOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect);
  QPainter* FCanvas = nullptr;  // the painter of the cell being drawn
  TDrawCellEvent FOnDrawCell;
  TSelectCellEvent FOnSelectCell;
};

class TsuiDrawGrid : public TsuiCustomDrawGrid {
  Q_OBJECT
  Q_CLASSINFO("Default:FocusedColor", "clGreen")
 public:
  explicit TsuiDrawGrid(TComponent* owner);
};

// A grid of texts; Cells(col, row) are the program's and are not stored.
class TsuiStringGrid : public TsuiCustomDrawGrid {
  Q_OBJECT
  Q_CLASSINFO("Default:FocusedColor", "clLime")
 public:
  explicit TsuiStringGrid(TComponent* owner);
  QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString& value);

 protected:
  void DrawCellText(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) override;
};
