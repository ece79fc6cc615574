// The real lumoracard-cli end to end, on folders of this test's own: a judged run with its
// table and JSON report, the report on standard output, one refusal of each kind, an engine
// error, and signals.
#include "clifixture.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

class TestCliProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void judgedRun();
    void reportOnStandardOutput();
    void refusals_data();
    void refusals();
    void engineErrorIsReported();
    void oneLanguageOnly();
    void interruptStopsAndCleansUp_data();
    void interruptStopsAndCleansUp();

private:
    QScopedPointer<CliFixture> m_f;
};

void TestCliProcess::init()
{
    m_f.reset(new CliFixture);
    QVERIFY(m_f->isValid());
}

void TestCliProcess::judgedRun()
{
    // Stored as the window stores them: card-total write minimums no card reaches, and
    // Simplified Chinese. This run's overrides lower the fail minimum and judge nothing else,
    // so the card total is Warn and the streams, the last rows, Pass.
    QVERIFY(m_f->store("verdict/aggWriteFail", 1e12) && m_f->store("verdict/aggWriteWarn", 1e12)
            && m_f->store("ui/language", 0));
    const QByteArray before = m_f->settingsBytes();
    const QStringList rules = lenientRules().replaceInStrings("aggWriteWarn=0", "slcTrim=false");
    const CliRun run = m_f->run(
        m_f->onCard("--size 8M --block 64K --streams 2 --read --iterations 2 --json @DIR/r.json")
        + rules);
    QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode == 1,
             qPrintable(run.out + run.err));
    QCOMPARE(entries(m_f->card), QStringList());
    QCOMPARE(m_f->settingsBytes(), before);  // nothing stored, not even the language
    // Log lines carry the time; a pipe gets whole progress lines, never "\r".
    QVERIFY2(run.err.count(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] \\S"),
                                              QRegularExpression::MultilineOption))
                 >= 6,
             qPrintable(run.err));
    QVERIFY2(
        run.err.contains(QRegularExpression(
            QStringLiteral(
                "^第 [12]/2 轮 · (写入|读取)测试 \\[[#.]{20}\\] +\\d+%  \\d+\\.\\d\\d MB/s  平均"),
            QRegularExpression::MultilineOption)),
        qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1Char('\r')));

    QString error;
    const QJsonObject json = readJson(m_f->path("r.json"), &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QJsonObject used = json.value("settings").toObject().value("rules").toObject();
    QCOMPARE(used.value("aggWriteWarn").toDouble(), 1e12);
    QCOMPARE(used.value("aggWriteFail").toDouble(), 0.0);
    QCOMPARE(used.value("iterCount").toInt(), 2);
    QVERIFY(used.value("enableRead").toBool());
    QCOMPARE(json.value("language").toString(), QStringLiteral("zh_CN"));
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("warn"));
    QCOMPARE(json.value("exitStatus").toInt(), 1);

    // The mean of the rounds' averages; the rows as the table printed them.
    const QJsonArray rounds = json.value("rounds").toArray();
    QCOMPARE(rounds.size(), 2);
    QCOMPARE(json.value("averages").toObject().value("write").toDouble(),
             (rounds[0].toObject().value("writeAvg").toDouble()
              + rounds[1].toObject().value("writeAvg").toDouble())
                 / 2);
    const QJsonArray rows = json.value("rows").toArray();
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        QCOMPARE(row.value("stream"), i == 0 ? QJsonValue() : QJsonValue(i));
        QCOMPARE(row.value("writeVerdict").toString(), i == 0 ? "warn" : "pass");
        const QString name = row.value("name").toString();
        const double avg = row.value("read").toObject().value("avg").toDouble();
        QVERIFY2(avg > 0 && tableRow(run.out, name, 1).value(1) == fixed2(avg), qPrintable(name));
    }
}

void TestCliProcess::reportOnStandardOutput()
{
    // A plain folder under --force, --lang over a stored language, the report on standard
    // output: the report alone goes there; the table and the --force notice go to standard
    // error.
    QVERIFY(m_f->store("ui/language", 2));
    const CliRun run = m_f->runner({}).run(
        m_f->onCard("--size 2M --block 64K --json - --force --lang en") + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QString error;
    const QJsonObject json = jsonOut(run, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(json.value("language").toString(), QStringLiteral("en"));
    QVERIFY(run.err.contains(QLatin1String("] --force: the removable-drive check was skipped")));
    const double avg =
        json.value("rows")[0].toObject().value("write").toObject().value("avg").toDouble();
    QCOMPARE(tableRow(run.err, "Card total").value(1), fixed2(avg));
}

void TestCliProcess::refusals_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<bool>("named");  // the card named as a removable root
    QTest::addColumn<QString>("why");

    // Each way to a refusal once; the checks themselves are unit-tested.
    QTest::newRow("bad option") << "--target @CARD --size 12Q" << true << "12Q";
    QTest::newRow("not a removable drive") << "--target @CARD --size 1M" << false << "--force";
    QTest::newRow("more than the free space")
        << "--target @CARD --size 100T" << true << "insufficient free space";
    QTest::newRow("report is a folder")
        << "--target @CARD --size 1M --json @DIR" << true << "is a folder";
}

void TestCliProcess::refusals()
{
    QFETCH(QString, args);
    QFETCH(bool, named);
    QFETCH(QString, why);
    const QStringList before = entries(m_f->dir());
    const CliRun run = m_f->runner(named ? QStringList{m_f->card} : QStringList())
                           .run(m_f->args(args) + QStringList{"--lang", "en"});
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(why) && run.out.isEmpty(), qPrintable(run.err + run.out));
    // Nothing written: the card is still empty, and nothing appeared next to it.
    QCOMPARE(entries(m_f->card), QStringList());
    QCOMPARE(entries(m_f->dir()), before);
}

void TestCliProcess::oneLanguageOnly()
{
    // A bad option, a refusal and a completed run in Traditional Chinese: no English sentence
    // (two English words in a row) anywhere, the paths aside.
    const QStringList runs[] = {{"--bogus"},
                                m_f->args("--target @DIR --size 1M"),
                                m_f->onCard("--size 4M --streams 2 --read")};
    const QRegularExpression english(QStringLiteral("[A-Za-z]{2,}[ ,.:]+[A-Za-z]{2,}"));
    for (int i = 0; i < 3; ++i) {
        const CliRun run = m_f->run(runs[i] + QStringList{"--lang", "zh_TW"});
        // Refused twice (3), then judged (0, 1 or 2).
        QVERIFY2((run.exitCode == 3) == (i < 2), qPrintable(run.err));
        QString text = run.out + run.err;
        text.remove(m_f->dir());
        const QRegularExpressionMatch found = english.match(text);
        QVERIFY2(!found.hasMatch(), qPrintable(found.captured() + "\n" + text));
    }
}

void TestCliProcess::engineErrorIsReported()
{
    // An immutable card root: nobody, root included, can create a file in it.
    const auto immutable = [this](const char *flag) {
        return QProcess::execute(QStringLiteral("chattr"), {flag, m_f->card}) == 0;
    };
    if (!immutable("+i"))
        QSKIP("chattr +i does not work here (needs root and a file system that has it)");
    const CliRun run = m_f->run(m_f->onCard("--size 1M --block 64K --json @DIR/r.json"));
    QVERIFY(immutable("-i"));
    QCOMPARE(run.exitCode, 3);
    // The report says the run failed and why, and judges nothing.
    QString error;
    const QJsonObject json = readJson(m_f->path("r.json"), &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(json.value("outcome").toString(), QStringLiteral("failed"));
    QVERIFY(json.value("verdict").isNull() && json.value("rows").toArray().isEmpty());
    QCOMPARE(json.value("exitStatus").toInt(), 3);
    QVERIFY2(json.value("error").toString().contains(m_f->card), qPrintable(run.err));
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
    QProcess process;
    m_f->runner({m_f->card})
        .start(process, m_f->onCard("--size 64M --block 64K --streams 2 --read --iterations 99 "
                                    "--json @DIR/r.json"));
    QVERIFY(process.waitForStarted());
    // The engine runs once files are being written.
    QTRY_VERIFY_WITH_TIMEOUT(!entries(m_f->card).isEmpty(), 30000);
    QVERIFY(::kill(pid_t(process.processId()), signalNumber) == 0);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(entries(m_f->card), QStringList());
    // A stopped test reports no averages, no table and no report file.
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(!QFile::exists(m_f->path("r.json")));
}

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
