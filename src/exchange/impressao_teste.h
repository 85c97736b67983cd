// Lets GoogleTest print QString and QStringList values in failure messages.
#ifndef QX_EXCHANGE_IMPRESSAO_TESTE_H_
#define QX_EXCHANGE_IMPRESSAO_TESTE_H_

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& texto, std::ostream* os) { *os << '"' << texto.toStdString() << '"'; }
inline void PrintTo(const QStringList& linhas, std::ostream* os) {
  *os << "{";
  for (const QString& l : linhas) *os << "\n  \"" << l.toStdString() << '"';
  *os << " }";
}

#endif  // QX_EXCHANGE_IMPRESSAO_TESTE_H_
