#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class DaemonProcess;

// A system bus of the test's own (never the machine's), and on it, when asked, udisks2 with
// the udev it needs. Whatever it started it stops when it goes, also after a failed check;
// the daemons get SIGTERM should the test process die first.
class UDisks2Sandbox
{
public:
    // Sockets and logs go to `folder`, which must exist.
    explicit UDisks2Sandbox(const QString &folder);
    ~UDisks2Sandbox();
    UDisks2Sandbox(const UDisks2Sandbox &) = delete;
    UDisks2Sandbox &operator=(const UDisks2Sandbox &) = delete;

    // Starts the bus only.
    bool startBus();
    // Starts the bus, udev (unless the machine runs it) and udisks2. `device` is the one
    // block device the test may format: udev looks at it again so that udisks2 knows its file
    // system, and it is unmounted again before udisks2 stops.
    bool startUDisks2(const QString &device);

    QString address() const { return m_address; }
    // Set when the machine lacks something: the test should skip.
    QString skipReason() const { return m_skipReason; }
    // Set when starting failed although the machine has what it needs.
    QString failure() const { return m_failure; }

private:
    std::unique_ptr<DaemonProcess> start(const QString &program, const QStringList &args,
                                         const QString &logName);
    bool startUdev();
    void releaseDevice();

    QString m_folder;
    QString m_address;
    QString m_device;
    QString m_skipReason;
    QString m_failure;
    bool m_madeUdevFolder = false;
    QStringList m_madeMediaFolders;
    std::unique_ptr<DaemonProcess> m_bus;
    std::unique_ptr<DaemonProcess> m_udev;
    std::unique_ptr<DaemonProcess> m_udisks;
};

// In a QtTest function: skip when the machine cannot host the sandbox, fail when starting
// it failed for another reason.
#define SANDBOX_REQUIRE(sandbox, started)                                                          \
    do {                                                                                           \
        const bool sandboxUp = (started);                                                          \
        if (!(sandbox).skipReason().isEmpty())                                                     \
            QSKIP(qPrintable((sandbox).skipReason()));                                             \
        QVERIFY2(sandboxUp, qPrintable((sandbox).failure()));                                      \
    } while (false)
