#include <gtest/gtest.h>

#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <optional>

#include "controls/eBotoes.h"
#include "controls/ebotoes2.h"
#include "controls/pictures.h"

namespace {

using K = TKindPersonalizado;
using L = TButtonLayout;

// What a window designer gave the button before the kind is applied.
const QString kDesignCaption = "Desenho";
const QString kDesignHint = "Dica do desenho";
const L kDesignLayout = L::blGlyphBottom;
const int kDesignSpacing = 9;
const QSize kDesignSize(120, 30);

QPixmap designGlyph() {
  QPixmap p(16, 8);
  p.fill(Qt::magenta);
  return p;
}

template <class Button>
void design(Button& b) {
  b.setText(kDesignCaption);
  b.setToolTip(kDesignHint);
  b.setGlyph(designGlyph());
  b.setNumGlyphs(2);
  b.setLayout(kDesignLayout);
  b.setSpacing(kDesignSpacing);
  b.setSize(kDesignSize.width(), kDesignSize.height());
  b.setModalResult(mrOk);
}

bool samePicture(const QPixmap& a, const QPixmap& b) {
  return !a.isNull() && !b.isNull() && a.toImage() == b.toImage();
}

// The vocabulary of both families, written out independently of the code.
// Empty optionals mean "keeps the designed value".
struct KindRow {
  K kind;
  std::optional<QString> caption1, caption2, hint;
  QString picture;
  std::optional<L> layout1;
  std::optional<int> spacing1;
  std::optional<QSize> size1;
  std::optional<L> layout2;
  std::optional<int> spacing2;
  bool cancel = false;
};

const auto T = L::blGlyphTop;
const auto Lf = L::blGlyphLeft;
const QSize S44(44, 44), S84(84, 40);
const std::nullopt_t _ = std::nullopt;

const KindRow kRows[] = {
    {K::eIncluir, "&Incluir", "&Incluir", "Inclui o registro atual.", "eIncluir", T, -5, S44, Lf, -5},
    {K::eAlterar, "&Alterar", "&Alterar", "Altera o registro atual.", "eAlterar", T, -6, S44, Lf, -6},
    {K::eCancelar, "&Cancelar", "Ca&ncelar", "Cancela o registro atual. Abandona as Mudanças", "eCancelar", T, -6, S44, Lf, -6},
    {K::eGravar, "&Gravar", "&Gravar", "Grava o registro atual.", "eGravar", T, -6, S44, Lf, -6},
    {K::eExcluir, "&Excluir", "&Excluir", "Exclui o registro atual.", "eExcluir", T, -4, S44, Lf, -4},
    {K::ePrimeiro, "P&rimeiro", "P&rimeiro", "Posiciona no primeiro registro.", "ePrimeiro", T, -6, S44, Lf, -6},
    {K::eAnterior, "Anteri&or", "Anteri&or", "Posiciona no registro anterior.", "eAnterior", T, -6, S44, Lf, -6},
    {K::eProximo, "&Proximo", "&Próximo", "Posiciona no próximo registro.", "eProximo", T, -6, S44, Lf, -6},
    {K::eUltimo, "&Ultimo", "&Último", "Posiciona no último registro.", "eUltimo", T, -6, S44, Lf, -6},
    {K::ePesquisar, _, _, _, "ePesquisar", T, -6, S44, Lf, -6},
    {K::eAtualizar, "A&tualizar", "A&tualizar", "Atualiza a tabela.", "eAtualizar", T, -2, S44, Lf, -2},
    {K::eFechar, "&Fechar", "&Fechar", "Fecha o formulario atual.", "eFechar", T, -8, S44, Lf, -8},
    {K::eVoltar, "&Fechar", "&Fechar", "Fecha o formulario atual.", "eVoltar", Lf, 4, S84, Lf, 4},
    {K::eConfirmar, "&Confirma", "&Confirma", "Confirma a seleção.", "eConfirma", Lf, 4, S84, Lf, 4},
    {K::eSair, "Sair", "Sair", "Fecha o formulario atual.", "eSair", _, _, _, _, _, true},
    {K::eImprimir, "Im&primir", "Im&primir", "Imprimir.", "eImprimir", Lf, 4, S84, Lf, 4},
    {K::eVisualiza, "&Visualiza", "&Visualiza", "Visualiza o relatório.", "eVisualiza", T, _, _, Lf, _},
    {K::ePreview, "&Visualiza", "&Visualiza", "Visualiza o relatório.", "ePreview", Lf, 4, S84, Lf, 4},
    {K::eGrafico, "&Grafico", "&Grafico", "Visualiza o Grafico.", "eGrafico", Lf, 4, S84, Lf, 4},
    {K::ePrintSetup, _, _, "Seleciona a Impressora.", "eCONFIG_IMPRESSORA", Lf, _, QSize(50, 46), Lf, _},
    {K::eCalculadora, "&Calculadora", "&Calculadora", "Calculadora", "eCALCULADORA", _, _, _, _, _},
    {K::eCalcFita, "&Calculadora", "&Calculadora", "Calculadora", "eCALC_FITA", _, _, _, _, _},
    {K::eCD, _, _, _, "eCD", _, _, _, _, _},
    {K::eNovo, "&Novo", "&Novo", "Inclui um novo registro.", "eNovo", _, _, _, _, _},
};

TEST(ButtonKinds, TableCoversEveryPresetKindOnce) {
  QList<int> seen;
  for (const KindRow& row : kRows) seen.append(static_cast<int>(row.kind));
  std::sort(seen.begin(), seen.end());
  QList<int> expected;
  for (int i = 1; i < kKindCount; ++i) expected.append(i);
  EXPECT_EQ(seen, expected);
}

TEST(ButtonKinds, FirstFamilyAppliesEachPresetOverTheDesign) {
  for (const KindRow& row : kRows) {
    SCOPED_TRACE(controls::kindName(row.kind).toStdString());
    TeBitBtn b;
    design(b);
    b.setKindPersonalizado(row.kind);
    EXPECT_EQ(b.KindPersonalizado(), row.kind);
    EXPECT_EQ(b.Caption(), row.caption1.value_or(kDesignCaption));
    EXPECT_EQ(b.Hint(), row.hint.value_or(kDesignHint));
    EXPECT_TRUE(samePicture(b.Glyph(), controls::loadPicture(row.picture)));
    EXPECT_EQ(b.Layout(), row.layout1.value_or(kDesignLayout));
    EXPECT_EQ(b.Spacing(), row.spacing1.value_or(kDesignSpacing));
    EXPECT_EQ(b.size(), row.size1.value_or(kDesignSize));
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_EQ(b.ModalResult(), mrNone);
    EXPECT_EQ(b.Cancel(), row.cancel);
  }
}

TEST(ButtonKinds, SecondFamilyAppliesEachPresetAndKeepsItsSize) {
  for (const KindRow& row : kRows) {
    SCOPED_TRACE(controls::kindName(row.kind).toStdString());
    TeBitBtn2 b;
    design(b);
    b.setKindPersonalizado(row.kind);
    EXPECT_EQ(b.Caption(), row.caption2.value_or(kDesignCaption));
    EXPECT_EQ(b.Hint(), row.hint.value_or(kDesignHint));
    EXPECT_TRUE(samePicture(b.Glyph(), controls::loadPicture(row.picture + "2")));
    EXPECT_EQ(b.Layout(), row.layout2.value_or(kDesignLayout));
    EXPECT_EQ(b.Spacing(), row.spacing2.value_or(kDesignSpacing));
    EXPECT_EQ(b.size(), kDesignSize);
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_EQ(b.ModalResult(), mrNone);
    EXPECT_EQ(b.Cancel(), row.cancel);
  }
}

TEST(ButtonKinds, CustomLeavesTheFirstFamilyAloneAndResetsTheSecond) {
  TeBitBtn first;
  design(first);
  first.setKindPersonalizado(K::eCustom);
  EXPECT_EQ(first.ModalResult(), mrOk);
  EXPECT_EQ(first.NumGlyphs(), 2);
  EXPECT_EQ(first.Caption(), kDesignCaption);

  TeBitBtn2 second;
  design(second);
  second.setKindPersonalizado(K::eCustom);
  EXPECT_EQ(second.ModalResult(), mrNone);
  EXPECT_EQ(second.NumGlyphs(), 1);
  EXPECT_EQ(second.Caption(), kDesignCaption);
  EXPECT_EQ(second.Hint(), kDesignHint);
  EXPECT_TRUE(samePicture(second.Glyph(), designGlyph()));
  EXPECT_EQ(second.size(), kDesignSize);
}

TEST(ButtonKinds, KindOutsideTheEnumerationIsStoredWithoutPreset) {
  for (int value : {-1, 25, 99}) {
    TeBitBtn2 b;
    design(b);
    b.setKindPersonalizado(static_cast<K>(value));
    EXPECT_EQ(static_cast<int>(b.KindPersonalizado()), value);
    EXPECT_EQ(b.Caption(), kDesignCaption);
    EXPECT_EQ(b.ModalResult(), mrOk);
    EXPECT_EQ(b.NumGlyphs(), 2);
  }
}

TEST(ButtonKinds, CaptionOrHintMakesThePresetCustomAndKeepsItsPicture) {
  TeBitBtn2 b;
  b.setKindPersonalizado(K::eConfirmar);
  b.setCaption("&Gravar tudo");
  EXPECT_EQ(b.KindPersonalizado(), K::eCustom);
  EXPECT_EQ(b.Caption(), "&Gravar tudo");
  EXPECT_EQ(b.Hint(), QString::fromUtf8("Confirma a seleção."));
  EXPECT_TRUE(samePicture(b.Glyph(), controls::loadPicture("eConfirma2")));

  TeBitBtn first;
  first.setKindPersonalizado(K::eVoltar);
  first.setHint("Volta");
  EXPECT_EQ(first.KindPersonalizado(), K::eCustom);
  EXPECT_EQ(first.Caption(), "&Fechar");
  EXPECT_EQ(first.size(), QSize(84, 40));
}

TEST(ButtonKinds, NewButtonsHaveTheirFamilySize) {
  EXPECT_EQ(TeBitBtn().size(), QSize(75, 25));
  EXPECT_EQ(TeBitBtn2().size(), QSize(90, 44));
  EXPECT_EQ(TeBitBtn2().KindPersonalizado(), K::eCustom);
}

TEST(ButtonPictures, NamesMatchWithoutRegardToCaseAndHaveTheirSizes) {
  EXPECT_TRUE(samePicture(controls::loadPicture("ECONFIRMA2"), controls::loadPicture("eConfirma2")));
  EXPECT_TRUE(controls::loadPicture("eNaoExiste").isNull());
  const struct {
    const char* name;
    QSize size;
  } sizes[] = {
      {"eIncluir", {32, 32}}, {"eAtualizar", {25, 25}}, {"eConfirma", {18, 19}},
      {"eSair", {16, 16}},    {"eNovo", {16, 16}},       {"eSair2", {32, 32}},
      {"eCD2", {32, 32}},     {"EEditData", {14, 14}},
  };
  for (const auto& s : sizes) EXPECT_EQ(controls::loadPicture(s.name).size(), s.size) << s.name;
}

TEST(ButtonLayout, SpacingPlacesTheCaptionRelativeToThePicture) {
  TeBitBtn b;
  b.setKindPersonalizado(K::eIncluir);  // top, -5
  const QRect content(0, 0, 44, 44);
  auto at = b.place(content);
  EXPECT_EQ(at.caption.top(), at.glyph.bottom() + 1 - 5);
  EXPECT_LE(std::abs(at.glyph.center().x() - at.caption.center().x()), 1);  // both centred

  TeBitBtn2 left;
  left.setKindPersonalizado(K::eConfirmar);  // left, 4
  auto beside = left.place(QRect(0, 0, 90, 44));
  EXPECT_EQ(beside.caption.left(), beside.glyph.right() + 1 + 4);

  left.setLayout(L::blGlyphRight);
  auto right = left.place(QRect(0, 0, 90, 44));
  EXPECT_EQ(right.glyph.left(), right.caption.right() + 1 + 4);
}

// A shown, active window for the keyboard cases.
struct ButtonWindow {
  QDialog dialog;
  TeBitBtn* sair = new TeBitBtn(&dialog);
  TeBitBtn2* confirma = new TeBitBtn2(&dialog);
  ButtonWindow() {
    auto* l = new QVBoxLayout(&dialog);
    l->addWidget(sair);
    l->addWidget(confirma);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }
};

TEST(ButtonKeys, SairAnswersEscapeAndKeepsItsSize) {
  ButtonWindow w;
  w.sair->setSize(100, 30);
  w.sair->setKindPersonalizado(K::eSair);
  EXPECT_EQ(w.sair->size(), QSize(100, 30));
  QSignalSpy clicks(w.sair, &QPushButton::clicked);
  QTest::keyClick(&w.dialog, Qt::Key_Escape);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_TRUE(w.dialog.isVisible());  // the button took Escape, not the dialog
}

TEST(ButtonKeys, AcceleratorWithAltPressesTheButton) {
  ButtonWindow w;
  w.confirma->setKindPersonalizado(K::eConfirmar);
  ASSERT_FALSE(w.confirma->isDown());
  QTest::keyClick(&w.dialog, Qt::Key_C, Qt::AltModifier);
  // A mnemonic presses the button at once and releases it from a timer.
  EXPECT_TRUE(w.confirma->isDown());
}

TEST(ButtonKeys, EnterPressesTheFocusedButtonOnly) {
  ButtonWindow w;
  QSignalSpy sair(w.sair, &QPushButton::clicked);
  QSignalSpy confirma(w.confirma, &QPushButton::clicked);
  w.confirma->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(w.confirma, Qt::Key_Return);
  EXPECT_EQ(confirma.count(), 1);
  EXPECT_EQ(sair.count(), 0);
}

TEST(ButtonModalResult, ClosesTheDialogUntilAPresetResetsIt) {
  ButtonWindow w;
  w.sair->setModalResult(mrOk);
  w.sair->click();
  EXPECT_FALSE(w.dialog.isVisible());
  EXPECT_EQ(w.dialog.result(), mrOk);

  w.dialog.setResult(0);
  w.dialog.show();
  w.sair->setKindPersonalizado(K::eGravar);
  w.sair->click();
  EXPECT_TRUE(w.dialog.isVisible());
  EXPECT_EQ(w.dialog.result(), 0);
}

}  // namespace
