#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

#include "fixtures.h"
#include "platform/error.h"
#include "shopdb/catalogue.h"
#include "shopdb/query_texts.h"
#include "shopdb/sql_handle.h"
#include "shopdb/table_handle.h"
#include "sql/test_shop.h"

namespace shopdb {
namespace {

using sqltest::Field;
using sqltest::MakeTable;
using sqltest::Row;

const QDate kToday(2026, 11, 30);

TEST(QuotingTest, EnclosesInQuotesAndDoublesQuotes) {
  const struct {
    const char* value;
    const char* expected;
  } cases[] = {{"000123", "'000123'"}, {"", "''"}, {"O'Brien", "'O''Brien'"}, {"''", "''''''"}, {"a\\b", "'a\\b'"}};
  for (const auto& c : cases) EXPECT_EQ(quoted(c.value), QString(c.expected)) << c.value;
}

TEST(QueryTextTest, MovementFilterQuotesEachValue) {
  EXPECT_EQ(movementFilter("000123", "1", QDate(2011, 3, 5)),
            "NF='000123' .AND. COD_NOTA='ECF:1' .AND. DATMOV=ctod('05/03/2011')");
  EXPECT_EQ(movementFilter("12'3", "0'1", QDate(2011, 3, 5)),
            "NF='12''3' .AND. COD_NOTA='ECF:0''1' .AND. DATMOV=ctod('05/03/2011')");
}

TEST(QueryTextTest, CouponLookupEndsWithTheQuotedDayAndCoupon) {
  const QString text = couponLookupText(kToday, "00'7");
  EXPECT_TRUE(text.startsWith(" SELECT * FROM SIPROECF                          INNER JOIN ECFMOVIM E ON CUPOM=CUPOM_PRO"));
  EXPECT_TRUE(text.endsWith("WHERE e.data='30/11/2026' and CUPOM_PRO='00''7'")) << text.toStdString();
  // The runs of blanks between the clauses are part of the text as the shop has it.
  QList<qsizetype> runs;
  for (const auto& m : QRegularExpression("  +").globalMatch(text)) runs << m.capturedLength();
  EXPECT_EQ(runs, (QList<qsizetype>{26, 8, 5, 4}));
}

TEST(QueryTextTest, TwentyEightPresetsOneTextEach) {
  const QStringList& keys = searchPresetTableKeys();
  EXPECT_EQ(keys.size(), 28);
  EXPECT_EQ(itemSearchText(), " SELECT * FROM ITEM INNER JOIN SIGRUPO ON CODIGO_GRU=GRUPO ");
  EXPECT_EQ(searchText("forneced"), " SELECT * FROM forneced");
  EXPECT_EQ(searchText("SINF").count(u'\r'), 12);
  EXPECT_EQ(searchText("SINFENT2").count(u'\r'), 5);
}

// A small shop written with our own engine.
class ShopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString();
    MakeTable(dir_, "ITEM",
              {{"CODITEM", 'C', 14}, {"DESCRICAO", 'C', 50}, {"QTDE_COMP", 'N', 6}, {"VENDANORM", 'N', 12, 2},
               {"GRUPO", 'C', 4}},
              {{{"7891000000011", "DIPIRONA", "10", "1.50", "G1"}},
               {{"42", "losartana 50mg", "30", "12.00", "G1"}},
               {{"7891000000099", "APAGADO", "1", "1.00", "G1"}, true}},
              {{"SIDESCIT", "DESCRICAO"}, {"CODITEM", "CODITEM"}, {"SIORIGIT", "GRUPO"}});
    MakeTable(dir_, "SIGRUPO", {{"CODIGO_GRU", 'C', 4}, {"DESC_GRU", 'C', 30}}, {{{"G1", "MEDICAMENTOS"}}});
    MakeTable(dir_, "ECFMOVIM",
              {{"CUPOM", 'C', 6}, {"DATA", 'D', 8}, {"IMPRESSORA", 'C', 3}, {"VENDEDOR", 'C', 4}, {"CLIENTE", 'C', 6},
               {"COD_DSUS", 'C', 19}, {"SOLICIT", 'C', 6}},
              {{{"000010", "30/11/2026", "001", "V1", "C1", "", "000041"}},
               {{"000011", "29/11/2026", "001", "V1", "C1", "", ""}},
               {{"00'12", "30/11/2026", "001", "V1", "C1", "", ""}},
               {{"000013", "30/11/2026", "001", "V1", "", "", ""}},  // no client
               {{"000010", "12/10/2026", "002", "V1", "C1", "", ""}}},  // same number, other printer
              {{"ECFCODMO", "CUPOM+IMPRESSORA"}, {"ECFNUMMO", "COD_DSUS"}, {"ECFDATMO", "DTOS(DATA)+CUPOM"}});
    MakeTable(dir_, "SIPROECF", {{"CUPOM_PRO", 'C', 6}, {"CODPRO_PRO", 'C', 14}, {"QTDE", 'N', 10, 3}},
              {{{"000010", "7891000000011", "2"}},
               {{"000010", "42", "1.5"}},
               {{"000010", "7891000000099", "9"}, true},
               {{"000011", "42", "1"}},
               {{"00'12", "42", "3"}},
               {{"000013", "42", "1"}}},
              {{"SIPROCUP", "CUPOM_PRO"}});
    MakeTable(dir_, "CLIENTES", {{"CODIGO_CLI", 'C', 6}, {"NOME_CLI", 'C', 40}, {"CPF_CLI", 'C', 14}, {"CIDADE_CLI", 'C', 30},
               {"ESTADO_CLI", 'C', 2}},
              {{{"C1", "MARIA", "123.456.789-09", "CONTAGEM", "MG"}}}, {{"SICODCLI", "CODIGO_CLI"}});
    MakeTable(dir_, "VENDEDOR",
              {{"CODIGO_VEN", 'C', 4}, {"NOME_VEN", 'C', 40}, {"USUARIO_FP", 'C', 20}, {"SENHA_FP", 'C', 20}},
              {{{"V1", "JOAO", "usr1", "senha1"}}}, {{"SINOMVEN", "NOME_VEN"}, {"SICODVEN", "CODIGO_VEN"}});
    MakeTable(dir_, "MOVIM",
              {{"NF", 'C', 6}, {"COD_NOTA", 'C', 10}, {"DATMOV", 'D', 8}, {"CODITM_MOV", 'C', 14}, {"QTDE", 'N', 10, 3},
               {"TIPOMOV", 'C', 2}, {"CODFOR", 'C', 6}, {"CODIGO_MOV", 'C', 8}},
              {{{"000123", "ECF:1", "05/03/2011", "42", "2", "S", "", "1"}},
               {{"000123", "ECF:2", "05/03/2011", "42", "1", "S", "", "2"}},
               {{"000123", "ECF:1", "06/03/2011", "42", "1", "S", "", "3"}},
               {{"000123", "ECF:1", "05/03/2011", "7891000000011", "1.5", "S", "", "4"}},
               {{"000123", "ECF:1", "05/03/2011", "7891000000099", "1", "S", "", "5"}, true}},
              {{"SINFMOV", "NF+TIPOMOV+CODFOR+COD_NOTA"},
               {"SIMOVITM", "CODITM_MOV+DTOS(DATMOV)+TIPOMOV"},
               {"SIMOVCLI", "CODFOR+DTOS(DATMOV)+TIPOMOV+CODITM_MOV"},
               {"SIDATMOV", "DTOS(DATMOV)+CODITM_MOV+TIPOMOV"},
               {"CODMOV", "CODIGO_MOV"}});
    MakeTable(dir_, "ECFARQGE",
              {{"COO_ECF", 'C', 6}, {"DENOMI", 'C', 2}, {"REFER", 'C', 30}, {"DT_EMIS", 'D', 8}, {"HORA", 'C', 8}},
              {});
    query_.setDirectory(tmp_.path());
  }

  QTemporaryDir tmp_;
  std::filesystem::path dir_;
  SqlHandle query_;
};

// Every row of the open query: the given fields joined by "|".
QStringList ReadAll(SqlHandle& q, const QStringList& fields) {
  QStringList rows;
  for (q.first(); !q.eof(); q.next()) {
    QStringList values;
    for (const auto& f : fields) values << q.fieldAsString(f);
    rows << values.join(u'|');
  }
  rows.sort();
  return rows;
}

TEST_F(ShopTest, CouponLookupJoinsItemsHeaderClientAndSeller) {
  query_.setText(couponLookupText(kToday, "000010"));
  query_.open();
  // Lower-case names, blanks trimmed, the deleted item row left out.
  EXPECT_EQ(ReadAll(query_, {"codpro_pro", "QTDE", "COD_DSUS", "cpf_cli", "Usuario_fp", "senha_fp"}),
            (QStringList{"42|1,5||123.456.789-09|usr1|senha1", "7891000000011|2||123.456.789-09|usr1|senha1"}));
  // After the last row the last row is read.
  EXPECT_TRUE(query_.eof());
  EXPECT_EQ(query_.fieldAsString("CPF_CLI"), "123.456.789-09");
  query_.next();
  EXPECT_TRUE(query_.eof());
  EXPECT_EQ(query_.fieldAsString("SENHA_FP"), "senha1");
}

TEST_F(ShopTest, CouponLookupMatchesTheDayAndTheWholeNumber) {
  const struct {
    QDate day;
    const char* coupon;
    int rows;
  } cases[] = {
      {kToday, "000011", 0},                  // registered on another day
      {QDate(2026, 11, 29), "000011", 1},
      {kToday, "00'12", 1},                   // quote doubled in the text
      {kToday, "00001", 0},                   // a prefix of a number
      {kToday, "000013", 0},                  // no client: the inner join finds nothing
      {kToday, "999999", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.coupon);
    query_.setText(couponLookupText(c.day, c.coupon));
    query_.open();
    EXPECT_EQ(query_.recordCount(), c.rows);
    EXPECT_EQ(query_.eof(), c.rows == 0);
  }
}

TEST_F(ShopTest, NextRequestNumber) {
  EXPECT_EQ(nextRequestNumber(query_), "000042");
  EXPECT_FALSE(query_.active());
  const struct {
    std::vector<Row> rows;
    const char* expected;
  } cases[] = {
      {{}, "000001"},
      {{{{""}}, {{""}}}, "000001"},
      {{{{"000045"}}, {{"000123"}}, {{""}}}, "000124"},
      {{{{"999999"}}}, "1000000"},
      {{{{"000200"}, true}, {{"000007"}}}, "000008"},  // deleted rows do not count
  };
  for (const auto& c : cases) {
    QTemporaryDir dir;
    MakeTable(dir.path().toStdString(), "ECFMOVIM", {{"SOLICIT", 'C', 6}}, c.rows);
    SqlHandle q;
    q.setDirectory(dir.path());
    EXPECT_EQ(nextRequestNumber(q), c.expected);
  }
}

TEST_F(ShopTest, SqlHandleReadsLikeADataset) {
  query_.setText(" SELECT CODITEM, QTDE_COMP, VENDANORM");
  query_.addLine("FROM ITEM /* comment */");
  query_.addLine(" where CODITEM='42'");
  query_.open();
  query_.open();  // already open: nothing happens
  EXPECT_EQ(query_.fieldAsInteger("qtde_comp"), 30);
  EXPECT_EQ(query_.fieldAsString("VENDANORM"), "12");
  EXPECT_EQ(query_.fieldAsInteger("CODITEM"), 42);
  EXPECT_THROW(query_.fieldAsString("NOPE"), platform::Error);

  query_.setText("SELECT DESCRICAO FROM ITEM WHERE CODITEM='none'");
  query_.open();
  EXPECT_TRUE(query_.eof());
  EXPECT_EQ(query_.fieldAsString("DESCRICAO"), "");
  query_.setText("SELECT DESCRICAO FROM ITEM WHERE CODITEM='42'");
  query_.open();
  EXPECT_THROW(query_.fieldAsInteger("DESCRICAO"), platform::ConvertError);
  query_.close();
  EXPECT_THROW(query_.eof(), platform::Error);
}

TEST_F(ShopTest, SqlErrorsCarryTheEngineTextAndStatement) {
  const struct {
    const char* text;
    const char* part;
  } cases[] = {
      {" SELECT * FROM NAOEXISTE ", "no such table: NAOEXISTE"},
      {" UPDATE ECFMOVIM SET SOLICIT='1' ", "recusado"},
      {" SELECT X FROM ITEM ", "no such column: X"},
  };
  for (const auto& c : cases) {
    query_.setText(c.text);
    try {
      query_.open();
      ADD_FAILURE() << c.text;
    } catch (const platform::Error& e) {
      EXPECT_TRUE(e.message().contains(c.part)) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(c.text)) << e.message().toStdString();
    }
    EXPECT_FALSE(query_.active());
  }
}

TEST_F(ShopTest, EveryPresetTextRunsOrNamesTheMissingTable) {
  // The tables of the presets with their own statements, with the fields those read.
  MakeTable(dir_, "SINF",
            {{"CODIGO_NF", 'C', 6}, {"SERIE_NF", 'C', 3}, {"DATA_NF", 'D', 8}, {"DT_SAI", 'D', 8}, {"HORA", 'C', 8},
             {"CODFISCAL", 'C', 4}, {"NO_REG", 'C', 8}, {"CODVEND1", 'C', 4}, {"CODTRANS", 'C', 4},
             {"NATOPER_NF", 'C', 4}, {"VRTOTAL_NF", 'N', 12, 2}, {"BASECAL_NF", 'N', 12, 2}, {"FRETE", 'N', 12, 2},
             {"PLACA_UF", 'C', 2}, {"NF_CAN", 'C', 1}, {"PLACA_NF", 'C', 8}, {"CODCLI_NF", 'C', 6}},
            {{{"1", "1", "30/11/2026", "", "", "5102", "R1", "V1", "", "T1", "10", "", "", "", "", "", "C1"}},
             {{"2", "1", "30/11/2026", "", "", "1102", "R2", "", "", "T1", "20", "", "", "", "", "", "F1"}}});
    MakeTable(dir_, "FORNECED",
            {{"CODIGO_FOR", 'C', 6}, {"NOME_FOR", 'C', 40}, {"CIDADE_FOR", 'C', 30}, {"ESTADO_FOR", 'C', 2}},
            {{{"F1", "DISTRIBUIDORA", "BH", "MG"}}});
  MakeTable(dir_, "TIPOMOV", {{"CODIGO_TM", 'C', 4}, {"DESC_TM", 'C', 30}}, {{{"T1", "VENDA"}}});
  MakeTable(dir_, "SINFEREG",
            {{"CODIGO_NF", 'C', 6}, {"SERIE_NF", 'C', 3}, {"NO_REG", 'C', 8}, {"CHAVE", 'C', 44}, {"MENSAGEM", 'C', 40}},
            {{{"1", "1", "R1", "CH1", "AUTORIZADA"}}});
  MakeTable(dir_, "SINFENT2",
            {{"CODIGO_NF", 'C', 6}, {"NUMERO_NF", 'C', 9}, {"MODELO_ENT", 'C', 2}, {"SERIE_NF", 'C', 3},
             {"DATA_NF", 'D', 8}, {"DT_ENT_NF", 'D', 8}, {"VRTOT_NF", 'N', 12, 2}, {"COD_FOR_NF", 'C', 6},
             {"TP_MOV_NF", 'C', 4}},
            {{{"1", "55", "55", "1", "01/11/2026", "02/11/2026", "0", "F1", "T1"}},
             {{"2", "56", "55", "1", "01/11/2026", "02/11/2026", "99.9", "F1", "T1"}}});
  MakeTable(dir_, "SINFSERV",
            {{"CODIGO_NF", 'C', 6}, {"SERIE_NF", 'C', 3}, {"DATA_NF", 'D', 8}, {"DT_SAI", 'D', 8},
             {"VRTOTAL_NF", 'N', 12, 2}, {"CODCLI_NF", 'C', 6}, {"NATOPER_NF", 'C', 4}},
            {{{"7", "1", "01/11/2026", "", "5", "C1", "T1"}}});
  MakeTable(dir_, "COBRANCA",
            {{"NUM_DUP", 'C', 8}, {"CODCLI_DUP", 'N', 6}, {"DATA_DUP", 'D', 8}, {"VENC_DUP", 'D', 8},
             {"VALOR_DUP", 'N', 12, 2}, {"NOSSO_NUME", 'C', 12}},
            {{{"D1", "1", "01/11/2026", "01/12/2026", "10", "N1"}}, {{"D2", "1", "01/11/2026", "01/12/2026", "10", ""}}});
  MakeTable(dir_, "CLIENTES2", {{"X", 'C', 1}}, {});  // a neighbour name must not be taken for CLIENTES
  // CODIGO_CLI '000001' casts to the number 1 of CODCLI_DUP.
  {
    auto clientes = xbase::Table::Open((dir_ / "CLIENTES.DBF").string(), {});
    clientes->Append();
    clientes->SetString("CODIGO_CLI", "000001");
    clientes->SetString("NOME_CLI", "JOSE");
    clientes->Post();
  }
  const QStringList present{"CLIENTES", "SIGRUPO", "ITEM", "SINFENT2", "SINF", "SINFSERV", "tipomov", "VENDEDOR",
                            "COBRANCA", "forneced"};
  for (const QString& key : searchPresetTableKeys()) {
    SCOPED_TRACE(key.toStdString());
    query_.setText(searchText(key));
    if (present.contains(key)) {
      query_.open();
      EXPECT_GT(query_.recordCount(), 0);
    } else {
      try {
        query_.open();
        ADD_FAILURE() << "opened";
      } catch (const platform::Error& e) {
        EXPECT_TRUE(e.message().contains("no such table: " + key)) << e.message().toStdString();
      }
    }
  }
  query_.setText(searchText("SINF"));
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"CODIGO_NF", "nome_cli", "cidade_cli", "DESC_TM", "NOME_VEN", "MENSAGEM"}),
            (QStringList{"1|MARIA|CONTAGEM|VENDA|JOAO|AUTORIZADA", "2|DISTRIBUIDORA|BH|VENDA||"}));
  query_.setText(searchTextSecondDialect("SINF"));
  query_.open();
  EXPECT_EQ(query_.recordCount(), 2);
  query_.setText(searchText("SINFENT2"));
  query_.addLine(" where  vrtot_NF<>0 ");
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"NUMERO_NF", "nome_for", "DESC_TM", "VRTOT_NF"}), QStringList{"56|DISTRIBUIDORA|VENDA|99,9"});
  query_.setText(searchText("COBRANCA"));
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"NUM_DUP", "NOME_CLI", "NOSSO_NUME"}), QStringList{"D1|JOSE|N1"});
  query_.setText(itemSearchText());
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"coditem", "desc_gru"}), (QStringList{"42|MEDICAMENTOS", "7891000000011|MEDICAMENTOS"}));
}

TEST_F(ShopTest, TableHandleLocatesReadsAndWrites) {
  TableHandle produtos(ibdProdutos());
  produtos.setDirectory(tmp_.path());
  produtos.open();
  produtos.open();
  EXPECT_TRUE(produtos.locate("coditem", "42"));
  EXPECT_EQ(produtos.fieldAsString("DESCRICAO"), "losartana 50mg");
  EXPECT_EQ(produtos.fieldAsInteger("QTDE_COMP"), 30);
  EXPECT_EQ(produtos.fieldAsString("VENDANORM"), "12");
  EXPECT_FALSE(produtos.locate("CODITEM", "7891000000099"));  // deleted
  EXPECT_FALSE(produtos.locate("CODITEM", "4"));
  EXPECT_TRUE(produtos.locate("CODITEM", "7891000000011"));
  EXPECT_DOUBLE_EQ(produtos.fieldAsFloat("VENDANORM"), 1.5);
  EXPECT_EQ(produtos.fieldAsString("VENDANORM"), "1,5");

  TableHandle movimento(ibdMovimento());
  movimento.setDirectory(tmp_.path());
  movimento.setFilter(movementFilter("000123", "1", QDate(2011, 3, 5)));
  movimento.setFiltered(true);
  movimento.open();
  QStringList seen;
  for (movimento.first(); !movimento.eof(); movimento.next())
    seen << movimento.fieldAsString("CODITM_MOV") + "=" + movimento.fieldAsString("QTDE");
  EXPECT_EQ(seen, (QStringList{"42=2", "7891000000011=1,5"}));
  movimento.setFilter("");
  movimento.setFiltered(false);
  int all = 0;
  for (movimento.first(); !movimento.eof(); movimento.next()) ++all;
  EXPECT_EQ(all, 4);
  movimento.close();

  TableHandle ecfmovim(ibdECFMOVIM());
  ecfmovim.setDirectory(tmp_.path());
  ecfmovim.open();
  ASSERT_TRUE(ecfmovim.locate("CUPOM", "000010"));
  EXPECT_EQ(ecfmovim.fieldAsDate("DATA"), kToday);
  ecfmovim.edit();
  ecfmovim.setFieldFromString("COD_DSUS", "266.864.685.748.302");
  ecfmovim.setFieldFromString("SOLICIT", "000042");
  ecfmovim.post();
  // The SQL path sees the write, through the maintained index, while the
  // table stays open for writing as the main window keeps it; the write went
  // to the first row of that number in natural order only.
  query_.setText("SELECT CUPOM, IMPRESSORA FROM ECFMOVIM WHERE COD_DSUS='266.864.685.748.302'");
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"CUPOM", "IMPRESSORA"}), QStringList{"000010|001"});
  EXPECT_TRUE(ecfmovim.locate("COD_DSUS", "266.864.685.748.302"));
  EXPECT_FALSE(ecfmovim.locate("COD_DSUS", "266.864.685.748.3 2"));
  EXPECT_FALSE(ecfmovim.locate("COD_DSUS", "266864685748302"));
  EXPECT_EQ(nextRequestNumber(query_), "000043");
  ASSERT_TRUE(ecfmovim.locate("CUPOM", "000010"));
  ecfmovim.edit();
  ecfmovim.setFieldFromString("SOLICIT", "000050");
  ecfmovim.post();
  EXPECT_EQ(nextRequestNumber(query_), "000051");
  ecfmovim.close();

  TableHandle arqge(ibdECFARQGE());
  arqge.setDirectory(tmp_.path());
  arqge.open();
  arqge.insert();
  arqge.setFieldFromString("DENOMI", "RG");
  arqge.setFieldFromString("REFER", "COMPROVANTE FPOPULAR");
  arqge.setFieldFromDate("DT_EMIS", kToday);
  arqge.post();
  arqge.close();
  query_.setText("SELECT REFER, DT_EMIS FROM ECFARQGE");
  query_.open();
  EXPECT_EQ(ReadAll(query_, {"REFER", "DT_EMIS"}), QStringList{"COMPROVANTE FPOPULAR|30/11/2026"});
}

TEST_F(ShopTest, TableHandleErrorsNameTheProblem) {
  QDir(tmp_.path()).remove("SIORIGIT.CDX");
  TableHandle produtos(ibdProdutos());
  produtos.setDirectory(tmp_.path());
  try {
    produtos.open();
    ADD_FAILURE() << "opened without its index file";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains("SIORIGIT", Qt::CaseInsensitive)) << e.message().toStdString();
  }
  EXPECT_FALSE(produtos.active());
  EXPECT_THROW(produtos.first(), platform::Error);
}

// The reference shop written by another engine.
TEST(FixtureShopTest, CouponLookupsGiveTheListedRows) {
  QX_REQUIRE_FIXTURES();
  SqlHandle q;
  q.setDirectory(QString::fromStdString((qxtest::FixturesDir() / "shop-small").string()));
  const struct {
    const char* coupon;
    QDate day;
    QStringList rows;
  } cases[] = {
      {"000959", kToday, {}},
      {"000961", kToday, {}},
      {"000960", kToday,
       {"7891862193718|1.0||002|063.259.584-11|usr68305|tst426482",
        "7891015571899|3.0||002|063.259.584-11|usr68305|tst426482",
        "7892127220729|2.0||002|063.259.584-11|usr68305|tst426482",
        "7896660170039|1.0||002|063.259.584-11|usr68305|tst426482",
        "7894103956844|2.0||002|063.259.584-11|usr68305|tst426482",
        "7891561355509|2.0||002|063.259.584-11|usr68305|tst426482"}},
      {"000006", QDate(2025, 10, 30),
       {"7891459634549|2.0|266.864.685.748.302|002|213.244.366-11||",
        "00000000003190|1.0|266.864.685.748.302|002|213.244.366-11||",
        "00000000005560|2.0|266.864.685.748.302|002|213.244.366-11||",
        "7891525867864|1.0|266.864.685.748.302|002|213.244.366-11||",
        "7899039519293|3.0|266.864.685.748.302|002|213.244.366-11||",
        "7898372690492|1.0|266.864.685.748.302|002|213.244.366-11||"}},
      {"000065", QDate(2025, 11, 23),
       {"7898998830234|2.0|128.834.472.629.959|002|282.532.455-80|usr70401|tst110456",
        "7898998830234|2.0||001|796.349.724-03|usr22123|tst027752",
        "7890131357523|1.0|128.834.472.629.959|002|282.532.455-80|usr70401|tst110456",
        "7890131357523|1.0||001|796.349.724-03|usr22123|tst027752",
        "7892864138196|1.0|128.834.472.629.959|002|282.532.455-80|usr70401|tst110456",
        "7892864138196|1.0||001|796.349.724-03|usr22123|tst027752",
        "7890965381503|1.0|128.834.472.629.959|002|282.532.455-80|usr70401|tst110456",
        "7890965381503|1.0||001|796.349.724-03|usr22123|tst027752",
        "00000000003690|2.0|128.834.472.629.959|002|282.532.455-80|usr70401|tst110456",
        "00000000003690|2.0||001|796.349.724-03|usr22123|tst027752"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.coupon);
    q.setText(couponLookupText(c.day, c.coupon));
    q.open();
    QStringList rows;
    for (q.first(); !q.eof(); q.next())
      rows << QStringList{q.fieldAsString("CODPRO_PRO"), QString::number(q.fieldAsFloat("QTDE"), 'f', 1),
                          q.fieldAsString("COD_DSUS"), q.fieldAsString("IMPRESSORA"), q.fieldAsString("CPF_CLI"),
                          q.fieldAsString("USUARIO_FP"), q.fieldAsString("SENHA_FP")}
                  .join(u'|');
    rows.sort();
    QStringList expected = c.rows;
    expected.sort();
    EXPECT_EQ(rows, expected);
  }
  EXPECT_EQ(nextRequestNumber(q), "000085");
}

// The confirmation's write on a copy of the reference shop: the other
// engine's index files stay usable and the SQL path finds the row by them.
TEST(FixtureShopTest, ConfirmationWriteIsFoundThroughTheShopsIndexes) {
  QX_REQUIRE_FIXTURES();
  QTemporaryDir tmp;
  const std::filesystem::path copy = tmp.path().toStdString();
  for (const auto& entry : std::filesystem::directory_iterator(qxtest::FixturesDir() / "shop-small")) {
    std::filesystem::copy_file(entry.path(), copy / entry.path().filename());
    std::filesystem::permissions(copy / entry.path().filename(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
  TableHandle ecfmovim(ibdECFMOVIM());
  ecfmovim.setDirectory(tmp.path());
  ecfmovim.open();
  ASSERT_TRUE(ecfmovim.locate("CUPOM", "000065"));
  const QString printer = ecfmovim.fieldAsString("IMPRESSORA");
  const QDate day = ecfmovim.fieldAsDate("DATA");
  ecfmovim.edit();
  ecfmovim.setFieldFromString("COD_DSUS", "999.888.777.666.555");
  ecfmovim.setFieldFromString("SOLICIT", "000085");
  ecfmovim.setFieldFromString("NOME_CLI", "JOSÉ DA CONCEIÇÃO");
  ecfmovim.post();

  SqlHandle q;
  q.setDirectory(tmp.path());
  q.setText("SELECT CUPOM, IMPRESSORA, NOME_CLI FROM ECFMOVIM WHERE COD_DSUS='999.888.777.666.555'");
  q.open();
  EXPECT_EQ(ReadAll(q, {"CUPOM", "IMPRESSORA", "NOME_CLI"}),
            QStringList{"000065|" + printer + "|JOSÉ DA CONCEIÇÃO"});
  EXPECT_EQ(nextRequestNumber(q), "000086");
  q.setText(couponLookupText(day, "000065"));
  q.open();
  ASSERT_FALSE(q.eof());
  for (q.first(); !q.eof(); q.next())
    EXPECT_EQ(q.fieldAsString("COD_DSUS") == "999.888.777.666.555", q.fieldAsString("IMPRESSORA") == printer);
}

}  // namespace
}  // namespace shopdb
