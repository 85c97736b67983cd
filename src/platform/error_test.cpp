#include "platform/error.h"

#include "platform/dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(RunGuarded, ShowsTheExceptionTextInTheErrorBoxAndSwallowsIt) {
  struct Case {
    const char* name;
    std::function<void()> handler;
    QString shown;
  };
  const Case cases[] = {
      {"own error", [] { throw platform::Error(QStringLiteral("Tabela ITEM.DBF não encontrada")); },
       QStringLiteral("Tabela ITEM.DBF não encontrada")},
      {"conversion error",
       [] { throw platform::ConvertError(QStringLiteral("'abc' não é um valor numérico válido")); },
       QStringLiteral("'abc' não é um valor numérico válido")},
      {"std exception in UTF-8", [] { throw std::runtime_error("falha na conexão"); },
       QStringLiteral("falha na conexão")},
      {"anything else", [] { throw 42; }, QStringLiteral("Erro inesperado sem descrição.")},
  };
  for (const Case& c : cases) {
    platform::ScopedDialogs scoped;
    EXPECT_FALSE(platform::runGuarded(c.handler)) << c.name;
    ASSERT_EQ(scoped.recorder.shown().size(), 1) << c.name;
    EXPECT_EQ(scoped.recorder.shown()[0].kind, platform::DialogKind::ErrorBox) << c.name;
    EXPECT_EQ(scoped.recorder.shown()[0].text, c.shown) << c.name;
  }
}

TEST(RunGuarded, AHandlerThatSucceedsShowsNothing) {
  platform::ScopedDialogs scoped;
  bool ran = false;
  EXPECT_TRUE(platform::runGuarded([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(scoped.recorder.shown().isEmpty());
}

TEST(ErrorText, OwnMessageBeatsWhat) {
  const platform::Error e(QStringLiteral("Campo CUPOM inválido"));
  const std::exception& base = e;
  EXPECT_EQ(platform::errorText(base), QStringLiteral("Campo CUPOM inválido"));
}

}  // namespace
