#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "sql/test_shop.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  std::string out;
  int status;
};

// Runs the tool with a shell command line; stderr joins stdout.
ToolRun Tool(const std::string& args, const std::string& input = "") {
  std::string cmd = std::string(SQL_TOOL) + " " + args + " 2>&1";
  fs::path file;
  if (!input.empty()) {
    file = fs::temp_directory_path() / ("qx_sqltool_in_" + std::to_string(std::random_device{}()));
    std::ofstream(file) << input;
    cmd += " < " + file.string();
  }
  FILE* p = popen(cmd.c_str(), "r");
  ToolRun r{"", -1};
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!file.empty()) fs::remove(file);
  return r;
}

class SqlToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qx_sqltool_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    sqltest::MakeTable(dir_, "CLIENTES", {{"CODIGO_CLI", 'C', 6}, {"NOME_CLI", 'C', 20}, {"LIMITE", 'N', 8, 2}},
                       {{{"1", "SILVA, JOSE", "10.5"}},
                        {{"2", "ANA \"NINA\"", ""}},
                        {{"3", "LINHA\nDUPLA", "7"}},
                        {{"4", "JO\xC3O", "100"}}});  // "JOÃO" in Windows-1252
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(SqlToolTest, CsvQuotesFieldsAsRfc4180) {
  const ToolRun r = Tool(dir_.string() + " \"SELECT CODIGO_CLI, NOME_CLI, LIMITE FROM clientes\" --csv");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "CODIGO_CLI,NOME_CLI,LIMITE\r\n"
            "1,\"SILVA, JOSE\",10.5\r\n"
            "2,\"ANA \"\"NINA\"\"\",\r\n"
            "3,\"LINHA\nDUPLA\",7.0\r\n"
            "4,JO\xC3\x83O,100.0\r\n");
}

TEST_F(SqlToolTest, AlignedTableCountsCharactersNotBytes) {
  const ToolRun r = Tool(dir_.string() + " \"SELECT CODIGO_CLI, NOME_CLI, LIMITE FROM CLIENTES WHERE CODIGO_CLI IN ('2','4')\"");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "CODIGO_CLI | NOME_CLI   | LIMITE\n"
            "-----------+------------+-------\n"
            "2          | ANA \"NINA\" |   NULL\n"
            "4          | JO\xC3\x83O       |  100.0\n"
            "(2 registros)\n");
}

TEST_F(SqlToolTest, StatementsFromStandardInputGoOnAfterAnError) {
  const ToolRun r = Tool(dir_.string() + " --csv", "SELECT COUNT(*) n FROM CLIENTES\nSELECT * FROM NADA\n\nSELECT 2 m\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("n\r\n4\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no such table: NADA"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("m\r\n2\r\n"), std::string::npos) << r.out;
}

TEST_F(SqlToolTest, BadUseIsExplained) {
  const struct {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"", 2, "uso: sql-tool"},
      {dir_.string() + " \"SELECT 1\" \"SELECT 2\"", 2, "só um comando"},
      {dir_.string() + " --index X", 2, "TABELA=INDICE"},
      {dir_.string() + " --nada", 2, "opção desconhecida"},
      {dir_.string() + " \"DELETE FROM CLIENTES\"", 1, "recusado"},
  };
  for (const auto& c : cases) {
    const ToolRun r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
  }
}

}  // namespace
