// libFuzzer target: the expression parser and evaluator on any text.
#include <cstdint>
#include <string>

#include "xbase/expression.h"

namespace {

class Record : public xbase::RecordContext {
 public:
  xbase::Value Field(int i) const override {
    switch (i) {
      case 0: return xbase::Value::String("000123");
      case 1: return xbase::Value::String("ECF:1     ");
      case 2: return xbase::Value::Date(2455626);
      case 3: return xbase::Value::Number(2.5);
      default: return xbase::Value::Logical(true);
    }
  }
  bool Deleted() const override { return false; }
  uint32_t RecNo() const override { return 1; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<xbase::FieldInfo> fields = {
      {"NF", 'C', 6, 0, 0}, {"COD_NOTA", 'C', 10, 0, 6}, {"DATMOV", 'D', 8, 0, 16},
      {"QTDE", 'N', 10, 3, 24}, {"ATIVO", 'L', 1, 0, 34}};
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    auto e = xbase::Expression::Compile(text, fields, "MOVIM");
    (void)e->Evaluate(Record());
  } catch (const xbase::Error&) {
  }
  return 0;
}
