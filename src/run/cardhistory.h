#pragma once

#include "cardinfo.h"
#include "historydb.h"
#include "verdict.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

// How the history recognises a card: by the best identity the system gives. An SD card's CID
// (its own register: a format does not change it); else the USB device's vendor, model and
// serial together with the volume serial and the capacity (a card reader reports its own
// serial, the same for every card put into it); else the volume serial with the capacity.
// Empty when none of these is known: such a card is never matched with another.
QString cardKey(const CardInfo &card);
HistoryCard historyCardOf(const CardInfo &card);

// A run's JSON report (runReport()) as a history entry: plan, averages, rows, data check,
// and the report itself.
HistoryTest historyTestOf(const QJsonObject &report);

// A recorded test's mode and verdict in the UI language, as the window's mode choice and
// verdict cells say them; a failed run has no verdict, only its outcome.
QString historyModeText(const QString &mode);
QString historyVerdictText(const HistoryTest &test);

// One figure compared with the same figure of an earlier test of the card.
struct FigureChange {
    QString name;           // "writeAvg", "writeMin", "readAvg", "readMin"
    double previous = 0.0;  // MB/s
    double current = 0.0;
    double change = 0.0;  // fraction: -0.34 is 34 % lower
    bool warn = false;    // it fell by more than historyDropWarn
};

struct HistoryComparison {
    HistoryTest previous;
    QVector<FigureChange> figures;  // only the figures both tests have
    double threshold = 0.0;
    bool warns() const;
};

// The change of `current` against `previous`, judged by the rules' historyDropWarn.
HistoryComparison compareTests(const HistoryTest &previous, const HistoryTest &current,
                               const VerdictRules &rules);

// The report's "previous": {date, write: {avg, min}, read: {avg, min} | null, change:
// {writeAvg, writeMin, readAvg, readMin} (fractions, null where not comparable), threshold,
// warnings: [figure names]}.
QJsonObject comparisonJson(const HistoryComparison &comparison);
// "write minimum −34 % since 2026-08-02", one line per figure, then one warning line per
// figure that fell too far; in the UI language.
QStringList comparisonLines(const HistoryComparison &comparison);
QStringList comparisonWarnings(const HistoryComparison &comparison);

// What recording one run gave the front end to show.
struct HistoryResult {
    QStringList log;       // about the database: opened, moved aside, recorded or not
    QStringList changes;   // comparisonLines(), or that there is nothing to compare with
    QStringList warnings;  // comparisonWarnings()
    std::optional<HistoryComparison> comparison;
};

// Records a completed or failed run of `card` in the database at `path`, after comparing it
// with the card's previous comparable test: the comparison is added to `report` as
// "previous" (null without one) before the report is stored. Never fails the run: a database
// that cannot be written is a warning.
HistoryResult recordRun(QJsonObject *report, const CardInfo &card, const VerdictRules &rules,
                        const QString &path = HistoryDb::defaultPath());
