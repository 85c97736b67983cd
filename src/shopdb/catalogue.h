// The shop tables this system opens on the navigational path, with the index
// files opened with each (so that writes keep them current), and the index
// files the SQL path opens with the tables it reads.
#ifndef QX_SHOPDB_CATALOGUE_H_
#define QX_SHOPDB_CATALOGUE_H_

#include <QString>
#include <QStringList>
#include <QList>

namespace shopdb {

struct TableDef {
  QString object;       // the table object's name on the main window
  QString fileName;     // as the system names it; found without regard to case
  QStringList indexes;  // index files opened with it
};

const TableDef& ibdProdutos();   // ITEM
const TableDef& ibdECFMOVIM();   // ECFMOVIM.dbf
const TableDef& ibdVendedor();   // VENDEDOR.DBF
const TableDef& ibdMovimento();  // MOVIM.DBF
const TableDef& ibdECFARQGE();   // ECFARQGE.DBF
const QList<TableDef>& navigationalTables();

// Table name -> index files the SQL connection opens with it where present:
// the navigational ones, and those of the coupon items (SIPROCUP on
// CUPOM_PRO) and the clients (SICODCLI on CODIGO_CLI) that the coupon lookup
// seeks into.
struct SqlIndexes {
  QString table;
  QStringList indexes;
};
const QList<SqlIndexes>& sqlIndexFiles();

}  // namespace shopdb

#endif  // QX_SHOPDB_CATALOGUE_H_
