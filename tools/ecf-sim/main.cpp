// ecf-sim: shows and changes the simulated fiscal printer's state, injects
// faults, registers a sale as the shop's sales system does, and prints a
// management report through the printer component.
#include "platform/dialogs.h"
#include "printer/eBematech3.h"
#include "printer/eECF.h"
#include "printer/ecf_library.h"
#include "printer/simulator/ecf_simulator.h"

#include "platform/error.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

const char* const kUsage =
    "uso: ecf-sim [--dir PASTA] COMANDO\n"
    "  estado                         mostra contadores, documento aberto, status e falhas\n"
    "  falha desligada|ligada         liga/desliga a impressora\n"
    "  falha papel normal|pouco|fim   estado do papel\n"
    "  falha nak|sem-nak              recusa (NAK) todo comando\n"
    "  falha cupom-aberto             deixa um cupom fiscal aberto\n"
    "  falha retorno FUNCAO CODIGO    a função devolve CODIGO sem executar\n"
    "  falha limpa                    remove todas as falhas\n"
    "  relogio SEGUNDOS               relógio da impressora adiantado (negativo: atrasado)\n"
    "  venda [COD:DESCRICAO:QTD:PRECO ...]   registra um cupom fiscal (o COO avança)\n"
    "  relatorio LINHA...             imprime um relatório gerencial pelo componente\n"
    "  bobina                         mostra a bobina (bobina.txt)\n"
    "A pasta é $QX_ECF_SIM_DIR ou, sem ela, a pasta do programa.\n";

// Messages of the printer component, on the terminal.
class ConsoleDialogs : public platform::Dialogs {
 public:
  void message(const QString& t) override { show(t); }
  platform::DialogResult messageBox(const QString& t, const QString& c, platform::DialogIcon,
                                    platform::DialogButtons b) override {
    show(QStringLiteral("[%1] %2").arg(c, t));
    return platform::defaultResult(b);
  }
  platform::DialogResult messageDlg(const QString& t, platform::DialogIcon,
                                    platform::DialogButtons b) override {
    show(t);
    return platform::defaultResult(b);
  }
  void errorBox(const QString& t) override { show(t); }
  void threeLines(const QString& a, const QString& b, const QString& c) override {
    show(QStringList{a, b, c}.join(QStringLiteral(" / ")));
  }
  void notice(const QString& a, const QString& b, const QString& c, const QString& d) override {
    show(QStringList{a, b, c, d}.join(QStringLiteral(" / ")));
  }
  void beep() override {}

 private:
  static void show(const QString& t) { err << "impressora: " << t << Qt::endl; }
};

QString paperName(ecfsim::Paper p) {
  return p == ecfsim::Paper::Low ? QStringLiteral("pouco")
         : p == ecfsim::Paper::Out ? QStringLiteral("fim") : QStringLiteral("normal");
}

int showState() {
  const ecfsim::Snapshot s = ecfsim::snapshot();
  out << "Impressora fiscal SIMULADA " << s.model << "  série " << s.serial << "\n"
      << "pasta: " << ecfsim::directory() << "\n"
      << "COO " << s.coo << "  CRZ " << s.crz << "  CRO " << s.cro << "  GNF " << s.gnf << "  GRG "
      << s.grg << "  CCF " << s.ccf << "  CDC " << s.cdc << "  cancelados " << s.cancelled << "\n"
      << "grande total R$ " << QString::number(s.grandTotalCents / 100.0, 'f', 2).replace(u'.', u',') << "\n"
      << "documento aberto: " << s.openDocument;
  if (s.openDocument == QLatin1String("cupom"))
    out << " (subtotal R$ " << QString::number(s.couponSubtotalCents / 100.0, 'f', 2).replace(u'.', u',') << ")";
  out << "\núltimo documento: " << (s.lastDocument.isEmpty() ? QStringLiteral("nenhum") : s.lastDocument)
      << "\nrelógio: " << s.clockOffsetSeconds << " s em relação ao computador"
      << "\núltimo status: ACK " << s.ack << "  ST1 " << s.status1 << "  ST2 " << s.status2
      << "\nfalhas: desligada=" << (s.faults.off ? "sim" : "não")
      << " papel=" << paperName(s.faults.paper) << " nak=" << (s.faults.nak ? "sim" : "não");
  for (auto it = s.faults.returnCodes.cbegin(); it != s.faults.returnCodes.cend(); ++it)
    out << " " << it.key() << "=" << it.value();
  out << Qt::endl;
  return 0;
}

int fault(const QStringList& a) {
  ecfsim::Faults f = ecfsim::snapshot().faults;
  const QString what = a.value(0);
  if (what == QLatin1String("desligada")) f.off = true;
  else if (what == QLatin1String("ligada")) f.off = false;
  else if (what == QLatin1String("nak")) f.nak = true;
  else if (what == QLatin1String("sem-nak")) f.nak = false;
  else if (what == QLatin1String("limpa")) f = ecfsim::Faults{};
  else if (what == QLatin1String("papel")) {
    const QString p = a.value(1);
    if (p == QLatin1String("normal")) f.paper = ecfsim::Paper::Normal;
    else if (p == QLatin1String("pouco")) f.paper = ecfsim::Paper::Low;
    else if (p == QLatin1String("fim")) f.paper = ecfsim::Paper::Out;
    else throw platform::Error(QStringLiteral("papel: use normal, pouco ou fim"));
  } else if (what == QLatin1String("retorno")) {
    bool ok = false;
    const int code = a.value(2).toInt(&ok);
    if (!printer::ecfFunctionNames().contains(a.value(1)) || !ok)
      throw platform::Error(QStringLiteral("retorno: informe uma função da biblioteca e um código inteiro"));
    f.returnCodes.insert(a.value(1), code);
  } else if (what == QLatin1String("cupom-aberto")) {
    ecfsim::leaveCouponOpen();
    return showState();
  } else {
    throw platform::Error(QStringLiteral("falha desconhecida: ") + what);
  }
  ecfsim::setFaults(f);
  return showState();
}

int sale(const QStringList& a) {
  QList<ecfsim::SaleItem> items;
  for (const QString& item_text : a) {
    const QStringList p = item_text.split(u':');
    if (p.size() != 4)
      throw platform::Error(QStringLiteral("item \"%1\": use CODIGO:DESCRICAO:QTD:PRECO").arg(item_text));
    ecfsim::SaleItem it;
    it.code = p[0];
    it.description = p[1];
    it.quantity = p[2];
    it.unitPrice = p[3];
    items << it;
  }
  if (items.isEmpty())
    items << ecfsim::SaleItem{QStringLiteral("7896004703398"), QStringLiteral("LOSARTANA POTASSICA 50MG"),
                              QStringLiteral("FF"), QStringLiteral("1"), QStringLiteral("9,90")};
  const int coo = ecfsim::registerSale(items);
  out << "cupom fiscal registrado: COO " << QStringLiteral("%1").arg(coo, 6, 10, QLatin1Char('0'))
      << Qt::endl;
  return 0;
}

int report(const QStringList& lines) {
  ConsoleDialogs console;
  platform::installDialogs(&console);
  printer::installEcfLibrary(&printer::simulatorLibrary());
  TePrinter ecf;
  ecf.setImpressora(TECFModelo::Bematec3);
  ecf.setImpressoraMFD(true);
  bool ok = true;
  for (const QString& l : lines) ok = ecf.RelatorioGerencial(l) && ok;
  ok = ecf.Fecha_RelatorioGerencial() && ok;
  out << "relatório gerencial " << (ok ? "impresso" : "com falhas") << ": COO " << ecf.Numero_Cupom()
      << Qt::endl;
  platform::installDialogs(nullptr);
  return ok ? 0 : 1;
}

int tape() {
  QFile f(ecfsim::tapePath());
  if (!f.open(QIODevice::ReadOnly)) {
    out << "bobina vazia (" << ecfsim::tapePath() << ")" << Qt::endl;
    return 0;
  }
  out << QString::fromUtf8(f.readAll());
  out.flush();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.size() >= 2 && args[0] == QLatin1String("--dir")) {
    qputenv("QX_ECF_SIM_DIR", QFile::encodeName(args[1]));
    args = args.mid(2);
  }
  const QString cmd = args.value(0);
  const QStringList rest = args.mid(1);
  try {
    if (cmd == QLatin1String("estado")) return showState();
    if (cmd == QLatin1String("falha")) return fault(rest);
    if (cmd == QLatin1String("relogio")) {
      bool ok = false;
      const int s = rest.value(0).toInt(&ok);
      if (!ok) throw platform::Error(QStringLiteral("relogio: informe os segundos (inteiro)"));
      ecfsim::setClockOffset(s);
      return showState();
    }
    if (cmd == QLatin1String("venda")) return sale(rest);
    if (cmd == QLatin1String("relatorio")) return report(rest);
    if (cmd == QLatin1String("bobina")) return tape();
  } catch (const std::exception& e) {
    err << "ecf-sim: " << platform::errorText(e) << Qt::endl;
    return 1;
  }
  err << kUsage;
  return cmd.isEmpty() || cmd == QLatin1String("--help") ? 0 : 2;
}
