#include "util/eFuncoes.h"

#include "platform/dialogs.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

std::string s(const QString& text) { return text.toStdString(); }

TEST(Texto, EsquerdaDireitaCopia) {
  const QString abc = QStringLiteral("ABCDEF");
  EXPECT_EQ(Esquerda(abc, 2), "AB");
  EXPECT_EQ(Esquerda(abc, 10), "ABCDEF");
  EXPECT_EQ(Esquerda(abc, 0), "");
  EXPECT_EQ(Esquerda(abc, -1), "");  // Qt's left() would give everything
  EXPECT_EQ(Direita(abc, 2), "EF");
  EXPECT_EQ(Direita(QStringLiteral("AB"), 5), "AB");
  EXPECT_EQ(Direita(abc, -3), "");
  EXPECT_EQ(Esquerda(QStringLiteral("ÁÉÍÓ"), 2), QStringLiteral("ÁÉ"));  // characters, not bytes

  const struct {
    const char* text;
    int start, n;
    const char* expected;
  } cases[] = {
      {"07000123ABC", 1, 2, "07"}, {"ABCDEF", 3, 2, "CD"}, {"ABCDEF", 5, 10, "EF"},
      {"ABCDEF", 7, 1, ""},        {"ABCDEF", 2, 0, ""},   {"ABCDEF", 2, -4, ""},
      {"ABCDEF", 0, 2, "AB"},      {"", 1, 2, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Copia(c.text, c.start, c.n), c.expected) << c.text << " " << c.start << " " << c.n;
  }
  EXPECT_EQ(Tamanho(QString()), 0);
  EXPECT_EQ(Tamanho(QStringLiteral("Ação")), 4);
}

TEST(Texto, EspacosReplica) {
  EXPECT_EQ(Espacos(3), "   ");
  EXPECT_EQ(Espacos(0), "");
  EXPECT_EQ(Espacos(-2), "");
  EXPECT_EQ(Replica(u'-', 4), "----");
  EXPECT_EQ(Replica(u'=', 0), "");
  EXPECT_EQ(Replica(u'=', -1), "");
}

TEST(Texto, TrimsRemoveEveryBlankAndOnlyBlanks) {
  const struct {
    QString text, right, both;
  } cases[] = {
      {QStringLiteral("  ab  "), QStringLiteral("  ab"), QStringLiteral("ab")},
      {QStringLiteral("ab \t\r\n"), QStringLiteral("ab"), QStringLiteral("ab")},
      {QString(QChar(0)) + QStringLiteral("\u0001x y\u001F"),
       QString(QChar(0)) + QStringLiteral("\u0001x y"), QStringLiteral("x y")},
      {QString::fromUtf16(u"\u00A0a\u00A0"), QString::fromUtf16(u"\u00A0a\u00A0"),
       QString::fromUtf16(u"\u00A0a\u00A0")},  // code 160 is no blank
      {QStringLiteral("   "), QString(), QString()},
      {QString(), QString(), QString()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TiraEspacosDireita(c.text), c.right) << s(c.text);
    EXPECT_EQ(TiraEspacos(c.text), c.both) << s(c.text);
  }
}

TEST(Numeros, CompletaZeros) {
  const struct {
    double value;
    int width, decimals;
    const char* expected;
  } cases[] = {
      {42, 6, 0, "000042"},
      {1.5, 5, 2, "01.50"},
      {123.456, 5, 2, "123.46"},
      {1234567, 6, 0, "1234567"},  // never cut
      {0.125, 4, 2, "0.13"},       // halves away from zero
      {2.5, 0, 0, "3"},
      {0.5, 3, 0, "001"},
      {1.005, 4, 2, "1.01"},
      {9.995, 1, 2, "10.00"},
      {99.5, 0, 0, "100"},
      {0.004, 4, 2, "0.00"},
      {0, 6, 0, "000000"},
      {12, 1, 3, "12.000"},
      {3.75, 8, 1, "000003.8"},
      {-42, 6, 0, "-00042"},
      {-0.001, 4, 2, "0.00"},
      {7, 3, -2, "007"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompletaZeros(c.value, c.width, c.decimals), c.expected)
        << c.value << " " << c.width << " " << c.decimals;
  }
}

TEST(Texto, TrocaCaracter) {
  const struct {
    const char *text, *search, *replacement, *expected;
  } cases[] = {
      {"01.50", ".", ",", "01,50"},
      {"0150", ".", ",", "0150"},
      {"a.b.c", ".", ",", "a,b,c"},
      {"01.50", "01", "x", "01.50"},  // a two-character search never matches
      {"", ".", ",", ""},
      {"a.b", ".", "", "ab"},
      {"..", ".", "", "."},           // the position moves on past the removed one
      {"a.b", ".", "::", "a::b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrocaCaracter(c.text, c.search, c.replacement), c.expected)
        << c.text << " " << c.search << " " << c.replacement;
  }
}

TEST(Texto, AlinhaEsquerdaEDireitaCutBeforeTheyTrim) {
  const struct {
    const char* text;
    int width;
    const char *left, *right;
  } cases[] = {
      {"  ab  ", 5, "ab   ", "   ab"},
      {"Dipirona", 4, "Dipi", "Dipi"},
      {"  Paracetamol 750mg", 8, "Parace  ", "  Parace"},  // leading blanks use up room
      {"   Losartana", 5, "Lo   ", "   Lo"},
      {"ab", 5, "ab   ", "   ab"},
      {"", 18, "                  ", "                  "},
      {"abc", 0, "", ""},
      {"abc", -1, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AlinhaEsquerda(c.text, c.width), c.left) << c.text << " " << c.width;
    EXPECT_EQ(AlinhaDireita(c.text, c.width), c.right) << c.text << " " << c.width;
  }
  EXPECT_EQ(AlinhaDireita(QStringLiteral(" "), 48), QString(48, u' '));
  EXPECT_EQ(AlinhaDireita(QString(), 1279).size(), 1279);
  EXPECT_EQ(AlinhaEsquerda(QStringLiteral("Farmácia São João"), 10), QStringLiteral("Farmácia S"));
}

TEST(Texto, AlinhaTrimsBeforeItCutsAndPadsByMode) {
  const struct {
    const char* text;
    int width, mode;
    const char* expected;
  } cases[] = {
      {"  abc  ", 6, 0, "abc   "},
      {"  abc  ", 6, 1, "   abc"},
      {"abc", 6, 2, "  abc "},
      {"ab", 5, 2, " ab  "},
      {"ab", 6, 2, "  ab  "},
      {"  Dipirona  ", 4, 0, "Dipi"},
      {"  ab  ", 6, 7, "ab"},      // any other mode: no padding
      {"  abcdef  ", 3, -1, "abc"},
      {"abc", 0, 2, ""},
      {"", 3, 2, "   "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Alinha(c.text, c.width, c.mode), c.expected)
        << c.text << " " << c.width << " " << c.mode;
  }
  const QString centred = Centraliza(QStringLiteral("Assinatura"), 48);
  EXPECT_EQ(centred, QString(19, u' ') + QStringLiteral("Assinatura") + QString(19, u' '));
}

TEST(Numeros, ArredondaTiesToEvenInExtendedPrecision) {
  const struct {
    long double value;
    int places;
    double expected;
  } cases[] = {
      {0.125L, 2, 0.12},   {0.375L, 2, 0.38},    {2.5L, 0, 2.0},     {3.5L, 0, 4.0},
      {-2.5L, 0, -2.0},    {1.2345L, 3, 1.234},  {10.0L, 2, 10.0},   {123.456L, 2, 123.46},
      {1.55L, 20, 1.55},   {2.5L, -3, 2.0},      {7.5L, -1, 8.0},    {0.0L, 2, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(static_cast<double>(Arredonda(c.value, c.places)), c.expected)
        << static_cast<double>(c.value) << " " << c.places;
  }
  // The same tie, the two rules side by side.
  EXPECT_DOUBLE_EQ(static_cast<double>(Arredonda(0.125, 2)), 0.12);
  EXPECT_EQ(CompletaZeros(0.125, 4, 2), "0.13");
  // Places above 15 behave as 15; below 0 as 0.
  const long double v = 0.1234567890123456789L;
  EXPECT_EQ(Arredonda(v, 20), Arredonda(v, 15));
  EXPECT_EQ(Arredonda(1.5L, -3), Arredonda(1.5L, 0));
}

TEST(Numeros, ArredondaInteiroRoundsHalvesAwayFromZero) {
  const std::pair<long double, int> cases[] = {
      {1500.4L, 1500}, {0.5L, 1},   {12.0L, 12},        {2.5L, 3},
      {-2.5L, -3},     {-0.4L, 0},  {2147483647.4L, 2147483647}, {-2147483648.0L, -2147483647 - 1},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(ArredondaInteiro(value), expected) << static_cast<double>(value);
  }
}

TEST(Numeros, SegundosDoDia) {
  const double day = 46000;
  const std::pair<double, int> cases[] = {
      {day, 0},
      {day + (23 * 3600 + 59 * 60 + 59) / 86400.0, 86399},
      {day + (13 * 3600 + 45 * 60 + 30.7) / 86400.0, 49530},
      {day + 0.5, 43200},
      {day + 0.9999999999, 0},  // rounds to the next midnight
  };
  for (const auto& [value, seconds] : cases) EXPECT_EQ(SegundosDoDia(value), seconds) << value;
}

TEST(Valores, FormataDuasCasasIsTheDisplayedAmount) {
  const std::pair<double, const char*> cases[] = {
      {1, " 1,00"},      {12.5, "12,50"},       {123.4, "123,40"}, {0, " 0,00"},
      {0.125, " 0,13"},  {1234567.891, "1234567,89"}, {-1, "-1,00"}, {9.999, "10,00"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormataDuasCasas(value), text) << value;
}

TEST(Valores, LeNumeroReadsTheDecimalComma) {
  const std::pair<const char*, double> cases[] = {
      {" 1,00", 1.0}, {"12,50", 12.5}, {"-3", -3.0}, {"+2,5", 2.5},
      {",5", 0.5},    {"7,", 7.0},     {"1,5E2", 150.0}, {"0012,50 ", 12.5},
  };
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(LeNumero(text), value) << text;
  // What the system writes, it reads back.
  for (double v : {0.0, 1.0, 12.5, 123.4, 99999.99}) {
    EXPECT_DOUBLE_EQ(LeNumero(FormataDuasCasas(v)), v);
  }
}

TEST(Valores, LeNumeroRefusesWhatIsNoNumberWithAClearText) {
  for (const char* bad : {"", "   ", "abc", "1.5", "1.000,00", "1,2,3", "12a", "1e", "--1", "1e999"}) {
    try {
      LeNumero(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const platform::ConvertError& e) {
      EXPECT_EQ(e.message(), QStringLiteral("'%1' não é um valor numérico válido").arg(bad));
    }
  }
}

TEST(Mensagens, ExibeMensagemGoesThroughTheDialogsPort) {
  platform::ScopedDialogs scoped;
  ExibeMensagem(QString(), QStringLiteral("Pouco papel"), QString());
  ASSERT_EQ(scoped.recorder.shown().size(), 1);
  EXPECT_EQ(scoped.recorder.shown()[0].kind, platform::DialogKind::ThreeLines);
  EXPECT_EQ(scoped.recorder.shown()[0].text, QStringLiteral("\nPouco papel\n"));
}

// A window that records its own destruction.
class Janela : public QDialog {
 public:
  explicit Janela(bool* destroyed, int closeAfterMs = 0) : destroyed_(destroyed) {
    if (closeAfterMs >= 0) QTimer::singleShot(closeAfterMs, this, [this] { accept(); });
  }
  ~Janela() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};

class Painel : public QWidget {
 public:
  explicit Painel(bool* closedSeen) {
    QTimer::singleShot(0, this, [this, closedSeen] {
      *closedSeen = isVisible() && windowModality() == Qt::ApplicationModal;
      close();
    });
  }
};

TEST(Formularios, ModalWindowIsShownUntilClosedThenReleased) {
  bool destroyed = false;
  QPointer<Janela> ref;
  AbreFormulario(ref, nullptr, true, false, &destroyed);
  ASSERT_FALSE(destroyed) << "released before its pending events were handled";
  ASSERT_FALSE(ref.isNull());
  EXPECT_FALSE(ref->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(ref.isNull());
}

TEST(Formularios, ModalPlainWidgetBlocksUntilClosed) {
  bool seenModal = false;
  QPointer<Painel> ref;
  AbreFormulario(ref, nullptr, true, false, &seenModal);
  EXPECT_TRUE(seenModal);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(ref.isNull());
}

TEST(Formularios, ModelessWindowStaysOpenAndDisablesTheMenuEntry) {
  bool destroyed = false;
  QAction menu(QStringLiteral("Cancelamento"));
  QPointer<Janela> ref;
  AbreFormulario(ref, &menu, false, true, &destroyed, -1);
  ASSERT_FALSE(ref.isNull());
  EXPECT_TRUE(ref->isVisible());
  EXPECT_TRUE(ref->windowState() & Qt::WindowMaximized);
  EXPECT_FALSE(menu.isEnabled());
  ref->close();
  EXPECT_FALSE(menu.isEnabled());  // nothing here enables it again
  delete ref.data();
  EXPECT_TRUE(destroyed);
}

}  // namespace
