#include "sql/connection.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "sql/dialect.h"
#include "sql/xbase_module.h"

namespace sql {
namespace {

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

[[noreturn]] void Fail(const std::string& lead, const std::string& engine, const std::string& statement) {
  throw Error(lead + ": " + engine + "\nComando: " + statement, engine, statement);
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string QuoteLiteral(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out + "'";
}

std::string QuoteIdentifier(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  return out + "\"";
}

}  // namespace

// --- Statement --------------------------------------------------------------

Statement::Statement(Statement&& other) noexcept : stmt_(other.stmt_), text_(std::move(other.text_)) {
  other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = other.stmt_;
    text_ = std::move(other.text_);
    other.stmt_ = nullptr;
  }
  return *this;
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail("Erro ao executar o comando SQL", sqlite3_errmsg(sqlite3_db_handle(stmt_)), text_);
}

void Statement::Reset() { sqlite3_reset(stmt_); }

int Statement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::ColumnName(int i) const {
  const char* name = sqlite3_column_name(stmt_, i);
  return name == nullptr ? std::string() : std::string(name);
}

ValueType Statement::ColumnType(int i) const {
  switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
      return ValueType::kInteger;
    case SQLITE_FLOAT:
      return ValueType::kReal;
    case SQLITE_TEXT:
      return ValueType::kText;
    case SQLITE_BLOB:
      return ValueType::kBlob;
    default:
      return ValueType::kNull;
  }
}

int64_t Statement::ColumnInt64(int i) const { return sqlite3_column_int64(stmt_, i); }
double Statement::ColumnDouble(int i) const { return sqlite3_column_double(stmt_, i); }

std::string Statement::ColumnText(int i) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
  if (text == nullptr) return {};
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, i)));
}

// --- Connection -------------------------------------------------------------

Connection::Connection(std::string directory) : directory_(std::move(directory)) {
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "sem memória";
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error("Não foi possível abrir a conexão SQL: " + message, message, "");
  }
  RegisterXbaseModule(db_);
  sqlite3_set_authorizer(db_, &Connection::Authorize, this);
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::SetIndexFiles(std::string_view table, std::vector<std::string> index_files) {
  index_files_[UpperAscii(table)] = std::move(index_files);
}

int Connection::Authorize(void* self, int action, const char*, const char*, const char*, const char*) {
  if (static_cast<Connection*>(self)->internal_) return SQLITE_OK;
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    default:
      return SQLITE_DENY;
  }
}

std::string Connection::FindFile(std::string_view stem, std::string_view extension) const {
  const std::string wanted = UpperAscii(stem) + UpperAscii(extension);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(directory_, ec)) {
    if (UpperAscii(entry.path().filename().string()) == wanted && entry.is_regular_file(ec))
      return entry.path().string();
  }
  return {};
}

std::string Connection::FindTableFile(std::string_view table) const {
  const std::string upper = UpperAscii(table);
  if (upper.size() > 4 && upper.ends_with(".DBF")) return FindFile(table, "");
  return FindFile(table, ".DBF");
}

Connection::FileId Connection::Identify(const std::string& path) {
  FileId id;
  id.path = path;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    id.device = st.st_dev;
    id.inode = st.st_ino;
  }
  return id;
}

void Connection::DetachReplaced() {
  for (auto it = attached_.begin(); it != attached_.end();) {
    bool same = true;
    for (const FileId& file : it->second) {
      const FileId now = Identify(file.path);
      same = same && now.inode != 0 && now.inode == file.inode && now.device == file.device;
    }
    if (same) {
      ++it;
      continue;
    }
    internal_ = true;
    const int rc = sqlite3_exec(db_, ("DROP TABLE temp." + QuoteIdentifier(it->first)).c_str(), nullptr, nullptr, nullptr);
    internal_ = false;
    if (rc == SQLITE_OK)
      it = attached_.erase(it);
    else
      ++it;  // still in use by an open statement: tried again with the next one
  }
}

void Connection::Attach(const std::string& table, const std::string& text) {
  const std::string path = FindTableFile(table);
  if (path.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(directory_, ec))
      Fail("Diretório de dados \"" + directory_ + "\" não encontrado; a tabela " + table + " não pode ser aberta",
           "no such table: " + table, text);
    Fail("Tabela " + table + " não encontrada no diretório " + directory_, "no such table: " + table, text);
  }
  std::string sql = "CREATE VIRTUAL TABLE temp." + QuoteIdentifier(table) + " USING xbase(" + QuoteLiteral(path);
  std::vector<FileId> files{Identify(path)};
  std::string stem = UpperAscii(table);
  if (stem.ends_with(".DBF")) stem.resize(stem.size() - 4);
  if (std::string structural = FindFile(stem, ".CDX"); !structural.empty()) files.push_back(Identify(structural));
  if (auto it = index_files_.find(stem); it != index_files_.end()) {
    for (const auto& index : it->second) {
      std::string file = FindFile(index, "");
      if (file.empty()) file = FindFile(index, ".CDX");
      if (!file.empty()) {
        sql += ", " + QuoteLiteral(file);
        files.push_back(Identify(file));
      }
    }
  }
  sql += ")";
  internal_ = true;
  char* err = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
  internal_ = false;
  if (rc != SQLITE_OK) {
    const std::string message = err ? err : sqlite3_errmsg(db_);
    sqlite3_free(err);
    Fail("Não foi possível abrir a tabela " + table, message, text);
  }
  attached_[table] = std::move(files);
}

Statement Connection::Prepare(std::string_view text_view) {
  const std::string text(text_view);
  const std::string sql = RewriteDialect(text);
  DetachReplaced();
  std::set<std::string> attached;
  while (true) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc == SQLITE_OK) {
      Statement statement(stmt, text);
      if (stmt == nullptr) Fail("Comando SQL vazio", "empty statement", text);
      sqlite3_stmt* next = nullptr;
      const int rc_tail = sqlite3_prepare_v2(db_, tail, -1, &next, nullptr);
      sqlite3_finalize(next);
      if (rc_tail != SQLITE_OK || next != nullptr)
        Fail("Só um comando SQL pode ser executado por vez", "multiple statements", text);
      if (!sqlite3_stmt_readonly(stmt))
        Fail("Comando SQL recusado: a conexão só lê as tabelas", "not a read-only statement", text);
      return statement;
    }
    const std::string message = sqlite3_errmsg(db_);
    constexpr std::string_view kNoSuchTable = "no such table: ";
    if (rc == SQLITE_AUTH || message == "not authorized" || message.ends_with("may not be modified"))
      Fail("Comando SQL recusado: a conexão só lê as tabelas", message, text);
    if (!StartsWith(message, kNoSuchTable)) Fail("Erro no comando SQL", message, text);
    std::string table = message.substr(kNoSuchTable.size());
    if (StartsWith(table, "temp.")) table = table.substr(5);
    if (StartsWith(table, "main.")) table = table.substr(5);
    if (!attached.insert(UpperAscii(table)).second) Fail("Erro no comando SQL", message, text);
    Attach(table, text);
  }
}

}  // namespace sql
