// Encoding and decoding of single CDX pages (512 bytes), independent of any
// file: the compact leaf form and the interior form.
//
// Leaf: 24-byte header, then one packed little-endian integer per entry
// (record number, duplicate count, trailing count, in that bit order), the
// key bytes stored from the end of the page backwards. A key keeps only the
// bytes after those it shares with the previous key (duplicate count) and
// before its trailing fill bytes (trailing count): blanks for character
// keys, zeros for numeric and date keys.
// Interior: 12-byte header, then per entry the full key, the record number
// and the child page offset, both big-endian.
#ifndef QX_XBASE_CDX_PAGE_H_
#define QX_XBASE_CDX_PAGE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xbase::cdx {

inline constexpr uint32_t kPageSize = 512;
inline constexpr uint32_t kHeaderSize = 1024;     // a tag header spans two pages
inline constexpr int kMaxKeyLength = 240;
inline constexpr int kLeafSpace = kPageSize - 24;   // entries and keys of a leaf
inline constexpr int kInteriorSpace = kPageSize - 12;
inline constexpr uint32_t kNoPage = 0xFFFFFFFFu;  // sibling pointer "none"

enum NodeAttr : uint16_t { kAttrRoot = 1, kAttrLeaf = 2 };

struct Entry {
  std::string key;      // always key_length bytes
  uint32_t recno = 0;
  uint32_t child = 0;   // interior entries only: page offset of the subtree
};

struct Node {
  bool leaf = true;
  bool root = false;
  uint32_t left = kNoPage;
  uint32_t right = kNoPage;
  std::vector<Entry> entries;  // ascending by (key, recno); an interior
                               // entry holds its subtree's last key
};

using Page = std::span<const uint8_t, kPageSize>;
using MutablePage = std::span<uint8_t, kPageSize>;

// Decodes a page of a tag with the given key length (1..kMaxKeyLength) and
// fill byte. Returns false with a description of the first fault when the
// page cannot be a valid node; never reads outside `page`.
bool DecodeNode(Page page, int key_length, uint8_t fill, Node* node, std::string* fault);

// Bytes of kLeafSpace a leaf holding `entries` needs (entries and keys).
int LeafBytes(const std::vector<Entry>& entries, size_t begin, size_t end, int key_length,
              uint8_t fill);
inline int InteriorCapacity(int key_length) { return kInteriorSpace / (key_length + 8); }
bool NodeFits(const Node& node, int key_length, uint8_t fill);

// REQUIRES: NodeFits(node). Writes the whole page.
void EncodeNode(const Node& node, int key_length, uint8_t fill, MutablePage page);

// Little- and big-endian helpers on raw bytes.
uint32_t Le32(const uint8_t* p);
uint16_t Le16(const uint8_t* p);
uint32_t Be32(const uint8_t* p);
void PutLe32(uint8_t* p, uint32_t v);
void PutLe16(uint8_t* p, uint16_t v);
void PutBe32(uint8_t* p, uint32_t v);

}  // namespace xbase::cdx

#endif  // QX_XBASE_CDX_PAGE_H_
