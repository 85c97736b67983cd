// Creating, editing and appending without indexes; filters; shared access;
// damaged files.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fixtures.h"
#include "xbase/dbf_format.h"
#include "xbase/locks.h"
#include "xbase/table.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class TempDir {
 public:
  TempDir() {
    static int n = 0;
    dir_ = fs::temp_directory_path() / ("xbase-w-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~TempDir() { fs::remove_all(dir_); }
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }
  std::string CopyFixture(const std::string& name) const {
    const std::string to = (dir_ / name).string();
    fs::copy_file(qxtest::FixturesDir() / "shop-small" / name, to);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
    return to;
  }

 private:
  fs::path dir_;
};

const std::vector<FieldInfo> kArqgeFields = {
    {"COO_ECF", 'C', 6, 0, 0}, {"DENOMI", 'C', 2, 0, 0}, {"REFER", 'C', 30, 0, 0},
    {"DT_EMIS", 'D', 8, 0, 0}, {"TOTAL", 'N', 8, 2, 0},  {"PAGO", 'L', 1, 0, 0},
};

class LockPolicyGuard {
 public:
  LockPolicyGuard() : saved_(GetLockRetryPolicy()) { SetLockRetryPolicy({2, 0, 2}); }
  ~LockPolicyGuard() { SetLockRetryPolicy(saved_); }

 private:
  LockRetryPolicy saved_;
};

TEST(TableWrite, CreateAppendAndReadBack) {
  TempDir dir;
  const std::string path = dir / "ECFARQGE.DBF";
  Table::Create(path, kArqgeFields);
  EXPECT_THROW(Table::Create(path, kArqgeFields), Error);  // never replaces a table

  auto t = Table::Open(path);
  EXPECT_EQ(t->RecordCount(), 0u);
  EXPECT_TRUE(t->Eof());
  t->Append();
  t->SetString("COO_ECF", "0");
  t->SetString("coo_ecf", "000123");
  t->SetString("DENOMI", "RG");
  t->SetString("REFER", "COMPROVANTE FPOPULAR");
  t->SetDate("DT_EMIS", JulianFromYmd(2026, 11, 30));
  t->SetNumber("TOTAL", 12.345);
  t->SetLogical("PAGO", true);
  t->Post();
  t->Append();
  t->SetFromText("REFER", "segundo");
  t->SetFromText("DT_EMIS", "05/03/2011");
  t->SetFromText("TOTAL", "1.234,5");
  t->SetFromText("PAGO", "n");
  t->Post();
  EXPECT_EQ(t->RecNo(), 2u);

  auto r = Table::Open(path, {});
  EXPECT_EQ(r->RecordCount(), 2u);
  r->First();
  EXPECT_EQ(r->GetString("COO_ECF"), "000123");
  EXPECT_EQ(r->GetString("REFER"), "COMPROVANTE FPOPULAR");
  EXPECT_EQ(r->GetString("DT_EMIS"), "30/11/2026");
  EXPECT_EQ(r->GetString("TOTAL"), "12.35");
  EXPECT_TRUE(r->GetLogical("PAGO"));
  r->Next();
  EXPECT_EQ(r->GetString("COO_ECF"), "");
  EXPECT_EQ(r->GetDate("DT_EMIS"), JulianFromYmd(2011, 3, 5));
  EXPECT_DOUBLE_EQ(*r->GetNumber("TOTAL"), 1234.5);
  EXPECT_FALSE(r->GetLogical("PAGO"));
  r->Next();
  EXPECT_TRUE(r->Eof());

  // The layout other engines expect: header, record count, today's date,
  // records, one end-of-file mark.
  const std::string bytes = ReadAll(path);
  const DbfHeader h = ParseDbfHeader(bytes, bytes.size(), "ECFARQGE.DBF");
  EXPECT_EQ(h.version, 0x03);
  EXPECT_EQ(h.record_count, 2u);
  EXPECT_EQ(h.header_length, 32u + 32u * 6u + 2u);
  EXPECT_EQ(h.record_length, 1u + 6 + 2 + 30 + 8 + 8 + 1);
  const std::time_t now = std::time(nullptr);
  std::tm tm;
  localtime_r(&now, &tm);
  EXPECT_EQ(h.update_year, tm.tm_year + 1900);
  EXPECT_EQ(bytes.size(), h.header_length + 2 * h.record_length + 1);
  EXPECT_EQ(bytes.back(), 0x1A);
  EXPECT_EQ(bytes.substr(h.header_length + h.record_length + 1 + 8 + 30 + 8, 8), " 1234.50");
}

TEST(TableWrite, CreateRefusesBadFieldsAndLeavesNoFile) {
  TempDir dir;
  const std::vector<std::vector<FieldInfo>> bad = {
      {},
      {{"NOME_LONGO_DEMAIS", 'C', 5, 0, 0}},
      {{"A", 'C', 0, 0, 0}},
      {{"A", 'C', 300, 0, 0}},
      {{"A", 'C', 5, 0, 0}, {"a", 'N', 5, 0, 0}},
      {{"A", 'N', 5, 4, 0}},
      {{"A", 'X', 5, 0, 0}},
      {{"A B", 'C', 5, 0, 0}},
  };
  for (const auto& fields : bad) {
    EXPECT_THROW(Table::Create(dir / "T.DBF", fields), Error);
    EXPECT_FALSE(fs::exists(dir / "T.DBF"));
  }
  EXPECT_TRUE(fs::is_empty(fs::path(dir / "")));
}

TEST(TableWrite, EditChangesOnlyTheFieldsSetByteForByte) {
  QX_REQUIRE_FIXTURES();
  TempDir dir;
  const std::string path = dir.CopyFixture("ECFMOVIM.DBF");
  const std::string before = ReadAll(path);
  auto t = Table::Open(path);
  ASSERT_TRUE(t->Locate("CUPOM", "000960"));
  const uint32_t r = t->RecNo();
  t->Edit();
  t->SetString("COD_DSUS", "111.222.333.444.555");
  t->SetString("SOLICIT", "000085");
  t->SetString("CRM_ECF", "1234567");
  t->SetString("UF_CRM", "MG - Minas Gerais e mais texto");  // cut to 20
  t->SetString("CPFCGC_CLI", "12345678901");
  t->SetString("NOME_CLI", "JOS\xC9 DA SILVA");
  t->Post();
  EXPECT_EQ(t->GetString("UF_CRM"), "MG - Minas Gerais e");  // 20 bytes, trailing blank not returned

  const std::string after = ReadAll(path);
  ASSERT_EQ(after.size(), before.size());
  const DbfHeader h = ParseDbfHeader(before, before.size(), "ECFMOVIM.DBF");
  const size_t rec_at = h.header_length + size_t(r - 1) * h.record_length;
  size_t changed_from = after.size(), changed_to = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i] != before[i]) {
      changed_from = std::min(changed_from, i);
      changed_to = i;
    }
  }
  // Only COD_DSUS .. NOME_CLI of that record changed (they are consecutive).
  const FieldInfo& first = t->fields()[t->FieldIndex("COD_DSUS")];
  const FieldInfo& last = t->fields()[t->FieldIndex("NOME_CLI")];
  EXPECT_GE(changed_from, rec_at + 1 + first.offset);
  EXPECT_LT(changed_to, rec_at + 1 + last.offset + last.length);
}

TEST(TableWrite, NumberThatDoesNotFitIsRefusedAndNothingIsWritten) {
  QX_REQUIRE_FIXTURES();
  TempDir dir;
  const std::string path = dir.CopyFixture("ECFMOVIM.DBF");
  const std::string before = ReadAll(path);
  auto t = Table::Open(path);
  t->Edit();
  t->SetString("SOLICIT", "999999");
  struct Case {
    double value;
    bool fits;
  } cases[] = {{123456789.99, true}, {1234567890.5, false}, {-12345678.99, true}, {-123456789.99, false}};
  for (const Case& c : cases) {
    if (c.fits) {
      EXPECT_NO_THROW(t->SetNumber("TOTAL", c.value)) << c.value;
    } else {
      try {
        t->SetNumber("TOTAL", c.value);
        ADD_FAILURE() << c.value << " accepted";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("TOTAL"), std::string::npos) << e.what();
      }
    }
  }
  EXPECT_THROW(t->SetFromText("TOTAL", "12x"), Error);
  EXPECT_THROW(t->SetFromText("DATA", "31/02/2011"), Error);
  t->Cancel();
  EXPECT_EQ(ReadAll(path), before);
}

TEST(TableWrite, FilterNarrowsTheWalk) {
  QX_REQUIRE_FIXTURES();
  auto t = Table::Open((qxtest::FixturesDir() / "shop-small" / "MOVIM.DBF").string(), {});
  // A real movement of the table gives the filter's values.
  t->Go(100);
  const std::string nf = t->GetString("NF");
  const std::string nota = t->GetString("COD_NOTA");
  const std::string date = t->GetString("DATMOV");
  uint32_t expected = 0;
  for (t->First(); !t->Eof(); t->Next())
    if (t->GetString("NF") == nf && t->GetString("COD_NOTA").rfind(nota, 0) == 0 && t->GetString("DATMOV") == date)
      ++expected;
  ASSERT_GT(expected, 0u);
  const std::string filter = "NF='" + nf + "' .AND. COD_NOTA='" + nota + "' .AND. DATMOV=ctod('" + date + "')";
  t->SetFilter(filter);
  EXPECT_EQ(t->filter(), filter);
  uint32_t seen = 0;
  for (t->First(); !t->Eof(); t->Next()) {
    ++seen;
    EXPECT_EQ(t->GetString("NF"), nf);
    EXPECT_FALSE(t->Deleted());
  }
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(t->Locate("NF", nf));
  EXPECT_FALSE(t->Locate("NF", "zzzzzz"));
  t->SetFilter("");
  seen = 0;
  for (t->First(); !t->Eof(); t->Next()) ++seen;
  EXPECT_EQ(seen, 3794u);

  try {
    t->SetFilter("NF='1' .AND. CUPOM='2'");
    FAIL() << "accepted";
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("MOVIM.DBF"), std::string::npos) << what;
    EXPECT_NE(what.find("CUPOM"), std::string::npos) << what;
  }
  EXPECT_EQ(t->filter(), "");
}

TEST(TableWrite, AnotherHandlesAppendsBecomeVisible) {
  TempDir dir;
  const std::string path = dir / "T.DBF";
  Table::Create(path, kArqgeFields);
  auto reader = Table::Open(path);
  auto writer = Table::Open(path);
  for (int i = 0; i < 3; ++i) {
    writer->Append();
    writer->SetString("REFER", "linha " + std::to_string(i));
    writer->Post();
  }
  EXPECT_EQ(reader->RecordCount(), 3u);
  int n = 0;
  for (reader->First(); !reader->Eof(); reader->Next()) ++n;
  EXPECT_EQ(n, 3);
  writer->Append();
  writer->SetString("REFER", "mais uma");
  writer->Post();
  reader->Go(3);
  reader->Next();  // past the count it knew: re-reads it
  ASSERT_FALSE(reader->Eof());
  EXPECT_EQ(reader->GetString("REFER"), "mais uma");
}

TEST(TableWrite, LockedRecordOrHeaderGivesAnErrorNamingItAndWritesNothing) {
  QX_REQUIRE_FIXTURES();
  LockPolicyGuard quick;
  TempDir dir;
  const std::string path = dir.CopyFixture("VENDEDOR.DBF");
  const std::string before = ReadAll(path);
  auto t = Table::Open(path);
  const DbfHeader h = ParseDbfHeader(before, before.size(), "VENDEDOR.DBF");
  LockLayout layout{false, h.header_length, h.record_length};

  const int other = ::open(path.c_str(), O_RDWR);  // another program's open
  ASSERT_GE(other, 0);
  {
    ByteRangeLock held;
    ASSERT_TRUE(held.TryAcquire(other, layout.RecordOffset(3), 1, true));
    t->Go(3);
    t->Edit();
    t->SetString("NOME_VEN", "X");
    try {
      t->Post();
      FAIL() << "posted under another's lock";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Tabela VENDEDOR.DBF: registro 3 bloqueado por outro usuário");
    }
    t->Cancel();
    t->Go(4);  // another record is free
    t->Edit();
    t->SetString("NOME_VEN", "LIVRE");
    t->Post();
  }
  {
    ByteRangeLock held;
    ASSERT_TRUE(held.TryAcquire(other, layout.HeaderOffset(), 1, true));
    t->Append();
    EXPECT_THROW(t->Post(), Error);
    t->Cancel();
  }
  ::close(other);
  auto r = Table::Open(path);
  EXPECT_EQ(r->RecordCount(), 20u);
  r->Go(3);
  EXPECT_NE(r->GetString("NOME_VEN"), "X");
  r->Go(4);
  EXPECT_EQ(r->GetString("NOME_VEN"), "LIVRE");
}

// Another program changing an index holds its lock byte: our write waits,
// then gives up naming the index and writes nothing; its reads still go on
// while the other only reads.
TEST(TableWrite, IndexLockedByAnotherRefusesTheWriteNamingTheIndex) {
  QX_REQUIRE_FIXTURES();
  LockPolicyGuard quick;
  TempDir dir;
  const std::string path = dir.CopyFixture("VENDEDOR.DBF");
  const std::string cdx = dir.CopyFixture("SICODVEN.CDX");
  const std::string dbf_before = ReadAll(path);
  const std::string cdx_before = ReadAll(cdx);
  OpenOptions opt;
  opt.index_files = {"SICODVEN"};
  auto t = Table::Open(path, opt);
  const Table::Tag& tag = *t->FindTag("SICODVEN");
  const int other = ::open(cdx.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  {
    ByteRangeLock held;
    ASSERT_TRUE(held.TryAcquire(other, kIndexLockOffset, 1, true));
    t->Go(4);
    t->Edit();
    t->SetString("CODIGO_VEN", "0444");
    try {
      t->Post();
      FAIL() << "posted under another's index lock";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("SICODVEN.CDX: bloqueado por outro usuário"), std::string::npos)
          << e.what();
    }
    t->Cancel();
    EXPECT_EQ(ReadAll(path), dbf_before);
    EXPECT_EQ(ReadAll(cdx), cdx_before);
  }
  {
    ByteRangeLock reading;
    ASSERT_TRUE(reading.TryAcquire(other, kIndexLockOffset, 1, false));
    EXPECT_EQ(t->SeekPrefix(tag, "0004").size(), 1u);
  }
  ::close(other);
  t->Go(4);
  t->Edit();
  t->SetString("CODIGO_VEN", "0444");
  t->Post();
  EXPECT_EQ(t->SeekPrefix(tag, "0444"), std::vector<uint32_t>{4});
}

TEST(TableWrite, WritesTakeTheLockBytesAndReleaseThem) {
  TempDir dir;
  const std::string path = dir / "T.DBF";
  Table::Create(path, kArqgeFields);
  auto t = Table::Open(path);
  t->Append();
  t->Post();
  const int other = ::open(path.c_str(), O_RDWR);
  const DbfHeader h = ParseDbfHeader(ReadAll(path), ReadAll(path).size(), "T.DBF");
  LockLayout layout{false, h.header_length, h.record_length};
  // Between writes nothing is held.
  EXPECT_FALSE(IsLockedByOther(other, layout.RecordOffset(1), 1, true));
  EXPECT_FALSE(IsLockedByOther(other, layout.HeaderOffset(), 1, true));
  // The offsets are FoxPro's.
  EXPECT_EQ(layout.RecordOffset(1), 0x40000000u + h.header_length);
  EXPECT_EQ(layout.RecordOffset(2), 0x40000000u + h.header_length + h.record_length);
  LockLayout structural{true, h.header_length, h.record_length};
  EXPECT_EQ(structural.RecordOffset(5), 0x7FFFFFFEu - 5);
  EXPECT_EQ(structural.HeaderOffset(), 0x7FFFFFFEu);
  EXPECT_EQ(structural.FileOffset(), 0x77FFFFFFu);
  ::close(other);
}

TEST(TableWrite, ExclusiveOpenConflictsWithSharedOpen) {
  TempDir dir;
  const std::string path = dir / "T.DBF";
  Table::Create(path, kArqgeFields);
  auto shared = Table::Open(path);
  OpenOptions ex;
  ex.exclusive = true;
  EXPECT_THROW(Table::Open(path, ex), Error);
  shared.reset();
  auto alone = Table::Open(path, ex);
  EXPECT_THROW(Table::Open(path), Error);
}

TEST(TableWrite, ReadOnlyAndOutOfEditErrors) {
  QX_REQUIRE_FIXTURES();
  OpenOptions ro;
  ro.read_only = true;
  auto t = Table::Open((qxtest::FixturesDir() / "shop-small" / "VENDEDOR.DBF").string(), ro);
  EXPECT_THROW(t->Edit(), Error);
  EXPECT_THROW(t->Append(), Error);
  EXPECT_THROW(t->SetString("NOME_VEN", "x"), Error);  // not editing
  t->Go(999);
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(t->GetString("NOME_VEN"), "");
}

// Hostile and damaged tables: a clear error naming the file, never a crash.
TEST(TableWrite, DamagedTablesAreRefusedNamingTheFile) {
  TempDir dir;
  const std::string good_path = dir / "GOOD.DBF";
  Table::Create(good_path, kArqgeFields);
  {
    auto t = Table::Open(good_path);
    for (int i = 0; i < 3; ++i) {
      t->Append();
      t->SetString("REFER", "x");
      t->Post();
    }
  }
  const std::string good = ReadAll(good_path);
  struct Case {
    const char* what;
    std::string bytes;
  };
  auto patched = [&](size_t at, std::string with) {
    std::string b = good;
    b.replace(at, with.size(), with);
    return b;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"short header", good.substr(0, 20)},
      {"truncated descriptors", good.substr(0, 100)},
      {"missing records", good.substr(0, good.size() - 40)},
      {"unknown version", patched(0, "\x04")},
      {"record count too high", patched(4, std::string("\xFF\xFF\x00\x00", 4))},
      {"header length beyond file", patched(8, std::string("\xFF\xFF", 2))},
      {"header length too small", patched(8, std::string("\x10\x00", 2))},
      {"record length too small", patched(10, std::string("\x05\x00", 2))},
      {"no terminator", patched(32 + 32 * 6, "X")},
      {"zero-length field", patched(32 + 16, std::string("\x00", 1))},
      {"duplicate field", patched(32 + 32, "COO_ECF\0\0\0\0" + std::string())},
      {"structural index flagged but absent", patched(28, "\x01")},
  };
  for (const Case& c : cases) {
    const std::string p = dir / "BAD.DBF";
    WriteAll(p, c.bytes);
    try {
      auto t = Table::Open(p);
      ADD_FAILURE() << c.what << ": opened";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("BAD.DBF"), std::string::npos) << c.what << ": " << e.what();
    }
    fs::remove(p);
  }
}

TEST(TableWrite, MalformedValuesInARecordAreErrorsNamingFieldAndRecord) {
  TempDir dir;
  const std::string path = dir / "V.DBF";
  Table::Create(path, kArqgeFields);
  {
    auto t = Table::Open(path);
    t->Append();
    t->Post();
  }
  std::string bytes = ReadAll(path);
  const DbfHeader h = ParseDbfHeader(bytes, bytes.size(), "V.DBF");
  const size_t rec = h.header_length;
  bytes.replace(rec + 1 + 6 + 2 + 30, 8, "2011AB05");  // DT_EMIS
  bytes.replace(rec + 1 + 6 + 2 + 30 + 8, 8, "  12x.00");  // TOTAL
  WriteAll(path, bytes);
  auto t = Table::Open(path);
  try {
    t->GetDate("DT_EMIS");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Tabela V.DBF: campo DT_EMIS do registro 1 não contém uma data válida");
  }
  EXPECT_THROW(t->GetNumber("TOTAL"), Error);
  EXPECT_THROW(t->GetLogical("TOTAL"), Error);
  EXPECT_EQ(t->GetString("REFER"), "");
}

}  // namespace
}  // namespace xbase
