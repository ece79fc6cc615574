#include "historylist.h"

#include "cardhistory.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cmath>

namespace {
QJsonValue figure(double v)
{
    return std::isnan(v) ? QJsonValue() : QJsonValue(v);
}

QString figureText(double v)
{
    return std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'f', 2);
}

QString tr(const char *key)
{
    return QCoreApplication::translate("HistoryList", key);
}
}  // namespace

HistoryListing historyListing(HistoryDb &db, bool all, const QString &key)
{
    HistoryListing listing;
    for (const HistoryCard &card : db.cards()) {
        if (all || (!key.isEmpty() && card.key == key)) {
            listing.cards << card;
            listing.tests << db.tests(card.id);
        }
    }
    return listing;
}

QStringList historyLines(const HistoryListing &listing)
{
    QStringList lines;
    if (listing.cards.isEmpty())
        lines << tr("LabelHistNone");
    for (int i = 0; i < listing.cards.size(); ++i) {
        const HistoryCard &c = listing.cards[i];
        const QString name =
            QStringList{c.label, c.fileSystem, c.description}.join(QLatin1Char(' '));
        lines << tr("LabelHistCardLine").arg(name.simplified()).arg(listing.tests[i].size());
        for (const HistoryTest &t : listing.tests[i]) {
            lines << QStringLiteral("  ")
                         + tr("LabelHistTestLine")
                               .arg(t.startedAt.toLocalTime().toString(
                                        QStringLiteral("yyyy-MM-dd HH:mm")),
                                    historyModeText(t.mode), QString::number(t.streams),
                                    QString::number(t.blockSize / 1024) + QStringLiteral("K"),
                                    figureText(t.writeAvg), figureText(t.writeMin),
                                    figureText(t.readAvg), figureText(t.readMin),
                                    historyVerdictText(t));
        }
    }
    return lines;
}

QJsonObject historyJson(const HistoryListing &listing, const QString &databasePath)
{
    QJsonArray cards;
    for (int i = 0; i < listing.cards.size(); ++i) {
        const HistoryCard &c = listing.cards[i];
        QJsonArray tests;
        for (const HistoryTest &t : listing.tests[i]) {
            const auto pair = [](double avg, double min) -> QJsonValue {
                if (std::isnan(avg))
                    return QJsonValue();
                return QJsonObject{{QStringLiteral("avg"), avg},
                                   {QStringLiteral("min"), figure(min)}};
            };
            tests.append(QJsonObject{
                {QStringLiteral("id"), t.id},
                {QStringLiteral("startedAt"), t.startedAt.toUTC().toString(Qt::ISODate)},
                {QStringLiteral("tool"), t.tool},
                {QStringLiteral("version"), t.version},
                {QStringLiteral("outcome"), t.outcome},
                {QStringLiteral("mode"), t.mode},
                {QStringLiteral("testSize"), t.testSize},
                {QStringLiteral("streams"), t.streams},
                {QStringLiteral("blockSize"), t.blockSize},
                {QStringLiteral("read"), t.read},
                {QStringLiteral("verify"), t.verify},
                {QStringLiteral("rounds"), t.rounds},
                {QStringLiteral("writeSpeed"), pair(t.writeAvg, t.writeMin)},
                {QStringLiteral("readSpeed"), pair(t.readAvg, t.readMin)},
                {QStringLiteral("verdict"), t.verdict.isEmpty() ? QJsonValue() : t.verdict},
            });
        }
        cards.append(QJsonObject{
            {QStringLiteral("key"), c.key},
            {QStringLiteral("description"), c.description},
            {QStringLiteral("label"), c.label},
            {QStringLiteral("fileSystem"), c.fileSystem},
            {QStringLiteral("totalBytes"), c.totalBytes},
            {QStringLiteral("tests"), tests},
        });
    }
    return {{QStringLiteral("database"), databasePath}, {QStringLiteral("cards"), cards}};
}
