// A FoxPro compound index file (.CDX): its tags, ordered walks and seeks, and
// the maintenance of keys on every write.
//
// This layer knows pages and keys only. The table layer evaluates each tag's
// key and FOR expressions for a record and hands this layer the encoded key
// bytes (character keys padded with blanks to the key length; numeric and
// date keys through EncodeNumericKey / EncodeDateKey), and decides which
// records belong to a tag (FOR condition, unique tags).
//
// Shared access: the index lock is 1 byte at 0x7FFFFFFE, taken shared while a
// walk reads pages and exclusive around each change. The version counter at
// offset 8 of the file header (big-endian) advances with every committed
// change; a reader drops its cached pages when it (or the free list) differs
// from what it saw.
#ifndef QX_XBASE_CDX_INDEX_H_
#define QX_XBASE_CDX_INDEX_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

struct TagInfo {
  std::string name;            // as stored, upper case
  std::string key_expression;  // as stored
  std::string for_expression;  // empty when the tag has no FOR condition
  int key_length = 0;
  bool unique = false;
  bool descending = false;
  bool candidate = false;
  bool machine_collation = true;  // false: readable, but never written
};

class CdxFile {
 public:
  // Opens an existing index file. Throws xbase::Error naming the file when it
  // is missing, unreadable or not a CDX file.
  static std::unique_ptr<CdxFile> Open(const std::string& path, bool writable);

  // Creates a new index file with the given (empty) tags, replacing any file
  // of that name. The table layer then fills it (reindex).
  static std::unique_ptr<CdxFile> Create(const std::string& path, const std::vector<TagInfo>& tags);

  virtual ~CdxFile() = default;

  virtual const std::string& path() const = 0;
  virtual const std::vector<TagInfo>& tags() const = 0;
  // Index into tags(), -1 when absent. Without regard to case.
  virtual int FindTag(std::string_view name) const = 0;

  // A walk over one tag in its key order (descending tags walk from the
  // highest key). Valid until the next call that changes this file.
  class Cursor {
   public:
    virtual ~Cursor() = default;
    virtual bool Valid() const = 0;
    virtual std::string_view key() const = 0;
    virtual uint32_t recno() const = 0;
    virtual void Next() = 0;
  };
  virtual std::unique_ptr<Cursor> First(int tag) = 0;
  // First entry, in walk order, whose key is not before `key` (a shorter key
  // is compared as a prefix, padded with blanks for character tags).
  virtual std::unique_ptr<Cursor> Seek(int tag, std::string_view key) = 0;

  // All changes made between Begin and Commit are written under the
  // exclusive index lock and advance the version counter once. If anything
  // throws before Commit the file is left as it was before Begin.
  // REQUIRES: opened writable; every changed tag has machine collation (a
  // change to any other throws and changes nothing).
  virtual void Begin() = 0;
  virtual void Insert(int tag, std::string_view key, uint32_t recno) = 0;
  virtual void Remove(int tag, std::string_view key, uint32_t recno) = 0;  // throws if absent
  virtual void Commit() = 0;
  virtual void Rollback() = 0;

  // Replaces all keys of a tag (reindex); entries need not be sorted.
  virtual void Rebuild(int tag, std::vector<std::pair<std::string, uint32_t>> entries) = 0;

  // tags() lists the tags in name order, as the file's tag list holds them.
  // A cursor that meets another handle's committed change goes on after the
  // last entry it returned. A handle must not be shared across fork().
  //
  // The key type decides which byte fills the trailing part a leaf leaves
  // out: blanks for character keys ('C'), zeros for numeric and date keys
  // ('N', 'D'). The file does not record it: Open infers it from the stored
  // keys; the table layer, which knows the key expression's type, confirms it
  // with SetKeyType before it seeks or writes.
  virtual char KeyType(int tag) const = 0;
  virtual void SetKeyType(int tag, char type) = 0;

  // Structural check of one tag: pages readable, keys in order in and across
  // pages, interior keys equal to their subtree's last key, leaves all at one
  // depth and linked left and right in key order, no page used twice, no
  // duplicate key in a unique tag. Empty when sound, else the first fault.
  virtual std::string CheckTag(int tag) = 0;
  // Number of keys in a tag (a full walk).
  virtual uint64_t KeyCount(int tag) = 0;
};

// Key encodings that sort as raw bytes in the value's order.
std::string EncodeNumericKey(double value);   // 8 bytes
std::string EncodeDateKey(int32_t julian_day);  // 8 bytes; the empty date too
double DecodeNumericKey(std::string_view key);

}  // namespace xbase

#endif  // QX_XBASE_CDX_INDEX_H_
