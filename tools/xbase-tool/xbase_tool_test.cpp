#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;  // stdout and stderr together
};

Result Tool(const std::string& args) {
  const std::string cmd = std::string(XBASE_TOOL) + " " + args + " 2>&1";
  Result r{-1, {}};
  std::FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class XbaseTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qxtest::HaveFixtures()) GTEST_SKIP() << "reference fixtures not found";
    dir_ = fs::temp_directory_path() / ("xbase-tool-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const auto& e : fs::directory_iterator(qxtest::FixturesDir() / "shop-small")) {
      fs::copy_file(e.path(), dir_ / e.path().filename());
      fs::permissions(dir_ / e.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
    }
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
  fs::path dir_;
};

TEST_F(XbaseTool, WritesThroughTheToolKeepEveryTagSound) {
  const std::string vend = P("VENDEDOR.DBF") + " -i SINOMVEN -i SICODVEN";
  Result r = Tool("append " + vend + " CODIGO_VEN=0099 'NOME_VEN=JOSÉ DA SILVA' USUARIO_FP=usr1");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "21\n");
  ASSERT_EQ(Tool("set " + vend + " 1 'NOME_VEN=ZÉLIA' CODIGO_VEN=0100").status, 0);
  ASSERT_EQ(Tool("delete " + vend + " 2").status, 0);
  ASSERT_EQ(Tool("delete " + vend + " 3").status, 0);
  ASSERT_EQ(Tool("recall " + vend + " 3").status, 0);
  r = Tool("check " + vend);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "tag SINOMVEN: ok\ntag SICODVEN: ok\n");

  // Stored in Windows-1252, printed in UTF-8.
  EXPECT_NE(ReadAll(dir_ / "VENDEDOR.DBF").find("JOS\xC9 DA SILVA"), std::string::npos);
  r = Tool("dump " + vend + " --csv");
  EXPECT_NE(r.out.find("\n21,,0099,JOSÉ DA SILVA,usr1,\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n2,*,0002,"), std::string::npos) << r.out;
  r = Tool("dump " + vend + " --tag SINOMVEN");
  EXPECT_NE(r.out.find("ZÉLIA"), std::string::npos);
  EXPECT_GT(r.out.find("ZÉLIA"), r.out.find("JOSÉ DA SILVA"));  // key order

  r = Tool("seek " + vend + " --tag SICODVEN 0100");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\n1 |  | 0100 | ZÉLIA"), std::string::npos) << r.out;
  EXPECT_EQ(Tool("seek " + vend + " --tag SICODVEN 7777").status, 1);
}

TEST_F(XbaseTool, CheckFindsATagLeftBehindAndReindexRepairsIt) {
  // Written without its index open: the tag no longer matches the table.
  ASSERT_EQ(Tool("set " + P("ITEM.DBF") + " 7 CODITEM=ZZZ").status, 0);
  const std::string item = P("ITEM.DBF") + " -i CODITEM -i SIDESCIT";
  Result r = Tool("check " + item);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("tag CODITEM: registro 7"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("tag SIDESCIT: ok"), std::string::npos) << r.out;
  r = Tool("reindex " + item + " --tag CODITEM");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "tag CODITEM: reconstruída\n");
  r = Tool("check " + item);
  EXPECT_EQ(r.status, 0) << r.out;
  r = Tool("seek " + item + " --tag CODITEM ZZZ");
  EXPECT_NE(r.out.find("\n7 | "), std::string::npos) << r.out;
}

TEST_F(XbaseTool, BadRequestsExplainThemselvesAndChangeNothing) {
  const std::string before = ReadAll(dir_ / "ECFMOVIM.DBF");
  const std::string ecf = P("ECFMOVIM.DBF") + " -i ECFCODMO -i ECFNUMMO -i ECFDATMO";
  struct Case {
    std::string args;
    const char* message;
  } cases[] = {
      {"set " + ecf + " 1 TOTAL=99999999999", "não cabe no campo TOTAL"},
      {"set " + ecf + " 1 DATA=31/02/2026", "inválido para o campo DATA"},
      {"set " + ecf + " 1 NADA=1", "campo NADA inexistente"},
      {"set " + ecf + " 99999 CUPOM=1", "registro 99999 não existe"},
      {"set " + ecf + " x CUPOM=1", "número de registro inválido"},
      {"append " + ecf + " CUPOM", "CAMPO=VALOR"},
      {"dump " + ecf + " --tag NADA", "tag NADA"},
      {"check " + P("ECFMOVIM.DBF"), "nenhum índice aberto"},
      {"info " + P("NAOHA.DBF"), "NAOHA.DBF"},
      {"info " + P("ECFMOVIM.DBF") + " -i NAOHA", "NAOHA.CDX"},
      {"frobnicate " + ecf, "comando desconhecido"},
      {"info", "faltam argumentos"},
  };
  for (const Case& c : cases) {
    const Result r = Tool(c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
  }
  EXPECT_EQ(ReadAll(dir_ / "ECFMOVIM.DBF"), before);
  EXPECT_EQ(Tool("check " + ecf).status, 0);
}

}  // namespace
