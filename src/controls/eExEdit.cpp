#include "controls/eExEdit.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

TeExEditBtn::TeExEditBtn(QWidget* parent) : QToolButton(parent) {
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
}

void TeExEditBtn::setImages(QList<QPixmap> images) {
  images_ = std::move(images);
  update();
}

void TeExEditBtn::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QRect r = rect();
  p.fillRect(r, pal.color(QPalette::Button));
  if (!isDown()) {
    // Outer line: face top-left, frame bottom-right; inner: light / shadow.
    const QRect outer = r.adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    auto bevel = [&p](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
      p.setPen(topLeft);
      p.drawLine(box.topLeft(), box.topRight());
      p.drawLine(box.topLeft(), box.bottomLeft());
      p.setPen(bottomRight);
      p.drawLine(box.bottomLeft(), box.bottomRight());
      p.drawLine(box.topRight(), box.bottomRight());
    };
    bevel(outer, pal.color(QPalette::Button), pal.color(QPalette::WindowText));
    bevel(inner, pal.color(QPalette::Light), pal.color(QPalette::Dark));
  }
  if (images_.isEmpty()) return;
  QPixmap image = images_.first();
  if (!isEnabled()) {
    if (images_.size() >= 2) {
      image = images_[1];
    } else {
      QStyleOption opt;
      opt.initFrom(this);
      image = style()->generatedIconPixmap(QIcon::Disabled, image, &opt);
    }
  } else if (isDown() && images_.size() >= 3) {
    image = images_[2];
  }
  QRect target(QPoint(0, 0), image.size());
  target.moveCenter(r.center());
  if (isDown()) target.translate(1, 1);
  p.drawPixmap(target.topLeft(), image);
}

TeExEdit::TeExEdit(QWidget* parent) : QLineEdit(parent), button_(new TeExEditBtn(this)) {
  connect(button_, &QToolButton::clicked, this, [this] { ButtonClick(); });
  placeButton();
}

void TeExEdit::setGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  numGlyphs_ = 1;
  if (!glyph.isNull() && glyph.height() > 0 && glyph.width() % glyph.height() == 0) {
    const int n = glyph.width() / glyph.height();
    if (n >= 2 && n <= 4) numGlyphs_ = n;
  }
  QList<QPixmap> images;
  if (!glyph.isNull()) {
    const int w = glyph.width() / numGlyphs_;
    for (int i = 0; i < numGlyphs_; ++i) images.append(glyph.copy(i * w, 0, w, glyph.height()));
  }
  button_->setImages(images);
}

bool TeExEdit::EnabledBtn() const { return button_->isEnabled(); }
void TeExEdit::setEnabledBtn(bool enabled) { button_->setEnabled(enabled); }
QString TeExEdit::HintBtn() const { return button_->toolTip(); }
void TeExEdit::setHintBtn(const QString& hint) { button_->setToolTip(hint); }

void TeExEdit::ButtonClick() {
  if (OnBtnClick) OnBtnClick();
}

void TeExEdit::placeButton() {
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, this);
  const int side = std::max(0, height() - 2 * frame);
  button_->setGeometry(width() - frame - side, frame, side, side);
  const QMargins m = textMargins();
  setTextMargins(m.left(), m.top(), side + 2, m.bottom());
}

void TeExEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  placeButton();
}

void TeExEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (autoSelect_ && event->reason() != Qt::MouseFocusReason) selectAll();
}

void TeExEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) placeButton();
}
