#include "enginerecorder.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

EngineRecorder::EngineRecorder(SpeedTester &tester)
{
    using E = EngineEvent;
    using S = SpeedTester;
    // Functor connections without a context object are direct.
    QObject::connect(&tester, &S::writeProgress, [this](int pct, double cur, double avg) {
        record({E::WriteProgress, -1, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::readProgress, [this](int pct, double cur, double avg) {
        record({E::ReadProgress, -1, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::fileWriteSample, [this](int i, int pct, double cur, double avg) {
        record({E::FileWriteSample, i, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::fileReadSample, [this](int i, int pct, double cur, double avg) {
        record({E::FileReadSample, i, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::writeFinished, [this](double avg) {
        record({E::WriteFinished, -1, -1, 0.0, avg, {}});
    });
    QObject::connect(&tester, &S::readFinished, [this](double avg) {
        record({E::ReadFinished, -1, -1, 0.0, avg, {}});
    });
    QObject::connect(&tester, &S::testError, [this](const QString &text) {
        record({E::TestError, -1, -1, 0, 0, text});
    });
    QObject::connect(&tester, &S::log, [this](const QString &text) {
        record({E::Log, -1, -1, 0, 0, text});
    });
}

void EngineRecorder::record(EngineEvent event)
{
    // Argument slots a test's key translator offered and the engine did not fill.
    static const QRegularExpression unfilled(QStringLiteral("\\|%\\d"));
    event.text.remove(unfilled);
    if (event.kind == EngineEvent::Log && ignoredLogs.contains(event.text))
        return;
    QElapsedTimer now;
    now.start();
    event.atMs = now.msecsSinceReference();
    events.append(event);
    if (hook)
        hook(events.last(), events.size() - 1);
}

QVector<EngineEvent> EngineRecorder::ofKind(EngineEvent::Kind kind) const
{
    QVector<EngineEvent> out;
    std::copy_if(events.cbegin(), events.cend(), std::back_inserter(out),
                 [kind](const EngineEvent &e) { return e.kind == kind; });
    return out;
}

QStringList EngineRecorder::texts(EngineEvent::Kind kind) const
{
    QStringList out;
    for (const EngineEvent &e : ofKind(kind))
        out.append(e.text);
    return out;
}

bool runEngine(SpeedTester &tester, unsigned long timeoutMs)
{
    tester.start();
    if (tester.wait(timeoutMs))
        return true;
    tester.requestStop();
    tester.wait();
    return false;
}
