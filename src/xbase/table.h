// A DBF table opened with its CDX index files: the engine's public handle.
//
// Engine settings are those of the shop's system, fixed: records marked
// deleted are invisible to First/Next/Locate/filters (Go still reaches them);
// dates are British (dd/mm/yyyy) with epoch 2000; character comparison in
// filters is non-exact (a stored value matches a literal when it begins with
// it); FoxPro tables; no OEM translation (bytes as stored, Windows-1252).
//
// Every write maintains every tag of every open index file and of the
// structural index. A write that fails leaves the table and its indexes as
// they were. Shared access follows FoxPro: record lock while a record is
// written, header lock while a record is appended, index lock while an index
// changes, at FoxPro's offsets, with bounded retries and then an error naming
// the table and record.
//
// All text is bytes (std::string, Windows-1252 as stored). Errors are thrown
// as xbase::Error (error.h).
#ifndef QX_XBASE_TABLE_H_
#define QX_XBASE_TABLE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/cdx_index.h"
#include "xbase/error.h"

namespace xbase {

struct FieldInfo {
  std::string name;  // upper case as stored
  char type = 'C';   // C N F D L M I B Y T, or another letter kept raw
  int length = 0;
  int decimals = 0;
  int offset = 0;    // within the record, after the deletion flag
};

struct OpenOptions {
  bool read_only = false;
  bool exclusive = false;
  // Index files to open and maintain, by path or by name in the table's
  // directory ("SIDESCIT", "CODITEM.CDX"), found without regard to case. The
  // structural index (table name + .cdx) is opened by itself when the header
  // says the table has one.
  std::vector<std::string> index_files;
};

// A date as the engine holds it: the Julian day number, 0 for the empty date.
using JulianDay = int32_t;
JulianDay JulianFromYmd(int year, int month, int day);
void YmdFromJulian(JulianDay day, int* year, int* month, int* day_of_month);

class Table {
 public:
  // Throws xbase::Error naming the file when the table or an index is
  // missing, damaged or locked exclusively by another program.
  static std::unique_ptr<Table> Open(const std::string& path, const OpenOptions& options = {});

  // Creates a new, empty table (dBase III layout, no index) with the given
  // fields: name, type (C N F D L M), length and decimals; offsets are
  // computed, and the widths of D, L and M are fixed. Throws xbase::Error
  // when the file exists or a field is invalid; never leaves a partial file.
  static void Create(const std::string& path, const std::vector<FieldInfo>& fields);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& path() const;
  const std::vector<FieldInfo>& fields() const;
  int FieldIndex(std::string_view name) const;  // without regard to case; -1 when absent

  // Re-reads the record count from the header, so another program's appends
  // become visible.
  uint32_t RecordCount();

  // --- Position -----------------------------------------------------------
  // Natural order; deleted records and records the filter rejects are
  // skipped. Eof() is true after the last visible record (and on an empty
  // table), as the xBase end-of-file.
  void First();
  void Next();
  bool Eof() const;
  // Any record, deleted or not (1-based). Out of range sets Eof().
  void Go(uint32_t recno);
  uint32_t RecNo() const;
  bool Deleted() const;

  // First visible record in natural order whose field equals value as a
  // whole, case-sensitive, trailing blanks of the stored value not counted.
  // Found: positioned there. Not found: Eof().
  bool Locate(std::string_view field, std::string_view value);

  // xBase filter expression over the fields; empty clears it. Throws on an
  // expression that does not parse, naming it.
  void SetFilter(std::string_view expression);
  const std::string& filter() const;

  // --- Current record's values (throw on an unknown field, naming it) -----
  // C without trailing blanks; N/F as stored without blanks; D as dd/mm/yyyy
  // ("" when empty); L as "T"/"F" ("" when blank); I B Y as numbers; T as
  // "dd/mm/yyyy hh:mm:ss"; M as the memo's text.
  std::string GetString(std::string_view field) const;
  std::optional<double> GetNumber(std::string_view field) const;  // empty field: nullopt
  JulianDay GetDate(std::string_view field) const;               // 0 for an empty date
  bool GetLogical(std::string_view field) const;
  std::string_view RawField(int field_index) const;              // bytes as stored
  std::string GetMemo(std::string_view field) const;             // from the .FPT file

  // --- Writing ------------------------------------------------------------
  // Edit() starts changing the current record, Append() a new blank record;
  // Set* change the buffer, Post() writes it (with every index) in one step,
  // Cancel() drops it. Fields not set stay byte for byte as they were.
  void Edit();
  void Append();
  // A text longer than the field is cut to its width. A number that does not
  // fit is refused (Post not needed to see the error; nothing is written).
  void SetString(std::string_view field, std::string_view value);
  void SetNumber(std::string_view field, double value);
  void SetDate(std::string_view field, JulianDay day);
  void SetLogical(std::string_view field, bool value);
  // Sets a field from text as a user types it: C as is, N/F with a point or a
  // comma, D as dd/mm/yyyy, L as T/F/Y/N.
  void SetFromText(std::string_view field, std::string_view text);
  void Post();
  void Cancel();
  void Delete();  // deletion mark on the current record, indexes maintained
  void Recall();

  // --- Indexes --------------------------------------------------------------
  struct Tag {
    CdxFile* file;  // owned by the table
    int index;      // into file->tags()
    const TagInfo& info() const { return file->tags()[index]; }
  };
  const std::vector<Tag>& tags() const;
  const Tag* FindTag(std::string_view name) const;  // without regard to case

  // Record numbers, in key order, of the tag's entries whose key begins with
  // `prefix` (encoded bytes); deleted records included, as the tag holds them.
  std::vector<uint32_t> SeekPrefix(const Tag& tag, std::string_view prefix);

  // The encoded key of the current record for a tag, and whether the record
  // belongs to it (FOR condition).
  std::string KeyFor(const Tag& tag) const;
  bool BelongsTo(const Tag& tag) const;

  // Rebuilds a tag from its own key and FOR expressions over every record,
  // under the table's file lock so no record changes meanwhile.
  void Reindex(const Tag& tag);
  // Whether the tag's keys can be computed (its expressions compile against
  // this table); when not, the reason. A tag that cannot be computed is
  // readable, but any write to the table is refused.
  bool CanComputeKeys(const Tag& tag, std::string* why) const;
  // The type of the tag's keys as this table computes them: 'C' character,
  // 'N' numeric, 'D' date ('?' when they cannot be computed).
  char KeyType(const Tag& tag) const;

 private:
  struct Impl;
  explicit Table(std::unique_ptr<Impl> impl);
  void PostDeletionMark(char mark);  // Delete and Recall: the flag byte alone
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase

#endif  // QX_XBASE_TABLE_H_
