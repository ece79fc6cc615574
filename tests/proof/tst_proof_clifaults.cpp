// The command-line tool on cards that fail under it: it reports the failure, ends with the
// status of a failed run within a bounded time, and leaves no test file it could delete.
#include "clirunner.h"
#include "faultmount.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

namespace {
constexpr int kTimeoutMs = 60000;
constexpr int kFailedRun = 3;  // the tool's exit status for a run that failed

const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}
}  // namespace

class ProofCliFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void ioErrorEndsRun_data();
    void ioErrorEndsRun();
    void pulledCardEndsRun();
};

void ProofCliFaultsTest::ioErrorEndsRun_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("read");
    QTest::newRow("write") << QStringLiteral("--fail-write-after") << false;
    QTest::newRow("read") << QStringLiteral("--fail-read-after") << true;
}

void ProofCliFaultsTest::ioErrorEndsRun()
{
    QFETCH(QString, option);
    QFETCH(bool, read);
    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    // Two streams of 16 MiB; the card fails once 16 MiB have gone the faulty way.
    FaultMount card(kHelper, {option, QString::number(16 * 1048576)});
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});

    QStringList args{"--target", card.rootPath(), "--size", "16M", "--streams",
                     "2",        "--lang",        "en"};
    if (read)
        args << QStringLiteral("--read");
    const CliRun run = runner.run(args, kTimeoutMs);
    qInfo("exit %d; stderr: %s", run.exitCode, qPrintable(run.err.right(400)));
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, kFailedRun);
    QCOMPARE(entries(card.backingPath()), QStringList());
}

void ProofCliFaultsTest::pulledCardEndsRun()
{
    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    FaultMount card(kHelper, {});
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});

    QProcess process;
    runner.start(process, {"--target", card.rootPath(), "--size", "4G", "--lang", "en"});
    QVERIFY(process.waitForStarted());
    // Pull the card once the tool has begun writing.
    QElapsedTimer waited;
    waited.start();
    bool writing = false;
    while (!writing && waited.elapsed() < kTimeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(50);
        writing = !entries(card.backingPath()).isEmpty();
    }
    QVERIFY2(writing, "the tool never began writing");
    QVERIFY(card.vanish());
    const bool ended = process.waitForFinished(kTimeoutMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(ended, "the tool did not end after the card was pulled");
    qInfo("exit %d; stderr: %s", process.exitCode(),
          qPrintable(QString::fromLocal8Bit(process.readAllStandardError()).right(400)));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), kFailedRun);
    // Only the tool's own test file can be left, on a card that no longer answers.
    for (const QString &name : entries(card.backingPath()))
        QVERIFY2(name.startsWith(QLatin1String("__card_speed_test_")), qPrintable(name));
}

QTEST_GUILESS_MAIN(ProofCliFaultsTest)
#include "tst_proof_clifaults.moc"
