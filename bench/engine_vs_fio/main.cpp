// Benchmark: the engine's write and read passes against fio on the same folder, with the
// same block size, stream count and size per stream. Never part of the test suite.
#include "enginerun.h"
#include "fiorun.h"
#include "options.h"
#include "report.h"
#include "workerrun.h"

#include "console.h"
#include "diskspace.h"
#include "i18n.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {
constexpr qint64 kMiB = 1048576;
// Room left free on top of the test files, for the file system's own needs.
constexpr qint64 kSpareBytes = 64 * kMiB;

QString fioVersion(const QString &program)
{
    QProcess fio;
    fio.start(program, {QStringLiteral("--version")});
    if (!fio.waitForFinished(-1) || fio.exitStatus() != QProcess::NormalExit || fio.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(fio.readAllStandardOutput()).trimmed();
}

// Everything a run leaves in the private folder is a leftover: name it and remove it.
QString removeLeftovers(const QString &workDir)
{
    QDir dir(workDir);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (!dir.remove(name))
            QDir(dir.filePath(name)).removeRecursively();
    }
    return names.join(QStringLiteral(", "));
}

enum class Side { Engine, Fio, Workers };

QString sideName(Side side)
{
    switch (side) {
    case Side::Engine:
        return QStringLiteral("engine");
    case Side::Fio:
        return QStringLiteral("fio");
    case Side::Workers:
        return QStringLiteral("worker");
    }
    return QString();
}

RunFigures runSide(Side side, const BenchSettings &settings)
{
    RunFigures run;
    switch (side) {
    case Side::Engine:
        run = runEngine(settings);
        break;
    case Side::Fio:
        run = runFio(settings);
        break;
    case Side::Workers:
        run = runBareWorkers(settings);
        break;
    }
    const QString left = removeLeftovers(settings.workDir);
    if (run.ok() && !left.isEmpty())
        run.error = QStringLiteral("files left behind: %1").arg(left);
    return run;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    BenchOptions options;
    QString error;
    if (!parseOptions(app.arguments(), options, error)) {
        (options.helpRequested ? out : err) << error << '\n';
        return options.helpRequested ? 0 : 1;
    }
    platform::installInterruptHandler();
    // The engine's log lines and error texts in English. Installed directly rather than
    // through the language choice, which would read and store the user's settings.
    I18n::Translator english(&I18n::instance()->table(English), &app);
    QCoreApplication::installTranslator(&english);

    std::unique_ptr<QTemporaryDir> defaultTarget;
    QString target = options.target;
    if (target.isEmpty()) {
        defaultTarget = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                        + QStringLiteral("/engine-vs-fio-XXXXXX"));
        if (!defaultTarget->isValid()) {
            err << "Cannot create a temporary folder: " << defaultTarget->errorString() << '\n';
            return 1;
        }
        target = defaultTarget->path();
    }
    if (!QFileInfo(target).isDir()) {
        err << "Not a folder: " << target << '\n';
        return 1;
    }
    // A private folder inside the target: nothing the target already holds is ever touched.
    QTemporaryDir work(QDir(target).absoluteFilePath(QStringLiteral("engine-vs-fio-XXXXXX")));
    if (!work.isValid()) {
        err << "Cannot create a folder in " << target << ": " << work.errorString() << '\n';
        return 1;
    }

    BenchSettings settings;
    settings.workDir = work.path();
    settings.sizePerStream = options.sizePerStream / options.blockSize * options.blockSize;
    settings.blockSize = options.blockSize;
    settings.streams = options.streams;
    settings.fioProgram = options.fioProgram;
    settings.fioSync = options.fioSync;
    settings.verbose = options.verbose;

    const qint64 needed = settings.sizePerStream * settings.streams + kSpareBytes;
    platform::DiskSpace space;
    if (!platform::queryDiskSpace(QFile::encodeName(work.path()).toStdString(), space)) {
        err << "Cannot query the free space of " << target << '\n';
        return 1;
    }
    if (space.freeBytes < needed) {
        err << QStringLiteral("Not enough free space in %1: %2 MiB needed, %3 MiB free\n")
                   .arg(target)
                   .arg(needed / kMiB)
                   .arg(space.freeBytes / kMiB);
        return 1;
    }
    const QString version = fioVersion(settings.fioProgram);
    if (version.isEmpty()) {
        err << "Cannot run " << settings.fioProgram << " --version (is fio installed?)\n";
        return 1;
    }

    const QStorageInfo volume(work.path());
    out << QStringLiteral("Target      %1 (%2 on %3)\n")
               .arg(target, QString::fromUtf8(volume.fileSystemType()),
                    QString::fromUtf8(volume.device()));
    out << QStringLiteral("Streams     %1 x %2 MiB, block %3 KiB, %4 round(s)\n")
               .arg(settings.streams)
               .arg(double(settings.sizePerStream) / kMiB)
               .arg(settings.blockSize / 1024)
               .arg(options.repeat);
    out << QStringLiteral("Reference   %1, psync, direct=1, sync=%2, one file per job\n\n")
               .arg(version, settings.fioSync);
    out.flush();

    QVector<Side> order = {Side::Engine, Side::Fio};
    if (options.withWorkers)
        order.append(Side::Workers);
    QVector<RunFigures> engineRuns;
    QVector<RunFigures> fioRuns;
    QVector<RunFigures> workerRuns;
    for (int round = 1; round <= options.repeat; ++round) {
        for (const Side side : qAsConst(order)) {
            const RunFigures run = runSide(side, settings);
            printRun(out, round, sideName(side), run);
            if (!run.ok() || platform::interruptRequested())
                return 1;
            (side == Side::Engine ? engineRuns
             : side == Side::Fio  ? fioRuns
                                  : workerRuns)
                .append(run);
        }
        // Turn the order round every time, so a drift of the device favours no side.
        std::reverse(order.begin(), order.end());
    }

    const bool met = printSummary(out, engineRuns, fioRuns, workerRuns);
    return met ? 0 : 2;
}
