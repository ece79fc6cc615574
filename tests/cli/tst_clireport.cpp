// What the real lumoracard-cli reports at the end of a run: the results table, the JSON
// report, the exit status by verdict, the language, and the stored rules it judges by.
#include "clirunner.h"
#include "verdictrulesstore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString fixed2(double v)
{
    return QString::number(v, 'f', 2);
}

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

int verdictCode(const QString &name)
{
    return QStringList{"pass", "warn", "fail"}.indexOf(name);
}
}  // namespace

class TestCliReport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void jsonReportOfARun();
    void jsonToStandardOutput();
    void exitStatusFollowsVerdict_data();
    void exitStatusFollowsVerdict();
    void storedRulesJudgeTheRun();
    void language_data();
    void language();

private:
    CliRunner runner() const;
    QStringList smallRun() const;
    void storeSetting(const QString &key, const QVariant &value);
    QByteArray settingsBytes() const;

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_card;
};

void TestCliReport::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_card = m_dir->filePath(QStringLiteral("card"));
    QVERIFY(QDir().mkpath(m_card));
}

CliRunner TestCliReport::runner() const
{
    CliRunner r(m_dir->filePath(QStringLiteral("config")), m_dir->path());
    // The folder stands in for a card.
    r.setRemovableRoots({m_card});
    return r;
}

QStringList TestCliReport::smallRun() const
{
    return {"--target", m_card, "--size", "2M", "--block", "64K"};
}

void TestCliReport::storeSetting(const QString &key, const QVariant &value)
{
    QSettings settings(runner().settingsFile(), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

QByteArray TestCliReport::settingsBytes() const
{
    QFile file(runner().settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void TestCliReport::jsonReportOfARun()
{
    const QString report = m_dir->filePath(QStringLiteral("out/report.json"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("out"))));
    // No SLC trim, so every figure comes from the collected samples and the engine's
    // averages; a per-stream minimum beyond its limit, to see the limit applied.
    const CliRun run =
        runner().run({"--target", m_card, "--size", "16M", "--block", "64K", "--streams", "2",
                      "--read", "--iterations", "2", "--json", report, "--rules", "slcTrim=false",
                      "--rules", "aggWriteWarn=15", "--rules", "perStreamWrite=5000"});
    QVERIFY2(run.exitStatus == QProcess::NormalExit && run.exitCode >= 0 && run.exitCode <= 2,
             qPrintable(run.err));
    QString error;
    const QJsonObject json = readJson(report, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(json.value("tool").toString(), QStringLiteral("lumoracard-cli"));
    QCOMPARE(json.value("version").toString(), QStringLiteral("1.0.1"));
    QCOMPARE(json.value("format").toInt(), 1);
    QCOMPARE(json.value("language").toString(), QStringLiteral("en"));
    QCOMPARE(json.value("outcome").toString(), QStringLiteral("completed"));
    QVERIFY(json.value("error").isNull());

    const QJsonObject settings = json.value("settings").toObject();
    QCOMPARE(settings.value("target").toString(), m_card + QLatin1Char('/'));
    QCOMPARE(settings.value("mode").toString(), QStringLiteral("random"));
    QCOMPARE(settings.value("testSize").toDouble(), 16.0 * 1048576);
    QCOMPARE(settings.value("streams").toInt(), 2);
    QCOMPARE(settings.value("blockSize").toInt(), 65536);
    QCOMPARE(settings.value("read").toBool(), true);
    QCOMPARE(settings.value("files").toArray().size(), 0);
    QCOMPARE(settings.value("fill").toBool(), false);
    QVERIFY(settings.value("fillRounds").isNull());
    QCOMPARE(settings.value("iterations").toInt(), 2);
    const QJsonObject rules = settings.value("rules").toObject();
    QStringList ruleKeys = rules.keys();
    QStringList expectedKeys = VerdictRulesStore::keys();
    ruleKeys.sort();
    expectedKeys.sort();
    QCOMPARE(ruleKeys, expectedKeys);
    QCOMPARE(rules.value("slcTrim").toBool(), false);
    QCOMPARE(rules.value("aggWriteWarn").toDouble(), 15.0);
    QCOMPARE(rules.value("perStreamWrite").toDouble(), 2000.0);  // limited as the store limits
    QCOMPARE(rules.value("jitterFail").toDouble(), 0.65);        // nothing stored: the default
    QCOMPARE(rules.value("enableRead").toBool(), true);          // the test read back
    QCOMPARE(rules.value("iterCount").toInt(), 2);
    QCOMPARE(rules.value("fullCap").toBool(), false);

    // Averages per round, and their mean as printed.
    const QJsonArray rounds = json.value("rounds").toArray();
    QCOMPARE(rounds.size(), 2);
    double writeSum = 0.0;
    double readSum = 0.0;
    for (int i = 0; i < rounds.size(); ++i) {
        const QJsonObject r = rounds[i].toObject();
        QCOMPARE(r.value("round").toInt(), i + 1);
        QVERIFY(r.value("writeAvg").toDouble() > 0);
        QVERIFY(r.value("readAvg").toDouble() > 0);
        writeSum += r.value("writeAvg").toDouble();
        readSum += r.value("readAvg").toDouble();
        QVERIFY2(run.out.contains(QStringLiteral("Round %1: write %2 MB/s, read %3 MB/s\n")
                                      .arg(i + 1)
                                      .arg(fixed2(r.value("writeAvg").toDouble()),
                                           fixed2(r.value("readAvg").toDouble()))),
                 qPrintable(run.out));
    }
    const QJsonObject averages = json.value("averages").toObject();
    QCOMPARE(averages.value("write").toDouble(), writeSum / 2);
    QCOMPARE(averages.value("read").toDouble(), readSum / 2);
    QVERIFY2(
        run.out.contains(
            QStringLiteral("Write average over 2 rounds: %1 MB/s\n").arg(fixed2(writeSum / 2))),
        qPrintable(run.out));

    // Rows: card total and both streams, as the table printed them.
    const QJsonArray rows = json.value("rows").toArray();
    QCOMPARE(rows.size(), 3);
    const QStringList names = {"Card total", "#1  Random stream #1", "#2  Random stream #2"};
    int worst = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        QCOMPARE(row.value("name").toString(), names[i]);
        QCOMPARE(row.value("kind").toString(), i == 0 ? QString("card") : QString("stream"));
        if (i == 0)
            QVERIFY(row.value("stream").isNull());
        else
            QCOMPARE(row.value("stream").toInt(), i);
        const QJsonObject write = row.value("write").toObject();
        const QJsonObject read = row.value("read").toObject();
        for (const char *field :
             {"avg", "max", "min", "jitter", "cv", "dropRatio", "dropCount", "sampleCount"}) {
            QVERIFY2(write.value(field).isDouble(), field);
            QVERIFY2(read.value(field).isDouble(), field);
        }
        const int code = row.value("verdictCode").toInt();
        QCOMPARE(verdictCode(row.value("verdict").toString()), code);
        QCOMPARE(code, qMax(verdictCode(row.value("writeVerdict").toString()),
                            verdictCode(row.value("readVerdict").toString())));
        worst = qMax(worst, code);

        const QStringList writeCells = tableRow(run.out, names[i], 0);
        const QStringList readCells = tableRow(run.out, names[i], 1);
        QCOMPARE(writeCells.mid(1), printedCells(write));
        QCOMPARE(readCells.mid(1, 6), printedCells(read));
        QCOMPARE(readCells.value(7), QStringList({"✓ Pass", "⚠ Warn", "✗ Fail"}).value(code));
    }
    QCOMPARE(json.value("verdictCode").toInt(), worst);
    QCOMPARE(verdictCode(json.value("verdict").toString()), worst);
    QCOMPARE(json.value("exitStatus").toInt(), worst);
    QCOMPARE(run.exitCode, worst);

    // Untrimmed, the card total's average is that of the last round.
    const QJsonObject cardWrite = rows[0].toObject().value("write").toObject();
    QCOMPARE(cardWrite.value("avg").toDouble(), rounds[1].toObject().value("writeAvg").toDouble());

    // The series behind the statistics, accumulated over both rounds.
    const QJsonObject series = json.value("series").toObject();
    const QJsonObject card = series.value("card").toObject();
    QCOMPARE(card.value("write").toArray().size(), cardWrite.value("sampleCount").toInt());
    QCOMPARE(card.value("read").toArray().size(),
             rows[0].toObject().value("read").toObject().value("sampleCount").toInt());
    const QJsonArray streams = series.value("streams").toArray();
    QCOMPARE(streams.size(), 2);
    for (int i = 0; i < streams.size(); ++i) {
        const QJsonObject s = streams[i].toObject();
        const QJsonObject row = rows[i + 1].toObject();
        QCOMPARE(s.value("stream").toInt(), i + 1);
        QCOMPARE(s.value("name").toString(), QStringLiteral("Random stream #%1").arg(i + 1));
        QCOMPARE(s.value("write").toArray().size(),
                 row.value("write").toObject().value("sampleCount").toInt());
        QCOMPARE(s.value("read").toArray().size(),
                 row.value("read").toObject().value("sampleCount").toInt());
        for (const QJsonValue v : s.value("write").toArray())
            QVERIFY(v.toDouble() > 0);
    }
}

void TestCliReport::jsonToStandardOutput()
{
    const CliRun run =
        runner().run(smallRun() + QStringList{"--streams", "2", "--json", "-"} + lenientRules());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    // Standard output is the report and nothing else; the averages and the table went to
    // standard error.
    QJsonParseError parse;
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8(), &parse).object();
    QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
    QCOMPARE(json.value("rows").toArray().size(), 3);
    QCOMPARE(json.value("verdict").toString(), QStringLiteral("pass"));
    const double avg = json.value("averages").toObject().value("write").toDouble();
    QVERIFY(avg > 0);
    QVERIFY2(run.err.contains(QStringLiteral("\nWrite average: %1 MB/s\n").arg(fixed2(avg))),
             qPrintable(run.err));
    QCOMPARE(tableRow(run.err, "Card total").value(1), fixed2(avg));
    QCOMPARE(tableRow(run.err, "Card total").value(7), QStringLiteral("✓ Pass"));
    // No colour: standard error is not a terminal here.
    QVERIFY(!run.err.contains(QLatin1Char('\x1b')));
}

void TestCliReport::exitStatusFollowsVerdict_data()
{
    QTest::addColumn<QStringList>("rules");  // after the lenient ones, so these win
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");

    QTest::newRow("pass") << QStringList() << 0 << "✓ Pass";
    // The card total's minimum speed is below any speed a card reaches.
    QTest::newRow("warn") << QStringList{"--rules", "aggWriteWarn=1e12"} << 1 << "⚠ Warn";
    QTest::newRow("fail") << QStringList{"--rules", "aggWriteFail=1e12"} << 2 << "✗ Fail";
}

void TestCliReport::exitStatusFollowsVerdict()
{
    QFETCH(QStringList, rules);
    QFETCH(int, status);
    QFETCH(QString, shown);
    const QString report = m_dir->filePath(QStringLiteral("report.json"));
    const CliRun run =
        runner().run(smallRun() + QStringList{"--json", report} + lenientRules() + rules);
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == status, qPrintable(run.out + run.err));
    QCOMPARE(tableRow(run.out, "Card total").value(7), shown);
    QString error;
    const QJsonObject json = readJson(report, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(json.value("verdictCode").toInt(), status);
    QCOMPARE(json.value("exitStatus").toInt(), status);
}

void TestCliReport::storedRulesJudgeTheRun()
{
    // Stored as the window stores them: a card-total minimum no card reaches.
    storeSetting(QStringLiteral("ui/language"), 1);
    storeSetting(QStringLiteral("verdict/aggWriteFail"), 1e12);
    storeSetting(QStringLiteral("verdict/aggWriteWarn"), 1e12);
    const QByteArray before = settingsBytes();

    const CliRun stored = runner().run(smallRun());
    QVERIFY2(stored.exitCode == 2, qPrintable(stored.out + stored.err));
    QCOMPARE(tableRow(stored.out, "Card total").value(7), QStringLiteral("✗ Fail"));

    // An override for this run wins over the store, and the store is left as it was.
    const CliRun overridden = runner().run(smallRun() + lenientRules());
    QVERIFY2(overridden.exitCode == 0, qPrintable(overridden.out + overridden.err));
    QCOMPARE(settingsBytes(), before);
}

void TestCliReport::language_data()
{
    QTest::addColumn<QVariant>("stored");  // invalid: nothing stored
    QTest::addColumn<QString>("option");   // empty: no --lang
    QTest::addColumn<QStringList>("texts");

    const QStringList english = {"Card total", "Write Avg", "✓ Pass",
                                 "] ========== Speed test started =========="};
    const QStringList traditional = {"整卡合計", "寫入平均", "✓ 達標",
                                     "] ========== 速度測試開始 =========="};
    const QStringList simplified = {"整卡合计", "写入平均", "✓ 达标",
                                    "] ========== 速度测试开始 =========="};
    QTest::newRow("nothing stored, no option") << QVariant() << QString() << english;
    QTest::newRow("stored Simplified Chinese") << QVariant(0) << QString() << simplified;
    QTest::newRow("stored Traditional Chinese") << QVariant(2) << QString() << traditional;
    QTest::newRow("--lang zh_TW") << QVariant() << "zh_TW" << traditional;
    QTest::newRow("--lang en over a stored choice") << QVariant(0) << "en" << english;
    QTest::newRow("--lang zh_CN over a stored choice") << QVariant(2) << "zh_CN" << simplified;
}

void TestCliReport::language()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, option);
    QFETCH(QStringList, texts);
    if (stored.isValid())
        storeSetting(QStringLiteral("ui/language"), stored);
    const QByteArray before = settingsBytes();

    QStringList args = smallRun() + lenientRules();
    if (!option.isEmpty())
        args << QStringLiteral("--lang") << option;
    const CliRun run = runner().run(args);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QString all = run.out + run.err;
    for (const QString &text : texts)
        QVERIFY2(all.contains(text), qPrintable(text + QStringLiteral(" in:\n") + all));

    // The choice is for this run only: nothing is stored, nor created.
    QCOMPARE(settingsBytes(), before);
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_clireport.moc"
