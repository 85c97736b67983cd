// The SQL handle: one statement at a time over the shop's tables, read only,
// its result read row by row (the main window's query `ibqSolicitacao`).
//
// open() runs the statement and keeps its whole result, so the handle can go
// back to the first row and reading after the last row reads the last row,
// as the workflows rely on. Errors (a table the directory lacks, a statement
// the engine rejects or one that would write) are platform::Error carrying the
// engine's text and the statement.
#ifndef QX_SHOPDB_SQL_HANDLE_H_
#define QX_SHOPDB_SQL_HANDLE_H_

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace sql {
class Connection;
}

namespace shopdb {

class SqlHandle {
 public:
  SqlHandle();
  ~SqlHandle();
  SqlHandle(const SqlHandle&) = delete;
  SqlHandle& operator=(const SqlHandle&) = delete;

  // The data directory (a Windows or Linux path). Changing it closes the
  // handle and drops the connection's attached tables.
  void setDirectory(const QString& directory);
  QString directory() const;

  void close();  // releases the result; closing a closed handle does nothing
  bool active() const;

  void setText(const QString& text);  // replaces the whole statement (closes first)
  void addLine(const QString& line);  // appends a line to the statement
  QString text() const;

  void open();  // runs the statement; opening an open handle does nothing

  void first();
  void next();  // after the last row: eof(), the last row stays current
  bool eof() const;
  int recordCount() const;
  QStringList fieldNames() const;

  // The current row's value; field names match without regard to case. With
  // an empty result a known field reads as empty text / 0. An unknown field
  // is a platform::Error naming it.
  QString fieldAsString(const QString& field) const;
  qint64 fieldAsInteger(const QString& field) const;  // a text that is no whole number: platform::ConvertError
  double fieldAsFloat(const QString& field) const;
  bool fieldIsNull(const QString& field) const;
  QVariant value(int column) const;  // null, qint64, double or QString

 private:
  int column(const QString& field) const;
  void requireActive() const;

  QString directory_;
  std::unique_ptr<sql::Connection> connection_;
  QString text_;
  bool active_ = false;
  QStringList names_;
  QVector<QVector<QVariant>> rows_;
  int row_ = 0;
  bool eof_ = true;
};

// A number as the platform writes it: shortest form, decimal comma (2 -> "2",
// 1.5 -> "1,5").
QString floatToString(double value);

}  // namespace shopdb

#endif  // QX_SHOPDB_SQL_HANDLE_H_
