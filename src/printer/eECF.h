// The fiscal printer component: the only way the system talks to the fiscal
// printer (ECF). Every operation first looks at the configured model
// (Impressora):
//   Bematec3         calls the vendor library (printer/ecf_library.h);
//   Demo             no library call: commands answer True, readings fixed
//                    values, where an operation lists a Demo answer;
//   None, SwedaMFD   no library call: False, empty text, 0;
//   Afrac            no library call: the operations that list it answer from
//                    UltimoRetorno alone, the others as None.
// Operations marked "any model" call the library whatever the model.
//
// With Bematec3 and no library bound, the first call throws platform::Error
// saying so (QX_ECF_LIBRARY); nothing is simulated behind the caller's back.
// Readings return the buffer as the library left it, untrimmed unless said.
// User-interface thread only; every call blocks until the library answers,
// and the status analysis may show modal messages in the middle of a call.
#ifndef QX_PRINTER_EECF_H_
#define QX_PRINTER_EECF_H_

#include "platform/datetime.h"

#include <QObject>
#include <QString>

#include <cstdint>

enum class TECFModelo : quint8 { None = 0, Demo = 1, Bematec3 = 2, SwedaMFD = 3, Afrac = 4 };

class TeECF;

// The owned records: each knows its owning component and holds only texts or
// flags, all empty or False when created.
class TRodape {
 public:
  explicit TRodape(TeECF* owner) : owner_(owner) {}
  TeECF* Owner() const { return owner_; }
  QString Linha1, Linha2, Linha3, Linha4, Linha5, Linha6, Linha7, Linha8;

 private:
  TeECF* owner_;
};

class TStatus {
 public:
  explicit TStatus(TeECF* owner) : owner_(owner) {}
  TeECF* Owner() const { return owner_; }
  bool GavetaAberta = false, CupomAberto = false, DiaAberto = false;

 private:
  TeECF* owner_;
};

class TTributacao {
 public:
  explicit TTributacao(TeECF* owner) : owner_(owner) {}
  TeECF* Owner() const { return owner_; }
  QString Isento, NaoTributado, Substituicao;
  QString Aliquota00, Aliquota01, Aliquota02, Aliquota03, Aliquota04, Aliquota05, Aliquota06,
      Aliquota07, Aliquota08, Aliquota09, Aliquota10, Aliquota11, Aliquota12, Aliquota13,
      Aliquota14, Aliquota15;

 private:
  TeECF* owner_;
};

class TPrinterDados {
 public:
  explicit TPrinterDados(TeECF* owner) : owner_(owner) {}
  TeECF* Owner() const { return owner_; }
  QString Mensagem, DataImp, HoraImp, Loja, Caixa, Serial, Operador, Reducoes, SeqIni, SeqFinal,
      NumCanc, GTInicial, GTFinal, ValorCanc, ValorDesc, ValorAcres;

 private:
  TeECF* owner_;
};

class TeECF : public QObject {
  Q_OBJECT

 public:
  explicit TeECF(QObject* owner = nullptr);
  ~TeECF() override;
  TeECF(const TeECF&) = delete;
  TeECF& operator=(const TeECF&) = delete;

  // --- properties ---
  TPrinterDados* Dados() const { return dados_; }
  TRodape* Rodape() const { return rodape_; }
  TStatus* Status() const { return status_; }
  TTributacao* Tributacao() const { return tributacao_; }
  TECFModelo Impressora() const { return impressora_; }
  void setImpressora(TECFModelo m) { impressora_ = m; }
  bool Pronto() const { return pronto_; }  // carried only; no operation uses it
  void setPronto(bool v) { pronto_ = v; }
  int32_t PortaSerial() const { return portaSerial_; }  // carried only
  void setPortaSerial(int32_t v) { portaSerial_ = v; }
  QString Eprom() const { return eprom_; }  // last serial number read
  void setEprom(const QString& v) { eprom_ = v; }
  bool ImpressoraMFD() const { return impressoraMFD_; }
  void setImpressoraMFD(bool v) { impressoraMFD_ = v; }
  QString NoCupom, UltimaResp, ValorCupom;  // carried only

  // --- port and power ---
  bool Abre_Porta();   // no library call; Afrac with UltimoRetorno not 0 shows it, False
  void Fecha_Porta();  // does nothing: the library owns the port
  bool ImpressoraLigada();
  // The check before fiscal work: the printer answers and its clock agrees
  // with the computer's (same day, within 900 seconds). A printer date or time
  // that does not convert throws platform::ConvertError.
  bool ChecaImpressora();

  // --- readings ---
  QString Numero_Cupom();  // the COO, six characters as the library wrote them
  QString ContadorRelGerencial();
  QString ContadorCreditoDebito();  // at most 6 characters
  QString ContadorCupomFiscal();
  QString ContadorGeralNaoFiscal();
  QString NumeroReducoes();  // any model; trimmed
  QString RetornaGrandeTotal();  // "0" for a blank buffer
  // Currency value (four decimals); a buffer that does not convert throws
  // platform::ConvertError.
  double SubTotal();
  QString AtualizaNumeroSerie();  // any model; trimmed, also into Eprom
  QString VersaoSoftwareBasico();
  QString RetornaIndicesAliquotasISSQN();
  QString LeituraFormasdePgto();
  void DataHoraSoftUserBaseLetraMFAdi(QString& dataUsuario, QString& dtSoftwareBasico,
                                      QChar& letra);
  void RetornaDataHoraImpressora(QString& data, QString& hora);
  bool AtualizaHora();
  QString AtualizaHoraUltimoCupom();
  // Throws platform::ConvertError when the printer's date does not convert.
  void DataHoraUltDocEmitido(platform::TDateTime& Data, QString& Hora);

  // --- non-fiscal documents ---
  // One call per line; the first line of a report opens it.
  bool RelatorioGerencial(const QString& sTexto);
  bool Fecha_RelatorioGerencial();
  // The receipt is always linked to the coupon number read from the printer;
  // NumeroCupom is not used.
  bool Abre_CupomNF(const QString& FormaPagamento, const QString& Valor,
                    const QString& NumeroCupom);
  bool Usa_CupomNF(const QString& sTexto);
  bool Fecha_CupomNF();
  bool AbreGaveta();
  bool ImprimeCheque(const QString& Banco, const QString& Valor, const QString& Favorecido,
                     const QString& Cidade, const QString& Data, const QString& Mensagem);
  bool Sangria(const QString& sValor);
  bool Suprimento(const QString& sValor);

 protected:
  // The clock comparison shared by ChecaImpressora and AtualizaHora: True
  // unless a message was shown.
  bool ComparaRelogio(const QString& data, const QString& hora);

 private:
  bool bematech() const { return impressora_ == TECFModelo::Bematec3; }

  TPrinterDados* dados_;
  TTributacao* tributacao_;
  TRodape* rodape_;
  TStatus* status_;
  TECFModelo impressora_ = TECFModelo::None;
  bool pronto_ = false;  // declared default True, but a new component holds False
  int32_t portaSerial_ = 0;
  QString eprom_;
  bool impressoraMFD_ = false;
  QString unidadeMedida_;
  bool relatorioAberto_ = false;  // a management report opened and not yet closed
};

// The component under the name placed on the main form.
class TePrinter : public TeECF {
  Q_OBJECT

 public:
  using TeECF::TeECF;
};

#endif  // QX_PRINTER_EECF_H_
