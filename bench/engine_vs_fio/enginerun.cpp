#include "enginerun.h"

#include "console.h"
#include "cputime.h"
#include "speedtester.h"

#include <QDir>
#include <QTextStream>

namespace {
// Filled from the engine thread (direct connections) and read after the thread is joined.
struct Marks {
    double cpuAtStart = 0.0;
    double cpuAtWriteEnd = 0.0;
    double cpuAtReadEnd = 0.0;
    double writeAvg = -1.0;
    double readAvg = -1.0;
    QString error;
};
}  // namespace

RunFigures runEngine(const BenchSettings &settings)
{
    RunFigures result;
    Marks marks;

    SpeedTester tester;
    tester.setTargetDir(QDir(settings.workDir).absolutePath() + QLatin1Char('/'));
    tester.setTestSize(settings.sizePerStream);
    tester.setBlockSize(settings.blockSize);
    tester.setStreamCount(settings.streams);
    tester.setReadEnabled(true);
    tester.setVerifyData(settings.verify);

    // Direct connections: the marks are taken on the engine thread the moment a pass
    // ends, without waiting for an event loop.
    QObject::connect(
        &tester, &SpeedTester::writeFinished, &tester,
        [&marks](double avg) {
            marks.cpuAtWriteEnd = platform::processCpuSeconds();
            marks.writeAvg = avg;
        },
        Qt::DirectConnection);
    QObject::connect(
        &tester, &SpeedTester::readFinished, &tester,
        [&marks](double avg) {
            marks.cpuAtReadEnd = platform::processCpuSeconds();
            marks.readAvg = avg;
        },
        Qt::DirectConnection);
    QObject::connect(
        &tester, &SpeedTester::testError, &tester,
        [&marks](const QString &message) { marks.error = message; }, Qt::DirectConnection);
    if (settings.verbose) {
        QObject::connect(
            &tester, &SpeedTester::log, &tester,
            [](const QString &line) { QTextStream(stderr) << "  engine: " << line << '\n'; },
            Qt::DirectConnection);
    }

    // Ctrl-C is checked on the engine's own progress samples: a main thread that woke up
    // to poll for it would add its CPU time to the engine's.
    auto stopOnInterrupt = [&tester] {
        if (platform::interruptRequested())
            tester.requestStop();
    };
    QObject::connect(&tester, &SpeedTester::writeProgress, &tester, stopOnInterrupt,
                     Qt::DirectConnection);
    QObject::connect(&tester, &SpeedTester::readProgress, &tester, stopOnInterrupt,
                     Qt::DirectConnection);

    marks.cpuAtStart = platform::processCpuSeconds();
    tester.start();
    tester.wait();

    if (platform::interruptRequested()) {
        result.error = QStringLiteral("interrupted");
        return result;
    }
    if (!marks.error.isEmpty()) {
        result.error = QStringLiteral("engine: %1").arg(marks.error);
        return result;
    }
    if (marks.writeAvg < 0 || marks.readAvg < 0) {
        result.error = QStringLiteral("engine: a pass did not finish");
        return result;
    }

    const qint64 perStream = settings.sizePerStream / settings.blockSize * settings.blockSize;
    const qint64 bytes = perStream * settings.streams;
    result.write = {marks.writeAvg, marks.cpuAtWriteEnd - marks.cpuAtStart, bytes};
    result.read = {marks.readAvg, marks.cpuAtReadEnd - marks.cpuAtWriteEnd, bytes};
    return result;
}
