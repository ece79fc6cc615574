#include "historyrecorder.h"

#include <QCoreApplication>

HistoryRecorder::HistoryRecorder(QObject *parent)
    : QObject(parent)
{
    // One thread: a run is compared with the one recorded before it.
    m_pool.setMaxThreadCount(1);
}

HistoryRecorder::~HistoryRecorder()
{
    m_pool.waitForDone();
}

void HistoryRecorder::finish()
{
    m_pool.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void HistoryRecorder::record(const QJsonObject &report, const CardInfo &card,
                             const VerdictRules &rules, const QString &path)
{
    m_pool.start([this, report, card, rules, path] {
        QJsonObject stored = report;
        const HistoryResult result = recordRun(&stored, card, rules, path);
        // Queued to this object: a recorder deleted meanwhile drops it with its events.
        QMetaObject::invokeMethod(
            this, [this, stored, result] { emit recorded(stored, result); }, Qt::QueuedConnection);
    });
}
