#include "app/AppDialogs.h"
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "app/uEngine.h"
#include "app/uSplash.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "data/uDM.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/WindowHub.h"
#include "ui/uSenhaSeguranca.h"

#include <QPointer>
#include <QSessionManager>
#include <QThread>

#include <memory>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);

    // One copy per session: a second start wakes the first and leaves without
    // touching any file, setting or window.
    TSingleInstance instance;
    if (instance.SendToRunning(TSingleInstance::WakeUpMessage))
        return 0;
    if (!instance.Listen()) {
        // Another copy is starting at this very moment: wake it once it listens.
        for (int attempt = 0; attempt < 30; ++attempt) {
            if (instance.SendToRunning(TSingleInstance::WakeUpMessage, 500))
                return 0;
            QThread::msleep(100);
        }
        return 0;
    }

    SetFormatSettings(TFormatSettings::FromSystemLocale());
    app.QuitOnTerminationSignals();
    // The end of the desktop session is never refused: the program just ends
    // the ordinary way and writes its tables.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [](QSessionManager&) {});

    platform::LinuxPlatform linuxPlatform;
    const platform::Platform platform = linuxPlatform.Get();
    TAppDialogs dialogs(*platform.systemInfo);
    SetUserDialogs(&dialogs);

    // Wake-ups may arrive while the tables load (an error box runs its own
    // event loop): they wait for the engine.
    QPointer<TEngine> engineReady;
    QList<int> pendingMessages;
    QObject::connect(&instance, &TSingleInstance::MessageReceived, &app, Guarded([&](int message) {
        if (engineReady)
            engineReady->ApplicationEvents1Message(message);
        else
            pendingMessages << message;
    }));

    QPointer<QWidget> splash;
    if (SplashWanted(*platform.registry)) {
        splash = new TfrmSplash();
        splash->show();
        splash->repaint();
        QCoreApplication::processEvents();
    }

    const QString folder = ProgramFolder();
    auto dm = std::make_unique<TDM>();
    dm->DataModuleCreate(folder);
    dialogs.PasswordPrompt = [&dm] { return PromptSecurityPassword(*dm); };
    dialogs.PasswordConfirmation = [&dm](const QString& password) { return PromptPasswordConfirmation(*dm, password); };
    std::unique_ptr<TWindowHub> windows;
    auto engine = std::make_unique<TEngine>(*dm, platform, folder, nullptr, [&](TEngine& e) {
        windows = std::make_unique<TWindowHub>(e);
        e.SetWindows(windows.get());
        e.Splash = splash;
        dialogs.SetTrayIcon(e.TrayIcon);
    });
    dialogs.HintWindow(); // created once at start and reused by every notice
    engineReady = engine.get();
    for (int message : std::as_const(pendingMessages))
        RunGuarded([&] { engine->ApplicationEvents1Message(message); });

    // A signal during start-up (an error box was open) ends the program as soon
    // as start-up is through, instead of waiting in the loop for another one.
    const int result = app.TerminationRequested() ? 0 : app.exec();

    engine->SetWindows(nullptr);
    windows.reset();
    engine.reset();
    dm->CloseTables();
    delete splash.data();
    SetUserDialogs(nullptr);
    return result;
}
