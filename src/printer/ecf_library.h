// The binding to the fiscal printer's vendor library: one table of C function
// pointers with the vendor's exact signatures (ecf_abi.h).
//
// QX_ECF_LIBRARY chooses what the table points at:
//   a path      a vendor-compatible shared library, loaded with dlopen; every
//               function must resolve, a missing one is an error naming it;
//   simulador   the simulated printer linked into the program;
//   unset/empty no library: using the printer is an error that says so.
// There is no silent fallback from one to another.
#ifndef QX_PRINTER_ECF_LIBRARY_H_
#define QX_PRINTER_ECF_LIBRARY_H_

#include "printer/ecf_abi.h"

#include <QString>

namespace printer {

struct EcfLibrary {
#define QX_ECF_POINTER(name, params, args) int32_t (*name) params = nullptr;
  QX_ECF_FUNCTIONS(QX_ECF_POINTER)
#undef QX_ECF_POINTER
};

// The names of every function of the table, in table order.
const QStringList& ecfFunctionNames();

enum class EcfOrigin { None, Simulator, SharedLibrary, Installed };

// The bound library, binding it on first use from QX_ECF_LIBRARY. Throws
// platform::Error with a Portuguese text when there is no library, when the
// file cannot be loaded, or when a function is missing (named in the text).
// The table stays valid for the life of the process.
const EcfLibrary& ecfLibrary();

// Loads a vendor-compatible shared library and resolves every function.
// Throws platform::Error naming the file, or the first missing function.
// The library stays loaded for the life of the process.
EcfLibrary loadEcfLibrary(const QString& path);

// The simulated printer's table.
const EcfLibrary& simulatorLibrary();

// What is bound, for the operator and the support technician, e.g.
// "Impressora fiscal SIMULADA (QX_ECF_LIBRARY=simulador)". Never throws.
QString ecfLibraryDescription();
EcfOrigin ecfLibraryOrigin();  // without binding: what QX_ECF_LIBRARY asks for

// Tests install a table of their own; nullptr goes back to QX_ECF_LIBRARY.
// The caller keeps the table alive while it is installed.
void installEcfLibrary(const EcfLibrary* library);

}  // namespace printer

#endif  // QX_PRINTER_ECF_LIBRARY_H_
