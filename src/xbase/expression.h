// xBase expressions: one parser and evaluator for index keys, FOR conditions
// and filters.
//
// Settings are the shop's: non-exact character comparison ("=" is true when
// the left text begins with the right one; "==" compares exactly), British
// dates with epoch 2000 (CTOD("05/03/11") is 5 March 2011). Field names are
// resolved once, at compile time, without regard to case; a C field's value
// is its full stored width, blanks included, as xBase keys need it.
//
// Functions: DTOS DTOC CTOD STR VAL UPPER LOWER SUBSTR LEFT RIGHT TRIM RTRIM
// LTRIM ALLTRIM PADL PADR PADC STRZERO IIF EMPTY DELETED RECNO LEN, and INT
// ROUND ABS SPACE REPLICATE AT; any name may be cut to its first four
// letters, as in FoxPro.
#ifndef QX_XBASE_EXPRESSION_H_
#define QX_XBASE_EXPRESSION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/table.h"

namespace xbase {

struct Value {
  enum class Kind { kString, kNumber, kDate, kLogical };
  Kind kind = Kind::kString;
  std::string text;    // kString: bytes as stored
  double number = 0;   // kNumber
  JulianDay date = 0;  // kDate: 0 is the empty date
  bool logical = false;

  static Value String(std::string s) { Value v; v.kind = Kind::kString; v.text = std::move(s); return v; }
  static Value Number(double n) { Value v; v.kind = Kind::kNumber; v.number = n; return v; }
  static Value Date(JulianDay d) { Value v; v.kind = Kind::kDate; v.date = d; return v; }
  static Value Logical(bool b) { Value v; v.kind = Kind::kLogical; v.logical = b; return v; }
};

// What an expression reads of the current record.
class RecordContext {
 public:
  virtual ~RecordContext() = default;
  virtual Value Field(int field_index) const = 0;  // index into the compile-time field list
  virtual bool Deleted() const = 0;
  virtual uint32_t RecNo() const = 0;
};

class Expression {
 public:
  // Parses `text` and resolves its field names against `fields`; `alias` is
  // the table's name accepted before "->". Throws xbase::Error quoting the
  // expression and saying what is wrong (unknown field or function, syntax).
  static std::unique_ptr<Expression> Compile(std::string_view text, const std::vector<FieldInfo>& fields,
                                             std::string_view alias = {});
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::string& text() const { return text_; }

  // Throws xbase::Error on a type mismatch found while evaluating (for
  // example a text added to a date), quoting the expression.
  Value Evaluate(const RecordContext& record) const;
  // As Evaluate, and the result must be logical.
  bool Test(const RecordContext& record) const;

  struct Node;

 private:
  Expression(std::string text, std::unique_ptr<Node> root);
  std::string text_;
  std::unique_ptr<Node> root_;
};

// The xBase non-exact comparison of character values: <0, 0, >0. With
// `exact` false, a left side longer than the right is compared only over the
// right side's length (so "ECF:1  " = "ECF:1", and anything = "").
int CompareText(std::string_view left, std::string_view right, bool exact);

// STR(value, length, decimals) as xBase writes it: right-aligned, rounded;
// asterisks when the whole part does not fit.
std::string FormatStr(double value, int length, int decimals);

}  // namespace xbase

#endif  // QX_XBASE_EXPRESSION_H_
