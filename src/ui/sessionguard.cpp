#include "sessionguard.h"

#include "console.h"
#include "mainwindow.h"

#include <QGuiApplication>

namespace {
constexpr int kInterruptPollMs = 100;
}

SessionGuard::SessionGuard(MainWindow *window, std::function<void()> quit, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_quit(std::move(quit))
{
    // A signal handler may only set a flag; the event loop looks at it.
    platform::installInterruptHandler();
    connect(&m_timer, &QTimer::timeout, this, &SessionGuard::pollInterrupt);
    m_timer.start(kInterruptPollMs);
    // The session manager may end the process soon after asking: the files go now.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_window->endTestNow(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_window->endTestNow(); });
}

void SessionGuard::pollInterrupt()
{
    if (!platform::interruptRequested())
        return;
    m_timer.stop();
    m_window->endTestNow();
    m_quit();
}
