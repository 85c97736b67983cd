#include "controls/button_kinds.h"

#include <array>

#include "controls/pictures.h"

namespace controls {
namespace {

using L = TButtonLayout;
constexpr auto kTop = L::blGlyphTop;
constexpr auto kLeft = L::blGlyphLeft;
const std::nullopt_t kKeep = std::nullopt;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

struct Row {
  const char* name;
  KindPreset preset;
};

const std::array<Row, kKindCount>& rows() {
  const QString closeHint = u("Fecha o formulario atual.");
  const QString viewHint = u("Visualiza o relatório.");
  static const std::array<Row, kKindCount> table = {{
      {"eCustom", {}},
      {"eIncluir", {u("&Incluir"), u("&Incluir"), u("Inclui o registro atual."), u("eIncluir"), kTop, -5, QSize(44, 44), kLeft, -5}},
      {"eAlterar", {u("&Alterar"), u("&Alterar"), u("Altera o registro atual."), u("eAlterar"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eCancelar", {u("&Cancelar"), u("Ca&ncelar"), u("Cancela o registro atual. Abandona as Mudanças"), u("eCancelar"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eGravar", {u("&Gravar"), u("&Gravar"), u("Grava o registro atual."), u("eGravar"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eExcluir", {u("&Excluir"), u("&Excluir"), u("Exclui o registro atual."), u("eExcluir"), kTop, -4, QSize(44, 44), kLeft, -4}},
      {"ePrimeiro", {u("P&rimeiro"), u("P&rimeiro"), u("Posiciona no primeiro registro."), u("ePrimeiro"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eAnterior", {u("Anteri&or"), u("Anteri&or"), u("Posiciona no registro anterior."), u("eAnterior"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eProximo", {u("&Proximo"), u("&Próximo"), u("Posiciona no próximo registro."), u("eProximo"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eUltimo", {u("&Ultimo"), u("&Último"), u("Posiciona no último registro."), u("eUltimo"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"ePesquisar", {kKeep, kKeep, kKeep, u("ePesquisar"), kTop, -6, QSize(44, 44), kLeft, -6}},
      {"eAtualizar", {u("A&tualizar"), u("A&tualizar"), u("Atualiza a tabela."), u("eAtualizar"), kTop, -2, QSize(44, 44), kLeft, -2}},
      {"eFechar", {u("&Fechar"), u("&Fechar"), closeHint, u("eFechar"), kTop, -8, QSize(44, 44), kLeft, -8}},
      {"eVoltar", {u("&Fechar"), u("&Fechar"), closeHint, u("eVoltar"), kLeft, 4, QSize(84, 40), kLeft, 4}},
      {"eConfirmar", {u("&Confirma"), u("&Confirma"), u("Confirma a seleção."), u("eConfirma"), kLeft, 4, QSize(84, 40), kLeft, 4}},
      {"eSair", {u("Sair"), u("Sair"), closeHint, u("eSair"), kKeep, kKeep, kKeep, kKeep, kKeep, true}},
      {"eImprimir", {u("Im&primir"), u("Im&primir"), u("Imprimir."), u("eImprimir"), kLeft, 4, QSize(84, 40), kLeft, 4}},
      {"eVisualiza", {u("&Visualiza"), u("&Visualiza"), viewHint, u("eVisualiza"), kTop, kKeep, kKeep, kLeft, kKeep}},
      {"ePreview", {u("&Visualiza"), u("&Visualiza"), viewHint, u("ePreview"), kLeft, 4, QSize(84, 40), kLeft, 4}},
      {"eGrafico", {u("&Grafico"), u("&Grafico"), u("Visualiza o Grafico."), u("eGrafico"), kLeft, 4, QSize(84, 40), kLeft, 4}},
      {"ePrintSetup", {kKeep, kKeep, u("Seleciona a Impressora."), u("eCONFIG_IMPRESSORA"), kLeft, kKeep, QSize(50, 46), kLeft, kKeep}},
      {"eCalculadora", {u("&Calculadora"), u("&Calculadora"), u("Calculadora"), u("eCALCULADORA"), kKeep, kKeep, kKeep, kKeep, kKeep}},
      {"eCalcFita", {u("&Calculadora"), u("&Calculadora"), u("Calculadora"), u("eCALC_FITA"), kKeep, kKeep, kKeep, kKeep, kKeep}},
      {"eCD", {kKeep, kKeep, kKeep, u("eCD"), kKeep, kKeep, kKeep, kKeep, kKeep}},
      {"eNovo", {u("&Novo"), u("&Novo"), u("Inclui um novo registro."), u("eNovo"), kKeep, kKeep, kKeep, kKeep, kKeep}},
  }};
  return table;
}

int ordinal(TKindPersonalizado kind) { return static_cast<int>(kind); }

}  // namespace

const KindPreset* kindPreset(TKindPersonalizado kind) {
  const int i = ordinal(kind);
  if (i <= 0 || i >= kKindCount) return nullptr;
  return &rows()[static_cast<std::size_t>(i)].preset;
}

void applyKind(TBitBtn& button, TKindPersonalizado kind, ButtonFamily family) {
  const bool second = family == ButtonFamily::Second;
  const int i = ordinal(kind);
  if (i < 0 || i >= kKindCount || (!second && kind == TKindPersonalizado::eCustom)) {
    if (i < 0 || i >= kKindCount) button.update();
    return;
  }
  button.setNumGlyphs(1);
  button.setModalResult(mrNone);
  if (const KindPreset* p = kindPreset(kind)) {
    button.setGlyph(loadPicture(second ? p->picture + QLatin1Char('2') : p->picture));
    const auto& caption = second ? p->caption2 : p->caption1;
    if (caption) button.setText(*caption);
    if (p->hint) button.setToolTip(*p->hint);
    const auto& layout = second ? p->layout2 : p->layout1;
    if (layout) button.setLayout(*layout);
    const auto& spacing = second ? p->spacing2 : p->spacing1;
    if (spacing) button.setSpacing(*spacing);
    if (!second && p->size1) button.setSize(p->size1->width(), p->size1->height());
    if (p->cancel) button.setCancel(true);
  }
  button.update();
}

QString kindName(TKindPersonalizado kind) {
  const int i = ordinal(kind);
  if (i < 0 || i >= kKindCount) return QString::number(i);
  return QString::fromLatin1(rows()[static_cast<std::size_t>(i)].name);
}

}  // namespace controls
