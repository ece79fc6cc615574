#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A card that fails on purpose: the fault-injecting file system mounted over a backing
// folder, both inside a temporary folder of the test's own. What the engine writes lands
// in backingPath(), so the test can see what was left behind even after the card vanished.
class FaultMount
{
public:
    // `helper` is the lumora_faultfs program; `options` its fault options.
    FaultMount(const QString &helper, const QStringList &options);
    ~FaultMount();
    FaultMount(const FaultMount &) = delete;
    FaultMount &operator=(const FaultMount &) = delete;

    // Why this machine cannot mount it (no helper, not root, no /dev/fuse); empty if it can.
    static QString environmentProblem(const QString &helper);

    bool isMounted() const { return m_mounted; }
    QString failure() const { return m_failure; }
    QString rootPath() const;  // the mount point, ending in '/'
    QString backingPath() const;
    QString outsidePath() const;  // off the card, for checking that nothing else is touched

    // Makes every later call on the card fail, as when it is pulled out.
    bool vanish();

private:
    void unmount();

    QTemporaryDir m_dir;
    QProcess m_helper;
    bool m_mounted = false;
    QString m_failure;
};
