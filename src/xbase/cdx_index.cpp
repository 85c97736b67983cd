#include "xbase/cdx_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>

#include "xbase/cdx_page.h"
#include "xbase/error.h"
#include "xbase/locks.h"

namespace xbase {

namespace {

using cdx::Entry;
using cdx::kHeaderSize;
using cdx::kNoPage;
using cdx::kPageSize;
using cdx::Node;

using PageBytes = std::array<uint8_t, kPageSize>;

constexpr int kMaxDepth = 32;  // far beyond any real tree
constexpr size_t kMaxTags = 1000;

// Header fields (file header and tag headers alike).
constexpr int kRootAt = 0, kFreeAt = 4, kVersionAt = 8, kKeyLengthAt = 12, kOptionsAt = 14,
              kSignatureAt = 15, kOrderAt = 502, kTotalPoolAt = 504, kForPoolAt = 506,
              kKeyPoolAt = 510, kPoolStart = 512;
constexpr uint8_t kOptUnique = 0x01, kOptCandidate = 0x04, kOptFor = 0x08, kOptCompact = 0x20,
                  kOptCompound = 0x40, kOptTagList = 0x80;

std::string SysError() { return std::strerror(errno); }

int CompareBytes(std::string_view a, std::string_view b) {
  int c = a.compare(b);  // char_traits<char>::compare works as unsigned bytes (memcmp)
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareEntry(const Entry& e, std::string_view key, uint32_t recno) {
  int c = CompareBytes(e.key, key);
  if (c != 0) return c;
  return e.recno < recno ? -1 : (e.recno > recno ? 1 : 0);
}

// The key's first bytes against a (possibly shorter) prefix.
int ComparePrefix(const std::string& key, std::string_view prefix) {
  return CompareBytes(std::string_view(key).substr(0, prefix.size()), prefix);
}

struct TagMeta {
  uint32_t offset = 0;   // of the tag header
  int key_length = 0;
  uint8_t fill = ' ';
  char type = 'C';
  bool decided = true;  // false: an empty tag whose keys have not told yet
};

// Doubles of everyday magnitude (dates, prices, counts) start with these
// bytes; a text key practically never does, every one of a page's at once.
bool NumberHead(unsigned char head) {
  return (head >= 0x3C && head <= 0x40) || head == 0x80 || head == 0x81 || (head >= 0xBF && head <= 0xC3);
}

// A whole key as the table layer hands it over. The same rule as GuessType
// applies to stored keys, so that a handle opened later decides alike.
bool LooksNumeric(std::string_view key) {
  if (key.size() != 8) return false;
  for (char c : key)
    if (static_cast<unsigned char>(c) < 0x20) return true;
  return NumberHead(static_cast<unsigned char>(key[0]));
}

// A leaf and a place in it, as a walk or a search leaves it.
using NodeRef = std::shared_ptr<const Node>;

struct Position {
  uint32_t page = 0;
  NodeRef leaf;
  long index = 0;  // may be -1 or leaf.entries.size(): before / after this leaf
};

struct PathItem {
  uint32_t page;
  Node node;
  size_t index;  // entry leading down (interior) or where the change happened (leaf)
};

class CdxFileImpl;

class CursorImpl : public CdxFile::Cursor {
 public:
  CursorImpl(CdxFileImpl* file, int meta, bool descending, Position pos, uint32_t version);
  bool Valid() const override { return valid_; }
  std::string_view key() const override { return current().key; }
  uint32_t recno() const override { return current().recno; }
  void Next() override;

 private:
  const Entry& current() const { return pos_.leaf->entries[size_t(pos_.index)]; }
  void Settle();  // moves across leaves until on an entry or past the end

  CdxFileImpl* file_;
  int meta_;
  bool descending_;
  Position pos_;
  uint32_t version_;
  bool valid_ = false;
  uint64_t hops_ = 0;
};

class CdxFileImpl : public CdxFile {
 public:
  CdxFileImpl(std::string path, int fd, bool writable) : path_(std::move(path)), fd_(fd), writable_(writable) {}
  ~CdxFileImpl() override {
    if (in_txn_) Rollback();
    lock_.Release();
    ::close(fd_);
  }
  CdxFileImpl(const CdxFileImpl&) = delete;
  CdxFileImpl& operator=(const CdxFileImpl&) = delete;

  void Load();

  const std::string& path() const override { return path_; }
  const std::vector<TagInfo>& tags() const override { return tags_; }
  int FindTag(std::string_view name) const override {
    for (size_t i = 0; i < tags_.size(); ++i) {
      const std::string& n = tags_[i].name;
      if (n.size() == name.size() &&
          std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
          }))
        return int(i);
    }
    return -1;
  }

  std::unique_ptr<Cursor> First(int tag) override;
  std::unique_ptr<Cursor> Seek(int tag, std::string_view key) override;

  void Begin() override;
  void Insert(int tag, std::string_view key, uint32_t recno) override;
  void Remove(int tag, std::string_view key, uint32_t recno) override;
  void Commit() override;
  void Rollback() override;
  void Rebuild(int tag, std::vector<std::pair<std::string, uint32_t>> entries) override;

  char KeyType(int tag) const override {
    int meta = MetaOf(tag);
    if (!meta_[size_t(meta)].decided) {
      // Another handle may have written the first keys since.
      auto* self = const_cast<CdxFileImpl*>(this);
      ReadGuard guard(self);
      self->Decide(meta);
    }
    return meta_[size_t(meta)].type;
  }
  void SetKeyType(int tag, char type) override {
    TagMeta& m = meta_[MetaOf(tag)];
    m.type = type == 'C' ? 'C' : type;
    m.fill = type == 'C' ? ' ' : 0;
    m.decided = true;
    decoded_.clear();
  }
  std::string CheckTag(int tag) override;
  uint64_t KeyCount(int tag) override;

  // --- used by cursors ---------------------------------------------------
  // Holds the shared index lock while pages are read from the disk, unless a
  // lock or a read from the cache (Reading) is already under way.
  class ReadGuard {
   public:
    explicit ReadGuard(CdxFileImpl* f) : f_(f) {
      if (!f_->lock_.held() && !f_->from_cache_) {
        f_->AcquireLock(false);
        taken_ = true;
        try {
          f_->Refresh();
        } catch (...) {
          f_->ReleaseLock();
          throw;
        }
      }
    }
    ~ReadGuard() {
      if (taken_) f_->ReleaseLock();
    }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

   private:
    CdxFileImpl* f_;
    bool taken_ = false;
  };

  // Runs a read. When every page it needs is cached and the header shows the
  // version, free list and size they were read under, it runs without the
  // lock: a writer writes the header last, so those pages are the file as
  // last committed. A page missing from the cache sends the read, from the
  // start, to the locked path, and later reads straight there until one
  // finds every page cached. `op` must leave no trace when it throws.
  void Reading(const std::function<void()>& op);
  struct CacheMiss {};

  uint32_t version() const { return version_; }
  Node LoadNode(int meta, uint32_t page) { return *NodeAt(meta, page); }
  // Decoded pages are kept while the file's version holds; pages changed by
  // the open change are decoded afresh.
  NodeRef NodeAt(int meta, uint32_t page);
  // First entry (in ascending order) for which `after` holds; `after` must be
  // false for a prefix of the tag's entries and true for the rest.
  Position Find(int meta, const std::function<bool(const Entry&)>& after);
  uint64_t MaxHops() const { return file_size_ / kPageSize + 1; }
  [[noreturn]] void Damaged(int meta, uint32_t page, const std::string& why) const;
  std::string TagLabel(int meta) const {
    return meta == 0 ? std::string("lista de tags") : "tag " + tags_[size_t(meta - 1)].name;
  }

 private:
  int MetaOf(int tag) const {
    if (tag < 0 || size_t(tag) >= tags_.size())
      throw Error("Índice " + path_ + ": tag inexistente (" + std::to_string(tag) + ")");
    return tag + 1;
  }
  void AcquireLock(bool exclusive);
  void ReleaseLock();
  void Refresh();
  bool CacheCurrent();
  const uint8_t* GetPage(uint32_t page, int meta, bool header = false);
  uint8_t* MutablePage(uint32_t page);
  uint32_t RootOf(int meta);
  void SetRoot(int meta, uint32_t root);
  void Store(int meta, uint32_t page, const Node& node);
  void PatchLink(uint32_t page, int at, uint32_t value, int meta);
  uint32_t Allocate();
  void Free(uint32_t page);
  void RequireWritable(int meta);
  std::string PadKey(int meta, std::string_view key) const;
  std::vector<PathItem> Descend(int meta, std::string_view key, uint32_t recno);
  void FixUp(int meta, std::vector<PathItem>& path);
  std::vector<Node> Split(int meta, const Node& node);
  void CollectPages(int meta, uint32_t page, int depth, std::vector<uint32_t>* pages, std::set<uint32_t>* seen);
  std::string CheckNode(int meta, uint32_t page, int depth, int* leaf_depth, std::set<uint32_t>* seen,
                        std::vector<uint32_t>* leaves, Entry* previous, bool* have_previous, Entry* max_out);
  char GuessType(int meta);
  void Decide(int meta, std::string_view first_key = {});
  void WriteAll(const uint8_t* data, size_t size, off_t at);

  std::string path_;
  int fd_;
  bool writable_;
  std::vector<TagInfo> tags_;
  std::vector<TagMeta> meta_;  // [0] is the tag list, [i + 1] is tags_[i]

  // What the cached pages were read under.
  uint32_t version_ = 0;
  uint32_t free_head_ = 0;
  uint64_t file_size_ = 0;
  std::unordered_map<uint32_t, PageBytes> cache_;
  std::unordered_map<uint32_t, NodeRef> decoded_;  // dropped with cache_
  ByteRangeLock lock_;  // the index lock, while a read or a change holds it
  bool from_cache_ = false;  // a read inside Reading without the lock
  bool cache_cold_ = true;   // the last locked read had to read pages
  uint64_t page_reads_ = 0;

  // The open change: pages as they will be written, and the original state.
  bool in_txn_ = false;
  std::map<uint32_t, PageBytes> dirty_;
  std::set<uint32_t> allocated_;  // pages taken this change, to catch a looping free list
  uint32_t txn_free_head_ = 0;
  uint64_t txn_file_size_ = 0;
};

// ---------------------------------------------------------------------------

[[noreturn]] void CdxFileImpl::Damaged(int meta, uint32_t page, const std::string& why) const {
  char where[32];
  std::snprintf(where, sizeof where, "0x%X", page);
  throw Error("Arquivo de índice danificado: " + path_ + " (" + TagLabel(meta) + ", página " + where +
              ": " + why + ")");
}

void CdxFileImpl::AcquireLock(bool exclusive) { lock_.AcquireIndex(fd_, exclusive, path_); }

void CdxFileImpl::ReleaseLock() { lock_.Release(); }

// Another program's committed change shows as a new version or free list:
// then nothing cached can be trusted.
void CdxFileImpl::Refresh() {
  uint8_t head[12];
  ssize_t got = ::pread(fd_, head, sizeof head, 0);
  if (got != ssize_t(sizeof head))
    throw Error("Índice " + path_ + ": não foi possível ler o cabeçalho" + (got < 0 ? " (" + SysError() + ")" : ""));
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw Error("Índice " + path_ + ": " + SysError());
  uint32_t version = cdx::Be32(head + kVersionAt);
  uint32_t free_head = cdx::Le32(head + kFreeAt);
  if (version != version_ || free_head != free_head_ || uint64_t(st.st_size) != file_size_) {
    cache_.clear();
    decoded_.clear();
  }
  version_ = version;
  free_head_ = free_head;
  file_size_ = uint64_t(st.st_size);
}

bool CdxFileImpl::CacheCurrent() {
  if (cache_.empty()) return false;
  uint8_t head[12];
  if (::pread(fd_, head, sizeof head, 0) != ssize_t(sizeof head)) return false;  // the locked path tells
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  return cdx::Be32(head + kVersionAt) == version_ && cdx::Le32(head + kFreeAt) == free_head_ &&
         uint64_t(st.st_size) == file_size_;
}

void CdxFileImpl::Reading(const std::function<void()>& op) {
  if (lock_.held() || from_cache_) {
    op();
    return;
  }
  if (!cache_cold_ && CacheCurrent()) {
    from_cache_ = true;
    try {
      op();
      from_cache_ = false;
      return;
    } catch (const CacheMiss&) {
      from_cache_ = false;
    } catch (...) {
      from_cache_ = false;
      throw;
    }
  }
  ReadGuard guard(this);
  const uint64_t reads = page_reads_;
  op();
  cache_cold_ = page_reads_ != reads;
}

const uint8_t* CdxFileImpl::GetPage(uint32_t page, int meta, bool header) {
  if (in_txn_) {
    auto d = dirty_.find(page);
    if (d != dirty_.end()) return d->second.data();
  }
  uint64_t size = in_txn_ ? txn_file_size_ : file_size_;
  if (page % kPageSize != 0 || (page < kHeaderSize && !header) || uint64_t(page) + kPageSize > size)
    Damaged(meta, page, "ponteiro de página fora do arquivo");
  auto c = cache_.find(page);
  if (c != cache_.end()) return c->second.data();
  if (from_cache_) throw CacheMiss{};
  ++page_reads_;
  PageBytes bytes;
  ssize_t got = ::pread(fd_, bytes.data(), kPageSize, off_t(page));
  if (got != ssize_t(kPageSize)) {
    if (got < 0) throw Error("Índice " + path_ + ": erro de leitura (" + SysError() + ")");
    Damaged(meta, page, "arquivo truncado");
  }
  return cache_.emplace(page, bytes).first->second.data();
}

uint8_t* CdxFileImpl::MutablePage(uint32_t page) {
  auto d = dirty_.find(page);
  if (d != dirty_.end()) return d->second.data();
  PageBytes bytes{};
  if (uint64_t(page) + kPageSize <= file_size_) {
    const uint8_t* src = GetPage(page, 0, true);
    std::memcpy(bytes.data(), src, kPageSize);
  }
  return dirty_.emplace(page, bytes).first->second.data();
}

NodeRef CdxFileImpl::NodeAt(int meta, uint32_t page) {
  if (!meta_[size_t(meta)].decided) Decide(meta);
  const bool changing = in_txn_ && dirty_.count(page) != 0;
  if (!changing) {
    auto hit = decoded_.find(page);
    if (hit != decoded_.end()) return hit->second;
  }
  const TagMeta& m = meta_[size_t(meta)];
  const uint8_t* bytes = GetPage(page, meta);
  auto node = std::make_shared<Node>();
  std::string fault;
  if (!cdx::DecodeNode(cdx::Page(bytes, kPageSize), m.key_length, m.fill, node.get(), &fault))
    Damaged(meta, page, fault);
  if (!changing) {
    if (decoded_.size() >= 8192) decoded_.clear();  // bounds memory on huge tags
    decoded_.emplace(page, node);
  }
  return node;
}

uint32_t CdxFileImpl::RootOf(int meta) {
  return cdx::Le32(GetPage(meta_[size_t(meta)].offset, meta, true) + kRootAt);
}

void CdxFileImpl::SetRoot(int meta, uint32_t root) {
  cdx::PutLe32(MutablePage(meta_[size_t(meta)].offset) + kRootAt, root);
}

void CdxFileImpl::Store(int meta, uint32_t page, const Node& node) {
  const TagMeta& m = meta_[size_t(meta)];
  cdx::EncodeNode(node, m.key_length, m.fill, cdx::MutablePage(MutablePage(page), kPageSize));
}

void CdxFileImpl::PatchLink(uint32_t page, int at, uint32_t value, int meta) {
  GetPage(page, meta);  // validates the pointer before anything is changed
  cdx::PutLe32(MutablePage(page) + at, value);
}

// Free pages are chained through their first four bytes; 0 ends the chain
// (the reference files keep 0 in an empty list's head).
uint32_t CdxFileImpl::Allocate() {
  uint32_t page;
  if (txn_free_head_ != 0 && txn_free_head_ != kNoPage) {
    page = txn_free_head_;
    const uint8_t* bytes = GetPage(page, 0);
    uint32_t next = cdx::Le32(bytes);
    if (next != 0 && next != kNoPage && (next % kPageSize != 0 || next < kHeaderSize || next >= txn_file_size_))
      Damaged(0, page, "lista de páginas livres inválida");
    if (!allocated_.insert(page).second) Damaged(0, page, "lista de páginas livres em ciclo");
    txn_free_head_ = next;
  } else {
    page = uint32_t(txn_file_size_);
    if (txn_file_size_ + kPageSize > 0x7FFFFE00u)
      throw Error("Índice " + path_ + ": o arquivo atingiu o tamanho máximo");
    txn_file_size_ += kPageSize;
    allocated_.insert(page);
  }
  uint8_t* bytes = MutablePage(page);
  std::memset(bytes, 0, kPageSize);
  return page;
}

void CdxFileImpl::Free(uint32_t page) {
  uint8_t* bytes = MutablePage(page);
  std::memset(bytes, 0, kPageSize);
  cdx::PutLe32(bytes, txn_free_head_);
  txn_free_head_ = page;
  allocated_.erase(page);
}

// ---------------------------------------------------------------------------
// Opening

void CdxFileImpl::Load() {
  ReadGuard guard(this);
  if (file_size_ < kHeaderSize + kPageSize)
    throw Error("Arquivo de índice inválido ou truncado: " + path_);
  uint8_t header[kPageSize];
  if (::pread(fd_, header, kPageSize, 0) != ssize_t(kPageSize))
    throw Error("Arquivo de índice ilegível: " + path_);
  uint8_t options = header[kOptionsAt];
  if (cdx::Le16(header + kKeyLengthAt) != 10 || (options & (kOptCompact | kOptCompound)) != (kOptCompact | kOptCompound))
    throw Error("Não é um arquivo de índice composto (CDX): " + path_);
  meta_.assign(1, TagMeta{0, 10, ' ', 'C'});

  std::vector<std::pair<std::string, uint32_t>> list;
  CursorImpl walk(this, 0, false, Find(0, [](const Entry&) { return true; }), version_);
  for (; walk.Valid(); walk.Next()) {
    if (list.size() >= kMaxTags) Damaged(0, RootOf(0), "lista de tags longa demais");
    std::string name(walk.key());
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    list.emplace_back(name, walk.recno());
  }
  for (const auto& listed : list) {
    const std::string& name = listed.first;
    const uint32_t offset = listed.second;
    TagInfo info;
    info.name = name;
    if (offset % kPageSize != 0 || offset < kHeaderSize || uint64_t(offset) + kHeaderSize > file_size_)
      throw Error("Arquivo de índice danificado: " + path_ + " (tag " + name + ": cabeçalho fora do arquivo)");
    uint8_t th[kHeaderSize];
    if (::pread(fd_, th, kHeaderSize, off_t(offset)) != ssize_t(kHeaderSize))
      throw Error("Arquivo de índice ilegível: " + path_);
    auto bad = [&](const std::string& why) {
      return Error("Arquivo de índice danificado: " + path_ + " (tag " + name + ": " + why + ")");
    };
    int key_length = cdx::Le16(th + kKeyLengthAt);
    if (key_length < 1 || key_length > cdx::kMaxKeyLength)
      throw bad("tamanho de chave inválido (" + std::to_string(key_length) + ")");
    uint8_t opt = th[kOptionsAt];
    info.key_length = key_length;
    info.unique = (opt & kOptUnique) != 0;
    info.candidate = (opt & kOptCandidate) != 0;
    info.descending = cdx::Le16(th + kOrderAt) == 1;
    int key_pool = cdx::Le16(th + kKeyPoolAt);
    int for_pool = cdx::Le16(th + kForPoolAt);
    if (key_pool > int(kHeaderSize - kPoolStart) || key_pool + for_pool > int(kHeaderSize - kPoolStart))
      throw bad("expressões além do cabeçalho");
    const char* pool = reinterpret_cast<const char*>(th + kPoolStart);
    info.key_expression.assign(pool, strnlen(pool, size_t(key_pool > 0 ? key_pool : kHeaderSize - kPoolStart)));
    if (info.key_expression.empty()) throw bad("expressão de chave vazia");
    if ((opt & kOptFor) != 0 && for_pool > 0)
      info.for_expression.assign(pool + key_pool, strnlen(pool + key_pool, size_t(for_pool)));
    // A collation other than machine order is named in the reserved area.
    std::string_view reserved(reinterpret_cast<const char*>(th + 24), kOrderAt - 24);
    for (size_t i = 0; i + 4 <= reserved.size(); ++i) {
      size_t n = 0;
      while (i + n < reserved.size() && std::isupper(static_cast<unsigned char>(reserved[i + n]))) ++n;
      if (n >= 4) {
        info.machine_collation = reserved.substr(i, n) == "MACHINE";
        break;
      }
      i += n;
    }
    tags_.push_back(info);
    meta_.push_back(TagMeta{offset, key_length, ' ', 'C'});
    meta_.back().decided = false;
    Decide(int(meta_.size() - 1));
  }
}

// Numeric and date keys are 8 bytes; the encoded doubles almost always hold
// control bytes, character keys practically never. '?' for a tag without
// keys. The table layer confirms the type with SetKeyType.
char CdxFileImpl::GuessType(int meta) {
  const int key_length = meta_[size_t(meta)].key_length;
  if (key_length != 8) return 'C';
  uint32_t page = RootOf(meta);
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    // Decoded with two different fill bytes, the keys differ exactly in the
    // bytes a leaf left out; interior keys are whole.
    const uint8_t* bytes = GetPage(page, meta);
    Node low, high;
    std::string fault;
    if (!cdx::DecodeNode(cdx::Page(bytes, kPageSize), key_length, 0x00, &low, &fault) ||
        !cdx::DecodeNode(cdx::Page(bytes, kPageSize), key_length, 0xFF, &high, &fault))
      Damaged(meta, page, fault);
    if (depth == 0 && low.leaf && low.entries.empty()) return '?';
    bool all_number_heads = !low.entries.empty();
    for (size_t i = 0; i < low.entries.size(); ++i) {
      for (size_t b = 0; b < size_t(key_length); ++b)
        if (low.entries[i].key[b] == high.entries[i].key[b] && static_cast<unsigned char>(low.entries[i].key[b]) < 0x20)
          return 'N';
      all_number_heads &= NumberHead(static_cast<unsigned char>(low.entries[i].key[0]));
    }
    if (low.leaf || low.entries.empty())
      return all_number_heads ? 'N' : 'C';
    page = low.entries[0].child;
  }
  return 'C';
}

// Every handle on the file must decode a tag with the same fill byte, so an
// empty tag stays undecided until its first key shows, in the file or in
// the first key written.
void CdxFileImpl::Decide(int meta, std::string_view first_key) {
  TagMeta& m = meta_[size_t(meta)];
  if (m.decided) return;
  char type = GuessType(meta);
  if (type == '?') {
    if (first_key.empty()) return;
    type = LooksNumeric(first_key) ? 'N' : 'C';
  }
  m.type = type;
  m.fill = type == 'C' ? ' ' : 0;
  m.decided = true;
  decoded_.clear();
}

// ---------------------------------------------------------------------------
// Reading

Position CdxFileImpl::Find(int meta, const std::function<bool(const Entry&)>& after) {
  uint32_t page = RootOf(meta);
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) Damaged(meta, page, "árvore profunda demais (ciclo?)");
    NodeRef node = NodeAt(meta, page);
    if (node->leaf) {
      Position pos;
      pos.page = page;
      auto it = std::partition_point(node->entries.begin(), node->entries.end(),
                                     [&](const Entry& e) { return !after(e); });
      pos.index = long(it - node->entries.begin());
      pos.leaf = std::move(node);
      return pos;
    }
    if (node->entries.empty()) Damaged(meta, page, "página interna vazia");
    auto it = std::partition_point(node->entries.begin(), node->entries.end(),
                                   [&](const Entry& e) { return !after(e); });
    if (it == node->entries.end()) --it;
    page = it->child;
  }
}

CursorImpl::CursorImpl(CdxFileImpl* file, int meta, bool descending, Position pos, uint32_t version)
    : file_(file), meta_(meta), descending_(descending), pos_(std::move(pos)), version_(version) {
  Settle();
}

void CursorImpl::Settle() {
  for (;;) {
    long size = long(pos_.leaf->entries.size());
    if (pos_.index >= 0 && pos_.index < size) {
      valid_ = true;
      return;
    }
    uint32_t next = pos_.index < 0 ? pos_.leaf->left : pos_.leaf->right;
    if ((pos_.index < 0) != descending_ || next == kNoPage || next == 0) {
      // Past the end in the walk's direction, or a step the wrong way that
      // only a damaged tree asks for.
      valid_ = false;
      return;
    }
    if (++hops_ > file_->MaxHops()) file_->Damaged(meta_, next, "folhas encadeadas em ciclo");
    CdxFileImpl::ReadGuard guard(file_);
    pos_.leaf = file_->NodeAt(meta_, next);
    if (!pos_.leaf->leaf) file_->Damaged(meta_, next, "encadeamento de folhas aponta para página interna");
    pos_.page = next;
    pos_.index = descending_ ? long(pos_.leaf->entries.size()) - 1 : 0;
  }
}

void CursorImpl::Next() {
  if (!valid_) return;
  long size = long(pos_.leaf->entries.size());
  long step = descending_ ? -1 : 1;
  if (pos_.index + step >= 0 && pos_.index + step < size) {
    pos_.index += step;
    return;
  }
  const Position here_pos = pos_;
  const uint32_t here_version = version_;
  const uint64_t here_hops = hops_;
  file_->Reading([&] {
    try {
      if (file_->version() != version_) {
        // The tree changed under us: find where this entry's successor is now.
        Entry here = current();
        version_ = file_->version();
        if (descending_) {
          pos_ = file_->Find(meta_, [&](const Entry& e) { return CompareEntry(e, here.key, here.recno) >= 0; });
          pos_.index -= 1;
        } else {
          pos_ = file_->Find(meta_, [&](const Entry& e) { return CompareEntry(e, here.key, here.recno) > 0; });
        }
      } else {
        pos_.index += step;
      }
      Settle();
    } catch (const CdxFileImpl::CacheMiss&) {
      pos_ = here_pos;  // tried again under the lock
      version_ = here_version;
      hops_ = here_hops;
      valid_ = true;
      throw;
    }
  });
}

std::unique_ptr<CdxFile::Cursor> CdxFileImpl::First(int tag) {
  int meta = MetaOf(tag);
  std::unique_ptr<Cursor> cursor;
  Reading([&] {
    bool desc = tags_[size_t(tag)].descending;
    Position pos = Find(meta, [desc](const Entry&) { return !desc; });
    if (desc) pos.index -= 1;
    cursor = std::make_unique<CursorImpl>(this, meta, desc, std::move(pos), version_);
  });
  return cursor;
}

std::unique_ptr<CdxFile::Cursor> CdxFileImpl::Seek(int tag, std::string_view key) {
  int meta = MetaOf(tag);
  std::unique_ptr<Cursor> cursor;
  Reading([&] {
    bool desc = tags_[size_t(tag)].descending;
    std::string_view prefix = key.substr(0, size_t(meta_[size_t(meta)].key_length));
    Position pos;
    if (desc) {
      pos = Find(meta, [&](const Entry& e) { return ComparePrefix(e.key, prefix) > 0; });
      pos.index -= 1;
    } else {
      pos = Find(meta, [&](const Entry& e) { return ComparePrefix(e.key, prefix) >= 0; });
    }
    cursor = std::make_unique<CursorImpl>(this, meta, desc, std::move(pos), version_);
  });
  return cursor;
}

uint64_t CdxFileImpl::KeyCount(int tag) {
  int meta = MetaOf(tag);
  ReadGuard guard(this);
  uint64_t n = 0;
  CursorImpl walk(this, meta, false, Find(meta, [](const Entry&) { return true; }), version_);
  for (; walk.Valid(); walk.Next()) ++n;
  return n;
}

// ---------------------------------------------------------------------------
// Writing

void CdxFileImpl::Begin() {
  if (!writable_) throw Error("Índice " + path_ + " aberto somente para leitura");
  if (in_txn_) throw Error("Índice " + path_ + ": alteração já iniciada");
  AcquireLock(true);
  try {
    Refresh();
  } catch (...) {
    ReleaseLock();
    throw;
  }
  in_txn_ = true;
  dirty_.clear();
  allocated_.clear();
  txn_free_head_ = free_head_;
  txn_file_size_ = file_size_;
}

void CdxFileImpl::Rollback() {
  if (!in_txn_) return;
  dirty_.clear();
  allocated_.clear();
  in_txn_ = false;
  ReleaseLock();
}

void CdxFileImpl::WriteAll(const uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("Índice " + path_ + ": erro de gravação (" + SysError() + ")");
    data += n;
    size -= size_t(n);
    at += n;
  }
}

void CdxFileImpl::Commit() {
  if (!in_txn_) throw Error("Índice " + path_ + ": nenhuma alteração iniciada");
  if (dirty_.empty()) {
    Rollback();
    return;
  }
  uint8_t* header = MutablePage(0);
  uint32_t new_version = version_ + 1;
  cdx::PutLe32(header + kFreeAt, txn_free_head_);
  cdx::PutBe32(header + kVersionAt, new_version);
  // What the pages held, to put back if a write fails half way.
  std::map<uint32_t, PageBytes> before;
  for (const auto& [page, bytes] : dirty_) {
    if (uint64_t(page) + kPageSize > file_size_) continue;
    PageBytes old;
    if (::pread(fd_, old.data(), kPageSize, off_t(page)) != ssize_t(kPageSize)) {
      Rollback();
      throw Error("Índice " + path_ + ": erro de leitura (" + SysError() + ")");
    }
    before.emplace(page, old);
  }
  try {
    // New and changed pages first, the header (root of the tag list, free
    // list, version) last: a reader sees the change only once it is whole.
    for (const auto& [page, bytes] : dirty_)
      if (page != 0) WriteAll(bytes.data(), kPageSize, off_t(page));
    WriteAll(dirty_[0].data(), kPageSize, 0);
  } catch (...) {
    // Best effort: the write error being thrown is what the caller sees.
    for (const auto& [page, bytes] : before)
      if (::pwrite(fd_, bytes.data(), kPageSize, off_t(page)) != ssize_t(kPageSize)) break;
    if (::ftruncate(fd_, off_t(file_size_)) != 0) cache_.clear();
    cache_.clear();
    decoded_.clear();
    Rollback();
    throw;
  }
  for (auto& [page, bytes] : dirty_) {
    cache_[page] = bytes;
    decoded_.erase(page);
  }
  version_ = new_version;
  free_head_ = txn_free_head_;
  file_size_ = txn_file_size_;
  dirty_.clear();
  allocated_.clear();
  in_txn_ = false;
  ReleaseLock();
}

void CdxFileImpl::RequireWritable(int meta) {
  if (!in_txn_) throw Error("Índice " + path_ + ": alteração fora de Begin/Commit");
  const TagInfo& info = tags_[size_t(meta - 1)];
  if (!info.machine_collation)
    throw Error("Índice " + path_ + ", tag " + info.name +
                ": ordenação diferente de MACHINE; o índice não pode ser atualizado");
}

std::string CdxFileImpl::PadKey(int meta, std::string_view key) const {
  const TagMeta& m = meta_[size_t(meta)];
  if (key.size() > size_t(m.key_length))
    throw Error("Índice " + path_ + ", " + TagLabel(meta) + ": chave maior que " + std::to_string(m.key_length) +
                " bytes");
  std::string k(key);
  k.resize(size_t(m.key_length), char(m.fill));
  return k;
}

std::vector<PathItem> CdxFileImpl::Descend(int meta, std::string_view key, uint32_t recno) {
  std::vector<PathItem> path;
  uint32_t page = RootOf(meta);
  for (;;) {
    if (path.size() >= size_t(kMaxDepth)) Damaged(meta, page, "árvore profunda demais (ciclo?)");
    Node node = LoadNode(meta, page);
    auto it = std::partition_point(node.entries.begin(), node.entries.end(),
                                   [&](const Entry& e) { return CompareEntry(e, key, recno) < 0; });
    size_t index = size_t(it - node.entries.begin());
    if (node.leaf) {
      path.push_back(PathItem{page, std::move(node), index});
      return path;
    }
    if (node.entries.empty()) Damaged(meta, page, "página interna vazia");
    if (index == node.entries.size()) --index;
    uint32_t child = node.entries[index].child;
    path.push_back(PathItem{page, std::move(node), index});
    page = child;
  }
}

void CdxFileImpl::Insert(int tag, std::string_view key, uint32_t recno) {
  int meta = MetaOf(tag);
  RequireWritable(meta);
  Decide(meta, key);
  std::string k = PadKey(meta, key);
  std::vector<PathItem> path = Descend(meta, k, recno);
  PathItem& leaf = path.back();
  if (leaf.index < leaf.node.entries.size() && CompareEntry(leaf.node.entries[leaf.index], k, recno) == 0)
    throw Error("Índice " + path_ + ", tag " + tags_[size_t(tag)].name + ": chave já presente para o registro " +
                std::to_string(recno));
  leaf.node.entries.insert(leaf.node.entries.begin() + long(leaf.index), Entry{k, recno, 0});
  FixUp(meta, path);
}

void CdxFileImpl::Remove(int tag, std::string_view key, uint32_t recno) {
  int meta = MetaOf(tag);
  RequireWritable(meta);
  std::string k = PadKey(meta, key);
  std::vector<PathItem> path = Descend(meta, k, recno);
  PathItem& leaf = path.back();
  if (leaf.index >= leaf.node.entries.size() || CompareEntry(leaf.node.entries[leaf.index], k, recno) != 0)
    throw Error("Índice " + path_ + ", tag " + tags_[size_t(tag)].name + ": chave do registro " +
                std::to_string(recno) + " não encontrada");
  leaf.node.entries.erase(leaf.node.entries.begin() + long(leaf.index));
  FixUp(meta, path);
}

// Splits an overfull node into as few pieces as fit, the keys spread evenly.
std::vector<Node> CdxFileImpl::Split(int meta, const Node& node) {
  const TagMeta& m = meta_[size_t(meta)];
  const size_t n = node.entries.size();
  for (size_t pieces = 2; pieces <= n; ++pieces) {
    std::vector<size_t> bounds{0};
    if (node.leaf) {
      int total = cdx::LeafBytes(node.entries, 0, n, m.key_length, m.fill);
      // Cut where the running size passes each share of the total.
      for (size_t i = 0; i < n && bounds.size() < pieces; ++i) {
        int running = cdx::LeafBytes(node.entries, bounds.back(), i + 1, m.key_length, m.fill);
        if (running * int(pieces) >= total && i + 1 < n) bounds.push_back(i + 1);
      }
    } else {
      for (size_t p = 1; p < pieces; ++p) bounds.push_back(n * p / pieces);
    }
    bounds.push_back(n);
    std::vector<Node> out;
    bool ok = true;
    for (size_t b = 0; b + 1 < bounds.size() && ok; ++b) {
      Node piece;
      piece.leaf = node.leaf;
      piece.entries.assign(node.entries.begin() + long(bounds[b]), node.entries.begin() + long(bounds[b + 1]));
      ok = !piece.entries.empty() && cdx::NodeFits(piece, m.key_length, m.fill);
      out.push_back(std::move(piece));
    }
    if (ok) return out;
  }
  throw Error("Índice " + path_ + ": não foi possível dividir a página");  // unreachable with valid keys
}

// Writes the changed node at the bottom of `path` and carries the effect up:
// splits, emptied pages freed, small neighbours merged, interior keys kept
// equal to their subtree's last key, a new root or a shorter tree.
void CdxFileImpl::FixUp(int meta, std::vector<PathItem>& path) {
  const TagMeta& m = meta_[size_t(meta)];
  size_t level = path.size() - 1;
  for (;;) {
    PathItem& item = path[level];
    Node& node = item.node;
    const bool is_root = level == 0;
    std::vector<Entry> refs;  // replace entries [from, from + count) of the parent
    size_t from = is_root ? 0 : path[level - 1].index;
    size_t count = 1;

    if (node.entries.empty()) {
      if (is_root) {
        node = Node{};
        node.root = true;
        Store(meta, item.page, node);
        return;
      }
      if (node.left != kNoPage && node.left != 0) PatchLink(node.left, 8, node.right, meta);
      if (node.right != kNoPage && node.right != 0) PatchLink(node.right, 4, node.left, meta);
      Free(item.page);
    } else if (!cdx::NodeFits(node, m.key_length, m.fill)) {
      std::vector<Node> pieces = Split(meta, node);
      std::vector<uint32_t> pages{item.page};
      for (size_t i = 1; i < pieces.size(); ++i) pages.push_back(Allocate());
      for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].left = i == 0 ? node.left : pages[i - 1];
        pieces[i].right = i + 1 == pieces.size() ? node.right : pages[i + 1];
        Store(meta, pages[i], pieces[i]);
        const Entry& last = pieces[i].entries.back();
        refs.push_back(Entry{last.key, last.recno, pages[i]});
      }
      if (node.right != kNoPage && node.right != 0) PatchLink(node.right, 4, pages.back(), meta);
      if (is_root) {
        Node root;
        root.leaf = false;
        root.root = true;
        root.entries = refs;
        uint32_t root_page = Allocate();
        Store(meta, root_page, root);
        SetRoot(meta, root_page);
        return;
      }
    } else {
      bool merged = false;
      if (!is_root) {
        bool small = node.leaf ? cdx::LeafBytes(node.entries, 0, node.entries.size(), m.key_length, m.fill) <
                                     cdx::kLeafSpace / 3
                               : int(node.entries.size()) < cdx::InteriorCapacity(m.key_length) / 3;
        Node& parent = path[level - 1].node;
        if (small) {
          // Join with the right neighbour under the same parent, else the left.
          for (int side : {1, -1}) {
            size_t other_index = from + size_t(side);
            if ((side < 0 && from == 0) || other_index >= parent.entries.size()) continue;
            uint32_t other_page = parent.entries[other_index].child;
            Node other = LoadNode(meta, other_page);
            if (other.leaf != node.leaf) continue;
            Node joined;
            joined.leaf = node.leaf;
            const Node& lo = side > 0 ? node : other;
            const Node& hi = side > 0 ? other : node;
            uint32_t lo_page = side > 0 ? item.page : other_page;
            uint32_t hi_page = side > 0 ? other_page : item.page;
            joined.entries = lo.entries;
            joined.entries.insert(joined.entries.end(), hi.entries.begin(), hi.entries.end());
            if (!cdx::NodeFits(joined, m.key_length, m.fill)) continue;
            joined.left = lo.left;
            joined.right = hi.right;
            if (hi.right != kNoPage && hi.right != 0) PatchLink(hi.right, 4, lo_page, meta);
            Free(hi_page);
            Store(meta, lo_page, joined);
            const Entry& last = joined.entries.back();
            refs.push_back(Entry{last.key, last.recno, lo_page});
            from = side > 0 ? from : from - 1;
            count = 2;
            merged = true;
            break;
          }
        }
      }
      if (!merged) {
        node.root = is_root;
        if (is_root) {
          // A root with one child hands the root over to it.
          uint32_t root_page = item.page;
          Node root = node;
          int hops = 0;
          while (!root.leaf && root.entries.size() == 1 && hops++ < kMaxDepth) {
            uint32_t child_page = root.entries[0].child;
            Node child = LoadNode(meta, child_page);
            Free(root_page);
            root = std::move(child);
            root.root = true;
            root.left = root.right = kNoPage;
            root_page = child_page;
          }
          Store(meta, root_page, root);
          if (root_page != item.page) SetRoot(meta, root_page);
          return;
        }
        Store(meta, item.page, node);
        const Entry& last = node.entries.back();
        refs.push_back(Entry{last.key, last.recno, item.page});
      }
    }

    Node& parent = path[level - 1].node;
    if (count == 1 && refs.size() == 1) {
      const Entry& old = parent.entries[from];
      if (old.key == refs[0].key && old.recno == refs[0].recno && old.child == refs[0].child) return;
    }
    parent.entries.erase(parent.entries.begin() + long(from), parent.entries.begin() + long(from + count));
    parent.entries.insert(parent.entries.begin() + long(from), refs.begin(), refs.end());
    --level;
  }
}

void CdxFileImpl::CollectPages(int meta, uint32_t page, int depth, std::vector<uint32_t>* pages,
                               std::set<uint32_t>* seen) {
  if (depth >= kMaxDepth || !seen->insert(page).second) Damaged(meta, page, "página usada duas vezes");
  Node node = LoadNode(meta, page);
  pages->push_back(page);
  if (!node.leaf)
    for (const Entry& e : node.entries) CollectPages(meta, e.child, depth + 1, pages, seen);
}

void CdxFileImpl::Rebuild(int tag, std::vector<std::pair<std::string, uint32_t>> entries) {
  int meta = MetaOf(tag);
  bool own = !in_txn_;
  if (own) Begin();
  try {
    RequireWritable(meta);
    if (!entries.empty()) Decide(meta, entries.front().first);
    const TagMeta& m = meta_[size_t(meta)];
    std::vector<Entry> sorted;
    sorted.reserve(entries.size());
    for (auto& [key, recno] : entries) sorted.push_back(Entry{PadKey(meta, key), recno, 0});
    entries.clear();
    std::sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
      int c = CompareBytes(a.key, b.key);
      return c != 0 ? c < 0 : a.recno < b.recno;
    });
    for (size_t i = 1; i < sorted.size(); ++i)
      if (sorted[i].key == sorted[i - 1].key && sorted[i].recno == sorted[i - 1].recno)
        throw Error("Índice " + path_ + ", tag " + tags_[size_t(tag)].name + ": chave repetida para o registro " +
                    std::to_string(sorted[i].recno));

    // The old pages go to the free list, unless the old tree is too damaged
    // to tell which they are (what a reindex is for): then they stay unused.
    std::vector<uint32_t> old_pages;
    try {
      std::set<uint32_t> seen;
      CollectPages(meta, RootOf(meta), 0, &old_pages, &seen);
    } catch (const Error&) {
      old_pages.clear();
    }
    for (uint32_t page : old_pages) Free(page);

    // Leaves packed full, then each interior level over the one below.
    std::vector<Node> level;
    if (sorted.empty()) {
      level.emplace_back();
    } else {
      uint32_t max_recno = 0;
      for (const Entry& e : sorted) max_recno = std::max(max_recno, e.recno);
      size_t start = 0;
      while (start < sorted.size()) {
        // Grow the leaf while it fits; sizes only grow with more entries.
        size_t lo = start + 1, hi = std::min(sorted.size(), start + size_t(cdx::kLeafSpace / 3));
        while (lo < hi) {
          size_t mid = (lo + hi + 1) / 2;
          if (cdx::LeafBytes(sorted, start, mid, m.key_length, m.fill) <= cdx::kLeafSpace) lo = mid;
          else hi = mid - 1;
        }
        Node leaf;
        leaf.entries.assign(sorted.begin() + long(start), sorted.begin() + long(lo));
        level.push_back(std::move(leaf));
        start = lo;
      }
    }
    for (;;) {
      std::vector<uint32_t> pages;
      for (size_t i = 0; i < level.size(); ++i) pages.push_back(Allocate());
      for (size_t i = 0; i < level.size(); ++i) {
        level[i].left = i == 0 ? kNoPage : pages[i - 1];
        level[i].right = i + 1 == level.size() ? kNoPage : pages[i + 1];
        level[i].root = level.size() == 1;
        Store(meta, pages[i], level[i]);
      }
      if (level.size() == 1) {
        SetRoot(meta, pages[0]);
        break;
      }
      std::vector<Node> up;
      size_t cap = size_t(cdx::InteriorCapacity(m.key_length));
      size_t groups = (level.size() + cap - 1) / cap;
      for (size_t g = 0; g < groups; ++g) {
        Node node;
        node.leaf = false;
        for (size_t i = level.size() * g / groups; i < level.size() * (g + 1) / groups; ++i) {
          const Entry& last = level[i].entries.back();
          node.entries.push_back(Entry{last.key, last.recno, pages[i]});
        }
        up.push_back(std::move(node));
      }
      level = std::move(up);
    }
  } catch (...) {
    if (own) Rollback();
    throw;
  }
  if (own) Commit();
}

// ---------------------------------------------------------------------------
// Checking

std::string CdxFileImpl::CheckNode(int meta, uint32_t page, int depth, int* leaf_depth, std::set<uint32_t>* seen,
                                   std::vector<uint32_t>* leaves, Entry* previous, bool* have_previous,
                                   Entry* max_out) {
  char where[64];
  std::snprintf(where, sizeof where, "página 0x%X: ", page);
  if (depth >= kMaxDepth) return std::string(where) + "árvore profunda demais";
  if (!seen->insert(page).second) return std::string(where) + "página usada duas vezes";
  Node node = LoadNode(meta, page);
  if (node.root != (depth == 0)) return std::string(where) + "marca de raiz incorreta";
  if (node.entries.empty() && (depth > 0 || !node.leaf)) return std::string(where) + "página vazia";
  if (node.leaf) {
    if (*leaf_depth < 0) *leaf_depth = depth;
    if (*leaf_depth != depth) return std::string(where) + "folhas em profundidades diferentes";
    leaves->push_back(page);
    for (const Entry& e : node.entries) {
      if (*have_previous) {
        if (CompareEntry(e, previous->key, previous->recno) <= 0) return std::string(where) + "chaves fora de ordem";
        if (tags_[size_t(meta - 1)].unique && e.key == previous->key)
          return std::string(where) + "chave repetida em tag única";
      }
      *previous = e;
      *have_previous = true;
    }
    if (!node.entries.empty()) *max_out = node.entries.back();
    return {};
  }
  for (const Entry& e : node.entries) {
    Entry sub_max;
    std::string fault = CheckNode(meta, e.child, depth + 1, leaf_depth, seen, leaves, previous, have_previous, &sub_max);
    if (!fault.empty()) return fault;
    if (sub_max.key != e.key || sub_max.recno != e.recno)
      return std::string(where) + "chave interna difere da última chave da subárvore";
  }
  *max_out = node.entries.back();
  return {};
}

std::string CdxFileImpl::CheckTag(int tag) {
  int meta = MetaOf(tag);
  ReadGuard guard(this);
  try {
    int leaf_depth = -1;
    std::set<uint32_t> seen;
    std::vector<uint32_t> leaves;
    Entry previous, max;
    bool have_previous = false;
    std::string fault = CheckNode(meta, RootOf(meta), 0, &leaf_depth, &seen, &leaves, &previous, &have_previous, &max);
    if (!fault.empty()) return TagLabel(meta) + ", " + fault;
    for (size_t i = 0; i < leaves.size(); ++i) {
      Node leaf = LoadNode(meta, leaves[i]);
      uint32_t want_left = i == 0 ? kNoPage : leaves[i - 1];
      uint32_t want_right = i + 1 == leaves.size() ? kNoPage : leaves[i + 1];
      auto same = [](uint32_t a, uint32_t b) { return a == b || (b == kNoPage && a == 0); };
      if (!same(leaf.left, want_left) || !same(leaf.right, want_right)) {
        char where[64];
        std::snprintf(where, sizeof where, "página 0x%X: ", leaves[i]);
        return TagLabel(meta) + ", " + where + "encadeamento de folhas incorreto";
      }
    }
    return {};
  } catch (const Error& e) {
    return e.what();
  }
}

}  // namespace

// ---------------------------------------------------------------------------

std::unique_ptr<CdxFile> CdxFile::Open(const std::string& path, bool writable) {
  int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) throw Error("Não foi possível abrir o índice " + path + ": " + SysError());
  auto file = std::make_unique<CdxFileImpl>(path, fd, writable);
  file->Load();
  return file;
}

std::unique_ptr<CdxFile> CdxFile::Create(const std::string& path, const std::vector<TagInfo>& tags) {
  std::vector<TagInfo> sorted = tags;
  for (TagInfo& t : sorted) {
    for (char& c : t.name) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (t.name.empty() || t.name.size() > 10)
      throw Error("Índice " + path + ": nome de tag inválido (" + t.name + ")");
    if (t.key_length < 1 || t.key_length > cdx::kMaxKeyLength)
      throw Error("Índice " + path + ", tag " + t.name + ": tamanho de chave inválido");
    if (t.key_expression.empty() || t.key_expression.size() + t.for_expression.size() + 2 > kHeaderSize - kPoolStart)
      throw Error("Índice " + path + ", tag " + t.name + ": expressão vazia ou longa demais");
    if (!t.machine_collation)
      throw Error("Índice " + path + ", tag " + t.name + ": só a ordenação MACHINE pode ser gravada");
  }
  std::sort(sorted.begin(), sorted.end(), [](const TagInfo& a, const TagInfo& b) { return a.name < b.name; });
  for (size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i].name == sorted[i - 1].name) throw Error("Índice " + path + ": tag repetida " + sorted[i].name);

  // Layout: file header, the tag list's leaf, then each tag's header and
  // empty root leaf.
  const uint32_t list_leaf = kHeaderSize;
  uint32_t size = list_leaf + kPageSize + uint32_t(sorted.size()) * (kHeaderSize + kPageSize);
  std::vector<uint8_t> data(size, 0);
  auto header = [&](uint8_t* h, uint32_t root, int key_length, uint8_t options) {
    cdx::PutLe32(h + kRootAt, root);
    cdx::PutLe16(h + kKeyLengthAt, uint16_t(key_length));
    h[kOptionsAt] = options;
    h[kSignatureAt] = 1;
    cdx::PutLe16(h + 16, uint16_t(kHeaderSize));  // as the reference files carry
    cdx::PutLe16(h + 18, uint16_t(kPageSize));
  };
  header(data.data(), list_leaf, 10, kOptTagList | kOptCompound | kOptCompact);
  cdx::PutLe16(data.data() + kTotalPoolAt, 1);
  cdx::PutLe16(data.data() + kForPoolAt, 1);
  cdx::PutLe16(data.data() + kKeyPoolAt, 1);
  Node list;
  list.root = true;
  uint32_t at = list_leaf + kPageSize;
  for (const TagInfo& t : sorted) {
    uint8_t* h = data.data() + at;
    uint8_t options = kOptCompound | kOptCompact | (t.unique ? kOptUnique : 0) | (t.candidate ? kOptCandidate : 0) |
                      (t.for_expression.empty() ? 0 : kOptFor);
    header(h, at + kHeaderSize, t.key_length, options);
    cdx::PutLe16(h + kOrderAt, t.descending ? 1 : 0);
    uint16_t key_pool = uint16_t(t.key_expression.size() + 1);
    uint16_t for_pool = uint16_t(t.for_expression.size() + 1);
    cdx::PutLe16(h + kTotalPoolAt, key_pool);
    cdx::PutLe16(h + kForPoolAt, for_pool);
    cdx::PutLe16(h + kKeyPoolAt, key_pool);
    std::memcpy(h + kPoolStart, t.key_expression.data(), t.key_expression.size());
    std::memcpy(h + kPoolStart + key_pool, t.for_expression.data(), t.for_expression.size());
    Node empty;
    empty.root = true;
    cdx::EncodeNode(empty, t.key_length, ' ', cdx::MutablePage(h + kHeaderSize, kPageSize));
    std::string name = t.name;
    name.resize(10, ' ');
    list.entries.push_back(Entry{name, at, 0});
    at += kHeaderSize + kPageSize;
  }
  if (!cdx::NodeFits(list, 10, ' ')) throw Error("Índice " + path + ": tags demais");
  cdx::EncodeNode(list, 10, ' ', cdx::MutablePage(data.data() + list_leaf, kPageSize));

  // Written beside the target and renamed over it: a failure leaves any
  // previous file whole.
  std::string temp = path + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw Error("Não foi possível criar o índice " + path + ": " + SysError());
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string why = SysError();
      ::close(fd);
      ::unlink(temp.c_str());
      throw Error("Não foi possível gravar o índice " + path + ": " + why);
    }
    done += size_t(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    std::string why = SysError();
    ::unlink(temp.c_str());
    throw Error("Não foi possível gravar o índice " + path + ": " + why);
  }
  return Open(path, true);
}

std::string EncodeNumericKey(double value) {
  if (value == 0) value = 0;  // -0 sorts with +0
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits >> 63) != 0 ? ~bits : bits ^ (uint64_t(1) << 63);
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[size_t(i)] = char(bits >> (56 - 8 * i));
  return key;
}

std::string EncodeDateKey(int32_t julian_day) { return EncodeNumericKey(double(julian_day)); }

double DecodeNumericKey(std::string_view key) {
  if (key.size() != 8) throw Error("Chave numérica com " + std::to_string(key.size()) + " bytes (esperados 8)");
  uint64_t bits = 0;
  for (char c : key) bits = bits << 8 | static_cast<unsigned char>(c);
  bits = (bits >> 63) != 0 ? bits ^ (uint64_t(1) << 63) : ~bits;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace xbase
