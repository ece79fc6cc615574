// The real lumoracard-cli end to end, on folders of this test's own: a run and its log,
// external files, refusals, the removable-drive guard, engine errors and signals.
#include "clifixture.h"
#include "loopcard.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {
// The time-stamped line --force leaves in the log.
QRegularExpression forcedLine(const QString &target)
{
    return QRegularExpression(
        QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] --force: the removable-drive check was "
                       "skipped; %1 is tested as if it were a card\\.$")
            .arg(QRegularExpression::escape(target)),
        QRegularExpression::MultilineOption);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class TestCliProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void randomRun();
    void externalFiles();
    void refusals_data();
    void refusals();
    void removableGuard_data();
    void removableGuard();
    void engineErrorEndsTheRun();
    void interruptStopsAndCleansUp_data();
    void interruptStopsAndCleansUp();
    void fillOnSmallCard();

private:
    QScopedPointer<CliFixture> m_f;
};

void TestCliProcess::init()
{
    m_f.reset(new CliFixture);
    QVERIFY(m_f->isValid());
}

void TestCliProcess::randomRun()
{
    // Two streams, two rounds, no read pass; rules any run passes.
    const QTime before = QTime::currentTime();
    const CliRun run =
        m_f->run(m_f->onCard("--size 4M --block 64K --streams 2 --iterations 2") + lenientRules());
    const QTime after = QTime::currentTime();
    QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(entries(m_f->card), QStringList());
    for (const char *label : {"Round 1: write", "Round 2: write", "Write average over 2 rounds:"})
        QVERIFY2(speedAfter(run.out, label) > 0, qPrintable(run.out));
    // Without --read nothing is claimed about reading.
    QVERIFY2(!run.out.contains(QLatin1String("read"), Qt::CaseInsensitive), qPrintable(run.out));

    // Log lines carry the local time; a pipe gets whole progress lines, never "\r".
    const QRegularExpression stamped(QStringLiteral("^\\[(\\d\\d:\\d\\d:\\d\\d)\\] \\S"),
                                     QRegularExpression::MultilineOption);
    QVERIFY2(run.err.count(stamped) >= 6, qPrintable(run.err));
    const QTime first = QTime::fromString(stamped.match(run.err).captured(1), "hh:mm:ss");
    QVERIFY(first.isValid());
    if (before <= after)  // not across midnight
        QVERIFY2(first.secsTo(before) <= 1 && after.secsTo(first) <= 1, qPrintable(run.err));
    QVERIFY2(
        run.err.contains(QRegularExpression(
            QStringLiteral("^Round [12]/2 · Write Test \\[[#.]{20}\\] +\\d+%  \\d+\\.\\d\\d MB/s"),
            QRegularExpression::MultilineOption)),
        qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1Char('\r')));
    // The engine's lines arrive translated, arguments filled in.
    for (const char *line :
         {"] ========== Speed test started ==========\n",
          "] Mode: Random data (2 parallel streams)\n", "]   Writing #2: __card_speed_test_2.dat\n",
          "] ========== Test complete ==========\n"})
        QVERIFY2(run.err.contains(QLatin1String(line)), line);
}

void TestCliProcess::externalFiles()
{
    // Two sources of one name; the first ends in a partial block. They are only read.
    QVERIFY(QDir().mkpath(m_f->path("src/other")));
    const QStringList files{m_f->path("src/clip.mp4"), m_f->path("src/other/clip.mp4")};
    const QByteArray bytes[] = {QByteArray("clip one ").repeated(21857),
                                QByteArray("clip two").repeated(16384)};
    QVERIFY(writeBytes(files[0], bytes[0]) && writeBytes(files[1], bytes[1]));

    const CliRun run = m_f->run(
        m_f->onCard("--block 64K --read --file @DIR/src/clip.mp4 --file @DIR/src/other/clip.mp4")
        + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    QVERIFY2(speedAfter(run.out, "Read average:") > 0, qPrintable(run.out));
    QVERIFY2(run.err.contains(QLatin1String("]   Reading #2: ")), qPrintable(run.err));
    QCOMPARE(entries(m_f->card), QStringList());
    QCOMPARE(readBytes(files[0]), bytes[0]);
    QCOMPARE(readBytes(files[1]), bytes[1]);
}

void TestCliProcess::refusals_data()
{
    QTest::addColumn<QString>("args");

    // Each kind of check on the way to a run, once; the rules themselves are unit-tested.
    QTest::newRow("missing target") << "--target @DIR/nocard --size 1M";
    QTest::newRow("bad size") << "--target @CARD --size 12Q";
    QTest::newRow("more than the free space") << "--target @CARD --size 100T";
    QTest::newRow("missing file") << "--target @CARD --file @DIR/gone";
    QTest::newRow("unknown rule") << "--target @CARD --rules speed=5";
    QTest::newRow("unknown language") << "--target @CARD --lang fr";
    QTest::newRow("report folder missing") << "--target @CARD --json @DIR/nofolder/r.json";
    QTest::newRow("report is a folder") << "--target @CARD --json @DIR";
}

void TestCliProcess::refusals()
{
    QFETCH(QString, args);
    const QStringList before = entries(m_f->dir());
    const CliRun run = m_f->run(m_f->args(args));
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(!run.err.trimmed().isEmpty(), "a refusal must say why");
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    // Nothing written: the card is still empty, and nothing appeared next to it.
    QCOMPARE(entries(m_f->card), QStringList());
    QCOMPARE(entries(m_f->dir()), before);
}

void TestCliProcess::removableGuard_data()
{
    QTest::addColumn<QString>("roots");  // the folders named as removable roots
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("accepted");

    // How the tool uses the drive service; which folders count as roots is the service's
    // own business, tested with it.
    QTest::newRow("plain folder") << ""
                                  << "@CARD" << false << false;
    QTest::newRow("plain folder, --force") << ""
                                           << "@CARD" << true << true;
    QTest::newRow("named root") << "@CARD"
                                << "@CARD" << false << true;
    QTest::newRow("folder inside a named root") << "@DIR"
                                                << "@CARD" << false << false;
    QTest::newRow("named root through a link") << "@CARD"
                                               << "@DIR/link" << false << true;
    QTest::newRow("named root, --force") << "@CARD"
                                         << "@CARD" << true << true;
}

void TestCliProcess::removableGuard()
{
    QFETCH(QString, roots);
    QFETCH(QString, target);
    QFETCH(bool, force);
    QFETCH(bool, accepted);
    QVERIFY(QFile::link(m_f->card, m_f->path("link")));
    target = m_f->args(target).constFirst();

    QStringList args{"--target", target, "--size", "1M", "--block", "64K"};
    if (force)
        args << QStringLiteral("--force");
    const CliRun run = m_f->runner(m_f->args(roots)).run(args + lenientRules());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    const QString shown = target + QLatin1Char('/');
    QCOMPARE(run.err.contains(forcedLine(shown)), force);
    const QString refusal = "Target " + shown + " is not the root of a removable drive";
    QVERIFY2(run.err.contains(refusal) != accepted, qPrintable(run.err));
    if (accepted) {
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    } else {
        // Refused before the engine: no log line of a test, nothing on standard output.
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(QLatin1String("--force")), qPrintable(run.err));
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        QVERIFY2(!run.err.contains(QLatin1String("Speed test started")), qPrintable(run.err));
    }
    QCOMPARE(entries(m_f->card), QStringList());
}

void TestCliProcess::engineErrorEndsTheRun()
{
    // An immutable card root: nobody, root included, can create a file in it.
    const auto setImmutable = [this](bool on) {
        return QProcess::execute(QStringLiteral("chattr"),
                                 {on ? QStringLiteral("+i") : QStringLiteral("-i"), m_f->card})
               == 0;
    };
    if (!setImmutable(true))
        QSKIP("chattr +i does not work here (needs root and a file system that has it)");
    const QString report = m_f->path("report.json");
    const CliRun run =
        m_f->run(m_f->onCard("--size 1M --block 64K --streams 2 --iterations 3 --json " + report));
    QVERIFY(setImmutable(false));
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 3);
    const QString blocked = m_f->card + QStringLiteral("/__card_speed_test_1.dat");
    const QString error = QStringLiteral("Cannot create target file: %1").arg(blocked);
    QVERIFY2(run.err.contains("] Error: " + error), qPrintable(run.err));
    // No later round after a failure, and no averages for the failed one.
    QVERIFY2(!run.err.contains(QLatin1String("Starting round")), qPrintable(run.err));
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    QCOMPARE(entries(m_f->card), QStringList());
    // The report says the run failed and why, and judges nothing.
    QString readError;
    const QJsonObject json = readJson(report, &readError).object();
    QVERIFY2(readError.isEmpty(), qPrintable(readError));
    const QString diff = differences(json, {{"outcome", "failed"},
                                            {"verdict", QJsonValue::Null},
                                            {"rows", QJsonArray()},
                                            {"rounds", QJsonArray()},
                                            {"exitStatus", 3}});
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(json.value("error").toString().startsWith(error));
}

void TestCliProcess::interruptStopsAndCleansUp_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestCliProcess::interruptStopsAndCleansUp()
{
    QFETCH(int, signalNumber);
    // Long enough that the signal lands mid-run: 99 rounds of 2 x 64 MB.
    const QString report = m_f->path("report.json");
    QProcess process;
    m_f->runner({m_f->card})
        .start(process, m_f->onCard("--size 64M --block 64K --streams 2 --read --iterations 99 "
                                    "--json @DIR/report.json"));
    QVERIFY(process.waitForStarted());

    // The engine runs once the first log line is out and files are being written.
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains("] "), 30000);
    QVERIFY2(process.state() == QProcess::Running, "the run ended before it could be stopped");
    QTRY_VERIFY_WITH_TIMEOUT(!entries(m_f->card).isEmpty(), 10000);

    QVERIFY(::kill(pid_t(process.processId()), signalNumber) == 0);
    QVERIFY(process.waitForFinished(120000));
    err += process.readAllStandardError();
    const QByteArray out = process.readAllStandardOutput();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(entries(m_f->card), QStringList());
    // A stopped test reports no averages, no table and no report file.
    QVERIFY2(!out.contains("average") && !out.contains("Card total"), out.constData());
    QVERIFY(!QFile::exists(report));
    QVERIFY2(err.contains("] Stopping test...\n"), err.constData());
}

void TestCliProcess::fillOnSmallCard()
{
    // The fill mode writes the whole free space: only a card of its own will do.
    LoopCard card(64 * 1048576);
    LOOPCARD_REQUIRE(card);
    const QStringList before = entries(card.rootPath());
    const CliRun run = m_f->runner({card.rootPath()})
                           .run(m_f->args("--fill --size 8M --rounds 2 --target " + card.rootPath())
                                + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    QVERIFY(!run.out.contains(QLatin1String("Read")));
    QCOMPARE(entries(card.rootPath()), before);
    // The rolling fill ran, not an ordinary test: eight-megabyte files, two rewrites.
    for (const char *line : {"] ========== Rolling-fill test started ==========",
                             "] ========== Rolling-fill test complete =========="})
        QVERIFY2(run.err.contains(QLatin1String(line)), qPrintable(run.err));
    QVERIFY2(run.err.contains(QRegularExpression(QStringLiteral(
                 "Per file: 8 MB   Initial fill: \\d+ files   Rolling rewrite: 2 rounds"))),
             qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1String("Speed test started")));
}

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
