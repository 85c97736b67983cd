#include "exchange/aguarde_fp.h"
#include "exchange/impressao_teste.h"
#include "exchange/registros.h"
#include "exchange/troca.h"

#include "controls/eBotoes.h"

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace exchange {
namespace {

using platform::DialogResult;

// Remembers, at the pause, whether the request had been written already.
class PausaQueOlha : public platform::Pause {
 public:
  void sleep(int ms) override {
    pausas.append(ms);
    envioExistiaNaPausa = platform::files::exists(kArquivoEnvio);
  }
  QList<int> pausas;
  bool envioExistiaNaPausa = false;
};

// One tick of the wait dialog's timer, through its own timeout signal, so the
// tests need not wait the second between ticks.
void tique(TfrmAguardeFP& d) {
  ASSERT_TRUE(d.Checagem->isActive());
  ASSERT_TRUE(QMetaObject::invokeMethod(d.Checagem, "timeout"));
}

class Troca : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.isValid());
    qputenv("QX_DRIVE_C", drive_.path().toUtf8());
    ASSERT_TRUE(QDir(drive_.path()).mkpath(QStringLiteral("FPopular")));
  }
  void TearDown() override {
    qunsetenv("QX_DRIVE_C");
    EXPECT_EQ(frmAguardeFP, nullptr);
  }

  QString local(const char* nome) const { return drive_.path() + QStringLiteral("/FPopular/") + nome; }
  void escreve(const char* nome, const QByteArray& conteudo) const {
    QFile f(local(nome));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(conteudo);
  }
  QByteArray le(const char* nome) const {
    QFile f(local(nome));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ausente>");
  }
  void respondeAgora(const QByteArray& conteudo = "0100SPre-autorizado\r\n0200SM\r\n") const {
    escreve("FP_REQ.TXT", conteudo);
  }

  // Acts on the wait dialog from inside its modal loop; the dialog must be
  // closed when `acao` returns.
  void enquantoEspera(std::function<void(TfrmAguardeFP&)> acao) {
    QTimer::singleShot(0, [this, acao] {
      TfrmAguardeFP* d = frmAguardeFP;
      if (d == nullptr) {
        ADD_FAILURE() << "no wait dialog";
        return;
      }
      vistoAberto_ = d->isVisible();
      acao(*d);
      if (d->isVisible()) {
        ADD_FAILURE() << "the wait dialog is still open";
        d->reject();
      }
    });
  }

  ResultadoTroca pre(const QString& cpf = QStringLiteral("11122233344")) {
    return runExchange(TipoTroca::PreAutorizacao, requisicao_, nullptr, cpf);
  }

  QTemporaryDir drive_;
  platform::ScopedDialogs dialogos_;
  PausaQueOlha pausa_;
  platform::ScopedPause usaPausa_{&pausa_};
  bool vistoAberto_ = false;
  const QStringList requisicao_{QStringLiteral("01farm"), QStringLiteral("02senha"),
                                QStringLiteral("03000042"), QStringLiteral("04789"),
                                QStringLiteral("04123")};
};

TEST_F(Troca, NoOldFilesPauseThenWholeRequestThenTheWaitUntilTheAnswer) {
  QString legenda;
  int intervalo = 0;
  bool ativo = false;
  enquantoEspera([&](TfrmAguardeFP& d) {
    legenda = d.Label3->text();
    intervalo = d.Checagem->interval();
    ativo = d.Checagem->isActive();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Aguarde..."));
    EXPECT_EQ(d.eBitBtn1->Caption(), QStringLiteral("Cancelar"));
    EXPECT_EQ(d.eBitBtn1->Hint(), QStringLiteral("Cancela"));
    EXPECT_EQ(d.eBitBtn1->KindPersonalizado(), TKindPersonalizado::eCustom);
    EXPECT_FALSE(d.eBitBtn1->focusPolicy() & Qt::TabFocus) << "no tab stop";
    tique(d);  // a tick before the answer changes nothing
    EXPECT_TRUE(d.isVisible());
    respondeAgora();
    tique(d);
  });
  const ResultadoTroca r = pre();
  EXPECT_TRUE(vistoAberto_);
  EXPECT_TRUE(dialogos_.recorder.shown().isEmpty()) << dialogos_.recorder.texts().join(u'|').toStdString();
  EXPECT_EQ(pausa_.pausas, QList<int>{1000});
  EXPECT_FALSE(pausa_.envioExistiaNaPausa);
  EXPECT_EQ(le("FP_ENV.TXT"), QByteArray("01farm\r\n02senha\r\n03000042\r\n04789\r\n04123\r\n"));
  EXPECT_EQ(legenda, QStringLiteral("Pré-Autorização"));
  EXPECT_EQ(intervalo, 1000);
  EXPECT_TRUE(ativo);
  EXPECT_FALSE(r.recusada);
  EXPECT_EQ(r.retorno, 1);
  EXPECT_EQ(r.requisicao, requisicao_);
  EXPECT_EQ(r.linhas(), (QStringList{QStringLiteral("0100SPre-autorizado"), QStringLiteral("0200SM")}));
}

TEST_F(Troca, OldFilesAreRemovedSilentlyBeforeTheNewRequest) {
  escreve("FP_REQ.TXT", "0100Sresposta velha\r\n");
  escreve("FP_ENV.TXT", "01velho\r\n");
  bool respostaVelhaExistia = true;
  enquantoEspera([&](TfrmAguardeFP& d) {
    respostaVelhaExistia = QFile::exists(local("FP_REQ.TXT"));
    respondeAgora("0100Snova\r\n");
    tique(d);
  });
  const ResultadoTroca r = pre();
  EXPECT_FALSE(respostaVelhaExistia);
  EXPECT_TRUE(dialogos_.recorder.shown().isEmpty());
  EXPECT_EQ(r.linhas(), QStringList{QStringLiteral("0100Snova")});
}

TEST_F(Troca, CpfOfOtherThanElevenCharactersIsRefusedAfterTheRemoval) {
  for (const char* cpf : {"1112223334", "111.222.333-44", ""}) {
    dialogos_.recorder.clear();
    escreve("FP_REQ.TXT", "velha\r\n");
    const ResultadoTroca r = pre(QString::fromUtf8(cpf));
    EXPECT_TRUE(r.recusada) << cpf;
    EXPECT_EQ(dialogos_.recorder.texts(), QStringList{QStringLiteral("CPF inválido.")}) << cpf;
    EXPECT_FALSE(QFile::exists(local("FP_ENV.TXT"))) << cpf;
    EXPECT_FALSE(QFile::exists(local("FP_REQ.TXT"))) << "removed files stay removed";
  }
  EXPECT_TRUE(pausa_.pausas.isEmpty());
  // Any eleven characters pass: the length is the whole test.
  EXPECT_FALSE(ChecaIncons(QStringLiteral("abc.def-ghi")));
}

TEST_F(Troca, OldFileHeldByTheAuthorizer) {
  struct Caso {
    TipoTroca tipo;
    const char* preso;
    bool recusa;  // else the confirmation goes on and takes the old answer
  };
  const Caso casos[] = {{TipoTroca::PreAutorizacao, "FP_REQ.TXT", true},
                        {TipoTroca::PreAutorizacao, "FP_ENV.TXT", true},
                        {TipoTroca::Cancelamento, "FP_REQ.TXT", true},
                        {TipoTroca::Cancelamento, "FP_ENV.TXT", true},
                        {TipoTroca::Confirmacao, "FP_REQ.TXT", false}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.preso) + " " + LegendaTroca(c.tipo).toStdString());
    dialogos_.recorder.clear();
    QFile::remove(local("FP_ENV.TXT"));
    escreve(c.preso, "0102Rvelha\r\n");
    ResultadoTroca r;
    {
      platform::files::FileHold segura(QStringLiteral("C:\\FPopular\\") + QString::fromUtf8(c.preso),
                                       platform::files::FileHold::Mode::Shared);
      if (!c.recusa) enquantoEspera([](TfrmAguardeFP& d) { tique(d); });
      r = runExchange(c.tipo, requisicao_, nullptr, QStringLiteral("11122233344"));
    }
    EXPECT_EQ(r.recusada, c.recusa);
    if (c.recusa) {
      EXPECT_EQ(dialogos_.recorder.texts(), QStringList{kMsgFalhaExclusao});
    } else {
      EXPECT_TRUE(dialogos_.recorder.shown().isEmpty());
      EXPECT_EQ(r.retorno, 1);
      EXPECT_EQ(r.linhas(), QStringList{QStringLiteral("0102Rvelha")});
    }
    QFile::remove(local(c.preso));
  }
}

TEST_F(Troca, CancelarThenNoKeepsWaitingAndTheAnswerStillEndsIt) {
  dialogos_.recorder.queueAnswer(DialogResult::No);
  bool abertoDepoisDoNao = false;
  enquantoEspera([&](TfrmAguardeFP& d) {
    d.eBitBtn1->click();
    // Escape and Enter do not close it either.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&d, &esc);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&d, &enter);
    abertoDepoisDoNao = d.isVisible() && d.Checagem->isActive() && d.Retorno == 0;
    respondeAgora();
    tique(d);
  });
  const ResultadoTroca r = pre();
  EXPECT_TRUE(abertoDepoisDoNao);
  ASSERT_EQ(dialogos_.recorder.shown().size(), 1);
  const platform::ShownDialog& q = dialogos_.recorder.shown()[0];
  EXPECT_EQ(q.kind, platform::DialogKind::MessageBox);
  EXPECT_EQ(q.text, QStringLiteral("Deseja realmente cancelar a transmissão/recebimento?"));
  EXPECT_EQ(q.caption, QStringLiteral("QX Farmácia Popular"));
  EXPECT_EQ(q.icon, platform::DialogIcon::Information);
  EXPECT_EQ(q.buttons, platform::DialogButtons::YesNo);
  EXPECT_EQ(r.retorno, 1);
  EXPECT_EQ(r.linhas().size(), 2);
}

TEST_F(Troca, CancelarThenYesGivesTwoAndTheCallersMessage) {
  dialogos_.recorder.queueAnswer(DialogResult::Yes);
  enquantoEspera([](TfrmAguardeFP& d) { d.eBitBtn1->click(); });
  const ResultadoTroca r = pre();
  EXPECT_EQ(r.retorno, 2);
  EXPECT_EQ(dialogos_.recorder.texts().value(1),
            QStringLiteral("Requisição cancelada, não encontrado o arquivo de retorno."));
  EXPECT_TRUE(r.resposta.isEmpty());
}

TEST_F(Troca, CloseBoxGivesZeroAndEachKindsMessage) {
  struct Caso {
    TipoTroca tipo;
    const char* legenda;
    const char* mensagem;
  };
  const Caso casos[] = {
      {TipoTroca::PreAutorizacao, "Pré-Autorização",
       "Requisição cancelada, não encontrado o arquivo de retorno."},
      {TipoTroca::Confirmacao, "Confirmação",
       "Confirmação cancelada, não encontrado o arquivo de retorno."},
      {TipoTroca::Cancelamento, "Cancelamento", "Cancelamento não efetuado."}};
  for (const Caso& c : casos) {
    dialogos_.recorder.clear();
    QString legenda;
    enquantoEspera([&](TfrmAguardeFP& d) {
      legenda = d.Label3->text();
      d.close();
    });
    const ResultadoTroca r = runExchange(c.tipo, requisicao_, nullptr, QStringLiteral("11122233344"));
    EXPECT_EQ(r.retorno, 0) << c.legenda;
    EXPECT_EQ(legenda, QString::fromUtf8(c.legenda));
    EXPECT_EQ(dialogos_.recorder.texts(), QStringList{QString::fromUtf8(c.mensagem)});
  }
}

TEST_F(Troca, AnswerArrivingWhileTheQuestionIsOpen) {
  struct Caso {
    DialogResult resposta;
    int retorno;
  };
  for (const Caso& c : {Caso{DialogResult::Yes, 2}, Caso{DialogResult::No, 1}}) {
    dialogos_.recorder.clear();
    dialogos_.recorder.queueAnswer(c.resposta);
    int retornoComAPerguntaAberta = -1;
    dialogos_.recorder.onShown = [&](const platform::ShownDialog& mostrado) {
      if (mostrado.text != kPerguntaCancelar) return;
      respondeAgora();
      tique(*frmAguardeFP);
      retornoComAPerguntaAberta = frmAguardeFP->Retorno;
    };
    enquantoEspera([](TfrmAguardeFP& d) { d.eBitBtn1->click(); });
    const ResultadoTroca r = pre();
    dialogos_.recorder.onShown = nullptr;
    EXPECT_EQ(retornoComAPerguntaAberta, 1);
    EXPECT_EQ(r.retorno, c.retorno);
    if (c.retorno == 1) {
      EXPECT_EQ(r.linhas().size(), 2);
      EXPECT_EQ(dialogos_.recorder.texts(), QStringList{kPerguntaCancelar});
    } else {
      EXPECT_TRUE(r.resposta.isEmpty()) << "the answer is left unread";
      EXPECT_EQ(dialogos_.recorder.texts().value(1), MensagemSemRetorno(TipoTroca::PreAutorizacao));
    }
  }
}

TEST_F(Troca, AnswerStillHeldByTheAuthorizerEndsTheWaitButCannotBeRead) {
  std::unique_ptr<platform::files::FileHold> segura;
  enquantoEspera([&](TfrmAguardeFP& d) {
    respondeAgora();
    segura = std::make_unique<platform::files::FileHold>(kArquivoRetorno,
                                                         platform::files::FileHold::Mode::Exclusive);
    tique(d);
  });
  const ResultadoTroca r = pre();
  EXPECT_EQ(r.retorno, 1);
  EXPECT_FALSE(r.erroLeitura.isEmpty());
  EXPECT_THROW(r.linhas(), platform::Error);
}

TEST_F(Troca, RequestThatCannotBeWrittenIsAnErrorBeforeTheWait) {
  ASSERT_TRUE(QDir(drive_.path() + QStringLiteral("/FPopular")).removeRecursively());
  EXPECT_THROW(pre(), platform::Error);
  EXPECT_TRUE(dialogos_.recorder.shown().isEmpty());
}

TEST_F(Troca, RequestBuiltAfterThePauseSoABadNumberWritesNothing) {
  PreAutorizacao milComprimidos;
  milComprimidos.solicitacao = QStringLiteral("42");
  milComprimidos.itens = {{QStringLiteral("7891862193718"), QStringLiteral("1000,00"),
                           QStringLiteral(" 1,00"), QStringLiteral(" 20,00")}};
  const std::function<QStringList()> montagens[] = {
      []() -> QStringList { throw platform::ConvertError(QStringLiteral("'x' inválido")); },
      [&milComprimidos] { return MontaRequisicao(milComprimidos); },  // too wide for its field
  };
  for (const auto& monta : montagens) {
    pausa_.pausas.clear();
    escreve("FP_REQ.TXT", "velha\r\n");
    escreve("FP_ENV.TXT", "01velho\r\n");
    // Should a request get written after all, end the wait it starts.
    QTimer vigia;
    vigia.setSingleShot(true);
    QObject::connect(&vigia, &QTimer::timeout, [] {
      ADD_FAILURE() << "the request was written and the wait began";
      if (frmAguardeFP != nullptr) frmAguardeFP->reject();
    });
    vigia.start(0);
    EXPECT_THROW(runExchange(TipoTroca::PreAutorizacao, monta, nullptr, QStringLiteral("11122233344")),
                 platform::Error);
    EXPECT_EQ(pausa_.pausas, QList<int>{1000});
    EXPECT_FALSE(QFile::exists(local("FP_REQ.TXT")));
    EXPECT_FALSE(QFile::exists(local("FP_ENV.TXT")));
    EXPECT_TRUE(dialogos_.recorder.shown().isEmpty()) << "the caller's error box says why";
  }
}

}  // namespace
}  // namespace exchange
