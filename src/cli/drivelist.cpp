#include "drivelist.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace {
QString gigabytes(qint64 bytes)
{
    return QString::number(double(bytes) / 1073741824.0, 'f', 1);
}

QString translated(const char *key)
{
    return QCoreApplication::translate("DriveList", key);
}
}  // namespace

QVector<CardInfo> listedCards(const platform::DriveService &drives)
{
    QVector<CardInfo> cards;
    for (const std::string &root : drives.removableRoots())
        cards.append(describeCard(QString::fromStdString(root), drives));
    return cards;
}

QStringList driveListLines(const QVector<CardInfo> &cards)
{
    if (cards.isEmpty())
        return {translated("DriveWarnNoDrive")};
    QStringList lines;
    for (const CardInfo &card : cards) {
        const QString label = card.label.isEmpty() ? translated("DriveRemovable") : card.label;
        const QString space = card.spaceKnown
                                  ? translated("DriveListSpace")
                                        .arg(gigabytes(card.totalBytes), gigabytes(card.freeBytes))
                                  : QString();
        const QString identity = identityText(card.identity);
        // One pass, so a label holding "%1" stays as it is.
        lines << QStringLiteral("%1  [%2]  %3  %4  %5")
                     .arg(displayPath(card.root), label, card.fileSystem, space, identity)
                     .trimmed();
    }
    return lines;
}

QJsonObject driveListJson(const QVector<CardInfo> &cards)
{
    QJsonArray list;
    for (const CardInfo &card : cards)
        list.append(cardJson(card));
    return QJsonObject{
        {QStringLiteral("tool"), QStringLiteral("lumoracard-cli")},
        {QStringLiteral("version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("drives"), list},
    };
}
