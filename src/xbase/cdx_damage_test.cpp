// Damaged and hostile index files: every fault is reported (an error naming
// the file, or a structural fault from CheckTag), never a crash or a read
// outside the file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fixtures.h"
#include "xbase/cdx_index.h"
#include "xbase/error.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;

// Places in T1.cdx, as the other engine laid it out.
constexpr long kTagList = 0x400;     // leaf of the tag list
constexpr long kTcHeader = 0x600;    // tag TC: header, interior root, first leaf
constexpr long kTcRoot = 0xE00;
constexpr long kTcLeaf = 0xA00;
constexpr long kTdHeader = 0xB200;

struct Damage {
  const char* name;
  long offset;            // where the bytes go; -1: truncate to `size`
  std::string bytes;
  long size = 0;
};
// Failure messages name the damage, not its bytes.
void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

std::string Le16(unsigned v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string Le32(unsigned v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be32(unsigned v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

const Damage kDamages[] = {
    {"empty file", -1, "", 0},
    {"cut inside the header", -1, "", 700},
    {"cut before the first tag", -1, "", 1535},
    {"cut through the tags", -1, "", 0x3000},
    {"not a compound index", 12, Le16(11)},
    {"tag list count too large", kTagList + 2, Le16(0xFFFF)},
    {"tag header pointer unaligned", kTagList + 24, std::string("\xFF\xFF\x80", 3)},
    {"root beyond the end", kTcHeader, Le32(0x7FFFFE00)},
    {"root unaligned", kTcHeader, Le32(0x601)},
    {"root in the file header", kTcHeader, Le32(0)},
    {"root is the tag header", kTcHeader, Le32(kTcHeader)},
    {"key length zero", kTcHeader + 12, Le16(0)},
    {"key length 241", kTcHeader + 12, Le16(241)},
    {"key length 65535", kTcHeader + 12, Le16(0xFFFF)},
    {"expression pool beyond header", kTcHeader + 510, Le16(0xFFFF)},
    {"date tag root garbage", kTdHeader, Le32(0x12345600)},
    {"interior child is the root (cycle)", kTcRoot + 12 + 10 + 4, Be32(kTcRoot)},
    {"interior child beyond the end", kTcRoot + 12 + 10 + 4, Be32(0x10000000)},
    {"interior count too large", kTcRoot + 2, Le16(1000)},
    {"interior root without keys", kTcRoot + 2, Le16(0)},
    {"page attribute garbage", kTcRoot, Le16(0x7777)},
    {"leaf links to itself (cycle)", kTcLeaf + 8, Le32(kTcLeaf)},
    {"leaf links to an interior page", kTcLeaf + 8, Le32(kTcRoot)},
    {"leaf count too large", kTcLeaf + 2, Le16(0xFFFF)},
    {"leaf entry width zero", kTcLeaf + 23, std::string(1, '\0')},
    {"leaf entry width nine", kTcLeaf + 23, std::string(1, '\x09')},
    {"leaf record bits too many", kTcLeaf + 20, std::string(1, '\x3C')},
    {"leaf counts beyond the key", kTcLeaf + 18, std::string("\xFF\xFF", 2)},
    {"leaf keys out of order", kTcLeaf + 507, std::string(5, '\xFF')},
};

class DamagedFileTest : public ::testing::TestWithParam<Damage> {};

// Opens, walks, seeks, checks and changes every tag; returns what reported
// the damage ("" when nothing did).
std::string Exercise(const std::string& path) {
  std::string reported;
  try {
    auto file = CdxFile::Open(path, true);
    for (size_t t = 0; t < file->tags().size(); ++t) {
      int tag = int(t);
      std::string fault = file->CheckTag(tag);
      if (!fault.empty()) reported += "check: " + fault + "\n";
      for (auto c = file->First(tag); c->Valid(); c->Next()) {
      }
      for (auto c = file->Seek(tag, "5"); c->Valid(); c->Next()) {
      }
      file->Begin();
      try {
        file->Insert(tag, std::string(size_t(file->tags()[t].key_length), '5'), 99999);
        file->Commit();
      } catch (...) {
        file->Rollback();
        throw;
      }
    }
  } catch (const Error& e) {
    std::string what = e.what();
    EXPECT_NE(what.find(path), std::string::npos) << "the error must name the file: " << what;
    reported += "error: " + what;
  }
  return reported;
}

TEST_P(DamagedFileTest, IsReportedNeverCrashes) {
  QX_REQUIRE_FIXTURES();
  const Damage& d = GetParam();
  std::string tmpl = (fs::temp_directory_path() / "cdx-damage-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const std::string path = tmpl + "/T1.cdx";
  fs::copy_file(qxtest::FixturesDir() / "tagtest/T1.cdx", path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  if (d.offset < 0) {
    fs::resize_file(path, uintmax_t(d.size));
  } else {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(d.offset);
    f.write(d.bytes.data(), std::streamsize(d.bytes.size()));
  }
  std::string reported = Exercise(path);
  EXPECT_FALSE(reported.empty()) << d.name << ": damage went unnoticed";
  fs::remove_all(tmpl);
}

INSTANTIATE_TEST_SUITE_P(T1, DamagedFileTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                           std::string name;
                           for (char c : std::string(info.param.name)) name += std::isalnum(uint8_t(c)) ? c : '_';
                           return name;
                         });

// What a reindex does with a damaged tag: rebuilt from its entries, the tag
// is sound again and the other tags are untouched.
TEST(DamagedFile, RebuildRepairsADamagedTag) {
  QX_REQUIRE_FIXTURES();
  const std::string original = (qxtest::FixturesDir() / "tagtest/T1.cdx").string();
  std::vector<std::vector<std::pair<std::string, uint32_t>>> entries;
  {
    auto good = CdxFile::Open(original, false);
    for (size_t t = 0; t < good->tags().size(); ++t) {
      entries.emplace_back();
      for (auto c = good->First(int(t)); c->Valid(); c->Next()) entries.back().emplace_back(c->key(), c->recno());
    }
  }
  const Damage page_damages[] = {
      {"leaf links to itself", kTcLeaf + 8, Le32(kTcLeaf)},
      {"interior child beyond the end", kTcRoot + 12 + 10 + 4, Be32(0x10000000)},
      {"leaf keys out of order", kTcLeaf + 507, std::string(5, '\xFF')},
      {"root beyond the end", kTcHeader, Le32(0x7FFFFE00)},
  };
  for (const Damage& d : page_damages) {
    std::string tmpl = (fs::temp_directory_path() / "cdx-repair-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const std::string path = tmpl + "/T1.cdx";
    fs::copy_file(original, path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    {
      std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(d.offset);
      f.write(d.bytes.data(), std::streamsize(d.bytes.size()));
    }
    auto file = CdxFile::Open(path, true);
    int tc = file->FindTag("TC");
    ASSERT_NE(file->CheckTag(tc), "") << d.name;
    file->Rebuild(tc, entries[size_t(tc)]);
    for (size_t t = 0; t < file->tags().size(); ++t) {
      EXPECT_EQ(file->CheckTag(int(t)), "") << d.name << " " << file->tags()[t].name;
      std::vector<std::pair<std::string, uint32_t>> walked;
      for (auto c = file->First(int(t)); c->Valid(); c->Next()) walked.emplace_back(c->key(), c->recno());
      EXPECT_EQ(walked, entries[t]) << d.name << " " << file->tags()[t].name;
    }
    fs::remove_all(tmpl);
  }
}

TEST(DamagedFile, MissingFileIsNamed) {
  try {
    CdxFile::Open("/nonexistent/dir/NADA.CDX", false);
    FAIL() << "opened a missing file";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/dir/NADA.CDX"), std::string::npos);
  }
}

// A free list pointing nowhere stops the change that needs a page, and the
// file stays as it was.
TEST(DamagedFile, BadFreeListStopsTheChangeAndKeepsTheFile) {
  std::string tmpl = (fs::temp_directory_path() / "cdx-free-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const std::string path = tmpl + "/FREE.CDX";
  CdxFile::Create(path, {TagInfo{"K", "K", "", 20}});
  const struct {
    const char* name;
    uint32_t head;
  } heads[] = {{"unaligned", 0x601}, {"beyond the end", 0x100000}, {"inside the header", 0x200}};
  for (const auto& h : heads) {
    {
      std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(4);
      std::string head = Le32(h.head);
      f.write(head.data(), 4);
    }
    std::ifstream in(path, std::ios::binary);
    std::string before((std::istreambuf_iterator<char>(in)), {});
    auto file = CdxFile::Open(path, true);
    file->Begin();
    EXPECT_THROW(
        {
          for (uint32_t r = 1; r <= 200; ++r) file->Insert(0, "KEY" + std::to_string(r), r);
        },
        Error)
        << h.name;
    file->Rollback();
    file.reset();
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before) << h.name;
  }
  fs::remove_all(tmpl);
}

}  // namespace
}  // namespace xbase
