#pragma once

#include "cardhistory.h"

#include <QObject>
#include <QThreadPool>

// Records runs in the card history on a thread of its own, with a connection of its own, one
// after the other in the order given: while another program holds the database, the caller
// goes on and the result comes later by recorded().
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit HistoryRecorder(QObject *parent = nullptr);
    // Waits for the recordings still to be done: a test is never lost by closing.
    ~HistoryRecorder() override;

    // recordRun() of `report` on the recorder's thread.
    void record(const QJsonObject &report, const CardInfo &card, const VerdictRules &rules,
                const QString &path = HistoryDb::defaultPath());

    // Waits for the recordings under way and delivers their recorded() now, on the caller's
    // thread, which must be the recorder's.
    void finish();

signals:
    // Emitted on the thread the recorder lives in: the report with its "previous" added, and
    // what recording it gave to show.
    void recorded(const QJsonObject &report, const HistoryResult &result);

private:
    QThreadPool m_pool;
};
