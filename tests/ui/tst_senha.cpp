#include "ui/uConfirmaSenha.h"
#include "ui/uSenhaSeguranca.h"

#include "app/uUtil.h"
#include "data/uDM.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "ui/Look.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

enum class Window { Prompt, Confirmation };

// Types `text` into `widget` key by key, letters beyond ASCII included.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

// A program folder whose security password is `password` ("" for none).
class PasswordFixture : public ProgramFolderFixture {
public:
    explicit PasswordFixture(const QString& password = QStringLiteral("ABCDE")) { SetPassword(password); }

    void SetPassword(const QString& password)
    {
        EditConfig([&](TDM& dm) { dm.cdsConfigSenhaSeguranca->SetAsString(ScramblePassword(password, PasswordKey)); });
    }
};

// The window under test and its controls.
class Dialog {
public:
    Dialog(TDM& dm, Window window, const QString& newPassword = QStringLiteral("XYZ12"))
    {
        if (window == Window::Prompt)
            form = std::make_unique<TfrmSenhaSeguranca>(dm);
        else
            form = std::make_unique<TfrmConfirmaSenha>(dm, newPassword);
        edit = form->findChild<QLineEdit*>(QStringLiteral("edtSenha"));
        ok = form->findChild<QPushButton*>(QStringLiteral("btnOK"));
        cancel = form->findChild<QPushButton*>(QStringLiteral("btnCancelar"));
        label = form->findChild<QLabel*>(QStringLiteral("lblSenha"));
        frame = form->findChild<TDottedFrame*>(QStringLiteral("shpSenha"));
    }

    bool Show()
    {
        form->show();
        return QTest::qWaitForWindowActive(form.get());
    }

    std::unique_ptr<TfrmSenhaSeguranca> form;
    QLineEdit* edit = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QLabel* label = nullptr;
    TDottedFrame* frame = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(Window)

class TestSenha final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gate_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<int>("prompts");
        QTest::addRow("no password: no prompt") << "" << false << true << 0;
        QTest::addRow("blanks only: no prompt") << "   " << false << true << 0;
        QTest::addRow("password, confirmed") << "ABCDE" << true << true << 1;
        QTest::addRow("password, cancelled") << "ABCDE" << false << false << 1;
    }

    void gate()
    {
        QFETCH(QString, password);
        QFETCH(bool, answer);
        QFETCH(bool, allowed);
        QFETCH(int, prompts);
        PasswordFixture f(password);
        DialogRecorder dialogs;
        dialogs.AnswerPassword({answer});
        QCOMPARE(CheckSecurityPassword(f.dm), allowed);
        QCOMPARE(dialogs.PasswordPrompts(), prompts);
    }

    void okFollowsTheBox_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        const Window prompt = Window::Prompt, confirmation = Window::Confirmation;
        QTest::addRow("one character short") << prompt << "ABCDE" << "ABCD" << "ABCD" << false;
        QTest::addRow("exactly the password") << prompt << "ABCDE" << "ABCDE" << "ABCDE" << true;
        QTest::addRow("one character more") << prompt << "ABCDE" << "ABCDEF" << "ABCDEF" << false;
        QTest::addRow("typed in lower case") << prompt << "ABCDE" << "abcde" << "ABCDE" << true;
        QTest::addRow("accented lower case") << prompt << "AÇÃO" << "ação" << "AÇÃO" << true;
        QTest::addRow("a trailing blank") << prompt << "ABCDE" << "ABCDE " << "ABCDE " << false;
        QTest::addRow("six characters, a seventh refused") << prompt << "SENHA1" << "senha12" << "SENHA1" << true;
        QTest::addRow("confirmation: the new password") << confirmation << "XYZ12" << "xyz12" << "XYZ12" << true;
        QTest::addRow("confirmation: the stored one is no answer")
            << confirmation << "XYZ12" << "ABCDE" << "ABCDE" << false;
    }

    void okFollowsTheBox()
    {
        QFETCH(Window, window);
        QFETCH(QString, expected);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        PasswordFixture f(window == Window::Prompt ? expected : QStringLiteral("ABCDE"));
        Dialog d(f.dm, window, expected);
        QVERIFY(d.Show());
        QVERIFY(!d.ok->isEnabled());
        Type(d.edit, typed);
        QCOMPARE(d.edit->text(), text);
        QCOMPARE(d.ok->isEnabled(), enabled);
        QCOMPARE(d.edit->displayText(), QString(text.size(), QLatin1Char('*')));
        QVERIFY(d.form->isVisible());
    }

    void okTurnsOnAtTheLastCorrectCharacter()
    {
        PasswordFixture f;
        Dialog d(f.dm, Window::Prompt);
        QVERIFY(d.Show());
        const QString typed = QStringLiteral("abcde");
        for (int i = 0; i < typed.size(); ++i) {
            QTest::keyClick(d.edit, typed.at(i).toLatin1());
            QCOMPARE(d.ok->isEnabled(), i == typed.size() - 1);
        }
        QTest::keyClick(d.edit, 'f');
        QVERIFY(!d.ok->isEnabled());
        QTest::keyClick(d.edit, Qt::Key_Backspace);
        QVERIFY(d.ok->isEnabled());
    }

    void passwordIsReadAtEveryChange()
    {
        PasswordFixture f;
        Dialog d(f.dm, Window::Prompt);
        QVERIFY(d.Show());
        Type(d.edit, QStringLiteral("XYZ"));
        QVERIFY(!d.ok->isEnabled());
        f.SetPassword(QStringLiteral("XYZ"));
        QTest::keyClick(d.edit, 'w');
        QTest::keyClick(d.edit, Qt::Key_Backspace);
        QVERIFY(d.ok->isEnabled());
    }

    void enterKey_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("visitButtons");
        QTest::addColumn<bool>("accepted");
        const Window prompt = Window::Prompt, confirmation = Window::Confirmation;
        QTest::addRow("prompt, wrong password") << prompt << "ABC" << false << false;
        QTest::addRow("prompt, empty box") << prompt << "" << false << false;
        QTest::addRow("prompt, right password") << prompt << "ABCDE" << false << true;
        // A button that held the focus becomes the dialog's default one; Enter
        // in the box still must not press it.
        QTest::addRow("prompt, wrong password after visiting the buttons") << prompt << "ABC" << true << false;
        QTest::addRow("prompt, right password after visiting the buttons") << prompt << "ABCDE" << true << true;
        QTest::addRow("confirmation, wrong password") << confirmation << "XYZ" << true << false;
        QTest::addRow("confirmation, right password") << confirmation << "XYZ12" << false << true;
    }

    void enterKey()
    {
        QFETCH(Window, window);
        QFETCH(QString, typed);
        QFETCH(bool, visitButtons);
        QFETCH(bool, accepted);
        PasswordFixture f;
        Dialog d(f.dm, window);
        QVERIFY(d.Show());
        QSignalSpy finished(d.form.get(), &QDialog::finished);
        Type(d.edit, typed);
        if (visitButtons) {
            QTest::keyClick(d.edit, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), d.cancel);
            QTest::keyClick(d.cancel, Qt::Key_Backtab);
            QCOMPARE(QApplication::focusWidget(), d.edit);
        }
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            if (!d.form->isVisible())
                break;
            QTest::keyClick(d.edit, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        }
        QCOMPARE(finished.count(), accepted ? 1 : 0);
        QCOMPARE(d.form->isVisible(), !accepted);
        if (accepted)
            QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(d.edit->text(), typed);
    }

    void closing_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        const int accepted = QDialog::Accepted, rejected = QDialog::Rejected;
        for (const Window window : {Window::Prompt, Window::Confirmation}) {
            const char* name = window == Window::Prompt ? "prompt" : "confirmation";
            QTest::addRow("%s: OK", name) << window << "ok" << accepted;
            QTest::addRow("%s: Cancelar", name) << window << "cancel" << rejected;
            QTest::addRow("%s: Esc", name) << window << "escape" << rejected;
            QTest::addRow("%s: title-bar close", name) << window << "close" << rejected;
        }
    }

    void closing()
    {
        QFETCH(Window, window);
        QFETCH(QString, action);
        QFETCH(int, result);
        PasswordFixture f;
        Dialog d(f.dm, window);
        QVERIFY(d.Show());
        QSignalSpy finished(d.form.get(), &QDialog::finished);
        // The right password is in the box every time: only the action decides.
        Type(d.edit, window == Window::Prompt ? QStringLiteral("ABCDE") : QStringLiteral("XYZ12"));
        QVERIFY(d.ok->isEnabled());
        if (action == QLatin1String("ok"))
            QTest::mouseClick(d.ok, Qt::LeftButton);
        else if (action == QLatin1String("cancel"))
            QTest::mouseClick(d.cancel, Qt::LeftButton);
        else if (action == QLatin1String("escape"))
            QTest::keyClick(d.edit, Qt::Key_Escape);
        else
            QVERIFY(d.form->close());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), result);
        QVERIFY(!d.form->isVisible());
    }

    void eachShowingStartsEmpty_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<bool>("okAtStart");
        QTest::addRow("prompt") << Window::Prompt << "" << false;
        QTest::addRow("confirmation") << Window::Confirmation << "XYZ12" << false;
        // Removing the password asks to confirm an empty one: the empty box is the answer.
        QTest::addRow("confirmation of no password") << Window::Confirmation << "" << true;
    }

    void eachShowingStartsEmpty()
    {
        QFETCH(Window, window);
        QFETCH(QString, newPassword);
        QFETCH(bool, okAtStart);
        PasswordFixture f;
        Dialog d(f.dm, window, newPassword);
        for (int showing = 0; showing < 2; ++showing) {
            QVERIFY(d.Show());
            QCOMPARE(d.edit->text(), QString());
            QCOMPARE(d.ok->isEnabled(), okAtStart);
            QCOMPARE(QApplication::focusWidget(), d.edit);
            Type(d.edit, QStringLiteral("QWE"));
            d.form->reject();
        }
    }

    void windowLook_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("label");
        QTest::addRow("prompt") << Window::Prompt << "Pulsim" << "Senha de Segurança";
        QTest::addRow("confirmation") << Window::Confirmation << "Confirmação" << "Confirme a nova senha";
    }

    void windowLook()
    {
        QFETCH(Window, window);
        QFETCH(QString, caption);
        QFETCH(QString, label);
        PasswordFixture f;
        const QColor detail(10, 120, 200);
        f.EditConfig([&](TDM& dm) {
            dm.cdsConfigDetailColor->SetAsInteger(detail.red() | detail.green() << 8 | detail.blue() << 16);
        });
        Dialog d(f.dm, window);
        QVERIFY(d.Show());

        QCOMPARE(d.form->windowTitle(), caption);
        QCOMPARE(d.label->text(), label);
        QCOMPARE(d.ok->text(), QStringLiteral("&OK"));
        QCOMPARE(d.cancel->text(), QStringLiteral("&Cancelar"));
        QCOMPARE(d.edit->maxLength(), 6);
        QCOMPARE(d.edit->echoMode(), QLineEdit::Password);
        QVERIFY(d.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!d.form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QCOMPARE(d.form->minimumSize(), d.form->maximumSize());
        QVERIFY(d.label->width() >= d.label->sizeHint().width());

        QCOMPARE(d.form->palette().color(QPalette::Window), QColor(244, 238, 238));
        QCOMPARE(d.label->palette().color(QPalette::WindowText), detail);
        QCOMPARE(d.ok->palette().color(QPalette::ButtonText), detail);
        QCOMPARE(d.cancel->palette().color(QPalette::ButtonText), detail);
        QCOMPARE(d.edit->palette().color(QPalette::Text), detail);
        QCOMPARE(d.frame->OutlineColor(), detail);

        // The box stands out while it has the focus.
        QCOMPARE(QApplication::focusWidget(), d.edit);
        QCOMPARE(d.edit->palette().color(QPalette::Base), QColor(167, 196, 210));
        QTest::keyClick(d.edit, Qt::Key_Tab);
        QVERIFY(d.edit->palette().color(QPalette::Base) != QColor(167, 196, 210));
    }

    void modalFunctions_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<bool>("confirm");
        QTest::addRow("prompt, OK") << Window::Prompt << true;
        QTest::addRow("prompt, Cancelar") << Window::Prompt << false;
        QTest::addRow("confirmation, OK") << Window::Confirmation << true;
        QTest::addRow("confirmation, Cancelar") << Window::Confirmation << false;
    }

    void modalFunctions()
    {
        QFETCH(Window, window);
        QFETCH(bool, confirm);
        PasswordFixture f;
        const QString password = window == Window::Prompt ? QStringLiteral("abcde") : QStringLiteral("nova1");
        QString seen;
        bool okEnabled = false;
        QTimer::singleShot(0, qApp, [&] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal)
                return;
            seen = modal->windowTitle();
            Type(modal->findChild<QLineEdit*>(QStringLiteral("edtSenha")), password);
            okEnabled = modal->findChild<QPushButton*>(QStringLiteral("btnOK"))->isEnabled();
            QTest::mouseClick(modal->findChild<QPushButton*>(confirm ? QStringLiteral("btnOK")
                                                                     : QStringLiteral("btnCancelar")),
                              Qt::LeftButton);
            if (modal->isVisible())
                modal->done(-1); // never leave the test waiting on a window
        });
        const bool answer = window == Window::Prompt ? PromptSecurityPassword(f.dm)
                                                     : PromptPasswordConfirmation(f.dm, QStringLiteral("NOVA1"));
        QCOMPARE(seen, window == Window::Prompt ? QStringLiteral("Pulsim") : QStringLiteral("Confirmação"));
        QVERIFY(okEnabled);
        QCOMPARE(answer, confirm);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(TestSenha)
#include "tst_senha.moc"
