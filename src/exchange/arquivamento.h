// The archive copies of the answers, which the system never removes.
#ifndef QX_EXCHANGE_ARQUIVAMENTO_H_
#define QX_EXCHANGE_ARQUIVAMENTO_H_

#include <QDate>
#include <QString>
#include <QStringList>

namespace exchange {

inline const QString kDiretorioArquivo = QStringLiteral("C:\\FPopular\\ARQ");
inline const QString kDiretorioCancelados = QStringLiteral("C:\\FPopular\\ARQ\\Cancelados");

// "C:\FPopular\ARQ\R<cupom>-<yyyymmdd>.TXT"
QString CaminhoArquivoConfirmacao(const QString& cupom, QDate data);
// "C:\FPopular\ARQ\Cancelados\C<autorização as typed, dots included>.TXT"
QString CaminhoArquivoCancelamento(const QString& autorizacao);

// Write the answer's lines again (ANSI, CR LF after every line), replacing a
// file of the same name, and return the Windows path written. The confirmation
// copy is named with today's date (platform clock) and creates ARQ when
// missing; the cancellation copy creates every missing level down to
// Cancelados. Throws platform::Error naming the file when it cannot be written.
QString ArquivaConfirmacao(const QStringList& resposta, const QString& cupom);
QString ArquivaCancelamento(const QStringList& resposta, const QString& autorizacao);

}  // namespace exchange

#endif  // QX_EXCHANGE_ARQUIVAMENTO_H_
