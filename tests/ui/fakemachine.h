#pragma once

#include "asyncformatservice.h"
#include "drives.h"
#include "userprompt.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <map>
#include <memory>
#include <string>

// A machine's drives as a test describes them. The test keeps the table after handing the
// service to the window, so it can pull a card out or change it later.
struct FakeDrive {
    bool removable = true;
    bool volumeOk = true;
    platform::VolumeInfo volume;
    bool spaceOk = true;
    platform::DiskSpace space;
};
using FakeDriveTable = std::map<std::string, FakeDrive>;  // by root path, listed in this order

class FakeDriveService : public platform::DriveService
{
public:
    explicit FakeDriveService(std::shared_ptr<FakeDriveTable> table)
        : m_table(std::move(table))
    {}
    std::vector<std::string> removableRoots() const override
    {
        std::vector<std::string> roots;
        for (const auto &entry : *m_table) {
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
        if (d && d->volumeOk)
            out = d->volume;
        return d && d->volumeOk;
    }
    bool querySpace(const std::string &root, platform::DiskSpace &out) const override
    {
        const FakeDrive *d = find(root);
        if (d && d->spaceOk)
            out = d->space;
        return d && d->spaceOk;
    }
    bool queryDevice(const std::string &, platform::VolumeDevice &) const override { return false; }

private:
    const FakeDrive *find(const std::string &root) const
    {
        const auto it = m_table->find(root);
        return it == m_table->end() ? nullptr : &it->second;
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
        const FakeDrive &drive = (*m_table)[root.toStdString()];
        out = {root.toStdString(), "/dev/fakecard1", drive.space.totalBytes,
               drive.volume.fileSystem, drive.volume.label};
        return m_script->describable;
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
                    m_table->erase(root.toStdString());
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
        const bool done = m_script->result == platform::FormatResult::Done;
        return done ? QString() : QString::fromStdString(m_script->message);
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
            return p.kind == UserPrompt::Question        ? answerQuestion
                   : p.kind == UserPrompt::FormatConfirm ? answerConfirm
                                                         : false;
        };
    }
};
