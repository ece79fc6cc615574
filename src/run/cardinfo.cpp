#include "cardinfo.h"

#include "volumeserial.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonValue>

namespace {
constexpr qint64 kFat16Limit = 2147483648;  // 2 GiB

QString text(const std::string &s)
{
    return QString::fromStdString(s).trimmed();
}

QString translated(const char *key)
{
    return QCoreApplication::translate("CardInfo", key);
}
}  // namespace

QString fileSystemName(const QString &systemName, qint64 totalBytes)
{
    const QString name = systemName.toLower();
    if (name == QLatin1String("vfat") || name == QLatin1String("msdos"))
        return totalBytes > kFat16Limit ? QStringLiteral("FAT32") : QStringLiteral("FAT");
    if (name == QLatin1String("exfat"))
        return QStringLiteral("exFAT");
    if (name == QLatin1String("ntfs") || name == QLatin1String("ntfs3"))
        return QStringLiteral("NTFS");
    return systemName;
}

CardInfo describeCard(const QString &root, const platform::DriveService &drives)
{
    CardInfo card;
    card.root = root;
    const std::string path = root.toStdString();
    platform::DiskSpace space;
    card.spaceKnown = drives.querySpace(path, space);
    card.totalBytes = space.totalBytes;
    card.freeBytes = space.freeBytes;
    platform::VolumeInfo volume;
    if (drives.queryVolume(path, volume)) {
        card.label = text(volume.label);
        card.fileSystem = fileSystemName(text(volume.fileSystem), card.totalBytes);
    }
    drives.queryIdentity(path, card.identity);
    std::string serial;
    if (platform::queryVolumeSerial(path, serial))
        card.volumeSerial = text(serial);
    return card;
}

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QStringList displayPaths(const QStringList &paths)
{
    QStringList out;
    out.reserve(paths.size());
    for (const QString &path : paths)
        out << displayPath(path);
    return out;
}

bool drivesHaveLetters()
{
    return QDir::separator() == QLatin1Char('\\');
}

QString cardTestedLine(const CardInfo &card)
{
    const QString identity = identityText(card.identity);
    const QString none = QStringLiteral("-");
    return translated("LogCardTested")
        .arg(card.label.isEmpty() ? displayPath(card.root) : card.label,
             card.fileSystem.isEmpty() ? none : card.fileSystem,
             QString::number(double(card.totalBytes) / 1073741824.0, 'f', 1),
             identity.isEmpty() ? none : identity);
}

QString identityText(const platform::CardIdentity &id)
{
    QStringList parts;
    const QString product = (text(id.vendor) + QLatin1Char(' ') + text(id.model)).trimmed();
    if (!product.isEmpty())
        parts << product;
    if (!id.cidName.empty())
        parts << text(id.cidName);
    if (!id.cidManufacturerId.empty())
        parts << translated("LabelCardMaker").arg(text(id.cidManufacturerId));
    const QString serial = id.serial.empty() ? text(id.cidSerial) : text(id.serial);
    if (!serial.isEmpty())
        parts << translated("LabelCardSerial").arg(serial);
    if (!id.cidDate.empty())
        parts << translated("LabelCardMade").arg(text(id.cidDate));
    return parts.join(QStringLiteral(", "));
}

QJsonObject cardJson(const CardInfo &card)
{
    const auto bytes = [&card](qint64 n) { return card.spaceKnown ? QJsonValue(n) : QJsonValue(); };
    const platform::CardIdentity &id = card.identity;
    const QJsonValue identity =
        id.empty() ? QJsonValue()
                   : QJsonObject{
                       {QStringLiteral("vendor"), text(id.vendor)},
                       {QStringLiteral("model"), text(id.model)},
                       {QStringLiteral("serial"), text(id.serial)},
                       {QStringLiteral("cidManufacturerId"), text(id.cidManufacturerId)},
                       {QStringLiteral("cidName"), text(id.cidName)},
                       {QStringLiteral("cidSerial"), text(id.cidSerial)},
                       {QStringLiteral("cidDate"), text(id.cidDate)},
                   };
    return QJsonObject{
        {QStringLiteral("root"), displayPath(card.root)},
        {QStringLiteral("label"), card.label},
        {QStringLiteral("fileSystem"), card.fileSystem},
        {QStringLiteral("totalBytes"), bytes(card.totalBytes)},
        {QStringLiteral("freeBytes"), bytes(card.freeBytes)},
        {QStringLiteral("identity"), identity},
        {QStringLiteral("volumeSerial"),
         card.volumeSerial.isEmpty() ? QJsonValue() : QJsonValue(card.volumeSerial)},
    };
}
