#pragma once

// Helpers shared by the engine tests: a recorder of everything a SpeedTester emits, a
// translator that makes the arguments of log lines visible, and small file utilities.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>
#include <QVector>

#include <functional>

class SpeedTester;

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
};

// Records every signal of one tester in emission order. The connections are direct, so
// the recording (and the hook) runs on the engine thread while the engine waits for it;
// read `events` only after the tester's thread has ended.
class EngineRecorder
{
public:
    explicit EngineRecorder(SpeedTester &tester);

    // Called on the engine thread after each event is recorded, with its index.
    std::function<void(const EngineEvent &event, int index)> hook;

    QVector<EngineEvent> events;

    QVector<EngineEvent> ofKind(EngineEvent::Kind kind) const;
    int count(EngineEvent::Kind kind) const { return ofKind(kind).size(); }
    // The log lines, without the one line that says the file system refused unbuffered
    // access: whether it appears depends on the machine, not on the engine.
    QStringList logLines() const;
    QStringList errors() const;
    // Index in `events` of the first log line equal to `line`, or -1.
    int indexOfLog(const QString &line) const;

private:
    void record(const EngineEvent &event);
};

// Returns, for the engine's keys that take arguments, the key followed by one "|%n" slot
// per argument ("LogSizeBlock|%1|%2"), so a test sees the exact values filled in. Keys
// without arguments and the worker's own texts fall back to their source text.
class KeyArgsTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }
};

// Starts the tester and waits for its thread to end; false on timeout.
bool runToEnd(SpeedTester &tester, unsigned long timeoutMs = 30000);

// Everything in `dir` (files, folders, links, dangling links), sorted by name.
QStringList entriesIn(const QString &dir);

bool writeFile(const QString &path, const QByteArray &data);
QByteArray readFile(const QString &path);
// Reproducible bytes that differ from the engine's pattern.
QByteArray noiseBytes(qint64 size, quint32 seed);
// The random-data block, computed here independently of the engine: xorshift32
// (13, 17, 5) from 0xDEADBEEF, one little-endian word after another.
QByteArray expectedPatternBlock(qint64 size);

// A temporary folder with a "card" folder in it, the engine's target (ending in '/'), and
// an "outside" folder beside it for sources and for files the engine must never touch.
struct ScratchCard {
    ScratchCard();
    bool isValid() const { return m_valid; }

    QTemporaryDir tmp;
    QString card;
    QString outside;

private:
    bool m_valid = false;
};

// Name -> content of the regular files in `dir` (links and folders left out).
QMap<QString, QByteArray> fileContents(const QString &dir);
