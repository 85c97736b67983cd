#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "controls/eExEdit.h"

namespace {

QPixmap strip(int w, int h) {
  QPixmap p(w, h);
  p.fill(Qt::blue);
  return p;
}

TEST(ExEdit, GlyphWithWholeMultiplesOfItsHeightHoldsStateImages) {
  const struct {
    QSize size;
    int images;
  } cases[] = {{{14, 14}, 1}, {{28, 14}, 2}, {{42, 14}, 3}, {{56, 14}, 4},
               {{70, 14}, 1}, {{20, 14}, 1}, {{0, 0}, 1}};
  for (const auto& c : cases) {
    TeExEdit e;
    e.setGlyph(c.size.isEmpty() ? QPixmap() : strip(c.size.width(), c.size.height()));
    EXPECT_EQ(e.NumGlyphs(), c.images) << c.size.width() << "x" << c.size.height();
  }
}

TEST(ExEdit, ButtonIsASquareAtTheRightAndTextStopsBeforeIt) {
  TeExEdit e;
  e.resize(120, 24);
  e.show();
  const QRect b = e.button()->geometry();
  EXPECT_EQ(b.width(), b.height());
  EXPECT_LE(b.right(), e.width() - 1);
  EXPECT_GE(b.right(), e.width() - 3);
  EXPECT_EQ(e.textMargins().right(), b.width() + 2);
  e.resize(200, 30);
  EXPECT_EQ(e.button()->geometry().width(), e.button()->geometry().height());
  EXPECT_GT(e.button()->geometry().width(), b.width());
}

TEST(ExEdit, ButtonClickRaisesTheEventUnlessDisabled) {
  TeExEdit e;
  e.resize(120, 24);
  e.show();
  int clicks = 0;
  e.OnBtnClick = [&] { ++clicks; };
  e.setHintBtn("Calendário");
  EXPECT_EQ(e.HintBtn(), "Calendário");
  QTest::mouseClick(e.button(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  e.setEnabledBtn(false);
  QTest::mouseClick(e.button(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
