#include "controls/unMensagem.h"

#include "controls/qt_dialogs.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <functional>

namespace {

TEST(TfrmMensagem, HasItsCaptionLabelsAndNoTitleButtons) {
  TfrmMensagem form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral(" Mensagem do TEF"));
  EXPECT_EQ(form.size(), QSize(410, 96));
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(form.windowFlags() & Qt::CustomizeWindowHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowSystemMenuHint);

  const QColor navy(0, 0, 128);
  const struct {
    QLabel* label;
    QRect geometry;
    QColor colour;
    int pixels;
    Qt::Alignment horizontal;
  } rows[] = {
      {form.lblLinha1, QRect(8, 8, 404, 16), Qt::red, 13, Qt::AlignHCenter},
      {form.lblLinha2, QRect(8, 32, 404, 13), navy, 11, Qt::AlignLeft},
      {form.lblLinha3, QRect(8, 56, 404, 13), navy, 11, Qt::AlignLeft},
      {form.lblLinha4, QRect(8, 78, 404, 13), navy, 11, Qt::AlignLeft},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.label->geometry(), r.geometry);
    EXPECT_EQ(r.label->palette().color(QPalette::WindowText), r.colour);
    EXPECT_EQ(r.label->font().pixelSize(), r.pixels);
    EXPECT_EQ(r.label->alignment() & Qt::AlignHorizontal_Mask, r.horizontal);
    EXPECT_FALSE(r.label->wordWrap());
  }
}

TEST(TfrmMensagem, TheUserCannotCloseIt) {
  TfrmMensagem form;
  form.show();
  EXPECT_FALSE(form.close());
  QTest::keyClick(&form, Qt::Key_Escape);
  QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(form.isVisible());
}

// A pause that looks at the screen while the notice waits out its second.
class WatchingPause : public platform::Pause {
 public:
  std::function<void(int)> during;
  QList<int> pauses;
  void sleep(int ms) override {
    pauses.append(ms);
    if (during) during(ms);
  }
};

TfrmMensagem* visibleNotice() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* notice = qobject_cast<TfrmMensagem*>(w); notice != nullptr && notice->isVisible()) {
      return notice;
    }
  }
  return nullptr;
}

TEST(Notice, IsShownPaintedHeldOneSecondThenDestroyed) {
  QtDialogs qt;
  WatchingPause pause;
  platform::ScopedPause scoped(&pause);
  QWidget main;
  main.showMinimized();

  QPointer<TfrmMensagem> during;
  QStringList texts;
  bool closeRefused = false;
  bool restored = false;
  pause.during = [&](int) {
    TfrmMensagem* notice = visibleNotice();
    ASSERT_NE(notice, nullptr) << "no notice on screen during the pause";
    during = notice;
    texts = {notice->lblLinha1->text(), notice->lblLinha2->text(), notice->lblLinha3->text(),
             notice->lblLinha4->text()};
    closeRefused = !notice->close() && notice->isVisible();
    restored = !(main.windowState() & Qt::WindowMinimized);
  };
  qt.notice(QString(), QStringLiteral("Pouco papel"), QString(), QString());

  EXPECT_EQ(pause.pauses, QList<int>{1000});
  EXPECT_EQ(texts, (QStringList{"", "Pouco papel", "", ""}));
  EXPECT_TRUE(closeRefused);
  EXPECT_TRUE(restored);
  EXPECT_TRUE(during.isNull()) << "the notice outlived its second";
  EXPECT_EQ(visibleNotice(), nullptr);
}

TEST(Screenshot, Notice) {
  TfrmMensagem form;
  form.setLinhas(QStringLiteral("Atenção"), QStringLiteral("ECF Desligada ou desconectada, Favor Verifique"),
                 QString(), QString());
  form.show();
  const QImage image = form.grab().toImage();
  ASSERT_EQ(image.size(), QSize(410, 96) * image.devicePixelRatio());
  // The first line is red ink.
  bool red = false;
  for (int x = 150; x < 260 && !red; ++x) {
    for (int y = 8; y < 24 && !red; ++y) {
      const QColor c = image.pixelColor(x, y);
      red = c.red() > 150 && c.green() < 100 && c.blue() < 100;
    }
  }
  EXPECT_TRUE(red);
  const QByteArray dir = qgetenv("QX_SCREENSHOTS_DIR");
  if (!dir.isEmpty()) {
    const QString file = QDir(QString::fromLocal8Bit(dir)).filePath("message-notice.png");
    EXPECT_TRUE(image.save(file)) << file.toStdString();
  }
}

}  // namespace
