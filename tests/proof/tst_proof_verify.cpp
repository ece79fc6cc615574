// Verified runs on simulated bad cards: the fault-injecting file system flips bits, wraps
// writes round like a counterfeit card, or silently drops them. Each is caught with the
// right kind and place, every test file is gone afterwards, and a good card (a real loop
// device) never shows an error. The counterfeit is also run through the command-line tool,
// whose verdict and report must say Fail and why.
#include "clirunner.h"
#include "faultmount.h"
#include "loopcard.h"
#include "speedtester.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

namespace {
constexpr qint64 kMiB = 1048576;
const QString kHelper = QStringLiteral(LUMORA_FAULTFS_PATH);

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

// One verified engine run; `fillBytes` > 0 runs the whole-card check over that much space.
DataCheck verifiedRun(const QString &root, qint64 sizeOrFile, int streams, qint64 fillBytes,
                      QStringList *errors)
{
    SpeedTester tester;
    tester.setTargetDir(root);
    tester.setTestSize(sizeOrFile);
    tester.setStreamCount(streams);
    tester.setVerifyData(true);
    if (fillBytes > 0)
        tester.setRollingFill(sizeOrFile, fillBytes, 0);
    DataCheck check;
    QObject::connect(
        &tester, &SpeedTester::dataChecked, &tester, [&](const DataCheck &c) { check = c; },
        Qt::DirectConnection);
    QObject::connect(
        &tester, &SpeedTester::testError, &tester, [&](const QString &m) { *errors << m; },
        Qt::DirectConnection);
    tester.start();
    if (!tester.wait(120000)) {
        tester.requestStop();
        tester.wait();
        *errors << QStringLiteral("timed out");
    }
    return check;
}
}  // namespace

Q_DECLARE_METATYPE(DataCheck::Kind)

class ProofVerifyTest : public QObject
{
    Q_OBJECT
private slots:
    void badCardCaught_data();
    void badCardCaught();
    void goodCardClean();
    void counterfeitFailsCli();
};

void ProofVerifyTest::badCardCaught_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<qint64>("fillBytes");  // 0: one ordinary 16 MiB stream
    QTest::addColumn<DataCheck::Kind>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("wrongBlocks");
    QTest::addColumn<qint64>("goodBytes");
    using K = DataCheck::Kind;
    const QString stream = QStringLiteral("__card_speed_test_1.dat");
    // One flipped bit per 4 KiB page of the fifth MiB: the fifth block is corrupt.
    QTest::newRow("bit flips") << QStringList{"--flip-bits", "4194304:5242880"} << qint64(0)
                               << K::Corrupt << stream << 4 * kMiB << qint64(1) << 15 * kMiB;
    // Reports 32 MiB, stores 16: the second half of the fill lands on the first.
    QTest::newRow("counterfeit wraps")
        << QStringList{"--wrap-after", "16777216", "--capacity", "33554432"} << 32 * kMiB
        << K::WrapRound << QStringLiteral("__roll_0.dat") << qint64(0) << qint64(16) << 16 * kMiB;
    QTest::newRow("drops past 8 MiB") << QStringList{"--drop-after", "8388608"} << qint64(0)
                                      << K::Lost << stream << 8 * kMiB << qint64(8) << 8 * kMiB;
}

void ProofVerifyTest::badCardCaught()
{
    QFETCH(QStringList, faults);
    QFETCH(qint64, fillBytes);
    QFETCH(DataCheck::Kind, kind);
    QFETCH(QString, file);
    QFETCH(qint64, offset);
    QFETCH(qint64, wrongBlocks);
    QFETCH(qint64, goodBytes);
    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    FaultMount card(kHelper, faults + QStringList{QStringLiteral("--direct-io")});
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));

    QStringList errors;
    const DataCheck c =
        verifiedRun(card.rootPath(), fillBytes > 0 ? 8 * kMiB : 16 * kMiB, 1, fillBytes, &errors);
    QCOMPARE(errors, QStringList());
    QVERIFY(c.failed());
    QCOMPARE(c.firstKind, kind);
    QCOMPARE(c.firstFile, file);
    QCOMPARE(c.firstOffset, offset);
    QCOMPARE(c.wrongBlocks, wrongBlocks);
    QCOMPARE(c.goodBytes, goodBytes);
    QCOMPARE(entries(card.backingPath()), QStringList());
}

void ProofVerifyTest::goodCardClean()
{
    LoopCard card(256 * kMiB);
    LOOPCARD_REQUIRE(card);
    QStringList errors;
    const DataCheck c = verifiedRun(card.rootPath(), 24 * kMiB, 3, 0, &errors);
    QCOMPARE(errors, QStringList());
    QVERIFY(c.ran);
    QCOMPARE(c.wrongBlocks, qint64(0));
    QCOMPARE(c.goodBytes, 72 * kMiB);
    QCOMPARE(entries(card.rootPath()), QStringList{QStringLiteral("lost+found")});
}

void ProofVerifyTest::counterfeitFailsCli()
{
    const QString problem = FaultMount::environmentProblem(kHelper);
    if (!problem.isEmpty())
        QSKIP(qPrintable(problem));
    FaultMount card(kHelper, {"--direct-io", "--wrap-after", "16777216", "--capacity", "33554432"});
    QVERIFY2(card.isMounted(), qPrintable(card.failure()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CliRunner runner(dir.filePath(QStringLiteral("config")), dir.path());
    runner.setRemovableRoots({card.rootPath()});
    const QString json = dir.filePath(QStringLiteral("report.json"));
    const CliRun run = runner.run(QStringList{"--target", card.rootPath(), "--fill", "--size", "8M",
                                              "--verify", "--lang", "en", "--json", json}
                                  + lenientRules());

    // Speeds cannot pass a card that lost data: the verdict is Fail and says why.
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.out.contains(QStringLiteral("Data check FAILED")), qPrintable(run.out));
    QString error;
    const QJsonObject report = readJson(json, &error).object();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QJsonObject v = report.value(QStringLiteral("verification")).toObject();
    QCOMPARE(v.value(QStringLiteral("passed")).toBool(true), false);
    // The rolling round deleted __roll_0.dat: the first file left that holds another's data.
    const QJsonObject first = v.value(QStringLiteral("firstError")).toObject();
    QCOMPARE(first.value(QStringLiteral("kind")).toString(), QStringLiteral("wrapRound"));
    QCOMPARE(first.value(QStringLiteral("file")).toString(), QStringLiteral("__roll_1.dat"));
    QCOMPARE(first.value(QStringLiteral("offset")).toInt(-1), 0);
    const QJsonObject total = report.value(QStringLiteral("rows")).toArray().first().toObject();
    QCOMPARE(total.value(QStringLiteral("dataVerdict")).toString(), QStringLiteral("fail"));
    QCOMPARE(entries(card.backingPath()), QStringList());
}

QTEST_GUILESS_MAIN(ProofVerifyTest)
#include "tst_proof_verify.moc"
