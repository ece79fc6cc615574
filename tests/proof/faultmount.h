#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A card that fails on purpose: the fault-injecting file system (tests/proof/faultfs) mounted
// over a backing folder, both inside a temporary folder of the test's own. What the engine
// writes lands in backingPath(), to be seen even after the card vanished.
class FaultMount
{
public:
    explicit FaultMount(const QStringList &options);  // the helper's fault options
    ~FaultMount();

    // Why this machine cannot mount it (no helper, not root, no /dev/fuse); empty if it can.
    static QString environmentProblem();

    bool isMounted() const { return m_mounted; }
    QString rootPath() const { return m_dir.filePath(QStringLiteral("card/")); }
    QString backingPath() const { return m_dir.filePath(QStringLiteral("backing")); }
    // Makes every later call on the card fail, as when it is pulled out.
    bool vanish();

private:
    QTemporaryDir m_dir;
    QProcess m_helper;
    bool m_mounted = false;
};

// The names in a folder, hidden ones too.
QStringList entries(const QString &path);

#define FAULTMOUNT_REQUIRE(card)                                                                   \
    do {                                                                                           \
        if (!FaultMount::environmentProblem().isEmpty())                                           \
            QSKIP(qPrintable(FaultMount::environmentProblem()));                                   \
        QVERIFY2((card).isMounted(), "the fault file system did not mount");                       \
    } while (false)
