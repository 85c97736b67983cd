#include "printer/eECF.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/regional.h"
#include "printer/eBematech3.h"
#include "printer/ecf_library.h"
#include "printer/ecf_text.h"
#include "util/eFuncoes.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

using printer::ecfLibrary;
using printer::text::AnsiArg;
using printer::text::AnsiBuffer;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// An empty line would reach the library as a null pointer; the printer gets
// a line of two spaces instead.
QString LinhaImpressa(const QString& s) { return s.isEmpty() ? QStringLiteral("  ") : s; }

// The readings that neither store nor analyse the library's result: a
// failure leaves the buffer's spaces as the answer.
using Leitura = int32_t (*printer::EcfLibrary::*)(char*);
QString LeBuffer(int tamanho, Leitura funcao) {
  AnsiBuffer b(tamanho);
  (ecfLibrary().*funcao)(b.data());
  return b.text();
}

}  // namespace

TeECF::TeECF(QObject* owner)
    : QObject(owner),
      dados_(new TPrinterDados(this)),
      tributacao_(new TTributacao(this)),
      rodape_(new TRodape(this)),
      status_(new TStatus(this)) {}

TeECF::~TeECF() {
  delete status_;
  delete rodape_;
  delete dados_;
  delete tributacao_;
}

// --- port and power ---------------------------------------------------------

bool TeECF::Abre_Porta() {
  if (impressora_ == TECFModelo::Afrac && UltimoRetorno != 0) {
    platform::dialogs().message(QString::number(UltimoRetorno));
    return false;
  }
  return true;
}

void TeECF::Fecha_Porta() {}

bool TeECF::ImpressoraLigada() {
  if (impressora_ == TECFModelo::Demo) return true;
  if (!bematech()) return false;
  ChecaLigada();
  return UltimoRetorno == 1;
}

bool TeECF::ComparaRelogio(const QString& data, const QString& hora) {
  using namespace printer::text;
  bool resposta = true;
  const QDateTime agora = platform::now();
  const QDate dataImpressora = DataCurta(data);
  if (dataImpressora != agora.date()) {
    ExibeMensagem(
        QStringLiteral("A data do computador e:") + platform::regional::shortDate(agora.date()),
        QStringLiteral("A Data da Impressora e:") + data, QString());
    resposta = false;
  }
  const platform::TDateTime horaImpressora =
      platform::toDateTime(QDateTime(QDate(1899, 12, 30), Hora(hora)));
  const int diferenca = SegundosDoDia(horaImpressora) - SegundosDoDia(platform::toDateTime(agora));
  if (diferenca > 900 || diferenca < -900) {
    ExibeMensagem(
        QStringLiteral("A Hora do computador e:") + platform::regional::longTime(agora.time()),
        QStringLiteral("A Hora da Impressora e:") + hora,
        QStringLiteral("Emissão de Cupom sera desabilitada."));
    resposta = false;
  }
  return resposta;
}

bool TeECF::ChecaImpressora() {
  if (impressora_ == TECFModelo::Demo) return true;
  if (!bematech()) return false;
  ChecaLigada();
  AnsiBuffer data(6), hora(6);
  UltimoRetorno = ecfLibrary().Bematech_FI_DataHoraImpressora(data.data(), hora.data());
  if (!AnalisaRetorno()) return false;
  AtualizaNumeroSerie();
  return ComparaRelogio(printer::text::DataImpressora(data.text()),
                        printer::text::HoraImpressora(hora.text()));
}

// --- readings ---------------------------------------------------------------

QString TeECF::Numero_Cupom() {
  if (impressora_ == TECFModelo::Demo || impressora_ == TECFModelo::Afrac) return QStringLiteral("0");
  if (!bematech()) return QString();
  AnsiBuffer b(6);
  UltimoRetorno = ecfLibrary().Bematech_FI_NumeroCupom(b.data());
  AnalisaRetorno();
  return b.text();
}

QString TeECF::ContadorRelGerencial() {
  if (!bematech()) return QString();
  return LeBuffer(6, &printer::EcfLibrary::Bematech_FI_ContadorRelatoriosGerenciaisMFD);
}

QString TeECF::ContadorCreditoDebito() {
  if (!bematech()) return QString();
  ChecaLigada();
  return LeBuffer(6, &printer::EcfLibrary::Bematech_FI_ContadorComprovantesCreditoMFD).left(6);
}

QString TeECF::ContadorCupomFiscal() {
  if (!bematech()) return QString();
  return LeBuffer(6, &printer::EcfLibrary::Bematech_FI_ContadorCupomFiscalMFD);
}

QString TeECF::ContadorGeralNaoFiscal() {
  if (!bematech()) return QString();
  return LeBuffer(6, &printer::EcfLibrary::Bematech_FI_NumeroOperacoesNaoFiscais);
}

QString TeECF::NumeroReducoes() {
  AnsiBuffer b(6);
  UltimoRetorno = ecfLibrary().Bematech_FI_NumeroReducoes(b.data());
  return TiraEspacos(b.text());
}

QString TeECF::RetornaGrandeTotal() {
  if (!bematech()) return QString();
  const QString texto = LeBuffer(18, &printer::EcfLibrary::Bematech_FI_GrandeTotal);
  return TiraEspacos(texto).isEmpty() ? QStringLiteral("0") : texto;
}

double TeECF::SubTotal() {
  if (!bematech()) return 0;
  ChecaLigada();
  AnsiBuffer b(14);
  UltimoRetorno = ecfLibrary().Bematech_FI_SubTotal(b.data());
  AnalisaRetorno();
  const QString t = b.text();
  const int l = int(t.size());
  return LeNumero(t.left(l - 2) + u',' + t.right(2));
}

QString TeECF::AtualizaNumeroSerie() {
  if (impressoraMFD_) {
    AnsiBuffer b(20);
    UltimoRetorno = ecfLibrary().Bematech_FI_NumeroSerieMFD(b.data());
    eprom_ = TiraEspacos(b.text());
  } else {
    AnsiBuffer b(15);
    UltimoRetorno = ecfLibrary().Bematech_FI_NumeroSerie(b.data());
    eprom_ = TiraEspacos(b.text());
  }
  return eprom_;
}

QString TeECF::VersaoSoftwareBasico() {
  if (!bematech()) return QString();
  return LeBuffer(10, &printer::EcfLibrary::Bematech_FI_VersaoFirmwareMFD);
}

QString TeECF::RetornaIndicesAliquotasISSQN() {
  if (!bematech()) return QString();
  return LeBuffer(48, &printer::EcfLibrary::Bematech_FI_VerificaIndiceAliquotasIss);
}

QString TeECF::LeituraFormasdePgto() {
  if (!bematech()) return QString();
  AnsiBuffer b(3016);
  UltimoRetorno = ecfLibrary().Bematech_FI_VerificaFormasPagamento(b.data());
  AnalisaRetorno();
  return b.text();
}

void TeECF::DataHoraSoftUserBaseLetraMFAdi(QString& dataUsuario, QString& dtSoftwareBasico,
                                           QChar& letra) {
  if (!bematech()) return;
  AnsiBuffer usuario(19), software(19);
  uint16_t caractere = u' ';
  ecfLibrary().Bematech_FI_DataHoraGravacaoUsuarioSWBasicoMFAdicional(usuario.data(),
                                                                      software.data(), &caractere);
  dataUsuario = usuario.text();
  letra = QChar(caractere);
  dtSoftwareBasico = software.text().left(6);
}

void TeECF::RetornaDataHoraImpressora(QString& data, QString& hora) {
  if (impressora_ == TECFModelo::Demo) {
    const QDateTime agora = platform::now();
    data = agora.toString(QStringLiteral("dd'\\'MM'\\'yyyy"));
    hora = agora.toString(QStringLiteral("HH:mm:ss"));
    return;
  }
  if (!bematech()) {
    data.clear();
    hora.clear();
    return;
  }
  ChecaLigada();
  AnsiBuffer d(6), h(6);
  UltimoRetorno = ecfLibrary().Bematech_FI_DataHoraImpressora(d.data(), h.data());
  data = printer::text::DataImpressora(d.text());
  hora = printer::text::HoraImpressora(h.text());
}

bool TeECF::AtualizaHora() {
  if (impressora_ == TECFModelo::Demo) return true;
  if (!bematech()) return false;
  AnsiBuffer d(6), h(6);
  UltimoRetorno = ecfLibrary().Bematech_FI_DataHoraImpressora(d.data(), h.data());
  dados_->HoraImp = printer::text::HoraImpressora(h.text());
  dados_->DataImp = printer::text::DataImpressora(d.text());
  return ComparaRelogio(dados_->DataImp, dados_->HoraImp);
}

QString TeECF::AtualizaHoraUltimoCupom() {
  if (!bematech()) return QString();
  if (impressoraMFD_) {
    AnsiBuffer b(14);
    UltimoRetorno = ecfLibrary().Bematech_FI_DataHoraUltimoDocumentoMFD(b.data());
    return printer::text::HoraImpressora(b.text().mid(6, 6));
  }
  AtualizaHora();
  return dados_->HoraImp.left(5);
}

void TeECF::DataHoraUltDocEmitido(platform::TDateTime& Data, QString& Hora) {
  if (impressora_ == TECFModelo::None) {
    const QDateTime agora = platform::now();
    Data = platform::toDateTime(agora);
    Hora = agora.toString(QStringLiteral("HH:mm:ss"));
    return;
  }
  if (!bematech()) {
    Hora.clear();
    return;
  }
  AnsiBuffer b(12);
  UltimoRetorno = ecfLibrary().Bematech_FI_DataHoraUltimoDocumentoMFD(b.data());
  const QString texto = b.text();
  Data = platform::toDateTime(printer::text::DataCurta(printer::text::DataImpressora(texto.left(6))));
  Hora = printer::text::HoraImpressora(texto.mid(6, 6));
  AnalisaRetorno();
}

// --- non-fiscal documents ---------------------------------------------------

bool TeECF::RelatorioGerencial(const QString& sTexto) {
  if (impressora_ == TECFModelo::Demo) {
    platform::sleepMs(5000);
    return true;
  }
  if (!bematech()) return false;
  const printer::EcfLibrary& lib = ecfLibrary();
  if (!relatorioAberto_) {
    // Not analysed: a failed opening shows in the analysis of the line.
    lib.Bematech_FI_AbreRelatorioGerencialMFD("1");
    relatorioAberto_ = true;
  }
  UltimoRetorno = lib.Bematech_FI_UsaRelatorioGerencialMFD(AnsiArg(LinhaImpressa(sTexto) + kCrLf));
  return AnalisaRetorno();
}

bool TeECF::Fecha_RelatorioGerencial() {
  if (!bematech()) return false;
  // Cleared first, so that a failed close still lets the next line open a
  // new report.
  relatorioAberto_ = false;
  UltimoRetorno = ecfLibrary().Bematech_FI_FechaRelatorioGerencial();
  return AnalisaRetorno();
}

bool TeECF::Abre_CupomNF(const QString& FormaPagamento, const QString& Valor,
                         const QString& /*NumeroCupom*/) {
  if (!bematech()) return false;
  const QString coo = Numero_Cupom();
  UltimoRetorno = ecfLibrary().Bematech_FI_AbreComprovanteNaoFiscalVinculado(
      AnsiArg(FormaPagamento), AnsiArg(Valor), AnsiArg(coo));
  return AnalisaRetorno();
}

bool TeECF::Usa_CupomNF(const QString& sTexto) {
  if (!bematech()) return false;
  UltimoRetorno =
      ecfLibrary().Bematech_FI_UsaComprovanteNaoFiscalVinculado(AnsiArg(LinhaImpressa(sTexto) + kCrLf));
  return AnalisaRetorno();
}

bool TeECF::Fecha_CupomNF() {
  if (!bematech()) return false;
  UltimoRetorno = ecfLibrary().Bematech_FI_FechaComprovanteNaoFiscalVinculado();
  return AnalisaRetorno();
}

bool TeECF::AbreGaveta() {
  if (!bematech()) return false;
  UltimoRetorno = ecfLibrary().Bematech_FI_AcionaGaveta();
  return AnalisaRetorno();
}

bool TeECF::ImprimeCheque(const QString& Banco, const QString& Valor, const QString& Favorecido,
                          const QString& Cidade, const QString& Data, const QString& Mensagem) {
  if (impressora_ == TECFModelo::Demo) return true;
  if (impressora_ == TECFModelo::Afrac) return UltimoRetorno == 1;
  if (!bematech()) return false;
  ChecaLigada();
  if (UltimoRetorno != 1) return false;
  UltimoRetorno = ecfLibrary().Bematech_FI_ImprimeCheque(AnsiArg(Banco), AnsiArg(Valor),
                                                         AnsiArg(Favorecido), AnsiArg(Cidade),
                                                         AnsiArg(Data), AnsiArg(Mensagem));
  return AnalisaRetorno();
}

bool TeECF::Sangria(const QString& sValor) {
  if (!bematech()) return false;
  UltimoRetorno = ecfLibrary().Bematech_FI_Sangria(AnsiArg(sValor));
  return AnalisaRetorno();
}

bool TeECF::Suprimento(const QString& sValor) {
  if (!bematech()) return false;
  UltimoRetorno = ecfLibrary().Bematech_FI_Suprimento(AnsiArg(sValor), "Dinheiro");
  return AnalisaRetorno();
}
