#include "platform/dialogs.h"

#include "platform/clock.h"
#include "scoped_application_name.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using platform::DialogButtons;
using platform::DialogIcon;
using platform::DialogKind;
using platform::DialogResult;

TEST(Dialogs, DefaultResultIsTheFirstButton) {
  const std::pair<DialogButtons, DialogResult> cases[] = {
      {DialogButtons::Ok, DialogResult::Ok},
      {DialogButtons::OkCancel, DialogResult::Ok},
      {DialogButtons::YesNo, DialogResult::Yes},
      {DialogButtons::YesNoCancel, DialogResult::Yes},
      {DialogButtons::RetryCancel, DialogResult::Retry},
      {DialogButtons::AbortRetryIgnore, DialogResult::Abort},
  };
  for (const auto& [buttons, result] : cases) {
    EXPECT_EQ(platform::defaultResult(buttons), result) << int(buttons);
  }
}

TEST(Dialogs, ResultOrdinalsAreTheWindowsOnes) {
  EXPECT_EQ(int(DialogResult::Ok), 1);
  EXPECT_EQ(int(DialogResult::Cancel), 2);
  EXPECT_EQ(int(DialogResult::Yes), 6);
  EXPECT_EQ(int(DialogResult::No), 7);
}

TEST(Dialogs, MessageDlgCaptions) {
  const std::pair<DialogIcon, QString> cases[] = {
      {DialogIcon::Warning, QStringLiteral("Aviso")},
      {DialogIcon::Information, QStringLiteral("Informação")},
      {DialogIcon::Error, QStringLiteral("Erro")},
      {DialogIcon::Question, QStringLiteral("Confirmação")},
  };
  for (const auto& [icon, caption] : cases) EXPECT_EQ(platform::messageDlgCaption(icon), caption);
}

TEST(Dialogs, StandInBeforeInstallationAnswersWithTheFirstButton) {
  platform::installDialogs(nullptr);
  platform::RecordingPause pause;
  platform::ScopedPause scopedPause(&pause);
  EXPECT_EQ(platform::dialogs().messageBox(QStringLiteral("Continuar?"), QStringLiteral("QX"),
                                           DialogIcon::Question, DialogButtons::YesNo),
            DialogResult::Yes);
  EXPECT_EQ(platform::dialogs().messageDlg(QStringLiteral("Tentar?"), DialogIcon::Warning,
                                           DialogButtons::RetryCancel),
            DialogResult::Retry);
}

TEST(Dialogs, InstalledRecorderReceivesTheCallsAndUninstallRestoresTheStandIn) {
  {
    platform::ScopedDialogs scoped;
    EXPECT_EQ(&platform::dialogs(), &scoped.recorder);
    platform::dialogs().message(QStringLiteral("olá"));
    ASSERT_EQ(scoped.recorder.shown().size(), 1);
  }
  platform::ScopedDialogs other;
  EXPECT_TRUE(other.recorder.shown().isEmpty());
  EXPECT_EQ(&platform::dialogs(), &other.recorder);
}

TEST(Dialogs, RecorderAnswersQuestionsFromTheQueueInOrder) {
  platform::RecordingDialogs rec;
  rec.queueAnswer(DialogResult::No);
  rec.queueAnswer(DialogResult::Cancel);
  // A box with only OK is no question and leaves the queue alone.
  EXPECT_EQ(rec.messageBox(QStringLiteral("aviso"), QStringLiteral("QX"), DialogIcon::Information,
                           DialogButtons::Ok),
            DialogResult::Ok);
  EXPECT_EQ(rec.messageBox(QStringLiteral("a?"), QStringLiteral("QX"), DialogIcon::Question,
                           DialogButtons::YesNo),
            DialogResult::No);
  EXPECT_EQ(rec.messageDlg(QStringLiteral("b?"), DialogIcon::Question, DialogButtons::OkCancel),
            DialogResult::Cancel);
  EXPECT_EQ(rec.messageDlg(QStringLiteral("c?"), DialogIcon::Question, DialogButtons::YesNo),
            DialogResult::Yes);
  ASSERT_EQ(rec.shown().size(), 4);
  EXPECT_EQ(rec.shown()[1].answer, DialogResult::No);
  EXPECT_EQ(rec.shown()[2].caption, QStringLiteral("Confirmação"));
  EXPECT_EQ(rec.texts(), (QStringList{"aviso", "a?", "b?", "c?"}));
}

using qxtest::ScopedApplicationName;

TEST(Dialogs, RecorderKeepsEveryKindWithItsCaptionAndLine) {
  const ScopedApplicationName name(QStringLiteral("fpopular"));
  platform::RecordingDialogs rec;
  platform::RecordingPause pause;
  platform::ScopedPause scopedPause(&pause);
  rec.message(QStringLiteral("Cupom não encontrado!"));
  rec.messageBox(QStringLiteral("Linha 1\nLinha 2"), QStringLiteral("QX Farmácia Popular"),
                 DialogIcon::Information, DialogButtons::Ok);
  rec.messageDlg(QStringLiteral("ESTA VENDA JA FOI AUTORIZADA"), DialogIcon::Warning,
                 DialogButtons::Ok);
  rec.messageDlg(QStringLiteral("Sem tipo"), DialogIcon::None, DialogButtons::Ok);
  rec.errorBox(QStringLiteral("Arquivo C:\\FPopular\\FP_ENV.TXT\r\nnão pode ser criado"));
  rec.threeLines(QString(), QStringLiteral("Pouco papel"), QString());
  rec.notice(QString(), QStringLiteral("ECF Desligada"), QString(), QStringLiteral("a\rb"));
  rec.beep();

  // Every kind reads "dialog: [caption] text"; the plain message and the
  // error box carry the application's title, as their real windows do, and
  // only the untitled three-line message has no caption.
  const struct {
    DialogKind kind;
    QString caption, line;
  } expected[] = {
      {DialogKind::Message, QStringLiteral("fpopular"),
       QStringLiteral("dialog: [fpopular] Cupom não encontrado!")},
      {DialogKind::MessageBox, QStringLiteral("QX Farmácia Popular"),
       QStringLiteral("dialog: [QX Farmácia Popular] Linha 1\\nLinha 2")},
      {DialogKind::MessageDlg, QStringLiteral("Aviso"),
       QStringLiteral("dialog: [Aviso] ESTA VENDA JA FOI AUTORIZADA")},
      {DialogKind::MessageDlg, QStringLiteral("fpopular"),
       QStringLiteral("dialog: [fpopular] Sem tipo")},
      {DialogKind::ErrorBox, QStringLiteral("fpopular"),
       QStringLiteral("dialog: [fpopular] Arquivo C:\\FPopular\\FP_ENV.TXT\\nnão pode ser criado")},
      {DialogKind::ThreeLines, QString(), QStringLiteral("dialog: \\nPouco papel\\n")},
      {DialogKind::Notice, QStringLiteral(" Mensagem do TEF"),
       QStringLiteral("dialog: [ Mensagem do TEF] \\nECF Desligada\\n\\na\\nb")},
  };
  ASSERT_EQ(rec.shown().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const platform::ShownDialog& d = rec.shown()[static_cast<qsizetype>(i)];
    SCOPED_TRACE(i);
    EXPECT_EQ(d.kind, expected[i].kind);
    EXPECT_EQ(d.caption, expected[i].caption);
    EXPECT_EQ(d.line(), expected[i].line);
  }
  EXPECT_EQ(rec.beeps(), 1);
  // The notice holds the user-interface thread for its second, through the pause port.
  EXPECT_EQ(pause.pauses(), QList<int>{1000});
}

TEST(Dialogs, OnShownRunsWhileTheDialogIsOpen) {
  platform::RecordingDialogs rec;
  QStringList seen;
  rec.onShown = [&](const platform::ShownDialog& d) {
    seen.append(d.text);
    EXPECT_EQ(rec.shown().size(), seen.size());
  };
  rec.message(QStringLiteral("um"));
  rec.errorBox(QStringLiteral("dois"));
  EXPECT_EQ(seen, (QStringList{"um", "dois"}));
}

}  // namespace
