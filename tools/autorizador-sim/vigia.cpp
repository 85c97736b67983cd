#include "vigia.h"

#include "platform/codepage.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace autorizador {

volatile std::sig_atomic_t g_parar = 0;

void espera(double segundos) {
  for (qint64 restam = qint64(segundos * 1000); restam > 0 && !g_parar; restam -= 50)
    usleep(useconds_t(std::min<qint64>(restam, 50)) * 1000);
}

namespace {

QString textoErrno() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool travaTudo(int fd, short tipo) {
  struct flock fl{};
  fl.l_type = tipo;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

QStringList linhasDe(const QByteArray& bytes) {
  QString texto = platform::fromAnsi(bytes);
  texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  texto.replace(u'\r', u'\n');
  QStringList linhas = texto.split(u'\n');
  if (!linhas.isEmpty() && linhas.last().isEmpty()) linhas.removeLast();
  return linhas;
}

Tipo tipoDaRequisicao(const QStringList& requisicao) {
  const QString registro = requisicao.value(2).left(2);
  if (registro == QStringLiteral("03")) return Tipo::PreAutorizacao;
  if (registro == QStringLiteral("05")) return Tipo::Confirmacao;
  if (registro == QStringLiteral("06")) return Tipo::Cancelamento;
  return Tipo::Invalida;
}

// Returns the descriptor still holding the lock, or -1 with *motivo.
int gravaResposta(const QString& dir, const QStringList& linhas, bool bom, QString* motivo) {
  QByteArray bytes;
  if (bom) bytes = QByteArray("\xEF\xBB\xBF");
  for (const QString& linha : linhas)
    bytes += (bom ? linha.toUtf8() : platform::toAnsi(linha)) + QByteArray("\r\n");
  const QByteArray temp = QFile::encodeName(dir + QStringLiteral("/.FP_REQ.TXT.%1.tmp").arg(getpid()));
  const QByteArray final = QFile::encodeName(dir + QStringLiteral("/FP_REQ.TXT"));
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *motivo = QFile::decodeName(temp) + QStringLiteral(": ") + textoErrno();
    return -1;
  }
  bool ok = travaTudo(fd, F_WRLCK);
  for (qsizetype feito = 0; ok && feito < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.constData() + feito, size_t(bytes.size() - feito));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    feito += std::max<ssize_t>(n, 0);
  }
  ok = ok && ::fsync(fd) == 0 && ::rename(temp.constData(), final.constData()) == 0;
  if (!ok) {
    *motivo = QFile::decodeName(final) + QStringLiteral(": ") + textoErrno();
    ::close(fd);
    ::unlink(temp.constData());
    return -1;
  }
  return fd;
}

}  // namespace

bool Vigia::Identidade::operator==(const Identidade& o) const {
  return dev == o.dev && ino == o.ino && tamanho == o.tamanho && mtime.tv_sec == o.mtime.tv_sec &&
         mtime.tv_nsec == o.mtime.tv_nsec;
}

Vigia::Vigia(QString dir, Autorizador& autorizador, OpcoesVigia opcoes,
             std::function<void(const QString&)> log)
    : dir_(std::move(dir)), autorizador_(autorizador), opcoes_(opcoes), log_(std::move(log)) {}

Vigia::Passo Vigia::verifica() {
  const QByteArray envio = QFile::encodeName(dir_ + QStringLiteral("/FP_ENV.TXT"));
  const int fd = ::open(envio.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Passo::Nada;
    log_(QStringLiteral("Não foi possível abrir %1: %2").arg(QFile::decodeName(envio), textoErrno()));
    return Passo::Falhou;
  }
  if (!travaTudo(fd, F_RDLCK)) {  // the client is still writing it
    ::close(fd);
    return Passo::Nada;
  }
  struct stat st{};
  ::fstat(fd, &st);
  const Identidade id{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  if (id == respondida_) {
    ::close(fd);
    return Passo::Nada;
  }
  QByteArray bytes;
  char buf[8192];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      log_(QStringLiteral("Não foi possível ler %1: %2").arg(QFile::decodeName(envio), textoErrno()));
      ::close(fd);
      return Passo::Falhou;
    }
    bytes.append(buf, n);
  }
  ::close(fd);

  // Without its final line end a request may still be on its way (created,
  // not yet locked); one that stays so for a second is answered as it is.
  if (!bytes.endsWith('\n')) {
    vistas_ = id == vista_ ? vistas_ + 1 : 0;
    vista_ = id;
    if (vistas_ * std::max(1, opcoes_.intervaloMs) < 1000) return Passo::Nada;
  }
  respondida_ = id;

  const QStringList requisicao = linhasDe(bytes);
  const bool falha = opcoes_.falharEm == Tipo::Invalida || opcoes_.falharEm == tipoDaRequisicao(requisicao);
  Falhas falhas;
  falhas.malformado = falha && opcoes_.malformado;
  falhas.semItens = falha && opcoes_.semItens;
  const Resposta resposta = autorizador_.responde(requisicao, falhas);
  if (falha && opcoes_.atraso > 0) {
    log_(QStringLiteral("Atrasando a resposta em %1 s").arg(opcoes_.atraso));
    espera(opcoes_.atraso);
  }
  QString motivo;
  const int resp = gravaResposta(dir_, resposta.linhas, falha && opcoes_.bom, &motivo);
  if (resp < 0) {
    log_(QStringLiteral("Não foi possível gravar a resposta: %1").arg(motivo));
    return Passo::Falhou;
  }
  log_(QStringLiteral("Resposta gravada (%1)").arg(resposta.resumo));
  const bool segura = falha && opcoes_.segurar > 0;
  if (segura) {
    log_(QStringLiteral("Mantendo a resposta aberta por %1 s").arg(opcoes_.segurar));
    espera(opcoes_.segurar);
  }
  ::close(resp);
  if (segura) log_(QStringLiteral("Resposta liberada"));
  return Passo::Respondeu;
}

}  // namespace autorizador
