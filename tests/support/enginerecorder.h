#pragma once

// The one recorder of engine runs, shared by every test that runs a SpeedTester: the unit
// tests on folders, the proofs on loop cards, simulated cards and failing file systems.

#include "speedtester.h"

#include <QStringList>
#include <QVector>

#include <functional>

struct EngineEvent {
    enum Kind {
        WriteProgress,
        ReadProgress,
        FileWriteSample,
        FileReadSample,
        WriteFinished,
        ReadFinished,
        TestError,
        Log
    };
    Kind kind = Log;
    int fileIdx = -1;
    int percent = -1;
    double current = 0.0;
    double average = 0.0;  // also the speed of WriteFinished / ReadFinished
    QString text;          // TestError and Log
    qint64 atMs = 0;       // QElapsedTimer's monotonic clock, for lining up with a card's
};

// Records every signal of one tester in emission order. The connections are direct, so
// the recording (and the hook) runs on the engine thread while the engine waits for it;
// read `events` only after the tester's thread has ended.
class EngineRecorder
{
public:
    explicit EngineRecorder(SpeedTester &tester);

    std::function<void(const EngineEvent &event, int index)> hook;
    QStringList ignoredLogs;  // log lines left out, e.g. one that depends on the machine
    QVector<EngineEvent> events;

    QVector<EngineEvent> ofKind(EngineEvent::Kind kind) const;
    int count(EngineEvent::Kind kind) const { return ofKind(kind).size(); }
    QStringList texts(EngineEvent::Kind kind) const;  // of the log lines or the errors
    QStringList logLines() const { return texts(EngineEvent::Log); }
    QStringList errors() const { return texts(EngineEvent::TestError); }

private:
    void record(EngineEvent event);
};

// Starts the tester and waits at most timeoutMs; on a time-out it stops the engine and
// waits for it, so the card's files are still removed. False on a time-out.
bool runEngine(SpeedTester &tester, unsigned long timeoutMs);
