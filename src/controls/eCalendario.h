// TfrmCalendario: the calendar dialog of the date edit.
//
// A month grid (Sunday first) with buttons that move the shown date a year or
// a month back or forward (keeping the day, or taking the target month's last
// day), a button to today, "&Confirma" (Accepted) and "&Fechar" (Rejected).
// Enter or a double click on a day confirms. The title spells the selected
// date out in Portuguese ("domingo,01 de janeiro de 2012") once the dialog is
// shown. Whoever opens it deletes it.
#ifndef QX_CONTROLS_ECALENDARIO_H_
#define QX_CONTROLS_ECALENDARIO_H_

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class TBitBtn;

class TfrmCalendario : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmCalendario(QWidget* parent = nullptr);

  // The date selected in the grid.
  QDate Date() const;
  void setDate(QDate date);

  // "terça-feira,09 de agosto de 2011".
  static QString LongTitle(QDate date);

  QCalendarWidget* Calendar1;
  TBitBtn* btnAnoAnterior;
  TBitBtn* btnMesAnterior;
  TBitBtn* btnMesSeguinte;
  TBitBtn* btnAnoSeguinte;
  TBitBtn* btnHoje;
  TBitBtn* btnConfirma;
  TBitBtn* btnFechar;

 protected:
  bool event(QEvent* event) override;

 private:
  void moveMonths(int months);
  void showTitle();
  bool shown_ = false;  // the title follows the date only once shown
};

#endif  // QX_CONTROLS_ECALENDARIO_H_
