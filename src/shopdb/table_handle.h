// The table handle: one shop table on the navigational path (a table object
// of the main window), over the xbase engine. Values cross this boundary as
// QString, converted from and to the tables' Windows-1252.
//
// Records marked deleted are invisible. Engine failures (a missing table or
// index file, a locked record, a value that does not fit) are platform::Error
// with the engine's text; a failed locate is an ordinary result.
#ifndef QX_SHOPDB_TABLE_HANDLE_H_
#define QX_SHOPDB_TABLE_HANDLE_H_

#include <QDate>
#include <QString>

#include <memory>

#include "shopdb/catalogue.h"

namespace xbase {
class Table;
}

namespace shopdb {

class TableHandle {
 public:
  explicit TableHandle(TableDef def);
  ~TableHandle();
  TableHandle(const TableHandle&) = delete;
  TableHandle& operator=(const TableHandle&) = delete;

  const TableDef& definition() const { return def_; }

  // The data directory (a Windows or Linux path); takes effect at the next open.
  void setDirectory(const QString& directory);

  // Opens the table shared with its index files; opening an open table does
  // nothing. A filter set and switched on applies at once.
  void open();
  void close();  // closing a closed table does nothing; the filter stays set
  bool active() const;

  // First record in natural order whose field equals value as a whole
  // (case-sensitive, trailing blanks of the stored value not counted).
  bool locate(const QString& field, const QString& value);

  // An xBase expression; it narrows first/next/eof while filtered is on.
  void setFilter(const QString& expression);
  QString filter() const;
  void setFiltered(bool on);
  bool filtered() const;

  void first();
  void next();
  bool eof() const;

  // The current record's values; field names match without regard to case.
  QString fieldAsString(const QString& field) const;  // C without trailing blanks; numbers as "1,5"; dates dd/mm/yyyy
  qint64 fieldAsInteger(const QString& field) const;  // numbers rounded; text must be a whole number
  double fieldAsFloat(const QString& field) const;
  QDate fieldAsDate(const QString& field) const;      // invalid for an empty date

  // edit() / insert(), the setField calls, then post() writes the record and
  // its indexes in one step; cancel() drops the changes.
  void edit();
  void insert();
  void setFieldFromString(const QString& field, const QString& text);
  void setFieldFromDate(const QString& field, QDate date);
  void post();
  void cancel();

 private:
  xbase::Table& table() const;
  QString tablePath() const;

  TableDef def_;
  QString directory_;
  std::unique_ptr<xbase::Table> table_;
  QString filter_;
  bool filtered_ = false;
};

}  // namespace shopdb

#endif  // QX_SHOPDB_TABLE_HANDLE_H_
