#pragma once

#include "asyncformatservice.h"
#include "drives.h"
#include "userprompt.h"

#include <QStringList>
#include <QVector>

#include <map>
#include <memory>
#include <string>

// A machine's drives as a test describes them. The test keeps the table after handing the
// service to the window, so it can pull a card out or change it later.
struct FakeDrive {
    bool removable = true;
    platform::VolumeInfo volume;
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
        const auto it = m_table->find(root);
        return it != m_table->end() && it->second.removable;
    }
    bool queryVolume(const std::string &root, platform::VolumeInfo &out) const override
    {
        const auto it = m_table->find(root);
        if (it != m_table->end())
            out = it->second.volume;
        return it != m_table->end();
    }
    bool querySpace(const std::string &root, platform::DiskSpace &out) const override
    {
        const auto it = m_table->find(root);
        if (it != m_table->end())
            out = it->second.space;
        return it != m_table->end();
    }
    bool queryDevice(const std::string &, platform::VolumeDevice &) const override { return false; }

private:
    std::shared_ptr<FakeDriveTable> m_table;
};

// A format service that formats nothing: it answers as the test sets it and records what
// was asked. The window owns it; the test keeps a pointer.
class FakeFormatService : public FormatService
{
public:
    explicit FakeFormatService(std::shared_ptr<FakeDriveTable> table)
        : m_table(std::move(table))
    {}
    bool describe(const QString &root, platform::FormatPlan &out) override
    {
        calls << QStringLiteral("describe ") + root;
        const FakeDrive &drive = (*m_table)[root.toStdString()];
        out = {root.toStdString(), "/dev/fakecard1", drive.space.totalBytes,
               drive.volume.fileSystem, drive.volume.label};
        return describable;
    }
    // Ends on the next turn of the event loop, as a daemon's answer would.
    void start(const QString &root) override
    {
        calls << QStringLiteral("start ") + root;
        waiting = true;
        if (finishes) {
            QMetaObject::invokeMethod(
                this, [this, root] { finish(root); }, Qt::QueuedConnection);
        }
    }
    void abandon() override
    {
        calls << QStringLiteral("abandon");
        waiting = false;
    }
    QString lastMessage() const override { return done() ? QString() : message; }

    bool describable = true;
    platform::FormatResult result = platform::FormatResult::Done;
    QString newRoot;           // reported on Done when not empty
    QString message;           // lastMessage() after a format that did not succeed
    bool removeDrive = false;  // the card is gone after the format
    bool finishes = true;      // false: the format never ends, as a stuck daemon
    bool waiting = false;      // a format was started and has not ended or been abandoned
    QStringList calls;         // "describe <root>", "start <root>", "abandon"

private:
    bool done() const { return result == platform::FormatResult::Done; }
    void finish(const QString &root)
    {
        if (!waiting)
            return;
        waiting = false;
        if (removeDrive)
            m_table->erase(root.toStdString());
        emit finished(result, done() ? newRoot : QString());
    }
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
