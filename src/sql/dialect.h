// The shop's query texts were written for another SQL engine. SQLite already
// reads most of that dialect (carriage-return line breaks, /* comments */,
// iif, SUBSTRING(text, start, length), IN lists, LEFT JOIN); what it lacks is
// rewritten here, never inside quoted literals, identifiers or comments.
#ifndef QX_SQL_DIALECT_H_
#define QX_SQL_DIALECT_H_

#include <string>
#include <string_view>

namespace sql {

// CAST(x AS SQL_INTEGER) and the other SQL_* type names become SQLite's
// (INTEGER, TEXT, REAL, NUMERIC); SUBSTRING(x FROM a FOR b) becomes
// SUBSTRING(x, a, b).
std::string RewriteDialect(std::string_view text);

}  // namespace sql

#endif  // QX_SQL_DIALECT_H_
