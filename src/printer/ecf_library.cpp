#include "printer/ecf_library.h"

#include "platform/error.h"
#include "printer/simulator/ecf_simulator.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

#include <map>
#include <optional>

namespace printer {

namespace {

const char* const kVariable = "QX_ECF_LIBRARY";
const char* const kSimulatorName = "simulador";

const EcfLibrary* installed = nullptr;

struct Binding {
  QString request;                 // the value of QX_ECF_LIBRARY it was made for
  std::optional<EcfLibrary> table;
  QString error;
};

Binding& binding() {
  static Binding b;
  return b;
}

QString requested() { return QString::fromLocal8Bit(qgetenv(kVariable)).trimmed(); }

EcfLibrary makeSimulatorTable() {
  EcfLibrary t;
#define QX_ECF_BIND_SIM(name, params, args) t.name = &ecfsim::name;
  QX_ECF_FUNCTIONS(QX_ECF_BIND_SIM)
#undef QX_ECF_BIND_SIM
  return t;
}

void bindFromEnvironment() {
  Binding& b = binding();
  const QString request = requested();
  if (b.table && b.request == request) return;
  if (!b.table && !b.error.isEmpty() && b.request == request) return;
  b = Binding{request, std::nullopt, QString()};
  if (request.isEmpty()) {
    b.error = QStringLiteral(
        "Nenhuma biblioteca da impressora fiscal configurada: defina QX_ECF_LIBRARY com o "
        "caminho da biblioteca do fabricante (.so) ou \"simulador\" para a impressora simulada.");
    return;
  }
  if (request == QLatin1String(kSimulatorName)) {
    b.table = simulatorLibrary();
    return;
  }
  try {
    b.table = loadEcfLibrary(request);
  } catch (const platform::Error& e) {
    b.error = e.message();
  }
}

}  // namespace

const QStringList& ecfFunctionNames() {
  static const QStringList names = [] {
    QStringList n;
#define QX_ECF_NAME(name, params, args) n << QStringLiteral(#name);
    QX_ECF_FUNCTIONS(QX_ECF_NAME)
#undef QX_ECF_NAME
    return n;
  }();
  return names;
}

EcfLibrary loadEcfLibrary(const QString& path) {
  // Loaded libraries are kept for the process: the table's pointers live there.
  static std::map<QString, EcfLibrary> loaded;
  if (auto it = loaded.find(path); it != loaded.end()) return it->second;

  const QByteArray file = QFile::encodeName(path);
  void* handle = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw platform::Error(QStringLiteral("Não foi possível carregar a biblioteca da impressora "
                                         "fiscal \"%1\": %2")
                              .arg(path, QString::fromLocal8Bit(why ? why : "erro desconhecido")));
  }
  EcfLibrary t;
  QString missing;
#define QX_ECF_RESOLVE(name, params, args)                                   \
  if (missing.isEmpty()) {                                                   \
    void* symbol = dlsym(handle, #name);                                     \
    if (symbol == nullptr)                                                   \
      missing = QStringLiteral(#name);                                       \
    else                                                                     \
      t.name = reinterpret_cast<int32_t(*) params>(symbol);                  \
  }
  QX_ECF_FUNCTIONS(QX_ECF_RESOLVE)
#undef QX_ECF_RESOLVE
  if (!missing.isEmpty()) {
    dlclose(handle);
    throw platform::Error(QStringLiteral("A biblioteca da impressora fiscal \"%1\" não tem a "
                                         "função %2.")
                              .arg(path, missing));
  }
  loaded.emplace(path, t);
  return t;
}

const EcfLibrary& simulatorLibrary() {
  static const EcfLibrary table = makeSimulatorTable();
  return table;
}

const EcfLibrary& ecfLibrary() {
  if (installed != nullptr) return *installed;
  bindFromEnvironment();
  Binding& b = binding();
  if (!b.table) throw platform::Error(b.error);
  return *b.table;
}

EcfOrigin ecfLibraryOrigin() {
  if (installed != nullptr) return EcfOrigin::Installed;
  const QString request = requested();
  if (request.isEmpty()) return EcfOrigin::None;
  if (request == QLatin1String(kSimulatorName)) return EcfOrigin::Simulator;
  return EcfOrigin::SharedLibrary;
}

QString ecfLibraryDescription() {
  switch (ecfLibraryOrigin()) {
    case EcfOrigin::Installed:
      return QStringLiteral("Impressora fiscal de teste");
    case EcfOrigin::None:
      return QStringLiteral("Sem biblioteca da impressora fiscal (QX_ECF_LIBRARY não definida)");
    case EcfOrigin::Simulator:
      return QStringLiteral("Impressora fiscal SIMULADA (QX_ECF_LIBRARY=simulador), bobina em %1")
          .arg(ecfsim::tapePath());
    case EcfOrigin::SharedLibrary:
      break;
  }
  bindFromEnvironment();
  const Binding& b = binding();
  if (b.table) return QStringLiteral("Biblioteca da impressora fiscal: %1").arg(b.request);
  return b.error;
}

void installEcfLibrary(const EcfLibrary* library) { installed = library; }

}  // namespace printer
