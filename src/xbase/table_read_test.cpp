// Reading the reference shop tables written by another xBase engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "fixtures.h"
#include "xbase/table.h"

namespace xbase {
namespace {

OpenOptions ReadOnly() {
  OpenOptions o;
  o.read_only = true;
  return o;
}

std::string Shop(const std::string& name) { return (qxtest::FixturesDir() / "shop-small" / name).string(); }

struct TableFacts {
  const char* file;
  uint32_t live;
  uint32_t deleted;
  const char* fields;  // NAME type(length[,decimals]) as the fixture list gives them
};
void PrintTo(const TableFacts& f, std::ostream* os) { *os << f.file; }

const TableFacts kTables[] = {
    {"CLIENTES.DBF", 1996, 4, "CODIGO_CLI C(6) NOME_CLI C(40) CPF_CLI C(14) CIDADE_CLI C(30)"},
    {"ECFARQGE.DBF", 924, 3,
     "COO_ECF C(6) CRG_ECF C(6) CDC_ECF C(6) GNF_ECF C(6) DENOMI C(2) REFER C(30) DT_EMIS D(8) HORA C(8) "
     "COD_IMP C(3)"},
    {"ECFMOVIM.DBF", 997, 3,
     "CUPOM C(6) DATA D(8) IMPRESSORA C(3) VENDEDOR C(4) CLIENTE C(6) COD_DSUS C(19) SOLICIT C(6) CRM_ECF C(7) "
     "UF_CRM C(20) CPFCGC_CLI C(14) NOME_CLI C(40) TOTAL N(12,2)"},
    {"ITEM.DBF", 4995, 5,
     "CODITEM C(14) DESCRICAO C(50) QTDE_COMP N(6) VENDANORM N(12,2) GRUPO C(4) STATUS_ITM C(1) UNIDADE C(3) "
     "CDTRIBI C(3) CODTRIBUT C(3) DESCNUM C(10) SALATUAL N(12,3) COD_NCM C(8) CODORIG C(10)"},
    {"MOVIM.DBF", 3794, 7,
     "NF C(6) COD_NOTA C(10) DATMOV D(8) CODITM_MOV C(14) QTDE N(10,3) TIPOMOV C(2) CODFOR C(6) CODIGO_MOV C(8)"},
    {"SIGRUPO.DBF", 19, 1, "CODIGO_GRU C(4) DESC_GRU C(30)"},
    {"SIPROECF.DBF", 3021, 6, "CUPOM_PRO C(6) CODPRO_PRO C(14) QTDE N(10,3) VALOR_PRO N(12,2)"},
    {"VENDEDOR.DBF", 18, 2, "CODIGO_VEN C(4) NOME_VEN C(40) USUARIO_FP C(20) SENHA_FP C(20)"},
};

std::string Describe(const std::vector<FieldInfo>& fields) {
  std::string out;
  for (const FieldInfo& f : fields) {
    if (!out.empty()) out += ' ';
    out += f.name + ' ' + f.type + '(' + std::to_string(f.length);
    if (f.decimals != 0) out += ',' + std::to_string(f.decimals);
    out += ')';
  }
  return out;
}

class FixtureTables : public ::testing::TestWithParam<TableFacts> {};

// Every record of every table reads back: the layout, the counts, deleted
// records hidden from a walk but reachable with Go, and every field of every
// record decodes by its type.
TEST_P(FixtureTables, EveryRecordReadsBack) {
  QX_REQUIRE_FIXTURES();
  const TableFacts& facts = GetParam();
  auto t = Table::Open(Shop(facts.file), ReadOnly());
  EXPECT_EQ(Describe(t->fields()), facts.fields);
  EXPECT_EQ(t->RecordCount(), facts.live + facts.deleted);

  uint32_t walked = 0;
  uint32_t previous = 0;
  for (t->First(); !t->Eof(); t->Next()) {
    EXPECT_FALSE(t->Deleted());
    EXPECT_GT(t->RecNo(), previous);
    previous = t->RecNo();
    ++walked;
    for (size_t i = 0; i < t->fields().size(); ++i) {
      const FieldInfo& f = t->fields()[i];
      const std::string text = t->GetString(f.name);
      const std::string_view raw = t->RawField(static_cast<int>(i));
      ASSERT_EQ(raw.size(), static_cast<size_t>(f.length));
      if (f.type == 'C') {
        EXPECT_EQ(text, std::string(raw).erase(std::string(raw).find_last_not_of(' ') + 1));
        EXPECT_TRUE(text.empty() || text.back() != ' ');
      } else if (f.type == 'N') {
        const auto n = t->GetNumber(f.name);
        ASSERT_TRUE(n.has_value()) << f.name << " of record " << t->RecNo();
        EXPECT_DOUBLE_EQ(*n, std::stod(text));
      } else if (f.type == 'D') {
        const JulianDay d = t->GetDate(f.name);
        EXPECT_GT(d, JulianFromYmd(2020, 1, 1)) << f.name << " of record " << t->RecNo();
        int y, m, dd;
        YmdFromJulian(d, &y, &m, &dd);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, dd);
        EXPECT_EQ(std::string(raw), buf);
      }
    }
  }
  EXPECT_EQ(walked, facts.live);
  EXPECT_TRUE(t->Eof());

  uint32_t deleted = 0;
  for (uint32_t r = 1; r <= t->RecordCount(); ++r) {
    t->Go(r);
    ASSERT_FALSE(t->Eof());
    EXPECT_EQ(t->RecNo(), r);
    deleted += t->Deleted() ? 1 : 0;
  }
  EXPECT_EQ(deleted, facts.deleted);
  t->Go(t->RecordCount() + 1);
  EXPECT_TRUE(t->Eof());
}

INSTANTIATE_TEST_SUITE_P(ShopSmall, FixtureTables, ::testing::ValuesIn(kTables),
                         [](const auto& info) {
                           std::string n = info.param.file;
                           return n.substr(0, n.find('.'));
                         });

TEST(TableRead, KnownValuesOfTheReferenceShop) {
  QX_REQUIRE_FIXTURES();
  auto vendedor = Table::Open(Shop("VENDEDOR.DBF"), ReadOnly());
  EXPECT_EQ(vendedor->GetString("codigo_ven"), "0001");
  EXPECT_EQ(vendedor->GetString("Nome_Ven"), "ALU\xCDSIO NASCIMENTO");  // Windows-1252 as stored

  // The highest request number over every live coupon header.
  auto ecf = Table::Open(Shop("ECFMOVIM.DBF"), ReadOnly());
  std::string highest;
  for (ecf->First(); !ecf->Eof(); ecf->Next()) highest = std::max(highest, ecf->GetString("SOLICIT"));
  EXPECT_EQ(highest, "000084");

  // Coupon numbers count per printer: 000006 of printer 002.
  ASSERT_TRUE(ecf->Locate("CUPOM", "000006"));
  while (!ecf->Eof() && !(ecf->GetString("CUPOM") == "000006" && ecf->GetString("IMPRESSORA") == "002"))
    ecf->Next();
  ASSERT_FALSE(ecf->Eof());
  EXPECT_EQ(ecf->GetString("COD_DSUS"), "266.864.685.748.302");
  EXPECT_EQ(ecf->GetString("IMPRESSORA"), "002");
  EXPECT_EQ(ecf->GetString("DATA"), "30/10/2025");
  EXPECT_EQ(ecf->GetDate("DATA"), JulianFromYmd(2025, 10, 30));

  auto clientes = Table::Open(Shop("CLIENTES.DBF"), ReadOnly());
  const std::string client = ecf->GetString("CLIENTE");
  ASSERT_TRUE(clientes->Locate("CODIGO_CLI", client));
  EXPECT_EQ(clientes->GetString("CPF_CLI"), "213.244.366-11");

  // Coupon 000065's items (the fixture's lookup lists each twice, once per
  // printer's coupon header it joins).
  auto items = Table::Open(Shop("SIPROECF.DBF"), ReadOnly());
  std::multiset<std::string> got;
  for (items->First(); !items->Eof(); items->Next()) {
    if (items->GetString("CUPOM_PRO") != "000065") continue;
    got.insert(items->GetString("CODPRO_PRO") + " " + std::to_string(*items->GetNumber("QTDE")));
  }
  const std::multiset<std::string> want = {
      "7898998830234 2.000000", "7890131357523 1.000000", "7892864138196 1.000000", "7890965381503 1.000000",
      "00000000003690 2.000000"};
  EXPECT_EQ(got, want);
}

TEST(TableRead, LocateMatchesWholeValueIgnoringStoredTrailingBlanks) {
  QX_REQUIRE_FIXTURES();
  auto t = Table::Open(Shop("VENDEDOR.DBF"), ReadOnly());
  struct Case {
    const char* field;
    const char* value;
    bool found;
  } cases[] = {
      {"CODIGO_VEN", "0001", true},
      {"codigo_ven", "0001", true},   // field names without regard to case
      {"CODIGO_VEN", "000", false},   // a prefix is not the whole value
      {"CODIGO_VEN", "0001 ", false}, // trailing blanks of the value do count
      {"NOME_VEN", "alu\xEDsio nascimento", false},  // case-sensitive
  };
  for (const Case& c : cases) {
    EXPECT_EQ(t->Locate(c.field, c.value), c.found) << c.field << "=" << c.value;
    if (c.found) EXPECT_EQ(t->GetString(c.field), c.value);
    else EXPECT_TRUE(t->Eof());
  }
}

TEST(TableRead, DeletedRecordsAreInvisibleToLocate) {
  QX_REQUIRE_FIXTURES();
  auto t = Table::Open(Shop("VENDEDOR.DBF"), ReadOnly());
  std::vector<std::string> deleted_codes;
  for (uint32_t r = 1; r <= t->RecordCount(); ++r) {
    t->Go(r);
    if (t->Deleted()) deleted_codes.push_back(t->GetString("CODIGO_VEN"));
  }
  ASSERT_EQ(deleted_codes.size(), 2u);
  for (const std::string& code : deleted_codes) EXPECT_FALSE(t->Locate("CODIGO_VEN", code)) << code;
}

TEST(TableRead, UnknownFieldIsNamedInTheError) {
  QX_REQUIRE_FIXTURES();
  auto t = Table::Open(Shop("ECFMOVIM.DBF"), ReadOnly());
  try {
    t->GetString("CUPONS");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Tabela ECFMOVIM.DBF: campo CUPONS inexistente");
  }
  EXPECT_THROW(t->Locate("NADA", "x"), Error);
  EXPECT_EQ(t->FieldIndex("cupom"), 0);
  EXPECT_EQ(t->FieldIndex("CUPONS"), -1);
}

TEST(TableRead, MissingTableIsNamed) {
  try {
    Table::Open("/nonexistent-dir/NADA.DBF");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("NADA.DBF"), std::string::npos) << e.what();
  }
}

TEST(TableRead, FileNameFoundWithoutRegardToCase) {
  QX_REQUIRE_FIXTURES();
  auto t = Table::Open(Shop("vendedor.dbf"), ReadOnly());
  EXPECT_EQ(t->RecordCount(), 20u);
}

}  // namespace
}  // namespace xbase
