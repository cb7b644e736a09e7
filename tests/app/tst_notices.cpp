#include "app/AppDialogs.h"
#include "app/TrayIcon.h"
#include "app/Artwork.h"
#include "app/uManualHint.h"
#include "app/uSplash.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeSystemInfo.h"
#include "tests/support/DialogRecorder.h"

#include <thread>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class TestNotices final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textAreaHeight_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addRow("one short line") << 10 << 14;
        QTest::addRow("264 pixels") << 264 << 14;
        QTest::addRow("265 pixels") << 265 << 28;
        QTest::addRow("530 pixels") << 530 << 42;
    }

    void textAreaHeight()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QCOMPARE(TfrmManualHint::TextAreaHeight(width), height);
    }

    void hintWindowGeometry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("welcome") << QStringLiteral(
            "Bem-vindo ao Pulsim, o software padrão para controle de gastos telefônicos com Internet!");
        QTest::addRow("short") << QStringLiteral("Esta conexão está sendo monitorada pelo Pulsim .");
    }

    void hintWindowGeometry()
    {
        QFETCH(QString, text);
        TfrmManualHint hint;
        hint.ShowNotice(QStringLiteral("Pulsim"), text);
        QVERIFY(hint.isVisible());
        QCOMPARE(hint.Title()->text(), QStringLiteral("Pulsim"));
        QCOMPARE(hint.Text()->text(), text);
        const int width = hint.Text()->fontMetrics().horizontalAdvance(text);
        const int textHeight = TfrmManualHint::TextAreaHeight(width);
        QCOMPARE(hint.Text()->geometry(), QRect(8, 24, 301, textHeight));
        QCOMPARE(hint.height(), textHeight + 31);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(hint.x(), screen.width() - 325);
        QCOMPARE(hint.y(), screen.height() - hint.height() - 40);
        QVERIFY(hint.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(hint.windowFlags() & Qt::FramelessWindowHint);
    }

    void newNoticeKeepsTheClosingTime()
    {
        TfrmManualHint hint;
        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("primeiro"));
        QVERIFY(hint.CloseTimer().isActive());
        QCOMPARE(hint.CloseTimer().interval(), 10000);
        QTest::qWait(300);
        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("um aviso bem mais comprido que o primeiro, que ocupa "
                                                                 "mais de uma linha na janela flutuante de avisos"));
        QVERIFY2(hint.CloseTimer().remainingTime() <= 9750, "a new notice does not restart the countdown");
        QCOMPARE(hint.Text()->text().left(5), QStringLiteral("um av"));
        QVERIFY(hint.height() > 45);

        // Hidden and shown again, the ten seconds start over.
        hint.CloseHint();
        QVERIFY(!hint.CloseTimer().isActive());
        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("de novo"));
        QVERIFY(hint.CloseTimer().remainingTime() > 9750);
    }

    void closesOnAKeyOrItsClosePicture()
    {
        TfrmManualHint hint;
        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("aviso"));
        QTest::keyClick(&hint, Qt::Key_Space);
        QVERIFY(!hint.isVisible());
        QVERIFY(!hint.CloseTimer().isActive());

        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("aviso"));
        QTest::mouseClick(hint.CloseButton(), Qt::LeftButton);
        QVERIFY(!hint.isVisible());
    }

    void closePictureLightsUnderThePointer()
    {
        TfrmManualHint hint;
        hint.ShowNotice(QStringLiteral("Pulsim"), QStringLiteral("aviso"));
        const QImage normal = hint.CloseButton()->pixmap().toImage();
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(hint.CloseButton(), &enter);
        QVERIFY(hint.CloseButton()->pixmap().toImage() != normal);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(hint.CloseButton(), &leave);
        QCOMPARE(hint.CloseButton()->pixmap().toImage(), normal);
    }

    void noticesUseTheHintWindowWithoutBalloons_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addRow("old system (4.10 reads as 4.1)") << 4 << 10;
        QTest::addRow("recent system, no tray host") << 6 << 1;
    }

    void noticesUseTheHintWindowWithoutBalloons()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        platform::FakeSystemInfo info;
        info.SetVersion(major, minor);
        TAppDialogs dialogs(info);
        TTrayIcon tray(Artwork::TrayFrames());
        tray.SetVisible(true);
        dialogs.SetTrayIcon(&tray);
        QVERIFY(!dialogs.UsesBalloons());
        dialogs.NotifyUser(QStringLiteral("Essa conexão lhe custou R$ 0,3300 ."));
        QVERIFY(dialogs.HintWindow()->isVisible());
        QCOMPARE(dialogs.HintWindow()->Text()->text(), QStringLiteral("Essa conexão lhe custou R$ 0,3300 ."));
    }

    void trayAnimationSteps()
    {
        TTrayIcon tray(Artwork::TrayFrames());
        QCOMPARE(tray.FrameCount(), 10);
        tray.SetIconIndex(9);
        tray.StepAnimation();
        QCOMPARE(tray.IconIndex(), 0);
        tray.SetAnimate(true);
        QTRY_VERIFY_WITH_TIMEOUT(tray.IconIndex() >= 2, 2000);
        tray.SetAnimate(false);
        const int stopped = tray.IconIndex();
        QTest::qWait(450);
        QCOMPARE(tray.IconIndex(), stopped);
        tray.SetHint(QString(200, QLatin1Char('x')));
        QCOMPARE(tray.Hint().size(), 127);
    }

    void splashFollowsTheRegistry_data()
    {
        QTest::addColumn<int>("stored"); // -1: no value
        QTest::addColumn<bool>("failing");
        QTest::addColumn<bool>("expected");
        QTest::addRow("missing value") << -1 << false << false;
        QTest::addRow("switched on") << 1 << false << true;
        QTest::addRow("switched off") << 0 << false << false;
        QTest::addRow("key cannot be created") << -1 << true << false;
    }

    void splashFollowsTheRegistry()
    {
        QFETCH(int, stored);
        QFETCH(bool, failing);
        QFETCH(bool, expected);
        platform::FakeRegistry registry;
        const auto root = platform::IRegistry::Root::LocalMachine;
        std::string error;
        if (stored >= 0)
            QVERIFY(registry.WriteValue(root, "\\Software\\Pulsim", "ShowSplash", stored == 1, error));
        registry.SetFailingWrites(failing, "disco cheio");
        QCOMPARE(SplashWanted(registry), expected);
        QCOMPARE(registry.KeyExists(root, "\\Software\\Pulsim"), !failing);
    }

    void noticeFromAWorkerThreadReachesTheMainThread()
    {
        DialogRecorder recorder;
        std::thread worker([] { NotifyUser(QStringLiteral("Tarifas atualizadas.")); });
        worker.join();
        QCOMPARE(recorder.Notices(), QStringList());
        QTRY_COMPARE(recorder.Notices(), QStringList{QStringLiteral("Tarifas atualizadas.")});
    }

    void framesAreOurOwnAndDistinct()
    {
        QSet<QByteArray> seen;
        for (int i = 0; i < 10; ++i) {
            const QImage frame = Artwork::TrayFrame(i).toImage();
            QCOMPARE(frame.size(), QSize(16, 16));
            seen << QByteArray(reinterpret_cast<const char*>(frame.constBits()), int(frame.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 10);
        const QVector<QIcon> menu = Artwork::MenuImages();
        QCOMPARE(menu.size(), 6);
        QCOMPARE(Artwork::SplashPicture().size(), QSize(360, 230));
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
