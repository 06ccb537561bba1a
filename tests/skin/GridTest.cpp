// Skinned grids: cell colours by state, keys and editing on Qt's table, and
// what the window description keeps.
#include "Description.h"
#include "Forms.h"
#include "SUIGrid.h"
#include "SUIRegister.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace {

struct TGridWindow : TSkinWindow {
  TGridWindow() : TSkinWindow(420, 260, clWhite, QRect(10, 10, 340, 150)) {}
};

// The colour in the middle of a cell's left part, away from its text.
QRgb CellColour(TsuiCustomDrawGrid* grid, int col, int row) {
  const QImage shot = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect r = grid->visualRect(grid->model()->index(row, col));
  return shot.pixel(r.left() + 1, r.bottom() - 2);
}

void Focus(TsuiCustomDrawGrid* grid) {
  grid->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }));
}

TEST(SkinGrid, cellsTakeFixedNormalSelectedAndFocusedColours) {
  TGridWindow w;
  auto* draw = w.Add<TsuiDrawGrid>();
  draw->SetUIStyle(Protein);
  w.Show();
  Focus(draw);
  draw->SetCurrentCell(1, 1);
  draw->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
  EXPECT_EQ(Rgb(GetThemeColor(Protein, 12)), CellColour(draw, 0, 0));
  EXPECT_EQ(Rgb(GetThemeColor(Protein, 12)), CellColour(draw, 0, 2));
  EXPECT_EQ(qRgb(0x00, 0x80, 0x00), CellColour(draw, 1, 1));  // focused: dark green
  EXPECT_EQ(qRgb(0xFF, 0xFF, 0x00), CellColour(draw, 2, 2));  // selected: yellow
  EXPECT_EQ(Rgb(GetThemeColor(Protein, 9)), CellColour(draw, 3, 3));

  auto* strings = w.Add<TsuiStringGrid>();
  strings->SetUIStyle(Protein);
  strings->show();
  Focus(strings);
  strings->SetCurrentCell(2, 1);
  EXPECT_EQ(qRgb(0x00, 0xFF, 0x00), CellColour(strings, 2, 1));  // bright green
  strings->clearFocus();
  draw->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !strings->hasFocus(); }));
  EXPECT_EQ(qRgb(0xFF, 0xFF, 0x00), CellColour(strings, 2, 1));  // still selected, no longer focused
}

TEST(SkinGrid, frameIsTheBorderColourAroundTheGridColour) {
  TGridWindow w;
  auto* grid = w.Add<TsuiStringGrid>();
  grid->SetUIStyle(WinXP);
  w.Show();
  const QImage shot = grid->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 8)), shot.pixel(0, 40));
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 8)), shot.pixel(grid->width() - 1, grid->height() - 1));
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 9)), shot.pixel(1, 40));
  EXPECT_FALSE(grid->Ctl3D());
}

TEST(SkinGrid, customStyleKeepsTheGivenColours) {
  TGridWindow w;
  auto* grid = w.Add<TsuiStringGrid>();
  grid->SetUIStyle(Protein);
  grid->SetFixedColor(clMaroon);
  grid->SetColor(clCream);
  grid->SetBorderColor(clRed);
  grid->SetUIStyle(Custom);
  EXPECT_EQ(clMaroon, grid->FixedColor());
  EXPECT_EQ(clCream, grid->Color());
  EXPECT_EQ(clRed, grid->BorderColor());
  w.Show();
  EXPECT_EQ(Rgb(clMaroon), CellColour(grid, 0, 1));
  EXPECT_EQ(Rgb(clCream), CellColour(grid, 4, 4));
}

TEST(SkinGrid, keysMoveTheCurrentCellButNeverIntoTheFixedCells) {
  TGridWindow w;
  auto* grid = w.Add<TsuiStringGrid>();
  w.Show();
  Focus(grid);
  EXPECT_EQ(1, grid->Col());
  EXPECT_EQ(1, grid->Row());
  QTest::keyClick(grid, Qt::Key_Up);
  QTest::keyClick(grid, Qt::Key_Left);
  EXPECT_EQ(1, grid->Col());
  EXPECT_EQ(1, grid->Row());
  QTest::keyClick(grid, Qt::Key_Right);
  QTest::keyClick(grid, Qt::Key_Down);
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(2, grid->Col());
  EXPECT_EQ(3, grid->Row());
  QTest::keyClick(grid, Qt::Key_Home);
  EXPECT_EQ(1, grid->Col());

  // Clicking a fixed cell leaves the current cell where it is.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 3)).center());
  EXPECT_EQ(1, grid->Col());
  EXPECT_EQ(3, grid->Row());

  int asked = 0;
  grid->SetOnSelectCell([&](TComponent*, int, int, bool& can) {
    ++asked;
    can = false;
  });
  QTest::keyClick(grid, Qt::Key_Right);
  EXPECT_EQ(1, grid->Col());
  EXPECT_GT(asked, 0);
}

TEST(SkinGrid, editingOnlyWhereTheOptionsAllowIt) {
  TGridWindow w;
  auto* grid = w.Add<TsuiStringGrid>();
  grid->SetCells(0, 1, QStringLiteral("第一行"));
  w.Show();
  Focus(grid);
  QTest::keyClick(grid, Qt::Key_F2);
  EXPECT_FALSE(grid->EditorMode());

  grid->SetOptions(grid->Options() | goEditing);
  QTest::keyClick(grid, Qt::Key_F2);
  ASSERT_TRUE(grid->EditorMode());
  auto* editor = grid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(nullptr, editor);
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("44.1 kHz"));
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !grid->EditorMode(); }));  // Qt commits after the key
  EXPECT_EQ(QStringLiteral("44.1 kHz"), grid->Cells(1, 1));
  grid->editItem(grid->item(1, 0));  // a fixed cell
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(QStringLiteral("第一行"), grid->Cells(0, 1));
}

TEST(SkinGrid, drawCellRunsAfterTheFillWithTheCellsState) {
  TGridWindow w;
  auto* grid = w.Add<TsuiDrawGrid>();
  std::vector<TGridDrawState> fixedStates;
  grid->SetOnDrawCell([&](TComponent* sender, int col, int row, QRect rect, TGridDrawState state) {
    auto* g = static_cast<TsuiDrawGrid*>(dynamic_cast<TsuiCustomDrawGrid*>(sender));
    if (col == 3 && row == 3) g->Canvas()->fillRect(rect.adjusted(0, 0, 0, -rect.height() / 2), Qt::magenta);
    if (col == 0 && row == 0) fixedStates.push_back(state);
  });
  w.Show();
  const QImage shot = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect r = grid->visualRect(grid->model()->index(3, 3));
  EXPECT_EQ(qRgb(255, 0, 255), shot.pixel(r.left() + 1, r.top() + 1));
  EXPECT_EQ(Rgb(grid->Color()), shot.pixel(r.left() + 1, r.bottom() - 2));
  ASSERT_FALSE(fixedStates.empty());
  EXPECT_EQ(TGridDrawState(gdFixed), fixedStates.back());
}

TEST(SkinGrid, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TGridWindow w;
  auto* grid = w.Add<TsuiStringGrid>(QStringLiteral("sgFormats"));
  grid->SetUIStyle(BlueGlass);
  grid->SetColCount(3);
  grid->SetRowCount(8);
  grid->SetFixedRows(2);
  grid->SetFixedCols(0);
  grid->SetDefaultColWidth(90);
  grid->SetDefaultRowHeight(18);
  grid->SetOptions(TGridOptions(goHorzLine | goRowSelect | goEditing));
  grid->SetSelectedColor(clAqua);
  grid->SetFocusedColor(clNavy);
  grid->SetFixedFontColor(clMaroon);
  auto* draw = w.Add<TsuiDrawGrid>(QStringLiteral("dgWave"));
  const QByteArray json = WriteDescription(&w.Form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiStringGrid>(&copy, QStringLiteral("sgFormats"));
  EXPECT_EQ(BlueGlass, back->UIStyle());
  EXPECT_EQ(3, back->ColCount());
  EXPECT_EQ(8, back->RowCount());
  EXPECT_EQ(2, back->FixedRows());
  EXPECT_EQ(0, back->FixedCols());
  EXPECT_EQ(90, back->DefaultColWidth());
  EXPECT_EQ(18, back->DefaultRowHeight());
  EXPECT_EQ(TGridOptions(goHorzLine | goRowSelect | goEditing), back->Options());
  EXPECT_EQ(clAqua, back->SelectedColor());
  EXPECT_EQ(clNavy, back->FocusedColor());
  EXPECT_EQ(clMaroon, back->FixedFontColor());
  EXPECT_EQ(draw->FocusedColor(), FindComponentAs<TsuiDrawGrid>(&copy, QStringLiteral("dgWave"))->FocusedColor());
  EXPECT_EQ(json, WriteDescription(&copy));
}

}  // namespace
