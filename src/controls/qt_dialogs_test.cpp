#include "controls/qt_dialogs.h"

#include "scoped_application_name.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

using platform::DialogButtons;
using platform::DialogIcon;
using platform::DialogResult;

// What a standard box showed, read while it was open.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // in the order they were added
  QString defaultButton;
};

// Runs `act` on the message box once it is the active modal window.
void whenBoxShown(std::function<void(QMessageBox*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(box);
  });
  timer->start();
}

// Reads the box, then clicks the button whose text is `press`.
void readAndPress(SeenBox* seen, const QString& press) {
  whenBoxShown([seen, press](QMessageBox* box) {
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen->buttons.append(b->text());
    if (box->defaultButton() != nullptr) seen->defaultButton = box->defaultButton()->text();
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == press) {
        b->click();
        return;
      }
    }
    ADD_FAILURE() << "no button " << press.toStdString();
    box->done(0);
  });
}

using qxtest::ScopedApplicationName;

TEST(QtDialogs, PlainMessageAndErrorBoxCarryTheApplicationTitleWithOneOkButton) {
  const ScopedApplicationName name(QStringLiteral("fpopular"));
  QtDialogs qt;
  const struct {
    std::function<void()> show;
    QMessageBox::Icon icon;
  } cases[] = {
      {[&] { qt.message(QStringLiteral("Cupom não encontrado!")); }, QMessageBox::NoIcon},
      {[&] { qt.errorBox(QStringLiteral("Cupom não encontrado!")); }, QMessageBox::Critical},
  };
  for (const auto& c : cases) {
    SeenBox seen;
    readAndPress(&seen, QStringLiteral("OK"));
    c.show();
    EXPECT_EQ(seen.title, QStringLiteral("fpopular"));
    EXPECT_EQ(seen.title, platform::applicationTitle());
    EXPECT_EQ(seen.text, QStringLiteral("Cupom não encontrado!"));
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
  }
}

TEST(QtDialogs, BoxesShowTheirCaptionAndPortugueseButtonsAndAnswerTheOnePressed) {
  QtDialogs qt;
  const struct {
    std::function<DialogResult()> show;
    QString title;
    QStringList buttons;
    QString press;
    DialogResult answer;
  } cases[] = {
      {[&] {
         return qt.messageBox(QStringLiteral("Deseja cancelar?"),
                              QStringLiteral("QX Farmácia Popular"), DialogIcon::Information,
                              DialogButtons::YesNo);
       },
       QStringLiteral("QX Farmácia Popular"), {QStringLiteral("&Sim"), QStringLiteral("&Não")},
       QStringLiteral("&Não"), DialogResult::No},
      {[&] {
         return qt.messageDlg(QStringLiteral("Deseja cancelar?"), DialogIcon::Warning,
                              DialogButtons::OkCancel);
       },
       QStringLiteral("Aviso"), {QStringLiteral("OK"), QStringLiteral("Cancelar")},
       QStringLiteral("OK"), DialogResult::Ok},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    SeenBox seen;
    readAndPress(&seen, c.press);
    EXPECT_EQ(c.show(), c.answer);
    EXPECT_EQ(seen.title, c.title);
    EXPECT_EQ(seen.text, QStringLiteral("Deseja cancelar?"));
    QStringList sortedSeen = seen.buttons, sortedWanted = c.buttons;
    sortedSeen.sort();
    sortedWanted.sort();
    EXPECT_EQ(sortedSeen, sortedWanted);
    // Enter presses the first button of the set.
    EXPECT_EQ(seen.defaultButton, c.buttons.first());
  }
}

TEST(QtDialogs, ABoxClosedWithoutAButtonAnswersCancelBeforeNo) {
  QtDialogs qt;
  const std::pair<DialogButtons, DialogResult> cases[] = {
      {DialogButtons::YesNoCancel, DialogResult::Cancel},
      {DialogButtons::YesNo, DialogResult::No},
      {DialogButtons::RetryCancel, DialogResult::Cancel},
      {DialogButtons::Ok, DialogResult::Ok},
  };
  for (const auto& [buttons, answer] : cases) {
    SCOPED_TRACE(int(buttons));
    whenBoxShown([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(qt.messageBox(QStringLiteral("Continuar?"), QStringLiteral("QX Farmácia Popular"),
                            DialogIcon::Question, buttons),
              answer);
  }
}

}  // namespace
