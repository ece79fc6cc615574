#pragma once

#include "asyncformatservice.h"
#include "drives.h"
#include "userprompt.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <map>
#include <memory>
#include <string>

// A machine's drives as a test describes them. The test keeps a pointer to the table after
// handing the service to the window, so it can pull a card out or change its size later.
struct FakeDrive {
    bool removable = true;
    bool volumeOk = true;
    platform::VolumeInfo volume;
    bool spaceOk = true;
    platform::DiskSpace space;
};

struct FakeDriveTable {
    std::map<std::string, FakeDrive> drives;  // by root path, listed in this order
};

class FakeDriveService : public platform::DriveService
{
public:
    explicit FakeDriveService(std::shared_ptr<FakeDriveTable> table)
        : m_table(std::move(table))
    {}

    std::vector<std::string> removableRoots() const override
    {
        std::vector<std::string> roots;
        for (const auto &entry : m_table->drives) {
            if (entry.second.removable)
                roots.push_back(entry.first);
        }
        return roots;
    }
    bool isRemovable(const std::string &root) const override
    {
        const FakeDrive *d = find(root);
        return d && d->removable;
    }
    bool queryVolume(const std::string &root, platform::VolumeInfo &out) const override
    {
        const FakeDrive *d = find(root);
        if (!d || !d->volumeOk)
            return false;
        out = d->volume;
        return true;
    }
    bool querySpace(const std::string &root, platform::DiskSpace &out) const override
    {
        const FakeDrive *d = find(root);
        if (!d || !d->spaceOk)
            return false;
        out = d->space;
        return true;
    }
    bool queryDevice(const std::string &, platform::VolumeDevice &) const override { return false; }

private:
    const FakeDrive *find(const std::string &root) const
    {
        auto it = m_table->drives.find(root);
        return it == m_table->drives.end() ? nullptr : &it->second;
    }
    std::shared_ptr<FakeDriveTable> m_table;
};

// A format service that formats nothing: it answers as told and records what was asked.
struct FakeFormatScript {
    bool describable = true;
    platform::FormatResult result = platform::FormatResult::Done;
    std::string newRoot;       // reported on Done when not empty
    std::string message;       // lastMessage() after a format that did not succeed
    bool removeDrive = false;  // the card is gone after the format
    bool finishes = true;      // false: the format never ends, as a stuck daemon
    bool waiting = false;      // a format was started and has not ended or been abandoned
    QStringList calls;         // "describe <root>", "start <root>", "abandon"
};

class FakeFormatService : public FormatService
{
public:
    FakeFormatService(std::shared_ptr<FakeFormatScript> script,
                      std::shared_ptr<FakeDriveTable> table)
        : m_script(std::move(script))
        , m_table(std::move(table))
    {}
    bool describe(const QString &root, platform::FormatPlan &out) override
    {
        m_script->calls << QStringLiteral("describe ") + root;
        if (!m_script->describable)
            return false;
        const FakeDrive &drive = m_table->drives[root.toStdString()];
        out.rootPath = root.toStdString();
        out.devicePath = "/dev/fakecard1";
        out.sizeBytes = drive.space.totalBytes;
        out.fileSystem = drive.volume.fileSystem;
        out.label = drive.volume.label;
        return true;
    }
    // Ends on the next turn of the event loop, as a daemon's answer would.
    void start(const QString &root) override
    {
        m_script->calls << QStringLiteral("start ") + root;
        m_script->waiting = true;
        if (!m_script->finishes)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, root] {
                if (!m_script->waiting)
                    return;
                m_script->waiting = false;
                if (m_script->removeDrive)
                    m_table->drives.erase(root.toStdString());
                const bool done = m_script->result == platform::FormatResult::Done;
                emit finished(m_script->result,
                              done ? QString::fromStdString(m_script->newRoot) : QString());
            },
            Qt::QueuedConnection);
    }
    void abandon() override
    {
        m_script->calls << QStringLiteral("abandon");
        m_script->waiting = false;
    }
    QString lastMessage() const override
    {
        return m_script->result == platform::FormatResult::Done
                   ? QString()
                   : QString::fromStdString(m_script->message);
    }

private:
    std::shared_ptr<FakeFormatScript> m_script;
    std::shared_ptr<FakeDriveTable> m_table;
};

// Answers every prompt of the window and keeps them in order.
struct PromptLog {
    QVector<UserPrompt> prompts;
    bool answerQuestion = false;  // the format offer
    bool answerConfirm = false;   // the format confirmation

    PromptHandler handler()
    {
        return [this](QWidget *, const UserPrompt &p) {
            prompts.append(p);
            if (p.kind == UserPrompt::Question)
                return answerQuestion;
            if (p.kind == UserPrompt::FormatConfirm)
                return answerConfirm;
            return false;
        };
    }
};

// Collects the window's debug output (its log) while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        onMessage = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // The log lines without their "[hh:mm:ss] " time stamps.
    static QStringList messages()
    {
        QStringList out;
        for (const QString &line : s_lines)
            out << line.mid(11);
        return out;
    }
    static const QStringList &lines() { return s_lines; }
    // Called with each message (without time stamp) as it is logged, in the logging thread.
    static inline std::function<void(const QString &)> onMessage;

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtDebugMsg)
            return;
        s_lines << text;
        if (onMessage)
            onMessage(text.mid(11));
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
