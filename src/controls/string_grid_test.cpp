#include <gtest/gtest.h>

#include "controls/string_grid.h"

namespace {

TEST(StringGrid, RowZeroIsTheHeaderAndDataStartsAtRowOne) {
  TStringGrid g(nullptr, 3);
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.ColCount(), 3);
  g.setCells(0, 0, " Código");
  g.setCells(0, 1, "7891");
  g.setCells(2, 1, "12,50");
  EXPECT_EQ(g.Cells(0, 0), " Código");
  EXPECT_EQ(g.horizontalHeaderItem(0)->text(), " Código");
  EXPECT_EQ(g.item(0, 0)->text(), "7891");
  EXPECT_EQ(g.Cells(2, 1), "12,50");
  EXPECT_EQ(g.Cells(1, 1), "");

  g.setRowCount(4);
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(g.rowCount(), 3);
  g.setCells(1, 3, "última");
  EXPECT_EQ(g.Cells(1, 3), "última");
  EXPECT_EQ(g.Cells(1, 4), "");  // outside: empty, not a crash
  g.setCells(1, 9, "fora");      // outside: ignored
  EXPECT_EQ(g.RowCount(), 4);
}

TEST(StringGrid, KeepsOneDataRowAndClearsRowsInPlace) {
  TStringGrid g(nullptr, 2);
  g.setRowCount(3);
  g.setCells(0, 1, "a");
  g.setCells(1, 2, "b");
  g.setRowCount(1);  // a fixed header needs a row below it
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(g.Cells(0, 1), "a");
  g.ClearRow(1);
  EXPECT_EQ(g.Cells(0, 1), "");
  EXPECT_EQ(g.RowCount(), 2);
}

TEST(StringGrid, CurrentRowCountsFromOne) {
  TStringGrid g(nullptr, 2);
  g.setRowCount(5);
  EXPECT_EQ(g.Row(), 1);
  g.setRow(3);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(g.currentRow(), 2);
  g.setRow(0);  // the header is no current row
  EXPECT_EQ(g.Row(), 3);
  g.setCol(1);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_FALSE(g.Editable());
}

}  // namespace
