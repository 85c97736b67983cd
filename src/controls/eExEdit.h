// TeExEdit: a line edit with a small button inside its right edge.
//
// The button is a square as high as the field's inner area; the text area is
// narrowed so that text never runs under it. The date edit (TeDateEdit) is
// built on this field and opens its calendar from the button.
#ifndef QX_CONTROLS_EEXEDIT_H_
#define QX_CONTROLS_EEXEDIT_H_

#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>

#include <functional>

// The flat button of TeExEdit: a raised two-line 3D border while not pressed.
class TeExEditBtn : public QToolButton {
  Q_OBJECT

 public:
  explicit TeExEditBtn(QWidget* parent = nullptr);

  // Images of the glyph: normal, disabled, pressed, down (as many as it holds).
  void setImages(QList<QPixmap> images);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QList<QPixmap> images_;
};

class TeExEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TeExEdit(QWidget* parent = nullptr);

  // A picture whose width is 2, 3 or 4 times its height holds that many state
  // images side by side; any other picture is one image.
  QPixmap Glyph() const { return glyph_; }
  void setGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }

  bool EnabledBtn() const;
  void setEnabledBtn(bool enabled);
  QString HintBtn() const;
  void setHintBtn(const QString& hint);

  // Select the whole text when the field is entered other than by a click.
  bool AutoSelect() const { return autoSelect_; }
  void setAutoSelect(bool on) { autoSelect_ = on; }

  TeExEditBtn* button() const { return button_; }

  // Raised when the button is clicked.
  std::function<void()> OnBtnClick;

 protected:
  // The button's action; the base raises OnBtnClick.
  virtual void ButtonClick();

  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void placeButton();

  TeExEditBtn* button_;
  QPixmap glyph_;
  int numGlyphs_ = 1;
  bool autoSelect_ = true;
};

#endif  // QX_CONTROLS_EEXEDIT_H_
