// lumoracard-cli on a card whose true speed is known (a blkio throttle): the report's
// card-total figures must match the throttle, and the verdict must be the one the rules
// give for that speed.
#include "clifixture.h"
#include "loopcard.h"

#include <QJsonArray>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
constexpr double kThrottleMBps = 20.0;  // 1 MB = 1048576 bytes
constexpr double kTolerance = 0.02;
}  // namespace

class TestCliThrottled : public QObject
{
    Q_OBJECT
private slots:
    void reportMatchesThrottle();
};

void TestCliThrottled::reportMatchesThrottle()
{
    LoopCard card(512 * kMiB);
    // The CLI runs as a child of this process, so it inherits the throttle group.
    LOOPCARD_REQUIRE_THROTTLE(card, qint64(kThrottleMBps * kMiB), 0);
    const CliFixture f;

    // About 8 s at the throttle. The card-total minimum rules bracket the throttle: a
    // minimum of about 20 MB/s is above "fail below 10" and below "warn below 30", so the
    // card total must be judged Warn. One stream: the card total is the only row.
    const CliRun run =
        f.runner({card.rootPath()})
            .run({"--target", card.rootPath(), "--size", "160M", "--block", "1M", "--json", "-",
                  "--lang", "zh_TW", "--rules", "aggWriteFail=10", "--rules", "aggWriteWarn=30"},
                 180000);
    QVERIFY2(run.exitStatus == QProcess::NormalExit, qPrintable(run.err));
    QVERIFY2(card.throttledBytes(QStringLiteral("Write")) >= 160 * kMiB,
             "the run did not go through the throttled card");
    QString error;
    const QJsonObject json = jsonOut(run, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The file system takes unbuffered I/O; no line says the test fell back to the cache.
    QVERIFY2(!run.err.contains(QStringLiteral("無緩衝 I/O")), qPrintable(run.err));

    const QJsonArray rows = json["rows"].toArray();
    const QJsonObject write = rows[0]["write"].toObject();
    const double avg = write["avg"].toDouble();
    const QString figures = QStringLiteral("write avg %1 MB/s; ").arg(avg, 0, 'f', 3)
                            + QJsonDocument(write).toJson(QJsonDocument::Compact);
    qInfo("%s", qPrintable(figures));
    QVERIFY2(rows.size() == 1 && qAbs(avg - kThrottleMBps) / kThrottleMBps <= kTolerance,
             qPrintable(figures));
    // A steady throttle yields a series of samples; they are in the report.
    const int samples = json["series"]["card"]["write"].toArray().size();
    QVERIFY2(samples >= 20 && write["sampleCount"].toInt() >= 1
                 && write["sampleCount"].toInt() <= samples,
             qPrintable(figures));
    QVERIFY2(write["min"].toDouble() > 10 && write["min"].toDouble() < 30, qPrintable(figures));
    QCOMPARE(json["verdict"].toString(), QStringLiteral("warn"));
    QCOMPARE(run.exitCode, 1);
    // In Traditional Chinese: the table on standard error, the report's row name.
    QCOMPARE(rows[0]["name"].toString(), QStringLiteral("整卡合計"));
    const QStringList cells = tableRow(run.err, QStringLiteral("整卡合計"));
    QCOMPARE(cells.value(1), QString::number(avg, 'f', 2));
    QCOMPARE(cells.value(7), QStringLiteral("⚠ 警告"));
}

QTEST_GUILESS_MAIN(TestCliThrottled)
#include "tst_clithrottled.moc"
