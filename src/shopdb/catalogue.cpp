#include "shopdb/catalogue.h"

namespace shopdb {

const TableDef& ibdProdutos() {
  static const TableDef def{"ibdProdutos", "ITEM", {"SIDESCIT", "CODITEM", "SIORIGIT"}};
  return def;
}

const TableDef& ibdECFMOVIM() {
  static const TableDef def{"ibdECFMOVIM", "ECFMOVIM.dbf", {"ECFCODMO", "ECFNUMMO", "ECFDATMO"}};
  return def;
}

const TableDef& ibdVendedor() {
  static const TableDef def{"ibdVendedor", "VENDEDOR.DBF", {"SINOMVEN", "SICODVEN"}};
  return def;
}

const TableDef& ibdMovimento() {
  static const TableDef def{"ibdMovimento", "MOVIM.DBF", {"SINFMOV", "SIMOVITM", "SIMOVCLI", "SIDATMOV", "CODMOV"}};
  return def;
}

const TableDef& ibdECFARQGE() {
  static const TableDef def{"ibdECFARQGE", "ECFARQGE.DBF", {}};
  return def;
}

const QList<TableDef>& navigationalTables() {
  static const QList<TableDef> all{ibdProdutos(), ibdECFMOVIM(), ibdVendedor(), ibdMovimento(), ibdECFARQGE()};
  return all;
}

const QList<SqlIndexes>& sqlIndexFiles() {
  static const QList<SqlIndexes> all{
      {"ITEM", ibdProdutos().indexes},   {"ECFMOVIM", ibdECFMOVIM().indexes},
      {"VENDEDOR", ibdVendedor().indexes}, {"MOVIM", ibdMovimento().indexes},
      {"SIPROECF", {"SIPROCUP"}},        {"CLIENTES", {"SICODCLI"}},
  };
  return all;
}

}  // namespace shopdb
