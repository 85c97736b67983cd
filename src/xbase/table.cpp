#include "xbase/table.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "xbase/dbf_format.h"
#include "xbase/expression.h"
#include "xbase/locks.h"

namespace xbase {
namespace {

constexpr uint32_t kReadAheadBytes = 64 * 1024;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
std::string DirName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}
std::string Stem(const std::string& name) {
  const auto dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The file of that name in `dir`, matched without regard to case as on
// Windows; empty when there is none.
std::string FindInsensitive(const std::string& dir, const std::string& name) {
  const std::string exact = dir + "/" + name;
  struct stat st;
  if (::stat(exact.c_str(), &st) == 0) return exact;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return {};
  std::string found;
  const std::string want = Upper(name);
  while (dirent* e = ::readdir(d)) {
    if (Upper(e->d_name) == want) {
      found = dir + "/" + e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

std::string ResolveExisting(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return path;
  return FindInsensitive(DirName(path), BaseName(path));
}

bool ReadFully(int fd, char* buf, size_t len, uint64_t offset) {
  size_t done = 0;
  while (done < len) {
    const ssize_t n = ::pread(fd, buf + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteFully(int fd, const char* buf, size_t len, uint64_t offset) {
  size_t done = 0;
  while (done < len) {
    const ssize_t n = ::pwrite(fd, buf + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void Today(int* y, int* m, int* d) {
  const std::time_t now = std::time(nullptr);
  std::tm tm;
  localtime_r(&now, &tm);
  *y = tm.tm_year + 1900;
  *m = tm.tm_mon + 1;
  *d = tm.tm_mday;
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
  return std::string(s.substr(0, e));
}

double LoadLeDouble(const char* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(p[i]);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
int64_t LoadLe64(const char* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(p[i]);
  return static_cast<int64_t>(bits);
}
void StoreLe64(char* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

struct TagExpressions {
  std::unique_ptr<Expression> key;
  std::unique_ptr<Expression> condition;  // null when the tag has none
  Value::Kind kind = Value::Kind::kString;
  std::string error;                      // why keys cannot be computed
};

struct Table::Impl {
  std::string path;
  std::string name;   // file name, for messages
  std::string alias;  // upper-case stem, accepted before "->"
  int fd = -1;
  bool read_only = false;
  DbfHeader header;
  std::vector<FieldInfo> fields;  // visible fields (no system fields)
  std::vector<int> all_index;     // visible -> header.all_fields
  std::vector<int> null_bit;      // visible -> bit in _NullFlags, -1
  LockLayout layout;
  uint32_t count = 0;

  uint32_t recno = 0;
  bool eof = true;
  std::string record;  // current record, record_length bytes

  std::string chunk;  // read-ahead of consecutive records
  uint32_t chunk_first = 0;
  uint32_t chunk_records = 0;

  std::string filter_text;
  std::unique_ptr<Expression> filter;

  enum class Mode { kBrowse, kEdit, kAppend } mode = Mode::kBrowse;
  std::string buffer;
  std::vector<bool> touched;  // per visible field
  bool touched_flag = false;

  std::vector<std::unique_ptr<CdxFile>> indexes;
  std::vector<Tag> tags;
  std::vector<TagExpressions> tag_exprs;

  int memo_fd = -1;
  uint32_t memo_block = 0;

  class RecordView : public RecordContext {
   public:
    RecordView(const Impl& t, std::string_view rec, uint32_t recno) : t_(t), rec_(rec), recno_(recno) {}
    Value Field(int i) const override { return t_.ValueOf(rec_, i, recno_); }
    bool Deleted() const override { return !rec_.empty() && rec_[0] == kDbfDeletedMark; }
    uint32_t RecNo() const override { return recno_; }

   private:
    const Impl& t_;
    std::string_view rec_;
    uint32_t recno_;
  };

  const std::string& Current() const { return mode == Mode::kBrowse ? record : buffer; }

  size_t TagSlot(const Tag& tag) const {
    for (size_t i = 0; i < tags.size(); ++i)
      if (tags[i].file == tag.file && tags[i].index == tag.index) return i;
    Fail("tag " + tag.info().name + " não pertence a esta tabela");
  }

  ~Impl() {
    if (memo_fd >= 0) ::close(memo_fd);
    indexes.clear();
    if (fd >= 0) ::close(fd);
  }

  [[noreturn]] void Fail(const std::string& what) const { throw Error("Tabela " + name + ": " + what); }

  int Field(std::string_view field_name) const {
    const std::string want = Upper(field_name);
    for (size_t i = 0; i < fields.size(); ++i)
      if (fields[i].name == want) return static_cast<int>(i);
    return -1;
  }
  int RequireField(std::string_view field_name) const {
    const int i = Field(field_name);
    if (i < 0) Fail("campo " + Upper(field_name) + " inexistente");
    return i;
  }

  std::string_view RawOf(std::string_view rec, int i) const {
    const FieldInfo& f = fields[static_cast<size_t>(i)];
    return rec.substr(static_cast<size_t>(1 + f.offset), static_cast<size_t>(f.length));
  }

  bool IsNull(std::string_view rec, int i) const {
    const int bit = null_bit[static_cast<size_t>(i)];
    if (bit < 0 || header.null_flags_field < 0) return false;
    const FieldInfo& nf = header.all_fields[static_cast<size_t>(header.null_flags_field)];
    if (bit / 8 >= nf.length) return false;
    const auto byte = static_cast<unsigned char>(rec[static_cast<size_t>(1 + nf.offset + bit / 8)]);
    return (byte >> (bit % 8)) & 1;
  }

  std::string Where(uint32_t r) const { return " do registro " + std::to_string(r); }

  std::optional<double> NumberOf(std::string_view rec, int i, uint32_t r) const {
    const FieldInfo& f = fields[static_cast<size_t>(i)];
    if (IsNull(rec, i)) return std::nullopt;
    const std::string_view raw = RawOf(rec, i);
    switch (f.type) {
      case 'N':
      case 'F':
      case 'C': {
        bool malformed = false;
        auto v = DecodeNumericText(raw, &malformed);
        if (malformed) Fail("campo " + f.name + Where(r) + " não contém um número válido");
        return v;
      }
      case 'I':
        if (f.length != 4) break;
        return static_cast<double>(LoadLe32(raw.data()));
      case 'B':
        if (f.length != 8) break;
        return LoadLeDouble(raw.data());
      case 'Y':
        if (f.length != 8) break;
        return static_cast<double>(LoadLe64(raw.data())) / 10000.0;
      default:
        Fail("campo " + f.name + " não é numérico");
    }
    Fail("campo " + f.name + " com tamanho inválido para o tipo");
  }

  JulianDay DateOf(std::string_view rec, int i, uint32_t r) const {
    const FieldInfo& f = fields[static_cast<size_t>(i)];
    if (IsNull(rec, i)) return 0;
    const std::string_view raw = RawOf(rec, i);
    if (f.type == 'D') {
      const JulianDay d = DecodeDateText(raw);
      if (d < 0) Fail("campo " + f.name + Where(r) + " não contém uma data válida");
      return d;
    }
    if (f.type == 'T' && f.length == 8) {
      const int32_t d = LoadLe32(raw.data());
      return d < 0 ? 0 : d;
    }
    Fail("campo " + f.name + " não é uma data");
  }

  Value ValueOf(std::string_view rec, int i, uint32_t r) const {
    const FieldInfo& f = fields[static_cast<size_t>(i)];
    switch (f.type) {
      case 'N': case 'F': case 'I': case 'B': case 'Y': {
        auto v = NumberOf(rec, i, r);
        return Value::Number(v ? *v : 0);
      }
      case 'D': case 'T': return Value::Date(DateOf(rec, i, r));
      case 'L': {
        const char c = RawOf(rec, i)[0];
        return Value::Logical(c == 'T' || c == 't' || c == 'Y' || c == 'y');
      }
      default: return Value::String(std::string(RawOf(rec, i)));
    }
  }

  // --- Reading ---------------------------------------------------------------

  uint32_t RefreshCount() {
    char buf[8];
    if (!ReadFully(fd, buf, sizeof buf, 0)) Fail("falha ao ler o cabeçalho");
    const uint32_t c = LoadLeU32(buf + 4);
    if (c != count) {
      struct stat st;
      if (::fstat(fd, &st) != 0) Fail("falha ao ler o tamanho do arquivo");
      const uint64_t have = static_cast<uint64_t>(st.st_size) - header.header_length;
      if (uint64_t(c) * header.record_length > have) Fail("arquivo truncado: faltam registros");
      count = c;
      chunk_records = 0;
    }
    return count;
  }

  // Reads a record through the read-ahead; `fresh` goes to the disk.
  void ReadRecord(uint32_t r, std::string* out, bool fresh) {
    const uint32_t len = header.record_length;
    if (!fresh && r >= chunk_first && r < chunk_first + chunk_records) {
      out->assign(chunk, size_t(r - chunk_first) * len, len);
      return;
    }
    const uint64_t at = header.header_length + uint64_t(r - 1) * len;
    if (fresh) {
      out->resize(len);
      if (!ReadFully(fd, out->data(), len, at)) Fail("registro " + std::to_string(r) + " ilegível (arquivo truncado)");
      return;
    }
    uint32_t n = std::max<uint32_t>(1, kReadAheadBytes / len);
    n = std::min(n, count - r + 1);
    chunk.resize(size_t(n) * len);
    if (!ReadFully(fd, chunk.data(), chunk.size(), at)) {
      chunk_records = 0;
      Fail("registro " + std::to_string(r) + " ilegível (arquivo truncado)");
    }
    chunk_first = r;
    chunk_records = n;
    out->assign(chunk, 0, len);
  }

  void SetEof() {
    eof = true;
    recno = count + 1;
    record = BlankRecord();
  }

  std::string BlankRecord() const {
    std::string rec(header.record_length, ' ');
    for (size_t i = 0; i < header.all_fields.size(); ++i) {
      const FieldInfo& f = header.all_fields[i];
      const bool binary = f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T' ||
                          static_cast<int>(i) == header.null_flags_field ||
                          ((f.type == 'M' || f.type == 'G') && f.length == 4);
      if (binary) std::fill_n(rec.begin() + 1 + f.offset, f.length, '\0');
    }
    return rec;
  }

  bool Visible(uint32_t r);

  void Seek(uint32_t from) {
    for (uint32_t r = from;; ++r) {
      if (r > count && RefreshCount() < r) {
        SetEof();
        return;
      }
      ReadRecord(r, &record, false);
      if (Visible(r)) {
        recno = r;
        eof = false;
        return;
      }
    }
  }

  void RequireBrowse(const char* what) const {
    if (mode != Mode::kBrowse) Fail(std::string("registro em edição; confirme ou cancele antes de ") + what);
  }
  void RequireEditing() const {
    if (mode == Mode::kBrowse) Fail("registro não está em edição");
  }

  // --- Indexes ---------------------------------------------------------------

  void OpenIndex(const std::string& name, bool writable);
  void CompileTags();
  std::string EncodeKey(const TagExpressions& e, int key_length, std::string_view rec, uint32_t r) const;
  bool Belongs(const TagExpressions& e, std::string_view rec, uint32_t r) const;
  void StageChanges(const std::string* old_rec, const std::string* new_rec, uint32_t r,
                    std::vector<CdxFile*>* begun, size_t only_first_files = SIZE_MAX);
  void RequireWritableIndexes() const;
  void WriteRecord(bool append);
};


bool Table::Impl::Visible(uint32_t r) {
  if (record[0] == kDbfDeletedMark) return false;
  if (!filter) return true;
  return filter->Test(RecordView(*this, record, r));
}

void Table::Impl::OpenIndex(const std::string& name, bool writable) {
  std::string file = name;
  const std::string base = BaseName(file);
  if (base.find('.') == std::string::npos) file += ".CDX";
  const std::string dir = name.find('/') == std::string::npos ? DirName(path) : DirName(file);
  const std::string found = FindInsensitive(dir, BaseName(file));
  if (found.empty()) Fail("índice " + BaseName(file) + " não encontrado");
  for (const auto& open : indexes) {
    if (std::filesystem::equivalent(open->path(), found)) return;  // named twice
  }
  indexes.push_back(CdxFile::Open(found, writable));
}

void Table::Impl::CompileTags() {
  tags.clear();
  tag_exprs.clear();
  for (const auto& file : indexes) {
    for (size_t i = 0; i < file->tags().size(); ++i) {
      tags.push_back(Tag{file.get(), static_cast<int>(i)});
      const TagInfo& info = file->tags()[i];
      TagExpressions e;
      try {
        e.key = Expression::Compile(info.key_expression, fields, alias);
        if (!info.for_expression.empty())
          e.condition = Expression::Compile(info.for_expression, fields, alias);
        // The key's type, from a blank record; an expression that cannot
        // take blanks (a division by a field) is typed by its first record.
        const std::string blank = BlankRecord();
        bool typed = true;
        try {
          e.kind = e.key->Evaluate(RecordView(*this, blank, 1)).kind;
        } catch (const Error&) {
          typed = count > 0;
          if (typed) {
            std::string rec;
            ReadRecord(1, &rec, true);
            e.kind = e.key->Evaluate(RecordView(*this, rec, 1)).kind;
          }
        }
        if (e.kind == Value::Kind::kLogical) e.error = "chave lógica não suportada";
        const bool eight_bytes = e.kind == Value::Kind::kNumber || e.kind == Value::Kind::kDate;
        if (eight_bytes && info.key_length != 8)
          e.error = "chave numérica ou data de " + std::to_string(info.key_length) + " bytes";
        // The file does not record the key type and guessing it from stored
        // keys can misread another engine's tag: tell it what we know.
        if (typed && e.error.empty())
          file->SetKeyType(static_cast<int>(i), e.kind == Value::Kind::kString ? 'C'
                                                  : e.kind == Value::Kind::kNumber ? 'N' : 'D');
      } catch (const Error& err) {
        e.error = err.what();
      }
      tag_exprs.push_back(std::move(e));
    }
  }
}

std::string Table::Impl::EncodeKey(const TagExpressions& e, int key_length, std::string_view rec,
                                   uint32_t r) const {
  const Value v = e.key->Evaluate(RecordView(*this, rec, r));
  switch (v.kind) {
    case Value::Kind::kNumber: return EncodeNumericKey(v.number);
    case Value::Kind::kDate: return EncodeDateKey(v.date);
    case Value::Kind::kString: {
      std::string k = v.text.substr(0, static_cast<size_t>(key_length));
      k.resize(static_cast<size_t>(key_length), ' ');
      return k;
    }
    case Value::Kind::kLogical: break;
  }
  return std::string(v.logical ? "T" : "F");
}

bool Table::Impl::Belongs(const TagExpressions& e, std::string_view rec, uint32_t r) const {
  return !e.condition || e.condition->Test(RecordView(*this, rec, r));
}

void Table::Impl::RequireWritableIndexes() const {
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagInfo& info = tags[i].info();
    if (!tag_exprs[i].error.empty())
      Fail("a tag " + info.name + " do índice " + BaseName(tags[i].file->path()) +
           " não pode ser mantida (" + tag_exprs[i].error + "); nada foi gravado");
    if (!info.machine_collation)
      Fail("a tag " + info.name + " do índice " + BaseName(tags[i].file->path()) +
           " usa uma ordenação que este programa não grava; nada foi gravado");
  }
}

// Computes each tag's old and new key and hands the differences to the index
// files, each inside its Begin (recorded in `begun`, in opening order) but not
// committed. Lookups a unique tag needs are made under that exclusive lock,
// so they see every other program's committed keys and our own staged ones.
void Table::Impl::StageChanges(const std::string* old_rec, const std::string* new_rec, uint32_t r,
                               std::vector<CdxFile*>* begun, size_t only_first_files) {
  auto allowed = [&](CdxFile* file) {
    for (size_t f = 0; f < indexes.size() && f < only_first_files; ++f)
      if (indexes[f].get() == file) return true;
    return false;
  };
  auto begin = [&](CdxFile* file) {
    if (std::find(begun->begin(), begun->end(), file) != begun->end()) return;
    file->Begin();
    begun->push_back(file);
  };
  for (size_t t = 0; t < tags.size(); ++t) {
    const Tag& tag = tags[t];
    if (!allowed(tag.file)) continue;
    const TagExpressions& e = tag_exprs[t];
    const TagInfo& info = tag.info();
    const bool old_in = old_rec != nullptr && Belongs(e, *old_rec, r);
    const bool new_in = new_rec != nullptr && Belongs(e, *new_rec, r);
    const std::string old_key = old_in ? EncodeKey(e, info.key_length, *old_rec, r) : std::string();
    const std::string new_key = new_in ? EncodeKey(e, info.key_length, *new_rec, r) : std::string();
    if (old_in && new_in && old_key == new_key) continue;
    if (!old_in && !new_in) continue;
    begin(tag.file);
    CdxFile& file = *tag.file;
    if (!info.unique && !info.candidate) {
      if (old_in) file.Remove(tag.index, old_key, r);
      if (new_in) file.Insert(tag.index, new_key, r);
      continue;
    }
    // Unique: the tag holds, of every key, only its first record.
    auto holder = [&](const std::string& key) -> uint32_t {
      auto c = file.Seek(tag.index, key);
      if (c->Valid() && c->key() == key) return c->recno();
      return 0;
    };
    if (old_in && holder(old_key) == r) {
      file.Remove(tag.index, old_key, r);
      // The next record with that key takes its place.
      std::string rec;
      for (uint32_t o = 1; o <= count; ++o) {
        if (o == r) continue;
        ReadRecord(o, &rec, true);
        if (Belongs(e, rec, o) && EncodeKey(e, info.key_length, rec, o) == old_key) {
          file.Insert(tag.index, old_key, o);
          break;
        }
      }
    }
    if (new_in) {
      const uint32_t h = holder(new_key);
      if (h != 0 && h != r && info.candidate)
        Fail("chave duplicada na tag candidata " + info.name + "; nada foi gravado");
      if (h == 0) {
        file.Insert(tag.index, new_key, r);
      } else if (h > r) {
        file.Remove(tag.index, new_key, h);
        file.Insert(tag.index, new_key, r);
      }
    }
  }
  // Files committed in opening order: keep `begun` in that order.
  std::vector<CdxFile*> ordered;
  for (const auto& f : indexes)
    if (std::find(begun->begin(), begun->end(), f.get()) != begun->end()) ordered.push_back(f.get());
  *begun = std::move(ordered);
}

// Writes the edit or append buffer with every index, as one step: locks,
// staged index changes, the record (and header), then the commits. Anything
// that fails before the commits leaves table and indexes as they were.
void Table::Impl::WriteRecord(bool append) {
  if (read_only) Fail("aberta somente para leitura; nada foi gravado");
  RequireWritableIndexes();
  ByteRangeLock header_lock;
  ByteRangeLock record_lock;
  uint32_t r = recno;
  std::string old_rec;
  std::string new_rec;
  char old_header[8];
  const uint32_t len = header.record_length;
  if (append) {
    header_lock.Acquire(fd, layout.HeaderOffset(), 1, true,
                        "Tabela " + name + ": inclusão bloqueada por outro usuário; tente novamente", name);
    if (!ReadFully(fd, old_header, sizeof old_header, 0)) Fail("falha ao ler o cabeçalho");
    RefreshCount();
    r = count + 1;
    if (r == 0) Fail("número máximo de registros atingido");
    record_lock.Acquire(fd, layout.RecordOffset(r), 1, true,
                        "Tabela " + name + ": registro " + std::to_string(r) + " bloqueado por outro usuário", name);
    new_rec = buffer;
  } else {
    record_lock.Acquire(fd, layout.RecordOffset(r), 1, true,
                        "Tabela " + name + ": registro " + std::to_string(r) + " bloqueado por outro usuário", name);
    // What is on disk now: another program may have changed other fields
    // since Edit(); only the fields set here are replaced.
    ReadRecord(r, &old_rec, true);
    new_rec = old_rec;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!touched[i]) continue;
      const FieldInfo& f = fields[i];
      new_rec.replace(static_cast<size_t>(1 + f.offset), static_cast<size_t>(f.length), buffer,
                      static_cast<size_t>(1 + f.offset), static_cast<size_t>(f.length));
    }
    if (touched_flag) new_rec[0] = buffer[0];
    if (new_rec == old_rec) {
      record = new_rec;
      return;
    }
  }

  std::vector<CdxFile*> begun;
  auto rollback_staged = [&](size_t from) {
    for (size_t i = from; i < begun.size(); ++i) {
      try {
        begun[i]->Rollback();
      } catch (...) {
      }
    }
  };
  try {
    StageChanges(append ? nullptr : &old_rec, &new_rec, r, &begun);
  } catch (...) {
    rollback_staged(0);
    throw;
  }

  const uint64_t at = header.header_length + uint64_t(r - 1) * len;
  auto undo_table = [&]() {
    if (append) {
      WriteFully(fd, old_header, sizeof old_header, 0);
      if (::ftruncate(fd, static_cast<off_t>(at)) == 0) WriteFully(fd, &kDbfEofMark, 1, at);
    } else {
      WriteFully(fd, old_rec.data(), len, at);
    }
  };
  bool ok;
  if (append) {
    std::string out = new_rec;
    out.push_back(kDbfEofMark);
    ok = WriteFully(fd, out.data(), out.size(), at);
    if (ok) {
      char h[8];
      std::memcpy(h, old_header, sizeof h);
      int y, m, d;
      Today(&y, &m, &d);
      PutCountAndDate(h, r, y, m, d);
      ok = WriteFully(fd, h + 1, 7, 1);
    }
  } else {
    ok = WriteFully(fd, new_rec.data(), len, at);
  }
  if (!ok) {
    const std::string why = std::strerror(errno);
    undo_table();
    rollback_staged(0);
    Fail("falha ao gravar o registro " + std::to_string(r) + " (" + why + "); nada foi gravado");
  }

  size_t committed = 0;
  try {
    for (; committed < begun.size(); ++committed) begun[committed]->Commit();
  } catch (const std::exception& e) {
    rollback_staged(committed + 1);
    undo_table();
    // Files already committed get the reverse change.
    if (committed > 0) {
      size_t files = 0;
      for (size_t f = 0; f < indexes.size(); ++f)
        if (indexes[f].get() == begun[committed - 1]) files = f + 1;
      std::vector<CdxFile*> undo;
      try {
        StageChanges(&new_rec, append ? nullptr : &old_rec, r, &undo, files);
        for (CdxFile* f : undo) f->Commit();
      } catch (...) {
        for (CdxFile* f : undo) {
          try { f->Rollback(); } catch (...) {}
        }
      }
    }
    Fail(std::string("falha ao gravar os índices: ") + e.what() + "; nada foi gravado");
  }
  chunk_records = 0;
  if (append) count = r;
  recno = r;
  eof = false;
  record = new_rec;
}

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Table::~Table() = default;

std::unique_ptr<Table> Table::Open(const std::string& path, const OpenOptions& options) {
  auto t = std::make_unique<Impl>();
  const std::string resolved = ResolveExisting(path);
  t->name = BaseName(resolved.empty() ? path : resolved);
  if (resolved.empty()) throw Error("Tabela " + BaseName(path) + " não encontrada (" + path + ")");
  t->path = resolved;
  t->alias = Upper(Stem(t->name));
  t->read_only = options.read_only;
  t->fd = ::open(resolved.c_str(), (options.read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (t->fd < 0) t->Fail(std::string("não pode ser aberta (") + std::strerror(errno) + ")");
  if (!TryFlock(t->fd, options.exclusive))
    t->Fail(options.exclusive ? "em uso por outro programa; não pode ser aberta em modo exclusivo"
                              : "em uso exclusivo por outro programa");
  struct stat st;
  if (::fstat(t->fd, &st) != 0) t->Fail("falha ao ler o tamanho do arquivo");
  if (!S_ISREG(st.st_mode)) t->Fail("não é um arquivo comum");
  uint64_t size = static_cast<uint64_t>(st.st_size);
  std::string head(static_cast<size_t>(std::min<uint64_t>(size, 32)), '\0');
  if (!ReadFully(t->fd, head.data(), head.size(), 0)) t->Fail("falha ao ler o cabeçalho");
  if (head.size() >= 32) {
    const uint32_t hl = LoadLeU16(head.data() + 8);
    head.resize(static_cast<size_t>(std::min<uint64_t>(size, hl)));
    if (head.size() > 32 && !ReadFully(t->fd, head.data(), head.size(), 0)) t->Fail("falha ao ler o cabeçalho");
  }
  // The size after the header: another program appends the record before
  // the count, so a count read first is always covered by the size read next.
  if (::fstat(t->fd, &st) != 0) t->Fail("falha ao ler o tamanho do arquivo");
  size = std::max(size, static_cast<uint64_t>(st.st_size));
  t->header = ParseDbfHeader(head, size, t->name);
  int bit = 0;
  for (size_t i = 0; i < t->header.all_fields.size(); ++i) {
    const FieldInfo& f = t->header.all_fields[i];
    const uint8_t flags = t->header.field_flags[i];
    if ((flags & 0x01) != 0 || static_cast<int>(i) == t->header.null_flags_field) continue;
    t->fields.push_back(f);
    t->all_index.push_back(static_cast<int>(i));
    const bool uses_bit = (flags & 0x02) != 0;
    t->null_bit.push_back(uses_bit ? bit : -1);
    if (uses_bit) ++bit;
    if (f.type == 'V' || f.type == 'Q') ++bit;
  }
  t->layout.structural = t->header.has_structural_index();
  t->layout.header_length = t->header.header_length;
  t->layout.record_length = t->header.record_length;
  t->count = t->header.record_count;
  const bool writable = !options.read_only;
  if (t->header.has_structural_index()) {
    const std::string cdx = FindInsensitive(DirName(resolved), Stem(t->name) + ".cdx");
    if (cdx.empty()) t->Fail("índice estrutural " + Stem(t->name) + ".CDX não encontrado");
    t->indexes.push_back(CdxFile::Open(cdx, writable));
  }
  for (const std::string& name : options.index_files) t->OpenIndex(name, writable);
  t->CompileTags();
  std::unique_ptr<Table> table(new Table(std::move(t)));
  table->First();
  return table;
}

void Table::Create(const std::string& path, const std::vector<FieldInfo>& fields) {
  const std::string name = BaseName(path);
  DbfHeader h = MakeDbfHeader(fields, name);
  Today(&h.update_year, &h.update_month, &h.update_day);
  std::string bytes = EncodeDbfHeader(h);
  bytes.push_back(kDbfEofMark);
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 || !FindInsensitive(DirName(path), name).empty())
    throw Error("Tabela " + name + " já existe");
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) throw Error("Tabela " + name + ": não pode ser criada (" + std::strerror(errno) + ")");
  const bool ok = WriteFully(fd, bytes.data(), bytes.size(), 0) && ::fsync(fd) == 0;
  ::close(fd);
  // link() refuses to replace a file another program made meanwhile.
  if (!ok || ::link(tmp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::unlink(tmp.c_str());
    throw Error("Tabela " + name + ": não pode ser criada (" + why + ")");
  }
  ::unlink(tmp.c_str());
  ::chmod(path.c_str(), 0644);
}

const std::string& Table::path() const { return impl_->path; }
const std::vector<FieldInfo>& Table::fields() const { return impl_->fields; }
int Table::FieldIndex(std::string_view name) const { return impl_->Field(name); }
uint32_t Table::RecordCount() { return impl_->RefreshCount(); }

void Table::First() {
  impl_->RequireBrowse("mover");
  impl_->RefreshCount();
  impl_->chunk_records = 0;
  impl_->Seek(1);
}

void Table::Next() {
  impl_->RequireBrowse("mover");
  if (impl_->eof) return;
  impl_->Seek(impl_->recno + 1);
}

bool Table::Eof() const { return impl_->eof; }

void Table::Go(uint32_t r) {
  Impl& t = *impl_;
  t.RequireBrowse("mover");
  if (r == 0 || (r > t.count && t.RefreshCount() < r)) {
    t.SetEof();
    return;
  }
  t.ReadRecord(r, &t.record, true);
  t.recno = r;
  t.eof = false;
}

uint32_t Table::RecNo() const { return impl_->recno; }

bool Table::Deleted() const {
  const Impl& t = *impl_;
  const std::string& rec = t.mode == Impl::Mode::kBrowse ? t.record : t.buffer;
  return rec[0] == kDbfDeletedMark;
}

bool Table::Locate(std::string_view field, std::string_view value) {
  Impl& t = *impl_;
  t.RequireBrowse("localizar");
  const int i = t.RequireField(field);
  for (First(); !t.eof; Next()) {
    if (TrimRight(t.RawOf(t.record, i)) == value) return true;
  }
  return false;
}

void Table::SetFilter(std::string_view expression) {
  Impl& t = *impl_;
  size_t b = 0;
  while (b < expression.size() && std::isspace(static_cast<unsigned char>(expression[b]))) ++b;
  if (b == expression.size()) {
    t.filter.reset();
    t.filter_text.clear();
    return;
  }
  try {
    t.filter = Expression::Compile(expression, t.fields, t.alias);
  } catch (const Error& e) {
    t.Fail(std::string("filtro inválido: ") + e.what());
  }
  t.filter_text = std::string(expression);
}

const std::string& Table::filter() const { return impl_->filter_text; }


std::string Table::GetString(std::string_view field) const {
  const Impl& t = *impl_;
  const int i = t.RequireField(field);
  const std::string& rec = t.Current();
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  if (t.IsNull(rec, i)) return {};
  const std::string_view raw = t.RawOf(rec, i);
  char buf[64];
  switch (f.type) {
    case 'C': return TrimRight(raw);
    case 'N': case 'F': {
      std::string s = TrimRight(raw);
      s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
      return s;
    }
    case 'D': {
      const JulianDay d = t.DateOf(rec, i, t.recno);
      return d == 0 ? std::string() : FormatBritishDate(d);
    }
    case 'L': {
      const char c = raw[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
      return {};
    }
    case 'I': case 'B': case 'Y': {
      const auto v = t.NumberOf(rec, i, t.recno);
      if (!v) return {};
      if (f.type == 'I') std::snprintf(buf, sizeof buf, "%.0f", *v);
      else if (f.type == 'Y') std::snprintf(buf, sizeof buf, "%.4f", *v);
      else std::snprintf(buf, sizeof buf, "%.*f", f.decimals, *v);
      return buf;
    }
    case 'T': {
      if (f.length != 8) return std::string(raw);
      const int32_t day = LoadLe32(raw.data());
      if (day <= 0) return {};
      const int32_t ms = LoadLe32(raw.data() + 4);
      const int secs = ms < 0 ? 0 : (ms + 500) / 1000;
      std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", secs / 3600 % 24, secs / 60 % 60, secs % 60);
      return FormatBritishDate(day) + buf;
    }
    case 'M': return GetMemo(field);
    default: return TrimRight(raw);
  }
}

std::optional<double> Table::GetNumber(std::string_view field) const {
  const Impl& t = *impl_;
  return t.NumberOf(t.Current(), t.RequireField(field), t.recno);
}

JulianDay Table::GetDate(std::string_view field) const {
  const Impl& t = *impl_;
  return t.DateOf(t.Current(), t.RequireField(field), t.recno);
}

bool Table::GetLogical(std::string_view field) const {
  const Impl& t = *impl_;
  const int i = t.RequireField(field);
  if (t.fields[static_cast<size_t>(i)].type != 'L')
    t.Fail("campo " + t.fields[static_cast<size_t>(i)].name + " não é lógico");
  const char c = t.RawOf(t.Current(), i)[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string_view Table::RawField(int field_index) const {
  const Impl& t = *impl_;
  if (field_index < 0 || static_cast<size_t>(field_index) >= t.fields.size())
    t.Fail("campo número " + std::to_string(field_index) + " inexistente");
  return t.RawOf(t.Current(), field_index);
}

std::string Table::GetMemo(std::string_view field) const {
  Impl& t = *impl_;
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  if (f.type != 'M' && f.type != 'G') t.Fail("campo " + f.name + " não é memo");
  const std::string_view raw = t.RawOf(t.Current(), i);
  uint32_t block = 0;
  if (f.length == 4) {
    block = LoadLeU32(raw.data());
  } else {
    for (char c : raw) {
      if (c == ' ' || c == '\0') continue;
      if (!std::isdigit(static_cast<unsigned char>(c)) || block > 100000000u)
        t.Fail("campo " + f.name + t.Where(t.recno) + ": referência de memo inválida");
      block = block * 10 + static_cast<uint32_t>(c - '0');
    }
  }
  if (block == 0) return {};
  const std::string memo_name = Stem(t.name) + ".FPT";
  if (t.memo_fd < 0) {
    const std::string p = FindInsensitive(DirName(t.path), memo_name);
    if (p.empty()) t.Fail("arquivo de memos " + memo_name + " não encontrado");
    t.memo_fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (t.memo_fd < 0) t.Fail("arquivo de memos " + memo_name + " não pode ser aberto");
    char h[8];
    if (!ReadFully(t.memo_fd, h, sizeof h, 0)) t.Fail("arquivo de memos " + memo_name + " danificado");
    t.memo_block = static_cast<uint32_t>(static_cast<unsigned char>(h[6]) << 8 | static_cast<unsigned char>(h[7]));
    if (t.memo_block == 0) t.memo_block = 64;
  }
  struct stat st;
  if (::fstat(t.memo_fd, &st) != 0) t.Fail("arquivo de memos " + memo_name + " ilegível");
  const uint64_t at = uint64_t(block) * t.memo_block;
  char h[8];
  if (at + 8 > static_cast<uint64_t>(st.st_size) || !ReadFully(t.memo_fd, h, sizeof h, at))
    t.Fail("arquivo de memos " + memo_name + " danificado (bloco " + std::to_string(block) + ")");
  const uint32_t n = LoadBe32(h + 4);
  if (at + 8 + n > static_cast<uint64_t>(st.st_size))
    t.Fail("arquivo de memos " + memo_name + " danificado (bloco " + std::to_string(block) + ")");
  std::string out(n, '\0');
  if (n > 0 && !ReadFully(t.memo_fd, out.data(), n, at + 8))
    t.Fail("arquivo de memos " + memo_name + " ilegível");
  return out;
}

// --- Writing ---------------------------------------------------------------

void Table::Edit() {
  Impl& t = *impl_;
  t.RequireBrowse("editar");
  if (t.read_only) t.Fail("aberta somente para leitura");
  if (t.eof) t.Fail("nenhum registro corrente para alterar");
  t.mode = Impl::Mode::kEdit;
  t.buffer = t.record;
  t.touched.assign(t.fields.size(), false);
  t.touched_flag = false;
}

void Table::Append() {
  Impl& t = *impl_;
  t.RequireBrowse("incluir");
  if (t.read_only) t.Fail("aberta somente para leitura");
  t.mode = Impl::Mode::kAppend;
  t.buffer = t.BlankRecord();
  t.touched.assign(t.fields.size(), true);
  t.touched_flag = true;
}

void Table::SetString(std::string_view field, std::string_view value) {
  Impl& t = *impl_;
  t.RequireEditing();
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  if (f.type != 'C') {
    SetFromText(field, value);
    return;
  }
  std::string v(value.substr(0, static_cast<size_t>(f.length)));
  v.resize(static_cast<size_t>(f.length), ' ');
  t.buffer.replace(static_cast<size_t>(1 + f.offset), v.size(), v);
  t.touched[static_cast<size_t>(i)] = true;
}

void Table::SetNumber(std::string_view field, double value) {
  Impl& t = *impl_;
  t.RequireEditing();
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  char* p = t.buffer.data() + 1 + f.offset;
  char shown[64];
  std::snprintf(shown, sizeof shown, "%.*f", std::min(f.decimals, 18), value);
  auto refuse = [&]() {
    t.Fail(std::string("valor ") + shown + " não cabe no campo " + f.name + " (" + f.type + " " +
           std::to_string(f.length) + "," + std::to_string(f.decimals) + "); nada foi gravado");
  };
  switch (f.type) {
    case 'N':
    case 'F': {
      const auto text = EncodeNumericText(value, f.length, f.decimals);
      if (!text) refuse();
      std::memcpy(p, text->data(), text->size());
      break;
    }
    case 'I':
      if (f.length != 4 || !(value >= -2147483648.0 && value <= 2147483647.0)) refuse();
      StoreLe32(p, static_cast<uint32_t>(static_cast<int32_t>(std::llround(value))));
      break;
    case 'B': {
      if (f.length != 8 || !std::isfinite(value)) refuse();
      uint64_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      StoreLe64(p, bits);
      break;
    }
    case 'Y':
      if (f.length != 8 || !(std::fabs(value) < 9.2e14)) refuse();
      StoreLe64(p, static_cast<uint64_t>(std::llround(value * 10000.0)));
      break;
    default: t.Fail("campo " + f.name + " não é numérico");
  }
  t.touched[static_cast<size_t>(i)] = true;
}

void Table::SetDate(std::string_view field, JulianDay day) {
  Impl& t = *impl_;
  t.RequireEditing();
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  char* p = t.buffer.data() + 1 + f.offset;
  if (day != 0) {
    int y, m, d;
    YmdFromJulian(day, &y, &m, &d);
    if (day < 0 || y < 1 || y > 9999) t.Fail("data inválida para o campo " + f.name);
  }
  if (f.type == 'D') {
    std::memcpy(p, EncodeDateText(day).data(), 8);
  } else if (f.type == 'T' && f.length == 8) {
    StoreLe32(p, static_cast<uint32_t>(day));
    StoreLe32(p + 4, 0);
  } else {
    t.Fail("campo " + f.name + " não é uma data");
  }
  t.touched[static_cast<size_t>(i)] = true;
}

void Table::SetLogical(std::string_view field, bool value) {
  Impl& t = *impl_;
  t.RequireEditing();
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  if (f.type != 'L') t.Fail("campo " + f.name + " não é lógico");
  t.buffer[static_cast<size_t>(1 + f.offset)] = value ? 'T' : 'F';
  t.touched[static_cast<size_t>(i)] = true;
}

void Table::SetFromText(std::string_view field, std::string_view text) {
  Impl& t = *impl_;
  t.RequireEditing();
  const int i = t.RequireField(field);
  const FieldInfo& f = t.fields[static_cast<size_t>(i)];
  std::string trimmed(text);
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  trimmed.erase(0, std::min(trimmed.size(), trimmed.find_first_not_of(' ')));
  auto invalid = [&]() {
    t.Fail("valor \"" + std::string(text) + "\" inválido para o campo " + f.name + "; nada foi gravado");
  };
  switch (f.type) {
    case 'C': SetString(field, text); return;
    case 'N': case 'F': case 'I': case 'B': case 'Y': {
      if (trimmed.empty()) {
        if (f.type == 'N' || f.type == 'F') {
          std::fill_n(t.buffer.begin() + 1 + f.offset, f.length, ' ');
          t.touched[static_cast<size_t>(i)] = true;
          return;
        }
        SetNumber(field, 0);
        return;
      }
      std::string s = trimmed;
      if (s.find(',') != std::string::npos) {
        s.erase(std::remove(s.begin(), s.end(), '.'), s.end());  // 1.234,56
        std::replace(s.begin(), s.end(), ',', '.');
      }
      bool malformed = false;
      const auto v = DecodeNumericText(s, &malformed);
      if (malformed || !v) {
        invalid();
        return;
      }
      SetNumber(field, *v);
      return;
    }
    case 'D': case 'T': {
      const JulianDay d = ParseBritishDate(trimmed);
      if (d < 0) invalid();
      SetDate(field, d);
      return;
    }
    case 'L': {
      const std::string u = Upper(trimmed);
      if (u.empty()) {
        t.buffer[static_cast<size_t>(1 + f.offset)] = ' ';
        t.touched[static_cast<size_t>(i)] = true;
        return;
      }
      if (u == "T" || u == "Y" || u == "S" || u == ".T." || u == "SIM") { SetLogical(field, true); return; }
      if (u == "F" || u == "N" || u == ".F." || u == "NAO" || u == "NÃO") { SetLogical(field, false); return; }
      invalid();
      return;
    }
    default: t.Fail("campo " + f.name + " do tipo " + std::string(1, f.type) + " não pode ser gravado");
  }
}

void Table::Post() {
  Impl& t = *impl_;
  if (t.mode == Impl::Mode::kBrowse) return;
  const bool append = t.mode == Impl::Mode::kAppend;
  t.WriteRecord(append);  // on failure the buffer stays, to be fixed or cancelled
  t.mode = Impl::Mode::kBrowse;
}

void Table::Cancel() {
  Impl& t = *impl_;
  t.mode = Impl::Mode::kBrowse;
  t.buffer.clear();
}

void Table::Delete() { PostDeletionMark(kDbfDeletedMark); }
void Table::Recall() { PostDeletionMark(kDbfLiveMark); }

void Table::PostDeletionMark(char mark) {
  Impl& t = *impl_;
  Edit();
  t.buffer[0] = mark;
  t.touched_flag = true;
  try {
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

// --- Indexes ---------------------------------------------------------------

const std::vector<Table::Tag>& Table::tags() const { return impl_->tags; }

const Table::Tag* Table::FindTag(std::string_view name) const {
  const std::string want = Upper(name);
  for (const Tag& t : impl_->tags)
    if (Upper(t.info().name) == want) return &t;
  return nullptr;
}


std::vector<uint32_t> Table::SeekPrefix(const Tag& tag, std::string_view prefix) {
  impl_->TagSlot(tag);
  std::vector<uint32_t> out;
  for (auto c = tag.file->Seek(tag.index, prefix); c->Valid(); c->Next()) {
    const std::string_view k = c->key();
    if (k.substr(0, prefix.size()) != prefix) {
      // A short stored key is blank-padded for character tags.
      std::string padded(k);
      if (padded.size() < prefix.size()) padded.resize(prefix.size(), ' ');
      if (padded.substr(0, prefix.size()) != prefix) break;
    }
    out.push_back(c->recno());
  }
  return out;
}

std::string Table::KeyFor(const Tag& tag) const {
  const Impl& t = *impl_;
  const size_t slot = t.TagSlot(tag);
  const TagExpressions& e = t.tag_exprs[slot];
  if (!e.error.empty()) t.Fail("tag " + tag.info().name + ": " + e.error);
  return t.EncodeKey(e, tag.info().key_length, t.Current(), t.recno);
}

bool Table::BelongsTo(const Tag& tag) const {
  const Impl& t = *impl_;
  const size_t slot = t.TagSlot(tag);
  const TagExpressions& e = t.tag_exprs[slot];
  if (!e.error.empty()) t.Fail("tag " + tag.info().name + ": " + e.error);
  return t.Belongs(e, t.Current(), t.recno);
}

bool Table::CanComputeKeys(const Tag& tag, std::string* why) const {
  const TagExpressions& e = impl_->tag_exprs[impl_->TagSlot(tag)];
  if (why != nullptr) *why = e.error;
  return e.error.empty();
}

char Table::KeyType(const Tag& tag) const {
  const TagExpressions& e = impl_->tag_exprs[impl_->TagSlot(tag)];
  if (!e.error.empty()) return '?';
  switch (e.kind) {
    case Value::Kind::kNumber: return 'N';
    case Value::Kind::kDate: return 'D';
    default: return 'C';
  }
}

void Table::Reindex(const Tag& tag) {
  Impl& t = *impl_;
  t.RequireBrowse("reindexar");
  if (t.read_only) t.Fail("aberta somente para leitura");
  const size_t slot = t.TagSlot(tag);
  const TagExpressions& e = t.tag_exprs[slot];
  const TagInfo& info = tag.info();
  if (!e.error.empty()) t.Fail("tag " + info.name + " não pode ser reconstruída: " + e.error);
  if (!info.machine_collation) t.Fail("tag " + info.name + " usa uma ordenação que este programa não grava");
  ByteRangeLock file_lock;
  file_lock.Acquire(t.fd, t.layout.FileOffset(), t.layout.FileLength(), true,
                    "Tabela " + t.name + ": em uso por outro usuário; não foi possível bloquear para reindexar", t.name);
  t.RefreshCount();
  std::vector<std::pair<std::string, uint32_t>> entries;
  entries.reserve(t.count);
  std::set<std::string> seen;  // unique tags: keys already taken
  std::string rec;
  t.chunk_records = 0;
  for (uint32_t r = 1; r <= t.count; ++r) {
    t.ReadRecord(r, &rec, false);
    if (!t.Belongs(e, rec, r)) continue;
    std::string key = t.EncodeKey(e, info.key_length, rec, r);
    if (info.unique || info.candidate) {
      if (!seen.insert(key).second) continue;
    }
    entries.emplace_back(std::move(key), r);
  }
  t.chunk_records = 0;
  tag.file->Rebuild(tag.index, std::move(entries));
}

}  // namespace xbase
