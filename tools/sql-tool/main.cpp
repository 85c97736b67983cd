// sql-tool: runs read-only SQL over a directory of DBF tables and prints the
// rows, for support staff and for tests.
//
//   sql-tool DIR "SELECT ..." [--csv] [--index TABLE=INDEX[,INDEX...]]...
//   sql-tool DIR [--csv] [...]        statements from standard input, one a line
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "sql/connection.h"

namespace {

const char kUsage[] =
    "uso: sql-tool DIRETORIO [\"SELECT ...\"] [--csv] [--index TABELA=INDICE[,INDICE...]]...\n"
    "  Sem comando, lê os comandos da entrada padrão, um por linha.\n"
    "  --csv    imprime em CSV (RFC 4180): uma linha de cabeçalho e uma por registro\n"
    "  --index  arquivos de índice abertos com a tabela, para buscas rápidas\n";

size_t DisplayWidth(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  return out + "\"";
}

struct Result {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> numeric;  // per column: every value a number (right-aligned)
};

Result Run(sql::Connection& db, const std::string& text, bool null_text) {
  sql::Statement st = db.Prepare(text);
  Result r;
  for (int i = 0; i < st.ColumnCount(); ++i) r.names.push_back(st.ColumnName(i));
  r.numeric.assign(r.names.size(), true);
  while (st.Step()) {
    std::vector<std::string> row;
    for (int i = 0; i < st.ColumnCount(); ++i) {
      const sql::ValueType type = st.ColumnType(i);
      if (type == sql::ValueType::kText || type == sql::ValueType::kBlob) r.numeric[i] = false;
      row.push_back(type == sql::ValueType::kNull ? (null_text ? "NULL" : "") : st.ColumnText(i));
    }
    r.rows.push_back(std::move(row));
  }
  return r;
}

void PrintCsv(const Result& r) {
  for (size_t i = 0; i < r.names.size(); ++i) std::cout << (i ? "," : "") << CsvField(r.names[i]);
  std::cout << "\r\n";
  for (const auto& row : r.rows) {
    for (size_t i = 0; i < row.size(); ++i) std::cout << (i ? "," : "") << CsvField(row[i]);
    std::cout << "\r\n";
  }
}

void PrintTable(const Result& r) {
  std::vector<size_t> width(r.names.size());
  for (size_t i = 0; i < r.names.size(); ++i) width[i] = DisplayWidth(r.names[i]);
  for (const auto& row : r.rows)
    for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], DisplayWidth(row[i]));
  auto cell = [&](const std::string& s, size_t i, bool right) {
    const std::string pad(width[i] - DisplayWidth(s), ' ');
    return right ? pad + s : s + pad;
  };
  auto line = [&](const std::vector<std::string>& values, bool header) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
      out += (i ? " | " : "") + cell(values[i], i, !header && r.numeric[i]);
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    std::cout << out << "\n";
  };
  line(r.names, true);
  std::string rule;
  for (size_t i = 0; i < width.size(); ++i) rule += (i ? "-+-" : "") + std::string(width[i], '-');
  std::cout << rule << "\n";
  for (const auto& row : r.rows) line(row, false);
  std::cout << "(" << r.rows.size() << (r.rows.size() == 1 ? " registro)" : " registros)") << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string directory;
  std::vector<std::string> statements;
  bool csv = false;
  std::vector<std::pair<std::string, std::vector<std::string>>> indexes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--csv") {
      csv = true;
    } else if (arg == "--index" && i + 1 < argc) {
      const std::string option = argv[++i];
      const size_t eq = option.find('=');
      if (eq == std::string::npos || eq == 0) {
        std::cerr << "sql-tool: --index espera TABELA=INDICE[,INDICE...], recebeu \"" << option << "\"\n";
        return 2;
      }
      std::vector<std::string> files;
      std::stringstream list(option.substr(eq + 1));
      for (std::string f; std::getline(list, f, ',');)
        if (!f.empty()) files.push_back(f);
      indexes.emplace_back(option.substr(0, eq), files);
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg.rfind("--", 0) == 0) {
      std::cerr << "sql-tool: opção desconhecida " << arg << "\n" << kUsage;
      return 2;
    } else if (directory.empty()) {
      directory = arg;
    } else if (statements.empty()) {
      statements.push_back(arg);
    } else {
      std::cerr << "sql-tool: só um comando na linha de comando; use a entrada padrão para vários\n" << kUsage;
      return 2;
    }
  }
  if (directory.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const bool from_stdin = statements.empty();
  int failures = 0;
  try {
    sql::Connection db(directory);
    for (const auto& [table, files] : indexes) db.SetIndexFiles(table, files);
    auto run = [&](const std::string& text) {
      try {
        const Result r = Run(db, text, !csv);
        csv ? PrintCsv(r) : PrintTable(r);
      } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "sql-tool: " << e.what() << "\n";
        ++failures;
      }
    };
    if (!from_stdin) {
      run(statements.front());
    } else {
      for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        run(line);
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "sql-tool: " << e.what() << "\n";
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
