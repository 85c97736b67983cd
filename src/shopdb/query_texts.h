// The SQL texts and filter expressions the system runs on the shop tables,
// and the one quoting rule for values put into them.
#ifndef QX_SHOPDB_QUERY_TEXTS_H_
#define QX_SHOPDB_QUERY_TEXTS_H_

#include <QDate>
#include <QString>
#include <QStringList>

namespace shopdb {

class SqlHandle;

// Encloses the value in single quotes and doubles every single quote inside
// it; nothing else is escaped.
QString quoted(const QString& value);

// The highest request number of the coupon headers.
extern const QString kNextRequestNumberText;

// Runs kNextRequestNumberText on the handle (closing it before and after):
// "000001" when no coupon header has a request number, else the highest one
// plus one, zero-filled to six digits (999999 gives 1000000).
QString nextRequestNumber(SqlHandle& query);

// The items of a coupon registered on `day`, joined with its header, client
// and seller; one row per item.
QString couponLookupText(QDate day, const QString& coupon);

// The xBase filter for the stock movements of a coupon.
QString movementFilter(const QString& coupon, const QString& printer, QDate day);

// The search dialog's statement for a table key, before any " where " line:
// the first dialect, and the second one (which reads
// SUBSTRING(x from a for b)).
QString searchText(const QString& tableKey);
QString searchTextSecondDialect(const QString& tableKey);

// The item search: searchText("ITEM").
QString itemSearchText();

// The table keys of the search dialog's 28 presets, in the dialog's order.
const QStringList& searchPresetTableKeys();

}  // namespace shopdb

#endif  // QX_SHOPDB_QUERY_TEXTS_H_
