#include "exchange/arquivamento.h"

#include "platform/clock.h"
#include "platform/files.h"

namespace exchange {

QString CaminhoArquivoConfirmacao(const QString& cupom, QDate data) {
  return kDiretorioArquivo + QStringLiteral("\\R") + cupom + u'-' +
         data.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".TXT");
}

QString CaminhoArquivoCancelamento(const QString& autorizacao) {
  return kDiretorioCancelados + QStringLiteral("\\C") + autorizacao + QStringLiteral(".TXT");
}

QString ArquivaConfirmacao(const QStringList& resposta, const QString& cupom) {
  // One level only: without C:\FPopular the write below fails and names the file.
  if (!platform::files::directoryExists(kDiretorioArquivo))
    platform::files::createDirectory(kDiretorioArquivo);
  const QString caminho = CaminhoArquivoConfirmacao(cupom, platform::now().date());
  platform::files::writeTextFile(caminho, resposta);
  return caminho;
}

QString ArquivaCancelamento(const QStringList& resposta, const QString& autorizacao) {
  if (!platform::files::directoryExists(kDiretorioCancelados))
    platform::files::forceDirectories(kDiretorioCancelados);
  const QString caminho = CaminhoArquivoCancelamento(autorizacao);
  platform::files::writeTextFile(caminho, resposta);
  return caminho;
}

}  // namespace exchange
