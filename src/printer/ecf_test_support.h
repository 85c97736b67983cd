// Test support: a library table that records every call by name and forwards
// it to the simulated printer, whose files go to a temporary folder. A test
// replaces single entries with its own functions to set what the printer
// answers.
#ifndef QX_PRINTER_ECF_TEST_SUPPORT_H_
#define QX_PRINTER_ECF_TEST_SUPPORT_H_

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "printer/eBematech3.h"
#include "printer/ecf_library.h"
#include "printer/simulator/ecf_simulator.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace ecftest {

inline QStringList& calls() {
  static QStringList c;
  return c;
}

#define QX_ECF_RECORD(name, params, args)            \
  inline int32_t record_##name params {              \
    calls() << QStringLiteral(#name);                \
    return ecfsim::name args;                        \
  }
QX_ECF_FUNCTIONS(QX_ECF_RECORD)
#undef QX_ECF_RECORD

inline printer::EcfLibrary recordingLibrary() {
  printer::EcfLibrary t;
#define QX_ECF_BIND_RECORD(name, params, args) t.name = &record_##name;
  QX_ECF_FUNCTIONS(QX_ECF_BIND_RECORD)
#undef QX_ECF_BIND_RECORD
  return t;
}

// One test's world: a simulated printer in a fresh folder behind the
// recording table, a dialogs recorder, a fixed computer clock, pauses
// recorded, and the termination request caught.
class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    setenv("QX_ECF_SIM_DIR", folder.path().toLocal8Bit().constData(), 1);
    calls().clear();
    library = recordingLibrary();
    printer::installEcfLibrary(&library);
    platform::installClock(&clock);
    platform::installPause(&pause);
    UltimoRetorno = 0;
    terminations = 0;
    DefineEncerramentoAplicacao([this] { ++terminations; });
  }
  void TearDown() override {
    DefineEncerramentoAplicacao({});
    platform::installPause(nullptr);
    platform::installClock(nullptr);
    printer::installEcfLibrary(nullptr);
    unsetenv("QX_ECF_SIM_DIR");
  }
  // Every dialog shown, as "kind|caption|text".
  QStringList shown() const {
    QStringList out;
    for (const platform::ShownDialog& d : dialogs.recorder.shown()) {
      QString kind;
      switch (d.kind) {
        case platform::DialogKind::ThreeLines: kind = QStringLiteral("tres"); break;
        case platform::DialogKind::Notice: kind = QStringLiteral("aviso"); break;
        case platform::DialogKind::MessageBox: kind = QStringLiteral("caixa"); break;
        case platform::DialogKind::Message: kind = QStringLiteral("msg"); break;
        default: kind = QStringLiteral("outro"); break;
      }
      // A plain message carries the application's title, not the printer's.
      const QString caption = d.kind == platform::DialogKind::Message ? QString() : d.caption;
      out << kind + u'|' + caption + u'|' + d.text;
    }
    return out;
  }
  QTemporaryDir folder;
  printer::EcfLibrary library;
  platform::ScopedDialogs dialogs;
  platform::FakeClock clock{QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0))};
  platform::RecordingPause pause{&clock};
  int terminations = 0;
};

}  // namespace ecftest

#endif  // QX_PRINTER_ECF_TEST_SUPPORT_H_
