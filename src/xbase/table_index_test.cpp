// Tables with their CDX index files: the reference tags read back in the
// other engine's order, our keys equal the stored ones, and every write keeps
// every tag equal to a fresh rebuild.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "fixtures.h"
#include "xbase/tag_check.h"
#include "xbase/table.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;

struct OrderFile {
  std::string table, bag, tag;
  std::vector<uint32_t> recnos;
};

OrderFile ReadOrder(const fs::path& p) {
  std::ifstream in(p);
  OrderFile o;
  std::string line;
  std::getline(in, line);
  std::istringstream head(line);
  std::string word;
  while (head >> word) {
    if (word == "table") head >> o.table;
    else if (word == "bag") head >> o.bag;
    else if (word == "tag") head >> o.tag;
  }
  uint32_t r;
  while (in >> r) o.recnos.push_back(r);
  return o;
}

std::vector<fs::path> OrderFiles() {
  std::vector<fs::path> out;
  for (const char* dir : {"shop-small-order", "tagtest-order"}) {
    const fs::path d = qxtest::FixturesDir() / dir;
    if (!fs::is_directory(d)) continue;
    for (const auto& e : fs::directory_iterator(d)) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::pair<std::string, uint32_t>> Walk(const Table::Tag& tag) {
  std::vector<std::pair<std::string, uint32_t>> out;
  for (auto c = tag.file->First(tag.index); c->Valid(); c->Next()) out.emplace_back(std::string(c->key()), c->recno());
  return out;
}

// A scratch copy of a fixture directory, removed afterwards.
class ScratchShop {
 public:
  explicit ScratchShop(const std::string& fixture) {
    dir_ = fs::temp_directory_path() / ("xbase-" + std::to_string(::getpid()) + "-" + fixture + "-" +
                                        std::to_string(counter_++));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const auto& e : fs::directory_iterator(qxtest::FixturesDir() / fixture)) {
      fs::copy_file(e.path(), dir_ / e.path().filename());
      fs::permissions(dir_ / e.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
    }
  }
  ~ScratchShop() { fs::remove_all(dir_); }
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }

 private:
  static inline int counter_ = 0;
  fs::path dir_;
};

TEST(TableIndex, ReferenceTagsReadBackInTheOtherEnginesOrderWithOurKeys) {
  QX_REQUIRE_FIXTURES();
  const auto files = OrderFiles();
  ASSERT_FALSE(files.empty());
  for (const fs::path& p : files) {
    const OrderFile o = ReadOrder(p);
    SCOPED_TRACE(o.tag);
    const bool structural = p.parent_path().filename() == "tagtest-order";
    const fs::path dir = qxtest::FixturesDir() / (structural ? "tagtest" : "shop-small");
    OpenOptions opt;
    opt.read_only = true;
    if (!structural) opt.index_files = {o.bag};
    auto t = Table::Open((dir / o.table).string(), opt);
    const Table::Tag* tag = t->FindTag(o.tag);
    ASSERT_NE(tag, nullptr);
    std::string why;
    ASSERT_TRUE(t->CanComputeKeys(*tag, &why)) << why;
    std::vector<uint32_t> order;
    for (const auto& [key, r] : Walk(*tag)) {
      order.push_back(r);
      t->Go(r);
      ASSERT_TRUE(t->BelongsTo(*tag)) << "record " << r;
      ASSERT_EQ(t->KeyFor(*tag), key) << "record " << r;
    }
    EXPECT_EQ(order, o.recnos);
    EXPECT_EQ(CheckTag(*t, *tag), std::vector<std::string>());
  }
}

TEST(TableIndex, StructuralIndexOpensByItselfAndSeekFindsPrefixes) {
  QX_REQUIRE_FIXTURES();
  OpenOptions opt;
  opt.read_only = true;
  auto t = Table::Open((qxtest::FixturesDir() / "tagtest" / "T1.DBF").string(), opt);
  std::vector<std::string> names;
  for (const auto& tag : t->tags()) names.push_back(tag.info().name);
  EXPECT_EQ(names, (std::vector<std::string>{"TC", "TD", "TN", "TU", "TX"}));

  opt.index_files = {"CODITEM"};
  auto item = Table::Open((qxtest::FixturesDir() / "shop-small" / "ITEM.DBF").string(), opt);
  const Table::Tag* tag = item->FindTag("coditem");
  ASSERT_NE(tag, nullptr);
  ASSERT_TRUE(item->Locate("CODITEM", "00000000003190"));
  const uint32_t want = item->RecNo();
  EXPECT_EQ(item->SeekPrefix(*tag, "00000000003190"), std::vector<uint32_t>{want});
  EXPECT_TRUE(item->SeekPrefix(*tag, "99999999999999").empty());
}

TEST(TableIndex, MissingIndexFileIsNamed) {
  QX_REQUIRE_FIXTURES();
  OpenOptions opt;
  opt.read_only = true;
  opt.index_files = {"NAOEXISTE"};
  try {
    Table::Open((qxtest::FixturesDir() / "shop-small" / "ITEM.DBF").string(), opt);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("NAOEXISTE.CDX"), std::string::npos) << e.what();
  }
}

// Every tag of every open index after a series of writes: sound, and in the
// order a fresh rebuild gives.
void ExpectTagsEqualRebuild(Table& t) {
  for (const Table::Tag& tag : t.tags()) {
    SCOPED_TRACE(tag.info().name);
    EXPECT_EQ(CheckTag(t, tag), std::vector<std::string>());
    const auto before = Walk(tag);
    t.Reindex(tag);
    EXPECT_EQ(Walk(tag), before);
  }
}

TEST(TableIndex, ScriptedEditsAndAppendsKeepEveryShopTagExact) {
  QX_REQUIRE_FIXTURES();
  ScratchShop shop("shop-small");
  OpenOptions opt;
  opt.index_files = {"SINFMOV", "SIMOVITM", "SIMOVCLI", "SIDATMOV", "CODMOV"};
  auto t = Table::Open(shop / "MOVIM.DBF", opt);
  const uint32_t before = t->RecordCount();
  // Edits that move keys in every tag, one that changes nothing indexed, and
  // records marked deleted and recalled.
  for (uint32_t r : {1u, 2u, 50u, 777u, before}) {
    t->Go(r);
    t->Edit();
    t->SetString("NF", "9" + std::to_string(r));
    t->SetFromText("DATMOV", "01/01/2030");
    t->SetString("CODFOR", "ZZ");
    t->Post();
  }
  t->Go(3);
  t->Edit();
  t->SetFromText("QTDE", "7,5");
  t->Post();
  t->Go(10);
  t->Delete();
  t->Go(11);
  t->Delete();
  t->Recall();
  for (int i = 0; i < 40; ++i) {
    t->Append();
    t->SetString("NF", "A" + std::to_string(i % 7));
    t->SetString("COD_NOTA", "ECF:1");
    t->SetFromText("DATMOV", "05/03/2011");
    t->SetString("CODITM_MOV", "7890000000" + std::to_string(i));
    t->SetString("TIPOMOV", i % 2 ? "S" : "E");
    t->SetString("CODIGO_MOV", "N" + std::to_string(i));
    t->Post();
  }
  EXPECT_EQ(t->RecordCount(), before + 40);
  ExpectTagsEqualRebuild(*t);

  // Another handle sees it all.
  auto again = Table::Open(shop / "MOVIM.DBF", opt);
  again->SetFilter("NF='A3' .AND. COD_NOTA='ECF:1' .AND. DATMOV=ctod('05/03/2011')");
  int n = 0;
  for (again->First(); !again->Eof(); again->Next()) ++n;
  EXPECT_EQ(n, 6);  // i = 3, 10, 17, 24, 31, 38
  again->Go(10);
  EXPECT_TRUE(again->Deleted());
  again->Go(11);
  EXPECT_FALSE(again->Deleted());
}

TEST(TableIndex, UniqueForAndDescendingTagsStayExact) {
  QX_REQUIRE_FIXTURES();
  ScratchShop shop("tagtest");
  auto t = Table::Open(shop / "T1.DBF");
  ASSERT_EQ(t->tags().size(), 5u);
  const Table::Tag* tu = t->FindTag("TU");
  ASSERT_NE(tu, nullptr);
  // The first record of a TU key leaves it: the next record with that key
  // must take its place; a new first record of a key must replace the old.
  const auto tu_before = Walk(*tu);
  ASSERT_FALSE(tu_before.empty());
  const uint32_t holder = tu_before.front().second;
  t->Go(holder);
  t->Edit();
  t->SetString("C", "~~changed");
  t->SetNumber("N", -5);  // leaves TD (FOR N > 0)
  t->Post();
  t->Go(1);
  t->Edit();
  t->SetString("C", "!!first");
  t->Post();
  // Deleting and recalling moves records out of and into TX (FOR !DELETED()).
  t->Go(5);
  t->Delete();
  t->Go(97);
  if (t->Deleted()) t->Recall();
  for (int i = 0; i < 30; ++i) {
    t->Append();
    t->SetString("C", i % 3 ? "~~changed" : "!!first");
    t->SetNumber("N", i - 15);
    t->SetFromText("D", i % 4 ? "" : "02/02/2022");
    t->Post();
  }
  ExpectTagsEqualRebuild(*t);
}

TEST(TableIndex, TagThatCannotBeComputedRefusesWritesAndChangesNothing) {
  QX_REQUIRE_FIXTURES();
  ScratchShop shop("shop-small");
  TagInfo bad;
  bad.name = "BAD";
  bad.key_expression = "MISTERIO(NOME_VEN)";
  bad.key_length = 10;
  CdxFile::Create(shop / "BAD.CDX", {bad});
  const auto read_all = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string dbf = read_all(shop / "VENDEDOR.DBF");
  OpenOptions opt;
  opt.index_files = {"BAD", "SICODVEN"};
  auto t = Table::Open(shop / "VENDEDOR.DBF", opt);  // readable
  EXPECT_EQ(t->GetString("CODIGO_VEN"), "0001");
  t->Edit();
  t->SetString("CODIGO_VEN", "9999");
  try {
    t->Post();
    FAIL() << "write accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("BAD"), std::string::npos) << e.what();
  }
  t->Cancel();
  t->Append();
  EXPECT_THROW(t->Post(), Error);
  t->Cancel();
  EXPECT_EQ(read_all(shop / "VENDEDOR.DBF"), dbf);
  EXPECT_EQ(CheckTag(*t, *t->FindTag("SICODVEN")), std::vector<std::string>());
}

TEST(TableIndex, CheckReportsADamagedTag) {
  QX_REQUIRE_FIXTURES();
  ScratchShop shop("shop-small");
  OpenOptions opt;
  opt.index_files = {"SICODVEN"};
  auto t = Table::Open(shop / "VENDEDOR.DBF", opt);
  const Table::Tag& tag = *t->FindTag("SICODVEN");
  // Change the table behind the index's back, through a handle without it.
  {
    auto raw = Table::Open(shop / "VENDEDOR.DBF");
    raw->Go(4);
    raw->Edit();
    raw->SetString("CODIGO_VEN", "ZZZZ");
    raw->Post();
  }
  const auto faults = CheckTag(*t, tag);
  ASSERT_FALSE(faults.empty());
  EXPECT_NE(faults.front().find("registro 4"), std::string::npos) << faults.front();
  t->Reindex(tag);
  EXPECT_EQ(CheckTag(*t, tag), std::vector<std::string>());
}

// The file does not record a tag's key type. Keys written by another engine
// that look like the other type (character keys starting with the bytes of
// everyday doubles; doubles with no control byte left in a leaf) must still
// be read with the type of the tag's expression, else seeks miss and writes
// pad keys with the wrong byte.
TEST(TableIndex, KeyTypeComesFromTheExpressionNotFromStoredKeys) {
  struct Case {
    const char* what;
    FieldInfo field;
    const char* key_expression;
    char type;
    std::vector<std::string> values;  // as typed, one record each
    std::string appended;
  };
  const std::vector<Case> cases = {
      {"character keys that look numeric", {"CODE", 'C', 8, 0, 0}, "CODE", 'C', {"@A", "<B1", "=C", "?D22", "@E"}, "@F"},
      // k / 2^20: the leading bytes 0xBE, no byte below 0x20 before the
      // trailing zeros a leaf leaves out.
      {"numeric keys that look like text", {"QTD", 'N', 5, 0, 0}, "QTD/1048576", 'N', {"1", "3", "5", "7", "2"}, "6"},
  };
  const auto run = [](const Case& c) {
    const fs::path dir = fs::temp_directory_path() / ("xbase-keytype-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string dbf = (dir / "T.DBF").string();
    const std::string cdx = (dir / "T_KEY.CDX").string();
    Table::Create(dbf, {c.field});
    {
      auto t = Table::Open(dbf);
      for (const std::string& v : c.values) {
        t->Append();
        t->SetFromText(c.field.name, v);
        t->Post();
      }
    }
    // The tag as the other engine leaves it: typed, keys in its leaves.
    TagInfo info;
    info.name = "K";
    info.key_expression = c.key_expression;
    info.key_length = 8;
    {
      auto keyed = Table::Open(dbf);
      auto file = CdxFile::Create(cdx, {info});
      file->SetKeyType(0, c.type);
      std::vector<std::pair<std::string, uint32_t>> entries;
      for (uint32_t r = 1; r <= c.values.size(); ++r) {
        keyed->Go(r);
        std::string key = c.type == 'N' ? EncodeNumericKey(*keyed->GetNumber(c.field.name) / 1048576)
                                        : keyed->GetString(c.field.name);
        key.resize(8, ' ');
        entries.emplace_back(std::move(key), r);
      }
      file->Rebuild(0, std::move(entries));
    }
    // What makes the case: the stored keys alone suggest the other type.
    ASSERT_NE(CdxFile::Open(cdx, false)->KeyType(0), c.type) << "no trap";

    OpenOptions opt;
    opt.index_files = {"T_KEY"};
    auto t = Table::Open(dbf, opt);
    const Table::Tag& tag = *t->FindTag("K");
    EXPECT_EQ(t->KeyType(tag), c.type);
    for (uint32_t r = 1; r <= c.values.size(); ++r) {
      t->Go(r);
      EXPECT_EQ(t->SeekPrefix(tag, t->KeyFor(tag)), std::vector<uint32_t>{r}) << "record " << r;
    }
    EXPECT_EQ(CheckTag(*t, tag), std::vector<std::string>());
    t->Append();
    t->SetFromText(c.field.name, c.appended);
    t->Post();
    t->Go(1);
    t->Edit();
    t->SetFromText(c.field.name, c.appended);
    t->Post();
    ExpectTagsEqualRebuild(*t);
    t.reset();
    fs::remove_all(dir);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_NO_THROW(run(c));
  }
}

std::string ReadBytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes refused by an index leave the table and every index byte for byte
// as they were.
TEST(TableIndex, RefusedWritesChangeNoFile) {
  QX_REQUIRE_FIXTURES();
  struct Case {
    const char* what;
    std::function<void(ScratchShop&)> prepare;  // damages or builds an index
    std::vector<std::string> indexes;
    std::function<void(Table&)> write;
    const char* message;
  };
  auto change_code_4 = [](Table& t) {
    t.Go(4);
    t.Edit();
    t.SetString("CODIGO_VEN", "0444");
    t.Post();
  };
  const std::vector<Case> cases = {
      {"key no longer in the tag",
       [](ScratchShop& shop) {
         auto raw = Table::Open(shop / "VENDEDOR.DBF");
         raw->Go(4);
         raw->Edit();
         raw->SetString("CODIGO_VEN", "ZZZZ");
         raw->Post();
       },
       {"SINOMVEN", "SICODVEN"}, change_code_4, "SICODVEN"},
      {"collation other than machine order",
       [](ScratchShop& shop) {
         TagInfo tag;
         tag.name = "GERAL";
         tag.key_expression = "NOME_VEN";
         tag.key_length = 40;
         CdxFile::Create(shop / "GERAL.CDX", {tag});
         std::fstream f(shop / "GERAL.CDX", std::ios::binary | std::ios::in | std::ios::out);
         f.seekp(1024 + 512 + 100);
         f.write("GENERAL", 7);
       },
       {"SICODVEN", "GERAL"}, change_code_4, "ordenação"},
      {"duplicate key in a candidate tag",
       [](ScratchShop& shop) {
         TagInfo tag;
         tag.name = "CAND";
         tag.key_expression = "CODIGO_VEN";
         tag.key_length = 4;
         tag.unique = true;
         tag.candidate = true;
         CdxFile::Create(shop / "CAND.CDX", {tag});
         OpenOptions o;
         o.index_files = {"CAND"};
         auto t = Table::Open(shop / "VENDEDOR.DBF", o);
         t->Reindex(*t->FindTag("CAND"));
       },
       {"SICODVEN", "CAND"},
       [](Table& t) {
         t.Append();
         t.SetString("CODIGO_VEN", "0001");
         t.Post();
       },
       "chave duplicada"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchShop shop("shop-small");
    c.prepare(shop);
    std::vector<std::string> files = {"VENDEDOR.DBF"};
    for (const auto& i : c.indexes) files.push_back(i + ".CDX");
    std::vector<std::string> before;
    for (const auto& f : files) before.push_back(ReadBytes(shop / f));
    OpenOptions opt;
    opt.index_files = c.indexes;
    auto t = Table::Open(shop / "VENDEDOR.DBF", opt);
    try {
      c.write(*t);
      ADD_FAILURE() << "write accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    t->Cancel();
    t.reset();
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadBytes(shop / files[i]), before[i]) << files[i];
  }
}

}  // namespace
}  // namespace xbase
