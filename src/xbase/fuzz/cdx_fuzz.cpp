// libFuzzer target for the CDX page decoder and, through a whole file, the
// tree walks and changes built on it.
//
// First byte even: one page. The next two bytes choose the key length and the
// fill byte, the rest is the page. A page that decodes must encode back to a
// page that decodes to the same node.
// First byte odd: the rest is a whole index file, opened, walked, checked and
// changed; only xbase::Error may come out.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "xbase/cdx_index.h"
#include "xbase/cdx_page.h"
#include "xbase/error.h"

namespace {

using namespace xbase;

void FuzzPage(const uint8_t* data, size_t size) {
  if (size < 2) return;
  int key_length = 1 + data[0] % cdx::kMaxKeyLength;
  uint8_t fill = (data[1] & 1) != 0 ? ' ' : 0;
  uint8_t page[cdx::kPageSize] = {};
  std::memcpy(page, data + 2, std::min<size_t>(size - 2, sizeof page));
  cdx::Node node;
  std::string fault;
  if (!cdx::DecodeNode(cdx::Page(page, cdx::kPageSize), key_length, fill, &node, &fault)) {
    if (fault.empty()) __builtin_trap();
    return;
  }
  for (const cdx::Entry& e : node.entries)
    if (e.key.size() != size_t(key_length)) __builtin_trap();
  if (!cdx::NodeFits(node, key_length, fill)) return;
  uint8_t again[cdx::kPageSize];
  cdx::EncodeNode(node, key_length, fill, cdx::MutablePage(again, cdx::kPageSize));
  cdx::Node back;
  if (!cdx::DecodeNode(cdx::Page(again, cdx::kPageSize), key_length, fill, &back, &fault)) __builtin_trap();
  if (back.leaf != node.leaf || back.root != node.root || back.left != node.left || back.right != node.right ||
      back.entries.size() != node.entries.size())
    __builtin_trap();
  for (size_t i = 0; i < node.entries.size(); ++i) {
    const cdx::Entry& a = node.entries[i];
    const cdx::Entry& b = back.entries[i];
    if (a.key != b.key || a.recno != b.recno || (!node.leaf && a.child != b.child)) __builtin_trap();
  }
}

void FuzzFile(const uint8_t* data, size_t size) {
  int fd = ::memfd_create("cdx-fuzz", 0);
  if (fd < 0) return;
  if (::write(fd, data, size) != ssize_t(size)) {
    ::close(fd);
    return;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  try {
    auto file = CdxFile::Open(path, true);
    for (size_t t = 0; t < file->tags().size() && t < 8; ++t) {
      int tag = int(t);
      (void)file->CheckTag(tag);
      int steps = 0;
      for (auto c = file->First(tag); c->Valid() && steps < 5000; c->Next(), ++steps) {
      }
      for (auto c = file->Seek(tag, "M"); c->Valid() && steps < 10000; c->Next(), ++steps) {
      }
      file->Begin();
      try {
        for (uint32_t r = 1; r <= 30; ++r)
          file->Insert(tag, std::string(size_t(file->tags()[t].key_length), char('A' + r % 26)), r);
        file->Commit();
      } catch (const Error&) {
        file->Rollback();
      }
    }
  } catch (const Error&) {
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if ((data[0] & 1) == 0)
    FuzzPage(data + 1, size - 1);
  else
    FuzzFile(data + 1, size - 1);
  return 0;
}
