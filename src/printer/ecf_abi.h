// The vendor's C interface of the fiscal printer library, written once as an
// X-macro so that the function table, the dlopen resolution, the simulated
// printer and its shared library's exports cannot drift apart.
//
// QX_ECF_FUNCTIONS(X) calls X(name, parameter list, argument list) once per
// function. Every function returns a 32-bit signed integer. Input texts are
// NUL-terminated Windows-1252 texts, a null pointer standing for the empty
// text. Output buffers (char*) arrive filled with spaces of a fixed size; the
// library overwrites them in place and writes at most that size plus the NUL.
#ifndef QX_PRINTER_ECF_ABI_H_
#define QX_PRINTER_ECF_ABI_H_

#include <cstdint>

// clang-format off
#define QX_ECF_FUNCTIONS(X) \
  /* no arguments */ \
  X(Bematech_FI_VerificaImpressoraLigada, (), ()) \
  X(Bematech_FI_LeituraX, (), ()) \
  X(Bematech_FI_CancelaCupom, (), ()) \
  X(Bematech_FI_FechaRelatorioGerencial, (), ()) \
  X(Bematech_FI_FechaComprovanteNaoFiscalVinculado, (), ()) \
  X(Bematech_FI_AcionaGaveta, (), ()) \
  X(Bematech_FI_ProgramaHorarioVerao, (), ()) \
  X(Bematech_FI_ImprimeConfiguracoesImpressora, (), ()) \
  X(Bematech_FI_RelatorioTipo60Mestre, (), ()) \
  X(Bematech_FI_RelatorioTipo60Analitico, (), ()) \
  X(Bematech_FI_RegistrosTipo60, (), ()) \
  X(Bematech_FI_ReducaoZ, (const char* data, const char* hora), (data, hora)) \
  /* status */ \
  X(Bematech_FI_RetornoImpressora, (int32_t* ack, int32_t* st1, int32_t* st2), (ack, st1, st2)) \
  /* input texts */ \
  X(Bematech_FI_AbreCupom, (const char* cpf), (cpf)) \
  X(Bematech_FI_VendeItemDepartamento, (const char* codigo, const char* descricao, \
      const char* aliquota, const char* valorUnitario, const char* quantidade, \
      const char* acrescimo, const char* desconto, const char* departamento, \
      const char* unidade), \
    (codigo, descricao, aliquota, valorUnitario, quantidade, acrescimo, desconto, \
     departamento, unidade)) \
  X(Bematech_FI_UsaUnidadeMedida, (const char* unidade), (unidade)) \
  X(Bematech_FI_AumentaDescricaoItem, (const char* descricao), (descricao)) \
  X(Bematech_FI_CancelaItemGenerico, (const char* item), (item)) \
  X(Bematech_FI_FechaCupomResumido, (const char* forma, const char* mensagem), (forma, mensagem)) \
  X(Bematech_FI_IniciaFechamentoCupom, (const char* acrescimoDesconto, const char* tipo, \
      const char* valor), (acrescimoDesconto, tipo, valor)) \
  X(Bematech_FI_EfetuaFormaPagamento, (const char* forma, const char* valor), (forma, valor)) \
  X(Bematech_FI_TerminaFechamentoCupom, (const char* mensagem), (mensagem)) \
  X(Bematech_FI_AbreRelatorioGerencialMFD, (const char* indice), (indice)) \
  X(Bematech_FI_UsaRelatorioGerencialMFD, (const char* texto), (texto)) \
  X(Bematech_FI_AbreComprovanteNaoFiscalVinculado, (const char* forma, const char* valor, \
      const char* cupom), (forma, valor, cupom)) \
  X(Bematech_FI_UsaComprovanteNaoFiscalVinculado, (const char* texto), (texto)) \
  X(Bematech_FI_Sangria, (const char* valor), (valor)) \
  X(Bematech_FI_Suprimento, (const char* valor, const char* forma), (valor, forma)) \
  X(Bematech_FI_ImprimeCheque, (const char* banco, const char* valor, const char* favorecido, \
      const char* cidade, const char* data, const char* mensagem), \
    (banco, valor, favorecido, cidade, data, mensagem)) \
  X(Bematech_FI_ProgramaAliquota, (const char* aliquota, int32_t vinculo), (aliquota, vinculo)) \
  X(Bematech_FI_HabilitaDesabilitaRetornoEstendidoMFD, (const char* flag), (flag)) \
  X(Bematech_FI_LeituraMemoriaFiscalData, (const char* inicio, const char* fim), (inicio, fim)) \
  X(Bematech_FI_LeituraMemoriaFiscalReducao, (const char* inicio, const char* fim), (inicio, fim)) \
  X(Bematech_FI_LeituraMemoriaFiscalSerialData, (const char* inicio, const char* fim), (inicio, fim)) \
  X(Bematech_FI_LeituraMemoriaFiscalSerialReducao, (const char* inicio, const char* fim), \
    (inicio, fim)) \
  X(Bematech_FI_LeituraMemoriaFiscalDataMFD, (const char* inicio, const char* fim, \
      const char* tipo), (inicio, fim, tipo)) \
  X(Bematech_FI_LeituraMemoriaFiscalReducaoMFD, (const char* inicio, const char* fim, \
      const char* tipo), (inicio, fim, tipo)) \
  X(Bematech_FI_LeituraMemoriaFiscalSerialDataMFD, (const char* inicio, const char* fim, \
      const char* tipo), (inicio, fim, tipo)) \
  X(Bematech_FI_LeituraMemoriaFiscalSerialReducaoMFD, (const char* inicio, const char* fim, \
      const char* tipo), (inicio, fim, tipo)) \
  X(Bematech_FI_DownloadMFD, (const char* arquivo, const char* tipo, const char* inicio, \
      const char* fim, const char* usuario), (arquivo, tipo, inicio, fim, usuario)) \
  X(Bematech_FI_FormatoDadosMFD, (const char* origem, const char* destino, const char* formato, \
      const char* tipo, const char* inicio, const char* fim, const char* usuario), \
    (origem, destino, formato, tipo, inicio, fim, usuario)) \
  X(Bematech_FI_ArquivoMFD, (const char* origem, const char* inicio, const char* fim, \
      const char* tipo, const char* usuario, int32_t t6, const char* chavePublica, \
      const char* chavePrivada, int32_t t9), \
    (origem, inicio, fim, tipo, usuario, t6, chavePublica, chavePrivada, t9)) \
  X(BemaGeraRegistrosTipoE, (const char* a1, const char* a2, const char* a3, const char* a4, \
      const char* a5, const char* a6, const char* a7, const char* a8, const char* a9, \
      const char* a10, const char* a11, const char* a12, const char* a13, const char* a14, \
      const char* a15, const char* a16, const char* a17, const char* a18, const char* a19, \
      const char* a20, const char* a21), \
    (a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, \
     a20, a21)) \
  /* output buffers: sizes in the comments */ \
  X(Bematech_FI_NumeroCupom, (char* coo6), (coo6)) \
  X(Bematech_FI_NumeroReducoes, (char* crz6), (crz6)) \
  X(Bematech_FI_NumeroOperacoesNaoFiscais, (char* gnf6), (gnf6)) \
  X(Bematech_FI_ContadorCupomFiscalMFD, (char* ccf6), (ccf6)) \
  X(Bematech_FI_ContadorRelatoriosGerenciaisMFD, (char* grg6), (grg6)) \
  X(Bematech_FI_ContadorComprovantesCreditoMFD, (char* cdc6), (cdc6)) \
  X(Bematech_FI_DataMovimentoUltimaReducaoMFD, (char* data6), (data6)) \
  X(Bematech_FI_NumeroCuponsCancelados, (char* can4), (can4)) \
  X(Bematech_FI_VersaoFirmware, (char* versao4), (versao4)) \
  X(Bematech_FI_VersaoFirmwareMFD, (char* versao10), (versao10)) \
  X(Bematech_FI_ModeloImpressora, (char* modelo10), (modelo10)) \
  X(Bematech_FI_NumeroSerie, (char* serie15), (serie15)) \
  X(Bematech_FI_NumeroSerieMFD, (char* serie20), (serie20)) \
  X(Bematech_FI_DataHoraImpressora, (char* data6, char* hora6), (data6, hora6)) \
  X(Bematech_FI_DataHoraReducao, (char* data6, char* hora6), (data6, hora6)) \
  X(Bematech_FI_DataHoraUltimoDocumentoMFD, (char* dataHora12), (dataHora12)) \
  X(Bematech_FI_InicioFimCOOsMFD, (char* inicial6, char* final6), (inicial6, final6)) \
  X(Bematech_FI_SubTotal, (char* subtotal14), (subtotal14)) \
  X(Bematech_FI_GrandeTotal, (char* total18), (total18)) \
  X(Bematech_FI_RetornoAliquotas, (char* aliquotas79), (aliquotas79)) \
  X(Bematech_FI_VerificaIndiceAliquotasIss, (char* indices48), (indices48)) \
  X(Bematech_FI_VerificaFormasPagamento, (char* formas3016), (formas3016)) \
  X(Bematech_FI_DadosUltimaReducao, (char* dados631), (dados631)) \
  X(Bematech_FI_DadosUltimaReducaoMFD, (char* dados1279), (dados1279)) \
  X(Bematech_FI_DataHoraGravacaoUsuarioSWBasicoMFAdicional, (char* dataUsuario19, \
      char* dataSoftware19, uint16_t* letra), (dataUsuario19, dataSoftware19, letra)) \
  X(Bematech_FI_VerificaReducaoZAutomatica, (int32_t* automatica), (automatica)) \
  /* the other two libraries */ \
  X(md5FromFile, (const char* arquivo, char* md5_32), (arquivo, md5_32)) \
  X(generateEAD, (const char* arquivo, const char* chavePublica, const char* chavePrivada, \
      char* ead256, int32_t flag), (arquivo, chavePublica, chavePrivada, ead256, flag))
// clang-format on

#endif  // QX_PRINTER_ECF_ABI_H_
