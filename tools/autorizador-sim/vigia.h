// The watch over the exchange directory: one look at a time, so that the
// "each new request exactly once" rule can be exercised step by step.
//
// Sharing rules, as the client keeps them: the request is read under a shared
// lock (a request still being written is left for the next look); the answer
// goes to a temporary file under an exclusive lock and is renamed into place,
// so FP_REQ.TXT never exists half-written; the lock is kept through the
// "hold open" fault.
#ifndef QX_TOOLS_AUTORIZADOR_SIM_VIGIA_H_
#define QX_TOOLS_AUTORIZADOR_SIM_VIGIA_H_

#include "autorizador.h"

#include <QString>

#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace autorizador {

// Set by SIGINT/SIGTERM: waits end early and the watch stops.
extern volatile std::sig_atomic_t g_parar;

// Blocks for the given seconds in small steps, ending early on g_parar.
void espera(double segundos);

struct OpcoesVigia {
  double atraso = 0;      // seconds before the answer is written
  double segurar = 0;     // seconds the written answer stays locked
  bool malformado = false;
  bool semItens = false;
  bool bom = false;       // UTF-8 with a byte-order mark instead of ANSI
  Tipo falharEm = Tipo::Invalida;  // Invalida: faults apply to every kind
  int intervaloMs = 200;  // between looks, for incomplete requests
};

class Vigia {
 public:
  // log receives one line per event, in Portuguese.
  Vigia(QString dir, Autorizador& autorizador, OpcoesVigia opcoes,
        std::function<void(const QString&)> log);

  enum class Passo { Nada, Respondeu, Falhou };
  // One look: answers FP_ENV.TXT when it is there, complete and not answered
  // yet. Falhou: it could not be read or the answer could not be written
  // (said through the log).
  Passo verifica();

 private:
  struct Identidade {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t tamanho = -1;
    timespec mtime{};
    bool operator==(const Identidade& o) const;
  };

  QString dir_;
  Autorizador& autorizador_;
  OpcoesVigia opcoes_;
  std::function<void(const QString&)> log_;
  Identidade respondida_;   // the request answered last
  Identidade vista_;        // an unfinished request seen before
  int vistas_ = 0;
};

}  // namespace autorizador

#endif  // QX_TOOLS_AUTORIZADOR_SIM_VIGIA_H_
