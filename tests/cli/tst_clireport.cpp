// What the real lumoracard-cli reports at the end of a run: the results table, the JSON
// report, the exit status by verdict, the language, and the stored rules it judges by.
#include "clifixture.h"
#include "verdictrulesstore.h"

#include <QJsonArray>
#include <QtTest>

namespace {
QString percent1(double ratio)
{
    return QString::number(ratio * 100.0, 'f', 1) + QLatin1Char('%');
}

// The cells a row of the printed table shows for one pass of a JSON row.
QStringList printedCells(const QJsonObject &pass)
{
    return {fixed2(pass.value("avg").toDouble()),  fixed2(pass.value("max").toDouble()),
            fixed2(pass.value("min").toDouble()),  percent1(pass.value("jitter").toDouble()),
            percent1(pass.value("cv").toDouble()), percent1(pass.value("dropRatio").toDouble())};
}

int verdictCode(const QJsonValue &name)
{
    return QStringList{"pass", "warn", "fail"}.indexOf(name.toString());
}
}  // namespace

class TestCliReport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void jsonReportOfARun();
    void jsonToStandardOutput();
    void storedRulesJudgeTheRun();
    void language_data();
    void language();

private:
    QStringList smallRun() const { return m_f->onCard("--size 2M --block 64K"); }

    QScopedPointer<CliFixture> m_f;
};

void TestCliReport::init()
{
    m_f.reset(new CliFixture);
    QVERIFY(m_f->isValid());
}

void TestCliReport::jsonReportOfARun()
{
    const QString report = m_f->path("out/report.json");
    QVERIFY(QDir().mkpath(m_f->path("out")));
    // No SLC trim, so every figure comes from the collected samples and the engine's
    // averages; a per-stream minimum beyond its limit, to see the limit applied.
    const CliRun run = m_f->run(m_f->onCard(
        "--size 16M --block 64K --streams 2 --read --iterations 2 --json @DIR/out/report.json "
        "--rules slcTrim=false --rules aggWriteWarn=15 --rules perStreamWrite=5000"));
    QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode >= 0 && run.exitCode <= 2,
             qPrintable(run.err));
    QCOMPARE(entries(m_f->card), QStringList());
    QString error;
    const QJsonObject json = readJson(report, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const QJsonObject settings = json.value("settings").toObject();
    const QJsonObject rules = settings.value("rules").toObject();
    QString diff = differences(json, jsonObject(R"({"tool": "lumoracard-cli", "version": "1.0.1",
        "format": 1, "language": "en", "outcome": "completed", "error": null})"));
    diff += differences(settings, jsonObject(R"({"force": false, "mode": "random",
        "testSize": 16777216, "streams": 2, "blockSize": 65536, "read": true, "files": [],
        "fill": false, "fillRounds": null, "iterations": 2})"));
    diff += differences(settings, {{"target", m_f->card + '/'}});
    // The rules as used: overrides, the store's limit on one, a default, and the switches
    // that the options set.
    diff += differences(rules, jsonObject(R"({"slcTrim": false, "aggWriteWarn": 15,
        "perStreamWrite": 2000, "jitterFail": 0.65, "enableRead": true, "iterCount": 2,
        "fullCap": false})"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(rules.size(), VerdictRulesStore::keys().size());
    for (const QString &key : VerdictRulesStore::keys())
        QVERIFY2(rules.contains(key), qPrintable(key));

    // Averages per round, printed, and their mean.
    const QJsonArray rounds = json.value("rounds").toArray();
    QCOMPARE(rounds.size(), 2);
    double writeSum = 0.0;
    double readSum = 0.0;
    for (int i = 0; i < rounds.size(); ++i) {
        const double write = rounds[i].toObject().value("writeAvg").toDouble();
        const double read = rounds[i].toObject().value("readAvg").toDouble();
        QCOMPARE(rounds[i].toObject().value("round").toInt(), i + 1);
        QVERIFY(write > 0 && read > 0);
        writeSum += write;
        readSum += read;
        QVERIFY2(run.out.contains(QStringLiteral("Round %1: write %2 MB/s, read %3 MB/s\n")
                                      .arg(i + 1)
                                      .arg(fixed2(write), fixed2(read))),
                 qPrintable(run.out));
    }
    const QJsonObject averages = json.value("averages").toObject();
    QCOMPARE(averages.value("write").toDouble(), writeSum / 2);
    QCOMPARE(averages.value("read").toDouble(), readSum / 2);
    QVERIFY2(run.out.contains("Write average over 2 rounds: " + fixed2(writeSum / 2) + " MB/s\n"),
             qPrintable(run.out));

    // Rows: card total and both streams, as the table printed them.
    const QJsonArray rows = json.value("rows").toArray();
    QCOMPARE(rows.size(), 3);
    const QJsonObject series = json.value("series").toObject();
    int worst = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        const QString name =
            i == 0 ? QStringLiteral("Card total") : QStringLiteral("#%1  Random stream #%1").arg(i);
        diff = differences(row, {{"name", name},
                                 {"kind", i == 0 ? "card" : "stream"},
                                 {"stream", i == 0 ? QJsonValue() : QJsonValue(i)}});
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        const QJsonObject write = row.value("write").toObject();
        const QJsonObject read = row.value("read").toObject();
        for (const char *field :
             {"avg", "max", "min", "jitter", "cv", "dropRatio", "dropCount", "sampleCount"})
            QVERIFY2(write.value(field).isDouble() && read.value(field).isDouble(), field);
        const int code = row.value("verdictCode").toInt();
        QCOMPARE(verdictCode(row.value("verdict")), code);
        QCOMPARE(code, qMax(verdictCode(row.value("writeVerdict")),
                            verdictCode(row.value("readVerdict"))));
        worst = qMax(worst, code);

        const QStringList writeCells = tableRow(run.out, name, 0);
        const QStringList readCells = tableRow(run.out, name, 1);
        QCOMPARE(writeCells.mid(1), printedCells(write));
        QCOMPARE(readCells.mid(1, 6), printedCells(read));
        QCOMPARE(readCells.value(7), QStringList({"✓ Pass", "⚠ Warn", "✗ Fail"}).value(code));

        // The series behind the statistics, accumulated over both rounds.
        const QJsonObject s = i == 0 ? series.value("card").toObject()
                                     : series.value("streams").toArray()[i - 1].toObject();
        QCOMPARE(s.value("write").toArray().size(), write.value("sampleCount").toInt());
        QCOMPARE(s.value("read").toArray().size(), read.value("sampleCount").toInt());
        if (i > 0) {
            diff = differences(s, {{"stream", i}, {"name", name.mid(4)}});
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
            for (const QJsonValue v : s.value("write").toArray())
                QVERIFY(v.toDouble() > 0);
        }
    }
    QCOMPARE(series.value("streams").toArray().size(), 2);
    diff = differences(json, {{"verdictCode", worst},
                              {"verdict", QStringList({"pass", "warn", "fail"}).value(worst)},
                              {"exitStatus", worst}});
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(run.exitCode, worst);

    // Untrimmed, the card total's average is that of the last round.
    QCOMPARE(rows[0].toObject().value("write").toObject().value("avg").toDouble(),
             rounds[1].toObject().value("writeAvg").toDouble());
}

void TestCliReport::jsonToStandardOutput()
{
    // A plain folder under --force, reported on standard output: the report alone goes
    // there; the averages, the table and the --force notice go to standard error.
    const CliRun run = m_f->runner({}).run(
        smallRun() + QStringList{"--streams", "2", "--json", "-", "--force"} + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QString error;
    const QJsonObject json = jsonOut(run, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(json.value("rows").toArray().size(), 3);
    QCOMPARE(json.value("settings").toObject().value("force").toBool(), true);
    QVERIFY(run.err.contains(QLatin1String("] --force: the removable-drive check was skipped")));
    const double avg = json.value("averages").toObject().value("write").toDouble();
    QVERIFY(avg > 0);
    QVERIFY2(run.err.contains("\nWrite average: " + fixed2(avg) + " MB/s\n"), qPrintable(run.err));
    QCOMPARE(tableRow(run.err, "Card total").value(1), fixed2(avg));
    QCOMPARE(tableRow(run.err, "Card total").value(7), QStringLiteral("✓ Pass"));
    // No colour: standard error is not a terminal here.
    QVERIFY(!run.err.contains(QLatin1Char('\x1b')));
}

void TestCliReport::storedRulesJudgeTheRun()
{
    // Stored as the window stores them: a card-total minimum no card reaches.
    QVERIFY(m_f->store("verdict/aggWriteFail", 1e12) && m_f->store("verdict/aggWriteWarn", 1e12));
    const QByteArray before = m_f->settingsBytes();
    const CliRun stored = m_f->run(smallRun());
    QVERIFY2(stored.exitCode == 2, qPrintable(stored.out + stored.err));
    QCOMPARE(tableRow(stored.out, "Card total").value(7), QStringLiteral("✗ Fail"));

    // Overrides for this run win over the store, the last one of a key counting: Warn.
    const QString report = m_f->path("report.json");
    const CliRun overridden =
        m_f->run(smallRun() + lenientRules()
                 + QStringList{"--rules", "aggWriteWarn=1e12", "--json", report});
    QVERIFY2(overridden.exitCode == 1, qPrintable(overridden.out + overridden.err));
    QCOMPARE(tableRow(overridden.out, "Card total").value(7), QStringLiteral("⚠ Warn"));
    QString error;
    const QJsonObject json = readJson(report, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // One stream: the card total is the only row.
    const QString diff = differences(json, {{"verdictCode", 1}, {"exitStatus", 1}});
    QVERIFY2(diff.isEmpty() && json.value("rows").toArray().size() == 1, qPrintable(diff));
    // The store is left as it was.
    QCOMPARE(m_f->settingsBytes(), before);
}

void TestCliReport::language_data()
{
    QTest::addColumn<QVariant>("stored");  // invalid: nothing stored
    QTest::addColumn<QString>("option");   // empty: no --lang
    QTest::addColumn<QStringList>("texts");

    const QStringList en = {"Card total", "Write Avg", "✓ Pass",
                            "] ========== Speed test started =========="};
    const QStringList tw = {"整卡合計", "寫入平均", "✓ 達標",
                            "] ========== 速度測試開始 =========="};
    const QStringList cn = {"整卡合计", "写入平均", "✓ 达标",
                            "] ========== 速度测试开始 =========="};
    QTest::newRow("nothing stored, no option") << QVariant() << QString() << en;
    QTest::newRow("stored Simplified Chinese") << QVariant(0) << QString() << cn;
    QTest::newRow("stored Traditional Chinese") << QVariant(2) << QString() << tw;
    QTest::newRow("--lang zh_TW") << QVariant() << "zh_TW" << tw;
    QTest::newRow("--lang en over a stored choice") << QVariant(0) << "en" << en;
    QTest::newRow("--lang zh_CN over a stored choice") << QVariant(2) << "zh_CN" << cn;
}

void TestCliReport::language()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, option);
    QFETCH(QStringList, texts);
    if (stored.isValid())
        QVERIFY(m_f->store("ui/language", stored));
    const QByteArray before = m_f->settingsBytes();

    QStringList args = smallRun() + lenientRules();
    if (!option.isEmpty())
        args << QStringLiteral("--lang") << option;
    const CliRun run = m_f->run(args);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    for (const QString &text : texts)
        QVERIFY2((run.out + run.err).contains(text), qPrintable(text + "\n" + run.out + run.err));
    // The choice is for this run only: nothing is stored, nor created.
    QCOMPARE(m_f->settingsBytes(), before);
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_clireport.moc"
