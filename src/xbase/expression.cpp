#include "xbase/expression.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "xbase/dbf_format.h"
#include "xbase/error.h"

namespace xbase {

enum class Op {
  kLiteral, kField, kDeleted, kRecno,
  kOr, kAnd, kNot, kNeg,
  kEq, kExactEq, kNe, kLt, kGt, kLe, kGe, kContains,
  kAdd, kSub, kMul, kDiv, kMod, kPow,
  kCall,
};

enum class Fn {
  kDtos, kDtoc, kCtod, kStr, kVal, kUpper, kLower, kSubstr, kLeft, kRight, kTrim, kLtrim,
  kAlltrim, kPadl, kPadr, kPadc, kStrzero, kIif, kEmpty, kLen, kInt, kRound, kAbs, kSpace,
  kReplicate, kAt,
};

struct Expression::Node {
  Op op = Op::kLiteral;
  Fn fn = Fn::kDtos;
  Value literal;
  int field = -1;
  int height = 1;  // of the subtree: bounds evaluation recursion
  std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = Expression::Node;

constexpr int kMaxDepth = 400;     // bounds parser recursion on hostile input
constexpr int kMaxHeight = 2000;   // bounds evaluation recursion (a+a+a+...)
constexpr size_t kMaxText = 65536;  // no expression result grows beyond this

struct FnSpec {
  const char* name;
  Fn fn;
  int min_args;
  int max_args;
};

const FnSpec kFunctions[] = {
    {"DTOS", Fn::kDtos, 1, 1},       {"DTOC", Fn::kDtoc, 1, 2},         {"CTOD", Fn::kCtod, 1, 1},
    {"STR", Fn::kStr, 1, 3},         {"VAL", Fn::kVal, 1, 1},           {"UPPER", Fn::kUpper, 1, 1},
    {"LOWER", Fn::kLower, 1, 1},     {"SUBSTR", Fn::kSubstr, 2, 3},     {"LEFT", Fn::kLeft, 2, 2},
    {"RIGHT", Fn::kRight, 2, 2},     {"TRIM", Fn::kTrim, 1, 1},         {"RTRIM", Fn::kTrim, 1, 1},
    {"LTRIM", Fn::kLtrim, 1, 1},     {"ALLTRIM", Fn::kAlltrim, 1, 1},   {"PADL", Fn::kPadl, 2, 3},
    {"PADR", Fn::kPadr, 2, 3},       {"PADC", Fn::kPadc, 2, 3},         {"STRZERO", Fn::kStrzero, 1, 3},
    {"IIF", Fn::kIif, 3, 3},         {"EMPTY", Fn::kEmpty, 1, 1},       {"LEN", Fn::kLen, 1, 1},
    {"INT", Fn::kInt, 1, 1},         {"ROUND", Fn::kRound, 2, 2},       {"ABS", Fn::kAbs, 1, 1},
    {"SPACE", Fn::kSpace, 1, 1},     {"REPLICATE", Fn::kReplicate, 2, 2}, {"AT", Fn::kAt, 2, 2},
};

unsigned char UpperByte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  // Windows-1252 accented letters (à..þ except ÷), and š œ ž ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  if (c == 0x9A) return 0x8A;
  if (c == 0x9C) return 0x8C;
  if (c == 0x9E) return 0x8E;
  if (c == 0xFF) return 0x9F;
  return c;
}
unsigned char LowerByte(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A) return 0x9A;
  if (c == 0x8C) return 0x9C;
  if (c == 0x8E) return 0x9E;
  if (c == 0x9F) return 0xFF;
  return c;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// --- Tokenizer and recursive-descent parser --------------------------------

enum class Tok { kEnd, kIdent, kNumber, kString, kLogical, kOp, kLParen, kRParen, kComma, kArrow };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // identifier (upper case), operator, string contents
  double number = 0;
  bool logical = false;
  size_t pos = 0;
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FieldInfo>& fields, std::string_view alias)
      : src_(text), fields_(fields), alias_(AsciiUpper(alias)) {
    Advance();
  }

  std::unique_ptr<Node> ParseAll() {
    if (tok_.kind == Tok::kEnd) Fail("expressão vazia");
    auto n = ParseOr(0);
    if (tok_.kind != Tok::kEnd) Fail("texto inesperado em \"" + tok_.text + "\"");
    return n;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw Error("Expressão inválida \"" + std::string(src_) + "\": " + why);
  }

  void Advance() {
    while (pos_ < src_.size() && std::isspace(static_cast<unsigned char>(src_[pos_]))) ++pos_;
    tok_ = Token{};
    tok_.pos = pos_;
    if (pos_ >= src_.size()) return;
    const char c = src_[pos_];
    auto is_ident = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; };
    if (c == '.') {
      // .AND. .OR. .NOT. .T. .F. .Y. .N. or a number like .5
      size_t e = pos_ + 1;
      while (e < src_.size() && std::isalpha(static_cast<unsigned char>(src_[e]))) ++e;
      if (e > pos_ + 1 && e < src_.size() && src_[e] == '.') {
        const std::string word = AsciiUpper(src_.substr(pos_ + 1, e - pos_ - 1));
        pos_ = e + 1;
        if (word == "AND" || word == "OR" || word == "NOT") {
          tok_.kind = Tok::kOp;
          tok_.text = word;
          return;
        }
        if (word == "T" || word == "Y" || word == "F" || word == "N") {
          tok_.kind = Tok::kLogical;
          tok_.logical = (word == "T" || word == "Y");
          tok_.text = "." + word + ".";
          return;
        }
        Fail("operador ." + word + ". desconhecido");
      }
      if (pos_ + 1 < src_.size() && std::isdigit(static_cast<unsigned char>(src_[pos_ + 1]))) {
        ReadNumber();
        return;
      }
      Fail("ponto fora de lugar");
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      ReadNumber();
      return;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t e = pos_;
      while (e < src_.size() && is_ident(src_[e])) ++e;
      tok_.kind = Tok::kIdent;
      tok_.text = AsciiUpper(src_.substr(pos_, e - pos_));
      pos_ = e;
      return;
    }
    if (c == '\'' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t e = src_.find(close, pos_ + 1);
      if (e == std::string_view::npos) Fail("texto sem aspas de fechamento");
      tok_.kind = Tok::kString;
      tok_.text = std::string(src_.substr(pos_ + 1, e - pos_ - 1));
      pos_ = e + 1;
      return;
    }
    static const char* const kOps[] = {"->", "==", "<>", "!=", "<=", ">=", "**", "=", "#", "<", ">",
                                       "$",  "+",  "-",  "*",  "/",  "%",  "^",  "!"};
    for (const char* op : kOps) {
      const size_t n = std::strlen(op);
      if (src_.substr(pos_, n) == op) {
        pos_ += n;
        tok_.kind = std::strcmp(op, "->") == 0 ? Tok::kArrow : Tok::kOp;
        tok_.text = op;
        if (tok_.text == "!=" || tok_.text == "#") tok_.text = "<>";
        if (tok_.text == "**") tok_.text = "^";
        if (tok_.text == "!") tok_.text = "NOT";
        return;
      }
    }
    ++pos_;
    if (c == '(') { tok_.kind = Tok::kLParen; tok_.text = "("; return; }
    if (c == ')') { tok_.kind = Tok::kRParen; tok_.text = ")"; return; }
    if (c == ',') { tok_.kind = Tok::kComma; tok_.text = ","; return; }
    Fail(std::string("caractere inesperado '") + c + "'");
  }

  void ReadNumber() {
    size_t e = pos_;
    while (e < src_.size() && (std::isdigit(static_cast<unsigned char>(src_[e])) || src_[e] == '.')) {
      // A dot followed by a letter starts an operator (1.AND.): stop there.
      if (src_[e] == '.' && e + 1 < src_.size() && std::isalpha(static_cast<unsigned char>(src_[e + 1])))
        break;
      ++e;
    }
    const std::string s(src_.substr(pos_, e - pos_));
    if (std::count(s.begin(), s.end(), '.') > 1) Fail("número inválido \"" + s + "\"");
    tok_.kind = Tok::kNumber;
    tok_.number = std::strtod(s.c_str(), nullptr);
    tok_.text = s;
    pos_ = e;
  }

  bool IsOp(const char* op) const { return tok_.kind == Tok::kOp && tok_.text == op; }

  std::unique_ptr<Node> Make(Op op, std::unique_ptr<Node> a, std::unique_ptr<Node> b = nullptr) const {
    auto n = std::make_unique<Node>();
    n->op = op;
    n->height = a->height + 1;
    if (b) n->height = std::max(n->height, b->height + 1);
    if (n->height > kMaxHeight) Fail("expressão longa demais");
    n->args.push_back(std::move(a));
    if (b) n->args.push_back(std::move(b));
    return n;
  }

  void CheckDepth(int depth) const {
    if (depth > kMaxDepth) Fail("expressão aninhada demais");
  }

  std::unique_ptr<Node> ParseOr(int depth) {
    CheckDepth(depth);
    auto left = ParseAnd(depth + 1);
    while (IsOp("OR")) {
      Advance();
      left = Make(Op::kOr, std::move(left), ParseAnd(depth + 1));
    }
    return left;
  }
  std::unique_ptr<Node> ParseAnd(int depth) {
    auto left = ParseNot(depth + 1);
    while (IsOp("AND")) {
      Advance();
      left = Make(Op::kAnd, std::move(left), ParseNot(depth + 1));
    }
    return left;
  }
  std::unique_ptr<Node> ParseNot(int depth) {
    CheckDepth(depth);
    if (IsOp("NOT")) {
      Advance();
      return Make(Op::kNot, ParseNot(depth + 1));
    }
    return ParseRelation(depth + 1);
  }
  std::unique_ptr<Node> ParseRelation(int depth) {
    auto left = ParseAdditive(depth + 1);
    static const struct { const char* text; Op op; } kRel[] = {
        {"==", Op::kExactEq}, {"=", Op::kEq}, {"<>", Op::kNe}, {"<=", Op::kLe},
        {">=", Op::kGe},      {"<", Op::kLt}, {">", Op::kGt},  {"$", Op::kContains}};
    for (;;) {
      bool matched = false;
      for (const auto& r : kRel) {
        if (IsOp(r.text)) {
          Advance();
          left = Make(r.op, std::move(left), ParseAdditive(depth + 1));
          matched = true;
          break;
        }
      }
      if (!matched) return left;
    }
  }
  std::unique_ptr<Node> ParseAdditive(int depth) {
    auto left = ParseTerm(depth + 1);
    while (IsOp("+") || IsOp("-")) {
      const Op op = IsOp("+") ? Op::kAdd : Op::kSub;
      Advance();
      left = Make(op, std::move(left), ParseTerm(depth + 1));
    }
    return left;
  }
  std::unique_ptr<Node> ParseTerm(int depth) {
    auto left = ParsePower(depth + 1);
    while (IsOp("*") || IsOp("/") || IsOp("%")) {
      const Op op = IsOp("*") ? Op::kMul : IsOp("/") ? Op::kDiv : Op::kMod;
      Advance();
      left = Make(op, std::move(left), ParsePower(depth + 1));
    }
    return left;
  }
  std::unique_ptr<Node> ParsePower(int depth) {
    auto left = ParseUnary(depth + 1);
    while (IsOp("^")) {
      Advance();
      left = Make(Op::kPow, std::move(left), ParseUnary(depth + 1));
    }
    return left;
  }
  std::unique_ptr<Node> ParseUnary(int depth) {
    CheckDepth(depth);
    if (IsOp("-")) {
      Advance();
      return Make(Op::kNeg, ParseUnary(depth + 1));
    }
    if (IsOp("+")) {
      Advance();
      return ParseUnary(depth + 1);
    }
    if (IsOp("NOT")) {
      Advance();
      return Make(Op::kNot, ParseUnary(depth + 1));
    }
    return ParsePrimary(depth + 1);
  }

  std::unique_ptr<Node> ParsePrimary(int depth) {
    CheckDepth(depth);
    auto n = std::make_unique<Node>();
    switch (tok_.kind) {
      case Tok::kNumber:
        n->literal = Value::Number(tok_.number);
        Advance();
        return n;
      case Tok::kString:
        n->literal = Value::String(tok_.text);
        Advance();
        return n;
      case Tok::kLogical:
        n->literal = Value::Logical(tok_.logical);
        Advance();
        return n;
      case Tok::kLParen: {
        Advance();
        auto inner = ParseOr(depth + 1);
        if (tok_.kind != Tok::kRParen) Fail("falta fechar parênteses");
        Advance();
        return inner;
      }
      case Tok::kIdent:
        return ParseName(depth);
      case Tok::kEnd:
        Fail("expressão incompleta");
      default:
        Fail("texto inesperado em \"" + tok_.text + "\"");
    }
  }

  std::unique_ptr<Node> ParseName(int depth) {
    std::string name = tok_.text;
    Advance();
    if (tok_.kind == Tok::kArrow) {
      Advance();
      if (tok_.kind != Tok::kIdent) Fail("nome de campo esperado depois de \"" + name + "->\"");
      if (!alias_.empty() && name != alias_) Fail("tabela " + name + " não é a desta expressão");
      if (alias_.empty()) Fail("tabela " + name + " não é a desta expressão");
      name = tok_.text;
      Advance();
      return FieldNode(name);
    }
    if (tok_.kind != Tok::kLParen) return FieldNode(name);
    Advance();
    std::vector<std::unique_ptr<Node>> args;
    if (tok_.kind != Tok::kRParen) {
      for (;;) {
        args.push_back(ParseOr(depth + 1));
        if (tok_.kind == Tok::kComma) {
          Advance();
          continue;
        }
        break;
      }
    }
    if (tok_.kind != Tok::kRParen) Fail("falta fechar parênteses de " + name + "(");
    Advance();
    auto n = std::make_unique<Node>();
    if (name == "DELETED" || name == "DELE" || name == "DELET" || name == "DELETE") {
      if (!args.empty()) Fail("DELETED() não leva argumentos aqui");
      n->op = Op::kDeleted;
      return n;
    }
    if (name == "RECNO" || name == "RECN") {
      if (!args.empty()) Fail("RECNO() não leva argumentos aqui");
      n->op = Op::kRecno;
      return n;
    }
    const FnSpec* fn_def = nullptr;
    for (const FnSpec& f : kFunctions) {
      const std::string_view full(f.name);
      if (name == full || (name.size() >= 4 && full.substr(0, name.size()) == name)) {
        fn_def = &f;
        break;
      }
    }
    if (fn_def == nullptr) Fail("função " + name + "() desconhecida");
    const int count = static_cast<int>(args.size());
    if (count < fn_def->min_args || count > fn_def->max_args)
      Fail("número de argumentos errado em " + std::string(fn_def->name) + "()");
    n->op = Op::kCall;
    n->fn = fn_def->fn;
    for (const auto& arg : args) n->height = std::max(n->height, arg->height + 1);
    if (n->height > kMaxHeight) Fail("expressão longa demais");
    n->args = std::move(args);
    return n;
  }

  std::unique_ptr<Node> FieldNode(const std::string& name) {
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (AsciiUpper(fields_[i].name) == name) {
        auto n = std::make_unique<Node>();
        n->op = Op::kField;
        n->field = static_cast<int>(i);
        return n;
      }
    }
    Fail("campo " + name + " inexistente");
  }

  std::string_view src_;
  const std::vector<FieldInfo>& fields_;
  std::string alias_;
  size_t pos_ = 0;
  Token tok_;
};

// --- Evaluation --------------------------------------------------------------

class Evaluator {
 public:
  Evaluator(const std::string& text, const RecordContext& rec) : text_(text), rec_(rec) {}

  Value Eval(const Node& n) {
    switch (n.op) {
      case Op::kLiteral: return n.literal;
      case Op::kField: return rec_.Field(n.field);
      case Op::kDeleted: return Value::Logical(rec_.Deleted());
      case Op::kRecno: return Value::Number(rec_.RecNo());
      case Op::kOr: return Value::Logical(Bool(*n.args[0], ".OR.") || Bool(*n.args[1], ".OR."));
      case Op::kAnd: return Value::Logical(Bool(*n.args[0], ".AND.") && Bool(*n.args[1], ".AND."));
      case Op::kNot: return Value::Logical(!Bool(*n.args[0], ".NOT."));
      case Op::kNeg: return Value::Number(-Num(Eval(*n.args[0]), "-"));
      case Op::kCall: return Call(n);
      default: break;
    }
    Value a = Eval(*n.args[0]);
    Value b = Eval(*n.args[1]);
    switch (n.op) {
      case Op::kEq: return Value::Logical(Compare(a, b, false, "=") == 0);
      case Op::kExactEq: return Value::Logical(Compare(a, b, true, "==") == 0);
      case Op::kNe: return Value::Logical(Compare(a, b, false, "<>") != 0);
      case Op::kLt: return Value::Logical(Compare(a, b, false, "<") < 0);
      case Op::kGt: return Value::Logical(Compare(a, b, false, ">") > 0);
      case Op::kLe: return Value::Logical(Compare(a, b, false, "<=") <= 0);
      case Op::kGe: return Value::Logical(Compare(a, b, false, ">=") >= 0);
      case Op::kContains:
        if (a.kind != Value::Kind::kString || b.kind != Value::Kind::kString) Mismatch("$");
        return Value::Logical(b.text.find(a.text) != std::string::npos);
      case Op::kAdd: return Add(a, b);
      case Op::kSub: return Sub(a, b);
      case Op::kMul: return Value::Number(Num(a, "*") * Num(b, "*"));
      case Op::kDiv: {
        const double d = Num(b, "/");
        if (d == 0) Fail("divisão por zero");
        return Value::Number(Num(a, "/") / d);
      }
      case Op::kMod: {
        const double d = Num(b, "%");
        if (d == 0) Fail("divisão por zero");
        const double r = std::fmod(Num(a, "%"), d);
        return Value::Number(r != 0 && ((r < 0) != (d < 0)) ? r + d : r);
      }
      case Op::kPow: return Value::Number(std::pow(Num(a, "^"), Num(b, "^")));
      default: Fail("operação desconhecida");
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw Error("Expressão \"" + text_ + "\": " + why);
  }
  [[noreturn]] void Mismatch(const char* op) const { Fail(std::string("tipos incompatíveis em '") + op + "'"); }

  bool Bool(const Node& n, const char* op) {
    const Value v = Eval(n);
    if (v.kind != Value::Kind::kLogical) Mismatch(op);
    return v.logical;
  }
  double Num(const Value& v, const char* op) const {
    if (v.kind != Value::Kind::kNumber) Mismatch(op);
    return v.number;
  }
  std::string Str(const Value& v, const char* fn) const {
    if (v.kind != Value::Kind::kString) Fail(std::string("argumento de ") + fn + "() deve ser texto");
    return v.text;
  }
  double NumArg(const Value& v, const char* fn) const {
    if (v.kind != Value::Kind::kNumber) Fail(std::string("argumento de ") + fn + "() deve ser número");
    return v.number;
  }
  int IntArg(const Value& v, const char* fn) const {
    const double d = NumArg(v, fn);
    if (!(d > -1e6 && d < 1e6)) Fail(std::string("argumento de ") + fn + "() fora do limite");
    return static_cast<int>(d);
  }
  size_t Width(const Value& v, const char* fn) const {
    const int w = IntArg(v, fn);
    if (w < 0) return 0;
    if (static_cast<size_t>(w) > kMaxText) Fail(std::string("tamanho grande demais em ") + fn + "()");
    return static_cast<size_t>(w);
  }
  std::string Cap(std::string s) const {
    if (s.size() > kMaxText) Fail("texto grande demais");
    return s;
  }

  int Compare(const Value& a, const Value& b, bool exact, const char* op) const {
    if (a.kind != b.kind) Mismatch(op);
    switch (a.kind) {
      case Value::Kind::kString: return CompareText(a.text, b.text, exact);
      case Value::Kind::kNumber: return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
      case Value::Kind::kDate: return a.date < b.date ? -1 : a.date > b.date ? 1 : 0;
      case Value::Kind::kLogical: return int(a.logical) - int(b.logical);
    }
    return 0;
  }

  Value Add(const Value& a, const Value& b) const {
    using K = Value::Kind;
    if (a.kind == K::kString && b.kind == K::kString) return Value::String(Cap(a.text + b.text));
    if (a.kind == K::kNumber && b.kind == K::kNumber) return Value::Number(a.number + b.number);
    if (a.kind == K::kDate && b.kind == K::kNumber) return DatePlus(a.date, b.number);
    if (a.kind == K::kNumber && b.kind == K::kDate) return DatePlus(b.date, a.number);
    Mismatch("+");
  }
  Value Sub(const Value& a, const Value& b) const {
    using K = Value::Kind;
    if (a.kind == K::kString && b.kind == K::kString) {
      // xBase "-": the left side's trailing blanks move to the end.
      size_t e = a.text.size();
      while (e > 0 && a.text[e - 1] == ' ') --e;
      return Value::String(Cap(a.text.substr(0, e) + b.text + std::string(a.text.size() - e, ' ')));
    }
    if (a.kind == K::kNumber && b.kind == K::kNumber) return Value::Number(a.number - b.number);
    if (a.kind == K::kDate && b.kind == K::kNumber) return DatePlus(a.date, -b.number);
    if (a.kind == K::kDate && b.kind == K::kDate) {
      if (a.date == 0 || b.date == 0) return Value::Number(0);
      return Value::Number(double(a.date) - double(b.date));
    }
    Mismatch("-");
  }
  Value DatePlus(JulianDay d, double days) const {
    if (d == 0) return Value::Date(0);
    const double r = double(d) + std::trunc(days);
    if (!(r > 1721426 && r < 5373484)) Fail("data fora do limite");  // years 1..9999
    return Value::Date(static_cast<JulianDay>(r));
  }

  bool IsEmpty(const Value& v) const {
    switch (v.kind) {
      case Value::Kind::kString:
        return v.text.find_first_not_of(" \t\r\n") == std::string::npos;
      case Value::Kind::kNumber: return v.number == 0;
      case Value::Kind::kDate: return v.date == 0;
      case Value::Kind::kLogical: return !v.logical;
    }
    return true;
  }

  Value Call(const Node& n) {
    if (n.fn == Fn::kIif) {
      return Bool(*n.args[0], "IIF") ? Eval(*n.args[1]) : Eval(*n.args[2]);
    }
    std::vector<Value> a;
    a.reserve(n.args.size());
    for (const auto& arg : n.args) a.push_back(Eval(*arg));
    switch (n.fn) {
      case Fn::kDtos:
        if (a[0].kind != Value::Kind::kDate) Fail("argumento de DTOS() deve ser data");
        return Value::String(FormatDtos(a[0].date));
      case Fn::kDtoc:
        if (a[0].kind != Value::Kind::kDate) Fail("argumento de DTOC() deve ser data");
        if (a.size() == 2) return Value::String(FormatDtos(a[0].date));  // DTOC(d, 1)
        return Value::String(FormatBritishDate(a[0].date));
      case Fn::kCtod: {
        const JulianDay d = ParseBritishDate(Str(a[0], "CTOD"));
        return Value::Date(d < 0 ? 0 : d);
      }
      case Fn::kStr: {
        const int len = a.size() > 1 ? IntArg(a[1], "STR") : 10;
        const int dec = a.size() > 2 ? IntArg(a[2], "STR") : 0;
        if (len < 1 || len > 255 || dec < 0 || dec > 18) Fail("tamanho inválido em STR()");
        return Value::String(FormatStr(NumArg(a[0], "STR"), len, dec));
      }
      case Fn::kStrzero: {
        const int len = a.size() > 1 ? IntArg(a[1], "STRZERO") : 10;
        const int dec = a.size() > 2 ? IntArg(a[2], "STRZERO") : 0;
        if (len < 1 || len > 255 || dec < 0 || dec > 18) Fail("tamanho inválido em STRZERO()");
        std::string s = FormatStr(NumArg(a[0], "STRZERO"), len, dec);
        const bool neg = s.find('-') != std::string::npos;
        for (char& c : s)
          if (c == ' ' || c == '-') c = '0';
        if (neg) s[0] = '-';
        return Value::String(s);
      }
      case Fn::kVal: {
        const std::string s = Str(a[0], "VAL");
        const char* p = s.c_str();
        while (*p == ' ') ++p;
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        return Value::Number(end == p || !std::isfinite(v) ? 0 : v);
      }
      case Fn::kUpper: {
        std::string s = Str(a[0], "UPPER");
        for (char& c : s) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
        return Value::String(s);
      }
      case Fn::kLower: {
        std::string s = Str(a[0], "LOWER");
        for (char& c : s) c = static_cast<char>(LowerByte(static_cast<unsigned char>(c)));
        return Value::String(s);
      }
      case Fn::kSubstr: {
        const std::string s = Str(a[0], "SUBSTR");
        const int start = IntArg(a[1], "SUBSTR");
        if (start < 1 || static_cast<size_t>(start) > s.size()) return Value::String("");
        size_t len = s.size() - static_cast<size_t>(start - 1);
        if (a.size() > 2) len = std::min(len, Width(a[2], "SUBSTR"));
        return Value::String(s.substr(static_cast<size_t>(start - 1), len));
      }
      case Fn::kLeft: {
        const std::string s = Str(a[0], "LEFT");
        return Value::String(s.substr(0, std::min(s.size(), Width(a[1], "LEFT"))));
      }
      case Fn::kRight: {
        const std::string s = Str(a[0], "RIGHT");
        const size_t w = std::min(s.size(), Width(a[1], "RIGHT"));
        return Value::String(s.substr(s.size() - w));
      }
      case Fn::kTrim: {
        std::string s = Str(a[0], "TRIM");
        s.erase(s.find_last_not_of(' ') + 1);
        return Value::String(s);
      }
      case Fn::kLtrim: {
        std::string s = Str(a[0], "LTRIM");
        s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
        return Value::String(s);
      }
      case Fn::kAlltrim: {
        std::string s = Str(a[0], "ALLTRIM");
        s.erase(s.find_last_not_of(' ') + 1);
        s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
        return Value::String(s);
      }
      case Fn::kPadl:
      case Fn::kPadr:
      case Fn::kPadc: {
        const char* name = n.fn == Fn::kPadl ? "PADL" : n.fn == Fn::kPadr ? "PADR" : "PADC";
        std::string s = ToText(a[0]);
        const size_t w = Width(a[1], name);
        char fill = ' ';
        if (a.size() > 2) {
          const std::string f = Str(a[2], name);
          if (!f.empty()) fill = f[0];
        }
        if (s.size() >= w) return Value::String(s.substr(0, w));
        const size_t pad = w - s.size();
        if (n.fn == Fn::kPadl) return Value::String(std::string(pad, fill) + s);
        if (n.fn == Fn::kPadr) return Value::String(s + std::string(pad, fill));
        return Value::String(std::string(pad / 2, fill) + s + std::string(pad - pad / 2, fill));
      }
      case Fn::kEmpty: return Value::Logical(IsEmpty(a[0]));
      case Fn::kLen: return Value::Number(static_cast<double>(Str(a[0], "LEN").size()));
      case Fn::kInt: return Value::Number(std::trunc(NumArg(a[0], "INT")));
      case Fn::kRound: {
        const int dec = IntArg(a[1], "ROUND");
        if (dec < -18 || dec > 18) Fail("decimais inválidos em ROUND()");
        return Value::Number(RoundHalfAway(NumArg(a[0], "ROUND"), dec));
      }
      case Fn::kAbs: return Value::Number(std::fabs(NumArg(a[0], "ABS")));
      case Fn::kSpace: return Value::String(std::string(Width(a[0], "SPACE"), ' '));
      case Fn::kReplicate: {
        const std::string s = Str(a[0], "REPLICATE");
        const size_t times = Width(a[1], "REPLICATE");
        if (!s.empty() && times > kMaxText / s.size()) Fail("texto grande demais em REPLICATE()");
        std::string out;
        for (size_t i = 0; i < times; ++i) out += s;
        return Value::String(out);
      }
      case Fn::kAt: {
        const std::string needle = Str(a[0], "AT");
        const std::string hay = Str(a[1], "AT");
        if (needle.empty()) return Value::Number(0);
        const size_t p = hay.find(needle);
        return Value::Number(p == std::string::npos ? 0 : double(p + 1));
      }
      case Fn::kIif: break;
    }
    Fail("função desconhecida");
  }

  // PADL/PADR accept numbers and dates too, as FoxPro does.
  std::string ToText(const Value& v) const {
    switch (v.kind) {
      case Value::Kind::kString: return v.text;
      case Value::Kind::kNumber: {
        std::string s = FormatStr(v.number, 20, v.number == std::trunc(v.number) ? 0 : 2);
        s.erase(0, s.find_first_not_of(' '));
        return s;
      }
      case Value::Kind::kDate: return FormatBritishDate(v.date);
      case Value::Kind::kLogical: return v.logical ? ".T." : ".F.";
    }
    return {};
  }

  const std::string& text_;
  const RecordContext& rec_;
};

}  // namespace

int CompareText(std::string_view left, std::string_view right, bool exact) {
  if (!exact && left.size() > right.size()) left = left.substr(0, right.size());
  const int c = std::memcmp(left.data(), right.data(), std::min(left.size(), right.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

std::string FormatStr(double value, int length, int decimals) {
  if (!std::isfinite(value)) return std::string(static_cast<size_t>(length), '*');
  if (decimals > 0 && decimals >= length) decimals = length - 2 > 0 ? length - 2 : 0;
  for (int dec = decimals; dec >= 0; --dec) {
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, "%*.*f", length, dec, RoundHalfAway(value, dec));
    if (n > 0 && n <= length) {
      std::string s(buf, static_cast<size_t>(n));
      if (s.find_first_of("123456789") == std::string::npos) {
        const auto minus = s.find('-');
        if (minus != std::string::npos) s[minus] = ' ';
      }
      return s;
    }
    // Decimals give way before the whole part does, as in xBase.
    if (dec == 0) break;
  }
  return std::string(static_cast<size_t>(length), '*');
}

Expression::Expression(std::string text, std::unique_ptr<Node> root)
    : text_(std::move(text)), root_(std::move(root)) {}
Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::Compile(std::string_view text, const std::vector<FieldInfo>& fields,
                                                std::string_view alias) {
  if (text.size() > kMaxText) throw Error("Expressão inválida: longa demais");
  Parser p(text, fields, alias);
  auto root = p.ParseAll();
  return std::unique_ptr<Expression>(new Expression(std::string(text), std::move(root)));
}

Value Expression::Evaluate(const RecordContext& record) const {
  Evaluator e(text_, record);
  return e.Eval(*root_);
}

bool Expression::Test(const RecordContext& record) const {
  const Value v = Evaluate(record);
  if (v.kind != Value::Kind::kLogical) throw Error("Expressão \"" + text_ + "\" não é uma condição lógica");
  return v.logical;
}

}  // namespace xbase
