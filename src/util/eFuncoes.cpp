#include "util/eFuncoes.h"

#include "platform/dialogs.h"
#include "platform/error.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QRegularExpression>

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

bool isBlank(QChar c) { return c.unicode() <= 32; }

// Fixed point with `decimals` digits after a ".", halves rounded away from
// zero at the last kept digit of the value's 15 significant digits.
QString fixedHalfAway(double value, int decimals) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (decimals < 0) decimals = 0;

  // value = 0.D x 10^intDigits, D the 15 significant digits.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  QByteArray digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits.append(*p);
  }
  int intDigits = std::atoi(p + 1) + 1;
  if (value == 0.0) {
    digits.clear();
    intDigits = 0;
  }

  const long long keep = static_cast<long long>(intDigits) + decimals;
  if (keep < 0) {
    digits.clear();
  } else if (keep < digits.size()) {
    const bool up = digits[keep] >= '5';
    digits.truncate(keep);
    if (up) {
      qsizetype i = digits.size() - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.prepend('1');
        ++intDigits;
      }
    }
  }
  const bool zero = digits.count('0') == digits.size();

  const auto digitAt = [&](long long index) -> char {
    return index >= 0 && index < digits.size() ? digits[index] : '0';
  };
  QString text;
  if (intDigits <= 0) {
    text += u'0';
  } else {
    for (int i = 0; i < intDigits; ++i) text += QChar::fromLatin1(digitAt(i));
  }
  if (decimals > 0) {
    text += u'.';
    for (int i = 0; i < decimals; ++i) text += QChar::fromLatin1(digitAt(intDigits + i));
  }
  if (value < 0 && !zero) text.prepend(u'-');
  return text;
}

}  // namespace

QString Esquerda(const QString& texto, int n) { return n <= 0 ? QString() : texto.left(n); }

QString Direita(const QString& texto, int n) { return n <= 0 ? QString() : texto.right(n); }

int Tamanho(const QString& texto) { return static_cast<int>(texto.size()); }

QString Copia(const QString& texto, int inicio, int n) {
  if (n <= 0) return QString();
  if (inicio < 1) inicio = 1;
  if (inicio > texto.size()) return QString();
  return texto.mid(inicio - 1, n);
}

QString Espacos(int n) { return n <= 0 ? QString() : QString(n, u' '); }

QString Replica(QChar caracter, int n) { return n <= 0 ? QString() : QString(n, caracter); }

QString TiraEspacosDireita(const QString& texto) {
  qsizetype end = texto.size();
  while (end > 0 && isBlank(texto[end - 1])) --end;
  return texto.left(end);
}

QString TiraEspacos(const QString& texto) {
  qsizetype begin = 0;
  qsizetype end = texto.size();
  while (begin < end && isBlank(texto[begin])) ++begin;
  while (end > begin && isBlank(texto[end - 1])) --end;
  return texto.mid(begin, end - begin);
}

QString CompletaZeros(double valor, int largura, int decimais) {
  QString text = fixedHalfAway(valor, decimais);
  const bool negative = text.startsWith(u'-');
  while (text.size() < largura) text.insert(negative ? 1 : 0, u'0');
  return text;
}

QString TrocaCaracter(const QString& texto, const QString& procura, const QString& troca) {
  QString working = texto;
  const qsizetype n = texto.size();
  for (qsizetype p = 0; p < n; ++p) {
    if (p < working.size() && QStringView(working).mid(p, 1) == procura) {
      working.remove(p, 1);
      working.insert(p, troca);
    }
  }
  return working;
}

QString AlinhaEsquerda(const QString& texto, int largura) {
  if (largura <= 0) return QString();
  QString text = TiraEspacos(texto.left(largura));
  return text + Espacos(largura - static_cast<int>(text.size()));
}

QString AlinhaDireita(const QString& texto, int largura) {
  if (largura <= 0) return QString();
  QString text = TiraEspacos(texto.left(largura));
  return Espacos(largura - static_cast<int>(text.size())) + text;
}

QString Alinha(const QString& texto, int largura, int modo) {
  QString text = TiraEspacos(texto);
  if (text.size() > largura) text = largura <= 0 ? QString() : text.left(largura);
  if (modo < 0 || modo > 2) return text;
  while (text.size() < largura) {
    const bool front = modo == 1 || (modo == 2 && text.size() % 2 == 1);
    if (front) {
      text.prepend(u' ');
    } else {
      text.append(u' ');
    }
  }
  return text;
}

QString Centraliza(const QString& texto, int largura) { return Alinha(texto, largura, 2); }

long double Arredonda(long double valor, int casas) {
  if (casas < 0) casas = 0;
  if (casas > 15) casas = 15;
  long double scale = 1.0L;
  for (int i = 0; i < casas; ++i) scale *= 10.0L;  // exact: 10^15 < 2^64
  // llrintl rounds in the current mode, nearest with ties to even by default.
  const long long scaled = llrintl(valor * scale);
  return static_cast<long double>(scaled) / scale;
}

int ArredondaInteiro(long double valor) {
  const long double r = roundl(valor);
  if (std::isnan(r)) return 0;
  if (r >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (r <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(r);
}

int SegundosDoDia(platform::TDateTime valor) {
  const QTime t = platform::timeOf(valor);
  if (!t.isValid()) return 0;
  return t.hour() * 3600 + t.minute() * 60 + t.second();
}

QString FormataDuasCasas(double valor) {
  QString text = fixedHalfAway(valor, 2);
  text.replace(u'.', u',');
  while (text.size() < 5) text.prepend(u' ');
  return text;
}

double LeNumero(const QString& texto) {
  static const QRegularExpression number(
      QStringLiteral("^[+-]?(\\d+(,\\d*)?|,\\d+)([eE][+-]?\\d+)?$"));
  const QString text = TiraEspacos(texto);
  const auto refuse = [&]() {
    throw platform::ConvertError(
        QStringLiteral("'%1' não é um valor numérico válido").arg(texto));
  };
  if (!number.match(text).hasMatch()) refuse();
  QString c = text;
  c.replace(u',', u'.');
  bool ok = false;
  const double value = c.toDouble(&ok);
  if (!ok || !std::isfinite(value)) refuse();
  return value;
}

void ExibeMensagem(const QString& linha1, const QString& linha2, const QString& linha3) {
  platform::dialogs().threeLines(linha1, linha2, linha3);
}

namespace efuncoes_detail {

namespace {

// Ends a local event loop when the watched window is hidden (closed) or destroyed.
class CloseWatcher : public QObject {
 public:
  CloseWatcher(QWidget* window, QEventLoop* loop) : loop_(loop) {
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, loop, &QEventLoop::quit);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) loop_->quit();
    return QObject::eventFilter(watched, event);
  }

 private:
  QEventLoop* loop_;
};

}  // namespace

void MostraModal(QWidget* janela) {
  QPointer<QWidget> guard(janela);
  try {
    if (auto* dialog = qobject_cast<QDialog*>(janela)) {
      dialog->exec();
    } else {
      QEventLoop loop;
      CloseWatcher watcher(janela, &loop);
      janela->setWindowModality(Qt::ApplicationModal);
      janela->show();
      if (janela->isVisible()) loop.exec();
      if (guard) janela->removeEventFilter(&watcher);
    }
  } catch (...) {
    if (guard) guard->deleteLater();
    throw;
  }
  if (guard) guard->deleteLater();
}

void MostraNaoModal(QWidget* janela, QAction* menu, bool maximizado) {
  if (menu != nullptr) menu->setEnabled(false);
  if (maximizado) {
    janela->showMaximized();
  } else {
    janela->show();
  }
}

}  // namespace efuncoes_detail
