// Writes pictures of the form controls for the documentation:
//
//   controls-gallery <output dir>
//
// buttons.png: every kind of both button families; calendar.png: the
// calendar dialog with its title. Runs on the offscreen platform when no
// display is given.
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

#include "controls/eBotoes.h"
#include "controls/eCalendario.h"
#include "controls/ebotoes2.h"

namespace {

// The window as a desktop would show it: a title bar above its grab.
QImage framed(QWidget& window) {
  const QPixmap body = window.grab();
  const int bar = 24;
  QImage out(body.width() + 2, body.height() + bar + 1, QImage::Format_RGB32);
  out.fill(QColor(0, 84, 166));
  QPainter p(&out);
  QFont f = QApplication::font();
  f.setBold(true);
  f.setPixelSize(12);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(8, 0, out.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
  p.drawPixmap(1, bar, body);
  return out;
}

bool save(const QImage& image, const QDir& dir, const char* name) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "não foi possível gravar %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

QImage buttonsPicture() {
  QWidget window;
  window.setWindowTitle(QString::fromUtf8("Botões: TeBitBtn e TeBitBtn2"));
  auto* grid = new QGridLayout(&window);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  const QStringList heads = {"Tipo", "TeBitBtn", "TeBitBtn2"};
  for (int half = 0; half < 2; ++half)
    for (int c = 0; c < heads.size(); ++c)
      grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(heads[c])), 0, half * 3 + c,
                      c == 0 ? Qt::AlignLeft : Qt::AlignCenter);
  // Two kinds per grid row keep the picture compact.
  for (int k = 0; k < kKindCount; ++k) {
    const auto kind = static_cast<TKindPersonalizado>(k);
    const int row = 1 + k / 2;
    const int col = (k % 2) * 3;
    auto* name = new QLabel(QStringLiteral("%1 %2").arg(k).arg(controls::kindName(kind)));
    auto* first = new TeBitBtn;
    auto* second = new TeBitBtn2;
    if (kind == TKindPersonalizado::eCustom) {
      first->setText("Personalizado");
      second->setText("Personalizado");
    } else {
      // Kinds that keep the caption show the window's own.
      first->setText("Botão");
      second->setText("Botão");
    }
    first->setKindPersonalizado(kind);
    second->setKindPersonalizado(kind);
    grid->addWidget(name, row, col, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(first, row, col + 1, Qt::AlignCenter);
    grid->addWidget(second, row, col + 2, Qt::AlignCenter);
  }
  window.show();
  QApplication::processEvents();
  return framed(window);
}

QImage calendarPicture() {
  TfrmCalendario dialog;
  dialog.setDate(QDate(2011, 8, 9));
  dialog.show();
  QApplication::processEvents();
  return framed(dialog);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "uso: controls-gallery <pasta de saída>\n");
    return 2;
  }
  // The windows were designed for an 8-point interface font, 11 pixels high.
  QFont font = QApplication::font();
  font.setPixelSize(11);
  QApplication::setFont(font);
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "não foi possível criar %s\n", argv[1]);
    return 1;
  }
  bool ok = save(buttonsPicture(), dir, "buttons.png");
  ok &= save(calendarPicture(), dir, "calendar.png");
  return ok ? 0 : 1;
}
