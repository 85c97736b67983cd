#include "controls/string_grid.h"

#include <QHeaderView>

#include <algorithm>

TStringGrid::TStringGrid(QWidget* parent, int columns) : QTableWidget(parent) {
  QTableWidget::setColumnCount(columns);
  QTableWidget::setRowCount(1);
  verticalHeader()->hide();
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditable(false);
  setCurrentCell(0, 0);
}

void TStringGrid::setRowCount(int rows) { QTableWidget::setRowCount(std::max(2, rows) - 1); }

void TStringGrid::setColCount(int columns) { QTableWidget::setColumnCount(std::max(1, columns)); }

QString TStringGrid::Cells(int col, int row) const {
  if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return {};
  const QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
  return it == nullptr ? QString() : it->text();
}

void TStringGrid::setCells(int col, int row, const QString& text) {
  if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return;
  if (row == 0) {
    QTableWidgetItem* it = horizontalHeaderItem(col);
    if (it == nullptr) {
      setHorizontalHeaderItem(col, new QTableWidgetItem(text));
    } else {
      it->setText(text);
    }
    return;
  }
  QTableWidgetItem* it = item(row - 1, col);
  if (it == nullptr) {
    setItem(row - 1, col, new QTableWidgetItem(text));
  } else {
    it->setText(text);
  }
}

void TStringGrid::ClearRow(int row) {
  if (row < 1 || row > rowCount()) return;
  for (int c = 0; c < columnCount(); ++c)
    if (QTableWidgetItem* it = item(row - 1, c)) it->setText(QString());
}

void TStringGrid::setRow(int row) {
  if (row >= 1 && row <= rowCount()) setCurrentCell(row - 1, std::max(0, currentColumn()));
}

void TStringGrid::setCol(int col) {
  if (col >= 0 && col < columnCount()) setCurrentCell(std::max(0, currentRow()), col);
}

bool TStringGrid::Editable() const { return editTriggers() != QAbstractItemView::NoEditTriggers; }

void TStringGrid::setEditable(bool editable) {
  setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed
                           : QAbstractItemView::NoEditTriggers);
}
