// Windows: the system's own format dialog does the work and asks its own questions.
#include "asyncformatservice.h"

#include "drives.h"
#include "formatdialog.h"

#include <QTimer>

namespace {

class DialogFormatService final : public FormatService
{
public:
    explicit DialogFormatService(const platform::DriveService &drives)
        : m_drives(drives)
    {}

    bool describe(const QString &rootPath, platform::FormatPlan &out) override
    {
        return planFromDrives(m_drives, rootPath, out, m_message);
    }

    void start(const QString &rootPath) override
    {
        const int job = ++m_job;
        // The dialog is modal; it opens once the caller has shown that a format is under way,
        // on this object's thread, which is the window's.
        QTimer::singleShot(0, this, [this, job, rootPath] {
            if (job != m_job)
                return;
            const platform::FormatResult result =
                platform::showFormatDialog(rootPath.toStdString(), ownerWindow());
            m_message.clear();
            if (job == m_job)
                emit finished(result, rootPath);
        });
    }

    void abandon() override { ++m_job; }
    QString lastMessage() const override { return m_message; }

private:
    const platform::DriveService &m_drives;
    QString m_message;
    int m_job = 0;
};

}  // namespace

std::unique_ptr<FormatService> makeFormatService(const platform::DriveService &drives)
{
    return std::make_unique<DialogFormatService>(drives);
}
