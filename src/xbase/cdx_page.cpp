#include "xbase/cdx_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace xbase::cdx {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Be32(const uint8_t* p) {
  return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[3 - i] = uint8_t(v >> (8 * i));
}

namespace {

struct LeafBits {
  int count_bits;   // duplicate and trailing counts each
  int recno_bits;
  int bytes;        // per entry
};

// Counts need to hold the key length itself (an all-blank key trails it all).
// Three bytes per entry at least, as the reference files use; more when the
// page holds record numbers that do not fit.
LeafBits BitsFor(int key_length, uint32_t max_recno) {
  LeafBits b;
  b.count_bits = std::bit_width(unsigned(key_length));
  int need = std::bit_width(max_recno) + 2 * b.count_bits;
  b.bytes = std::max(3, (need + 7) / 8);
  b.recno_bits = 8 * b.bytes - 2 * b.count_bits;
  if (b.recno_bits > 32) b.recno_bits = 32;
  return b;
}

int Trailing(const std::string& key, uint8_t fill) {
  int n = int(key.size());
  int t = 0;
  while (t < n && uint8_t(key[n - 1 - t]) == fill) ++t;
  return t;
}

int Duplicate(const std::string& prev, const std::string& key, int limit) {
  int d = 0;
  while (d < limit && prev[d] == key[d]) ++d;
  return d;
}

uint32_t MaxRecno(const std::vector<Entry>& entries, size_t begin, size_t end) {
  uint32_t m = 0;
  for (size_t i = begin; i < end; ++i) m = std::max(m, entries[i].recno);
  return m;
}

}  // namespace

int LeafBytes(const std::vector<Entry>& entries, size_t begin, size_t end, int key_length,
              uint8_t fill) {
  LeafBits bits = BitsFor(key_length, MaxRecno(entries, begin, end));
  int total = 0;
  for (size_t i = begin; i < end; ++i) {
    int trail = Trailing(entries[i].key, fill);
    int dup = i == begin ? 0 : Duplicate(entries[i - 1].key, entries[i].key, key_length - trail);
    total += bits.bytes + key_length - dup - trail;
  }
  return total;
}

bool NodeFits(const Node& node, int key_length, uint8_t fill) {
  if (!node.leaf) return int(node.entries.size()) <= InteriorCapacity(key_length);
  return LeafBytes(node.entries, 0, node.entries.size(), key_length, fill) <= kLeafSpace;
}

void EncodeNode(const Node& node, int key_length, uint8_t fill, MutablePage page) {
  std::fill(page.begin(), page.end(), uint8_t(0));
  uint8_t* p = page.data();
  PutLe16(p, uint16_t((node.leaf ? kAttrLeaf : 0) | (node.root ? kAttrRoot : 0)));
  PutLe16(p + 2, uint16_t(node.entries.size()));
  PutLe32(p + 4, node.left);
  PutLe32(p + 8, node.right);
  if (!node.leaf) {
    uint8_t* e = p + 12;
    for (const Entry& entry : node.entries) {
      std::memcpy(e, entry.key.data(), size_t(key_length));
      PutBe32(e + key_length, entry.recno);
      PutBe32(e + key_length + 4, entry.child);
      e += key_length + 8;
    }
    return;
  }
  LeafBits bits = BitsFor(key_length, MaxRecno(node.entries, 0, node.entries.size()));
  uint64_t count_mask = (uint64_t(1) << bits.count_bits) - 1;
  PutLe32(p + 14, uint32_t((uint64_t(1) << bits.recno_bits) - 1));
  p[18] = uint8_t(count_mask);
  p[19] = uint8_t(count_mask);
  p[20] = uint8_t(bits.recno_bits);
  p[21] = uint8_t(bits.count_bits);
  p[22] = uint8_t(bits.count_bits);
  p[23] = uint8_t(bits.bytes);
  uint8_t* info = p + 24;
  int key_end = int(kPageSize);
  for (size_t i = 0; i < node.entries.size(); ++i) {
    const Entry& entry = node.entries[i];
    int trail = Trailing(entry.key, fill);
    int dup = i == 0 ? 0 : Duplicate(node.entries[i - 1].key, entry.key, key_length - trail);
    uint64_t v = uint64_t(entry.recno) | uint64_t(dup) << bits.recno_bits |
                 uint64_t(trail) << (bits.recno_bits + bits.count_bits);
    for (int b = 0; b < bits.bytes; ++b) info[b] = uint8_t(v >> (8 * b));
    info += bits.bytes;
    int stored = key_length - dup - trail;
    key_end -= stored;
    std::memcpy(p + key_end, entry.key.data() + dup, size_t(stored));
  }
  PutLe16(p + 12, uint16_t(key_end - (info - p)));
}

bool DecodeNode(Page page, int key_length, uint8_t fill, Node* node, std::string* fault) {
  const uint8_t* p = page.data();
  auto fail = [&](const std::string& why) {
    *fault = why;
    return false;
  };
  if (key_length < 1 || key_length > kMaxKeyLength) return fail("comprimento de chave inválido");
  uint16_t attr = Le16(p);
  if (attr > 3) return fail("atributo de página inválido (" + std::to_string(attr) + ")");
  int count = Le16(p + 2);
  node->leaf = (attr & kAttrLeaf) != 0;
  node->root = (attr & kAttrRoot) != 0;
  node->left = Le32(p + 4);
  node->right = Le32(p + 8);
  node->entries.clear();
  if (!node->leaf) {
    if (count > InteriorCapacity(key_length))
      return fail("página interna com " + std::to_string(count) + " chaves");
    node->entries.resize(size_t(count));
    const uint8_t* e = p + 12;
    for (Entry& entry : node->entries) {
      entry.key.assign(reinterpret_cast<const char*>(e), size_t(key_length));
      entry.recno = Be32(e + key_length);
      entry.child = Be32(e + key_length + 4);
      e += key_length + 8;
    }
    return true;
  }
  uint32_t recno_mask = Le32(p + 14);
  int dup_mask = p[18], trail_mask = p[19];
  int recno_bits = p[20], dup_bits = p[21], trail_bits = p[22], bytes = p[23];
  if (count == 0) return true;
  if (bytes < 1 || bytes > 8 || recno_bits > 32 || dup_bits > 8 || trail_bits > 8 ||
      recno_bits + dup_bits + trail_bits > 8 * bytes)
    return fail("folha com campos de bits inválidos");
  if (count * bytes > kLeafSpace) return fail("folha com " + std::to_string(count) + " chaves");
  node->entries.resize(size_t(count));
  const uint8_t* info = p + 24;
  int key_end = int(kPageSize);
  const int info_end = 24 + count * bytes;
  for (int i = 0; i < count; ++i) {
    uint64_t v = 0;
    for (int b = 0; b < bytes; ++b) v |= uint64_t(info[b]) << (8 * b);
    info += bytes;
    Entry& entry = node->entries[size_t(i)];
    entry.recno = uint32_t(v) & recno_mask;
    int dup = int(v >> recno_bits) & dup_mask;
    int trail = int(v >> (recno_bits + dup_bits)) & trail_mask;
    if (dup + trail > key_length || (i == 0 && dup != 0))
      return fail("folha com contagens de chave inválidas");
    int stored = key_length - dup - trail;
    key_end -= stored;
    if (key_end < info_end) return fail("folha com chaves além do espaço da página");
    entry.key.reserve(size_t(key_length));
    if (dup > 0) entry.key.assign(node->entries[size_t(i) - 1].key, 0, size_t(dup));
    entry.key.append(reinterpret_cast<const char*>(p + key_end), size_t(stored));
    entry.key.append(size_t(trail), char(fill));
  }
  return true;
}

}  // namespace xbase::cdx
