#include "fiorun.h"

#include "console.h"
#include "cputime.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTextStream>

namespace {
constexpr double kBytesPerMiB = 1048576.0;

// fio's files: a fixed name per job, so a read pass finds what the write pass left.
const char kFilenameFormat[] = "fio.$jobnum.dat";

// Runs one fio pass; false with `error` set when fio cannot run or fails.
bool runFioPass(const BenchSettings &settings, bool writing, QByteArray &output, QString &error)
{
    QProcess fio;
    fio.setProgram(settings.fioProgram);
    fio.setArguments(fioArguments(settings, writing));
    // Anything fio might drop in its working directory stays inside the target too.
    fio.setWorkingDirectory(settings.workDir);
    fio.setProcessChannelMode(QProcess::SeparateChannels);
    fio.start();
    if (!fio.waitForStarted(-1)) {
        error = QStringLiteral("cannot start %1: %2").arg(settings.fioProgram, fio.errorString());
        return false;
    }
    bool interrupted = false;
    while (!fio.waitForFinished(100)) {
        if (fio.state() == QProcess::NotRunning)
            break;
        if (!interrupted && platform::interruptRequested()) {
            interrupted = true;
            fio.terminate();
        }
    }
    output = fio.readAllStandardOutput();
    const QByteArray errors = fio.readAllStandardError().trimmed();
    if (interrupted) {
        error = QStringLiteral("interrupted");
        return false;
    }
    if (fio.exitStatus() != QProcess::NormalExit || fio.exitCode() != 0) {
        error = QStringLiteral("fio failed (exit %1): %2")
                    .arg(fio.exitCode())
                    .arg(QString::fromLocal8Bit(errors));
        return false;
    }
    if (settings.verbose && !errors.isEmpty())
        QTextStream(stderr) << "  fio: " << QString::fromLocal8Bit(errors) << '\n';
    return true;
}

// fio names its files itself; the folder is private to this run, so everything in it is
// fio's.
void removeFioFiles(const QString &workDir)
{
    QDir dir(workDir);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        dir.remove(name);
}
}  // namespace

QStringList fioArguments(const BenchSettings &settings, bool writing)
{
    return {
        QStringLiteral("--name=engine-vs-fio"),
        QStringLiteral("--directory=%1").arg(settings.workDir),
        QStringLiteral("--filename_format=%1").arg(QLatin1String(kFilenameFormat)),
        QStringLiteral("--rw=%1").arg(writing ? QStringLiteral("write") : QStringLiteral("read")),
        QStringLiteral("--bs=%1").arg(settings.blockSize),
        QStringLiteral("--size=%1")
            .arg(settings.sizePerStream / settings.blockSize * settings.blockSize),
        QStringLiteral("--numjobs=%1").arg(settings.streams),
        QStringLiteral("--nrfiles=1"),
        QStringLiteral("--ioengine=psync"),
        QStringLiteral("--direct=1"),
        QStringLiteral("--sync=%1").arg(settings.fioSync),
        // The engine's files start empty and grow with every write: no preallocation.
        QStringLiteral("--fallocate=none"),
        // The engine writes one fixed block over and over; so does fio with this.
        QStringLiteral("--scramble_buffers=0"),
        QStringLiteral("--output-format=json"),
    };
}

bool parseFioReport(const QByteArray &output, bool writing, PassFigures &pass, QString &error)
{
    // fio may print notices before its JSON object.
    const int start = output.indexOf('{');
    QJsonParseError parseError{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(start >= 0 ? output.mid(start) : output, &parseError);
    if (!doc.isObject()) {
        error = QStringLiteral("fio's report is not JSON: %1").arg(parseError.errorString());
        return false;
    }
    const QJsonArray jobs = doc.object().value(QStringLiteral("jobs")).toArray();
    if (jobs.isEmpty()) {
        error = QStringLiteral("fio's report has no jobs");
        return false;
    }

    const QString direction = writing ? QStringLiteral("write") : QStringLiteral("read");
    qint64 bytes = 0;
    qint64 longestMs = 0;
    double cpuSeconds = 0.0;
    for (const QJsonValue &value : jobs) {
        const QJsonObject job = value.toObject();
        if (job.value(QStringLiteral("error")).toInt() != 0) {
            error = QStringLiteral("fio job failed with error %1")
                        .arg(job.value(QStringLiteral("error")).toInt());
            return false;
        }
        const QJsonObject io = job.value(direction).toObject();
        bytes += qint64(io.value(QStringLiteral("io_bytes")).toDouble());
        const qint64 runtimeMs = qint64(io.value(QStringLiteral("runtime")).toDouble());
        longestMs = qMax(longestMs, runtimeMs);
        // usr_cpu and sys_cpu are percentages of the job's own runtime.
        const double jobMs = job.contains(QStringLiteral("job_runtime"))
                                 ? job.value(QStringLiteral("job_runtime")).toDouble()
                                 : double(runtimeMs);
        const double percent = job.value(QStringLiteral("usr_cpu")).toDouble()
                               + job.value(QStringLiteral("sys_cpu")).toDouble();
        cpuSeconds += percent / 100.0 * jobMs / 1000.0;
    }
    if (bytes <= 0 || longestMs <= 0) {
        error = QStringLiteral("fio's report shows no %1 traffic").arg(direction);
        return false;
    }
    pass.bytes = bytes;
    pass.mibPerSec = bytes / kBytesPerMiB / (longestMs / 1000.0);
    pass.cpuSeconds = cpuSeconds;
    return true;
}

RunFigures runFio(const BenchSettings &settings)
{
    RunFigures result;
    const double childCpuBefore = platform::childrenCpuSeconds();
    QByteArray output;
    bool ok = runFioPass(settings, true, output, result.error)
              && parseFioReport(output, true, result.write, result.error)
              && runFioPass(settings, false, output, result.error)
              && parseFioReport(output, false, result.read, result.error);
    removeFioFiles(settings.workDir);
    if (!ok)
        return result;

    const qint64 expected =
        settings.sizePerStream / settings.blockSize * settings.blockSize * settings.streams;
    if (result.write.bytes != expected || result.read.bytes != expected) {
        result.error = QStringLiteral("fio moved %1 / %2 bytes instead of %3")
                           .arg(result.write.bytes)
                           .arg(result.read.bytes)
                           .arg(expected);
        return result;
    }
    result.wholeProcessCpuSeconds = platform::childrenCpuSeconds() - childCpuBefore;
    return result;
}
