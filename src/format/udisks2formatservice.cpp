// Formatting through udisks2 over D-Bus: the daemon does the privileged work and asks the
// user for authorisation through the desktop's polkit agent. Every call of a format is
// asynchronous, one after the other (resolve, read, unmount, format, mount), so the window
// keeps running while the daemon works or the user types a password.
#include "udisks2formatservice.h"

#include "drives.h"
#include "udisks2errors.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMetaObject>

#include <functional>

namespace {
const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kNotMounted = QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted");

// describe() blocks the window, so its questions must be answered quickly or not at all.
constexpr int kDescribeCallMs = 5000;
constexpr int kQuickCallMs = 25000;
// Making a file system on a large, slow card, plus the time the user takes to authorise.
constexpr int kFormatCallMs = 30 * 60 * 1000;

// The file-system name udisks2 formats with, from the one the kernel mounted.
std::string formatTypeFor(const std::string &mounted)
{
    if (mounted == "ntfs3")
        return "ntfs";
    if (mounted == "fuseblk")  // FUSE hides the real type; udisks2 knows it
        return std::string();
    return mounted;
}

QString asRoot(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString errorText(const QDBusMessage &reply)
{
    return reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
}

QVariantMap resolveArguments(const platform::FormatPlan &plan)
{
    return QVariantMap{{QStringLiteral("path"), QString::fromStdString(plan.devicePath)}};
}

QString firstObject(const QDBusMessage &resolved)
{
    if (resolved.arguments().isEmpty())
        return QString();
    const QList<QDBusObjectPath> objects =
        qdbus_cast<QList<QDBusObjectPath>>(resolved.arguments().constFirst());
    return objects.isEmpty() ? QString() : objects.first().path();
}

QVariantMap propertiesOf(const QDBusMessage &reply)
{
    return reply.arguments().isEmpty() ? QVariantMap()
                                       : qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

class UDisks2FormatService final : public FormatService
{
public:
    UDisks2FormatService(const platform::DriveService &drives, const QDBusConnection &bus,
                         const QString &privateName)
        : m_drives(drives)
        , m_bus(bus)
        , m_privateName(privateName)
    {}

    ~UDisks2FormatService() override
    {
        abandon();
        if (!m_privateName.isEmpty())
            QDBusConnection::disconnectFromBus(m_privateName);
    }

    bool describe(const QString &rootPath, platform::FormatPlan &out) override;
    void start(const QString &rootPath) override;
    void abandon() override;
    QString lastMessage() const override { return m_message; }

private:
    using Step = void (UDisks2FormatService::*)(const QDBusMessage &reply);

    QDBusMessage methodCall(const QString &path, const QString &interface, const QString &method,
                            const QVariantList &args) const;
    void callThen(const QString &path, const QString &interface, const QString &method,
                  const QVariantList &args, int timeoutMs, Step next);
    void finish(platform::FormatResult result, const QString &message,
                const QString &newRoot = QString());
    void finishLater(platform::FormatResult result, const QString &message);
    void fail(const QDBusMessage &reply, const QString &step);

    void onResolved(const QDBusMessage &reply);
    void onBlockRead(const QDBusMessage &reply);
    void onUnmounted(const QDBusMessage &reply);
    void onFormatted(const QDBusMessage &reply);
    void onMounted(const QDBusMessage &reply);

    const platform::DriveService &m_drives;
    QDBusConnection m_bus;
    QString m_privateName;
    QString m_message;

    // The format under way. A reply of an abandoned format finds another job number.
    int m_job = 0;
    QDBusPendingCallWatcher *m_pending = nullptr;
    platform::FormatPlan m_plan;
    QString m_object;
    QString m_fsType;
    QString m_label;
};

QDBusMessage UDisks2FormatService::methodCall(const QString &path, const QString &interface,
                                              const QString &method, const QVariantList &args) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    // Lets udisks2 ask for a password through the polkit agent.
    message.setInteractiveAuthorizationAllowed(true);
    return message;
}

void UDisks2FormatService::callThen(const QString &path, const QString &interface,
                                    const QString &method, const QVariantList &args, int timeoutMs,
                                    Step next)
{
    const QDBusPendingCall call =
        m_bus.asyncCall(methodCall(path, interface, method, args), timeoutMs);
    m_pending = new QDBusPendingCallWatcher(call, this);
    const int job = m_job;
    connect(m_pending, &QDBusPendingCallWatcher::finished, this,
            [this, job, next](QDBusPendingCallWatcher *watcher) {
                watcher->deleteLater();
                if (job != m_job)
                    return;
                m_pending = nullptr;
                (this->*next)(watcher->reply());
            });
}

void UDisks2FormatService::finish(platform::FormatResult result, const QString &message,
                                  const QString &newRoot)
{
    m_message = message;
    emit finished(result, newRoot);
}

void UDisks2FormatService::finishLater(platform::FormatResult result, const QString &message)
{
    // Never from inside start(): the caller sees one order of events for every outcome.
    const int job = m_job;
    QMetaObject::invokeMethod(
        this,
        [this, job, result, message] {
            if (job == m_job)
                finish(result, message);
        },
        Qt::QueuedConnection);
}

void UDisks2FormatService::fail(const QDBusMessage &reply, const QString &step)
{
    finish(formatResultForUDisks2Error(reply.errorName()),
           step + QStringLiteral(": ") + errorText(reply));
}

bool UDisks2FormatService::describe(const QString &rootPath, platform::FormatPlan &out)
{
    if (!planFromDrives(m_drives, rootPath, out, m_message))
        return false;
    out.fileSystem = formatTypeFor(out.fileSystem);
    // udisks2, when it is there, knows the real type under FUSE and the real label (the
    // local label may only be the mount point's name).
    if (!m_bus.isConnected())
        return true;
    const QDBusMessage resolved =
        m_bus.call(methodCall(kManagerPath, kManager, QStringLiteral("ResolveDevice"),
                              {resolveArguments(out), QVariantMap()}),
                   QDBus::Block, kDescribeCallMs);
    const QString object = firstObject(resolved);
    if (resolved.type() != QDBusMessage::ReplyMessage || object.isEmpty())
        return true;
    const QDBusMessage read =
        m_bus.call(methodCall(object, kProperties, QStringLiteral("GetAll"), {kBlock}),
                   QDBus::Block, kDescribeCallMs);
    if (read.type() != QDBusMessage::ReplyMessage)
        return true;
    const QVariantMap block = propertiesOf(read);
    const QString type = block.value(QStringLiteral("IdType")).toString();
    if (!type.isEmpty())
        out.fileSystem = type.toStdString();
    out.label = block.value(QStringLiteral("IdLabel")).toString().toStdString();
    return true;
}

void UDisks2FormatService::start(const QString &rootPath)
{
    abandon();
    m_plan = platform::FormatPlan();
    QString why;
    if (!planFromDrives(m_drives, rootPath, m_plan, why))
        return finishLater(platform::FormatResult::CannotFormat, why);
    if (!m_bus.isConnected()) {
        return finishLater(platform::FormatResult::CannotFormat,
                           QStringLiteral("no D-Bus bus to reach udisks2: ")
                               + m_bus.lastError().message());
    }
    // Also the test that udisks2 is there at all: the bus starts it on demand.
    callThen(kManagerPath, kManager, QStringLiteral("ResolveDevice"),
             {resolveArguments(m_plan), QVariantMap()}, kQuickCallMs,
             &UDisks2FormatService::onResolved);
}

void UDisks2FormatService::abandon()
{
    ++m_job;
    if (m_pending) {
        m_pending->deleteLater();
        m_pending = nullptr;
    }
}

void UDisks2FormatService::onResolved(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(reply, QStringLiteral("udisks2 cannot be reached"));
    m_object = firstObject(reply);
    if (m_object.isEmpty()) {
        return finish(platform::FormatResult::CannotFormat,
                      QStringLiteral("udisks2 does not know ")
                          + QString::fromStdString(m_plan.devicePath));
    }
    // No second opinion on udisks2's HintSystem: the drive service alone decides what is
    // removable, and udisks2 itself asks for an administrator before it touches a device
    // it counts as a system one.
    callThen(m_object, kProperties, QStringLiteral("GetAll"), {kBlock}, kQuickCallMs,
             &UDisks2FormatService::onBlockRead);
}

void UDisks2FormatService::onBlockRead(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(reply, QStringLiteral("reading the device"));
    const QVariantMap block = propertiesOf(reply);
    m_fsType = block.value(QStringLiteral("IdType")).toString();
    if (m_fsType.isEmpty())
        m_fsType = QString::fromStdString(formatTypeFor(m_plan.fileSystem));
    m_label = block.value(QStringLiteral("IdLabel")).toString();
    if (m_fsType.isEmpty()) {
        return finish(platform::FormatResult::CannotFormat,
                      QStringLiteral("the file system of %1 is unknown")
                          .arg(QString::fromStdString(m_plan.devicePath)));
    }
    callThen(m_object, kFilesystem, QStringLiteral("Unmount"), {QVariantMap()}, kFormatCallMs,
             &UDisks2FormatService::onUnmounted);
}

void UDisks2FormatService::onUnmounted(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage && reply.errorName() != kNotMounted)
        return fail(reply,
                    QStringLiteral("unmounting ") + QString::fromStdString(m_plan.devicePath));
    QVariantMap options;
    if (!m_label.isEmpty())
        options.insert(QStringLiteral("label"), m_label);
    callThen(m_object, kBlock, QStringLiteral("Format"), {m_fsType, options}, kFormatCallMs,
             &UDisks2FormatService::onFormatted);
}

void UDisks2FormatService::onFormatted(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(reply,
                    QStringLiteral("formatting ") + QString::fromStdString(m_plan.devicePath));
    callThen(m_object, kFilesystem, QStringLiteral("Mount"), {QVariantMap()}, kFormatCallMs,
             &UDisks2FormatService::onMounted);
}

void UDisks2FormatService::onMounted(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        // The card is formatted but gone from the drive list: the whole step failed.
        return finish(platform::FormatResult::Failed,
                      QStringLiteral("formatted %1, but mounting it again failed: %2")
                          .arg(QString::fromStdString(m_plan.devicePath), errorText(reply)));
    }
    finish(platform::FormatResult::Done, QString(),
           asRoot(reply.arguments().constFirst().toString()));
}
}  // namespace

std::unique_ptr<FormatService> makeFormatService(const platform::DriveService &drives)
{
    return std::make_unique<UDisks2FormatService>(drives, QDBusConnection::systemBus(), QString());
}

std::unique_ptr<FormatService> makeUDisks2FormatService(const platform::DriveService &drives,
                                                        const QString &busAddress)
{
    // Each service gets a connection of its own, closed with it.
    static QAtomicInt counter;
    const QString name = QStringLiteral("lumora-format-%1").arg(counter.fetchAndAddRelaxed(1));
    return std::make_unique<UDisks2FormatService>(
        drives, QDBusConnection::connectToBus(busAddress, name), name);
}
