// Formatting through udisks2 over D-Bus: the daemon does the privileged work and asks the
// user for authorisation through the desktop's polkit agent.
#include "linux/udisks2format.h"

#include "drives.h"
#include "linux/udisks2errors.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace platform {

namespace {
const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kNotMounted = QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted");

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

std::string asRoot(const QString &path)
{
    const std::string p = path.toStdString();
    return !p.empty() && p.back() == '/' ? p : p + '/';
}

class UDisks2FormatService final : public FormatService
{
public:
    UDisks2FormatService(const DriveService &drives, const QDBusConnection &bus,
                         const QString &privateName)
        : m_drives(drives)
        , m_bus(bus)
        , m_privateName(privateName)
    {}

    ~UDisks2FormatService() override
    {
        if (!m_privateName.isEmpty())
            QDBusConnection::disconnectFromBus(m_privateName);
    }

    bool describe(const std::string &rootPath, FormatPlan &out) override;
    FormatResult format(const std::string &rootPath, std::string *newRoot) override;
    std::string lastMessage() const override { return m_message; }

private:
    bool describeLocally(const std::string &rootPath, FormatPlan &out);
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &args, int timeoutMs = kQuickCallMs);
    QVariant property(const QString &path, const QString &interface, const QString &name,
                      QDBusMessage *error);
    FormatResult refuse(FormatResult result, const std::string &message);
    FormatResult errorOf(const QDBusMessage &reply, const std::string &step);

    const DriveService &m_drives;
    QDBusConnection m_bus;
    QString m_privateName;
    std::string m_message;
};

QDBusMessage UDisks2FormatService::call(const QString &path, const QString &interface,
                                        const QString &method, const QVariantList &args,
                                        int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    // Lets udisks2 ask for a password through the polkit agent.
    message.setInteractiveAuthorizationAllowed(true);
    return m_bus.call(message, QDBus::Block, timeoutMs);
}

QVariant UDisks2FormatService::property(const QString &path, const QString &interface,
                                        const QString &name, QDBusMessage *error)
{
    const QDBusMessage reply = call(path, kProperties, QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *error = reply;
        return QVariant();
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

FormatResult UDisks2FormatService::refuse(FormatResult result, const std::string &message)
{
    m_message = message;
    return result;
}

FormatResult UDisks2FormatService::errorOf(const QDBusMessage &reply, const std::string &step)
{
    const std::string name = reply.errorName().toStdString();
    return refuse(formatResultForUDisks2Error(name),
                  step + ": " + name + ": " + reply.errorMessage().toStdString());
}

bool UDisks2FormatService::describeLocally(const std::string &rootPath, FormatPlan &out)
{
    if (!m_drives.isRemovable(rootPath)) {
        m_message = rootPath + " is not a removable drive";
        return false;
    }
    VolumeDevice device;
    if (!m_drives.queryDevice(rootPath, device)) {
        m_message = rootPath + " is not the root of a volume on a block device";
        return false;
    }
    VolumeInfo volume;
    m_drives.queryVolume(rootPath, volume);
    out.rootPath = rootPath;
    out.devicePath = device.devicePath;
    out.sizeBytes = device.sizeBytes;
    out.fileSystem = formatTypeFor(volume.fileSystem);
    out.label = volume.label;
    m_message.clear();
    return true;
}

bool UDisks2FormatService::describe(const std::string &rootPath, FormatPlan &out)
{
    if (!describeLocally(rootPath, out))
        return false;
    // udisks2, when it is there, knows the real type under FUSE and the real label (the
    // local label may only be the mount point's name).
    if (!m_bus.isConnected())
        return true;
    const QDBusMessage resolved =
        call(kManagerPath, kManager, QStringLiteral("ResolveDevice"),
             {QVariantMap{{QStringLiteral("path"), QString::fromStdString(out.devicePath)}},
              QVariantMap()});
    if (resolved.type() != QDBusMessage::ReplyMessage || resolved.arguments().isEmpty())
        return true;
    const QList<QDBusObjectPath> objects =
        qdbus_cast<QList<QDBusObjectPath>>(resolved.arguments().constFirst());
    if (objects.isEmpty())
        return true;
    QDBusMessage error;
    const QString type =
        property(objects.first().path(), kBlock, QStringLiteral("IdType"), &error).toString();
    const QString label =
        property(objects.first().path(), kBlock, QStringLiteral("IdLabel"), &error).toString();
    if (!type.isEmpty())
        out.fileSystem = type.toStdString();
    if (error.type() != QDBusMessage::ErrorMessage)
        out.label = label.toStdString();
    return true;
}

FormatResult UDisks2FormatService::format(const std::string &rootPath, std::string *newRoot)
{
    FormatPlan plan;
    if (!describeLocally(rootPath, plan))
        return FormatResult::CannotFormat;
    if (!m_bus.isConnected()) {
        return refuse(FormatResult::CannotFormat, "no D-Bus bus to reach udisks2: "
                                                      + m_bus.lastError().message().toStdString());
    }

    // Also the test that udisks2 is there at all: the bus starts it on demand.
    const QDBusMessage resolved =
        call(kManagerPath, kManager, QStringLiteral("ResolveDevice"),
             {QVariantMap{{QStringLiteral("path"), QString::fromStdString(plan.devicePath)}},
              QVariantMap()});
    if (resolved.type() != QDBusMessage::ReplyMessage)
        return errorOf(resolved, "udisks2 cannot be reached");
    const QList<QDBusObjectPath> objects =
        resolved.arguments().isEmpty()
            ? QList<QDBusObjectPath>()
            : qdbus_cast<QList<QDBusObjectPath>>(resolved.arguments().constFirst());
    if (objects.isEmpty())
        return refuse(FormatResult::CannotFormat, "udisks2 does not know " + plan.devicePath);
    const QString object = objects.first().path();

    QDBusMessage error;
    if (property(object, kBlock, QStringLiteral("HintSystem"), &error).toBool())
        return refuse(FormatResult::CannotFormat, plan.devicePath + " is a system device");
    if (error.type() == QDBusMessage::ErrorMessage)
        return errorOf(error, "reading the device");
    const QString type = property(object, kBlock, QStringLiteral("IdType"), &error).toString();
    const QString label = property(object, kBlock, QStringLiteral("IdLabel"), &error).toString();
    if (error.type() == QDBusMessage::ErrorMessage)
        return errorOf(error, "reading the device");
    const QString fsType = type.isEmpty() ? QString::fromStdString(plan.fileSystem) : type;
    if (fsType.isEmpty())
        return refuse(FormatResult::CannotFormat,
                      "the file system of " + plan.devicePath + " is unknown");

    const QDBusMessage unmounted =
        call(object, kFilesystem, QStringLiteral("Unmount"), {QVariantMap()}, kFormatCallMs);
    if (unmounted.type() != QDBusMessage::ReplyMessage && unmounted.errorName() != kNotMounted)
        return errorOf(unmounted, "unmounting " + plan.devicePath);

    QVariantMap options;
    if (!label.isEmpty())
        options.insert(QStringLiteral("label"), label);
    const QDBusMessage formatted =
        call(object, kBlock, QStringLiteral("Format"), {fsType, options}, kFormatCallMs);
    if (formatted.type() != QDBusMessage::ReplyMessage)
        return errorOf(formatted, "formatting " + plan.devicePath);

    const QDBusMessage mounted =
        call(object, kFilesystem, QStringLiteral("Mount"), {QVariantMap()}, kFormatCallMs);
    if (mounted.type() != QDBusMessage::ReplyMessage || mounted.arguments().isEmpty()) {
        // The card is formatted but gone from the drive list: the whole step failed.
        m_message = "formatted " + plan.devicePath
                    + ", but mounting it again failed: " + mounted.errorName().toStdString() + ": "
                    + mounted.errorMessage().toStdString();
        return FormatResult::Failed;
    }
    if (newRoot != nullptr)
        *newRoot = asRoot(mounted.arguments().constFirst().toString());
    m_message.clear();
    return FormatResult::Done;
}
}  // namespace

std::unique_ptr<FormatService> makeFormatService(const DriveService &drives)
{
    return std::make_unique<UDisks2FormatService>(drives, QDBusConnection::systemBus(), QString());
}

std::unique_ptr<FormatService> makeUDisks2FormatService(const DriveService &drives,
                                                        const std::string &busAddress)
{
    // Each service gets a connection of its own, closed with it.
    static QAtomicInt counter;
    const QString name = QStringLiteral("lumora-format-%1").arg(counter.fetchAndAddRelaxed(1));
    return std::make_unique<UDisks2FormatService>(
        drives, QDBusConnection::connectToBus(QString::fromStdString(busAddress), name), name);
}

}  // namespace platform
