#include "app/testing/app_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "app/fpPrincpal.h"
#include "exchange/aguarde_fp.h"
#include "exchange/troca.h"
#include "loja_demo.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "printer/simulator/ecf_simulator.h"
#include "xbase/table.h"

#include <gtest/gtest.h>

namespace apptest {

namespace {
QString Campo(const QString& s, int largura) { return s.leftJustified(largura, u' ', true); }
}  // namespace

QString Cabecalho(const QString& status, const QString& msg, const QString& paciente, const QString& codigo) {
  return "01" + status + Campo(msg, 200) + Campo(paciente, 100) + codigo;
}

QString ItemPre(const QString& comprimidos5, const QString& valorMS15, const QString& valorPaciente15,
                const QString& mensagem) {
  return Campo("7890000000000", 15) + comprimidos5 + valorMS15 + valorPaciente15 + mensagem;
}

QString ItemConf(const QString& mensagem) { return Campo("7890000000000", 15) + mensagem; }

void PausaComResposta::sleep(int ms) {
  pausas << ms;
  if (!resposta.isEmpty()) platform::files::writeTextFile(exchange::kArquivoRetorno, resposta);
}

RelogioDaEspera::RelogioDaEspera() {
  timer_.setInterval(0);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (dentro_ || exchange::frmAguardeFP == nullptr || !exchange::frmAguardeFP->isVisible()) return;
    dentro_ = true;
    if (acao)
      acao();
    else
      exchange::frmAguardeFP->ChecagemTimer();
    dentro_ = false;
  });
  timer_.start();
}

RelogioDaEspera::~RelogioDaEspera() { timer_.stop(); }

Maquina::Maquina() {
  driveC = tmp_.filePath("c");
  programa = tmp_.filePath("programa");
  dados = tmp_.filePath("dados");
  QDir().mkpath(driveC + "/FPopular");
  QDir().mkpath(programa);
  qputenv("QX_DRIVE_C", QFile::encodeName(driveC));
  qputenv("QX_ECF_LIBRARY", "simulador");
  qputenv("QX_ECF_SIM_DIR", QFile::encodeName(programa));
  platform::setProgramFolderForTesting(programa);
}

Maquina::~Maquina() {
  platform::setProgramFolderForTesting(QString());
  qunsetenv("QX_ECF_SIM_DIR");
  qunsetenv("QX_DRIVE_C");
}

QString Maquina::RegistraVendaNaImpressora() {
  ecfsim::SaleItem item;
  item.code = "7896004703398";
  item.description = "LOSARTANA POTASSICA 50MG C/30 COMP";
  item.unitPrice = "12,90";
  return QStringLiteral("%1").arg(ecfsim::registerSale({item}), 6, 10, QChar('0'));
}

QString Maquina::CriaLojaDemo() { return demoshop::CriaLojaDemo(dados, programa, kHoje).cupom; }

void Maquina::EscreveIni(const QString& texto) {
  QFile f(QDir(programa).filePath("QxECF.ini"));
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(texto.toLatin1());
}

QString Maquina::LeIni() const {
  QFile f(QDir(programa).filePath("QxECF.ini"));
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromLatin1(f.readAll());
}

QString Maquina::Troca(const QString& nome) const { return driveC + "/FPopular/" + nome; }

QString Maquina::Bobina() const {
  QFile f(ecfsim::tapePath());
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

std::unique_ptr<TForm1> Maquina::AbreJanela() {
  auto form = std::make_unique<TForm1>();
  form->show();
  QApplication::setActiveWindow(form.get());
  return form;
}

void MudaProduto(const QString& dados, const char* codigo, bool apaga) {
  xbase::OpenOptions o;
  o.index_files = {"CODITEM", "SIDESCIT", "SIORIGIT"};
  auto t = xbase::Table::Open((dados + "/ITEM.DBF").toStdString(), o);
  ASSERT_TRUE(t->Locate("CODITEM", codigo));
  if (apaga) {
    t->Delete();
  } else {
    t->Edit();
    t->SetNumber("QTDE_COMP", 0);
    t->Post();
  }
}

QStringList Textos(const platform::RecordingDialogs& d) { return d.texts(); }

}  // namespace apptest
