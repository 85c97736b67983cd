// The SQLite virtual-table module "xbase": one DBF table of the xbase engine
// seen as an SQL table, read only.
//
//   CREATE VIRTUAL TABLE temp.name USING xbase('dir/TABLE.DBF' [, 'INDEX', ...])
//
// The table is opened shared and read only, with the listed index files (by
// path or by name in the table's directory) and its structural index. Rows are
// the records not marked deleted, in natural order. Columns, one per field,
// named as stored (SQLite matches names without regard to case):
//
//   C        TEXT, trailing blanks removed, converted to UTF-8
//   N, F     INTEGER without decimals, REAL with; an empty field is NULL
//   D        TEXT 'dd/mm/yyyy'; an empty date is NULL
//   L        INTEGER 1 / 0; an unset value is NULL
//   I        INTEGER      B  REAL      Y  REAL (the currency value)
//   T        TEXT 'dd/mm/yyyy hh:mm:ss'; an empty date-time is NULL
//   M        TEXT of the memo; G and other binary memos BLOB
//   others   TEXT as stored, trailing blanks removed
//
// An equality on a column that a tag's key begins with (the field alone, a
// character field followed by "+" and more of the key, or DTOS(date field)) is
// answered by a seek in that tag; SQLite still checks every constraint on the
// rows returned, so a seek may return more records than match, never fewer.
// Tags with a FOR condition, unique tags and tags of another collation are not
// used, as they may lack matching records.
#ifndef QX_SQL_XBASE_MODULE_H_
#define QX_SQL_XBASE_MODULE_H_

struct sqlite3;

namespace sql {

// Registers the module on the connection. Returns an SQLite result code.
int RegisterXbaseModule(sqlite3* db);

}  // namespace sql

#endif  // QX_SQL_XBASE_MODULE_H_
