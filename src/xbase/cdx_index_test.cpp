// Reading index files written by another xBase engine: every tag's header
// facts, its walk order, seeks, and the key encodings.
#include "xbase/cdx_index.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fixtures.h"
#include "xbase/error.h"

namespace xbase {
namespace {

struct TagCase {
  const char* file;  // under the fixtures folder
  const char* tag;
  const char* key_expression;
  const char* for_expression;
  int key_length;
  bool unique;
  bool descending;
  char type;
  size_t keys;
  const char* order_file;
};
void PrintTo(const TagCase& c, std::ostream* os) { *os << c.file << " tag " << c.tag; }

const TagCase kTagCases[] = {
    {"tagtest/T1.cdx", "TC", "C", "", 10, false, false, 'C', 3000, "tagtest-order/TC.txt"},
    {"tagtest/T1.cdx", "TD", "D", "N > 0", 8, false, false, 'N', 1744, "tagtest-order/TD.txt"},
    {"tagtest/T1.cdx", "TN", "N", "", 8, false, true, 'N', 3000, "tagtest-order/TN.txt"},
    {"tagtest/T1.cdx", "TU", "Left( C, 2 )", "", 2, true, false, 'C', 10, "tagtest-order/TU.txt"},
    {"tagtest/T1.cdx", "TX", "DToS( D ) + Str( N, 8, 2 )", "! Deleted()", 16, false, false, 'C', 2970,
     "tagtest-order/TX.txt"},
    {"shop-small/CODITEM.CDX", "CODITEM", "CODITEM", "", 14, false, false, 'C', 5000, "shop-small-order/CODITEM.txt"},
    {"shop-small/CODMOV.CDX", "CODMOV", "CODIGO_MOV", "", 8, false, false, 'C', 3801, "shop-small-order/CODMOV.txt"},
    {"shop-small/ECFCODMO.CDX", "ECFCODMO", "CUPOM+IMPRESSORA", "", 9, false, false, 'C', 1000,
     "shop-small-order/ECFCODMO.txt"},
    {"shop-small/ECFDATMO.CDX", "ECFDATMO", "DTOS(DATA)+CUPOM", "", 14, false, false, 'C', 1000,
     "shop-small-order/ECFDATMO.txt"},
    {"shop-small/ECFNUMMO.CDX", "ECFNUMMO", "COD_DSUS", "", 19, false, false, 'C', 1000,
     "shop-small-order/ECFNUMMO.txt"},
    {"shop-small/SICODCLI.CDX", "SICODCLI", "CODIGO_CLI", "", 6, false, false, 'C', 2000,
     "shop-small-order/SICODCLI.txt"},
    {"shop-small/SICODVEN.CDX", "SICODVEN", "CODIGO_VEN", "", 4, false, false, 'C', 20,
     "shop-small-order/SICODVEN.txt"},
    {"shop-small/SIDATMOV.CDX", "SIDATMOV", "DTOS(DATMOV)+CODITM_MOV+TIPOMOV", "", 24, false, false, 'C', 3801,
     "shop-small-order/SIDATMOV.txt"},
    {"shop-small/SIDESCIT.CDX", "SIDESCIT", "DESCRICAO", "", 50, false, false, 'C', 5000,
     "shop-small-order/SIDESCIT.txt"},
    {"shop-small/SIMOVCLI.CDX", "SIMOVCLI", "CODFOR+DTOS(DATMOV)+TIPOMOV+CODITM_MOV", "", 30, false, false, 'C', 3801,
     "shop-small-order/SIMOVCLI.txt"},
    {"shop-small/SIMOVITM.CDX", "SIMOVITM", "CODITM_MOV+DTOS(DATMOV)+TIPOMOV", "", 24, false, false, 'C', 3801,
     "shop-small-order/SIMOVITM.txt"},
    {"shop-small/SINFMOV.CDX", "SINFMOV", "NF+TIPOMOV+CODFOR+COD_NOTA", "", 24, false, false, 'C', 3801,
     "shop-small-order/SINFMOV.txt"},
    {"shop-small/SINOMVEN.CDX", "SINOMVEN", "NOME_VEN", "", 40, false, false, 'C', 20,
     "shop-small-order/SINOMVEN.txt"},
    {"shop-small/SIORIGIT.CDX", "SIORIGIT", "CODORIG", "", 10, false, false, 'C', 5000,
     "shop-small-order/SIORIGIT.txt"},
    {"shop-small/SIPROCUP.CDX", "SIPROCUP", "CUPOM_PRO", "", 6, false, false, 'C', 3027,
     "shop-small-order/SIPROCUP.txt"},
};

std::vector<uint32_t> ReadOrder(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // header line
  std::vector<uint32_t> order;
  while (std::getline(in, line))
    if (!line.empty()) order.push_back(uint32_t(std::stoul(line)));
  return order;
}

struct Walked {
  std::vector<std::string> keys;
  std::vector<uint32_t> recnos;
};

Walked Walk(CdxFile& file, int tag) {
  Walked w;
  for (auto c = file.First(tag); c->Valid(); c->Next()) {
    w.keys.emplace_back(c->key());
    w.recnos.push_back(c->recno());
  }
  return w;
}

// Where a seek must land: the first entry in walk order whose key, cut to
// the sought length, is not before it in the walk's direction.
size_t ExpectedSeek(const Walked& w, const std::string& key, bool descending) {
  for (size_t i = 0; i < w.keys.size(); ++i) {
    int c = w.keys[i].compare(0, key.size(), key);
    if (descending ? c <= 0 : c >= 0) return i;
  }
  return w.keys.size();
}

class FixtureTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(FixtureTagTest, HeaderFactsAndWalkOrderMatchTheOtherEngine) {
  QX_REQUIRE_FIXTURES();
  const TagCase& tc = GetParam();
  auto file = CdxFile::Open((qxtest::FixturesDir() / tc.file).string(), false);
  int tag = file->FindTag(tc.tag);
  ASSERT_GE(tag, 0);
  const TagInfo& info = file->tags()[size_t(tag)];
  EXPECT_EQ(info.name, tc.tag);
  EXPECT_EQ(info.key_expression, tc.key_expression);
  EXPECT_EQ(info.for_expression, tc.for_expression);
  EXPECT_EQ(info.key_length, tc.key_length);
  EXPECT_EQ(info.unique, tc.unique);
  EXPECT_EQ(info.descending, tc.descending);
  EXPECT_FALSE(info.candidate);
  EXPECT_TRUE(info.machine_collation);
  EXPECT_EQ(file->KeyType(tag), tc.type);

  Walked w = Walk(*file, tag);
  EXPECT_EQ(w.recnos, ReadOrder((qxtest::FixturesDir() / tc.order_file).string()));
  EXPECT_EQ(w.recnos.size(), tc.keys);
  EXPECT_EQ(file->KeyCount(tag), tc.keys);
  EXPECT_EQ(file->CheckTag(tag), "");
  for (const std::string& k : w.keys) ASSERT_EQ(k.size(), size_t(tc.key_length));

  // Seeks of whole keys, of prefixes and of keys between the stored ones.
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    std::string key = w.keys[rng() % w.keys.size()];
    if (round % 3 == 1) key.resize(1 + rng() % key.size());
    if (round % 3 == 2) key.back() = char(static_cast<unsigned char>(key.back()) + 1);
    size_t want = ExpectedSeek(w, key, tc.descending);
    auto c = file->Seek(tag, key);
    if (want == w.keys.size()) {
      EXPECT_FALSE(c->Valid()) << "seek " << key;
    } else {
      ASSERT_TRUE(c->Valid()) << "seek " << key;
      EXPECT_EQ(c->key(), w.keys[want]);
      EXPECT_EQ(c->recno(), w.recnos[want]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, FixtureTagTest, ::testing::ValuesIn(kTagCases),
                         [](const ::testing::TestParamInfo<TagCase>& info) { return std::string(info.param.tag); });

TEST(FixtureKeys, StructuralIndexListsItsTagsInNameOrder) {
  QX_REQUIRE_FIXTURES();
  auto file = CdxFile::Open((qxtest::FixturesDir() / "tagtest/T1.cdx").string(), false);
  std::vector<std::string> names;
  for (const TagInfo& t : file->tags()) names.push_back(t.name);
  EXPECT_EQ(names, (std::vector<std::string>{"TC", "TD", "TN", "TU", "TX"}));
  EXPECT_EQ(file->FindTag("tx"), 4);
  EXPECT_EQ(file->FindTag("TZ"), -1);
}

TEST(FixtureKeys, NumericAndDateKeysDecodeToTheirValues) {
  QX_REQUIRE_FIXTURES();
  auto file = CdxFile::Open((qxtest::FixturesDir() / "tagtest/T1.cdx").string(), false);
  // TN walks from the highest value down; every key re-encodes to itself.
  Walked n = Walk(*file, file->FindTag("TN"));
  ASSERT_FALSE(n.keys.empty());
  double previous = std::numeric_limits<double>::infinity();
  bool saw_negative = false;
  for (const std::string& k : n.keys) {
    double v = DecodeNumericKey(k);
    EXPECT_LE(v, previous);
    EXPECT_EQ(EncodeNumericKey(v), k);
    saw_negative |= v < 0;
    previous = v;
  }
  EXPECT_TRUE(saw_negative);
  // TD holds dates of 2025 and 2026 as Julian day numbers.
  Walked d = Walk(*file, file->FindTag("TD"));
  ASSERT_FALSE(d.keys.empty());
  for (const std::string& k : d.keys) {
    double day = DecodeNumericKey(k);
    EXPECT_GE(day, 2460677);  // 01/01/2025
    EXPECT_LE(day, 2461406);  // 31/12/2026
    EXPECT_EQ(EncodeDateKey(int32_t(day)), k);
  }
}

TEST(KeyEncoding, SortsAsRawBytesInValueOrder) {
  const double values[] = {-1e300, -12345.5, -1, -0.5, -1e-300, 0, 1e-300, 0.25, 1, 2, 99.99, 1e15, 1e300};
  for (size_t i = 0; i + 1 < std::size(values); ++i) {
    EXPECT_LT(EncodeNumericKey(values[i]), EncodeNumericKey(values[i + 1])) << values[i];
    EXPECT_EQ(DecodeNumericKey(EncodeNumericKey(values[i])), values[i]);
  }
  EXPECT_EQ(EncodeNumericKey(-0.0), EncodeNumericKey(0.0));
  EXPECT_EQ(EncodeNumericKey(0.0), std::string("\x80\0\0\0\0\0\0\0", 8));
  EXPECT_LT(EncodeDateKey(0), EncodeDateKey(2460677));  // the empty date sorts first
  EXPECT_THROW(DecodeNumericKey("abc"), Error);
}

}  // namespace
}  // namespace xbase
