#include "xbase/expression.h"

#include <gtest/gtest.h>

#include "xbase/dbf_format.h"

namespace xbase {
namespace {

// A record of the movement table's shape, values given per field.
class FakeRecord : public RecordContext {
 public:
  std::vector<Value> values;
  bool deleted = false;
  uint32_t recno = 7;
  Value Field(int i) const override { return values[static_cast<size_t>(i)]; }
  bool Deleted() const override { return deleted; }
  uint32_t RecNo() const override { return recno; }
};

std::vector<FieldInfo> MovimFields() {
  return {{"NF", 'C', 6, 0, 0},     {"COD_NOTA", 'C', 10, 0, 6}, {"DATMOV", 'D', 8, 0, 16},
          {"QTDE", 'N', 10, 3, 24}, {"TIPOMOV", 'C', 2, 0, 34},  {"ATIVO", 'L', 1, 0, 36}};
}

FakeRecord Movement() {
  FakeRecord r;
  r.values = {Value::String("000123"), Value::String("ECF:1     "), Value::Date(JulianFromYmd(2011, 3, 5)),
              Value::Number(2.5), Value::String("S "), Value::Logical(true)};
  return r;
}

Value Eval(const std::string& text, const FakeRecord& rec) {
  return Expression::Compile(text, MovimFields(), "MOVIM")->Evaluate(rec);
}

std::string Text(const std::string& expr) {
  const Value v = Eval(expr, Movement());
  EXPECT_EQ(v.kind, Value::Kind::kString) << expr;
  return v.text;
}

TEST(Expression, MovementFilterWithNonExactComparison) {
  const std::string filter = "NF='000123' .AND. COD_NOTA='ECF:1' .AND. DATMOV=ctod('05/03/2011')";
  auto e = Expression::Compile(filter, MovimFields(), "MOVIM");
  FakeRecord rec = Movement();
  EXPECT_TRUE(e->Test(rec));
  struct Change {
    int field;
    Value value;
  } misses[] = {
      {0, Value::String("000124")},
      {1, Value::String("ECF:2     ")},
      {1, Value::String("ECF:      ")},  // shorter stored value does not match a longer literal
      {2, Value::Date(JulianFromYmd(2011, 5, 3))},  // day/month order, not month/day
      {2, Value::Date(0)},
  };
  for (const Change& c : misses) {
    FakeRecord other = Movement();
    other.values[static_cast<size_t>(c.field)] = c.value;
    EXPECT_FALSE(e->Test(other)) << "field " << c.field;
  }
  // "ECF:10" begins with "ECF:1": the non-exact rule lets it through, as the
  // original engine does.
  FakeRecord ten = Movement();
  ten.values[1] = Value::String("ECF:10    ");
  EXPECT_TRUE(e->Test(ten));
}

TEST(Expression, Comparisons) {
  struct Case {
    const char* expr;
    bool result;
  } cases[] = {
      {"COD_NOTA = 'ECF'", true},          {"COD_NOTA = ''", true},
      {"COD_NOTA == 'ECF:1'", false},      {"COD_NOTA == 'ECF:1     '", true},
      {"'ECF' = COD_NOTA", false},         {"COD_NOTA <> 'ECF:2'", true},
      {"COD_NOTA # 'ECF'", false},         {"COD_NOTA != 'X'", true},
      {"NF < '000124'", true},             {"NF >= '000123'", true},
      {"NF > '000123'", false},            {"NF <= '0001'", true},
      {"'F:1' $ COD_NOTA", true},          {"'F:2' $ COD_NOTA", false},
      {"QTDE > 2", true},                  {"QTDE = 2.5", true},
      {"QTDE * 2 = 5", true},              {"QTDE / 2 < 1.3", true},
      {"7 % 3 = 1", true},                 {"-7 % 3 = 2", true},
      {"2 ^ 3 = 8", true},                 {"2 ** 3 = 8", true},
      {"1 + 2 * 3 = 7", true},             {"(1 + 2) * 3 = 9", true},
      {"DATMOV > ctod('04/03/2011')", true}, {"DATMOV + 1 = ctod('06/03/2011')", true},
      {"DATMOV - ctod('01/03/2011') = 4", true}, {"DATMOV - 5 = ctod('28/02/11')", true},
      {"ATIVO", true},                     {"!ATIVO", false},
      {".NOT. ATIVO .OR. .T.", true},      {".F. .OR. .F.", false},
      {".T. .AND. .F. .OR. .T.", true},    {"! ATIVO .AND. .T.", false},
      {"ATIVO = .T.", true},               {"DELETED()", false},
      {"RECNO() = 7", true},               {"RECN() = 7", true},
      {"movim->NF = '000123'", true},      {"MOVIM->nf = '000123'", true},
      {"EMPTY('   ')", true},              {"EMPTY(NF)", false},
      {"EMPTY(0)", true},                  {"EMPTY(ctod(''))", true},
      {"EMPTY(ctod('31/02/2011'))", true}, {"IIF(QTDE > 1, 'a', 'b') = 'a'", true},
  };
  for (const Case& c : cases) {
    const Value v = Eval(c.expr, Movement());
    ASSERT_EQ(v.kind, Value::Kind::kLogical) << c.expr;
    EXPECT_EQ(v.logical, c.result) << c.expr;
  }
}

TEST(Expression, FunctionsProduceXbaseText) {
  struct Case {
    const char* expr;
    const char* text;
  } cases[] = {
      {"DTOS(DATMOV)", "20110305"},          {"DTOC(DATMOV)", "05/03/2011"},
      {"DTOS(ctod(''))", "        "},        {"DTOC(ctod(''))", "  /  /    "},
      {"DToS( DATMOV ) + Str( QTDE, 8, 2 )", "20110305    2.50"},
      {"STR(QTDE)", "         3"},          {"STR(QTDE, 6, 1)", "   2.5"},
      {"STR(-1.5, 5, 1)", " -1.5"},          {"STR(123456, 4)", "****"},
      {"STR(12.345, 4, 2)", "12.3"},         {"STRZERO(42, 6)", "000042"},
      {"UPPER('a\xe7\xe3o')", "A\xc7\xc3O"}, {"LOWER('ABC\xc9')", "abc\xe9"},
      {"SUBSTR('ABCDEF', 2, 3)", "BCD"},     {"SUBS('ABCDEF', 5)", "EF"},
      {"SUBSTR('ABC', 9, 2)", ""},           {"LEFT('ABCDEF', 2)", "AB"},
      {"Left( COD_NOTA, 3 )", "ECF"},        {"RIGHT('ABCDEF', 2)", "EF"},
      {"RIGHT('AB', 5)", "AB"},              {"TRIM(COD_NOTA) + '|'", "ECF:1|"},
      {"RTRIM('a  ')", "a"},                 {"LTRIM('  a ')", "a "},
      {"ALLTRIM('  a b  ')", "a b"},         {"ALLT(' x ')", "x"},
      {"PADL('7', 3, '0')", "007"},          {"PADR('ab', 4)", "ab  "},
      {"PADC('ab', 6, '*')", "**ab**"},      {"PADL('abcdef', 3)", "abc"},
      {"TIPOMOV - 'X'", "SX "},              {"NF + TIPOMOV", "000123S "},
      {"IIF(ATIVO, 'sim', 'nao')", "sim"},   {"SPACE(3)", "   "},
      {"REPLICATE('ab', 3)", "ababab"},      {"[brackets]", "brackets"},
      {"\"double\"", "double"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.expr), c.text) << c.expr;
}

TEST(Expression, NumericFunctions) {
  struct Case {
    const char* expr;
    double value;
  } cases[] = {
      {"VAL('  12.5abc')", 12.5}, {"VAL('x')", 0},    {"LEN(COD_NOTA)", 10},     {"LEN(TRIM(NF))", 6},
      {"INT(-2.7)", -2},          {"ROUND(2.345, 2)", 2.35}, {"ABS(-3)", 3},      {"AT('C', COD_NOTA)", 2},
      {"AT('Z', COD_NOTA)", 0},   {".5 + 1", 1.5},    {"-QTDE", -2.5},           {"RECNO()", 7},
  };
  for (const Case& c : cases) {
    const Value v = Eval(c.expr, Movement());
    ASSERT_EQ(v.kind, Value::Kind::kNumber) << c.expr;
    EXPECT_DOUBLE_EQ(v.number, c.value) << c.expr;
  }
}

TEST(Expression, CtodReadsBritishDatesWithEpoch2000) {
  struct Case {
    const char* text;
    JulianDay day;
  } cases[] = {
      {"05/03/2011", JulianFromYmd(2011, 3, 5)}, {"5/3/11", JulianFromYmd(2011, 3, 5)},
      {"31/12/99", JulianFromYmd(2099, 12, 31)},  {"29/02/2024", JulianFromYmd(2024, 2, 29)},
      {"29/02/2023", 0},                          {"", 0},
      {"  /  /    ", 0},                          {"13/13/2011", 0},
      {"abc", 0},
  };
  for (const Case& c : cases) {
    const Value v = Eval(std::string("CTOD('") + c.text + "')", Movement());
    ASSERT_EQ(v.kind, Value::Kind::kDate);
    EXPECT_EQ(v.date, c.day) << c.text;
  }
}

TEST(Expression, DeletedReadsTheRecordMark) {
  auto e = Expression::Compile("! Deleted()", MovimFields());
  FakeRecord rec = Movement();
  EXPECT_TRUE(e->Test(rec));
  rec.deleted = true;
  EXPECT_FALSE(e->Test(rec));
}

TEST(Expression, BadExpressionsAreRefusedWithTheReason) {
  struct Case {
    const char* expr;
    const char* reason;
  } cases[] = {
      {"CUPOM = '1'", "campo CUPOM inexistente"},
      {"NF = ", "expressão incompleta"},
      {"NF = 'abc", "aspas"},
      {"FOO(NF)", "função FOO() desconhecida"},
      {"SUBSTR(NF)", "número de argumentos"},
      {"(NF = '1'", "parênteses"},
      {"NF = '1')", "texto inesperado"},
      {"NF .XOR. NF", ".XOR."},
      {"OUTRA->NF = '1'", "tabela OUTRA"},
      {"", "vazia"},
      {"NF @ 1", "caractere inesperado"},
      {"1..2", "número inválido"},
  };
  for (const Case& c : cases) {
    try {
      Expression::Compile(c.expr, MovimFields(), "MOVIM");
      ADD_FAILURE() << "accepted: " << c.expr;
    } catch (const Error& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(c.reason), std::string::npos) << c.expr << " -> " << what;
      EXPECT_NE(what.find(c.expr), std::string::npos) << "message quotes the expression: " << what;
    }
  }
}

TEST(Expression, TypeMismatchesAreErrorsNotCrashes) {
  const char* cases[] = {
      "NF + 1",      "NF = 1",        "DATMOV + NF", "QTDE .AND. .T.", "NF > DATMOV",
      "1 / 0 > 0",   "DTOS(NF)",      "UPPER(QTDE)", "NF $ QTDE",      "IIF(NF, 1, 2)",
      "SPACE(99999999) = ''", "REPLICATE('ab', 100000000) = ''", "STR(1, 1000)",
  };
  for (const char* expr : cases) {
    auto e = Expression::Compile(expr, MovimFields(), "MOVIM");
    EXPECT_THROW(e->Evaluate(Movement()), Error) << expr;
  }
  auto not_logical = Expression::Compile("NF", MovimFields());
  EXPECT_THROW(not_logical->Test(Movement()), Error);
}

TEST(Expression, HostileNestingIsBounded) {
  EXPECT_THROW(Expression::Compile(std::string(5000, '(') + "1" + std::string(5000, ')'), MovimFields()), Error);
  std::string chain = "1";
  for (int i = 0; i < 5000; ++i) chain += "+1";
  EXPECT_THROW(Expression::Compile(chain, MovimFields()), Error);
  std::string ok = "1";
  for (int i = 0; i < 500; ++i) ok += "+1";
  EXPECT_DOUBLE_EQ(Expression::Compile(ok, MovimFields())->Evaluate(Movement()).number, 501);
}

}  // namespace
}  // namespace xbase
