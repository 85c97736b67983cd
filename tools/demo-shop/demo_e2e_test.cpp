// One sale through the whole main job, as the demo runs it: the program
// drives itself on the offscreen platform against the simulated authorizer
// process and the simulated printer; then the shop's files are checked with
// the engine's own tool.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "loja_demo.h"
#include "platform/files.h"
#include "shopdb/catalogue.h"
#include "shopdb/table_handle.h"

namespace {

const QString kBuild = QStringLiteral(QX_BUILD_DIR);

QProcessEnvironment Ambiente(const QString& driveC, const QString& programa) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QX_DRIVE_C", driveC);
  env.insert("QX_ECF_LIBRARY", "simulador");
  env.insert("QX_ECF_SIM_DIR", programa);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  return env;
}

// A guard against a hang, not a measure: the run takes a few seconds.
constexpr int kLimiteMs = 180000;

TEST(DemoFimAFim, SaleIsAuthorizedRecordedPrintedAndArchived) {
  const QString fpopular = kBuild + "/src/app/fpopular";
  const QString simulador = kBuild + "/tools/autorizador-sim/autorizador-sim";
  const QString xbaseTool = kBuild + "/tools/xbase-tool/xbase-tool";
  for (const QString& p : {fpopular, simulador, xbaseTool}) ASSERT_TRUE(QFile::exists(p)) << p.toStdString();

  QTemporaryDir tmp;
  const QString driveC = tmp.filePath("c");
  const QString programa = driveC + "/Loja/FPopular";
  const QString dados = driveC + "/Loja/dados";
  ASSERT_TRUE(QDir().mkpath(driveC + "/FPopular") && QDir().mkpath(programa));
  ASSERT_TRUE(QFile::copy(fpopular, programa + "/fpopular"));
  qputenv("QX_ECF_SIM_DIR", QFile::encodeName(programa));
  const QDate hoje = QDate::currentDate();
  const demoshop::LojaCriada loja = demoshop::CriaLojaDemo(dados, programa, hoje);
  demoshop::EscreveCenario(tmp.filePath("cenario.txt"));

  QProcess autorizador;
  autorizador.setProcessEnvironment(Ambiente(driveC, programa));
  autorizador.start(simulador, {"--cenario", tmp.filePath("cenario.txt")});
  ASSERT_TRUE(autorizador.waitForStarted());

  QProcess programa_;
  programa_.setProcessEnvironment(Ambiente(driveC, programa));
  programa_.start(programa + "/fpopular", {"--caixa-automatico", tmp.path(), "--crm", "7654321", "--uf", "SP"});
  ASSERT_TRUE(programa_.waitForFinished(kLimiteMs));
  const QString saida = QString::fromUtf8(programa_.readAllStandardOutput());
  autorizador.terminate();
  autorizador.waitForFinished(kLimiteMs);

  EXPECT_EQ(programa_.exitCode(), 0) << saida.toStdString() << programa_.readAllStandardError().toStdString();
  EXPECT_TRUE(saida.contains("dialog: [QX Farmácia Popular] ")) << saida.toStdString();
  EXPECT_TRUE(saida.contains("fim: programa encerrado pela confirmação")) << saida.toStdString();
  EXPECT_EQ(QDir(tmp.path()).entryList({"*.png"}).size(), 5);

  // The index files of the updated table are sound.
  QProcess check;
  check.setWorkingDirectory(dados);
  check.start(xbaseTool, {"check", "ECFMOVIM.DBF", "-i", "ECFCODMO.CDX", "-i", "ECFNUMMO.CDX", "-i", "ECFDATMO.CDX"});
  ASSERT_TRUE(check.waitForFinished(kLimiteMs));
  const QString relatorio = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
  EXPECT_EQ(check.exitCode(), 0) << relatorio.toStdString();
  EXPECT_EQ(relatorio.count(": ok"), 3) << relatorio.toStdString();

  // Today's row has the authorization, the older sale with the same number not.
  shopdb::TableHandle ecfmovim(shopdb::ibdECFMOVIM());
  ecfmovim.setDirectory(dados);
  ecfmovim.open();
  QStringList hojeDsus, antigoDsus;
  for (ecfmovim.first(); !ecfmovim.eof(); ecfmovim.next()) {
    if (ecfmovim.fieldAsString("CUPOM") != loja.cupom) continue;
    (ecfmovim.fieldAsDate("DATA") == hoje ? hojeDsus : antigoDsus) << ecfmovim.fieldAsString("COD_DSUS");
    if (ecfmovim.fieldAsDate("DATA") == hoje) {
      EXPECT_EQ(ecfmovim.fieldAsString("CRM_ECF"), "7654321");
      EXPECT_EQ(ecfmovim.fieldAsString("UF_CRM"), "SP - São Paulo");
    }
  }
  ASSERT_EQ(hojeDsus.size(), 1);
  EXPECT_EQ(hojeDsus.at(0).size(), 19);
  EXPECT_EQ(antigoDsus, QStringList{""});

  shopdb::TableHandle ecfarqge(shopdb::ibdECFARQGE());
  ecfarqge.setDirectory(dados);
  ecfarqge.open();
  int documentos = 0;
  for (ecfarqge.first(); !ecfarqge.eof(); ecfarqge.next()) {
    ++documentos;
    EXPECT_EQ(ecfarqge.fieldAsString("DENOMI"), "RG");
    EXPECT_EQ(ecfarqge.fieldAsString("REFER"), "COMPROVANTE FPOPULAR");
  }
  EXPECT_EQ(documentos, 1);

  const QString arquivo = driveC + "/FPopular/ARQ/R" + loja.cupom + "-" + hoje.toString("yyyyMMdd") + ".TXT";
  ASSERT_TRUE(QFile::exists(arquivo));
  const QStringList resposta = platform::files::readTextFile(arquivo);
  ASSERT_FALSE(resposta.isEmpty());
  EXPECT_EQ(resposta.at(0).mid(2, 3), "00R");

  // The receipt's lines between the first and the last are on the tape.
  QStringList comprovante;
  for (const QString& l : resposta)
    if (l.startsWith("07")) comprovante << l.mid(2);
  ASSERT_GE(comprovante.size(), 3);
  QFile bobina(programa + "/bobina.txt");
  ASSERT_TRUE(bobina.open(QIODevice::ReadOnly));
  const QString fita = QString::fromUtf8(bobina.readAll());
  for (int i = 1; i < comprovante.size() - 1; ++i)
    EXPECT_TRUE(fita.contains(comprovante.at(i).trimmed())) << comprovante.at(i).toStdString();
}

}  // namespace
