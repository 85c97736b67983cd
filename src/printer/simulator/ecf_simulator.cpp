#include "printer/simulator/ecf_simulator.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <optional>

namespace ecfsim {

namespace {

constexpr int kWidth = 48;  // printed characters per line
constexpr int kMaxRates = 16;
constexpr int kMaxClosingLines = 8;

struct Item {
  QString code, description, tax, unit;
  qint64 quantityMilli = 0;
  qint64 priceCents = 0;
  qint64 totalCents = 0;
  bool cancelled = false;
};

struct Reduction {
  int crz = 0;
  QDateTime when;
  QDate movement;
  int coo = 0;
  qint64 grandTotalCents = 0;
  qint64 grossCents = 0;
};

struct State {
  int coo = 0, crz = 0, cro = 1, gnf = 0, grg = 0, ccf = 0, cdc = 0, cancelled = 0;
  qint64 grandTotal = 0;
  QString doc = QStringLiteral("nenhum");
  // The open (or last) fiscal coupon.
  QList<Item> items;
  QString phase;  // "venda", "pagamento"
  qint64 adjust = 0, paid = 0;
  QString pendingUnit, pendingDescription;
  int lastCouponCoo = 0;
  bool lastCouponCancellable = false;
  qint64 lastCouponTotal = 0;
  // The day, until the next Z reduction.
  QMap<QString, qint64> dayTotals;  // by tax code: "T1800", "FF", "II", "NN", "CANC", "DESC"
  qint64 daySangria = 0, daySuprimento = 0;
  int dayFirstCoo = 0;
  QList<Reduction> reductions;
  QDateTime lastDocument;
  bool summerTime = false;
  int clockOffset = 0;
  QString serial = QStringLiteral("BE0000SIM00000000001");
  QString model = QStringLiteral("MP4000FI");
  QString firmware = QStringLiteral("010000");
  QStringList rates{QStringLiteral("T1800"), QStringLiteral("T1200"), QStringLiteral("T0700"),
                    QStringLiteral("S0500")};
  QStringList payments{QStringLiteral("Dinheiro"), QStringLiteral("Cheque"),
                       QStringLiteral("Cartao"), QStringLiteral("Ticket")};
  int ack = 6, st1 = 0, st2 = 0;
  Faults faults;
};

QString paperName(Paper p) {
  switch (p) {
    case Paper::Low:
      return QStringLiteral("pouco");
    case Paper::Out:
      return QStringLiteral("fim");
    case Paper::Normal:
      break;
  }
  return QStringLiteral("normal");
}

QString dateTimeText(const QDateTime& t) {
  return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}
QDateTime parseDateTime(const QString& s) {
  return QDateTime::fromString(s, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

// --- state file -------------------------------------------------------------

const char* const kStateHeader =
    "# Estado da impressora fiscal simulada. Pode ser editado com o programa parado,\n"
    "# ou com a ferramenta ecf-sim. Falhas:\n"
    "#   falha.desligada=1         impressora desligada (-6 em todo comando)\n"
    "#   falha.papel=pouco|fim     pouco papel / fim de papel\n"
    "#   falha.nak=1               todo comando recusado (NAK)\n"
    "#   falha.retorno.<funcao>=N  a funcao devolve N sem executar\n"
    "#   relogio.deslocamento=S    relogio da impressora S segundos a frente (negativo: atras)\n";

State parseState(const QStringList& lines) {
  State s;
  QMap<QString, QString> v;
  for (const QString& raw : lines) {
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const int eq = line.indexOf(u'=');
    if (eq <= 0) continue;
    v.insert(line.left(eq).trimmed(), line.mid(eq + 1));
  }
  auto num = [&](const char* key, qint64 def) {
    bool ok = false;
    const qint64 n = v.value(QLatin1String(key)).trimmed().toLongLong(&ok);
    return ok ? n : def;
  };
  auto text = [&](const char* key, const QString& def) {
    return v.contains(QLatin1String(key)) ? v.value(QLatin1String(key)) : def;
  };
  s.coo = int(num("coo", 0));
  s.crz = int(num("crz", 0));
  s.cro = int(num("cro", 1));
  s.gnf = int(num("gnf", 0));
  s.grg = int(num("grg", 0));
  s.ccf = int(num("ccf", 0));
  s.cdc = int(num("cdc", 0));
  s.cancelled = int(num("cancelados", 0));
  s.grandTotal = num("grande_total", 0);
  s.doc = text("documento", s.doc);
  s.phase = text("cupom.fase", QString());
  s.adjust = num("cupom.ajuste", 0);
  s.paid = num("cupom.pago", 0);
  s.pendingUnit = text("cupom.unidade", QString());
  s.pendingDescription = text("cupom.descricao", QString());
  s.lastCouponCoo = int(num("cupom.coo", 0));
  s.lastCouponCancellable = num("cupom.cancelavel", 0) != 0;
  s.lastCouponTotal = num("cupom.total", 0);
  for (int i = 1; v.contains(QStringLiteral("cupom.item.%1").arg(i)); ++i) {
    const QStringList f = v.value(QStringLiteral("cupom.item.%1").arg(i)).split(u'\t');
    if (f.size() < 8) break;
    s.items.append(Item{f[0], f[1], f[2], f[3], f[4].toLongLong(), f[5].toLongLong(),
                        f[6].toLongLong(), f[7] == QLatin1String("1")});
  }
  for (auto it = v.cbegin(); it != v.cend(); ++it) {
    if (it.key().startsWith(QLatin1String("dia.total.")))
      s.dayTotals.insert(it.key().mid(10), it.value().toLongLong());
    if (it.key().startsWith(QLatin1String("falha.retorno.")))
      s.faults.returnCodes.insert(it.key().mid(14), it.value().trimmed().toInt());
  }
  s.daySangria = num("dia.sangria", 0);
  s.daySuprimento = num("dia.suprimento", 0);
  s.dayFirstCoo = int(num("dia.primeiro_coo", 0));
  for (int i = 1; v.contains(QStringLiteral("reducao.%1").arg(i)); ++i) {
    const QStringList f = v.value(QStringLiteral("reducao.%1").arg(i)).split(u'\t');
    if (f.size() < 6) break;
    s.reductions.append(Reduction{f[0].toInt(), parseDateTime(f[1]),
                                  QDate::fromString(f[2], QStringLiteral("yyyy-MM-dd")),
                                  f[3].toInt(), f[4].toLongLong(), f[5].toLongLong()});
  }
  s.lastDocument = parseDateTime(text("ultimo_documento", QString()));
  s.summerTime = num("horario_verao", 0) != 0;
  s.clockOffset = int(num("relogio.deslocamento", 0));
  s.serial = text("serie", s.serial);
  s.model = text("modelo", s.model);
  s.firmware = text("firmware", s.firmware);
  if (v.contains(QStringLiteral("aliquotas")))
    s.rates = v.value(QStringLiteral("aliquotas")).split(u',', Qt::SkipEmptyParts);
  if (v.contains(QStringLiteral("formas_pagamento")))
    s.payments = v.value(QStringLiteral("formas_pagamento")).split(u',', Qt::SkipEmptyParts);
  s.ack = int(num("status.ack", 6));
  s.st1 = int(num("status.st1", 0));
  s.st2 = int(num("status.st2", 0));
  s.faults.off = num("falha.desligada", 0) != 0;
  s.faults.nak = num("falha.nak", 0) != 0;
  const QString paper = text("falha.papel", QStringLiteral("normal")).trimmed();
  s.faults.paper = paper == QLatin1String("fim")     ? Paper::Out
                   : paper == QLatin1String("pouco") ? Paper::Low
                                                     : Paper::Normal;
  return s;
}

QString formatState(const State& s) {
  QString out = QString::fromLatin1(kStateHeader);
  auto put = [&](const QString& key, const QString& value) {
    out += key + u'=' + value + u'\n';
  };
  auto n = [](qint64 x) { return QString::number(x); };
  put(QStringLiteral("coo"), n(s.coo));
  put(QStringLiteral("crz"), n(s.crz));
  put(QStringLiteral("cro"), n(s.cro));
  put(QStringLiteral("gnf"), n(s.gnf));
  put(QStringLiteral("grg"), n(s.grg));
  put(QStringLiteral("ccf"), n(s.ccf));
  put(QStringLiteral("cdc"), n(s.cdc));
  put(QStringLiteral("cancelados"), n(s.cancelled));
  put(QStringLiteral("grande_total"), n(s.grandTotal));
  put(QStringLiteral("documento"), s.doc);
  put(QStringLiteral("ultimo_documento"), dateTimeText(s.lastDocument));
  put(QStringLiteral("horario_verao"), n(s.summerTime));
  put(QStringLiteral("relogio.deslocamento"), n(s.clockOffset));
  put(QStringLiteral("serie"), s.serial);
  put(QStringLiteral("modelo"), s.model);
  put(QStringLiteral("firmware"), s.firmware);
  put(QStringLiteral("aliquotas"), s.rates.join(u','));
  put(QStringLiteral("formas_pagamento"), s.payments.join(u','));
  put(QStringLiteral("status.ack"), n(s.ack));
  put(QStringLiteral("status.st1"), n(s.st1));
  put(QStringLiteral("status.st2"), n(s.st2));
  put(QStringLiteral("falha.desligada"), n(s.faults.off));
  put(QStringLiteral("falha.papel"), paperName(s.faults.paper));
  put(QStringLiteral("falha.nak"), n(s.faults.nak));
  for (auto it = s.faults.returnCodes.cbegin(); it != s.faults.returnCodes.cend(); ++it)
    put(QStringLiteral("falha.retorno.") + it.key(), n(it.value()));
  put(QStringLiteral("cupom.fase"), s.phase);
  put(QStringLiteral("cupom.ajuste"), n(s.adjust));
  put(QStringLiteral("cupom.pago"), n(s.paid));
  put(QStringLiteral("cupom.unidade"), s.pendingUnit);
  put(QStringLiteral("cupom.descricao"), s.pendingDescription);
  put(QStringLiteral("cupom.coo"), n(s.lastCouponCoo));
  put(QStringLiteral("cupom.cancelavel"), n(s.lastCouponCancellable));
  put(QStringLiteral("cupom.total"), n(s.lastCouponTotal));
  for (int i = 0; i < s.items.size(); ++i) {
    const Item& it = s.items[i];
    put(QStringLiteral("cupom.item.%1").arg(i + 1),
        QStringList{it.code, it.description, it.tax, it.unit, n(it.quantityMilli),
                    n(it.priceCents), n(it.totalCents), n(it.cancelled)}
            .join(u'\t'));
  }
  for (auto it = s.dayTotals.cbegin(); it != s.dayTotals.cend(); ++it)
    put(QStringLiteral("dia.total.") + it.key(), n(it.value()));
  put(QStringLiteral("dia.sangria"), n(s.daySangria));
  put(QStringLiteral("dia.suprimento"), n(s.daySuprimento));
  put(QStringLiteral("dia.primeiro_coo"), n(s.dayFirstCoo));
  for (int i = 0; i < s.reductions.size(); ++i) {
    const Reduction& r = s.reductions[i];
    put(QStringLiteral("reducao.%1").arg(i + 1),
        QStringList{n(r.crz), dateTimeText(r.when), r.movement.toString(QStringLiteral("yyyy-MM-dd")),
                    n(r.coo), n(r.grandTotalCents), n(r.grossCents)}
            .join(u'\t'));
  }
  return out;
}

// Holds the simulator's lock file for its lifetime: one command at a time,
// across processes.
class FolderLock {
 public:
  FolderLock() {
    QDir().mkpath(directory());
    const QByteArray path = QFile::encodeName(directory() + QStringLiteral("/ecf-simulador.lock"));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
      throw platform::Error(QStringLiteral("Impressora simulada: não foi possível abrir \"%1\".")
                                .arg(QFile::decodeName(path)));
    ::flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

State loadState() {
  QFile f(statePath());
  if (!f.exists()) return State{};
  if (!f.open(QIODevice::ReadOnly))
    throw platform::Error(
        QStringLiteral("Impressora simulada: não foi possível ler \"%1\".").arg(statePath()));
  return parseState(QString::fromUtf8(f.readAll()).split(u'\n'));
}

void saveState(const State& s) {
  QSaveFile f(statePath());
  if (!f.open(QIODevice::WriteOnly) || f.write(formatState(s).toUtf8()) < 0 || !f.commit())
    throw platform::Error(
        QStringLiteral("Impressora simulada: não foi possível gravar \"%1\".").arg(statePath()));
}

// --- text helpers -----------------------------------------------------------

QString fromArg(const char* text) { return text ? platform::fromAnsi(text) : QString(); }

// Writes `text` into an output buffer of `size` characters: cut or padded
// with spaces to exactly that size, then the NUL the caller left room for.
void fill(char* buffer, int size, const QString& text) {
  if (buffer == nullptr) return;
  QByteArray bytes = platform::toAnsi(text.left(size));
  bytes = bytes.leftJustified(size, ' ', true);
  std::memcpy(buffer, bytes.constData(), size_t(size));
  buffer[size] = '\0';
}

QString digits(qint64 value, int width) {
  return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')).right(width);
}

QString money(qint64 cents) {
  const QString sign = cents < 0 ? QStringLiteral("-") : QString();
  const qint64 a = cents < 0 ? -cents : cents;
  return sign + QString::number(a / 100) + u',' + digits(a % 100, 2);
}

// "12,50", "12.50" or "12" (whole units) -> hundredths (or thousandths).
std::optional<qint64> parseFixed(const QString& raw, int decimals) {
  const QString t = raw.trimmed();
  if (t.isEmpty()) return std::nullopt;
  int sep = t.indexOf(u',');
  if (sep < 0) sep = t.indexOf(u'.');
  const QString whole = sep < 0 ? t : t.left(sep);
  QString frac = sep < 0 ? QString() : t.mid(sep + 1);
  for (const QString& part : {whole, frac})
    for (QChar c : part)
      if (!c.isDigit()) return std::nullopt;
  if (whole.isEmpty() && frac.isEmpty()) return std::nullopt;
  if (frac.size() > decimals) frac = frac.left(decimals);
  frac = frac.leftJustified(decimals, u'0');
  qint64 scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  return whole.toLongLong() * scale + (decimals ? frac.toLongLong() : 0);
}

QString resolveFile(const QString& name) {
  if (name.isEmpty()) return name;
  if (name.size() > 1 && name[1] == u':') return platform::localPath(name);
  if (QFileInfo(name).isAbsolute()) return name;
  return directory() + u'/' + name;
}

QString centred(const QString& text) {
  const QString t = text.left(kWidth);
  const int left = (kWidth - int(t.size())) / 2;
  return (QString(left, u' ') + t).leftJustified(kWidth);
}

// --- one command ------------------------------------------------------------

enum class Kind {
  Query,  // reaches the printer, prints nothing
  Print,  // needs paper
  Local,  // done by the library on the computer: no printer involved
};

struct Outcome {
  int code = 1;
  bool executed = true;
  bool couponBlocks = false;  // refused because a fiscal coupon is open
  bool badParameter = false;
};
Outcome refused(const State& s) {
  Outcome o;
  o.executed = false;
  o.couponBlocks = s.doc == QLatin1String("cupom");
  return o;
}
Outcome invalid() {
  Outcome o;
  o.executed = false;
  o.badParameter = true;
  return o;
}

class Sim {
 public:
  State s;
  QDateTime now() const { return platform::now().addSecs(s.clockOffset); }

  void tape(const QStringList& lines) {
    QFile f(tapePath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
      throw platform::Error(
          QStringLiteral("Impressora simulada: não foi possível gravar \"%1\".").arg(tapePath()));
    QByteArray out;
    for (const QString& l : lines) out += l.toUtf8() + '\n';
    f.write(out);
  }
  // The printer wraps what does not fit its line.
  static QStringList wrap(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (t.endsWith(u'\n')) t.chop(1);
    QStringList out;
    for (const QString& line : t.split(u'\n')) {
      if (line.isEmpty()) out << QString();
      for (int i = 0; i < line.size(); i += kWidth) out << line.mid(i, kWidth);
    }
    return out;
  }
  void header(const QString& title, const QStringList& counters) {
    const QDateTime t = now();
    QStringList h{QString(kWidth, u'='), centred(QStringLiteral("*** IMPRESSORA FISCAL SIMULADA ***")),
                  centred(QStringLiteral("NÃO É DOCUMENTO FISCAL")),
                  QStringLiteral("ECF %1  Nº série %2").arg(s.model, s.serial),
                  (t.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) + u' ')
                      .leftJustified(kWidth - 10) +
                      QStringLiteral("COO:") + digits(s.coo, 6)};
    if (!counters.isEmpty()) h << counters.join(u' ');
    h << centred(title) << QString(kWidth, u'-');
    tape(h);
  }
  void footer(const QString& title) {
    tape({QString(kWidth, u'-'),
          centred(title + u' ' + now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))),
          QString()});
  }
  void newDocument() {
    ++s.coo;
    if (s.dayFirstCoo == 0) s.dayFirstCoo = s.coo;
    s.lastDocument = now();
  }
  qint64 couponTotal() const {
    qint64 t = 0;
    for (const Item& it : s.items)
      if (!it.cancelled) t += it.totalCents;
    return t + s.adjust;
  }
  bool docIs(const char* d) const { return s.doc == QLatin1String(d); }
};

int32_t run(const char* function, Kind kind, const std::function<Outcome(Sim&)>& action) {
  try {
    FolderLock lock;
    Sim sim;
    sim.s = loadState();
    State& s = sim.s;
    const QString name = QString::fromLatin1(function);
    if (auto it = s.faults.returnCodes.constFind(name); it != s.faults.returnCodes.cend())
      return it.value();
    if (kind != Kind::Local) {
      if (s.faults.off) return -6;
      if (s.faults.nak) {
        s.ack = 21;
        s.st1 = 0;
        s.st2 = 0;
        saveState(s);
        return 1;
      }
      if (kind == Kind::Print && s.faults.paper == Paper::Out) {
        s.ack = 6;
        s.st1 = 128;
        s.st2 = 1;
        saveState(s);
        return 1;
      }
    }
    const Outcome o = action(sim);
    if (kind != Kind::Local) {
      s.ack = 6;
      // The paper sensor is reported with every command, not only with printing ones.
      s.st1 = s.faults.paper == Paper::Out ? 128 : s.faults.paper == Paper::Low ? 64 : 0;
      s.st2 = 0;
      if (!o.executed) {
        s.st2 |= 1;
        if (o.couponBlocks) s.st1 |= 2;
        if (o.badParameter) s.st1 |= 1;
      }
    }
    saveState(s);
    return o.code;
  } catch (const std::exception&) {
    // A library cannot throw across the C interface: the file could not be
    // read or written, which a real library reports as an execution error.
    return -1;
  }
}

// --- fiscal memory and files ------------------------------------------------

QList<Reduction> reductionsIn(const State& s, const QString& from, const QString& to) {
  QList<Reduction> out;
  const bool byDate = from.contains(u'/');
  const QDate d1 = QDate::fromString(from.trimmed(), QStringLiteral("dd/MM/yy")).addYears(100);
  const QDate d2 = QDate::fromString(to.trimmed(), QStringLiteral("dd/MM/yy")).addYears(100);
  const int r1 = from.trimmed().toInt(), r2 = to.trimmed().toInt();
  for (const Reduction& r : s.reductions) {
    if (byDate ? (r.movement >= d1 && r.movement <= d2) : (r.crz >= r1 && r.crz <= r2))
      out << r;
  }
  return out;
}

QStringList fiscalMemoryLines(const State& s, const QString& from, const QString& to) {
  QStringList l{QStringLiteral("Período: %1 a %2").arg(from.trimmed(), to.trimmed())};
  const QList<Reduction> rs = reductionsIn(s, from, to);
  for (const Reduction& r : rs)
    l << QStringLiteral("CRZ %1  %2  COO %3  VB %4")
             .arg(digits(r.crz, 4), r.movement.toString(QStringLiteral("dd/MM/yyyy")),
                  digits(r.coo, 6), money(r.grossCents));
  if (rs.isEmpty()) l << QStringLiteral("Nenhuma redução no período.");
  return l;
}

bool writeFile(const QString& path, const QStringList& lines) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  for (const QString& l : lines) f.write(platform::toAnsi(l) + "\r\n");
  return f.commit();
}

Outcome writeReturnFile(const QStringList& lines) {
  Outcome o;
  if (!writeFile(directory() + QStringLiteral("/retorno.txt"), lines)) o.code = -8;
  return o;
}

QString rateCode(const State& s, const QString& tax) {
  const QString t = tax.trimmed().toUpper();
  if (t == QLatin1String("FF") || t == QLatin1String("II") || t == QLatin1String("NN")) return t;
  bool isIndex = false;
  const int index = t.toInt(&isIndex);
  if (isIndex && t.size() == 2) return index >= 1 && index <= s.rates.size() ? s.rates[index - 1] : QString();
  for (const QString& r : s.rates)
    if (r == t || r.mid(1) == t) return r;
  return QString();
}

bool closeCoupon(Sim& sim, const QString& message) {
  State& s = sim.s;
  const QStringList lines = Sim::wrap(message);
  if (!message.trimmed().isEmpty() && lines.size() > kMaxClosingLines) return false;
  const qint64 total = sim.couponTotal();
  QStringList t;
  if (s.paid > total) t << QStringLiteral("TROCO R$").leftJustified(kWidth - 14) + money(s.paid - total).rightJustified(14);
  if (!message.trimmed().isEmpty()) t << lines;
  sim.tape(t);
  sim.footer(QStringLiteral("FIM DO CUPOM FISCAL"));
  for (const Item& it : s.items)
    if (!it.cancelled) s.dayTotals[it.tax] += it.totalCents;
  if (s.adjust < 0) s.dayTotals[QStringLiteral("DESC")] += -s.adjust;
  s.grandTotal += total;
  s.lastCouponTotal = total;
  s.lastCouponCancellable = true;
  s.doc = QStringLiteral("nenhum");
  s.phase.clear();
  s.lastDocument = sim.now();
  return true;
}

Outcome nonFiscalAmount(Sim& sim, const QString& title, const QString& value, qint64 State::*day) {
  if (!sim.docIs("nenhum")) return refused(sim.s);
  const auto cents = parseFixed(value, 2);
  if (!cents) return invalid();
  sim.newDocument();
  ++sim.s.gnf;
  sim.header(title, {QStringLiteral("GNF:") + digits(sim.s.gnf, 6)});
  sim.tape({QStringLiteral("Valor R$").leftJustified(kWidth - 14) + money(*cents).rightJustified(14)});
  sim.footer(QStringLiteral("FIM"));
  sim.s.*day += *cents;
  return {};
}

QStringList reductionRecord60(const State& s, bool master) {
  const QDate day = s.lastDocument.isValid() ? s.lastDocument.date() : platform::now().date();
  if (master)
    return {QStringLiteral("60M") + day.toString(QStringLiteral("yyyyMMdd")) + s.serial.leftJustified(20) +
            digits(1, 3) + QStringLiteral("2D") + digits(s.dayFirstCoo, 6) + digits(s.coo, 6) +
            digits(s.crz, 6) + digits(s.cro, 3) + digits(s.grandTotal, 16)};
  QStringList out;
  for (auto it = s.dayTotals.cbegin(); it != s.dayTotals.cend(); ++it)
    out << QStringLiteral("60A") + day.toString(QStringLiteral("yyyyMMdd")) + s.serial.leftJustified(20) +
               it.key().leftJustified(4) + digits(it.value(), 12);
  return out;
}

}  // namespace

QString directory() {
  const QString env = QString::fromLocal8Bit(qgetenv("QX_ECF_SIM_DIR"));
  return env.isEmpty() ? platform::programFolder() : env;
}
QString statePath() { return directory() + QStringLiteral("/ecf-simulador.ini"); }
QString tapePath() { return directory() + QStringLiteral("/bobina.txt"); }

// --- the vendor's functions -------------------------------------------------

int32_t Bematech_FI_VerificaImpressoraLigada() {
  return run("Bematech_FI_VerificaImpressoraLigada", Kind::Query, [](Sim&) { return Outcome{}; });
}

int32_t Bematech_FI_RetornoImpressora(int32_t* ack, int32_t* st1, int32_t* st2) {
  try {
    FolderLock lock;
    const State s = loadState();
    if (auto it = s.faults.returnCodes.constFind(QStringLiteral("Bematech_FI_RetornoImpressora"));
        it != s.faults.returnCodes.cend())
      return it.value();
    if (s.faults.off) return -6;
    if (ack) *ack = s.ack;
    if (st1) *st1 = s.st1;
    if (st2) *st2 = s.st2;
    return 1;
  } catch (const std::exception&) {
    return -1;
  }
}

int32_t Bematech_FI_LeituraX() {
  return run("Bematech_FI_LeituraX", Kind::Print, [](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    State& s = sim.s;
    sim.newDocument();
    ++s.gnf;
    sim.header(QStringLiteral("LEITURA X"), {QStringLiteral("GNF:") + digits(s.gnf, 6)});
    QStringList l{QStringLiteral("CRZ: %1  CRO: %2  CCF: %3").arg(digits(s.crz, 4), digits(s.cro, 3), digits(s.ccf, 6)),
                  QStringLiteral("Grande total R$ %1").arg(money(s.grandTotal))};
    for (auto it = s.dayTotals.cbegin(); it != s.dayTotals.cend(); ++it)
      l << it.key().leftJustified(kWidth - 14) + money(it.value()).rightJustified(14);
    l << QStringLiteral("Sangrias R$ %1  Suprimentos R$ %2").arg(money(s.daySangria), money(s.daySuprimento));
    sim.tape(l);
    sim.footer(QStringLiteral("FIM DA LEITURA X"));
    return Outcome{};
  });
}

int32_t Bematech_FI_ReducaoZ(const char*, const char*) {
  return run("Bematech_FI_ReducaoZ", Kind::Print, [](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    State& s = sim.s;
    // The day being closed is that of its documents, which may be yesterday.
    const QDate movement = s.lastDocument.isValid() ? s.lastDocument.date() : sim.now().date();
    sim.newDocument();
    ++s.crz;
    qint64 gross = 0;
    for (auto it = s.dayTotals.cbegin(); it != s.dayTotals.cend(); ++it)
      if (it.key() != QLatin1String("CANC") && it.key() != QLatin1String("DESC")) gross += it.value();
    s.reductions.append(Reduction{s.crz, sim.now(), movement, s.coo, s.grandTotal, gross});
    sim.header(QStringLiteral("REDUÇÃO Z"), {QStringLiteral("CRZ:") + digits(s.crz, 4)});
    sim.tape({QStringLiteral("Movimento de %1").arg(movement.toString(QStringLiteral("dd/MM/yyyy"))),
              QStringLiteral("Venda bruta diária R$ %1").arg(money(gross)),
              QStringLiteral("Grande total R$ %1").arg(money(s.grandTotal))});
    sim.footer(QStringLiteral("FIM DA REDUÇÃO Z"));
    s.dayTotals.clear();
    s.daySangria = s.daySuprimento = 0;
    s.dayFirstCoo = 0;
    s.lastCouponCancellable = false;
    return Outcome{};
  });
}

int32_t Bematech_FI_AbreCupom(const char* cpf) {
  const QString id = fromArg(cpf);
  return run("Bematech_FI_AbreCupom", Kind::Print, [&](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    State& s = sim.s;
    sim.newDocument();
    ++s.ccf;
    s.doc = QStringLiteral("cupom");
    s.items.clear();
    s.phase = QStringLiteral("venda");
    s.adjust = s.paid = 0;
    s.lastCouponCoo = s.coo;
    s.lastCouponCancellable = false;
    sim.header(QStringLiteral("CUPOM FISCAL"), {QStringLiteral("CCF:") + digits(s.ccf, 6)});
    QStringList l;
    if (!id.trimmed().isEmpty()) l << QStringLiteral("CPF/CNPJ consumidor: ") + id.trimmed();
    l << QStringLiteral("ITEM CÓDIGO DESCRIÇÃO");
    l << QStringLiteral("     QTD x UNITÁRIO   ST        VALOR R$");
    sim.tape(l);
    return Outcome{};
  });
}

int32_t Bematech_FI_VendeItemDepartamento(const char* codigo, const char* descricao,
                                          const char* aliquota, const char* valorUnitario,
                                          const char* quantidade, const char* acrescimo,
                                          const char* desconto, const char*, const char* unidade) {
  const QString code = fromArg(codigo), desc = fromArg(descricao), tax = fromArg(aliquota),
                price = fromArg(valorUnitario), qty = fromArg(quantidade),
                plus = fromArg(acrescimo), minus = fromArg(desconto), unit = fromArg(unidade);
  return run("Bematech_FI_VendeItemDepartamento", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("cupom") || s.phase != QLatin1String("venda")) return refused(s);
    const auto p = parseFixed(price, 2);
    const auto q = parseFixed(qty, 3);
    const auto up = parseFixed(plus.isEmpty() ? QStringLiteral("0") : plus, 2);
    const auto down = parseFixed(minus.isEmpty() ? QStringLiteral("0") : minus, 2);
    const QString rate = rateCode(s, tax);
    if (!p || !q || !up || !down || *q == 0 || rate.isEmpty() || code.trimmed().isEmpty())
      return invalid();
    Item it;
    it.code = code.trimmed();
    it.description = (s.pendingDescription.isEmpty() ? desc : s.pendingDescription).trimmed();
    it.unit = (s.pendingUnit.isEmpty() ? unit : s.pendingUnit).trimmed();
    it.tax = rate;
    it.quantityMilli = *q;
    it.priceCents = *p;
    it.totalCents = (*q * *p + 500) / 1000 + *up - *down;
    s.pendingDescription.clear();
    s.pendingUnit.clear();
    s.items.append(it);
    sim.tape({QStringLiteral("%1 %2 %3").arg(digits(s.items.size(), 3), it.code, it.description).left(kWidth),
              QStringLiteral("     %1 %2 x %3   %4")
                      .arg(qty.trimmed(), it.unit, money(it.priceCents), it.tax)
                      .leftJustified(kWidth - 12)
                      .left(kWidth - 12) +
                  money(it.totalCents).rightJustified(12)});
    return Outcome{};
  });
}

int32_t Bematech_FI_UsaUnidadeMedida(const char* unidade) {
  const QString unit = fromArg(unidade);
  return run("Bematech_FI_UsaUnidadeMedida", Kind::Query, [&](Sim& sim) {
    if (!sim.docIs("cupom")) return refused(sim.s);
    sim.s.pendingUnit = unit.left(2);
    return Outcome{};
  });
}

int32_t Bematech_FI_AumentaDescricaoItem(const char* descricao) {
  const QString desc = fromArg(descricao);
  return run("Bematech_FI_AumentaDescricaoItem", Kind::Query, [&](Sim& sim) {
    if (!sim.docIs("cupom")) return refused(sim.s);
    sim.s.pendingDescription = desc.left(200);
    return Outcome{};
  });
}

int32_t Bematech_FI_CancelaItemGenerico(const char* item) {
  const QString n = fromArg(item);
  return run("Bematech_FI_CancelaItemGenerico", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    bool ok = false;
    const int index = n.trimmed().toInt(&ok);
    if (!sim.docIs("cupom") || s.phase != QLatin1String("venda")) return refused(s);
    if (!ok || index < 1 || index > s.items.size() || s.items[index - 1].cancelled) return invalid();
    s.items[index - 1].cancelled = true;
    s.dayTotals[QStringLiteral("CANC")] += s.items[index - 1].totalCents;
    sim.tape({QStringLiteral("CANCELAMENTO DO ITEM %1").arg(digits(index, 3)).leftJustified(kWidth - 12) +
              money(-s.items[index - 1].totalCents).rightJustified(12)});
    return Outcome{};
  });
}

int32_t Bematech_FI_CancelaCupom() {
  return run("Bematech_FI_CancelaCupom", Kind::Print, [](Sim& sim) {
    State& s = sim.s;
    if (sim.docIs("cupom")) {
      s.dayTotals[QStringLiteral("CANC")] += sim.couponTotal();
      sim.tape({QStringLiteral("CUPOM CANCELADO")});
      sim.footer(QStringLiteral("CANCELAMENTO"));
      ++s.cancelled;
      s.doc = QStringLiteral("nenhum");
      s.phase.clear();
      s.lastDocument = sim.now();
      return Outcome{};
    }
    if (!sim.docIs("nenhum") || !s.lastCouponCancellable) return refused(s);
    sim.newDocument();
    ++s.cancelled;
    s.dayTotals[QStringLiteral("CANC")] += s.lastCouponTotal;
    s.lastCouponCancellable = false;
    sim.header(QStringLiteral("CANCELAMENTO DE CUPOM FISCAL"), {});
    sim.tape({QStringLiteral("COO do cupom cancelado: ") + digits(s.lastCouponCoo, 6),
              QStringLiteral("Valor cancelado R$ ") + money(s.lastCouponTotal)});
    sim.footer(QStringLiteral("FIM"));
    return Outcome{};
  });
}

int32_t Bematech_FI_IniciaFechamentoCupom(const char* acrescimoDesconto, const char* tipo,
                                          const char* valor) {
  const QString ad = fromArg(acrescimoDesconto).trimmed().toUpper(), kind = fromArg(tipo).trimmed(),
                value = fromArg(valor);
  return run("Bematech_FI_IniciaFechamentoCupom", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("cupom") || s.phase != QLatin1String("venda") || sim.couponTotal() <= 0)
      return refused(s);
    const auto v = parseFixed(value.isEmpty() ? QStringLiteral("0") : value, 2);
    if (!v || (ad != QLatin1String("A") && ad != QLatin1String("D")) ||
        (kind != QLatin1String("$") && kind != QLatin1String("%")))
      return invalid();
    const qint64 subtotal = sim.couponTotal();
    const qint64 amount = kind == QLatin1String("%") ? (subtotal * *v + 5000) / 10000 : *v;
    s.adjust = ad == QLatin1String("A") ? amount : -amount;
    s.phase = QStringLiteral("pagamento");
    QStringList l{QStringLiteral("SUBTOTAL R$").leftJustified(kWidth - 14) + money(subtotal).rightJustified(14)};
    if (amount != 0)
      l << (ad == QLatin1String("A") ? QStringLiteral("ACRÉSCIMO") : QStringLiteral("DESCONTO"))
                   .leftJustified(kWidth - 14) +
               money(s.adjust).rightJustified(14);
    l << QStringLiteral("TOTAL R$").leftJustified(kWidth - 14) + money(sim.couponTotal()).rightJustified(14);
    sim.tape(l);
    return Outcome{};
  });
}

int32_t Bematech_FI_EfetuaFormaPagamento(const char* forma, const char* valor) {
  const QString form = fromArg(forma).trimmed(), value = fromArg(valor);
  return run("Bematech_FI_EfetuaFormaPagamento", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("cupom") || s.phase != QLatin1String("pagamento")) return refused(s);
    const auto v = parseFixed(value, 2);
    if (!v || !s.payments.contains(form, Qt::CaseInsensitive)) return invalid();
    s.paid += *v;
    sim.tape({form.leftJustified(kWidth - 14).left(kWidth - 14) + money(*v).rightJustified(14)});
    return Outcome{};
  });
}

int32_t Bematech_FI_TerminaFechamentoCupom(const char* mensagem) {
  const QString message = fromArg(mensagem);
  return run("Bematech_FI_TerminaFechamentoCupom", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("cupom") || s.phase != QLatin1String("pagamento") || s.paid < sim.couponTotal())
      return refused(s);
    if (!closeCoupon(sim, message)) return Outcome{-2, false, false, true};
    return Outcome{};
  });
}

int32_t Bematech_FI_FechaCupomResumido(const char* forma, const char* mensagem) {
  const QString form = fromArg(forma).trimmed(), message = fromArg(mensagem);
  return run("Bematech_FI_FechaCupomResumido", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("cupom") || s.phase != QLatin1String("venda") || sim.couponTotal() <= 0)
      return refused(s);
    if (!s.payments.contains(form, Qt::CaseInsensitive)) return invalid();
    s.paid = sim.couponTotal();
    sim.tape({QStringLiteral("TOTAL R$").leftJustified(kWidth - 14) + money(s.paid).rightJustified(14),
              form.leftJustified(kWidth - 14).left(kWidth - 14) + money(s.paid).rightJustified(14)});
    if (!closeCoupon(sim, message)) return Outcome{-2, false, false, true};
    return Outcome{};
  });
}

int32_t Bematech_FI_AbreRelatorioGerencialMFD(const char* indice) {
  const QString index = fromArg(indice).trimmed();
  return run("Bematech_FI_AbreRelatorioGerencialMFD", Kind::Print, [&](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    State& s = sim.s;
    sim.newDocument();
    ++s.gnf;
    ++s.grg;
    s.doc = QStringLiteral("relatorio");
    sim.header(QStringLiteral("RELATÓRIO GERENCIAL ") + (index.isEmpty() ? QStringLiteral("01") : index),
               {QStringLiteral("GNF:") + digits(s.gnf, 6), QStringLiteral("GRG:") + digits(s.grg, 6)});
    return Outcome{};
  });
}

int32_t Bematech_FI_UsaRelatorioGerencialMFD(const char* texto) {
  const QString text = fromArg(texto);
  return run("Bematech_FI_UsaRelatorioGerencialMFD", Kind::Print, [&](Sim& sim) {
    if (!sim.docIs("relatorio")) return refused(sim.s);
    sim.tape(Sim::wrap(text));
    return Outcome{};
  });
}

int32_t Bematech_FI_FechaRelatorioGerencial() {
  return run("Bematech_FI_FechaRelatorioGerencial", Kind::Print, [](Sim& sim) {
    if (!sim.docIs("relatorio")) return refused(sim.s);
    sim.footer(QStringLiteral("FIM DO RELATÓRIO GERENCIAL"));
    sim.s.doc = QStringLiteral("nenhum");
    sim.s.lastDocument = sim.now();
    return Outcome{};
  });
}

int32_t Bematech_FI_AbreComprovanteNaoFiscalVinculado(const char* forma, const char* valor,
                                                      const char* cupom) {
  const QString form = fromArg(forma).trimmed(), value = fromArg(valor), coupon = fromArg(cupom);
  return run("Bematech_FI_AbreComprovanteNaoFiscalVinculado", Kind::Print, [&](Sim& sim) {
    State& s = sim.s;
    if (!sim.docIs("nenhum") || s.lastCouponCoo == 0) return refused(s);
    bool ok = false;
    const int coo = coupon.trimmed().toInt(&ok);
    const auto v = value.trimmed().isEmpty() ? std::optional<qint64>(0) : parseFixed(value, 2);
    if (!ok || coo != s.lastCouponCoo || !v) return invalid();
    sim.newDocument();
    ++s.gnf;
    ++s.cdc;
    s.doc = QStringLiteral("vinculado");
    sim.header(QStringLiteral("COMPROVANTE NÃO FISCAL VINCULADO"),
               {QStringLiteral("GNF:") + digits(s.gnf, 6), QStringLiteral("CDC:") + digits(s.cdc, 4)});
    sim.tape({QStringLiteral("COO do cupom: %1  %2 R$ %3").arg(digits(coo, 6), form, money(*v))});
    return Outcome{};
  });
}

int32_t Bematech_FI_UsaComprovanteNaoFiscalVinculado(const char* texto) {
  const QString text = fromArg(texto);
  return run("Bematech_FI_UsaComprovanteNaoFiscalVinculado", Kind::Print, [&](Sim& sim) {
    if (!sim.docIs("vinculado")) return refused(sim.s);
    sim.tape(Sim::wrap(text));
    return Outcome{};
  });
}

int32_t Bematech_FI_FechaComprovanteNaoFiscalVinculado() {
  return run("Bematech_FI_FechaComprovanteNaoFiscalVinculado", Kind::Print, [](Sim& sim) {
    if (!sim.docIs("vinculado")) return refused(sim.s);
    sim.footer(QStringLiteral("FIM DO COMPROVANTE VINCULADO"));
    sim.s.doc = QStringLiteral("nenhum");
    sim.s.lastDocument = sim.now();
    return Outcome{};
  });
}

int32_t Bematech_FI_AcionaGaveta() {
  return run("Bematech_FI_AcionaGaveta", Kind::Query, [](Sim&) { return Outcome{}; });
}

int32_t Bematech_FI_Sangria(const char* valor) {
  const QString value = fromArg(valor);
  return run("Bematech_FI_Sangria", Kind::Print, [&](Sim& sim) {
    return nonFiscalAmount(sim, QStringLiteral("SANGRIA"), value, &State::daySangria);
  });
}

int32_t Bematech_FI_Suprimento(const char* valor, const char* forma) {
  const QString value = fromArg(valor), form = fromArg(forma);
  return run("Bematech_FI_Suprimento", Kind::Print, [&](Sim& sim) {
    return nonFiscalAmount(sim, QStringLiteral("SUPRIMENTO (") + form.trimmed() + u')', value,
                           &State::daySuprimento);
  });
}

int32_t Bematech_FI_ImprimeCheque(const char* banco, const char* valor, const char* favorecido,
                                  const char* cidade, const char* data, const char* mensagem) {
  const QStringList f{fromArg(banco), fromArg(valor), fromArg(favorecido), fromArg(cidade),
                      fromArg(data), fromArg(mensagem)};
  return run("Bematech_FI_ImprimeCheque", Kind::Query, [&](Sim& sim) {
    if (!parseFixed(f[1], 2)) return invalid();
    // The cheque goes through the printer's cheque slot, not onto the roll;
    // the tape notes it so that the run can be followed.
    sim.tape({QStringLiteral("[cheque impresso: banco %1, R$ %2, a %3, %4, %5 %6]")
                  .arg(f[0].trimmed(), f[1].trimmed(), f[2].trimmed(), f[3].trimmed(), f[4].trimmed(),
                       f[5].trimmed()),
              QString()});
    return Outcome{};
  });
}

int32_t Bematech_FI_ProgramaAliquota(const char* aliquota, int32_t vinculo) {
  const QString rate = fromArg(aliquota).trimmed();
  return run("Bematech_FI_ProgramaAliquota", Kind::Query, [&](Sim& sim) {
    State& s = sim.s;
    const auto v = parseFixed(rate, 2);
    if (!v || *v <= 0 || *v >= 10000 || (vinculo != 0 && vinculo != 1)) return invalid();
    const QString code = (vinculo == 1 ? QStringLiteral("S") : QStringLiteral("T")) + digits(*v, 4);
    if (s.rates.size() >= kMaxRates && !s.rates.contains(code)) return refused(s);
    if (!s.rates.contains(code)) s.rates.append(code);
    return Outcome{};
  });
}

int32_t Bematech_FI_ProgramaHorarioVerao() {
  return run("Bematech_FI_ProgramaHorarioVerao", Kind::Query, [](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    sim.s.summerTime = !sim.s.summerTime;
    sim.s.clockOffset += sim.s.summerTime ? 3600 : -3600;
    return Outcome{};
  });
}

int32_t Bematech_FI_ImprimeConfiguracoesImpressora() {
  return run("Bematech_FI_ImprimeConfiguracoesImpressora", Kind::Print, [](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    State& s = sim.s;
    sim.newDocument();
    ++s.gnf;
    sim.header(QStringLiteral("CONFIGURAÇÕES DA IMPRESSORA"), {});
    sim.tape({QStringLiteral("Modelo %1  firmware %2").arg(s.model, s.firmware),
              QStringLiteral("Alíquotas: ") + s.rates.join(QStringLiteral(" ")),
              QStringLiteral("Formas de pagamento: ") + s.payments.join(QStringLiteral(", ")),
              QStringLiteral("Horário de verão: ") + (s.summerTime ? QStringLiteral("sim") : QStringLiteral("não"))});
    sim.footer(QStringLiteral("FIM"));
    return Outcome{};
  });
}

int32_t Bematech_FI_RelatorioTipo60Mestre() {
  return run("Bematech_FI_RelatorioTipo60Mestre", Kind::Query,
             [](Sim& sim) { return writeReturnFile(reductionRecord60(sim.s, true)); });
}

int32_t Bematech_FI_RelatorioTipo60Analitico() {
  return run("Bematech_FI_RelatorioTipo60Analitico", Kind::Query,
             [](Sim& sim) { return writeReturnFile(reductionRecord60(sim.s, false)); });
}

int32_t Bematech_FI_RegistrosTipo60() {
  return run("Bematech_FI_RegistrosTipo60", Kind::Query, [](Sim& sim) {
    return writeReturnFile(reductionRecord60(sim.s, true) + reductionRecord60(sim.s, false));
  });
}

int32_t Bematech_FI_HabilitaDesabilitaRetornoEstendidoMFD(const char* flag) {
  const QString f = fromArg(flag).trimmed();
  return run("Bematech_FI_HabilitaDesabilitaRetornoEstendidoMFD", Kind::Local, [&](Sim&) {
    return f == QLatin1String("0") || f == QLatin1String("1") ? Outcome{} : Outcome{-2, false, false, true};
  });
}

namespace {
int32_t printedReading(const char* function, const char* inicio, const char* fim, const QString& title) {
  const QString from = fromArg(inicio), to = fromArg(fim);
  return run(function, Kind::Print, [&](Sim& sim) {
    if (!sim.docIs("nenhum")) return refused(sim.s);
    if (from.trimmed().isEmpty() || to.trimmed().isEmpty()) return invalid();
    sim.newDocument();
    ++sim.s.gnf;
    sim.header(title, {});
    sim.tape(fiscalMemoryLines(sim.s, from, to));
    sim.footer(QStringLiteral("FIM DA LEITURA"));
    return Outcome{};
  });
}
int32_t serialReading(const char* function, const char* inicio, const char* fim) {
  const QString from = fromArg(inicio), to = fromArg(fim);
  return run(function, Kind::Query, [&](Sim& sim) {
    if (from.trimmed().isEmpty() || to.trimmed().isEmpty()) return invalid();
    return writeReturnFile(QStringList{QStringLiteral("LEITURA DA MEMÓRIA FISCAL (SIMULADA)"),
                                       QStringLiteral("ECF %1 %2").arg(sim.s.model, sim.s.serial)} +
                           fiscalMemoryLines(sim.s, from, to));
  });
}
}  // namespace

int32_t Bematech_FI_LeituraMemoriaFiscalData(const char* inicio, const char* fim) {
  return printedReading("Bematech_FI_LeituraMemoriaFiscalData", inicio, fim,
                        QStringLiteral("LEITURA DA MEMÓRIA FISCAL POR DATA"));
}
int32_t Bematech_FI_LeituraMemoriaFiscalReducao(const char* inicio, const char* fim) {
  return printedReading("Bematech_FI_LeituraMemoriaFiscalReducao", inicio, fim,
                        QStringLiteral("LEITURA DA MEMÓRIA FISCAL POR CRZ"));
}
int32_t Bematech_FI_LeituraMemoriaFiscalSerialData(const char* inicio, const char* fim) {
  return serialReading("Bematech_FI_LeituraMemoriaFiscalSerialData", inicio, fim);
}
int32_t Bematech_FI_LeituraMemoriaFiscalSerialReducao(const char* inicio, const char* fim) {
  return serialReading("Bematech_FI_LeituraMemoriaFiscalSerialReducao", inicio, fim);
}
int32_t Bematech_FI_LeituraMemoriaFiscalDataMFD(const char* inicio, const char* fim, const char*) {
  return printedReading("Bematech_FI_LeituraMemoriaFiscalDataMFD", inicio, fim,
                        QStringLiteral("LEITURA DA MEMÓRIA FISCAL POR DATA"));
}
int32_t Bematech_FI_LeituraMemoriaFiscalReducaoMFD(const char* inicio, const char* fim, const char*) {
  return printedReading("Bematech_FI_LeituraMemoriaFiscalReducaoMFD", inicio, fim,
                        QStringLiteral("LEITURA DA MEMÓRIA FISCAL POR CRZ"));
}
int32_t Bematech_FI_LeituraMemoriaFiscalSerialDataMFD(const char* inicio, const char* fim, const char*) {
  return serialReading("Bematech_FI_LeituraMemoriaFiscalSerialDataMFD", inicio, fim);
}
int32_t Bematech_FI_LeituraMemoriaFiscalSerialReducaoMFD(const char* inicio, const char* fim,
                                                         const char*) {
  return serialReading("Bematech_FI_LeituraMemoriaFiscalSerialReducaoMFD", inicio, fim);
}

int32_t Bematech_FI_DownloadMFD(const char* arquivo, const char* tipo, const char* inicio,
                                const char* fim, const char*) {
  const QString file = fromArg(arquivo), kind = fromArg(tipo).trimmed(), from = fromArg(inicio),
                to = fromArg(fim);
  return run("Bematech_FI_DownloadMFD", Kind::Query, [&](Sim& sim) {
    if (file.trimmed().isEmpty() || (kind != QLatin1String("1") && kind != QLatin1String("2")))
      return Outcome{0, false, false, true};
    // The detail memory of this printer is its paper tape.
    QStringList lines{QStringLiteral("MFD SIMULADA %1 %2 %3 %4 a %5")
                          .arg(sim.s.model, sim.s.serial,
                               kind == QLatin1String("1") ? QStringLiteral("datas") : QStringLiteral("COO"),
                               from.trimmed(), to.trimmed())};
    QFile tape(tapePath());
    if (tape.open(QIODevice::ReadOnly)) lines += QString::fromUtf8(tape.readAll()).split(u'\n');
    return writeFile(resolveFile(file), lines) ? Outcome{} : Outcome{0, false};
  });
}

int32_t Bematech_FI_FormatoDadosMFD(const char* origem, const char* destino, const char*,
                                    const char*, const char* inicio, const char* fim, const char*) {
  const QString from = fromArg(origem), to = fromArg(destino), first = fromArg(inicio),
                last = fromArg(fim);
  return run("Bematech_FI_FormatoDadosMFD", Kind::Local, [&](Sim&) {
    QFile in(resolveFile(from));
    if (from.isEmpty() || to.isEmpty() || !in.open(QIODevice::ReadOnly)) return Outcome{-1, false};
    QStringList lines{QStringLiteral("ESPELHO DA MFD (SIMULADA) %1 a %2").arg(first.trimmed(), last.trimmed())};
    lines += platform::fromAnsi(in.readAll()).split(QStringLiteral("\r\n"));
    return writeFile(resolveFile(to), lines) ? Outcome{} : Outcome{-1, false};
  });
}

int32_t Bematech_FI_ArquivoMFD(const char*, const char* inicio, const char* fim, const char* tipo,
                               const char*, int32_t, const char*, const char*, int32_t) {
  const QString from = fromArg(inicio), to = fromArg(fim), kind = fromArg(tipo);
  return run("Bematech_FI_ArquivoMFD", Kind::Query, [&](Sim& sim) {
    return writeFile(directory() + QStringLiteral("/ARQUIVO_MFD.TXT"),
                     {QStringLiteral("ARQUIVO DA MFD (SIMULADO) %1 %2 %3 a %4")
                          .arg(sim.s.serial, kind.trimmed(), from.trimmed(), to.trimmed())})
               ? Outcome{}
               : Outcome{-8, false};
  });
}

int32_t BemaGeraRegistrosTipoE(const char* a1, const char* a2, const char* a3, const char* a4,
                               const char* a5, const char* a6, const char*, const char* a8,
                               const char*, const char*, const char*, const char*, const char*,
                               const char*, const char*, const char*, const char*, const char*,
                               const char*, const char*, const char*) {
  const QString from = fromArg(a1), to = fromArg(a2), first = fromArg(a3), last = fromArg(a4),
                name = fromArg(a5), address = fromArg(a6), kind = fromArg(a8);
  return run("BemaGeraRegistrosTipoE", Kind::Local, [&](Sim& sim) {
    if (!QFile::exists(resolveFile(from)) || to.isEmpty()) return Outcome{-1, false};
    const State& s = sim.s;
    return writeFile(resolveFile(to),
                     {QStringLiteral("E01") + s.serial.leftJustified(20) + QStringLiteral("MF ") +
                          s.model.leftJustified(20) + name.left(40).leftJustified(40) +
                          address.left(120).leftJustified(120),
                      QStringLiteral("E02") + first.trimmed() + u' ' + last.trimmed() + u' ' + kind.trimmed(),
                      QStringLiteral("E14") + s.serial.leftJustified(20) + digits(s.coo, 6) +
                          digits(s.grandTotal, 14)})
               ? Outcome{}
               : Outcome{-1, false};
  });
}

int32_t Bematech_FI_NumeroCupom(char* coo6) {
  return run("Bematech_FI_NumeroCupom", Kind::Query, [&](Sim& sim) {
    fill(coo6, 6, digits(sim.s.coo, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_NumeroReducoes(char* crz6) {
  return run("Bematech_FI_NumeroReducoes", Kind::Query, [&](Sim& sim) {
    fill(crz6, 6, digits(sim.s.crz, 4));
    return Outcome{};
  });
}
int32_t Bematech_FI_NumeroOperacoesNaoFiscais(char* gnf6) {
  return run("Bematech_FI_NumeroOperacoesNaoFiscais", Kind::Query, [&](Sim& sim) {
    fill(gnf6, 6, digits(sim.s.gnf, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_ContadorCupomFiscalMFD(char* ccf6) {
  return run("Bematech_FI_ContadorCupomFiscalMFD", Kind::Query, [&](Sim& sim) {
    fill(ccf6, 6, digits(sim.s.ccf, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_ContadorRelatoriosGerenciaisMFD(char* grg6) {
  return run("Bematech_FI_ContadorRelatoriosGerenciaisMFD", Kind::Query, [&](Sim& sim) {
    fill(grg6, 6, digits(sim.s.grg, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_ContadorComprovantesCreditoMFD(char* cdc6) {
  return run("Bematech_FI_ContadorComprovantesCreditoMFD", Kind::Query, [&](Sim& sim) {
    fill(cdc6, 6, digits(sim.s.cdc, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_DataMovimentoUltimaReducaoMFD(char* data6) {
  return run("Bematech_FI_DataMovimentoUltimaReducaoMFD", Kind::Query, [&](Sim& sim) {
    const QDate d = sim.s.reductions.isEmpty() ? QDate() : sim.s.reductions.last().movement;
    fill(data6, 6, d.isValid() ? d.toString(QStringLiteral("ddMMyy")) : QStringLiteral("000000"));
    return Outcome{};
  });
}
int32_t Bematech_FI_NumeroCuponsCancelados(char* can4) {
  return run("Bematech_FI_NumeroCuponsCancelados", Kind::Query, [&](Sim& sim) {
    fill(can4, 4, digits(sim.s.cancelled, 4));
    return Outcome{};
  });
}
int32_t Bematech_FI_VersaoFirmware(char* versao4) {
  return run("Bematech_FI_VersaoFirmware", Kind::Query, [&](Sim& sim) {
    fill(versao4, 4, sim.s.firmware.left(4));
    return Outcome{};
  });
}
int32_t Bematech_FI_VersaoFirmwareMFD(char* versao10) {
  return run("Bematech_FI_VersaoFirmwareMFD", Kind::Query, [&](Sim& sim) {
    fill(versao10, 10, sim.s.firmware);
    return Outcome{};
  });
}
int32_t Bematech_FI_ModeloImpressora(char* modelo10) {
  // This one answers 0 on failure, unlike the commands.
  const int32_t r = run("Bematech_FI_ModeloImpressora", Kind::Query, [&](Sim& sim) {
    fill(modelo10, 10, sim.s.model);
    return Outcome{};
  });
  return r == 1 ? 1 : 0;
}
int32_t Bematech_FI_NumeroSerie(char* serie15) {
  return run("Bematech_FI_NumeroSerie", Kind::Query, [&](Sim& sim) {
    fill(serie15, 15, sim.s.serial.right(15));
    return Outcome{};
  });
}
int32_t Bematech_FI_NumeroSerieMFD(char* serie20) {
  return run("Bematech_FI_NumeroSerieMFD", Kind::Query, [&](Sim& sim) {
    fill(serie20, 20, sim.s.serial);
    return Outcome{};
  });
}
int32_t Bematech_FI_DataHoraImpressora(char* data6, char* hora6) {
  return run("Bematech_FI_DataHoraImpressora", Kind::Query, [&](Sim& sim) {
    const QDateTime t = sim.now();
    fill(data6, 6, t.toString(QStringLiteral("ddMMyy")));
    fill(hora6, 6, t.toString(QStringLiteral("HHmmss")));
    return Outcome{};
  });
}
int32_t Bematech_FI_DataHoraReducao(char* data6, char* hora6) {
  return run("Bematech_FI_DataHoraReducao", Kind::Query, [&](Sim& sim) {
    const QDateTime t = sim.s.reductions.isEmpty() ? QDateTime() : sim.s.reductions.last().when;
    fill(data6, 6, t.isValid() ? t.toString(QStringLiteral("ddMMyy")) : QStringLiteral("000000"));
    fill(hora6, 6, t.isValid() ? t.toString(QStringLiteral("HHmmss")) : QStringLiteral("000000"));
    return Outcome{};
  });
}
int32_t Bematech_FI_DataHoraUltimoDocumentoMFD(char* dataHora12) {
  return run("Bematech_FI_DataHoraUltimoDocumentoMFD", Kind::Query, [&](Sim& sim) {
    const QDateTime t = sim.s.lastDocument;
    fill(dataHora12, 12,
         t.isValid() ? t.toString(QStringLiteral("ddMMyyHHmmss")) : QStringLiteral("000000000000"));
    return Outcome{};
  });
}
int32_t Bematech_FI_InicioFimCOOsMFD(char* inicial6, char* final6) {
  return run("Bematech_FI_InicioFimCOOsMFD", Kind::Query, [&](Sim& sim) {
    fill(inicial6, 6, digits(sim.s.coo > 0 ? 1 : 0, 6));
    fill(final6, 6, digits(sim.s.coo, 6));
    return Outcome{};
  });
}
int32_t Bematech_FI_SubTotal(char* subtotal14) {
  return run("Bematech_FI_SubTotal", Kind::Query, [&](Sim& sim) {
    fill(subtotal14, 14, digits(sim.docIs("cupom") ? sim.couponTotal() : 0, 14));
    return Outcome{};
  });
}
int32_t Bematech_FI_GrandeTotal(char* total18) {
  return run("Bematech_FI_GrandeTotal", Kind::Query, [&](Sim& sim) {
    fill(total18, 18, digits(sim.s.grandTotal, 18));
    return Outcome{};
  });
}
int32_t Bematech_FI_RetornoAliquotas(char* aliquotas79) {
  return run("Bematech_FI_RetornoAliquotas", Kind::Query, [&](Sim& sim) {
    QStringList l;
    for (int i = 0; i < kMaxRates; ++i) l << (i < sim.s.rates.size() ? sim.s.rates[i].mid(1, 4) : QStringLiteral("0000"));
    fill(aliquotas79, 79, l.join(u','));
    return Outcome{};
  });
}
int32_t Bematech_FI_VerificaIndiceAliquotasIss(char* indices48) {
  return run("Bematech_FI_VerificaIndiceAliquotasIss", Kind::Query, [&](Sim& sim) {
    QStringList l;
    for (int i = 0; i < sim.s.rates.size(); ++i)
      if (sim.s.rates[i].startsWith(u'S')) l << digits(i + 1, 2);
    fill(indices48, 48, l.join(u','));
    return Outcome{};
  });
}
int32_t Bematech_FI_VerificaFormasPagamento(char* formas3016) {
  // 52 entries of 58 characters: description (16), two amounts (20 each),
  // the linked-receipt flag (1) and a comma.
  return run("Bematech_FI_VerificaFormasPagamento", Kind::Query, [&](Sim& sim) {
    QString out;
    for (int i = 0; i < 52; ++i) {
      const QString name = i < sim.s.payments.size() ? sim.s.payments[i] : QString();
      out += name.leftJustified(16, u' ', true) + digits(0, 20) + digits(0, 20) +
             (name.isEmpty() ? u'0' : u'1') + u',';
    }
    fill(formas3016, 3016, out);
    return Outcome{};
  });
}
int32_t Bematech_FI_DadosUltimaReducao(char* dados631) {
  return run("Bematech_FI_DadosUltimaReducao", Kind::Query, [&](Sim& sim) {
    const State& s = sim.s;
    const Reduction r = s.reductions.isEmpty() ? Reduction{} : s.reductions.last();
    QString out = QStringLiteral("00,") + digits(s.cro, 4) + u',' + digits(r.crz, 4) + u',' +
                  digits(r.coo, 6) + u',' + digits(r.grandTotalCents, 18) + u',' + digits(r.grossCents, 14);
    fill(dados631, 631, out.leftJustified(631, u'0'));
    return Outcome{};
  });
}
int32_t Bematech_FI_DadosUltimaReducaoMFD(char* dados1279) {
  return run("Bematech_FI_DadosUltimaReducaoMFD", Kind::Query, [&](Sim& sim) {
    const State& s = sim.s;
    const Reduction r = s.reductions.isEmpty() ? Reduction{} : s.reductions.last();
    QString rec(1278, u'0');
    auto put = [&](int position, const QString& text) { rec.replace(position - 1, text.size(), text); };
    for (int comma : {3, 8, 13, 20, 27, 34, 41, 48, 315, 334}) put(comma, QStringLiteral(","));
    put(1, QStringLiteral("00"));
    put(4, digits(s.cro, 4));
    put(9, digits(r.crz, 4));
    put(14, digits(r.coo, 6));
    put(21, digits(s.gnf, 6));
    put(28, digits(s.ccf, 6));
    put(35, digits(s.grg, 6));
    put(42, digits(s.cdc, 6));
    put(316, digits(r.grandTotalCents, 18));
    // The day's sales as the first tax rate's partial total.
    put(335, digits(r.grossCents, 14));
    for (int i = 0; i < kMaxRates && i < s.rates.size(); ++i) put(1208 + 4 * i, s.rates[i].mid(1, 4));
    if (r.movement.isValid()) put(1273, r.movement.toString(QStringLiteral("ddMMyy")));
    fill(dados1279, 1279, rec);
    return Outcome{};
  });
}
int32_t Bematech_FI_DataHoraGravacaoUsuarioSWBasicoMFAdicional(char* dataUsuario19,
                                                               char* dataSoftware19, uint16_t* letra) {
  return run("Bematech_FI_DataHoraGravacaoUsuarioSWBasicoMFAdicional", Kind::Query, [&](Sim&) {
    fill(dataUsuario19, 19, QStringLiteral("01/01/2025 08:00:00"));
    fill(dataSoftware19, 19, QStringLiteral("010124090000"));
    if (letra) *letra = u' ';  // no additional fiscal memory
    return Outcome{};
  });
}
int32_t Bematech_FI_VerificaReducaoZAutomatica(int32_t* automatica) {
  return run("Bematech_FI_VerificaReducaoZAutomatica", Kind::Query, [&](Sim&) {
    if (automatica) *automatica = 0;  // the simulator never reduces by itself
    return Outcome{};
  });
}

int32_t md5FromFile(const char* arquivo, char* md5_32) {
  const QString file = fromArg(arquivo);
  return run("md5FromFile", Kind::Local, [&](Sim&) {
    QFile f(resolveFile(file));
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly)) return Outcome{0, false};
    QCryptographicHash h(QCryptographicHash::Md5);
    h.addData(&f);
    fill(md5_32, 32, QString::fromLatin1(h.result().toHex().toUpper()));
    return Outcome{};
  });
}

int32_t generateEAD(const char* arquivo, const char* chavePublica, const char* chavePrivada,
                    char* ead256, int32_t) {
  const QString file = fromArg(arquivo);
  const QByteArray key = QByteArray(chavePublica ? chavePublica : "") + (chavePrivada ? chavePrivada : "");
  return run("generateEAD", Kind::Local, [&](Sim&) {
    QFile f(resolveFile(file));
    if (file.isEmpty() || !f.open(QIODevice::ReadWrite | QIODevice::Append)) return Outcome{0, false};
    QFile reader(resolveFile(file));
    if (!reader.open(QIODevice::ReadOnly)) return Outcome{0, false};
    const QByteArray content = reader.readAll();
    // Not an RSA signature: a keyed digest of the right length, so that the
    // record has the form of a real one and is visibly the simulator's.
    QByteArray hex;
    QByteArray block = content + key;
    while (hex.size() < 256) {
      block = QCryptographicHash::hash(block, QCryptographicHash::Sha512);
      hex += block.toHex().toUpper();
    }
    hex = hex.left(256);
    if (!content.isEmpty() && !content.endsWith('\n')) f.write("\r\n");
    f.write("EAD" + hex + "\r\n");
    fill(ead256, 256, QString::fromLatin1(hex));
    return Outcome{};
  });
}

// --- management -------------------------------------------------------------

Snapshot snapshot() {
  FolderLock lock;
  const State s = loadState();
  Snapshot out;
  out.coo = s.coo;
  out.crz = s.crz;
  out.cro = s.cro;
  out.gnf = s.gnf;
  out.grg = s.grg;
  out.ccf = s.ccf;
  out.cdc = s.cdc;
  out.cancelled = s.cancelled;
  out.grandTotalCents = s.grandTotal;
  out.openDocument = s.doc;
  if (s.doc == QLatin1String("cupom")) {
    Sim sim;
    sim.s = s;
    out.couponSubtotalCents = sim.couponTotal();
  }
  out.clockOffsetSeconds = s.clockOffset;
  out.lastDocument = s.lastDocument.isValid()
                         ? s.lastDocument.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                         : QString();
  out.serial = s.serial;
  out.model = s.model;
  out.ack = s.ack;
  out.status1 = s.st1;
  out.status2 = s.st2;
  out.faults = s.faults;
  return out;
}

void setFaults(const Faults& faults) {
  FolderLock lock;
  State s = loadState();
  s.faults = faults;
  saveState(s);
}

void setClockOffset(int seconds) {
  FolderLock lock;
  State s = loadState();
  s.clockOffset = seconds;
  saveState(s);
}

void leaveCouponOpen() {
  if (snapshot().openDocument == QLatin1String("cupom")) return;
  if (Bematech_FI_AbreCupom(nullptr) != 1 || snapshot().openDocument != QLatin1String("cupom"))
    throw platform::Error(QStringLiteral("Impressora simulada: não foi possível abrir um cupom "
                                         "(há outro documento aberto ou uma falha ativa)."));
}

namespace {

void check(int32_t code, const char* what) {
  const Snapshot s = snapshot();
  if (code != 1 || s.ack != 6 || (s.status2 & 1) != 0)
    throw platform::Error(QStringLiteral("Impressora simulada recusou %1 (retorno %2, ACK %3, "
                                         "ST1 %4, ST2 %5).")
                              .arg(QString::fromLatin1(what))
                              .arg(code)
                              .arg(s.ack)
                              .arg(s.status1)
                              .arg(s.status2));
}

void sellAndClose(const QList<SaleItem>& items, const QString& payment) {
  for (const SaleItem& it : items) {
    const QByteArray code = platform::toAnsi(it.code), desc = platform::toAnsi(it.description),
                     tax = platform::toAnsi(it.taxCode), price = platform::toAnsi(it.unitPrice),
                     qty = platform::toAnsi(it.quantity), unit = QByteArrayLiteral("UN");
    check(Bematech_FI_VendeItemDepartamento(code.constData(), desc.constData(), tax.constData(),
                                            price.constData(), qty.constData(), "0", "0", "01",
                                            unit.constData()),
          "a venda do item");
  }
  const QByteArray form = platform::toAnsi(payment);
  check(Bematech_FI_FechaCupomResumido(form.constData(), nullptr), "o fechamento do cupom");
}

}  // namespace

int registerSale(const QList<SaleItem>& items, const QString& payment) {
  if (items.isEmpty()) throw platform::Error(QStringLiteral("Venda sem itens."));
  check(Bematech_FI_AbreCupom(nullptr), "a abertura do cupom");
  const int coo = snapshot().coo;
  try {
    sellAndClose(items, payment);
  } catch (const platform::Error& e) {
    // A sale refused half-way must not leave the printer blocked by its coupon.
    const bool cancelled = Bematech_FI_CancelaCupom() == 1 &&
                           snapshot().openDocument == QLatin1String("nenhum");
    const QString coupon = QStringLiteral("%1").arg(coo, 6, 10, QLatin1Char('0'));
    throw platform::Error(e.message() + (cancelled ? QStringLiteral(" O cupom %1 foi cancelado.")
                                                   : QStringLiteral(" O cupom %1 continua aberto."))
                                            .arg(coupon));
  }
  return coo;
}

}  // namespace ecfsim
