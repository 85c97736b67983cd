// Maintaining index files: random changes against an in-memory model, the
// file re-opened, another handle seeing the changes, failed changes leaving
// the file as it was, and a fixture copy changed then compared with a
// rebuild of the same entries.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fixtures.h"
#include "xbase/cdx_index.h"
#include "xbase/error.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;
using Model = std::set<std::pair<std::string, uint32_t>>;

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "cdx-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = tmpl;
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t Version(const std::string& path) {
  std::string b = ReadBytes(path);
  return uint32_t(uint8_t(b[8])) << 24 | uint32_t(uint8_t(b[9])) << 16 | uint32_t(uint8_t(b[10])) << 8 |
         uint32_t(uint8_t(b[11]));
}

// Length of the free-page chain: its head at offset 4 of the file, each free
// page's first four bytes pointing to the next, 0 at the end.
size_t FreePages(const std::string& path) {
  std::string b = ReadBytes(path);
  auto le32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
  };
  size_t n = 0;
  for (uint32_t page = le32(4); page != 0 && page + 512 <= b.size() && n <= b.size() / 512; page = le32(page)) ++n;
  return n;
}

std::vector<std::pair<std::string, uint32_t>> Walk(CdxFile& file, int tag) {
  std::vector<std::pair<std::string, uint32_t>> out;
  for (auto c = file.First(tag); c->Valid(); c->Next()) out.emplace_back(std::string(c->key()), c->recno());
  return out;
}

std::vector<std::pair<std::string, uint32_t>> InWalkOrder(const Model& model, bool descending) {
  std::vector<std::pair<std::string, uint32_t>> out(model.begin(), model.end());
  if (descending) std::reverse(out.begin(), out.end());
  return out;
}

// The walk, the structure and some seeks of one tag against the model.
void ExpectMatches(CdxFile& file, int tag, const Model& model, std::mt19937& rng) {
  const TagInfo& info = file.tags()[size_t(tag)];
  auto want = InWalkOrder(model, info.descending);
  ASSERT_EQ(Walk(file, tag), want) << info.name;
  ASSERT_EQ(file.CheckTag(tag), "") << info.name;
  for (int i = 0; i < 10 && !want.empty(); ++i) {
    std::string key = want[rng() % want.size()].first;
    key.resize(1 + rng() % key.size());
    if (i % 2 == 1) key.back() = char(uint8_t(key.back()) ^ 1);
    size_t at = 0;
    while (at < want.size()) {
      int c = want[at].first.compare(0, key.size(), key);
      if (info.descending ? c <= 0 : c >= 0) break;
      ++at;
    }
    auto cursor = file.Seek(tag, key);
    if (at == want.size()) {
      ASSERT_FALSE(cursor->Valid());
    } else {
      ASSERT_TRUE(cursor->Valid());
      ASSERT_EQ(cursor->key(), want[at].first);
      ASSERT_EQ(cursor->recno(), want[at].second);
    }
  }
}

struct Shape {
  const char* name;
  int key_length;
  bool descending;
  char type;
};

// Short keys, long keys (two to a page: deep trees, many splits and merges),
// descending numbers, a descending middle length.
const Shape kShapes[] = {
    {"SHORT", 6, false, 'C'},
    {"LONG", 200, false, 'C'},
    {"NUMDESC", 8, true, 'N'},
    {"MIDDESC", 30, true, 'C'},
};

std::string RandomKey(const Shape& shape, std::mt19937& rng) {
  if (shape.type == 'N') {
    static const double values[] = {-1e9, -250.5, -1, 0, 0.01, 1, 2, 3.5, 1000, 123456.78, 1e12};
    return EncodeNumericKey(values[rng() % std::size(values)] + double(rng() % 4) * 0.25);
  }
  // Shared prefixes and runs of blanks, so that duplicate and trailing counts
  // vary; some bytes above 0x7F (accented letters in Windows-1252).
  static const char* prefixes[] = {"", "A", "AB", "ABC", "MED", "\xC1GUA", "ZZZZ"};
  std::string key = prefixes[rng() % std::size(prefixes)];
  size_t extra = rng() % size_t(shape.key_length + 1);
  static const char alphabet[] = "AB C0\xC7z";
  for (size_t i = 0; i < extra; ++i) key.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
  key.resize(size_t(shape.key_length), ' ');
  return key;
}

uint32_t RandomRecno(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0: return 1 + rng() % 20;
    case 1: return 1 + rng() % 5000;
    case 2: return 1 + rng() % 2'000'000;
    default: return 1 + rng() % 200'000'000;
  }
}

std::vector<TagInfo> ShapeTags() {
  std::vector<TagInfo> tags;
  for (const Shape& s : kShapes) {
    TagInfo t;
    t.name = s.name;
    t.key_expression = std::string("EXPR_") + s.name;
    t.key_length = s.key_length;
    t.descending = s.descending;
    tags.push_back(t);
  }
  return tags;
}

TEST(CdxWrite, RandomChangesMatchAModelAcrossSplitsMergesAndReopen) {
  TempDir dir;
  const std::string path = dir / "RANDOM.CDX";
  auto file = CdxFile::Create(path, ShapeTags());
  auto reader = CdxFile::Open(path, false);  // another handle, reading only
  std::vector<int> tags;
  for (const Shape& s : kShapes) {
    int tag = file->FindTag(s.name);
    ASSERT_GE(tag, 0);
    file->SetKeyType(tag, s.type);
    reader->SetKeyType(reader->FindTag(s.name), s.type);
    tags.push_back(tag);
  }
  std::vector<Model> models(std::size(kShapes));
  std::mt19937 rng(20240611);
  uint32_t version = Version(path);
  uintmax_t peak_size = 0;

  // Grow, shrink to nothing, grow again.
  const size_t targets[] = {700, 0, 700};
  int batch = 0;
  for (size_t target : targets) {
    for (int round = 0; round < 60; ++round, ++batch) {
      bool rollback = batch % 7 == 3;
      std::string before = rollback ? ReadBytes(path) : std::string();
      std::vector<Model> saved = rollback ? models : std::vector<Model>();
      file->Begin();
      for (int op = 0; op < 40; ++op) {
        size_t s = rng() % std::size(kShapes);
        Model& model = models[s];
        bool grow = model.size() < target ? rng() % 10 < 8 : rng() % 10 < 2;
        if (grow || model.empty()) {
          std::pair<std::string, uint32_t> e{RandomKey(kShapes[s], rng), RandomRecno(rng)};
          if (!model.insert(e).second) continue;
          file->Insert(tags[s], e.first, e.second);
        } else {
          auto it = std::next(model.begin(), long(rng() % model.size()));
          file->Remove(tags[s], it->first, it->second);
          model.erase(it);
        }
      }
      if (rollback) {
        file->Rollback();
        models = saved;
        ASSERT_EQ(ReadBytes(path), before) << "a change rolled back left the file altered";
        ASSERT_EQ(Version(path), version);
      } else {
        file->Commit();
        ASSERT_EQ(Version(path), version + 1) << "every commit advances the version once";
        version += 1;
      }
      {
        for (size_t s = 0; s < std::size(kShapes); ++s) {
          ExpectMatches(*file, tags[s], models[s], rng);
          ASSERT_EQ(Walk(*reader, reader->FindTag(kShapes[s].name)), InWalkOrder(models[s], kShapes[s].descending))
              << "the other handle must see the committed change";
        }
      }
    }
    if (target == 0) {
      // Emptied and merged pages went to the free list.
      for (const Model& m : models) ASSERT_LT(m.size(), 60u);
      EXPECT_GE(FreePages(path), fs::file_size(path) / 512 * 3 / 4);
    } else if (peak_size == 0) {
      peak_size = fs::file_size(path);
      EXPECT_LT(FreePages(path), 50u);
    }
  }
  // ...and were taken again while growing: the file hardly grew.
  EXPECT_LE(fs::file_size(path), peak_size + peak_size / 10);

  file.reset();
  auto again = CdxFile::Open(path, true);
  for (size_t s = 0; s < std::size(kShapes); ++s) {
    int tag = again->FindTag(kShapes[s].name);
    // Reopened, the key type is inferred from the keys themselves.
    if (kShapes[s].type == 'C' || models[s].size() > 100) {
      EXPECT_EQ(again->KeyType(tag), kShapes[s].type) << kShapes[s].name;
    }
    again->SetKeyType(tag, kShapes[s].type);
    ExpectMatches(*again, tag, models[s], rng);
  }
}

TEST(CdxWrite, CreatedFileKeepsTagDefinitions) {
  TempDir dir;
  std::vector<TagInfo> tags(3);
  tags[0].name = "zeta";
  tags[0].key_expression = "UPPER(NOME)";
  tags[0].key_length = 40;
  tags[1].name = "ALFA";
  tags[1].key_expression = "DTOS(DATA)+CUPOM";
  tags[1].for_expression = "!DELETED()";
  tags[1].key_length = 14;
  tags[1].unique = true;
  tags[2].name = "MEIO";
  tags[2].key_expression = "VALOR";
  tags[2].key_length = 8;
  tags[2].descending = true;
  tags[2].candidate = true;
  const std::string path = dir / "NEW.CDX";
  CdxFile::Create(path, tags);
  auto file = CdxFile::Open(path, false);
  ASSERT_EQ(file->tags().size(), 3u);
  const TagInfo* by_name[3] = {&file->tags()[size_t(file->FindTag("ZETA"))], &file->tags()[size_t(file->FindTag("ALFA"))],
                               &file->tags()[size_t(file->FindTag("MEIO"))]};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(by_name[i]->key_expression, tags[i].key_expression);
    EXPECT_EQ(by_name[i]->for_expression, tags[i].for_expression);
    EXPECT_EQ(by_name[i]->key_length, tags[i].key_length);
    EXPECT_EQ(by_name[i]->unique, tags[i].unique);
    EXPECT_EQ(by_name[i]->descending, tags[i].descending);
    EXPECT_EQ(by_name[i]->candidate, tags[i].candidate);
    EXPECT_FALSE(file->First(int(by_name[i] - file->tags().data()))->Valid());
  }
  EXPECT_EQ(by_name[0]->name, "ZETA");

  const struct {
    const char* why;
    std::vector<TagInfo> tags;
  } bad[] = {
      {"name too long", {TagInfo{"NOMEMUITOLONGO", "X", "", 4}}},
      {"key too long", {TagInfo{"A", "X", "", 241}}},
      {"empty key", {TagInfo{"A", "", "", 4}}},
      {"same name twice", {TagInfo{"A", "X", "", 4}, TagInfo{"a", "Y", "", 4}}},
      {"other collation", {TagInfo{"A", "X", "", 4, false, false, false, false}}},
  };
  for (const auto& b : bad) {
    std::string before = ReadBytes(path);
    EXPECT_THROW(CdxFile::Create(path, b.tags), Error) << b.why;
    EXPECT_EQ(ReadBytes(path), before) << b.why << ": the existing file must stay";
  }
}

TEST(CdxWrite, RefusedChangesLeaveTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir / "REFUSE.CDX";
  {
    std::vector<TagInfo> tags{TagInfo{"K", "K", "", 4}};
    auto file = CdxFile::Create(path, tags);
    file->Begin();
    for (uint32_t r = 1; r <= 500; ++r) file->Insert(0, std::to_string(r % 97), r);
    file->Commit();
  }
  auto file = CdxFile::Open(path, true);
  const std::string before = ReadBytes(path);
  const struct {
    const char* why;
    void (*change)(CdxFile&);
  } cases[] = {
      {"same key and record twice", [](CdxFile& f) { f.Insert(0, "1", 1); }},
      {"absent key", [](CdxFile& f) { f.Remove(0, "XYZ", 1); }},
      {"absent record", [](CdxFile& f) { f.Remove(0, "1", 2); }},
      {"key longer than the tag's", [](CdxFile& f) { f.Insert(0, "12345", 1); }},
      {"no such tag", [](CdxFile& f) { f.Insert(3, "1", 1); }},
  };
  for (const auto& c : cases) {
    file->Begin();
    file->Insert(0, "NEW", 9999);  // a change that must not survive the failure
    file->Remove(0, "3", 3);
    try {
      c.change(*file);
      ADD_FAILURE() << c.why << ": accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << c.why << ": " << e.what();
    }
    file->Rollback();
    EXPECT_EQ(ReadBytes(path), before) << c.why;
  }
  EXPECT_THROW(file->Insert(0, "1", 77), Error) << "a change outside Begin/Commit";
  auto reading = CdxFile::Open(path, false);
  EXPECT_THROW(reading->Begin(), Error);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(file->CheckTag(0), "");
}

// Another engine's file, changed by us, must hold what a fresh rebuild of the
// same entries holds, and stay sound.
class FixtureChangeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureChangeTest, ChangedCopyEqualsRebuildOfTheSameEntries) {
  QX_REQUIRE_FIXTURES();
  TempDir dir;
  const std::string copy = dir / "COPY.CDX";
  fs::copy_file(qxtest::FixturesDir() / GetParam(), copy);
  auto file = CdxFile::Open(copy, true);
  std::mt19937 rng(99);
  std::vector<Model> models;
  for (size_t t = 0; t < file->tags().size(); ++t) {
    auto w = Walk(*file, int(t));
    models.emplace_back(w.begin(), w.end());
  }
  for (int batch = 0; batch < 20; ++batch) {
    file->Begin();
    for (int op = 0; op < 50; ++op) {
      size_t t = rng() % models.size();
      Model& model = models[t];
      const TagInfo& info = file->tags()[t];
      if (rng() % 2 == 0 && !model.empty()) {
        auto it = std::next(model.begin(), long(rng() % model.size()));
        file->Remove(int(t), it->first, it->second);
        model.erase(it);
      } else {
        // A neighbour of an existing key, so the new key lands among them.
        std::string key = model.empty() ? std::string(size_t(info.key_length), 'A')
                                        : std::next(model.begin(), long(rng() % model.size()))->first;
        key[size_t(rng() % key.size())] ^= char(1 + rng() % 3);
        uint32_t recno = 10000 + rng() % 100000;
        auto same = model.lower_bound({key, 0});
        if (info.unique && same != model.end() && same->first == key) continue;
        if (!model.insert({key, recno}).second) continue;
        file->Insert(int(t), key, recno);
      }
    }
    file->Commit();
  }
  for (size_t t = 0; t < models.size(); ++t) ExpectMatches(*file, int(t), models[t], rng);

  // A fresh file of the same tags, rebuilt from the model.
  const std::string fresh_path = dir / "FRESH.CDX";
  auto fresh = CdxFile::Create(fresh_path, file->tags());
  for (size_t t = 0; t < models.size(); ++t) {
    int ft = fresh->FindTag(file->tags()[t].name);
    fresh->SetKeyType(ft, file->KeyType(int(t)));
    fresh->Rebuild(ft, std::vector<std::pair<std::string, uint32_t>>(models[t].rbegin(), models[t].rend()));
    EXPECT_EQ(Walk(*fresh, ft), Walk(*file, int(t)));
    EXPECT_EQ(fresh->CheckTag(ft), "");
  }
  // And the copy rebuilt in place from the same entries.
  for (size_t t = 0; t < models.size(); ++t) {
    file->Rebuild(int(t), std::vector<std::pair<std::string, uint32_t>>(models[t].begin(), models[t].end()));
    ExpectMatches(*file, int(t), models[t], rng);
  }
  file.reset();
  auto reopened = CdxFile::Open(copy, false);
  for (size_t t = 0; t < models.size(); ++t) {
    reopened->SetKeyType(int(t), reopened->KeyType(int(t)));
    EXPECT_EQ(Walk(*reopened, int(t)), InWalkOrder(models[t], reopened->tags()[t].descending));
  }
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, FixtureChangeTest,
                         ::testing::Values("tagtest/T1.cdx", "shop-small/SIDESCIT.CDX", "shop-small/SICODVEN.CDX"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = fs::path(info.param).stem().string();
                           return name;
                         });

TEST(CdxWrite, OtherCollationIsReadButNeverWritten) {
  QX_REQUIRE_FIXTURES();
  TempDir dir;
  const std::string copy = dir / "T1.cdx";
  fs::copy_file(qxtest::FixturesDir() / "tagtest/T1.cdx", copy);
  {
    auto probe = CdxFile::Open(copy, false);
    ASSERT_TRUE(probe->tags()[0].machine_collation);
  }
  // Name a collation in the reserved area of tag TC's header (at 0x600).
  {
    std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0x600 + 0x1E0);
    f.write("GENERAL", 7);
  }
  auto file = CdxFile::Open(copy, true);
  int tc = file->FindTag("TC");
  ASSERT_FALSE(file->tags()[size_t(tc)].machine_collation);
  EXPECT_TRUE(file->tags()[size_t(file->FindTag("TU"))].machine_collation);
  EXPECT_EQ(Walk(*file, tc).size(), 3000u);
  const std::string before = ReadBytes(copy);
  file->Begin();
  EXPECT_THROW(file->Insert(tc, "0000", 4000), Error);
  EXPECT_THROW(file->Remove(tc, Walk(*file, tc)[0].first, Walk(*file, tc)[0].second), Error);
  file->Rollback();
  EXPECT_THROW(file->Rebuild(tc, {}), Error);
  EXPECT_EQ(ReadBytes(copy), before);
  // The other tags of the same file are still maintained.
  int tu = file->FindTag("TU");
  file->Begin();
  file->Insert(tu, "ZZ", 4000);
  file->Commit();
  EXPECT_EQ(Walk(*file, tu).back(), (std::pair<std::string, uint32_t>{"ZZ", 4000}));
}

// Without the table's help, an 8-byte tag's keys tell whether they are
// numbers (zeros cut from the end) or text (blanks cut): every handle, and
// the file reopened, must agree.
TEST(CdxWrite, KeyTypeIsInferredFromTheKeys) {
  TempDir dir;
  auto text = [](const char* s) { return std::string(s) + std::string(8 - std::strlen(s), ' '); };
  const struct {
    const char* why;
    char type;
    std::vector<std::string> keys;
  } cases[] = {
      {"a few dates", 'N', {EncodeDateKey(2460700), EncodeDateKey(2460701), EncodeDateKey(2461000)}},
      {"the empty date", 'N', {EncodeDateKey(0)}},
      {"small whole numbers", 'N', {EncodeNumericKey(1), EncodeNumericKey(2), EncodeNumericKey(5)}},
      {"negative numbers", 'N', {EncodeNumericKey(-3), EncodeNumericKey(-1000)}},
      {"codes of digits", 'C', {text("00001234"), text("00001235")}},
      {"short names", 'C', {text("ANA"), text("\xC1GUA"), text("ZE")}},
      {"accented names", 'C', {text("\xC9RICA"), text("\xC1LVARO")}},
  };
  for (const auto& c : cases) {
    const std::string path = dir / "GUESS.CDX";
    // Two handles open on the empty tag; neither is told the type. The
    // first key written decides it, for both.
    auto file = CdxFile::Create(path, {TagInfo{"K", "K", "", 8}});
    auto other = CdxFile::Open(path, true);
    uint32_t recno = 1;
    for (const std::string& k : c.keys) {
      CdxFile& by = recno % 2 == 1 ? *file : *other;
      by.Begin();
      by.Insert(0, k, recno++);
      by.Commit();
    }
    for (CdxFile* f : {file.get(), other.get()}) {
      EXPECT_EQ(f->KeyType(0), c.type) << c.why;
      EXPECT_EQ(f->CheckTag(0), "") << c.why;
    }
    file.reset();
    other.reset();
    auto reopened = CdxFile::Open(path, false);
    EXPECT_EQ(reopened->KeyType(0), c.type) << c.why;
    std::vector<std::string> keys;
    for (auto cursor = reopened->First(0); cursor->Valid(); cursor->Next()) keys.emplace_back(cursor->key());
    std::vector<std::string> want = c.keys;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(keys, want) << c.why;
  }
}

// A write that fails half way through a commit (here: the file may not grow)
// puts back the pages already written, so the file is as it was.
TEST(CdxWrite, CommitThatCannotWriteLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir / "FULL.CDX";
  {
    auto file = CdxFile::Create(path, {TagInfo{"K", "K", "", 40}});
    file->Begin();
    for (uint32_t r = 1; r <= 300; ++r) file->Insert(0, "KEY" + std::to_string(r), r);
    file->Commit();
  }
  const std::string before = ReadBytes(path);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 0;
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = rlim_t(before.size());
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(5);
    try {
      auto file = CdxFile::Open(path, true);
      file->Begin();
      // Changes in the existing pages and new pages beyond the end.
      for (uint32_t r = 1; r <= 100; ++r) file->Remove(0, "KEY" + std::to_string(r), r);
      for (uint32_t r = 1000; r < 1400; ++r) file->Insert(0, "NEW" + std::to_string(r), r);
      file->Commit();
      status = 2;  // the commit claimed success
    } catch (const Error& e) {
      status = std::string(e.what()).find(path) == std::string::npos ? 3 : 0;
    }
    ::_exit(status);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadBytes(path), before);
  auto file = CdxFile::Open(path, false);
  EXPECT_EQ(file->KeyCount(0), 300u);
  EXPECT_EQ(file->CheckTag(0), "");
}

// A walk that goes on while another handle changes the tag: it picks up
// after the last entry it returned, so it stays in order, repeats nothing
// and misses none of the entries that were there all along.
TEST(CdxWrite, WalkContinuesAcrossAnotherHandlesChange) {
  TempDir dir;
  const std::string path = dir / "WALK.CDX";
  TagInfo asc{"ASC", "K", "", 10};
  TagInfo desc{"DESC", "K", "", 10, false, true};
  auto writer = CdxFile::Create(path, {asc, desc});
  Model model;
  writer->Begin();
  for (uint32_t r = 1; r <= 3000; ++r) {
    std::string key = std::to_string(r * 7 % 1000);
    key.resize(10, ' ');
    model.insert({key, r});
    writer->Insert(0, key, r);
    writer->Insert(1, key, r);
  }
  writer->Commit();
  auto reader = CdxFile::Open(path, false);
  std::mt19937 rng(5);
  for (int tag : {0, 1}) {
    const bool descending = tag == 1;
    Model stable = model;  // present before and after the change
    auto want = InWalkOrder(model, descending);
    auto cursor = reader->First(tag);
    std::vector<std::pair<std::string, uint32_t>> seen;
    for (size_t i = 0; i < want.size() / 2; ++i, cursor->Next()) seen.emplace_back(std::string(cursor->key()), cursor->recno());
    writer->Begin();
    for (int op = 0; op < 800; ++op) {
      auto it = std::next(model.begin(), long(rng() % model.size()));
      writer->Remove(tag, it->first, it->second);
      stable.erase(*it);
      model.erase(it);
      std::string key = std::to_string(rng() % 1000);
      key.resize(10, ' ');
      uint32_t recno = 10000 + uint32_t(op) + uint32_t(tag) * 1000;
      writer->Insert(tag, key, recno);
      model.insert({key, recno});
    }
    writer->Commit();
    for (; cursor->Valid(); cursor->Next()) seen.emplace_back(std::string(cursor->key()), cursor->recno());
    for (size_t i = 1; i < seen.size(); ++i)
      ASSERT_TRUE(descending ? seen[i] < seen[i - 1] : seen[i - 1] < seen[i]) << "out of order at " << i;
    std::set<std::pair<std::string, uint32_t>> seen_set(seen.begin(), seen.end());
    for (const auto& e : stable) ASSERT_TRUE(seen_set.count(e)) << "missed " << e.first << " " << e.second;
    // The other tag of the pair is brought level for the next round.
    writer->Rebuild(1 - tag, std::vector<std::pair<std::string, uint32_t>>(model.begin(), model.end()));
  }
}

// A reader whose pages are all cached still sees, at its next seek, every
// change another handle commits: a key moved inside its page (the file's size
// and free list stay as they were), pages split onto new space, pages emptied
// onto the free list.
TEST(CdxWrite, ReaderSeesEveryChangeAnotherHandleCommits) {
  TempDir dir;
  const std::string path = dir / "SEEN.CDX";
  auto writer = CdxFile::Create(path, {TagInfo{"K", "K", "", 10}});
  writer->SetKeyType(0, 'C');
  auto key_of = [](uint32_t n) {
    std::string key = "K" + std::to_string(100000 + n);
    key.resize(10, ' ');
    return key;
  };
  Model model;
  writer->Begin();
  for (uint32_t r = 1; r <= 2000; ++r) {
    writer->Insert(0, key_of(r), r);
    model.insert({key_of(r), r});
  }
  writer->Commit();
  auto reader = CdxFile::Open(path, false);
  reader->SetKeyType(0, 'C');
  auto holder = [&](const std::string& key) -> uint32_t {
    auto c = reader->Seek(0, key);
    return c->Valid() && c->key() == key ? c->recno() : 0;
  };
  // Only the path to the first key cached: a walk from it goes on into pages
  // not read yet, repeating and skipping nothing.
  ASSERT_EQ(holder(key_of(1)), 1u);
  ASSERT_EQ(holder(key_of(1)), 1u);
  std::vector<std::pair<std::string, uint32_t>> walked;
  for (auto c = reader->Seek(0, key_of(1)); c->Valid(); c->Next()) walked.emplace_back(std::string(c->key()), c->recno());
  ASSERT_EQ(walked, InWalkOrder(model, false));  // now every page cached
  auto change = [&](const std::function<void()>& edit) {
    writer->Begin();
    edit();
    writer->Commit();
  };

  const auto size_before = fs::file_size(path);
  const size_t free_before = FreePages(path);
  change([&] {
    writer->Remove(0, key_of(500), 500);
    writer->Insert(0, key_of(500), 1500);
  });
  model.erase({key_of(500), 500});
  model.insert({key_of(500), 1500});
  ASSERT_EQ(fs::file_size(path), size_before);  // only the version tells
  ASSERT_EQ(FreePages(path), free_before);
  EXPECT_EQ(holder(key_of(500)), 1500u);

  change([&] {
    for (uint32_t r = 2001; r <= 5000; ++r) writer->Insert(0, key_of(r), r);
  });
  for (uint32_t r = 2001; r <= 5000; ++r) model.insert({key_of(r), r});
  ASSERT_GT(fs::file_size(path), size_before);
  EXPECT_EQ(holder(key_of(4321)), 4321u);
  EXPECT_EQ(Walk(*reader, 0), InWalkOrder(model, false));

  change([&] {
    for (uint32_t r = 1000; r <= 4000; ++r) writer->Remove(0, key_of(r), r);
  });
  for (uint32_t r = 1000; r <= 4000; ++r) model.erase({key_of(r), r});
  ASSERT_GT(FreePages(path), free_before);
  EXPECT_EQ(holder(key_of(2500)), 0u);
  EXPECT_EQ(Walk(*reader, 0), InWalkOrder(model, false));

  // A walk half way when the other handle splits the pages around it, and
  // the reader has since read only the path to the first key again: the walk
  // goes on after the last entry it returned, in order, missing none of the
  // entries there all along (new ones may show or not).
  auto cursor = reader->Seek(0, key_of(4001));
  ASSERT_TRUE(cursor->Valid());
  const std::pair<std::string, uint32_t> last(std::string(cursor->key()), cursor->recno());
  const std::vector<std::pair<std::string, uint32_t>> stable(model.upper_bound(last), model.end());
  change([&] {
    for (uint32_t r = 4001; r <= 4999; ++r) {
      std::string between = key_of(r);
      between[7] = '5';
      writer->Insert(0, between, 10000 + r);
      model.insert({between, 10000 + r});
    }
  });
  ASSERT_EQ(holder(key_of(1)), 1u);
  ASSERT_EQ(holder(key_of(1)), 1u);
  std::vector<std::pair<std::string, uint32_t>> rest;
  for (cursor->Next(); cursor->Valid(); cursor->Next()) rest.emplace_back(std::string(cursor->key()), cursor->recno());
  ASSERT_FALSE(rest.empty());
  EXPECT_LT(last, rest.front());
  for (size_t i = 1; i < rest.size(); ++i) ASSERT_LT(rest[i - 1], rest[i]) << "out of order at " << i;
  for (const auto& e : rest) ASSERT_TRUE(model.count(e)) << "not in the tag: " << e.first;
  const Model seen(rest.begin(), rest.end());
  for (const auto& e : stable) ASSERT_TRUE(seen.count(e)) << "missed " << e.first;
  EXPECT_EQ(reader->CheckTag(0), "");
}

// Two processes changing one index file at once: the lock orders them and
// each sees the other's pages, so nothing is lost and the tree stays sound.
// Every tenth change fails before its commit and must leave no trace.
TEST(CdxWrite, TwoProcessesChangingAtOnceLoseNothing) {
  TempDir dir;
  const std::string path = dir / "SHARED.CDX";
  CdxFile::Create(path, {TagInfo{"K", "K", "", 12}});
  constexpr uint32_t kPerProcess = 1500;
  auto key_of = [](std::mt19937& rng) { return "K" + std::to_string(rng() % 400); };
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int status = 0;
      char go;
      if (::read(start[0], &go, 1) != 1) ::_exit(4);  // both start together
      try {
        auto file = CdxFile::Open(path, true);
        std::mt19937 rng{uint32_t(p)}, peek{uint32_t(p + 7)};
        for (uint32_t i = 0; i < kPerProcess; ++i) {
          file->Begin();
          file->Insert(0, key_of(rng), uint32_t(p) * kPerProcess + i + 1);
          if (i % 10 == 9) {
            try {
              file->Remove(0, "GONE", 0xFFFFFFF0u);
              status = 2;  // accepted a removal of an absent key
            } catch (const Error&) {
            }
            file->Rollback();
            continue;
          }
          file->Commit();
          // Reading between changes fills the page cache the other
          // process's next change makes stale.
          for (auto c = file->Seek(0, key_of(peek)); c->Valid(); c->Next()) {
          }
        }
      } catch (...) {
        status = 1;
      }
      ::_exit(status);
    }
  }
  ASSERT_EQ(::write(start[1], "gg", 2), 2);
  ::close(start[0]);
  ::close(start[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
  }
  Model want;
  for (int p = 0; p < 2; ++p) {
    std::mt19937 rng{uint32_t(p)};
    for (uint32_t i = 0; i < kPerProcess; ++i) {
      std::string key = key_of(rng);
      key.resize(12, ' ');
      if (i % 10 != 9) want.insert({key, uint32_t(p) * kPerProcess + i + 1});
    }
  }
  auto file = CdxFile::Open(path, false);
  EXPECT_EQ(Walk(*file, 0), InWalkOrder(want, false));
  EXPECT_EQ(file->CheckTag(0), "");
}

}  // namespace
}  // namespace xbase
