#include "sql/dialect.h"

#include <cctype>
#include <vector>

namespace sql {
namespace {

struct TypeName {
  std::string_view from, to;
};
constexpr TypeName kTypes[] = {
    {"SQL_INTEGER", "INTEGER"}, {"SQL_SMALLINT", "INTEGER"}, {"SQL_BIGINT", "INTEGER"},
    {"SQL_CHAR", "TEXT"},       {"SQL_VARCHAR", "TEXT"},     {"SQL_LONGVARCHAR", "TEXT"},
    {"SQL_DOUBLE", "REAL"},     {"SQL_FLOAT", "REAL"},       {"SQL_REAL", "REAL"},
    {"SQL_NUMERIC", "NUMERIC"}, {"SQL_DECIMAL", "NUMERIC"}};

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Position just after a quoted run starting at i (quote char q, doubled to escape).
size_t SkipQuoted(std::string_view t, size_t i, char close) {
  ++i;
  while (i < t.size()) {
    if (t[i] == close) {
      if (close != ']' && i + 1 < t.size() && t[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return t.size();
}

}  // namespace

std::string RewriteDialect(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  // One entry per open parenthesis: whether it opened SUBSTRING's arguments.
  std::vector<bool> parens;
  bool after_substring = false;  // the last word was SUBSTRING, awaiting "("
  size_t i = 0;
  while (i < t.size()) {
    const char c = t[i];
    if (c == '\'' || c == '"' || c == '[' || c == '`') {
      const size_t end = SkipQuoted(t, i, c == '[' ? ']' : c);
      out.append(t.substr(i, end - i));
      i = end;
      after_substring = false;
      continue;
    }
    if (c == '/' && i + 1 < t.size() && t[i + 1] == '*') {
      const size_t close = t.find("*/", i + 2);
      const size_t end = close == std::string_view::npos ? t.size() : close + 2;
      out.append(t.substr(i, end - i));
      i = end;
      continue;
    }
    if (c == '-' && i + 1 < t.size() && t[i + 1] == '-') {
      size_t end = i;
      while (end < t.size() && t[end] != '\n' && t[end] != '\r') ++end;
      out.append(t.substr(i, end - i));
      i = end;
      continue;
    }
    if (IsIdentStart(c)) {
      size_t end = i;
      while (end < t.size() && IsIdentChar(t[end])) ++end;
      const std::string_view word = t.substr(i, end - i);
      i = end;
      std::string_view replacement = word;
      for (const auto& type : kTypes)
        if (EqualsNoCase(word, type.from)) replacement = type.to;
      const bool in_substring = !parens.empty() && parens.back();
      if (in_substring && (EqualsNoCase(word, "FROM") || EqualsNoCase(word, "FOR"))) replacement = ",";
      out.append(replacement);
      after_substring = EqualsNoCase(word, "SUBSTRING");
      continue;
    }
    if (c == '(') {
      parens.push_back(after_substring);
    } else if (c == ')') {
      if (!parens.empty()) parens.pop_back();
    }
    if (!std::isspace(static_cast<unsigned char>(c))) after_substring = false;
    out.push_back(c);
    ++i;
  }
  return out;
}

}  // namespace sql
