#pragma once

// Shared by the engine tests: one engine run on a scratch card, and small file utilities.

#include "enginerecorder.h"
#include "speedtester.h"
#include "testjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

constexpr qint64 B = 64 * 1024;  // the block size of every engine test

QString testFileName(int n);    // of random-data test file n (1-based)
extern const QString kJournal;  // the journal's name on an empty card

// Installs a translator under which every key reads as itself followed by "|" and each
// argument filled in ("LogSizeBlock|2|64"), so a test sees the exact values.
void showKeyArguments();

// One SpeedTester aimed at a scratch card with block size B, everything it emits recorded.
// The card is a "card" folder in a temporary folder, with an "outside" folder beside it for
// sources and for files the engine must never touch. The card is looked at on the engine
// thread when writeFinished and "LogTestDone" go out.
struct EngineRun {
    EngineRun();
    // The engine thread is ended before the recorder it reports to goes away.
    ~EngineRun()
    {
        tester.requestStop();
        tester.wait();
    }
    bool run() { return runEngine(tester, 30000); }
    QString testFile(int n) const { return card + testFileName(n); }

    QTemporaryDir tmp;
    const QString card = tmp.path() + QStringLiteral("/card/");  // ends in '/', as a root does
    const QString outside = tmp.path() + QStringLiteral("/outside/");
    bool valid = false;  // both folders are there
    SpeedTester tester;
    EngineRecorder rec{tester};
    std::function<void(const EngineEvent &event, int index)> onEvent;  // after the looks
    // folderState() of the card at those two moments, the journal left out at the first,
    // and what its journal named then.
    QStringList cardAtWriteFinished;
    Leftovers leftoversAtWriteFinished;
    QStringList cardAtTestDone{QStringLiteral("<not reached>")};
};

// Every entry under `dir` (files, folders, links, dangling links), recursively and sorted:
// "name/" for a folder, "name -> target" for a link, fileState() for a file. Equal before
// and after a run when the run left everything as it found it.
QStringList folderState(const QString &dir);
QString fileState(const QString &name, const QByteArray &content);

// An error under showKeyArguments() as the tests compare it: argument slots left unfilled
// dropped, and a reason that the platform chose, not the engine, shown as "ErrReason*|message".
QString comparableError(QString error);

bool writeFile(const QString &path, const QByteArray &data);
QByteArray readFile(const QString &path);
// Where QFile::link makes shortcut files (Windows), which no file call follows, the tests
// of links skip.
#define REQUIRE_SYMLINKS(dir)                                                                      \
    do {                                                                                           \
        QVERIFY(QFile::link((dir) + "/nothing", (dir) + "/probe"));                                \
        if (!QFileInfo((dir) + "/probe").isSymbolicLink() || !QFile::remove((dir) + "/probe"))     \
            QSKIP("QFile::link makes shortcut files here, not symbolic links");                    \
    } while (false)
// Reproducible bytes that differ from the engine's pattern.
QByteArray noiseBytes(qint64 size, quint32 seed);
// The random-data block, computed here independently of the engine: xorshift32
// (13, 17, 5) from 0xDEADBEEF, one little-endian word after another.
QByteArray expectedPatternBlock(qint64 size);
