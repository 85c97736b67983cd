// Consistency of a table's tags with its records: what `xbase-tool check`
// reports, and what the tests demand after every series of writes.
#ifndef QX_XBASE_TAG_CHECK_H_
#define QX_XBASE_TAG_CHECK_H_

#include <string>
#include <vector>

#include "xbase/table.h"

namespace xbase {

// Checks one tag: its keys are in order; every record that belongs to it
// (FOR condition; for a unique tag, only the first record of each key) has
// exactly one entry, with the key computed from the record; no other entry
// exists; each record's key seeks back to it. Returns the faults found, each
// a Portuguese sentence naming the tag and the record, at most `max_faults`
// of them; empty when the tag is sound. Moves the table's position.
std::vector<std::string> CheckTag(Table& table, const Table::Tag& tag, size_t max_faults = 20);

}  // namespace xbase

#endif  // QX_XBASE_TAG_CHECK_H_
