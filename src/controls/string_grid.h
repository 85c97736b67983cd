// TStringGrid: a text grid with the original's numbering over QTableWidget.
//
// Row 0 is the fixed header row (the table's horizontal header), data rows
// start at row 1, and RowCount() counts both, so a grid with one data row has
// RowCount() == 2. Columns count from 0; there is no fixed column.
#ifndef QX_CONTROLS_STRING_GRID_H_
#define QX_CONTROLS_STRING_GRID_H_

#include <QString>
#include <QTableWidget>

class TStringGrid : public QTableWidget {
  Q_OBJECT

 public:
  // Two rows (header and one data row) and `columns` columns, cells not
  // editable, one cell selected at a time.
  explicit TStringGrid(QWidget* parent = nullptr, int columns = 5);

  // Header plus data rows; at least 2, as a fixed row needs a row below it.
  int RowCount() const { return rowCount() + 1; }
  void setRowCount(int rows);
  int ColCount() const { return columnCount(); }
  void setColCount(int columns);

  // Cells(col, row) as the original indexes them; row 0 is the header.
  // Reading a cell outside the grid gives an empty text.
  QString Cells(int col, int row) const;
  void setCells(int col, int row, const QString& text);
  // Empties every cell of a data row; its place stays.
  void ClearRow(int row);

  // The current data row (1 ...) and column.
  int Row() const { return currentRow() + 1; }
  void setRow(int row);
  int Col() const { return currentColumn(); }
  void setCol(int col);

  int ColWidths(int col) const { return columnWidth(col); }
  void setColWidths(int col, int width) { setColumnWidth(col, width); }

  bool Editable() const;
  void setEditable(bool editable);
};

#endif  // QX_CONTROLS_STRING_GRID_H_
