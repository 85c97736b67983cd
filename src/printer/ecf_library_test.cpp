#include "printer/ecf_library.h"

#include "platform/error.h"
#include "printer/eECF.h"
#include "printer/ecf_test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The binding itself: no table installed, QX_ECF_LIBRARY decides.
class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    setenv("QX_ECF_SIM_DIR", folder.path().toLocal8Bit().constData(), 1);
    printer::installEcfLibrary(nullptr);
  }
  void TearDown() override {
    unsetenv("QX_ECF_LIBRARY");
    unsetenv("QX_ECF_SIM_DIR");
  }
  QString errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const platform::Error& e) {
      return e.message();
    }
    return QString();
  }
  QTemporaryDir folder;
  platform::ScopedDialogs dialogs;
};

TEST_F(BindingTest, WithoutALibraryTheProgramSaysSo) {
  unsetenv("QX_ECF_LIBRARY");
  EXPECT_EQ(printer::ecfLibraryOrigin(), printer::EcfOrigin::None);
  EXPECT_TRUE(errorOf([] { printer::ecfLibrary(); }).contains(QStringLiteral("QX_ECF_LIBRARY")));
  TePrinter ecf;
  ecf.setImpressora(TECFModelo::Bematec3);
  EXPECT_TRUE(errorOf([&] { ecf.Numero_Cupom(); })
                  .startsWith(QStringLiteral("Nenhuma biblioteca da impressora fiscal configurada")));
  EXPECT_TRUE(printer::ecfLibraryDescription().contains(QStringLiteral("não definida")));
}

TEST_F(BindingTest, LoadFailuresNameTheFileOrTheMissingFunction) {
  const QString missingFile = folder.filePath(QStringLiteral("nao-existe.so"));
  EXPECT_TRUE(errorOf([&] { printer::loadEcfLibrary(missingFile); }).contains(missingFile));
  // A real shared library without the vendor's functions.
  const QString libm = QStringLiteral("libm.so.6");
  EXPECT_EQ(errorOf([&] { printer::loadEcfLibrary(libm); }),
            QStringLiteral("A biblioteca da impressora fiscal \"libm.so.6\" não tem a função "
                           "Bematech_FI_VerificaImpressoraLigada."));
  setenv("QX_ECF_LIBRARY", "libm.so.6", 1);
  EXPECT_TRUE(errorOf([] { printer::ecfLibrary(); }).contains(QStringLiteral("não tem a função")));
}

TEST_F(BindingTest, SimuladorBindsTheLinkedSimulatorVisibly) {
  setenv("QX_ECF_LIBRARY", "simulador", 1);
  EXPECT_EQ(printer::ecfLibraryOrigin(), printer::EcfOrigin::Simulator);
  EXPECT_EQ(printer::ecfLibrary().Bematech_FI_NumeroCupom,
            printer::simulatorLibrary().Bematech_FI_NumeroCupom);
  EXPECT_TRUE(printer::ecfLibraryDescription().contains(QStringLiteral("SIMULADA")));
}

TEST_F(BindingTest, TheSharedSimulatorExportsEveryFunction) {
  const printer::EcfLibrary lib = printer::loadEcfLibrary(QStringLiteral(QX_ECF_SIMULADOR_SO));
  const auto* pointers = reinterpret_cast<void* const*>(&lib);
  const qsizetype count = printer::ecfFunctionNames().size();
  ASSERT_EQ(qsizetype(sizeof(lib) / sizeof(void*)), count);
  for (qsizetype i = 0; i < count; ++i) {
    SCOPED_TRACE(printer::ecfFunctionNames().at(i).toStdString());
    EXPECT_NE(pointers[i], nullptr);
  }
  // Its own copy, not the one linked into this program.
  EXPECT_NE(lib.Bematech_FI_NumeroCupom, printer::simulatorLibrary().Bematech_FI_NumeroCupom);
}

TEST_F(BindingTest, ComponentDrivesTheSharedSimulatorThroughDlopen) {
  setenv("QX_ECF_LIBRARY", QX_ECF_SIMULADOR_SO, 1);
  EXPECT_EQ(printer::ecfLibraryOrigin(), printer::EcfOrigin::SharedLibrary);
  TePrinter ecf;
  ecf.setImpressora(TECFModelo::Bematec3);
  ecf.setImpressoraMFD(true);
  ASSERT_TRUE(ecf.ChecaImpressora());
  EXPECT_EQ(ecf.Eprom(), QStringLiteral("BE0000SIM00000000001"));
  EXPECT_EQ(ecf.Numero_Cupom(), QStringLiteral("000000"));
  for (const char* line : {"COMPROVANTE FARMÁCIA POPULAR", "CPF 123.456.789-09", "Total R$ 3,10"})
    ASSERT_TRUE(ecf.RelatorioGerencial(QString::fromUtf8(line)));
  ASSERT_TRUE(ecf.Fecha_RelatorioGerencial());
  EXPECT_EQ(ecf.Numero_Cupom(), QStringLiteral("000001"));
  EXPECT_EQ(ecf.ContadorRelGerencial(), QStringLiteral("000001"));
  EXPECT_EQ(ecf.ContadorGeralNaoFiscal(), QStringLiteral("000001"));
  EXPECT_TRUE(dialogs.recorder.shown().isEmpty());

  // The library wrote into the same folder; a later run goes on counting.
  QFile tape(folder.filePath(QStringLiteral("bobina.txt")));
  ASSERT_TRUE(tape.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(tape.readAll())
                  .contains(QStringLiteral("COMPROVANTE FARMÁCIA POPULAR\nCPF 123.456.789-09\nTotal R$ 3,10\n")));
  EXPECT_EQ(ecfsim::snapshot().coo, 1);
}

}  // namespace
