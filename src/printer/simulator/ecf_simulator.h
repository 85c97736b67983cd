// A simulated Bematech-style fiscal printer (ECF) behind the vendor's C
// interface (printer/ecf_abi.h). It is a stand-in for the vendor library, not
// part of the system: it knows nothing of the workflows.
//
// Every call locks the state file, reads it, acts, and writes it back, so
// consecutive runs, and the ecf-sim tool beside a running program, go on
// counting from the same COO. Everything printed is appended to the paper
// tape "bobina.txt" (UTF-8), one header per document, marked as simulated.
//
// Both files live in the simulator's folder: $QX_ECF_SIM_DIR when set, else
// the program folder (platform/paths.h).
//
// Status bytes, as RetornoImpressora reports them for the last command:
//   acknowledge 6, or 21 under the "nak" fault (the command is not executed);
//   status 1 bit 7 paper out (with every command; printing ones are not
//   executed), bit 6
//   paper low, bit 1 a fiscal coupon is open and stopped the command, bit 0 an
//   invalid parameter; status 2 bit 0 the command was not executed.
// Return codes: 1 the command reached the printer (see the status), -6 the
// printer is off, -2 a parameter that does not parse, or the code injected for
// that function in the state file ("falha.retorno.<função>=<código>").
#ifndef QX_PRINTER_SIMULATOR_ECF_SIMULATOR_H_
#define QX_PRINTER_SIMULATOR_ECF_SIMULATOR_H_

#include "printer/ecf_abi.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace ecfsim {

#define QX_ECF_SIM_DECLARE(name, params, args) int32_t name params;
QX_ECF_FUNCTIONS(QX_ECF_SIM_DECLARE)
#undef QX_ECF_SIM_DECLARE

QString directory();  // $QX_ECF_SIM_DIR or the program folder
QString statePath();  // directory() + "/ecf-simulador.ini"
QString tapePath();   // directory() + "/bobina.txt"

// Injected faults, kept in the state file until cleared.
enum class Paper { Normal, Low, Out };
struct Faults {
  bool off = false;                // the printer is switched off: -6 from every command
  Paper paper = Paper::Normal;
  bool nak = false;                // every command refused with acknowledge 21
  QMap<QString, int> returnCodes;  // function name -> code it returns without acting
};

// What the state file holds, as the tool shows it.
struct Snapshot {
  int coo = 0, crz = 0, cro = 0, gnf = 0, grg = 0, ccf = 0, cdc = 0, cancelled = 0;
  qint64 grandTotalCents = 0;
  QString openDocument;  // "nenhum", "cupom", "relatorio", "vinculado"
  qint64 couponSubtotalCents = 0;
  int clockOffsetSeconds = 0;
  QString lastDocument;  // dd/mm/yyyy hh:mm:ss, empty before the first one
  QString serial, model;
  int ack = 0, status1 = 0, status2 = 0;  // of the last command
  Faults faults;
};

// Both throw platform::Error naming the file when it cannot be read/written.
Snapshot snapshot();
void setFaults(const Faults& faults);
void setClockOffset(int seconds);
// Leaves a fiscal coupon open, as a sale interrupted half-way would.
void leaveCouponOpen();

struct SaleItem {
  QString code;
  QString description;
  QString taxCode = QStringLiteral("FF");  // "FF" substitution, "II" exempt, "T1800" ...
  QString quantity = QStringLiteral("1");
  QString unitPrice;                       // "12,50"
};

// Registers a sale the way the shop's sales system does when it prints a
// coupon: open, one item line each, closed in cash. Answers the coupon's COO,
// or throws platform::Error saying which command the printer refused; a
// coupon refused after its opening is cancelled, so that it does not block
// the printer.
int registerSale(const QList<SaleItem>& items, const QString& payment = QStringLiteral("Dinheiro"));

}  // namespace ecfsim

#endif  // QX_PRINTER_SIMULATOR_ECF_SIMULATOR_H_
