#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <functional>

class MainWindow;

// Ends the window's test cleanly when the process is told to go from outside: a signal
// (SIGTERM, SIGINT, SIGHUP; the console's events on Windows), the end of the desktop
// session, or the application quitting. The engine is stopped and waited for, so its
// files are deleted before the process ends; after a signal `quit` ends the event loop.
class SessionGuard : public QObject
{
    Q_OBJECT
public:
    explicit SessionGuard(
        MainWindow *window, std::function<void()> quit = [] { QCoreApplication::quit(); },
        QObject *parent = nullptr);

private:
    void pollInterrupt();

    MainWindow *m_window;
    std::function<void()> m_quit;
    QTimer m_timer;
};
