#include "cardhistory.h"

#include "runreport.h"
#include "verdictcell.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <cmath>

namespace {
QString tr(const char *key)
{
    return QCoreApplication::translate("CardHistory", key);
}

QString field(const std::string &s)
{
    return QString::fromStdString(s).trimmed();
}

double numberOf(const QJsonValue &v)
{
    return v.isDouble() ? v.toDouble() : qQNaN();
}

QString figureText(const QString &name)
{
    if (name == QLatin1String("writeAvg"))
        return tr("LabelHistWriteAvg");
    if (name == QLatin1String("writeMin"))
        return tr("LabelHistWriteMin");
    if (name == QLatin1String("readAvg"))
        return tr("LabelHistReadAvg");
    return tr("LabelHistReadMin");
}

// "−34 %", "+5 %", "0 %": whole percent, a real minus sign.
QString percentText(double fraction)
{
    const long percent = std::lround(fraction * 100.0);
    const QString sign = percent < 0 ? QStringLiteral("\u2212") : percent > 0 ? "+" : "";
    return sign + QString::number(std::labs(percent)) + QStringLiteral(" %");
}

// "25 %": a size of a change, without sign.
QString amountText(double fraction)
{
    return QString::number(std::lround(std::fabs(fraction) * 100.0)) + QStringLiteral(" %");
}

QString dateText(const HistoryTest &test)
{
    return test.startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
}
}  // namespace

QString cardKey(const CardInfo &card)
{
    const platform::CardIdentity &id = card.identity;
    const QString capacity = QString::number(card.totalBytes);
    if (!id.cidSerial.empty() || !id.cidManufacturerId.empty())
        return QStringList{QStringLiteral("cid:") + field(id.cidManufacturerId), field(id.cidName),
                           field(id.cidSerial)}
            .join(QLatin1Char('|'));
    if (!id.serial.empty())
        return QStringList{QStringLiteral("usb:") + field(id.vendor), field(id.model),
                           field(id.serial), card.volumeSerial, capacity}
            .join(QLatin1Char('|'));
    if (!card.volumeSerial.isEmpty())
        return QStringLiteral("volume:") + card.volumeSerial + QLatin1Char('|') + capacity;
    return QString();
}

QString historyModeText(const QString &mode)
{
    if (mode == QLatin1String("fill"))
        return tr("LabelRollingWrite");
    return tr(mode == QLatin1String("files") ? "RadioExternalFile" : "RadioRandom");
}

QString historyVerdictText(const HistoryTest &test)
{
    const QStringList names{QStringLiteral("pass"), QStringLiteral("warn"), QStringLiteral("fail")};
    const int code = names.indexOf(test.verdict);
    return code < 0 ? test.outcome : verdictText(static_cast<Verdict>(code));
}

HistoryCard historyCardOf(const CardInfo &card)
{
    HistoryCard h;
    h.key = cardKey(card);
    // Nothing identifies it: a card of its own, which no later test can be taken for.
    if (h.key.isEmpty())
        h.key = QStringLiteral("unknown:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    h.description = identityText(card.identity);
    h.label = card.label;
    h.fileSystem = card.fileSystem;
    h.totalBytes = card.totalBytes;
    return h;
}

HistoryTest historyTestOf(const QJsonObject &report)
{
    HistoryTest t;
    const QJsonObject card = report.value(QLatin1String("card")).toObject();
    const QJsonObject settings = report.value(QLatin1String("settings")).toObject();
    t.startedAt =
        QDateTime::fromString(report.value(QLatin1String("startedAt")).toString(), Qt::ISODate);
    t.endedAt =
        QDateTime::fromString(report.value(QLatin1String("endedAt")).toString(), Qt::ISODate);
    t.tool = report.value(QLatin1String("tool")).toString();
    t.version = report.value(QLatin1String("version")).toString();
    t.outcome = report.value(QLatin1String("outcome")).toString();
    t.label = card.value(QLatin1String("label")).toString();
    t.fileSystem = card.value(QLatin1String("fileSystem")).toString();
    t.totalBytes = qint64(card.value(QLatin1String("totalBytes")).toDouble());
    t.mode = settings.value(QLatin1String("mode")).toString();
    t.testSize = qint64(settings.value(QLatin1String("testSize")).toDouble());
    t.streams = settings.value(QLatin1String("streams")).toInt();
    t.blockSize = qint64(settings.value(QLatin1String("blockSize")).toDouble());
    t.read = settings.value(QLatin1String("read")).toBool();
    t.verify = settings.value(QLatin1String("verify")).toBool();
    t.rounds = t.mode == QLatin1String("fill")
                   ? settings.value(QLatin1String("fillRounds")).toInt()
                   : settings.value(QLatin1String("iterations")).toInt();
    t.verdict = report.value(QLatin1String("verdict")).toString();
    const QJsonValue check = report.value(QLatin1String("verification"));
    if (check.isObject())
        t.dataCheck =
            QString::fromUtf8(QJsonDocument(check.toObject()).toJson(QJsonDocument::Compact));

    const QJsonArray rows = report.value(QLatin1String("rows")).toArray();
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        HistoryRow h;
        h.name = row.value(QLatin1String("name")).toString();
        h.kind = row.value(QLatin1String("kind")).toString();
        h.write = row.value(QLatin1String("write")).toObject().toVariantMap();
        h.read = row.value(QLatin1String("read")).toObject().toVariantMap();
        h.writeVerdict = row.value(QLatin1String("writeVerdict")).toString();
        h.readVerdict = row.value(QLatin1String("readVerdict")).toString();
        h.dataVerdict = row.value(QLatin1String("dataVerdict")).toString();
        h.verdict = row.value(QLatin1String("verdict")).toString();
        t.rows << h;
    }
    // The card total's statistics; a failed run has only the engine's averages.
    if (!rows.isEmpty()) {
        const QJsonObject total = rows.first().toObject();
        const QJsonObject write = total.value(QLatin1String("write")).toObject();
        const QJsonObject read = total.value(QLatin1String("read")).toObject();
        t.writeAvg = numberOf(write.value(QLatin1String("avg")));
        t.writeMin = numberOf(write.value(QLatin1String("min")));
        t.readAvg = numberOf(read.value(QLatin1String("avg")));
        t.readMin = numberOf(read.value(QLatin1String("min")));
    } else {
        const QJsonObject averages = report.value(QLatin1String("averages")).toObject();
        t.writeAvg = numberOf(averages.value(QLatin1String("write")));
        t.readAvg = numberOf(averages.value(QLatin1String("read")));
    }
    t.report = QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact));
    return t;
}

bool HistoryComparison::warns() const
{
    for (const FigureChange &f : figures) {
        if (f.warn)
            return true;
    }
    return false;
}

HistoryComparison compareTests(const HistoryTest &previous, const HistoryTest &current,
                               const VerdictRules &rules)
{
    HistoryComparison c;
    c.previous = previous;
    c.threshold = rules.historyDropWarn;
    const struct {
        const char *name;
        double before;
        double now;
    } figures[] = {
        {"writeAvg", previous.writeAvg, current.writeAvg},
        {"writeMin", previous.writeMin, current.writeMin},
        {"readAvg", previous.readAvg, current.readAvg},
        {"readMin", previous.readMin, current.readMin},
    };
    for (const auto &f : figures) {
        // A figure that was 0 before has no relative change.
        if (std::isnan(f.before) || std::isnan(f.now) || f.before <= 0.0)
            continue;
        FigureChange change;
        change.name = QLatin1String(f.name);
        change.previous = f.before;
        change.current = f.now;
        change.change = (f.now - f.before) / f.before;
        change.warn = -change.change > c.threshold;
        c.figures << change;
    }
    return c;
}

QJsonObject comparisonJson(const HistoryComparison &c)
{
    const HistoryTest &p = c.previous;
    const auto pair = [](double avg, double min) -> QJsonValue {
        if (std::isnan(avg))
            return QJsonValue();
        return QJsonObject{{QStringLiteral("avg"), avg},
                           {QStringLiteral("min"), std::isnan(min) ? QJsonValue() : min}};
    };
    QJsonObject change{{QStringLiteral("writeAvg"), QJsonValue()},
                       {QStringLiteral("writeMin"), QJsonValue()},
                       {QStringLiteral("readAvg"), QJsonValue()},
                       {QStringLiteral("readMin"), QJsonValue()}};
    QJsonArray warnings;
    for (const FigureChange &f : c.figures) {
        change.insert(f.name, f.change);
        if (f.warn)
            warnings.append(f.name);
    }
    return {
        {QStringLiteral("date"), isoTimeText(p.startedAt)},
        {QStringLiteral("write"), pair(p.writeAvg, p.writeMin)},
        {QStringLiteral("read"), pair(p.readAvg, p.readMin)},
        {QStringLiteral("change"), change},
        {QStringLiteral("threshold"), c.threshold},
        {QStringLiteral("warnings"), warnings},
    };
}

QStringList comparisonLines(const HistoryComparison &c)
{
    QStringList lines;
    for (const FigureChange &f : c.figures)
        lines << tr("LogHistoryChange")
                     .arg(figureText(f.name), percentText(f.change), dateText(c.previous));
    return lines;
}

QStringList comparisonWarnings(const HistoryComparison &c)
{
    QStringList lines;
    for (const FigureChange &f : c.figures) {
        if (f.warn)
            lines << tr("LogHistoryDropWarn")
                         .arg(figureText(f.name), amountText(f.change), dateText(c.previous),
                              amountText(c.threshold));
    }
    return lines;
}

HistoryResult recordRun(QJsonObject *report, const CardInfo &card, const VerdictRules &rules,
                        const QString &path)
{
    HistoryResult result;
    HistoryDb db(path);
    result.log << db.notices();
    const HistoryCard historyCard = historyCardOf(card);
    HistoryTest test = historyTestOf(*report);
    if (db.isOpen()) {
        const std::optional<HistoryCard> known = db.cardByKey(historyCard.key);
        const std::optional<HistoryTest> previous =
            known && test.outcome == QLatin1String("completed")
                ? db.previousComparable(known->id, test)
                : std::nullopt;
        if (previous) {
            result.comparison = compareTests(*previous, test, rules);
            result.changes << comparisonLines(*result.comparison);
            result.warnings << comparisonWarnings(*result.comparison);
        } else if (test.outcome == QLatin1String("completed")) {
            result.changes << tr("LogHistoryFirst");
        }
    }
    report->insert(QStringLiteral("previous"), result.comparison
                                                   ? QJsonValue(comparisonJson(*result.comparison))
                                                   : QJsonValue());
    test.report = QString::fromUtf8(QJsonDocument(*report).toJson(QJsonDocument::Compact));
    if (!db.record(historyCard, &test))
        result.log << db.lastError();
    else
        result.log << tr("LogHistoryRecorded").arg(QDir::toNativeSeparators(db.path()));
    return result;
}
