#pragma once

#include <QApplication>

// The application object. Besides Qt's own work it is the last net for errors:
// one that escapes an event handler without having been caught by its handler's
// guard is shown in the error box like any other, and the program goes on.
class TApplication final : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // SIGTERM, SIGINT and SIGHUP end the program the ordinary way (the tables
    // are written on the way out), as the end of a desktop session does.
    void QuitOnTerminationSignals();
    // A termination signal arrived (possibly while start-up was still running).
    bool TerminationRequested() const { return m_terminationRequested; }

private:
    bool m_terminationRequested = false;
};

// The program folder: the executable's own folder when it is writable (a build
// tree, a portable copy), otherwise the user's data folder
// (~/.local/share/Pulsim). The tables live in its subfolder Dados.
QString ProgramFolder();
