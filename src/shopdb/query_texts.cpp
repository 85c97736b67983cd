#include "shopdb/query_texts.h"

#include "platform/regional.h"
#include "shopdb/sql_handle.h"
#include "util/eFuncoes.h"

namespace shopdb {
namespace {

// The statements as the shop's sales system has always run them: runs of
// blanks and carriage-return line breaks included.
const QString kCouponLookupHead = QStringLiteral(
    " SELECT * FROM SIPROECF                          INNER JOIN ECFMOVIM E ON CUPOM=CUPOM_PRO        INNER JOIN CLIENTES ON CODIGO_CLI=E.CLIENTE     inner JOIN VENDEDOR ON CODIGO_VEN=E.VENDEDOR    WHERE e.data=");

const QString kSinf = QStringLiteral(
    "  SELECT S.CODIGO_NF,S.SERIE_NF,DATA_NF,DT_SAI,HORA,CODFISCAL,                 \r"
    "  CODVEND1,CODTRANS,NATOPER_NF,VRTOTAL_NF,BASECAL_NF,s.FRETE,PLACA_UF,NF_CAN,  \r"
    "  CODIGO_CLI,iif(SUBSTRING(CODFISCAL,1,1) IN ('5','6','7'),NOME_CLI,nome_for)nome_cli, \r"
    "  iif(SUBSTRING(CODFISCAL,1,1) IN ('5','6','7'),CIDADE_CLI,cidade_for) cidade_cli,     \r"
    "  iif(SUBSTRING(CODFISCAL,1,1) IN ('5','6','7'),ESTADO_CLI,estado_for) estado_cli,     \r"
    "  NF_CAN ,PLACA_nf, DESC_TM,NOME_VEN,G.CHAVE,G.MENSAGEM                        \r"
    "  FROM SINF s                                                                  \r"
    "  left JOIN CLIENTES ON CODIGO_CLI=CODCLI_NF                                   \r"
    "  left JOIN FORNECED ON CODIGO_FOR=CODCLI_NF                                   \r"
    "  INNER JOIN TIPOMOV T ON T.CODIGO_TM=NATOPER_NF                               \r"
    "  LEFT  JOIN VENDEDOR V ON V.CODIGO_VEN=CODVEND1                               \r"
    "  LEFT  JOIN SINFEREG G ON G.CODIGO_NF=S.CODIGO_NF AND S.SERIE_NF=G.SERIE_NF   \r"
    "  /*order by data_nf MUITO PESADO */ ");

const QString kSinfEnt2 = QStringLiteral(
    "  SELECT S.CODIGO_NF,NUMERO_NF,MODELO_ENT,S.SERIE_NF,DATA_NF,DT_ENT_NF,        \r"
    "  VRTOT_NF,CODIGO_FOR,nome_for, cidade_for , estado_for, CODIGO_TM, DESC_TM    \r"
    "  FROM SINFENT2 s                                                              \r"
    "  left JOIN FORNECED ON CODIGO_FOR=COD_FOR_NF                                  \r"
    "  INNER JOIN TIPOMOV T ON T.CODIGO_TM=TP_MOV_NF                                \r");

const QString kSinfServ = QStringLiteral(
    " SELECT S.CODIGO_NF, S.SERIE_NF, DATA_NF, DT_SAI, VRTOTAL_NF, CODIGO_CLI, NOME_CLI, CIDADE_CLI, ESTADO_CLI, CODIGO_TM, DESC_TM                                         FROM SINFSERV S                                                                    LEFT JOIN CLIENTES ON CODIGO_CLI= CODCLI_NF                                        INNER JOIN TIPOMOV T ON T.CODIGO_TM=NATOPER_NF");

const QString kCobranca = QStringLiteral(
    " SELECT NUM_DUP, CODCLI_DUP, DATA_DUP, VENC_DUP, VALOR_DUP, NOME_CLI, NOSSO_NUME    FROM COBRANCA                                                                      INNER JOIN CLIENTES ON CODCLI_DUP=CAST(CODIGO_CLI as SQL_INTEGER)                  AND NOSSO_NUME<>'' ");

const QString kSinfSecondDialect = QStringLiteral(
    "  SELECT S.CODIGO_NF,S.SERIE_NF,DATA_NF,DT_SAI,HORA,CODFISCAL,s.no_reg,          CODVEND1,CODTRANS,NATOPER_NF,VRTOTAL_NF,BASECAL_NF,s.FRETE,PLACA_UF,NF_CAN,    CODIGO_CLI,iif(SUBSTRING(CODFISCAL from 1 for 1) IN ('5','6','7'),NOME_CLI,nome_for)nome_cli,   iif(SUBSTRING(CODFISCAL from 1 for 1) IN ('5','6','7'),CIDADE_CLI,cidade_for) cidade_cli,       iif(SUBSTRING(CODFISCAL from 1 for 1) IN ('5','6','7'),ESTADO_CLI,estado_for) estado_cli,       NF_CAN ,PLACA_nf, DESC_TM,NOME_VEN,G.CHAVE,G.MENSAGEM                          FROM SINF s                                                                    left JOIN CLIENTES ON CODIGO_CLI=CODCLI_NF                                     left JOIN FORNECED ON CODIGO_FOR=CODCLI_NF                                     INNER JOIN TIPOMOV T ON T.CODIGO_TM=NATOPER_NF                                 LEFT  JOIN VENDEDOR V ON V.CODIGO_VEN=CODVEND1                                 LEFT  JOIN SINFEREG G ON G.no_reg=s.no_reg      ");

const QString kItemSearch = QStringLiteral(" SELECT * FROM ") + QStringLiteral("ITEM") +
                            QStringLiteral(" INNER JOIN SIGRUPO ON CODIGO_GRU=GRUPO ");

}  // namespace

QString quoted(const QString& value) {
  QString out = value;
  out.replace(u'\'', QStringLiteral("''"));
  return u'\'' + out + u'\'';
}

const QString kNextRequestNumberText = QStringLiteral(" SELECT MAX(SOLICIT) SOLICIT FROM ECFMOVIM ");

QString nextRequestNumber(SqlHandle& query) {
  query.close();
  query.setText(kNextRequestNumberText);
  query.open();
  query.first();
  QString next = QStringLiteral("000001");
  if (!query.fieldAsString(QStringLiteral("SOLICIT")).isEmpty())
    next = CompletaZeros(static_cast<double>(query.fieldAsInteger(QStringLiteral("SOLICIT")) + 1), 6, 0);
  query.close();
  return next;
}

QString couponLookupText(QDate day, const QString& coupon) {
  return kCouponLookupHead + quoted(platform::regional::shortDate(day)) + QStringLiteral(" and CUPOM_PRO=") +
         quoted(coupon);
}

QString movementFilter(const QString& coupon, const QString& printer, QDate day) {
  return QStringLiteral("NF=") + quoted(coupon) + QStringLiteral(" .AND. COD_NOTA=") +
         quoted(QStringLiteral("ECF:") + printer) + QStringLiteral(" .AND. DATMOV=ctod(") +
         quoted(platform::regional::shortDate(day)) + u')';
}

QString searchText(const QString& tableKey) {
  if (tableKey == u"ITEM") return kItemSearch;
  if (tableKey == u"SINF") return kSinf;
  if (tableKey == u"SINFENT2") return kSinfEnt2;
  if (tableKey == u"SINFSERV") return kSinfServ;
  if (tableKey == u"COBRANCA") return kCobranca;
  return QStringLiteral(" SELECT * FROM ") + tableKey;
}

QString searchTextSecondDialect(const QString& tableKey) {
  if (tableKey == u"ITEM") return kItemSearch;
  if (tableKey == u"SINF") return kSinfSecondDialect;
  return QStringLiteral(" SELECT * FROM ") + tableKey;
}

QString itemSearchText() { return searchText(QStringLiteral("ITEM")); }

const QStringList& searchPresetTableKeys() {
  static const QStringList keys{
      "ATEND_FUNCIONARIO", "SIT450",   "SIT460",   "CEDENTE",  "LFCODCFO", "SIESTEST", "SIBANCOS",
      "SIRBDOC",           "COBRANCA", "ciapcad",  "TABAJUST", "cthistor", "ctlancam", "cttplan",
      "CLIENTES",          "SIESTCPG", "forneced", "SIESTPRO", "SIGRUEMP", "SIGRUPO",  "ITEM",
      "SINFENT2",          "sificmed", "SINF",     "SINFSERV", "tipomov",  "SIESTTRA", "VENDEDOR"};
  return keys;
}

}  // namespace shopdb
