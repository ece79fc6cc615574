// The real lumoracard-cli binary, end to end, on folders of this test's own.
#include "clirunner.h"
#include "loopcard.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {
constexpr int kRunTimeoutMs = 120000;

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                               | QDir::System);
}

bool makeFile(const QString &path, qint64 size, char seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(65536, 0);
    for (int i = 0; i < chunk.size(); ++i)
        chunk[i] = char(seed + i * 7);
    for (qint64 left = size; left > 0; left -= chunk.size()) {
        if (f.write(chunk.constData(), qMin<qint64>(left, chunk.size())) < 0)
            return false;
    }
    return true;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result();
}

// "Label: 12.34 MB/s" on a line of its own; -1 when absent.
double speedAfter(const QString &text, const QString &label)
{
    const QRegularExpression re(
        QStringLiteral("^%1 (\\d+\\.\\d\\d) MB/s$").arg(QRegularExpression::escape(label)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}
}  // namespace

class TestCliProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void randomTestRunsAndCleansUp();
    void iterationsReportEachRound();
    void externalFiles();
    void refusals_data();
    void refusals();
    void engineErrorEndsTheRun();
    void interruptStopsAndCleansUp_data();
    void interruptStopsAndCleansUp();
    void fillOnSmallCard();

private:
    CliRunner runner() const;
    void startCli(QProcess &process, const QStringList &args);
    CliRun runCli(const QStringList &args);

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_card;
};

void TestCliProcess::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_card = m_dir->filePath(QStringLiteral("card"));
    QVERIFY(QDir().mkpath(m_card));

    // Settings come from this test's folder, never the user's: English, so that the
    // engine's lines can be checked by their text.
    const QString config = m_dir->filePath(QStringLiteral("config"));
    {
        QSettings settings(config + QStringLiteral("/Lumora/LumoraCard.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("ui/language"), 1);
    }
    QVERIFY(QFile::exists(config + QStringLiteral("/Lumora/LumoraCard.conf")));
}

CliRunner TestCliProcess::runner() const
{
    CliRunner r(m_dir->filePath(QStringLiteral("config")), m_dir->path());
    // The folder stands in for a card.
    r.setRemovableRoots({m_card});
    return r;
}

void TestCliProcess::startCli(QProcess &process, const QStringList &args)
{
    runner().start(process, args);
}

CliRun TestCliProcess::runCli(const QStringList &args)
{
    return runner().run(args, kRunTimeoutMs);
}

void TestCliProcess::randomTestRunsAndCleansUp()
{
    const QTime before = QTime::currentTime();
    // Rules any run passes: the verdict is not what this test is about.
    const CliRun run = runCli(QStringList{"--target", m_card, "--size", "4M", "--block", "64K",
                                          "--streams", "2", "--read"}
                              + lenientRules());
    const QTime after = QTime::currentTime();
    QVERIFY2(run.exitStatus == QProcess::NormalExit, qPrintable(run.err));
    QCOMPARE(run.exitCode, 0);

    QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    QVERIFY2(speedAfter(run.out, "Read average:") > 0, qPrintable(run.out));
    QCOMPARE(entries(m_card), QStringList());

    // Log lines carry the local time; a pipe gets whole progress lines, never "\r".
    const QRegularExpression stamped(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] \\S"),
                                     QRegularExpression::MultilineOption);
    QVERIFY2(run.err.count(stamped) >= 6, qPrintable(run.err));
    const QTime first =
        QTime::fromString(run.err.mid(run.err.indexOf('[') + 1, 8), QStringLiteral("hh:mm:ss"));
    QVERIFY(first.isValid());
    if (before <= after) {  // not across midnight
        QVERIFY2(first.secsTo(before) <= 1 && after.secsTo(first) <= 1,
                 qPrintable(first.toString()));
    }
    const QRegularExpression progress(QStringLiteral("^[WR] +\\d+%  now \\d+\\.\\d\\d MB/s"),
                                      QRegularExpression::MultilineOption);
    QVERIFY2(run.err.count(progress) >= 1, qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1Char('\r')));
    // The engine's lines arrive translated, arguments filled in.
    for (const char *line :
         {"] ========== Speed test started ==========\n",
          "] Mode: Random data (2 parallel streams)\n", "]   Writing #2: __card_speed_test_2.dat\n",
          "]   Reading #1: __card_speed_test_1.dat\n", "] ========== Test complete ==========\n"})
        QVERIFY2(run.err.contains(QLatin1String(line)), line);
}

void TestCliProcess::iterationsReportEachRound()
{
    const CliRun run = runCli(
        QStringList{"--target", m_card, "--size", "1M", "--block", "64K", "--iterations", "3"}
        + lenientRules());
    QCOMPARE(run.exitCode, 0);
    for (int round = 1; round <= 3; ++round)
        QVERIFY2(speedAfter(run.out, QStringLiteral("Round %1: write").arg(round)) > 0,
                 qPrintable(run.out));
    QVERIFY2(speedAfter(run.out, "Write average over 3 rounds:") > 0, qPrintable(run.out));
    // Without --read nothing is claimed about reading.
    QVERIFY(!run.out.contains(QLatin1String("read"), Qt::CaseInsensitive));
    QCOMPARE(entries(m_card), QStringList());
}

void TestCliProcess::externalFiles()
{
    const QString sources = m_dir->filePath(QStringLiteral("sources"));
    QVERIFY(QDir().mkpath(sources));
    const QString a = sources + QStringLiteral("/clip.mp4");
    const QString b = sources + QStringLiteral("/other/clip.mp4");
    QVERIFY(QDir().mkpath(sources + QStringLiteral("/other")));
    QVERIFY(makeFile(a, 3 * 65536 + 100, 1));
    QVERIFY(makeFile(b, 2 * 65536, 2));
    const QByteArray digestA = digest(a);
    const QByteArray digestB = digest(b);

    const CliRun run =
        runCli(QStringList{"--target", m_card, "--block", "64K", "--file", a, "--file", b, "--read"}
               + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    QVERIFY2(speedAfter(run.out, "Read average:") > 0, qPrintable(run.out));
    QCOMPARE(entries(m_card), QStringList());
    // The sources are only read.
    QCOMPARE(digest(a), digestA);
    QCOMPARE(digest(b), digestB);
}

void TestCliProcess::refusals_data()
{
    QTest::addColumn<QStringList>("args");  // "@CARD" and "@DIR" stand for the folders

    QTest::newRow("missing target") << QStringList{"--target", "@DIR/nocard", "--size", "1M"};
    QTest::newRow("target is a file") << QStringList{"--target", "@DIR/afile", "--size", "1M"};
    QTest::newRow("no target") << QStringList{"--size", "1M"};
    QTest::newRow("more than the free space") << QStringList{"--target", "@CARD", "--size", "100T"};
    QTest::newRow("bad size") << QStringList{"--target", "@CARD", "--size", "12Q"};
    QTest::newRow("17 streams") << QStringList{"--target", "@CARD", "--streams", "17"};
    QTest::newRow("block not offered") << QStringList{"--target", "@CARD", "--block", "2M"};
    QTest::newRow("size below block")
        << QStringList{"--target", "@CARD", "--size", "32K", "--block", "64K"};
    QTest::newRow("missing file") << QStringList{"--target", "@CARD", "--file", "@DIR/gone"};
    QTest::newRow("file too small") << QStringList{"--target", "@CARD", "--file", "@DIR/afile"};
    QTest::newRow("unknown option") << QStringList{"--target", "@CARD", "--turbo"};
    QTest::newRow("unknown rule") << QStringList{"--target", "@CARD", "--rules", "speed=5"};
    QTest::newRow("bad rule value")
        << QStringList{"--target", "@CARD", "--rules", "aggWriteWarn=fast"};
    QTest::newRow("rule set by an option")
        << QStringList{"--target", "@CARD", "--rules", "iterCount=2"};
    QTest::newRow("unknown language") << QStringList{"--target", "@CARD", "--lang", "fr"};
    QTest::newRow("report folder missing")
        << QStringList{"--target", "@CARD", "--json", "@DIR/nofolder/r.json"};
    QTest::newRow("report is a folder") << QStringList{"--target", "@CARD", "--json", "@DIR"};
}

void TestCliProcess::refusals()
{
    QFETCH(QStringList, args);
    QVERIFY(makeFile(m_dir->filePath(QStringLiteral("afile")), 100, 3));
    args.replaceInStrings(QStringLiteral("@CARD"), m_card);
    args.replaceInStrings(QStringLiteral("@DIR"), m_dir->path());
    const QStringList before = entries(m_dir->path());

    const CliRun run = runCli(args);
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(!run.err.trimmed().isEmpty(), "a refusal must say why");
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    // Nothing written: the card is still empty, and no folder appeared next to it.
    QCOMPARE(entries(m_card), QStringList());
    QCOMPARE(entries(m_dir->path()), before);
}

void TestCliProcess::engineErrorEndsTheRun()
{
    // A folder where the first test file should go: the engine cannot create it.
    const QString blocker = m_card + QStringLiteral("/__card_speed_test_1.dat");
    QVERIFY(QDir().mkpath(blocker));

    const QString report = m_dir->filePath(QStringLiteral("report.json"));
    const CliRun run = runCli({"--target", m_card, "--size", "1M", "--block", "64K", "--streams",
                               "2", "--iterations", "3", "--json", report});
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(
        run.err.contains(QStringLiteral("] Error: Cannot create target file: %1\n").arg(blocker)),
        qPrintable(run.err));
    // No later round after a failure, and no averages for the failed one.
    QVERIFY2(!run.err.contains(QLatin1String("Starting round")), qPrintable(run.err));
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    // The second stream's file is gone; the folder was not the test's to delete.
    QCOMPARE(entries(m_card), QStringList{QStringLiteral("__card_speed_test_1.dat")});

    // The report says the run failed and why, and judges nothing.
    QString error;
    const QJsonObject json = readJson(report, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(json.value("outcome").toString(), QStringLiteral("failed"));
    QCOMPARE(json.value("error").toString(),
             QStringLiteral("Cannot create target file: %1").arg(blocker));
    QVERIFY(json.value("verdict").isNull());
    QCOMPARE(json.value("rows").toArray().size(), 0);
    QCOMPARE(json.value("rounds").toArray().size(), 0);
    QCOMPARE(json.value("exitStatus").toInt(), 3);
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

    // Long enough that the signal lands mid-run: many rounds of a few hundred MB.
    const QString report = m_dir->filePath(QStringLiteral("report.json"));
    QProcess process;
    startCli(process, {"--target", m_card, "--size", "64M", "--block", "64K", "--streams", "2",
                       "--read", "--iterations", "99", "--json", report});
    QVERIFY(process.waitForStarted());

    // Wait for the first log line: the engine is running by then.
    QByteArray err;
    QElapsedTimer waited;
    waited.start();
    while (!err.contains("] ") && waited.elapsed() < 30000) {
        process.waitForReadyRead(200);
        err += process.readAllStandardError();
    }
    QVERIFY2(err.contains("] "), err.constData());
    QVERIFY2(process.state() == QProcess::Running, "the run ended before it could be stopped");
    // Files are being written when the signal comes.
    QElapsedTimer filesSeen;
    filesSeen.start();
    while (entries(m_card).isEmpty() && filesSeen.elapsed() < 10000)
        QTest::qWait(20);
    QVERIFY2(!entries(m_card).isEmpty(), "no test file appeared on the card");

    QVERIFY(::kill(pid_t(process.processId()), signalNumber) == 0);
    QVERIFY(process.waitForFinished(kRunTimeoutMs));
    err += process.readAllStandardError();
    const QByteArray out = process.readAllStandardOutput();

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(entries(m_card), QStringList());
    // A stopped test reports no averages, no table and no report file.
    QVERIFY2(!out.contains("average"), out.constData());
    QVERIFY2(!out.contains("Card total"), out.constData());
    QVERIFY(!QFile::exists(report));
    QVERIFY2(err.contains("] Stopping test...\n"), err.constData());
}

void TestCliProcess::fillOnSmallCard()
{
    const QString problem = LoopCard::environmentProblem();
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    // The fill mode writes the whole free space: only a card of its own will do.
    LoopCard card(64 * 1048576);
    if (!card.skipReason().isEmpty())
        QSKIP(qPrintable(card.skipReason()));
    QVERIFY2(card.isReady(), qPrintable(card.failure()));
    const QStringList before = entries(card.rootPath());

    CliRunner cardRunner = runner();
    cardRunner.setRemovableRoots({card.rootPath()});
    const CliRun run = cardRunner.run(
        QStringList{"--target", card.rootPath(), "--fill", "--size", "8M", "--rounds", "2"}
            + lenientRules(),
        kRunTimeoutMs);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(speedAfter(run.out, "Write average:") > 0, qPrintable(run.out));
    QVERIFY(!run.out.contains(QLatin1String("Read")));
    QCOMPARE(entries(card.rootPath()), before);
    // The rolling fill ran, not an ordinary test: eight-megabyte files, two rewrites.
    QVERIFY2(run.err.contains(QLatin1String("] ========== Rolling-fill test started ==========")),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QRegularExpression(
                 QStringLiteral("Per file: 8 MB   Initial fill: \\d+ files   Rolling rewrite: "
                                "2 rounds"))),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("] ========== Rolling-fill test complete ==========")),
             qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1String("Speed test started")));
}

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
