#include "controls/efrmShowMessage.h"

#include "controls/qt_dialogs.h"
#include "util/eFuncoes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the dialog once it is the active modal window, inside its exec().
template <class W>
void whenShown(std::function<void(W*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
    if (w == nullptr || !w->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
}

class ThreeLines : public testing::Test {
 protected:
  void SetUp() override { platform::installDialogs(&qt_); }
  void TearDown() override { platform::installDialogs(nullptr); }
  QtDialogs qt_;
};

TEST(TfrmShowMessage, StartsBlankWithItsButtonAsDefault) {
  TfrmShowMessage form;
  EXPECT_EQ(form.size(), QSize(369, 191));
  EXPECT_TRUE(form.windowTitle().isEmpty());
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  for (QLabel* line : {form.sMensagem1, form.sMensagem2, form.sMensagem3}) {
    EXPECT_EQ(line->text(), QStringLiteral(" "));
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(line->font().pixelSize(), 12);
  }
  EXPECT_TRUE(form.sMensagem4->text().isEmpty());
  EXPECT_EQ(form.sMensagem2->geometry(), QRect(8, 36, 348, 17));
  EXPECT_EQ(form.eBotao->text(), QStringLiteral("&Fechar"));
  EXPECT_TRUE(form.eBotao->isDefault());
  EXPECT_EQ(form.eBotao->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F));
  EXPECT_EQ(form.eBotao->geometry(), QRect(144, 129, 75, 25));
}

TEST_F(ThreeLines, OnlyTheMiddleLineSetShowsTwoEmptyLinesAroundItAndEnterCloses) {
  QPointer<TfrmShowMessage> seen;
  QStringList texts;
  whenShown<TfrmShowMessage>([&](TfrmShowMessage* form) {
    seen = form;
    texts = {form->sMensagem1->text(), form->sMensagem2->text(), form->sMensagem3->text(),
             form->sMensagem4->text()};
    QTest::keyClick(form, Qt::Key_Return);
  });
  ExibeMensagem(QString(), QStringLiteral("Tampa aberta"), QString());
  EXPECT_EQ(texts, (QStringList{"", "Tampa aberta", "", ""}));
  EXPECT_TRUE(seen.isNull()) << "the dialog survived its message";
}

TEST_F(ThreeLines, TheCloseBoxAndTheButtonCloseItButEscapeDoesNot) {
  const std::function<void(TfrmShowMessage*)> ways[] = {
      [](TfrmShowMessage* f) { f->close(); },
      [](TfrmShowMessage* f) { QTest::mouseClick(f->eBotao, Qt::LeftButton); },
      [](TfrmShowMessage* f) {
        QTest::keyClick(f, Qt::Key_Escape);
        EXPECT_TRUE(f->isVisible()) << "Escape closed the message";
        f->close();
      },
  };
  for (std::size_t i = 0; i < std::size(ways); ++i) {
    bool shown = false;
    whenShown<TfrmShowMessage>([&](TfrmShowMessage* f) {
      shown = true;
      ways[i](f);
      if (f->isVisible()) {
        ADD_FAILURE() << "way " << i << " left the message open";
        f->done(0);
      }
    });
    ExibeMensagem(QStringLiteral("Erro"), QStringLiteral("Impressora"), QStringLiteral("fim"));
    EXPECT_TRUE(shown) << i;
  }
}

TEST_F(ThreeLines, RestoresAMinimizedApplicationAndComesToTheFront) {
  QWidget main;
  main.setWindowTitle(QStringLiteral("principal"));
  main.showMinimized();
  ASSERT_TRUE(main.windowState() & Qt::WindowMinimized);
  bool restored = false;
  whenShown<TfrmShowMessage>([&](TfrmShowMessage* f) {
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(f, &activate);
    restored = !(main.windowState() & Qt::WindowMinimized);
    f->close();
  });
  ExibeMensagem(QString(), QStringLiteral("Pouco papel"), QString());
  EXPECT_TRUE(restored);
}

TEST(Screenshot, ThreeLineMessage) {
  TfrmShowMessage form;
  form.setLinhas(QStringLiteral("Erro na impressora"), QStringLiteral("Tampa aberta"),
                 QStringLiteral("Feche a tampa e tente de novo"));
  form.show();
  const QImage image = form.grab().toImage();
  ASSERT_EQ(image.size(), form.size() * image.devicePixelRatio());
  // The centred text leaves ink in the middle of the second line.
  bool ink = false;
  const QColor background = image.pixelColor(2, 2);
  for (int x = 120; x < 250 && !ink; ++x) {
    for (int y = 38; y < 52 && !ink; ++y) ink = image.pixelColor(x, y) != background;
  }
  EXPECT_TRUE(ink);
  const QByteArray dir = qgetenv("QX_SCREENSHOTS_DIR");
  if (!dir.isEmpty()) {
    const QString file = QDir(QString::fromLocal8Bit(dir)).filePath("message-three-lines.png");
    EXPECT_TRUE(image.save(file)) << file.toStdString();
  }
}

}  // namespace
