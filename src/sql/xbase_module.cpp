#include "sql/xbase_module.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sql/ansi_text.h"
#include "xbase/table.h"

namespace sql {
namespace {

// How one part of a tag's key is built from an equality on a field.
enum class SeekKind { kChar, kNumber, kDate, kDtos };

struct KeyPart {
  int column;
  SeekKind kind;
};

// A tag usable for equality seeks: its key is a run of parts (character
// fields and DTOS(date field) joined by "+"), or one numeric or date field.
struct SeekTag {
  const xbase::Table::Tag* tag;
  std::vector<KeyPart> parts;
};

struct Column {
  int field = 0;  // index into the table's fields
  xbase::FieldInfo info;
};

struct VTab : sqlite3_vtab {
  std::unique_ptr<xbase::Table> table;
  std::vector<Column> columns;
  std::vector<size_t> offsets;  // of each field in a copied record
  size_t record_bytes = 0;
  std::vector<SeekTag> seek_tags;
  double record_count = 0;  // as last read; planning estimates only, never a row limit
};

struct Cursor : sqlite3_vtab_cursor {
  // Records to visit: the seek's list, or the whole table in natural order.
  std::vector<uint32_t> recnos;
  bool scanning = false;
  bool started = false;  // the scan has read its first record
  size_t next = 0;       // next position in recnos
  uint32_t current = 0;  // recno of the current row; 0 at the end
  // A cursor lives for one run of one statement. Within it, a join asks for
  // the same key again and again (the header of every item of a coupon), so
  // seeks and the last record read are remembered for that run only: the
  // statement sees one state of each record, and the next statement reads
  // the files afresh.
  std::unordered_map<std::string, std::vector<uint32_t>> seeks;
  // Records read in this run: the bytes of every field in order, "" for a
  // record that is deleted. Bounded, except for a table the hash holds whole.
  std::unordered_map<uint32_t, std::string> records;
  size_t records_limit = 256;
  const std::string* row = nullptr;  // the current row's bytes; null: the table's buffer (scans)
  // Hash lookups: trimmed stored bytes of one column -> record numbers.
  int hash_column = -1;
  std::unordered_map<std::string, std::vector<uint32_t>> hash;
};

// A hash lookup keeps the records themselves when the table is this small.
constexpr double kPinnedBytes = 16 << 20;

VTab* TabOf(sqlite3_vtab_cursor* c) { return static_cast<VTab*>(c->pVtab); }

// Hands an engine error to SQLite, which reports it with the statement.
int Fail(VTab* vtab, const std::exception& e) {
  sqlite3_free(vtab->zErrMsg);
  vtab->zErrMsg = sqlite3_mprintf("%s", e.what());
  return SQLITE_ERROR;
}

std::string Unquote(std::string_view arg) {
  while (!arg.empty() && std::isspace(static_cast<unsigned char>(arg.front()))) arg.remove_prefix(1);
  while (!arg.empty() && std::isspace(static_cast<unsigned char>(arg.back()))) arg.remove_suffix(1);
  if (arg.size() >= 2 && (arg.front() == '\'' || arg.front() == '"') && arg.back() == arg.front()) {
    const char q = arg.front();
    std::string out;
    for (size_t i = 1; i + 1 < arg.size(); ++i) {
      out.push_back(arg[i]);
      if (arg[i] == q && i + 2 < arg.size() && arg[i + 1] == q) ++i;
    }
    return out;
  }
  return std::string(arg);
}

std::string Upper(std::string_view s) {
  std::string out;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c))) out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return out;
}

const char* DeclaredType(const xbase::FieldInfo& f) {
  switch (f.type) {
    case 'N':
    case 'F':
      return f.decimals > 0 ? "REAL" : "INTEGER";
    case 'L':
    case 'I':
      return "INTEGER";
    case 'B':
    case 'Y':
      return "REAL";
    case 'G':
    case 'W':
      return "BLOB";
    default:
      return "TEXT";
  }
}

// The parts of the tag's key, or nothing when equality cannot use it.
std::vector<KeyPart> KeyParts(const xbase::Table::Tag& tag, const xbase::Table& table) {
  const xbase::TagInfo& info = tag.info();
  if (!info.for_expression.empty() || info.unique || !info.machine_collation) return {};
  const std::string key = Upper(info.key_expression);
  std::vector<KeyPart> parts;
  size_t start = 0;
  while (start < key.size()) {
    size_t end = key.find('+', start);
    if (end == std::string::npos) end = key.size();
    std::string part = key.substr(start, end - start);
    const bool dtos = part.rfind("DTOS(", 0) == 0 && part.back() == ')';
    if (dtos) part = part.substr(5, part.size() - 6);
    const int index = table.FieldIndex(part);
    if (index < 0) break;  // an expression: the parts so far still make a prefix
    const char type = table.fields()[index].type;
    const bool alone = start == 0 && end == key.size();
    if (dtos && type == 'D') {
      parts.push_back({index, SeekKind::kDtos});
    } else if (!dtos && type == 'C') {
      parts.push_back({index, SeekKind::kChar});
    } else if (!dtos && alone && (type == 'N' || type == 'F')) {
      parts.push_back({index, SeekKind::kNumber});
    } else if (!dtos && alone && type == 'D') {
      parts.push_back({index, SeekKind::kDate});
    } else {
      break;
    }
    start = end + 1;
  }
  return parts;
}

int Connect(sqlite3* db, void*, int argc, const char* const* argv, sqlite3_vtab** out, char** err) {
  if (argc < 4) {
    *err = sqlite3_mprintf("xbase: informe o arquivo da tabela");
    return SQLITE_ERROR;
  }
  xbase::OpenOptions options;
  options.read_only = true;
  for (int i = 4; i < argc; ++i) options.index_files.push_back(Unquote(argv[i]));
  auto vtab = std::make_unique<VTab>();
  try {
    vtab->table = xbase::Table::Open(Unquote(argv[3]), options);
  } catch (const std::exception& e) {
    *err = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
  const auto& fields = vtab->table->fields();
  std::string decl = "CREATE TABLE x(";
  for (size_t i = 0; i < fields.size(); ++i) {
    Column col;
    col.field = static_cast<int>(i);
    col.info = fields[i];
    vtab->columns.push_back(col);
    vtab->offsets.push_back(vtab->record_bytes);
    vtab->record_bytes += static_cast<size_t>(fields[i].length);
    if (i > 0) decl += ", ";
    std::string name;
    for (char c : fields[i].name) {
      if (c == '"') name.push_back('"');
      name.push_back(c);
    }
    decl += "\"" + name + "\" " + DeclaredType(fields[i]);
  }
  decl += ")";
  vtab->record_count = vtab->table->RecordCount();
  for (const auto& tag : vtab->table->tags()) {
    auto parts = KeyParts(tag, *vtab->table);
    if (!parts.empty()) vtab->seek_tags.push_back({&tag, std::move(parts)});
  }
  const int rc = sqlite3_declare_vtab(db, decl.c_str());
  if (rc != SQLITE_OK) {
    *err = sqlite3_mprintf("xbase: %s", sqlite3_errmsg(db));
    return rc;
  }
  *out = vtab.release();
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vtab) {
  delete static_cast<VTab*>(vtab);
  return SQLITE_OK;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimRight(s);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// Tables up to this many records may be looked up through a hash of one
// character column built by the cursor, for joins on columns no tag covers.
constexpr double kHashMaxRecords = 200000;
constexpr int kHashPlan = 1 << 20;  // idxNum of a hash lookup: kHashPlan + column

bool BinaryCollation(sqlite3_index_info* info, int constraint) {
  const char* coll = sqlite3_vtab_collation(info, constraint);
  return coll == nullptr || sqlite3_stricmp(coll, "BINARY") == 0;
}

// Chooses the tag whose key has the longest run of leading parts fixed by
// usable equalities; idxNum is that tag's position in seek_tags, plus one.
int BestIndex(sqlite3_vtab* base, sqlite3_index_info* info) {
  auto* vtab = static_cast<VTab*>(base);
  // Re-reading the header for every plan tried costs system calls per
  // statement; an estimate from the last scan or open is good enough.
  const double rows = std::max(1.0, vtab->record_count);
  int best = -1;
  std::vector<int> best_constraints;
  for (size_t t = 0; t < vtab->seek_tags.size(); ++t) {
    const SeekTag& st = vtab->seek_tags[t];
    std::vector<int> constraints;
    for (const KeyPart& part : st.parts) {
      int found = -1;
      for (int i = 0; i < info->nConstraint && found < 0; ++i) {
        const auto& c = info->aConstraint[i];
        // Under another collation ('a' = 'A ' COLLATE RTRIM) a key seek could miss rows.
        if (c.usable && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.iColumn == part.column && BinaryCollation(info, i))
          found = i;
      }
      if (found < 0) break;
      constraints.push_back(found);
    }
    if (constraints.empty()) continue;
    const SeekTag* current = best < 0 ? nullptr : &vtab->seek_tags[best];
    const bool better = current == nullptr || constraints.size() > best_constraints.size() ||
                        (constraints.size() == best_constraints.size() && st.parts.size() < current->parts.size());
    if (better) {
      best = static_cast<int>(t);
      best_constraints = constraints;
    }
  }
  if (best >= 0) {
    const SeekTag& st = vtab->seek_tags[best];
    for (size_t k = 0; k < best_constraints.size(); ++k) {
      info->aConstraintUsage[best_constraints[k]].argvIndex = static_cast<int>(k) + 1;
      info->aConstraintUsage[best_constraints[k]].omit = 0;  // SQLite checks the exact equality
    }
    info->idxNum = best + 1;
    const bool whole_key = best_constraints.size() == st.parts.size();
    const double expected = whole_key ? 1 : 4;
    info->estimatedRows = static_cast<sqlite3_int64>(expected);
    info->estimatedCost = 4 * std::log2(rows + 1) + 2 * expected;
    if (whole_key && st.tag->info().candidate) info->idxFlags |= SQLITE_INDEX_SCAN_UNIQUE;
    return SQLITE_OK;
  }
  // No tag: an equality on a character column of a table small enough is
  // answered from a hash the cursor builds on its first lookup, so that a join
  // reads the table once instead of once per outer row.
  for (int i = 0; i < info->nConstraint && rows <= kHashMaxRecords; ++i) {
    const auto& c = info->aConstraint[i];
    if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0) continue;
    if (vtab->columns[c.iColumn].info.type != 'C' || !BinaryCollation(info, i)) continue;
    info->aConstraintUsage[i].argvIndex = 1;
    info->aConstraintUsage[i].omit = 0;
    info->idxNum = kHashPlan + c.iColumn;
    info->estimatedRows = 4;
    info->estimatedCost = 4 * std::log2(rows + 1) + 20;  // a tag seek, when there is one, costs less
    return SQLITE_OK;
  }
  info->idxNum = 0;
  info->estimatedRows = static_cast<sqlite3_int64>(rows);
  info->estimatedCost = 2 * rows + 10;
  return SQLITE_OK;
}

int Open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  *out = new Cursor();
  return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cur) {
  delete static_cast<Cursor*>(cur);
  return SQLITE_OK;
}

// The current record's fields, copied, so that a cursor keeps its row while
// other cursors move the table.
std::string CopyRecord(const VTab& vtab) {
  std::string bytes;
  bytes.reserve(vtab.record_bytes);
  for (const Column& col : vtab.columns) {
    std::string_view raw = vtab.table->RawField(col.field);
    raw = raw.substr(0, static_cast<size_t>(col.info.length));
    bytes.append(raw);
    bytes.append(static_cast<size_t>(col.info.length) - raw.size(), ' ');
  }
  return bytes;
}

// Moves to the next record not marked deleted; current = 0 at the end.
// Scans walk with First/Next, which read the file ahead in blocks; the seek
// lists go record by record. Cursors share the table's one position, so a
// cursor first puts it back where it left it.
void Advance(Cursor* cur, VTab& vtab) {
  xbase::Table& table = *vtab.table;
  cur->row = nullptr;
  if (cur->scanning) {
    if (!cur->started) {
      table.First();
      cur->started = true;
    } else if (cur->current == 0) {
      return;
    } else {
      if (table.RecNo() != cur->current) table.Go(cur->current);
      table.Next();
    }
    cur->current = table.Eof() ? 0 : table.RecNo();  // its fields are read from the table's buffer
    return;
  }
  cur->current = 0;
  while (cur->next < cur->recnos.size()) {
    const uint32_t recno = cur->recnos[cur->next++];
    auto it = cur->records.find(recno);
    if (it == cur->records.end()) {
      if (cur->records.size() >= cur->records_limit) cur->records.clear();
      table.Go(recno);
      const bool live = !table.Eof() && !table.Deleted();
      it = cur->records.emplace(recno, live ? CopyRecord(vtab) : std::string()).first;
    }
    if (it->second.empty() && vtab.record_bytes > 0) continue;
    cur->current = recno;
    cur->row = &it->second;
    return;
  }
}

bool ParseBritishDate(std::string_view text, xbase::JulianDay* day) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
  int d = 0, m = 0, y = 0;
  auto num = [&](size_t at, size_t len, int* v) {
    return std::from_chars(text.data() + at, text.data() + at + len, *v).ptr == text.data() + at + len;
  };
  if (!num(0, 2, &d) || !num(3, 2, &m) || !num(6, 4, &y)) return false;
  if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1) return false;
  *day = xbase::JulianFromYmd(y, m, d);
  int yy, mm, dd;
  xbase::YmdFromJulian(*day, &yy, &mm, &dd);
  return yy == y && mm == m && dd == d;
}

// Appends to `prefix` the key bytes that every record whose field may equal
// `value` has in this part; false when no record can.
bool AppendKeyPart(const Column& col, SeekKind kind, sqlite3_value* value, std::string* prefix) {
  if (sqlite3_value_type(value) == SQLITE_NULL) return false;
  switch (kind) {
    case SeekKind::kChar: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
      auto ansi = Utf8ToAnsi(text == nullptr ? "" : text);
      if (!ansi || static_cast<int>(ansi->size()) > col.info.length) return false;
      ansi->resize(col.info.length, ' ');
      *prefix += *ansi;
      return true;
    }
    case SeekKind::kNumber: {
      const int type = sqlite3_value_numeric_type(value);
      if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) return false;
      *prefix += xbase::EncodeNumericKey(sqlite3_value_double(value));
      return true;
    }
    case SeekKind::kDate:
    case SeekKind::kDtos: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
      xbase::JulianDay day = 0;
      if (text == nullptr || !ParseBritishDate(text, &day)) return false;
      if (kind == SeekKind::kDate)
        *prefix += xbase::EncodeDateKey(day);
      else
        *prefix += std::string(text + 6, 4) + std::string(text + 3, 2) + std::string(text, 2);
      return true;
    }
  }
  return false;
}

int Filter(sqlite3_vtab_cursor* base, int idx_num, const char*, int argc, sqlite3_value** argv) {
  auto* cur = static_cast<Cursor*>(base);
  VTab* vtab = TabOf(base);
  cur->recnos.clear();
  cur->next = 0;
  cur->scanning = false;
  try {
    if (idx_num > 0 && idx_num <= static_cast<int>(vtab->seek_tags.size())) {
      const SeekTag& st = vtab->seek_tags[idx_num - 1];
      std::string prefix;
      bool possible = argc > 0;
      for (int k = 0; k < argc && possible && k < static_cast<int>(st.parts.size()); ++k)
        possible = AppendKeyPart(vtab->columns[st.parts[k].column], st.parts[k].kind, argv[k], &prefix);
      if (possible) {
        prefix.insert(0, 1, static_cast<char>(idx_num));  // one cache for all tags of the table
        auto it = cur->seeks.find(prefix);
        if (it == cur->seeks.end())
          it = cur->seeks.emplace(prefix, vtab->table->SeekPrefix(*st.tag, std::string_view(prefix).substr(1))).first;
        cur->recnos = it->second;
      }
    } else if (idx_num >= kHashPlan && argc == 1) {
      const int column = idx_num - kHashPlan;
      xbase::Table& table = *vtab->table;
      if (cur->hash_column != column) {
        cur->hash.clear();
        const int field = vtab->columns[column].field;
        const bool pin = vtab->record_count * static_cast<double>(vtab->record_bytes) <= kPinnedBytes;
        if (pin) {
          cur->records.clear();
          cur->records_limit = static_cast<size_t>(-1);
        }
        for (table.First(); !table.Eof(); table.Next()) {
          cur->hash[std::string(TrimRight(table.RawField(field)))].push_back(table.RecNo());
          if (pin) cur->records[table.RecNo()] = CopyRecord(*vtab);
        }
        cur->hash_column = column;
      }
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
      if (text != nullptr) {
        if (auto ansi = Utf8ToAnsi(text)) {
          if (auto it = cur->hash.find(*ansi); it != cur->hash.end()) cur->recnos = it->second;
        }
      }
    } else {
      cur->scanning = true;
      cur->started = false;
      vtab->record_count = vtab->table->RecordCount();
    }
    Advance(cur, *vtab);
  } catch (const std::exception& e) {
    return Fail(vtab, e);
  }
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* base) {
  auto* cur = static_cast<Cursor*>(base);
  VTab* vtab = TabOf(base);
  try {
    Advance(cur, *vtab);
  } catch (const std::exception& e) {
    return Fail(vtab, e);
  }
  return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* base) { return static_cast<Cursor*>(base)->current == 0; }

void ResultAnsiText(sqlite3_context* ctx, std::string_view ansi) {
  const bool ascii = std::all_of(ansi.begin(), ansi.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    sqlite3_result_text(ctx, ansi.data(), static_cast<int>(ansi.size()), SQLITE_TRANSIENT);
  } else {
    const std::string utf8 = AnsiToUtf8(ansi);
    sqlite3_result_text(ctx, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
}

template <typename T>
T LittleEndian(std::string_view raw) {
  T v{};
  if (raw.size() >= sizeof(T)) std::memcpy(&v, raw.data(), sizeof(T));  // DBF binary fields are little-endian, as this host
  return v;
}

void ResultDate(sqlite3_context* ctx, xbase::JulianDay day, const char* time_suffix) {
  int y, m, d;
  xbase::YmdFromJulian(day, &y, &m, &d);
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%02d/%02d/%04d%s", d, m, y, time_suffix);
  sqlite3_result_text(ctx, buf, n, SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* ctx, std::string_view raw, bool integer) {
  const std::string_view t = Trim(raw);
  if (t.empty()) return sqlite3_result_null(ctx);
  const char* b = t.data() + (t.front() == '+' ? 1 : 0);
  const char* e = t.data() + t.size();
  if (integer) {
    sqlite3_int64 v = 0;
    if (auto r = std::from_chars(b, e, v); r.ec == std::errc() && r.ptr == e) return sqlite3_result_int64(ctx, v);
  }
  double d = 0;
  if (auto r = std::from_chars(b, e, d); r.ec == std::errc() && r.ptr == e) {
    if (integer && std::floor(d) == d && std::fabs(d) < 9e18) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    return sqlite3_result_double(ctx, d);
  }
  sqlite3_result_null(ctx);  // "*****": a value that overflowed its field
}

int ColumnValue(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int i) {
  auto* cur = static_cast<Cursor*>(base);
  VTab* vtab = TabOf(base);
  xbase::Table& table = *vtab->table;
  try {
    const Column& col = vtab->columns[i];
    // Cursors share the table's one record position: a scan's row and memos
    // are read from the table, put back on this cursor's record first.
    const bool memo = col.info.type == 'M' || col.info.type == 'G' || col.info.type == 'W';
    if ((cur->row == nullptr || memo) && table.RecNo() != cur->current) table.Go(cur->current);
    const std::string_view raw =
        cur->row == nullptr ? table.RawField(col.field)
                            : std::string_view(*cur->row).substr(vtab->offsets[i], static_cast<size_t>(col.info.length));
    switch (col.info.type) {
      case 'C':
        ResultAnsiText(ctx, TrimRight(raw));
        break;
      case 'N':
      case 'F':
        ResultNumber(ctx, raw, col.info.decimals == 0);
        break;
      case 'D': {
        const std::string_view t = Trim(raw);
        xbase::JulianDay day = 0;
        if (t.size() == 8) {
          const std::string british = std::string(t.substr(6, 2)) + "/" + std::string(t.substr(4, 2)) + "/" + std::string(t.substr(0, 4));
          if (ParseBritishDate(british, &day)) {
            sqlite3_result_text(ctx, british.data(), 10, SQLITE_TRANSIENT);
            break;
          }
        }
        sqlite3_result_null(ctx);
        break;
      }
      case 'L': {
        const char c = raw.empty() ? ' ' : raw[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
          sqlite3_result_int(ctx, 1);
        else if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
          sqlite3_result_int(ctx, 0);
        else
          sqlite3_result_null(ctx);
        break;
      }
      case 'I':
        sqlite3_result_int64(ctx, LittleEndian<int32_t>(raw));
        break;
      case 'B':
        if (raw.size() == 8)
          sqlite3_result_double(ctx, LittleEndian<double>(raw));
        else
          sqlite3_result_null(ctx);
        break;
      case 'Y':
        sqlite3_result_double(ctx, static_cast<double>(LittleEndian<int64_t>(raw)) / 10000.0);
        break;
      case 'T': {
        const auto day = LittleEndian<int32_t>(raw);
        const auto ms = LittleEndian<int32_t>(raw.substr(std::min<size_t>(4, raw.size())));
        if (day <= 0) {
          sqlite3_result_null(ctx);
          break;
        }
        const int secs = (ms + 500) / 1000;
        char time[16];
        std::snprintf(time, sizeof time, " %02d:%02d:%02d", secs / 3600 % 24, secs / 60 % 60, secs % 60);
        ResultDate(ctx, day, time);
        break;
      }
      case 'M': {
        const std::string memo = table.GetMemo(col.info.name);
        ResultAnsiText(ctx, memo);
        break;
      }
      case 'G':
      case 'W': {
        const std::string memo = table.GetMemo(col.info.name);
        sqlite3_result_blob(ctx, memo.data(), static_cast<int>(memo.size()), SQLITE_TRANSIENT);
        break;
      }
      default:
        ResultAnsiText(ctx, TrimRight(raw));
        break;
    }
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
  return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
  *rowid = static_cast<Cursor*>(base)->current;
  return SQLITE_OK;
}

sqlite3_module MakeModule() {
  sqlite3_module m{};
  m.iVersion = 1;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Disconnect;
  m.xOpen = Open;
  m.xClose = Close;
  m.xFilter = Filter;
  m.xNext = Next;
  m.xEof = Eof;
  m.xColumn = ColumnValue;
  m.xRowid = Rowid;
  return m;
}

const sqlite3_module kModule = MakeModule();

}  // namespace

int RegisterXbaseModule(sqlite3* db) { return sqlite3_create_module(db, "xbase", &kModule, nullptr); }

}  // namespace sql
