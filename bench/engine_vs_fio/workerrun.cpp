#include "workerrun.h"

#include "console.h"
#include "cputime.h"
#include "fileworker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <memory>
#include <vector>

namespace {
constexpr double kBytesPerMiB = 1048576.0;

// Runs one worker per file in one direction; false with `error` set on a failure.
bool runWorkers(const BenchSettings &settings, const QStringList &files, bool writing,
                PassFigures &pass, QString &error)
{
    static const std::atomic<int> neverStop{0};
    std::vector<std::unique_ptr<FileWorker>> workers;
    for (const QString &file : files) {
        workers.push_back(std::make_unique<FileWorker>(
            writing ? FileWorker::Mode::Write : FileWorker::Mode::Read, QString(), file,
            settings.sizePerStream, settings.blockSize, &neverStop));
    }

    const double cpuBefore = platform::processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    for (auto &worker : workers)
        worker->start();
    for (auto &worker : workers)
        worker->wait();
    const double seconds = qMax(0.001, timer.nsecsElapsed() / 1e9);
    const double cpu = platform::processCpuSeconds() - cpuBefore;

    qint64 bytes = 0;
    for (auto &worker : workers) {
        if (!worker->succeeded()) {
            error = QStringLiteral("worker: %1").arg(worker->errorMessage());
            return false;
        }
        bytes += worker->bytesDone();
    }
    pass = {bytes / kBytesPerMiB / seconds, cpu, bytes};
    return true;
}
}  // namespace

RunFigures runBareWorkers(const BenchSettings &settings)
{
    QStringList files;
    for (int i = 1; i <= settings.streams; ++i)
        files.append(QDir(settings.workDir).filePath(QStringLiteral("worker_%1.dat").arg(i)));

    RunFigures result;
    // Ctrl-C is noticed between the passes only: these workers are never told to stop.
    if (runWorkers(settings, files, true, result.write, result.error)) {
        if (platform::interruptRequested())
            result.error = QStringLiteral("interrupted");
        else
            runWorkers(settings, files, false, result.read, result.error);
    }
    for (const QString &file : qAsConst(files))
        QFile::remove(file);
    return result;
}
