#include "platform/ini_file.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return f.readAll();
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class Ini : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path() const { return dir_.path() + QStringLiteral("/QxECF.ini"); }
  QTemporaryDir dir_;
};

TEST_F(Ini, AMissingFileReadsAsEmptyAndAWriteCreatesIt) {
  platform::IniFile ini(path());
  EXPECT_EQ(ini.readString("QX", "Diretorio", "padrão"), QStringLiteral("padrão"));
  EXPECT_EQ(ini.readInteger("QX", "Estacao", 7), 7);
  EXPECT_FALSE(QFile::exists(path()));
  ini.writeString("FP", "LOGIN", "");
  ini.writeString("FP", "SENHA", "Farmácia");
  EXPECT_EQ(contents(path()), QByteArray("[FP]\r\nLOGIN=\r\nSENHA=Farm\xE1" "cia\r\n"));
  EXPECT_EQ(ini.readString("fp", "senha"), QStringLiteral("Farmácia"));
}

TEST_F(Ini, AWriteChangesOnlyItsOwnLine) {
  const QByteArray before =
      "; configuração da loja\n"
      "[QX]\r\n"
      "Diretorio = C:\\Loja\\Dados   \r\n"
      "  estacao=001\r\n"
      "linha solta sem igual\r\n"
      "\r\n"
      "[FP]\n"
      "LOGIN=joao\n"
      "SENHA=\t123  ";
  put(path(), before);
  platform::IniFile ini(path());

  ini.writeString("qx", "DIRETORIO", "/srv/loja");
  QByteArray expected = before;
  expected.replace("Diretorio = C:\\Loja\\Dados   \r\n", "Diretorio=/srv/loja\r\n");
  EXPECT_EQ(contents(path()), expected);

  ini.writeString("QX", "CNPJ", "12345678000199");  // new key: after the section's last line
  expected.replace("linha solta sem igual\r\n", "linha solta sem igual\r\nCNPJ=12345678000199\r\n");
  EXPECT_EQ(contents(path()), expected);

  ini.writeString("FP", "Novo", "x");  // new key after an unterminated last line
  expected += "\r\nNovo=x\r\n";
  EXPECT_EQ(contents(path()), expected);

  ini.writeString("Outra", "k", "v");  // new section at the end
  expected += "\r\n[Outra]\r\nk=v\r\n";
  EXPECT_EQ(contents(path()), expected);
}

TEST_F(Ini, ReadsWithoutRegardToCaseAndTrimsBlanks) {
  put(path(),
      "[QX]\r\n"
      "  Diretorio  =   C:\\Loja  \r\n"
      "Estacao=\t 003 \t\r\n"
      "Aspas=\"  com espa\xE7o  \"\r\n"
      ";Comentario=nao\r\n"
      "[qx]\r\n"
      "Diretorio=segunda seção\r\n"
      "[FP]\r\n"
      "LOGIN=Jos\xE9\r\n");
  platform::IniFile ini(path());
  const struct {
    const char* section;
    const char* key;
    QString value;
  } cases[] = {
      {"QX", "Diretorio", QStringLiteral("C:\\Loja")},
      {"qx", "DIRETORIO", QStringLiteral("C:\\Loja")},  // the first section of that name
      {" QX ", " diretorio ", QStringLiteral("C:\\Loja")},
      {"QX", "Estacao", QStringLiteral("003")},
      {"QX", "Aspas", QStringLiteral("  com espaço  ")},
      {"QX", ";Comentario", QStringLiteral("<none>")},
      {"QX", "LOGIN", QStringLiteral("<none>")},  // in another section
      {"FP", "login", QStringLiteral("José")},
      {"XX", "LOGIN", QStringLiteral("<none>")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.readString(c.section, c.key, QStringLiteral("<none>")), c.value)
        << c.section << "/" << c.key;
  }
}

TEST_F(Ini, ReadsIntegersOrFallsBackToTheDefault) {
  put(path(),
      "[N]\r\na=12\r\nb= -3 \r\nc=0x1F\r\nd=$10\r\ne=abc\r\nf=99999999999\r\ng=\r\nh=12abc\r\n");
  platform::IniFile ini(path());
  const std::pair<const char*, int> cases[] = {
      {"a", 12}, {"b", -3}, {"c", 31}, {"d", 16}, {"e", -1},
      {"f", -1}, {"g", -1}, {"h", -1}, {"z", -1},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(ini.readInteger("N", key, -1), value) << key;
}

TEST_F(Ini, BadInputIsRefusedAndTheFileIsKept) {
  const QByteArray before = "[QX]\r\nEstacao=001\r\n";
  put(path(), before);
  platform::IniFile ini(path());
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"QX", "Estacao", "linha1\r\nlinha2"},
      {"QX", "a=b", "1"},
      {"QX", "", "1"},
      {"Q]X", "k", "1"},
      {"", "k", "1"},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(ini.writeString(c.section, c.key, c.value), platform::Error) << c.key;
    EXPECT_EQ(contents(path()), before) << c.key;
  }
}

TEST_F(Ini, AnUnwritableFileIsAnErrorNamingIt) {
  platform::IniFile ini(dir_.path() + QStringLiteral("/falta/QxECF.ini"));
  try {
    ini.writeString("QX", "Estacao", "1");
    FAIL() << "wrote into a missing directory";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("falta/QxECF.ini"))) << e.message().toStdString();
  }
}

}  // namespace
