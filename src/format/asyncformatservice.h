#pragma once

#include "formatservice.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

namespace platform {
class DriveService;
}

// Quick-formats a removable drive with the file system and label it has now: unmount,
// format, mount again. Only removable drives are ever formatted. The work happens outside
// the caller's thread (in a daemon, or a system dialog), so the window stays responsive
// while a card is formatted or the user is asked for a password.
class FormatService : public QObject
{
    Q_OBJECT
public:
    explicit FormatService(QObject *parent = nullptr);

    // Fills `out` and returns true when `rootPath` is a removable drive on a block device;
    // otherwise false, and lastMessage() says why. Only quick queries.
    virtual bool describe(const QString &rootPath, platform::FormatPlan &out) = 0;
    // Begins formatting and returns at once; `finished` follows, never from inside start().
    // One format at a time: starting again abandons the one under way.
    virtual void start(const QString &rootPath) = 0;
    // Stops waiting for the format under way: no `finished` comes for it. What the system
    // has already begun may still complete.
    virtual void abandon() = 0;
    // Why the last format or description did not succeed, for the log; empty after a success.
    virtual QString lastMessage() const = 0;
    // The native handle of the window a system dialog belongs to (QWidget::winId()); 0 for none.
    void setOwnerWindow(quintptr window) { m_ownerWindow = window; }
    quintptr ownerWindow() const { return m_ownerWindow; }

signals:
    // On Done, `newRoot` is where the drive is mounted now (it may have moved); otherwise
    // empty, or the old root when the system does not say.
    void finished(platform::FormatResult result, const QString &newRoot);

private:
    quintptr m_ownerWindow = 0;
};

Q_DECLARE_METATYPE(platform::FormatResult)

// The machine's format service; `drives` decides what is removable and must outlive it.
std::unique_ptr<FormatService> makeFormatService(const platform::DriveService &drives);

// The plan for `rootPath` from the drive services alone: refused (false, with the reason in
// `why`) unless it is the root of a removable drive on a block device.
bool planFromDrives(const platform::DriveService &drives, const QString &rootPath,
                    platform::FormatPlan &out, QString &why);
