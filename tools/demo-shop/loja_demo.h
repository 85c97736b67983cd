// A shop data directory with every table the system reads or writes, the
// index files the shop's sales system keeps, and rows added the way that
// system adds them. Used by the demo-shop tool and by tests that need a shop.
#ifndef QX_TOOLS_DEMO_SHOP_LOJA_DEMO_H_
#define QX_TOOLS_DEMO_SHOP_LOJA_DEMO_H_

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace demoshop {

struct Produto {
  QString codigo;     // CODITEM, an EAN
  QString descricao;
  int comprimidos = 30;  // QTDE_COMP, pills per box
  double preco = 0;      // VENDANORM, per box
  QString grupo = QStringLiteral("0001");
};

struct Cliente {
  QString codigo;
  QString nome;
  QString cpf;  // as the shop stores it (11 digits, or with punctuation)
};

struct Vendedor {
  QString codigo;
  QString nome;
  QString usuarioFP;
  QString senhaFP;
};

struct ItemVenda {
  QString codigo;
  double caixas = 1;
};

struct Venda {
  QString cupom;  // six digits
  QDate data;
  QString impressora = QStringLiteral("001");
  QString vendedor;
  QString cliente;
  QList<ItemVenda> itens;
  QString codDsus;  // filled for a sale already authorized
  QString solicit;
  bool comItens = true;  // false: a header whose items the sales system purged
};

class LojaDemo {
 public:
  // Creates every table and index file in dir (created when missing).
  // Throws platform::Error when dir already holds a table.
  explicit LojaDemo(QString dir);

  // A shop made before, to add rows to.
  static LojaDemo Existente(QString dir) { return LojaDemo(std::move(dir), 0); }

  const QString& dir() const { return dir_; }

  void adiciona(const Produto& p);
  void adiciona(const Cliente& c);
  void adiciona(const Vendedor& v);
  // ECFMOVIM row, its SIPROECF items (prices from ITEM) and stock movements.
  void adiciona(const Venda& v);

  // The table files and their index files, as created.
  static const QStringList& tabelas();

 private:
  LojaDemo(QString dir, int) : dir_(std::move(dir)) {}
  QString dir_;
};

// Writes "QxECF.ini" into programa with the demo programme data.
void EscreveIni(const QString& programa, const QString& dados, const QString& estacao = QStringLiteral("001"));

// Writes a scenario for the simulated authorizer that knows the demo's
// programme medicines, establishment and beneficiaries.
void EscreveCenario(const QString& arquivo);

// The demo's programme medicines, clients and sellers.
QList<Produto> ProdutosDemo();
QList<Cliente> ClientesDemo();
QList<Vendedor> VendedoresDemo();

struct LojaCriada {
  QString cupom;          // the coupon registered today
  QStringList itens;      // its product codes
  QString cpf;
};

// The whole demo: the shop with some history, today's sale registered on the
// simulated printer whose state lives in programa (one COO for ECFMOVIM,
// SIPROECF and MOVIM), and the INI. today is the date the sale is made on.
LojaCriada CriaLojaDemo(const QString& dados, const QString& programa, QDate hoje);

}  // namespace demoshop

#endif  // QX_TOOLS_DEMO_SHOP_LOJA_DEMO_H_
