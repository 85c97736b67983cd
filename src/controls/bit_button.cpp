#include "controls/bit_button.h"

#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
  // A QDialog would otherwise make every button press on Enter.
  setAutoDefault(false);
  resize(designSize_);
  connect(this, &QPushButton::clicked, this, &TBitBtn::clickedWithResult);
}

void TBitBtn::setGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  updateGeometry();
  update();
}

void TBitBtn::setNumGlyphs(int count) {
  numGlyphs_ = std::clamp(count, 1, 4);
  update();
}

void TBitBtn::setLayout(TButtonLayout layout) {
  layout_ = layout;
  update();
}

void TBitBtn::setSpacing(int spacing) {
  spacing_ = spacing;
  update();
}

void TBitBtn::setCancel(bool cancel) {
  cancel_ = cancel;
  if (cancel && escape_ == nullptr) {
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setContext(Qt::WindowShortcut);
    connect(escape_, &QShortcut::activated, this, [this] {
      if (isEnabled() && isVisible()) click();
    });
  } else if (!cancel && escape_ != nullptr) {
    delete escape_;
    escape_ = nullptr;
  }
}

void TBitBtn::setSize(int width, int height) {
  designSize_ = QSize(width, height);
  resize(designSize_);
  updateGeometry();
}

QSize TBitBtn::sizeHint() const { return designSize_; }
QSize TBitBtn::minimumSizeHint() const { return designSize_; }

void TBitBtn::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    click();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void TBitBtn::clickedWithResult() {
  if (modalResult_ == mrNone) return;
  if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(modalResult_);
}

QPixmap TBitBtn::stateImage() const {
  if (glyph_.isNull()) return {};
  const int w = glyph_.width() / numGlyphs_;
  auto image = [&](int index) { return glyph_.copy(index * w, 0, w, glyph_.height()); };
  if (!isEnabled()) {
    if (numGlyphs_ >= 2) return image(1);
    QStyleOption opt;
    opt.initFrom(this);
    return style()->generatedIconPixmap(QIcon::Disabled, image(0), &opt);
  }
  if (isDown() && numGlyphs_ >= 3) return image(2);
  if (isChecked() && numGlyphs_ >= 4) return image(3);
  return image(0);
}

TBitBtn::Placement TBitBtn::place(const QRect& content) const {
  QSize g;
  if (!glyph_.isNull()) g = QSize(glyph_.width() / numGlyphs_, glyph_.height());
  QSize t;
  if (!text().isEmpty()) t = fontMetrics().size(Qt::TextShowMnemonic, text());
  const int gap = (g.isEmpty() || t.isEmpty()) ? 0 : spacing_;
  Placement out;
  const QPoint c = content.center();
  switch (layout_) {
    case TButtonLayout::blGlyphLeft:
    case TButtonLayout::blGlyphRight: {
      const int total = g.width() + gap + t.width();
      int x = content.left() + (content.width() - total) / 2;
      const bool glyphFirst = layout_ == TButtonLayout::blGlyphLeft;
      QRect first(QPoint(x, 0), glyphFirst ? g : t);
      QRect second(QPoint(x + first.width() + gap, 0), glyphFirst ? t : g);
      first.moveTop(c.y() - first.height() / 2);
      second.moveTop(c.y() - second.height() / 2);
      out.glyph = glyphFirst ? first : second;
      out.caption = glyphFirst ? second : first;
      break;
    }
    case TButtonLayout::blGlyphTop:
    case TButtonLayout::blGlyphBottom: {
      const int total = g.height() + gap + t.height();
      int y = content.top() + (content.height() - total) / 2;
      const bool glyphFirst = layout_ == TButtonLayout::blGlyphTop;
      QRect first(QPoint(0, y), glyphFirst ? g : t);
      QRect second(QPoint(0, y + first.height() + gap), glyphFirst ? t : g);
      first.moveLeft(c.x() - first.width() / 2);
      second.moveLeft(c.x() - second.width() / 2);
      out.glyph = glyphFirst ? first : second;
      out.caption = glyphFirst ? second : first;
      break;
    }
  }
  if (g.isEmpty()) out.glyph = QRect();
  if (t.isEmpty()) out.caption = QRect();
  return out;
}

void TBitBtn::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  opt.icon = QIcon();
  p.drawControl(QStyle::CE_PushButton, opt);

  const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
  Placement where = place(content);
  if (isDown()) {
    const int dx = style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this);
    const int dy = style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this);
    where.glyph.translate(dx, dy);
    where.caption.translate(dx, dy);
  }
  if (!where.glyph.isNull()) p.drawPixmap(where.glyph.topLeft(), stateImage());
  if (!where.caption.isNull())
    p.drawItemText(where.caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                   text(), QPalette::ButtonText);
}

