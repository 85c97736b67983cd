// A read-only SQL connection over a directory of DBF tables: an in-memory
// SQLite database whose tables are the directory's DBF files, seen through the
// "xbase" virtual-table module (xbase_module.h).
//
// A table that a statement names and the connection does not know yet is
// looked up as a DBF file of the directory, without regard to case, and
// attached on the spot. It stays attached (its record count is re-read at
// every scan, so other programs' appends show) until its file or one of its
// index files is replaced or removed, as a pack or reindex by the shop's
// system does: the next statement then attaches the new files.
//
// Text goes in and comes out as UTF-8; the tables' Windows-1252 bytes are
// converted at the virtual-table seam. Statements are read in the shop's
// dialect (dialect.h). Only statements that read are run: anything that
// would write, attach a file or change the connection is refused.
//
// Errors are sql::Error with a Portuguese text that carries SQLite's message
// and the statement. Not thread-safe: one connection, one thread.
#ifndef QX_SQL_CONNECTION_H_
#define QX_SQL_CONNECTION_H_

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sql {

class Error : public std::runtime_error {
 public:
  Error(const std::string& what, std::string engine_message, std::string statement)
      : std::runtime_error(what), engine_message_(std::move(engine_message)), statement_(std::move(statement)) {}
  const std::string& engine_message() const { return engine_message_; }  // SQLite's own text
  const std::string& statement() const { return statement_; }            // as the caller gave it

 private:
  std::string engine_message_;
  std::string statement_;
};

enum class ValueType { kNull, kInteger, kReal, kText, kBlob };

// One prepared statement. Move-only; finalized by the destructor.
class Statement {
 public:
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  // Moves to the next row: true while there is one. Throws sql::Error.
  bool Step();
  // Starts again from the first row.
  void Reset();

  int ColumnCount() const;
  std::string ColumnName(int i) const;
  // Values of the current row (REQUIRES: Step() returned true).
  ValueType ColumnType(int i) const;
  int64_t ColumnInt64(int i) const;
  double ColumnDouble(int i) const;
  std::string ColumnText(int i) const;  // UTF-8; empty for NULL

  const std::string& text() const { return text_; }

 private:
  friend class Connection;
  Statement(sqlite3_stmt* stmt, std::string text) : stmt_(stmt), text_(std::move(text)) {}
  sqlite3_stmt* stmt_ = nullptr;
  std::string text_;  // as the caller gave it, for error messages
};

class Connection {
 public:
  // The directory need not exist yet: the first statement that names a table
  // of it fails then, naming the directory.
  explicit Connection(std::string directory);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& directory() const { return directory_; }

  // Index files (names in the directory, without regard to case, extension
  // optional) opened with a table when it is attached; files that are absent
  // are skipped, as SQL only reads. REQUIRES: before the table is first used.
  void SetIndexFiles(std::string_view table, std::vector<std::string> index_files);

  // Prepares one read-only statement, attaching the tables it names.
  // Throws sql::Error: a table the directory lacks, a statement SQLite
  // rejects, a statement that would write, more than one statement, none.
  Statement Prepare(std::string_view text);

  // The DBF file of the directory for a table name, without regard to case
  // ("item", "ECFMOVIM.dbf"); empty when there is none.
  std::string FindTableFile(std::string_view table) const;

  sqlite3* handle() { return db_; }

 private:
  static int Authorize(void* self, int action, const char*, const char*, const char*, const char*);
  void Attach(const std::string& table, const std::string& text);
  void DetachReplaced();

  // Identity of a file when attached: device and inode.
  struct FileId {
    std::string path;
    unsigned long long device = 0, inode = 0;
  };
  static FileId Identify(const std::string& path);
  std::string FindFile(std::string_view stem, std::string_view extension) const;

  std::string directory_;
  sqlite3* db_ = nullptr;
  bool internal_ = false;  // our own CREATE VIRTUAL TABLE is running
  std::map<std::string, std::vector<std::string>> index_files_;  // by upper-case table name
  std::map<std::string, std::vector<FileId>> attached_;  // table name as attached -> its files
};

}  // namespace sql

#endif  // QX_SQL_CONNECTION_H_
