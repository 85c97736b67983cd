// What the main window's tests share: a machine of their own (drive C, the
// program folder with the simulated printer, a shop data directory), a fixed
// clock, a pause that waits for nothing, the dialogs recorder, and answers of
// the authorizer written at the moment the real one would write them.
#ifndef QX_APP_TESTING_APP_TEST_SUPPORT_H_
#define QX_APP_TESTING_APP_TEST_SUPPORT_H_

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <ostream>

#include "platform/clock.h"
#include "platform/dialogs.h"

class TForm1;

// Readable failures for the Qt texts the tests compare.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (const QString& s : l) *os << " \"" << s.toStdString() << '"';
  *os << " }";
}

namespace apptest {

inline const QDate kHoje(2026, 12, 11);

// A header line of an answer: status, message, beneficiary, 19-character code.
QString Cabecalho(const QString& status, const QString& msg, const QString& paciente = QString(),
                  const QString& codigo = QString());
// An item line of a pre-authorization answer: pills, amounts as integer
// digits plus two decimals ("06000" is 60,00), message starting with its code.
QString ItemPre(const QString& comprimidos5, const QString& valorMS15, const QString& valorPaciente15,
                const QString& mensagem);
// An item line of a confirmation answer.
QString ItemConf(const QString& mensagem);

// The pause port: records each pause and, at the pause before a request is
// written, puts the prepared answer into the exchange directory.
class PausaComResposta : public platform::Pause {
 public:
  void sleep(int ms) override;
  QStringList resposta;  // empty: no answer appears
  QList<int> pausas;
};

// Plays the wait dialog's timer without waiting a second per tick: whenever
// the dialog is up, one tick. acao, when set, runs instead of the tick (to
// press "Cancelar", for instance).
class RelogioDaEspera {
 public:
  RelogioDaEspera();
  ~RelogioDaEspera();
  std::function<void()> acao;

 private:
  QTimer timer_;
  bool dentro_ = false;
};

class Maquina {
 public:
  Maquina();
  ~Maquina();
  Maquina(const Maquina&) = delete;
  Maquina& operator=(const Maquina&) = delete;

  QString driveC, programa, dados;
  platform::FakeClock relogio{QDateTime(kHoje, QTime(10, 30))};
  PausaComResposta pausa;
  platform::RecordingDialogs& dialogos() { return scoped_.recorder; }

  // Registers a sale on the simulated printer; its coupon number.
  QString RegistraVendaNaImpressora();
  // The demo shop with today's sale, its coupon number.
  QString CriaLojaDemo();
  void EscreveIni(const QString& texto);
  QString LeIni() const;
  QString Troca(const QString& nome) const;  // a file of the exchange directory
  QString Bobina() const;                    // the simulated printer's paper tape

  std::unique_ptr<TForm1> AbreJanela();

 private:
  QTemporaryDir tmp_;
  platform::ScopedClock clockScope_{&relogio};
  platform::ScopedPause pauseScope_{&pausa};
  platform::ScopedDialogs scoped_;
};

// Changes the catalogue behind the window's back, as the shop's system may:
// deletes the product, or sets its pill count to 0.
void MudaProduto(const QString& dados, const char* codigo, bool apaga);

// The texts of the dialogs shown, in order.
QStringList Textos(const platform::RecordingDialogs& d);

}  // namespace apptest

#endif  // QX_APP_TESTING_APP_TEST_SUPPORT_H_
