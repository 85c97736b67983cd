// Draws the picture set of the form controls kit (button glyphs, the date
// edit's calendar symbol, the calendar dialog's arrows) as PNG files.
//
//   controls-pictures <output dir>
//
// Every symbol is drawn on a 32-unit grid and scaled to the size its resource
// needs, so both button families share one look. The output is committed in
// src/controls/pictures; run this again only to change the drawings.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kBlue(40, 90, 190);
const QColor kPaper(250, 250, 240);
const QColor kGrey(150, 150, 160);
const QColor kYellow(240, 200, 40);

QPen pen(const QColor& c, double w = 1.6) {
  return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void page(QPainter& p, double x = 7, double y = 3, double w = 18, double h = 26) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 6, y);
  path.lineTo(x + w, y + 6);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.setPen(pen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(x + w - 6, y), QPointF(x + w - 6, y + 6));
  p.drawLine(QPointF(x + w - 6, y + 6), QPointF(x + w, y + 6));
}

void textLines(QPainter& p, double x, double y, double w, int n) {
  p.setPen(pen(kGrey, 1.2));
  for (int i = 0; i < n; ++i) p.drawLine(QPointF(x, y + i * 4), QPointF(x + w, y + i * 4));
}

void triangle(QPainter& p, double tipX, double y, double dir, const QColor& c) {
  QPolygonF t;
  t << QPointF(tipX, y) << QPointF(tipX - dir * 11, y - 9) << QPointF(tipX - dir * 11, y + 9);
  p.setPen(pen(c.darker(140), 1.2));
  p.setBrush(c);
  p.drawPolygon(t);
}

void bar(QPainter& p, double x) {
  p.setPen(pen(kBlue.darker(140), 1.2));
  p.setBrush(kBlue);
  p.drawRect(QRectF(x, 7, 3.5, 18));
}

void plus(QPainter& p, double cx, double cy, double r, const QColor& c) {
  p.setPen(pen(c, 4.5));
  p.drawLine(QPointF(cx - r, cy), QPointF(cx + r, cy));
  p.drawLine(QPointF(cx, cy - r), QPointF(cx, cy + r));
}

void check(QPainter& p, const QColor& c, double w = 4.5) {
  p.setPen(pen(c, w));
  p.setBrush(Qt::NoBrush);
  QPolygonF v;
  v << QPointF(5, 17) << QPointF(13, 25) << QPointF(27, 7);
  p.drawPolyline(v);
}

void cross(QPainter& p, double a, double b, const QColor& c, double w = 4.5) {
  p.setPen(pen(c, w));
  p.drawLine(QPointF(a, a), QPointF(b, b));
  p.drawLine(QPointF(b, a), QPointF(a, b));
}

void printer(QPainter& p) {
  p.setPen(pen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawRect(QRectF(9, 3, 14, 10));
  p.setBrush(kGrey);
  p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
  p.setBrush(kPaper);
  p.drawRect(QRectF(9, 19, 14, 10));
  textLines(p, 11, 22, 10, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(25, 15.5), 1.3, 1.3);
}

void calculator(QPainter& p, double x) {
  p.setPen(pen(kInk, 1.2));
  p.setBrush(QColor(90, 95, 110));
  p.drawRoundedRect(QRectF(x, 3, 18, 26), 2, 2);
  p.setBrush(QColor(190, 220, 190));
  p.drawRect(QRectF(x + 3, 6, 12, 5));
  p.setPen(Qt::NoPen);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) {
      p.setBrush(r == 3 && c == 2 ? QColor(230, 120, 40) : kPaper);
      p.drawRect(QRectF(x + 3 + c * 4.2, 13.5 + r * 3.8, 3, 2.6));
    }
}

void door(QPainter& p) {
  p.setPen(pen(kInk, 1.2));
  p.setBrush(QColor(150, 100, 50));
  p.drawRect(QRectF(6, 3, 14, 26));
  p.setBrush(QColor(110, 70, 30));
  QPolygonF leaf;
  leaf << QPointF(6, 3) << QPointF(14, 6) << QPointF(14, 29) << QPointF(6, 29);
  p.drawPolygon(leaf);
  p.setBrush(kYellow);
  p.drawEllipse(QPointF(12, 17), 1, 1);
}

void arrow(QPainter& p, double x1, double x2, double y, const QColor& c) {
  const double dir = x2 > x1 ? 1 : -1;
  p.setPen(pen(c, 3.5));
  p.drawLine(QPointF(x1, y), QPointF(x2 - dir * 3, y));
  QPolygonF head;
  head << QPointF(x2, y) << QPointF(x2 - dir * 7, y - 6) << QPointF(x2 - dir * 7, y + 6);
  p.setPen(pen(c, 1));
  p.setBrush(c);
  p.drawPolygon(head);
}

void magnifier(QPainter& p, double cx, double cy, double r) {
  p.setPen(pen(kInk, 3.5));
  p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 1.9, cy + r * 1.9));
  p.setPen(pen(kInk, 2));
  p.setBrush(QColor(200, 225, 250));
  p.drawEllipse(QPointF(cx, cy), r, r);
}

void calendarSheet(QPainter& p, double s) {
  // s: the side of the symbol in grid units (drawn from 0,0)
  p.setPen(pen(kInk, s / 14.0));
  p.setBrush(kPaper);
  p.drawRect(QRectF(s * 0.07, s * 0.14, s * 0.86, s * 0.79));
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawRect(QRectF(s * 0.07, s * 0.14, s * 0.86, s * 0.22));
  p.setBrush(kInk);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) p.drawRect(QRectF(s * (0.2 + c * 0.23), s * (0.48 + r * 0.21), s * 0.14, s * 0.12));
}

struct Symbol {
  const char* name;  // resource name without the family suffix
  Draw draw;
};

const Symbol kSymbols[] = {
    {"eIncluir", [](QPainter& p) { page(p); textLines(p, 10, 12, 9, 3); plus(p, 22, 22, 6, kGreen); }},
    {"eAlterar", [](QPainter& p) {
       page(p); textLines(p, 10, 12, 9, 4);
       p.setPen(pen(kInk, 1));
       p.setBrush(kYellow);
       QPolygonF pencil;
       pencil << QPointF(27, 9) << QPointF(30, 12) << QPointF(16, 26) << QPointF(12, 27) << QPointF(13, 23);
       p.drawPolygon(pencil);
     }},
    {"eCancelar", [](QPainter& p) { page(p); textLines(p, 10, 12, 9, 3); cross(p, 15, 29, kRed, 3.5); }},
    {"eGravar", [](QPainter& p) {
       p.setPen(pen(kInk, 1.2));
       p.setBrush(kBlue);
       p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
       p.setBrush(kPaper);
       p.drawRect(QRectF(8, 4, 16, 9));
       p.setBrush(kGrey);
       p.drawRect(QRectF(9, 18, 14, 10));
       p.setBrush(kInk);
       p.drawRect(QRectF(19, 6, 3, 5));
     }},
    {"eExcluir", [](QPainter& p) {
       p.setPen(pen(kInk, 1.2));
       p.setBrush(kGrey);
       p.drawRect(QRectF(8, 9, 16, 20));
       p.drawRect(QRectF(5, 6, 22, 3));
       p.drawRect(QRectF(13, 3, 6, 3));
       p.setPen(pen(kPaper, 1.6));
       for (double x : {12.0, 16.0, 20.0}) p.drawLine(QPointF(x, 12), QPointF(x, 26));
       cross(p, 18, 30, kRed, 3);
     }},
    {"ePrimeiro", [](QPainter& p) { bar(p, 5); triangle(p, 10, 16, -1, kBlue); triangle(p, 19, 16, -1, kBlue); }},
    {"eAnterior", [](QPainter& p) { triangle(p, 10, 16, -1, kBlue); triangle(p, 19, 16, -1, kBlue); }},
    {"eProximo", [](QPainter& p) { triangle(p, 13, 16, 1, kBlue); triangle(p, 22, 16, 1, kBlue); }},
    {"eUltimo", [](QPainter& p) { triangle(p, 13, 16, 1, kBlue); triangle(p, 22, 16, 1, kBlue); bar(p, 23.5); }},
    {"ePesquisar", [](QPainter& p) { magnifier(p, 13, 13, 8); }},
    {"eAtualizar", [](QPainter& p) {
       p.setBrush(Qt::NoBrush);
       p.setPen(pen(kGreen, 3.5));
       p.drawArc(QRectF(6, 6, 20, 20), 30 * 16, 150 * 16);
       p.drawArc(QRectF(6, 6, 20, 20), 210 * 16, 150 * 16);
       p.setPen(pen(kGreen, 1));
       p.setBrush(kGreen);
       p.drawPolygon(QPolygonF() << QPointF(27, 4) << QPointF(28, 13) << QPointF(20, 11));
       p.drawPolygon(QPolygonF() << QPointF(5, 28) << QPointF(4, 19) << QPointF(12, 21));
     }},
    {"eFechar", [](QPainter& p) { door(p); arrow(p, 16, 30, 17, kRed); }},
    {"eVoltar", [](QPainter& p) {
       p.setBrush(Qt::NoBrush);
       p.setPen(pen(kBlue, 4));
       p.drawArc(QRectF(8, 8, 20, 18), -90 * 16, 180 * 16);
       p.drawLine(QPointF(18, 26), QPointF(10, 26));
       arrow(p, 20, 3, 8, kBlue);
     }},
    {"eConfirma", [](QPainter& p) { check(p, kGreen); }},
    {"eSair", [](QPainter& p) { door(p); arrow(p, 14, 31, 17, kGreen); }},
    {"eImprimir", [](QPainter& p) { printer(p); }},
    {"eVisualiza", [](QPainter& p) { page(p, 3, 3); textLines(p, 6, 12, 9, 4); magnifier(p, 19, 19, 6); }},
    {"ePreview", [](QPainter& p) {
       p.setPen(pen(kInk, 1.2));
       p.setBrush(kGrey);
       p.drawRect(QRectF(2, 4, 28, 22));
       p.setBrush(kPaper);
       p.drawRect(QRectF(9, 7, 14, 16));
       textLines(p, 11, 10, 10, 4);
       magnifier(p, 21, 19, 4.5);
     }},
    {"eGrafico", [](QPainter& p) {
       p.setPen(pen(kInk, 1.5));
       p.drawLine(QPointF(4, 3), QPointF(4, 28));
       p.drawLine(QPointF(4, 28), QPointF(30, 28));
       const QColor colours[] = {kBlue, kGreen, kRed, kYellow};
       const double heights[] = {10, 18, 13, 22};
       for (int i = 0; i < 4; ++i) {
         p.setPen(pen(colours[i].darker(140), 1));
         p.setBrush(colours[i]);
         p.drawRect(QRectF(7 + i * 6, 27 - heights[i], 4.5, heights[i]));
       }
     }},
    {"eCONFIG_IMPRESSORA", [](QPainter& p) {
       printer(p);
       p.setPen(pen(kInk, 1));
       p.setBrush(kYellow);
       p.drawEllipse(QPointF(24, 24), 6, 6);
       p.setBrush(kInk);
       p.drawEllipse(QPointF(24, 24), 2, 2);
     }},
    {"eCALCULADORA", [](QPainter& p) { calculator(p, 7); }},
    {"eCALC_FITA", [](QPainter& p) {
       p.setPen(pen(kInk, 1));
       p.setBrush(kPaper);
       p.drawRect(QRectF(3, 1, 9, 22));
       textLines(p, 5, 5, 5, 4);
       calculator(p, 12);
     }},
    {"eCD", [](QPainter& p) {
       p.setPen(pen(kInk, 1.2));
       QRadialGradient g(QPointF(16, 16), 14);
       g.setColorAt(0, QColor(230, 230, 250));
       g.setColorAt(0.6, QColor(180, 210, 240));
       g.setColorAt(1, QColor(220, 190, 240));
       p.setBrush(g);
       p.drawEllipse(QPointF(16, 16), 14, 14);
       p.setBrush(Qt::white);
       p.drawEllipse(QPointF(16, 16), 4, 4);
     }},
    {"eNovo", [](QPainter& p) {
       page(p);
       p.setPen(pen(QColor(200, 150, 0), 1));
       p.setBrush(kYellow);
       QPolygonF star;
       for (int i = 0; i < 10; ++i) {
         const double r = i % 2 == 0 ? 8 : 3.5;
         const double a = -M_PI / 2 + i * M_PI / 5;
         star << QPointF(22 + r * std::cos(a), 10 + r * std::sin(a));
       }
       p.drawPolygon(star);
     }},
};

// Renders a symbol at w x h and reduces it to an indexed palette of at most
// `colours` entries, as the resources are specified.
QImage render(const Draw& draw, int w, int h, int colours) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(w / 32.0, h / 32.0);
  draw(p);
  p.end();
  const auto flags = colours <= 16 ? Qt::ThresholdDither | Qt::ThresholdAlphaDither
                                   : Qt::DiffuseDither | Qt::ThresholdAlphaDither;
  QImage indexed = img.convertToFormat(QImage::Format_Indexed8, flags);
  if (indexed.colorCount() > colours) {
    // Too many distinct colours: quantize each channel, then index again.
    QImage q = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < q.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(q.scanLine(y));
      for (int x = 0; x < q.width(); ++x) {
        const QRgb c = line[x];
        auto level = [](int v) { return (v / 64) * 85; };
        line[x] = qAlpha(c) < 128 ? qRgba(0, 0, 0, 0)
                                  : qRgba(level(qRed(c)), level(qGreen(c)), level(qBlue(c)), 255);
      }
    }
    indexed = q.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  }
  return indexed;
}

bool save(const QImage& img, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name.toLower() + ".png");
  if (!img.save(path, "PNG")) {
    std::fprintf(stderr, "não foi possível gravar %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "uso: controls-pictures <pasta de saída>\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "não foi possível criar %s\n", argv[1]);
    return 1;
  }
  bool ok = true;
  for (const Symbol& s : kSymbols) {
    const QString name = QString::fromLatin1(s.name);
    QSize first(32, 32);
    int firstColours = 256;
    if (name == "eAtualizar") first = QSize(25, 25);
    if (name == "eConfirma") first = QSize(18, 19);
    if (name == "eSair" || name == "eNovo") {
      first = QSize(16, 16);
      firstColours = 16;
    }
    ok &= save(render(s.draw, first.width(), first.height(), firstColours), dir, name);
    ok &= save(render(s.draw, 32, 32, 256), dir, name + "2");
  }
  ok &= save(render([](QPainter& p) { calendarSheet(p, 32); }, 14, 14, 256), dir, "EEditData");
  ok &= save(render([](QPainter& p) { triangle(p, 9, 16, -1, kBlue); triangle(p, 18, 16, -1, kBlue); },
                    16, 16, 256),
             dir, "eSetaVolta");
  ok &= save(render([](QPainter& p) { triangle(p, 14, 16, 1, kBlue); triangle(p, 23, 16, 1, kBlue); },
                    16, 16, 256),
             dir, "eSetaAvanca");
  ok &= save(render([](QPainter& p) {
                      calendarSheet(p, 32);
                      p.setPen(Qt::NoPen);
                      p.setBrush(kGreen);
                      p.drawEllipse(QPointF(24, 24), 6, 6);
                    },
                    16, 16, 256),
             dir, "eHoje");
  return ok ? 0 : 1;
}
