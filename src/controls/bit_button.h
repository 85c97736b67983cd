// TBitBtn: the picture push button both in-house button families build on.
//
// Besides QPushButton's text, tooltip and click, it carries what the original
// toolkit's picture button had: a glyph split into up to four state images,
// its place relative to the caption and the spacing between them, a modal
// result that closes the dialog holding the button, and a cancel flag that
// makes Escape press it. The button lays glyph and caption out itself, so a
// negative spacing draws the caption into the picture's box as designed.
#ifndef QX_CONTROLS_BIT_BUTTON_H_
#define QX_CONTROLS_BIT_BUTTON_H_

#include <QPixmap>
#include <QPushButton>
#include <QSize>

class QShortcut;

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// The original's modal results; a dialog's done() receives the ordinal.
enum TModalResult : int {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7
};

class TBitBtn : public QPushButton {
  Q_OBJECT

 public:
  // The toolkit button's default size, 75 x 25.
  explicit TBitBtn(QWidget* parent = nullptr);

  // The picture; a null pixmap means none. Its width is split into
  // NumGlyphs() images: normal, disabled, pressed, down.
  QPixmap Glyph() const { return glyph_; }
  void setGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void setNumGlyphs(int count);  // clamped to 1..4

  TButtonLayout Layout() const { return layout_; }
  void setLayout(TButtonLayout layout);
  using QPushButton::setLayout;
  int Spacing() const { return spacing_; }  // pixels between glyph and caption; may be negative
  void setSpacing(int spacing);

  // Clicking a button with a modal result ends the QDialog that holds it
  // with done(result). mrNone clicks as any button.
  int ModalResult() const { return modalResult_; }
  void setModalResult(int result) { modalResult_ = result; }

  // With the cancel flag, Escape in the button's window presses it.
  bool Cancel() const { return cancel_; }
  void setCancel(bool cancel);

  // The size the window gives the button; it is also the size hint, since
  // the original's buttons are placed, not laid out.
  void setSize(int width, int height);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // Where the glyph and the caption go inside `content`: the pair is
  // centred, the glyph on the side Layout() names, Spacing() between them.
  struct Placement {
    QRect glyph;    // empty without a glyph
    QRect caption;  // empty without a caption
  };
  Placement place(const QRect& content) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Enter presses the focused button in any window, not only in a QDialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPixmap stateImage() const;
  void clickedWithResult();

  QPixmap glyph_;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  int spacing_ = 4;
  int modalResult_ = mrNone;
  bool cancel_ = false;
  QShortcut* escape_ = nullptr;  // present while the cancel flag is on
  QSize designSize_{75, 25};
};

#endif  // QX_CONTROLS_BIT_BUTTON_H_
