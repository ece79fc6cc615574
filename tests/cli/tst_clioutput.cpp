// What the front end writes: time-stamped log lines, the progress line on a terminal and
// in a pipe, and how an outcome becomes an exit status.
#include "consolewriter.h"
#include "exitstatus.h"
#include "progressline.h"

#include <QBuffer>
#include <QtTest>

Q_DECLARE_METATYPE(ProgressLine::Phase)
Q_DECLARE_METATYPE(RunOutcome)
Q_DECLARE_METATYPE(Verdict)

class TestCliOutput : public QObject
{
    Q_OBJECT
private slots:
    void stampedLine_data();
    void stampedLine();
    void progressText_data();
    void progressText();
    void progressCadence_data();
    void progressCadence();
    void terminalRedrawsInPlace();
    void pipeGetsWholeLines();
    void resultsGoToOutput();
    void exitStatus_data();
    void exitStatus();
};

void TestCliOutput::stampedLine_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line");

    QTest::newRow("morning") << QTime(7, 5, 3) << "LogTestStart"
                             << "[07:05:03] LogTestStart";
    QTest::newRow("evening") << QTime(23, 59, 59) << "  Writing #1: a.mp4"
                             << "[23:59:59]   Writing #1: a.mp4";
    QTest::newRow("percent sign kept") << QTime(12, 0, 0) << "100% %1"
                                       << "[12:00:00] 100% %1";
}

void TestCliOutput::stampedLine()
{
    QFETCH(QTime, time);
    QFETCH(QString, message);
    QTEST(ConsoleWriter::stamped(message, time), "line");
}

void TestCliOutput::progressText_data()
{
    QTest::addColumn<ProgressLine::Phase>("phase");
    QTest::addColumn<int>("percent");
    QTest::addColumn<double>("current");
    QTest::addColumn<double>("average");
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<QString>("text");

    QTest::newRow("write") << ProgressLine::Phase::Write << 45 << 12.345 << 10.0 << 1 << 1
                           << "W  45%  now 12.35 MB/s  avg 10.00 MB/s";
    QTest::newRow("read, done") << ProgressLine::Phase::Read << 100 << 80.0 << 79.996 << 1 << 1
                                << "R 100%  now 80.00 MB/s  avg 80.00 MB/s";
    QTest::newRow("write, round 2 of 3") << ProgressLine::Phase::Write << 7 << 0.0 << 1.5 << 2 << 3
                                         << "Round 2/3  W   7%  now 0.00 MB/s  avg 1.50 MB/s";
}

void TestCliOutput::progressText()
{
    QFETCH(ProgressLine::Phase, phase);
    QFETCH(int, percent);
    QFETCH(double, current);
    QFETCH(double, average);
    QFETCH(int, round);
    QFETCH(int, rounds);
    QTEST(ProgressLine::format(phase, percent, current, average, round, rounds), "text");
}

void TestCliOutput::progressCadence_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QVector<qint64>>("sampleMs");
    QTest::addColumn<QVector<bool>>("printed");

    // Samples arrive about every 200 ms.
    const QVector<qint64> samples = {0, 200, 400, 999, 1000, 1200, 2100, 2150, 3099, 3100};
    QTest::newRow("terminal: every sample") << true << samples << QVector<bool>(10, true);
    QTest::newRow("pipe: once a second")
        << false << samples
        << QVector<bool>{true, false, false, false, true, false, true, false, false, true};
    QTest::newRow("pipe: first sample late")
        << false << QVector<qint64>{5000, 5100, 6000} << QVector<bool>{true, false, true};
}

void TestCliOutput::progressCadence()
{
    QFETCH(bool, terminal);
    QFETCH(QVector<qint64>, sampleMs);
    QFETCH(QVector<bool>, printed);

    ProgressLine line(terminal);
    for (int i = 0; i < sampleMs.size(); ++i)
        QVERIFY2(line.due(sampleMs[i]) == printed[i], qPrintable(QString::number(sampleMs[i])));
}

void TestCliOutput::terminalRedrawsInPlace()
{
    QBuffer out;
    QBuffer err;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(err.open(QIODevice::WriteOnly));
    ConsoleWriter console(&out, &err, true);

    console.progress(QStringLiteral("W  10%  long line"));
    console.progress(QStringLiteral("W  20%"));
    console.logLine(QStringLiteral("done"), QTime(1, 2, 3));
    console.clearProgress();  // nothing showing: writes nothing

    // The shorter line blanks the rest of the longer one; the log line wipes the
    // progress line (the rest is blank already) and starts at the left margin.
    const QByteArray expected = "\rW  10%  long line"
                                "\rW  20%           "
                                "\r      \r"
                                "[01:02:03] done\n";
    QCOMPARE(err.data(), expected);
    QVERIFY(out.data().isEmpty());
}

void TestCliOutput::pipeGetsWholeLines()
{
    QBuffer out;
    QBuffer err;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(err.open(QIODevice::WriteOnly));
    ConsoleWriter console(&out, &err, false);

    console.progress(QStringLiteral("W  10%"));
    console.logLine(QStringLiteral("next"), QTime(0, 0, 1));
    console.error(QStringLiteral("refused"));
    console.clearProgress();

    QCOMPARE(err.data(), QByteArray("W  10%\n[00:00:01] next\nrefused\n"));
    QVERIFY(!err.data().contains('\r'));
}

void TestCliOutput::resultsGoToOutput()
{
    QBuffer out;
    QBuffer err;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(err.open(QIODevice::WriteOnly));
    ConsoleWriter console(&out, &err, true);

    console.progress(QStringLiteral("R  50%"));
    console.result(QStringLiteral("Write average: 1.00 MB/s"));
    QCOMPARE(out.data(), QByteArray("Write average: 1.00 MB/s\n"));
    QCOMPARE(err.data(), QByteArray("\rR  50%"));
}

void TestCliOutput::exitStatus_data()
{
    QTest::addColumn<RunOutcome>("outcome");
    QTest::addColumn<Verdict>("worst");
    QTest::addColumn<int>("status");

    const Verdict P = Verdict::Pass, W = Verdict::Warn, F = Verdict::Fail;
    QTest::newRow("completed, pass") << RunOutcome::Completed << P << 0;
    QTest::newRow("completed, warn") << RunOutcome::Completed << W << 1;
    QTest::newRow("completed, fail") << RunOutcome::Completed << F << 2;
    // Without a completed run there is no verdict to go by.
    QTest::newRow("not run") << RunOutcome::NotRun << P << 3;
    QTest::newRow("not run, fail") << RunOutcome::NotRun << F << 3;
    QTest::newRow("failed") << RunOutcome::Failed << P << 3;
    QTest::newRow("failed, warn") << RunOutcome::Failed << W << 3;
    QTest::newRow("stopped") << RunOutcome::Stopped << P << 130;
    QTest::newRow("stopped, fail") << RunOutcome::Stopped << F << 130;
}

void TestCliOutput::exitStatus()
{
    QFETCH(RunOutcome, outcome);
    QFETCH(Verdict, worst);
    QTEST(exitStatusFor(outcome, worst), "status");
}

QTEST_GUILESS_MAIN(TestCliOutput)
#include "tst_clioutput.moc"
