#include "app/printing_dialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdio>
#include <string>

namespace {

// What the headless run prints for each kind of dialog, and what it answers.
TEST(PrintingDialogsTest, OneLinePerDialogAnsweredWithTheDefaultButton) {
  QCoreApplication::setApplicationName("fpopular");
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  ASSERT_NE(out, nullptr);
  platform::DialogResult sim, ok;
  {
    PrintingDialogs d(out);
    d.message("Linha 1\nLinha 2");
    sim = d.messageBox("Deseja realmente cancelar?", "QX Farmácia Popular", platform::DialogIcon::Information,
                       platform::DialogButtons::YesNo);
    ok = d.messageDlg("Cupom não encontrado!", platform::DialogIcon::Warning, platform::DialogButtons::Ok);
    d.errorBox("Tabela ECFMOVIM.DBF\r\nnão encontrada");
  }
  std::fclose(out);
  const std::string texto(buffer, size);
  std::free(buffer);
  EXPECT_EQ(sim, platform::DialogResult::Yes);
  EXPECT_EQ(ok, platform::DialogResult::Ok);
  EXPECT_EQ(QString::fromStdString(texto),
            "dialog: [fpopular] Linha 1\\nLinha 2\n"
            "dialog: [QX Farmácia Popular] Deseja realmente cancelar?\n"
            "dialog: [" + platform::messageDlgCaption(platform::DialogIcon::Warning) + "] Cupom não encontrado!\n"
            "dialog: [fpopular] Tabela ECFMOVIM.DBF\\nnão encontrada\n");
}

}  // namespace
