#include "controls/eCalendario.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "controls/bit_button.h"
#include "controls/pictures.h"
#include "controls/window_placement.h"
#include "platform/clock.h"
#include "platform/regional.h"

namespace {

TBitBtn* makeButton(QWidget* parent, const QString& caption, const QString& picture,
                    TButtonLayout layout, int width) {
  auto* b = new TBitBtn(parent);
  b->setText(caption);
  b->setGlyph(controls::loadPicture(picture));
  b->setLayout(layout);
  b->setSize(width, 25);
  b->setAutoDefault(true);
  return b;
}

}  // namespace

TfrmCalendario::TfrmCalendario(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Selecione a Data Desejada."));
  QFont f = font();
  f.setBold(true);
  f.setPixelSize(11);
  setFont(f);
  setFixedSize(328, 221);

  Calendar1 = new QCalendarWidget(this);
  Calendar1->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
  Calendar1->setFirstDayOfWeek(Qt::Sunday);
  Calendar1->setNavigationBarVisible(false);
  Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  Calendar1->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
  Calendar1->setGridVisible(true);

  const QString back = QStringLiteral("eSetaVolta");
  const QString ahead = QStringLiteral("eSetaAvanca");
  btnAnoAnterior = makeButton(this, QStringLiteral("Ano"), back, TButtonLayout::blGlyphLeft, 62);
  btnMesAnterior = makeButton(this, QString::fromUtf8("Mês"), back, TButtonLayout::blGlyphLeft, 62);
  btnMesSeguinte = makeButton(this, QString::fromUtf8("Mês"), ahead, TButtonLayout::blGlyphRight, 62);
  btnAnoSeguinte = makeButton(this, QStringLiteral("Ano"), ahead, TButtonLayout::blGlyphRight, 62);
  btnHoje = makeButton(this, QString(), QStringLiteral("eHoje"), TButtonLayout::blGlyphLeft, 25);
  btnHoje->setToolTip(QStringLiteral("Vai para a data atual"));
  btnConfirma = makeButton(this, QStringLiteral("&Confirma"), QStringLiteral("eConfirma"),
                           TButtonLayout::blGlyphLeft, 100);
  btnFechar = makeButton(this, QStringLiteral("&Fechar"), QStringLiteral("eFechar"),
                         TButtonLayout::blGlyphLeft, 100);
  btnFechar->setSpacing(2);
  btnConfirma->setDefault(true);

  auto* moves = new QHBoxLayout;
  moves->setSpacing(4);
  for (QWidget* w : {btnAnoAnterior, btnMesAnterior, btnMesSeguinte, btnAnoSeguinte}) moves->addWidget(w);
  auto* actions = new QHBoxLayout;
  actions->setSpacing(4);
  actions->addWidget(btnHoje);
  actions->addStretch();
  actions->addWidget(btnConfirma);
  actions->addWidget(btnFechar);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(3);
  column->addWidget(Calendar1, 1);
  column->addLayout(moves);
  column->addLayout(actions);

  connect(btnAnoAnterior, &QPushButton::clicked, this, [this] { moveMonths(-12); });
  connect(btnMesAnterior, &QPushButton::clicked, this, [this] { moveMonths(-1); });
  connect(btnMesSeguinte, &QPushButton::clicked, this, [this] { moveMonths(1); });
  connect(btnAnoSeguinte, &QPushButton::clicked, this, [this] { moveMonths(12); });
  connect(btnHoje, &QPushButton::clicked, this, [this] { setDate(platform::now().date()); });
  connect(btnConfirma, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnFechar, &QPushButton::clicked, this, &QDialog::reject);
  // Enter on the grid and a double click on a day.
  connect(Calendar1, &QCalendarWidget::activated, this, &QDialog::accept);
  connect(Calendar1, &QCalendarWidget::selectionChanged, this, &TfrmCalendario::showTitle);

  setDate(platform::now().date());
}

QDate TfrmCalendario::Date() const { return Calendar1->selectedDate(); }

void TfrmCalendario::setDate(QDate date) {
  Calendar1->setSelectedDate(date);
  Calendar1->setCurrentPage(date.year(), date.month());
  showTitle();
}

QString TfrmCalendario::LongTitle(QDate date) {
  namespace r = platform::regional;
  return r::longDayName(date.dayOfWeek()) + u',' +
         QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0')) + QStringLiteral(" de ") +
         r::longMonthName(date.month()) + QStringLiteral(" de ") +
         QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

void TfrmCalendario::moveMonths(int months) {
  // QDate clamps the day to the target month's last one (29/02 + 1 year -> 28/02).
  setDate(Date().addMonths(months));
}

void TfrmCalendario::showTitle() {
  if (shown_) setWindowTitle(LongTitle(Date()));
}

bool TfrmCalendario::event(QEvent* e) {
  const bool handled = QDialog::event(e);
  // QDialog centres a dialog over its parent when shown; this one belongs in
  // the middle of the screen.
  if (e->type() == QEvent::Show) controls::centreOnScreen(this);
  if (e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) {
    shown_ = true;
    showTitle();
  }
  if (e->type() == QEvent::Hide) shown_ = false;
  return handled;
}
