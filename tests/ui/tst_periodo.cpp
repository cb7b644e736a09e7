#include "core/Format.h"
#include "data/uDM.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "ui/Look.h"
#include "ui/uPeriodo.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int min = 0)
{
    return EncodeDateTime(year, month, day, hour, min, 0);
}

// The filter bounds before the dialog runs: nothing the dialog writes can
// look like them.
constexpr TDateTime UntouchedInicio = 12345.25;
constexpr TDateTime UntouchedFim = 23456.75;

class PeriodFixture : public ProgramFolderFixture {
public:
    DialogRecorder dialogs;

    PeriodFixture()
    {
        SetFormatSettings(TFormatSettings::Brazilian());
        dm.InicioPeriodo = UntouchedInicio;
        dm.FimPeriodo = UntouchedFim;
    }
};

} // namespace

class TestPeriodo final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void proposesTheLastThirtyDays_data()
    {
        QTest::addColumn<QDateTime>("today");
        QTest::addColumn<QDate>("inicio");
        QTest::addColumn<QDate>("fim");
        QTest::addRow("15/03/2005 in the morning") << QDateTime(QDate(2005, 3, 15), QTime(10, 0)) << QDate(2005, 2, 13)
                                                   << QDate(2005, 3, 15);
        QTest::addRow("just before midnight") << QDateTime(QDate(2005, 3, 15), QTime(23, 59, 59))
                                              << QDate(2005, 2, 13) << QDate(2005, 3, 15);
        QTest::addRow("across a leap day") << QDateTime(QDate(2004, 3, 15), QTime(8, 0)) << QDate(2004, 2, 14)
                                           << QDate(2004, 3, 15);
        QTest::addRow("across the year's end") << QDateTime(QDate(2005, 1, 10), QTime(8, 0)) << QDate(2004, 12, 11)
                                               << QDate(2005, 1, 10);
    }

    void proposesTheLastThirtyDays()
    {
        QFETCH(QDateTime, today);
        QFETCH(QDate, inicio);
        QFETCH(QDate, fim);
        PeriodFixture f;
        TfrmPeriodo dialog(f.dm, FromQDateTime(today));
        dialog.show();
        QCOMPARE(dialog.InicioEdit()->date(), inicio);
        QCOMPARE(dialog.FimEdit()->date(), fim);
        QCOMPARE(dialog.InicioEdit()->text(), inicio.toString(QStringLiteral("dd/MM/yyyy")));
    }

    void filtrar_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QDateTime>("inicioPeriodo");
        QTest::addColumn<QDateTime>("fimPeriodo");
        const auto midnight = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); };
        QTest::addRow("ten days") << QDate(2005, 3, 1) << QDate(2005, 3, 10) << midnight(2005, 3, 1)
                                  << midnight(2005, 3, 11);
        QTest::addRow("one day") << QDate(2005, 3, 10) << QDate(2005, 3, 10) << midnight(2005, 3, 10)
                                 << midnight(2005, 3, 11);
        QTest::addRow("first day after the last") << QDate(2005, 3, 10) << QDate(2005, 3, 1)
                                                  << midnight(2005, 3, 10) << midnight(2005, 3, 2);
        QTest::addRow("to the year's last day") << QDate(2004, 12, 1) << QDate(2004, 12, 31) << midnight(2004, 12, 1)
                                                << midnight(2005, 1, 1);
        QTest::addRow("to a leap day") << QDate(2004, 2, 1) << QDate(2004, 2, 29) << midnight(2004, 2, 1)
                                       << midnight(2004, 3, 1);
    }

    void filtrar()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QDateTime, inicioPeriodo);
        QFETCH(QDateTime, fimPeriodo);
        PeriodFixture f;
        TfrmPeriodo dialog(f.dm, At(2005, 3, 15, 10));
        dialog.show();
        dialog.InicioEdit()->setDate(first);
        dialog.FimEdit()->setDate(last);
        QTest::mouseClick(dialog.FiltrarButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.dm.InicioPeriodo, FromQDateTime(inicioPeriodo));
        QCOMPARE(f.dm.FimPeriodo, FromQDateTime(fimPeriodo));
    }

    void typedDates()
    {
        PeriodFixture f;
        TfrmPeriodo dialog(f.dm, At(2005, 3, 15, 10));
        dialog.show();
        // The user types the first day over the proposal, digit by digit.
        QDateEdit* inicio = dialog.InicioEdit();
        inicio->setFocus();
        inicio->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(inicio, QStringLiteral("01"));
        inicio->setSelectedSection(QDateTimeEdit::MonthSection);
        QTest::keyClicks(inicio, QStringLiteral("03"));
        QTest::keyClick(inicio, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.dm.InicioPeriodo, At(2005, 3, 1));
        QCOMPARE(f.dm.FimPeriodo, At(2005, 3, 16));
    }

    void cancelWritesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("Cancelar") << "button";
        QTest::addRow("Escape") << "escape";
        QTest::addRow("window closed") << "close";
    }

    void cancelWritesNothing()
    {
        QFETCH(QString, how);
        PeriodFixture f;
        TfrmPeriodo dialog(f.dm, At(2005, 3, 15, 10));
        dialog.show();
        dialog.InicioEdit()->setDate(QDate(2005, 3, 1));
        if (how == QLatin1String("button"))
            QTest::mouseClick(dialog.CancelarButton(), Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(f.dm.InicioPeriodo, UntouchedInicio);
        QCOMPARE(f.dm.FimPeriodo, UntouchedFim);
    }

    void answersModally()
    {
        PeriodFixture f;
        TfrmPeriodo dialog(f.dm, At(2005, 3, 15, 10));
        bool modal = false;
        QTimer::singleShot(0, &dialog, [&] {
            modal = QApplication::activeModalWidget() == &dialog;
            dialog.FimEdit()->setDate(QDate(2005, 3, 20));
            QTest::mouseClick(dialog.FiltrarButton(), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(modal);
        QCOMPARE(f.dm.InicioPeriodo, At(2005, 2, 13));
        QCOMPARE(f.dm.FimPeriodo, At(2005, 3, 21));
    }

    void look()
    {
        PeriodFixture f;
        f.EditConfig([](TDM& dm) { dm.cdsConfigDetailColor->SetAsInteger(0x0000C8); });
        TfrmPeriodo dialog(f.dm, At(2005, 3, 15, 10));
        dialog.show();
        const QColor detail(200, 0, 0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Selecionar Período..."));
        QCOMPARE(dialog.size(), QSize(285, 124));
        QVERIFY(dialog.windowFlags().testFlag(Qt::Tool));
        QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(dialog.palette().color(QPalette::Window), QColor(244, 238, 238));

        QCOMPARE(dialog.CancelarButton()->text(), QStringLiteral("&Cancelar"));
        QCOMPARE(dialog.FiltrarButton()->text(), QStringLiteral("&Filtrar"));
        for (QPushButton* button : {dialog.CancelarButton(), dialog.FiltrarButton()}) {
            QCOMPARE(button->size(), QSize(100, 36));
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->palette().color(QPalette::ButtonText), detail);
        }
        QVERIFY(dialog.CancelarButton()->x() < dialog.FiltrarButton()->x());

        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblInicio"))->text(), QStringLiteral("Início"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblFim"))->text(), QStringLiteral("Fim"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblInicio"))->palette().color(QPalette::WindowText), detail);
        QCOMPARE(dialog.InicioEdit()->palette().color(QPalette::Text), detail);
        QCOMPARE(dialog.findChild<TDottedFrame*>(QStringLiteral("shpDatas"))->OutlineColor(), detail);
        QVERIFY(dialog.InicioEdit()->x() < dialog.FimEdit()->x());

        // Each date field drops a calendar down, titled "Selecione a data".
        for (QDateEdit* edit : {dialog.InicioEdit(), dialog.FimEdit()}) {
            QVERIFY(edit->calendarPopup());
            QCalendarWidget* calendar = edit->calendarWidget();
            QVERIFY(calendar);
            auto* title = calendar->findChild<QLabel*>(QStringLiteral("lblTituloCalendario"));
            QVERIFY(title);
            QCOMPARE(title->text(), QStringLiteral("Selecione a data"));
            QCOMPARE(title->font().family(), QStringLiteral("Arial"));
            QCOMPARE(title->font().pointSize(), 9);
            QVERIFY(title->font().bold());
        }
    }
};

QTEST_MAIN(TestPeriodo)
#include "tst_periodo.moc"
