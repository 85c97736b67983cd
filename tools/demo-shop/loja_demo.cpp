#include "loja_demo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "printer/simulator/ecf_simulator.h"
#include "shopdb/catalogue.h"
#include "shopdb/sql_handle.h"
#include "shopdb/table_handle.h"
#include "xbase/cdx_index.h"
#include "xbase/table.h"

namespace demoshop {

namespace {

struct Campo {
  const char* nome;
  char tipo;
  int tamanho;
  int decimais;
};

struct Indice {
  const char* arquivo;  // one tag per file, named like it
  const char* chave;
  int tamanho;
};

struct Tabela {
  const char* arquivo;
  std::vector<Campo> campos;
  std::vector<Indice> indices;
};

// The layouts the shop's sales system uses for the tables this system touches.
const std::vector<Tabela>& Layouts() {
  static const std::vector<Tabela> t = {
      {"ITEM.DBF",
       {{"CODITEM", 'C', 14, 0}, {"DESCRICAO", 'C', 50, 0}, {"QTDE_COMP", 'N', 6, 0},
        {"VENDANORM", 'N', 12, 2}, {"GRUPO", 'C', 4, 0}, {"STATUS_ITM", 'C', 1, 0},
        {"UNIDADE", 'C', 3, 0}, {"CDTRIBI", 'C', 3, 0}, {"CODTRIBUT", 'C', 3, 0},
        {"DESCNUM", 'C', 10, 0}, {"SALATUAL", 'N', 12, 3}, {"COD_NCM", 'C', 8, 0},
        {"CODORIG", 'C', 10, 0}},
       {{"CODITEM", "CODITEM", 14}, {"SIDESCIT", "DESCRICAO", 50}, {"SIORIGIT", "CODORIG", 10}}},
      {"ECFMOVIM.DBF",
       {{"CUPOM", 'C', 6, 0}, {"DATA", 'D', 8, 0}, {"IMPRESSORA", 'C', 3, 0}, {"VENDEDOR", 'C', 4, 0},
        {"CLIENTE", 'C', 6, 0}, {"COD_DSUS", 'C', 19, 0}, {"SOLICIT", 'C', 6, 0}, {"CRM_ECF", 'C', 7, 0},
        {"UF_CRM", 'C', 20, 0}, {"CPFCGC_CLI", 'C', 14, 0}, {"NOME_CLI", 'C', 40, 0},
        {"TOTAL", 'N', 12, 2}},
       {{"ECFCODMO", "CUPOM+IMPRESSORA", 9}, {"ECFDATMO", "DTOS(DATA)+CUPOM", 14},
        {"ECFNUMMO", "COD_DSUS", 19}}},
      {"SIPROECF.DBF",
       {{"CUPOM_PRO", 'C', 6, 0}, {"CODPRO_PRO", 'C', 14, 0}, {"QTDE", 'N', 10, 3}, {"VALOR_PRO", 'N', 12, 2}},
       {{"SIPROCUP", "CUPOM_PRO", 6}}},
      {"CLIENTES.DBF",
       {{"CODIGO_CLI", 'C', 6, 0}, {"NOME_CLI", 'C', 40, 0}, {"CPF_CLI", 'C', 14, 0}, {"CIDADE_CLI", 'C', 30, 0}},
       {{"SICODCLI", "CODIGO_CLI", 6}}},
      {"VENDEDOR.DBF",
       {{"CODIGO_VEN", 'C', 4, 0}, {"NOME_VEN", 'C', 40, 0}, {"USUARIO_FP", 'C', 20, 0}, {"SENHA_FP", 'C', 20, 0}},
       {{"SICODVEN", "CODIGO_VEN", 4}, {"SINOMVEN", "NOME_VEN", 40}}},
      {"MOVIM.DBF",
       {{"NF", 'C', 6, 0}, {"COD_NOTA", 'C', 10, 0}, {"DATMOV", 'D', 8, 0}, {"CODITM_MOV", 'C', 14, 0},
        {"QTDE", 'N', 10, 3}, {"TIPOMOV", 'C', 2, 0}, {"CODFOR", 'C', 6, 0}, {"CODIGO_MOV", 'C', 8, 0}},
       {{"SINFMOV", "NF+TIPOMOV+CODFOR+COD_NOTA", 24}, {"SIMOVITM", "CODITM_MOV+DTOS(DATMOV)+TIPOMOV", 24},
        {"SIMOVCLI", "CODFOR+DTOS(DATMOV)+TIPOMOV+CODITM_MOV", 30},
        {"SIDATMOV", "DTOS(DATMOV)+CODITM_MOV+TIPOMOV", 24}, {"CODMOV", "CODIGO_MOV", 8}}},
      {"SIGRUPO.DBF", {{"CODIGO_GRU", 'C', 4, 0}, {"DESC_GRU", 'C', 30, 0}}, {}},
      {"ECFARQGE.DBF",
       {{"COO_ECF", 'C', 6, 0}, {"CRG_ECF", 'C', 6, 0}, {"CDC_ECF", 'C', 6, 0}, {"GNF_ECF", 'C', 6, 0},
        {"DENOMI", 'C', 2, 0}, {"REFER", 'C', 30, 0}, {"DT_EMIS", 'D', 8, 0}, {"HORA", 'C', 8, 0},
        {"COD_IMP", 'C', 3, 0}},
       {}},
  };
  return t;
}

const Tabela& Layout(const char* arquivo) {
  for (const Tabela& t : Layouts())
    if (QString::fromLatin1(t.arquivo) == QLatin1String(arquivo)) return t;
  throw platform::Error(QStringLiteral("Tabela desconhecida: %1").arg(arquivo));
}

// A handle on one table with all its index files, so every append keeps them.
std::unique_ptr<shopdb::TableHandle> Abre(const QString& dir, const char* arquivo) {
  shopdb::TableDef def;
  def.object = QString::fromLatin1(arquivo);
  def.fileName = QString::fromLatin1(arquivo);
  for (const Indice& i : Layout(arquivo).indices) def.indexes << QString::fromLatin1(i.arquivo);
  auto h = std::make_unique<shopdb::TableHandle>(def);
  h->setDirectory(dir);
  h->open();
  return h;
}

QString Numero(double v) { return shopdb::floatToString(v); }

}  // namespace

const QStringList& LojaDemo::tabelas() {
  static const QStringList nomes = [] {
    QStringList n;
    for (const Tabela& t : Layouts()) {
      n << QString::fromLatin1(t.arquivo);
      for (const Indice& i : t.indices) n << QString::fromLatin1(i.arquivo) + ".CDX";
    }
    return n;
  }();
  return nomes;
}

LojaDemo::LojaDemo(QString dir) : dir_(std::move(dir)) {
  if (!QDir().mkpath(dir_)) throw platform::Error(QStringLiteral("Não foi possível criar a pasta %1").arg(dir_));
  for (const Tabela& t : Layouts()) {
    const QString caminho = QDir(dir_).filePath(QString::fromLatin1(t.arquivo));
    if (QFileInfo::exists(caminho))
      throw platform::Error(QStringLiteral("A pasta %1 já tem a tabela %2").arg(dir_, t.arquivo));
    std::vector<xbase::FieldInfo> campos;
    for (const Campo& c : t.campos) {
      xbase::FieldInfo f;
      f.name = c.nome;
      f.type = c.tipo;
      f.length = c.tamanho;
      f.decimals = c.decimais;
      campos.push_back(f);
    }
    try {
      xbase::Table::Create(caminho.toStdString(), campos);
      for (const Indice& i : t.indices) {
        xbase::TagInfo tag;
        tag.name = i.arquivo;
        tag.key_expression = i.chave;
        tag.key_length = i.tamanho;
        xbase::CdxFile::Create(QDir(dir_).filePath(QString::fromLatin1(i.arquivo) + ".CDX").toStdString(), {tag});
      }
    } catch (const xbase::Error& e) {
      throw platform::Error(QString::fromUtf8(e.what()));
    }
  }
  auto grupos = Abre(dir_, "SIGRUPO.DBF");
  for (const auto& [codigo, nome] : std::map<QString, QString>{{"0001", "FARMACIA POPULAR"}, {"0002", "GERAL"}}) {
    grupos->insert();
    grupos->setFieldFromString("CODIGO_GRU", codigo);
    grupos->setFieldFromString("DESC_GRU", nome);
    grupos->post();
  }
}

void LojaDemo::adiciona(const Produto& p) {
  auto t = Abre(dir_, "ITEM.DBF");
  t->insert();
  t->setFieldFromString("CODITEM", p.codigo);
  t->setFieldFromString("DESCRICAO", p.descricao);
  t->setFieldFromString("QTDE_COMP", Numero(p.comprimidos));
  t->setFieldFromString("VENDANORM", Numero(p.preco));
  t->setFieldFromString("GRUPO", p.grupo);
  t->setFieldFromString("STATUS_ITM", "A");
  t->setFieldFromString("UNIDADE", "CX");
  t->setFieldFromString("CDTRIBI", "FF");
  t->setFieldFromString("CODORIG", p.codigo.right(10));
  t->post();
}

void LojaDemo::adiciona(const Cliente& c) {
  auto t = Abre(dir_, "CLIENTES.DBF");
  t->insert();
  t->setFieldFromString("CODIGO_CLI", c.codigo);
  t->setFieldFromString("NOME_CLI", c.nome);
  t->setFieldFromString("CPF_CLI", c.cpf);
  t->setFieldFromString("CIDADE_CLI", QStringLiteral("BELO HORIZONTE"));
  t->post();
}

void LojaDemo::adiciona(const Vendedor& v) {
  auto t = Abre(dir_, "VENDEDOR.DBF");
  t->insert();
  t->setFieldFromString("CODIGO_VEN", v.codigo);
  t->setFieldFromString("NOME_VEN", v.nome);
  t->setFieldFromString("USUARIO_FP", v.usuarioFP);
  t->setFieldFromString("SENHA_FP", v.senhaFP);
  t->post();
}

void LojaDemo::adiciona(const Venda& v) {
  auto produtos = Abre(dir_, "ITEM.DBF");
  double total = 0;
  QList<double> precos;
  for (const ItemVenda& i : v.itens) {
    const double preco = produtos->locate("CODITEM", i.codigo) ? produtos->fieldAsFloat("VENDANORM") : 0;
    precos << preco;
    total += preco * i.caixas;
  }
  auto cab = Abre(dir_, "ECFMOVIM.DBF");
  cab->insert();
  cab->setFieldFromString("CUPOM", v.cupom);
  cab->setFieldFromDate("DATA", v.data);
  cab->setFieldFromString("IMPRESSORA", v.impressora);
  cab->setFieldFromString("VENDEDOR", v.vendedor);
  cab->setFieldFromString("CLIENTE", v.cliente);
  cab->setFieldFromString("COD_DSUS", v.codDsus);
  cab->setFieldFromString("SOLICIT", v.solicit);
  cab->setFieldFromString("TOTAL", Numero(total));
  cab->post();
  if (!v.comItens) return;

  auto itens = Abre(dir_, "SIPROECF.DBF");
  auto mov = Abre(dir_, "MOVIM.DBF");
  int seq = 0;
  for (mov->first(); !mov->eof(); mov->next()) ++seq;
  for (int k = 0; k < v.itens.size(); ++k) {
    const ItemVenda& i = v.itens.at(k);
    itens->insert();
    itens->setFieldFromString("CUPOM_PRO", v.cupom);
    itens->setFieldFromString("CODPRO_PRO", i.codigo);
    itens->setFieldFromString("QTDE", Numero(i.caixas));
    itens->setFieldFromString("VALOR_PRO", Numero(precos.at(k)));
    itens->post();
    mov->insert();
    mov->setFieldFromString("NF", v.cupom);
    mov->setFieldFromString("COD_NOTA", "ECF:" + v.impressora);
    mov->setFieldFromDate("DATMOV", v.data);
    mov->setFieldFromString("CODITM_MOV", i.codigo);
    mov->setFieldFromString("QTDE", Numero(i.caixas));
    mov->setFieldFromString("TIPOMOV", "S");
    mov->setFieldFromString("CODFOR", v.cliente);
    mov->setFieldFromString("CODIGO_MOV", QStringLiteral("%1").arg(++seq, 8, 10, QChar('0')));
    mov->post();
  }
}

void EscreveIni(const QString& programa, const QString& dados, const QString& estacao) {
  platform::IniFile ini(QDir(programa).filePath("QxECF.ini"));
  ini.writeString("QX", "Diretorio", dados);
  ini.writeString("QX", "Estacao", estacao);
  ini.writeString("FP", "LOGIN", "drogariademo");
  ini.writeString("FP", "SENHA", "fp2026demo");
  ini.writeString("FP", "CNPJ", "11222333000181");
}

void EscreveCenario(const QString& arquivo) {
  QString t = QStringLiteral(
      "# Cenário da loja de demonstração para o autorizador simulado.\n"
      "[estabelecimento]\nlogin = drogariademo\nsenha = fp2026demo\ncnpj = 11222333000181\n\n"
      "[geral]\nbeneficiario_padrao = autorizado\nnome_padrao = BENEFICIARIO SIMULADO\n\n"
      "[medicamentos]\n");
  for (const Produto& p : ProdutosDemo()) {
    if (p.grupo != QLatin1String("0001")) continue;  // not a programme medicine
    // The programme pays up to 90 % of the price per pill.
    const double porComprimido = p.preco * 0.9 / p.comprimidos;
    t += QStringLiteral("%1 | %2 | %3 | %4 | %5\n")
             .arg(p.codigo, QString::number(porComprimido, 'f', 2).replace('.', ','))
             .arg(p.comprimidos == 1 ? 1 : 3)
             .arg(p.comprimidos)
             .arg(p.descricao);
  }
  t += QStringLiteral("\n[beneficiarios]\n");
  for (const Cliente& c : ClientesDemo()) t += QStringLiteral("%1 | %2\n").arg(c.cpf, c.nome);
  QFile f(arquivo);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(t.toUtf8()) < 0)
    throw platform::Error(QStringLiteral("Não foi possível gravar o cenário %1: %2").arg(arquivo, f.errorString()));
}

QList<Produto> ProdutosDemo() {
  return {
      {"7896004703398", "LOSARTANA POTASSICA 50MG C/30 COMP", 30, 12.90},
      {"7896422506359", "CLORIDRATO DE METFORMINA 850MG C/30 COMP", 30, 8.50},
      {"7891058001346", "ATENOLOL 25MG C/30 COMP", 30, 6.40},
      {"7896112110019", "GLIBENCLAMIDA 5MG C/30 COMP", 30, 5.20},
      {"7896714200217", "SINVASTATINA 20MG C/30 COMP", 30, 14.80},
      {"7896269900358", "CAPTOPRIL 25MG C/30 COMP", 30, 7.30},
      {"7891721019005", "HIDROCLOROTIAZIDA 25MG C/30 COMP", 30, 4.90},
      {"7896026300148", "SULFATO DE SALBUTAMOL 100MCG AEROSSOL", 1, 18.75},
      {"7898148291625", "INSULINA HUMANA NPH 100UI/ML 10ML", 1, 39.90},
      {"7891142188328", "DIPIRONA SODICA 500MG C/10 COMP", 10, 3.99, "0002"},
  };
}

QList<Cliente> ClientesDemo() {
  return {
      {"000001", "MARIA APARECIDA DOS SANTOS", "52998224725"},
      {"000002", "JOSE CARLOS PEREIRA", "11144477735"},
      {"000003", "ANA LUCIA FERREIRA", "390.533.447-05"},
  };
}

QList<Vendedor> VendedoresDemo() {
  return {
      {"0001", "CARLOS EDUARDO LIMA", "carlos.lima", "vend1234"},
      {"0002", "FERNANDA SOUZA", "fernanda.souza", "vend5678"},
  };
}

LojaCriada CriaLojaDemo(const QString& dados, const QString& programa, QDate hoje) {
  LojaDemo loja(dados);
  for (const Produto& p : ProdutosDemo()) loja.adiciona(p);
  for (const Cliente& c : ClientesDemo()) loja.adiciona(c);
  for (const Vendedor& v : VendedoresDemo()) loja.adiciona(v);

  // Today's sale, printed by the (simulated) fiscal printer first, as the
  // shop's sales system does; its COO is the coupon number everywhere.
  const QList<ItemVenda> itens = {{"7896004703398", 2}, {"7896422506359", 1}, {"7896714200217", 1}};
  qputenv("QX_ECF_SIM_DIR", QFile::encodeName(programa));
  QList<ecfsim::SaleItem> linhas;
  for (const ItemVenda& i : itens) {
    for (const Produto& p : ProdutosDemo()) {
      if (p.codigo != i.codigo) continue;
      ecfsim::SaleItem s;
      s.code = p.codigo;
      s.description = p.descricao;
      s.quantity = Numero(i.caixas);
      s.unitPrice = QString::number(p.preco, 'f', 2).replace('.', ',');
      linhas << s;
    }
  }
  const int coo = ecfsim::registerSale(linhas);
  const QString cupom = QStringLiteral("%1").arg(coo, 6, 10, QChar('0'));

  // History: an authorized sale of last week, and an older sale that carries
  // the same coupon number (another printer's counter), before today's row.
  Venda antiga;
  antiga.cupom = cupom;
  antiga.data = hoje.addDays(-400);
  antiga.impressora = "002";
  antiga.vendedor = "0002";
  antiga.cliente = "000002";
  antiga.solicit = "000017";
  antiga.comItens = false;
  loja.adiciona(antiga);
  Venda autorizada;
  autorizada.cupom = QStringLiteral("%1").arg(coo + 500, 6, 10, QChar('0'));
  autorizada.data = hoje.addDays(-7);
  autorizada.vendedor = "0001";
  autorizada.cliente = "000002";
  autorizada.itens = {{"7891058001346", 1}};
  autorizada.codDsus = "266.864.685.748.302";
  autorizada.solicit = "000041";
  loja.adiciona(autorizada);

  Venda hojeVenda;
  hojeVenda.cupom = cupom;
  hojeVenda.data = hoje;
  hojeVenda.vendedor = "0001";
  hojeVenda.cliente = "000001";
  hojeVenda.itens = itens;
  loja.adiciona(hojeVenda);

  EscreveIni(programa, dados);
  LojaCriada r;
  r.cupom = cupom;
  for (const ItemVenda& i : itens) r.itens << i.codigo;
  r.cpf = ClientesDemo().first().cpf;
  return r;
}

}  // namespace demoshop
