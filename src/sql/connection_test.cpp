#include "sql/connection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "fixtures.h"
#include "sql/dialect.h"
#include "sql/test_shop.h"

namespace sql {
namespace {

namespace fs = std::filesystem;
using sqltest::Field;
using sqltest::Index;
using sqltest::Row;

// "Ç" and "É" in Windows-1252.
const std::string kJoseAnsi = "JOS\xC9 CONCEI\xC7\xC3O";
const std::string kJoseUtf8 = "JOS\xC3\x89 CONCEI\xC3\x87\xC3\x83O";

class SqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("qx_sql_" + std::to_string(rd()));
    fs::create_directories(dir_);
    sqltest::MakeTable(dir_, "ITEM",
                       {{"CODITEM", 'C', 14}, {"DESCRICAO", 'C', 50}, {"QTDE_COMP", 'N', 6}, {"VENDANORM", 'N', 12, 2},
                        {"VALIDADE", 'D', 8}, {"ATIVO", 'L', 1}, {"GRUPO", 'C', 4}},
                       {{{"7891000000011", "DIPIRONA 500MG", "10", "12.50", "05/03/2011", "T", "G1"}},
                        {{"42", "  COM BRANCOS   ", "", "", "", "F", "G2"}},
                        {{"7891000000099", "APAGADO", "1", "1.00", "", "T", "G1"}, true},
                        {{"7891000000028", kJoseAnsi, "30", "3.10", "31/12/2026", "", "G9"}}},
                       {{"CODITEM", "CODITEM"}, {"SIDESCIT", "DESCRICAO"}});
    sqltest::MakeTable(dir_, "sigrupo", {{"CODIGO_GRU", 'C', 4}, {"DESC_GRU", 'C', 30}},
                       {{{"G1", "ANALGESICOS"}}, {{"G2", "DIVERSOS"}}});
    sqltest::MakeTable(dir_, "ECFMOVIM",
                       {{"CUPOM", 'C', 6}, {"DATA", 'D', 8}, {"IMPRESSORA", 'C', 3}, {"SOLICIT", 'C', 6}},
                       {{{"000010", "30/11/2026", "001", "000007"}},
                        {{"000010", "29/11/2026", "002", ""}},
                        {{"000011", "30/11/2026", "001", "000099"}, true},
                        {{"000012", "30/11/2026", "002", "000008"}}},
                       {{"ECFCODMO", "CUPOM+IMPRESSORA"}, {"ECFDATMO", "DTOS(DATA)+CUPOM"}});
  }
  // A connection that opens the index files made above.
  std::unique_ptr<Connection> Open() {
    auto db = std::make_unique<Connection>(dir_.string());
    db->SetIndexFiles("item", {"CODITEM", "sidescit.cdx"});
    db->SetIndexFiles("ECFMOVIM", {"ECFCODMO", "ECFDATMO", "MISSING"});
    return db;
  }

  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // All rows of a statement, each value as text ("NULL" for null).
  std::vector<std::vector<std::string>> Rows(Connection& db, const std::string& text) {
    Statement st = db.Prepare(text);
    std::vector<std::vector<std::string>> rows;
    while (st.Step()) {
      std::vector<std::string> row;
      for (int i = 0; i < st.ColumnCount(); ++i)
        row.push_back(st.ColumnType(i) == ValueType::kNull ? "NULL" : st.ColumnText(i));
      rows.push_back(row);
    }
    return rows;
  }

  std::string One(Connection& db, const std::string& text) {
    auto rows = Rows(db, text);
    EXPECT_EQ(rows.size(), 1u) << text;
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
  }

  fs::path dir_;
};

TEST_F(SqlTest, ColumnsAreTypedAsTheFieldsSay) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  struct Case {
    const char* expression;
    const char* code;
    const char* expected;
  } cases[] = {
      {"typeof(CODITEM) || ':' || CODITEM", "7891000000011", "text:7891000000011"},
      {"'[' || DESCRICAO || ']'", "42", "[  COM BRANCOS]"},  // trailing blanks go, leading stay
      {"typeof(QTDE_COMP) || ':' || QTDE_COMP", "7891000000011", "integer:10"},
      {"typeof(VENDANORM) || ':' || VENDANORM", "7891000000011", "real:12.5"},
      {"typeof(QTDE_COMP)", "42", "null"},  // empty number
      {"typeof(VENDANORM)", "42", "null"},
      {"VALIDADE", "7891000000011", "05/03/2011"},
      {"typeof(VALIDADE)", "42", "null"},  // empty date
      {"typeof(ATIVO) || ':' || ATIVO", "7891000000011", "integer:1"},
      {"ATIVO", "42", "0"},
      {"typeof(ATIVO)", "7891000000028", "null"},
      {"DESCRICAO", "7891000000028", kJoseUtf8.c_str()},  // Windows-1252 read as UTF-8
      {"length(DESCRICAO)", "7891000000028", "14"},         // characters, not bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(One(db, std::string("SELECT ") + c.expression + " FROM ITEM WHERE CODITEM='" + c.code + "'"), c.expected);
  }
}

TEST_F(SqlTest, DeletedRecordsAreLeftOut) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM ITEM"), "3");
  EXPECT_TRUE(Rows(db, "SELECT * FROM ITEM WHERE CODITEM='7891000000099'").empty());
  EXPECT_TRUE(Rows(db, "SELECT * FROM ITEM WHERE +CODITEM='7891000000099'").empty());  // scan, no seek
  EXPECT_EQ(One(db, "SELECT MAX(SOLICIT) FROM ECFMOVIM"), "000008");  // 000099 is deleted
}

TEST_F(SqlTest, NamesMatchWithoutRegardToCase) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  // The file is sigrupo.DBF; statements spell table and fields any way.
  EXPECT_EQ(One(db, "select desc_gru from SIGRUPO where codigo_gru='G2'"), "DIVERSOS");
  EXPECT_EQ(One(db, "SELECT Coditem FROM item i WHERE i.coditem='42'"), "42");
}

TEST_F(SqlTest, DateLiteralsCompareWithDateColumns) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  EXPECT_EQ(Rows(db, "SELECT CUPOM FROM ECFMOVIM E WHERE e.data='30/11/2026' AND CUPOM='000010'"),
            (std::vector<std::vector<std::string>>{{"000010"}}));
  EXPECT_TRUE(Rows(db, "SELECT CUPOM FROM ECFMOVIM WHERE DATA='28/11/2026'").empty());
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM ECFMOVIM WHERE DATA='30/11/2026'"), "2");
}

TEST_F(SqlTest, ShopDialectRuns) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"SELECT CAST(QTDE_COMP as SQL_INTEGER) + 1 FROM ITEM WHERE CODITEM='7891000000011'", "11"},
      {"SELECT CAST('0042' AS SQL_INTEGER)", "42"},
      {"SELECT SUBSTRING(CODITEM,1,4) FROM ITEM WHERE CODITEM='7891000000011'", "7891"},
      {"SELECT SUBSTRING(CODITEM from 2 for 3) FROM ITEM WHERE CODITEM='7891000000011'", "891"},
      {"SELECT iif(SUBSTRING(CODITEM,1,1) IN ('5','6','7'),'sim','nao') FROM ITEM WHERE CODITEM='7891000000011'", "sim"},
      {"  SELECT COUNT(*)   \r  FROM ITEM   \r  /*order by data MUITO PESADO */ ", "3"},
      {"SELECT COUNT(*) FROM ITEM LEFT JOIN SIGRUPO ON CODIGO_GRU=GRUPO WHERE DESC_GRU IS NULL", "1"},
      {"SELECT COUNT(*) FROM ITEM INNER JOIN SIGRUPO ON CODIGO_GRU=GRUPO", "2"},
      {"SELECT 'SQL_INTEGER'", "SQL_INTEGER"},  // literals are never rewritten
      {"SELECT COUNT(*) FROM ITEM WHERE DESCRICAO<>''", "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(One(db, c.text), c.expected);
  }
}

TEST(DialectTest, RewritesOnlyOutsideLiteralsAndComments) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"CAST(X as SQL_INTEGER)", "CAST(X as INTEGER)"},
      {"cast(x AS sql_char)", "cast(x AS TEXT)"},
      {"'CAST(X AS SQL_INTEGER)'", "'CAST(X AS SQL_INTEGER)'"},
      {"'it''s SQL_INTEGER'", "'it''s SQL_INTEGER'"},
      {"/* SQL_INTEGER */ SQL_INTEGER", "/* SQL_INTEGER */ INTEGER"},
      {"\"SQL_INTEGER\"", "\"SQL_INTEGER\""},
      {"SUBSTRING(A from 1 for 2)", "SUBSTRING(A , 1 , 2)"},
      {"SUBSTRING(f(A) FROM 1 FOR 2)", "SUBSTRING(f(A) , 1 , 2)"},
      {"SELECT A FROM T WHERE B='from'", "SELECT A FROM T WHERE B='from'"},
      {"MY_SQL_INTEGER", "MY_SQL_INTEGER"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteDialect(c.in), c.out) << c.in;
}

TEST_F(SqlTest, IndexSeekFindsExactlyWhatAScanFinds) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  // "+COLUMN" hides the column from the planner, so SQLite scans.
  struct Case {
    const char* table;
    const char* column;
    std::string value;
  } cases[] = {
      {"ITEM", "CODITEM", "'7891000000011'"},
      {"ITEM", "CODITEM", "'42'"},
      {"ITEM", "CODITEM", "'42 '"},                // trailing blank in the value
      {"ITEM", "CODITEM", "'4'"},                  // a prefix of a code is no match
      {"ITEM", "CODITEM", "'123456789012345'"},    // longer than the field
      {"ITEM", "CODITEM", "''"},
      {"ITEM", "CODITEM", "NULL"},
      {"ITEM", "DESCRICAO", "'" + kJoseUtf8 + "'"},
      {"ITEM", "DESCRICAO", "'\xE2\x98\x83'"},     // a character Windows-1252 lacks
      {"ITEM", "DESCRICAO", "'dipirona 500mg' COLLATE NOCASE"},  // another collation: no seek
      {"ITEM", "GRUPO", "'G1'"},                   // no tag: the cursor's hash
      {"ITEM", "GRUPO", "'G1' COLLATE NOCASE"},
      {"ITEM", "GRUPO", "'G'"},
      {"ECFMOVIM", "CUPOM", "'000010'"},           // start of the key CUPOM+IMPRESSORA
      {"ECFMOVIM", "CUPOM", "'000011'"},           // deleted
      {"ECFMOVIM", "DATA", "'30/11/2026'"},        // DTOS(DATA)+CUPOM
      {"ECFMOVIM", "DATA", "'31/02/2026'"},
      {"ECFMOVIM", "DATA", "'2026-11-30'"},
      {"ECFMOVIM", "DATA", "'30/11/2026 ' COLLATE RTRIM"},
      {"ECFMOVIM", "CUPOM", "'000010  ' COLLATE RTRIM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "." + c.column + "=" + c.value);
    const std::string base = std::string("SELECT rowid FROM ") + c.table + " WHERE ";
    const auto seek = Rows(db, base + c.column + "=" + c.value + " ORDER BY rowid");
    const auto scan = Rows(db, base + "+" + c.column + "=" + c.value + " ORDER BY rowid");
    EXPECT_EQ(seek, scan);
  }
  EXPECT_EQ(Rows(db, "SELECT rowid FROM ECFMOVIM WHERE CUPOM='000010' ORDER BY rowid").size(), 2u);
  // Two parts of one key, DTOS(DATA)+CUPOM, fixed together.
  for (const char* where : {"DATA='30/11/2026' AND CUPOM='000010'", "DATA='29/11/2026' AND CUPOM='000010'",
                            "DATA='30/11/2026' AND CUPOM='000011'", "CUPOM='000012' AND IMPRESSORA='002'"}) {
    SCOPED_TRACE(where);
    EXPECT_EQ(Rows(db, std::string("SELECT rowid FROM ECFMOVIM WHERE ") + where),
              Rows(db, "SELECT rowid FROM ECFMOVIM WHERE +" + std::string(where).replace(std::string(where).find(" AND ") + 5, 0, "+")));
  }
  EXPECT_EQ(Rows(db, "SELECT rowid FROM ECFMOVIM WHERE DATA='30/11/2026' AND CUPOM='000010'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  // A number against a text column is compared as text, by seek as by SQLite.
  EXPECT_EQ(Rows(db, "SELECT rowid FROM ITEM WHERE CODITEM=42"), (std::vector<std::vector<std::string>>{{"2"}}));
}

TEST_F(SqlTest, EqualityOnAnIndexedColumnIsASeek) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  auto plan = [&](const std::string& text) {
    std::string all;
    for (const auto& row : Rows(db, "EXPLAIN QUERY PLAN " + text)) all += row.back() + "\n";
    return all;
  };
  // Index 0 is a full scan; a seek names its tag (1-based).
  EXPECT_NE(plan("SELECT * FROM ITEM WHERE CODITEM='42'").find("VIRTUAL TABLE INDEX 1:"), std::string::npos);
  EXPECT_NE(plan("SELECT * FROM ITEM WHERE QTDE_COMP=10").find("VIRTUAL TABLE INDEX 0:"), std::string::npos);
  EXPECT_NE(plan("SELECT * FROM ECFMOVIM WHERE CUPOM='000010'").find("VIRTUAL TABLE INDEX 1:"), std::string::npos);
  // A join is driven by the seek on the constant and seeks into the other table.
  const std::string join = plan("SELECT * FROM SIGRUPO INNER JOIN ITEM ON CODITEM=CODIGO_GRU WHERE CODIGO_GRU='G1'");
  EXPECT_NE(join.find("SCAN ITEM VIRTUAL TABLE INDEX 1:"), std::string::npos) << join;
  // A join on a column no tag covers reads the inner table once, into a hash.
  std::vector<Row> many;
  for (int i = 0; i < 300; ++i) many.push_back({{std::to_string(i), i % 2 ? "G1" : "G2"}});
  sqltest::MakeTable(dir_, "LOTE", {{"CODIGO", 'C', 6}, {"GRUPO", 'C', 4}}, many);
  const std::string hash = plan("SELECT * FROM SIGRUPO INNER JOIN LOTE ON GRUPO=CODIGO_GRU");
  EXPECT_NE(hash.find("VIRTUAL TABLE INDEX 1048"), std::string::npos) << hash;
  EXPECT_EQ(Rows(db, "SELECT CODITEM, DESC_GRU FROM ITEM INNER JOIN SIGRUPO ON CODIGO_GRU=GRUPO ORDER BY 1"),
            (std::vector<std::vector<std::string>>{{"42", "DIVERSOS"}, {"7891000000011", "ANALGESICOS"}}));
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM SIGRUPO INNER JOIN LOTE ON GRUPO=CODIGO_GRU WHERE DESC_GRU='DIVERSOS'"), "150");
}

TEST_F(SqlTest, SelfJoinKeepsEachCursorOnItsOwnRecord) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  const auto rows = Rows(db,
                         "SELECT a.CUPOM, a.IMPRESSORA, b.IMPRESSORA FROM ECFMOVIM a JOIN ECFMOVIM b ON b.CUPOM=a.CUPOM "
                         "WHERE a.IMPRESSORA<b.IMPRESSORA");
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"000010", "001", "002"}}));
  // Two scans of one table, nested.
  EXPECT_EQ(Rows(db, "SELECT a.rowid, b.rowid, b.IMPRESSORA FROM ECFMOVIM a, ECFMOVIM b WHERE +a.CUPOM=+b.CUPOM "
                     "ORDER BY 1, 2"),
            (std::vector<std::vector<std::string>>{
                {"1", "1", "001"}, {"1", "2", "002"}, {"2", "1", "001"}, {"2", "2", "002"}, {"4", "4", "002"}}));
}

TEST_F(SqlTest, AppendsByOthersShowInTheNextStatement) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM SIGRUPO"), "2");
  {
    auto table = xbase::Table::Open((dir_ / "sigrupo.DBF").string());
    table->Append();
    table->SetString("CODIGO_GRU", "G3");
    table->Post();
  }
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM SIGRUPO"), "3");

  // A record changed by another program is read afresh by the next statement,
  // found by seek and by scan.
  const std::string seek = "SELECT DESCRICAO FROM ITEM WHERE CODITEM='42'";
  const std::string scan = "SELECT DESCRICAO FROM ITEM WHERE +CODITEM='42'";
  EXPECT_EQ(One(db, seek), "  COM BRANCOS");
  {
    xbase::OpenOptions options;
    options.index_files = {"CODITEM", "SIDESCIT"};
    auto table = xbase::Table::Open((dir_ / "ITEM.DBF").string(), options);
    ASSERT_TRUE(table->Locate("CODITEM", "42"));
    table->Edit();
    table->SetString("DESCRICAO", "NOVA");
    table->Post();
  }
  EXPECT_EQ(One(db, seek), "NOVA");
  EXPECT_EQ(One(db, scan), "NOVA");
}

TEST_F(SqlTest, ATableFileReplacedIsReadAfresh) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM SIGRUPO"), "2");
  // As a pack does: a new file written beside the old one, then renamed over it.
  const fs::path fresh = dir_ / "novo";
  fs::create_directories(fresh);
  sqltest::MakeTable(fresh, "SIGRUPO", {{"CODIGO_GRU", 'C', 4}, {"DESC_GRU", 'C', 30}}, {{{"G7", "NOVO"}}});
  fs::rename(fresh / "SIGRUPO.DBF", dir_ / "sigrupo.DBF");
  EXPECT_EQ(One(db, "SELECT DESC_GRU FROM SIGRUPO"), "NOVO");
  fs::remove(dir_ / "sigrupo.DBF");
  EXPECT_THROW(db.Prepare("SELECT * FROM SIGRUPO"), Error);
}

TEST_F(SqlTest, UnknownTableIsAClearError) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  const std::string text = "SELECT * FROM SINF s LEFT JOIN ITEM ON CODITEM=s.X";
  try {
    db.Prepare(text);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.engine_message(), "no such table: SINF");
    EXPECT_NE(std::string(e.what()).find("SINF"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find(text), std::string::npos);  // the statement
  }
}

TEST_F(SqlTest, MissingDirectoryIsNamed) {
  Connection db((dir_ / "nao-existe").string());
  try {
    db.Prepare("SELECT * FROM ITEM");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("nao-existe\" não encontrado"), std::string::npos) << e.what();
    EXPECT_EQ(e.engine_message(), "no such table: ITEM");
  }
}

TEST_F(SqlTest, EngineErrorsCarrySqliteTextAndStatement) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  struct Case {
    const char* text;
    const char* engine;
  } cases[] = {
      {"SELECT NAO_EXISTE FROM ITEM", "no such column: NAO_EXISTE"},
      {"SELEC * FROM ITEM", "near \"SELEC\": syntax error"},
      {"   ", "empty statement"},
      {"SELECT 1; SELECT 2", "multiple statements"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      db.Prepare(c.text);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.engine_message(), c.engine);
      EXPECT_EQ(e.statement(), c.text);
    }
  }
}

std::string FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(SqlTest, StatementsThatWouldWriteAreRefused) {
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  One(db, "SELECT COUNT(*) FROM ITEM");  // attached
  const std::string before = FileBytes(dir_ / "ITEM.DBF");
  const char* cases[] = {
      "INSERT INTO ITEM (CODITEM) VALUES ('1')",
      "UPDATE ITEM SET DESCRICAO='X'",
      "DELETE FROM ITEM",
      "DROP TABLE ITEM",
      "CREATE TABLE T (A)",
      "CREATE VIRTUAL TABLE temp.X USING xbase('/etc/passwd')",
      "ATTACH DATABASE '/tmp/qx_sql_attack.db' AS a",
      "PRAGMA writable_schema=1",
      "DELETE FROM SIGRUPO",  // not attached yet
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    try {
      db.Prepare(text).Step();
      ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("recusado"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(FileBytes(dir_ / "ITEM.DBF"), before);
  EXPECT_FALSE(fs::exists("/tmp/qx_sql_attack.db"));
  EXPECT_EQ(One(db, "SELECT COUNT(*) FROM ITEM"), "3");
}

TEST_F(SqlTest, DamagedTableIsAnErrorNamingIt) {
  { std::ofstream(dir_ / "LIXO.DBF") << "not a table"; }
  auto db_ptr = Open();
  Connection& db = *db_ptr;
  try {
    db.Prepare("SELECT * FROM LIXO");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("LIXO"), std::string::npos) << e.what();
  }
}

// T1 of the reference files: a structural index written by another engine,
// with a character tag (TC on C, accented letters) and a descending numeric
// one (TN on N); the other tags have FOR conditions or are unique.
TEST(FixtureSqlTest, SeeksInAnotherEnginesTagsFindWhatAScanFinds) {
  QX_REQUIRE_FIXTURES();
  Connection db((qxtest::FixturesDir() / "tagtest").string());
  std::vector<std::string> probes;
  {
    Statement st = db.Prepare("SELECT quote(C), quote(N) FROM T1 WHERE rowid % 211 = 3");
    while (st.Step()) {
      probes.push_back("C=" + st.ColumnText(0));
      probes.push_back("N=" + st.ColumnText(1));
    }
  }
  ASSERT_GT(probes.size(), 10u);
  const size_t found = probes.size();  // probes before this one come from live rows
  probes.push_back("C='nada'");
  probes.push_back("N=-123456.5");
  auto rowids = [&](const std::string& text) {
    Statement st = db.Prepare(text);
    std::vector<int64_t> out;
    while (st.Step()) out.push_back(st.ColumnInt64(0));
    return out;
  };
  auto plan = [&](const std::string& text) {
    Statement st = db.Prepare("EXPLAIN QUERY PLAN " + text);
    return st.Step() ? st.ColumnText(3) : std::string();
  };
  for (size_t i = 0; i < probes.size(); ++i) {
    SCOPED_TRACE(probes[i]);
    const std::string seek = "SELECT rowid FROM T1 WHERE " + probes[i] + " ORDER BY rowid";
    EXPECT_EQ(plan(seek).find("INDEX 0:"), std::string::npos) << plan(seek);
    const auto rows = rowids(seek);
    EXPECT_EQ(rows, rowids("SELECT rowid FROM T1 WHERE +" + probes[i] + " ORDER BY rowid"));
    EXPECT_EQ(rows.empty(), i >= found);
  }
}

}  // namespace
}  // namespace sql
