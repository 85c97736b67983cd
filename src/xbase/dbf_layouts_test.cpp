// The FoxPro 2 and Visual FoxPro layouts, built byte by byte as those
// programs write them: binary field types, the backlink area, _NullFlags and
// memos in the .FPT file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "xbase/dbf_format.h"
#include "xbase/table.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;

struct Field {
  const char* name;
  char type;
  int length;
  int decimals;
  uint8_t flags;
};

std::string Le(uint64_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}
std::string Be(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Header(uint8_t version, const std::vector<Field>& fields, uint32_t count, bool backlink) {
  int record = 1;
  for (const Field& f : fields) record += f.length;
  const int length = 32 + 32 * static_cast<int>(fields.size()) + 1 + (backlink ? 263 : 0);
  std::string h(32, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 126, h[2] = 12, h[3] = 11;
  h.replace(4, 4, Le(count, 4));
  h.replace(8, 2, Le(static_cast<uint64_t>(length), 2));
  h.replace(10, 2, Le(static_cast<uint64_t>(record), 2));
  int offset = 1;
  for (const Field& f : fields) {
    std::string d(32, '\0');
    d.replace(0, std::strlen(f.name), f.name);
    d[11] = f.type;
    d.replace(12, 4, Le(static_cast<uint64_t>(offset), 4));
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    d[18] = static_cast<char>(f.flags);
    h += d;
    offset += f.length;
  }
  h.push_back(0x0D);
  if (backlink) h += std::string(263, '\0');
  return h;
}

class Dir {
 public:
  Dir() : p_(fs::temp_directory_path() / ("xbase-layout-" + std::to_string(::getpid()))) {
    fs::remove_all(p_);
    fs::create_directories(p_);
  }
  ~Dir() { fs::remove_all(p_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream((p_ / name).string(), std::ios::binary) << bytes;
    return (p_ / name).string();
  }

 private:
  fs::path p_;
};

std::string Fpt(uint32_t block, const std::string& text) {
  std::string f(512, '\0');
  f.replace(0, 4, Be(block + 1));
  f[6] = 0, f[7] = 64;
  f.resize(block * 64, '\0');
  f += Be(1) + Be(static_cast<uint32_t>(text.size())) + text;
  return f;
}

TEST(DbfLayouts, VisualFoxProBinaryTypesNullsAndMemo) {
  const std::vector<Field> fields = {
      {"ID", 'C', 4, 0, 0},  {"INTEIRO", 'I', 4, 0, 0}, {"DUPLO", 'B', 8, 2, 0}, {"MOEDA", 'Y', 8, 4, 0},
      {"QUANDO", 'T', 8, 0, 0}, {"NOTAS", 'M', 4, 0, 0}, {"OPC", 'N', 5, 1, 0x02},
      {"_NullFlags", '0', 1, 0, 0x05},
  };
  const JulianDay day = JulianFromYmd(2011, 3, 5);
  double duplo = 3.25;
  uint64_t bits;
  std::memcpy(&bits, &duplo, 8);
  std::string r1 = " AB  " + Le(static_cast<uint32_t>(-7), 4) + Le(bits, 8) + Le(123456, 8) +
                   Le(static_cast<uint32_t>(day), 4) + Le(37800000, 4) + Le(8, 4) + "  2.5" + std::string(1, '\0');
  std::string r2 = "*CD  " + Le(0, 4) + Le(0, 8) + Le(0, 8) + Le(0, 8) + Le(0, 4) + "     " + std::string(1, '\x01');
  for (uint8_t version : {0x30, 0x31, 0x32}) {
    Dir dir;
    const std::string path = dir.Write("VFP.DBF", Header(version, fields, 2, true) + r1 + r2 + "\x1A");
    dir.Write("vfp.fpt", Fpt(8, "texto do memo"));
    auto t = Table::Open(path);
    ASSERT_EQ(t->fields().size(), 7u) << "the _NullFlags system field is not shown";
    EXPECT_EQ(t->FieldIndex("_NULLFLAGS"), -1);
    t->First();
    EXPECT_EQ(t->GetString("ID"), "AB");
    EXPECT_EQ(t->GetString("INTEIRO"), "-7");
    EXPECT_DOUBLE_EQ(*t->GetNumber("DUPLO"), 3.25);
    EXPECT_DOUBLE_EQ(*t->GetNumber("MOEDA"), 12.3456);
    EXPECT_EQ(t->GetDate("QUANDO"), day);
    EXPECT_EQ(t->GetString("QUANDO"), "05/03/2011 10:30:00");
    EXPECT_EQ(t->GetMemo("NOTAS"), "texto do memo");
    EXPECT_EQ(t->GetString("NOTAS"), "texto do memo");
    EXPECT_DOUBLE_EQ(*t->GetNumber("OPC"), 2.5);
    t->Next();
    EXPECT_TRUE(t->Eof()) << "record 2 is deleted";
    t->Go(2);
    EXPECT_TRUE(t->Deleted());
    EXPECT_FALSE(t->GetNumber("OPC").has_value()) << "null by _NullFlags";
    EXPECT_EQ(t->GetString("OPC"), "");
    EXPECT_EQ(t->GetMemo("NOTAS"), "");
    // Writes keep the binary layout.
    t->Go(1);
    t->Edit();
    t->SetNumber("INTEIRO", 42);
    t->SetNumber("MOEDA", -1.5);
    t->Post();
    auto again = Table::Open(path);
    EXPECT_EQ(again->GetString("INTEIRO"), "42");
    EXPECT_DOUBLE_EQ(*again->GetNumber("MOEDA"), -1.5);
    EXPECT_EQ(again->GetMemo("NOTAS"), "texto do memo");
  }
}

TEST(DbfLayouts, FoxPro2MemoWithTextBlockNumbers) {
  const std::vector<Field> fields = {{"COD", 'C', 3, 0, 0}, {"OBS", 'M', 10, 0, 0}};
  for (uint8_t version : {0x83, 0xF5}) {
    Dir dir;
    const std::string path =
        dir.Write("FOX.DBF", Header(version, fields, 2, false) + " 001         8" + " 002          " + "\x1A");
    dir.Write("FOX.FPT", Fpt(8, "texto do memo"));
    auto t = Table::Open(path);
    t->First();
    EXPECT_EQ(t->GetMemo("OBS"), "texto do memo");
    t->Next();
    EXPECT_EQ(t->GetMemo("OBS"), "");
  }
}

TEST(DbfLayouts, DamagedMemoReferencesAreErrorsNamingTheFile) {
  const std::vector<Field> fields = {{"COD", 'C', 3, 0, 0}, {"OBS", 'M', 10, 0, 0}};
  struct Case {
    const char* block;
    std::string fpt;
    const char* message;
  } cases[] = {
      {"       999", Fpt(8, "x"), "bloco 999"},
      {"         8", Fpt(8, "x").substr(0, 520), "bloco 8"},
      {"        8x", Fpt(8, "x"), "referência de memo inválida"},
      {"         8", "", "FOX.FPT"},
  };
  for (const Case& c : cases) {
    Dir dir;
    const std::string path = dir.Write("FOX.DBF", Header(0xF5, fields, 1, false) + " 001" + c.block + "\x1A");
    if (!c.fpt.empty()) dir.Write("FOX.FPT", c.fpt);
    auto t = Table::Open(path);
    try {
      t->GetMemo("OBS");
      ADD_FAILURE() << c.message;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace xbase
