// Verified runs on a real folder: the read-back compares every block with what was written,
// so a file changed between the passes is caught with the right kind and place, while an
// untouched one never shows an error. The files are tampered with on the engine's thread the
// moment the write pass ends.
#include "speedtester.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {
constexpr qint64 kBlock = 65536;
using Tamper = std::function<void(const QString &file)>;

void overwrite(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(offset));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QByteArray readAt(const QString &path, qint64 offset, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.seek(offset) ? f.read(size) : QByteArray();
}
}  // namespace

Q_DECLARE_METATYPE(Tamper)
Q_DECLARE_METATYPE(DataCheck::Kind)

class VerifyTest : public QObject
{
    Q_OBJECT
private slots:
    void readBackFindsTampering_data();
    void readBackFindsTampering();
};

void VerifyTest::readBackFindsTampering_data()
{
    QTest::addColumn<Tamper>("tamper");  // on the second stream's file
    QTest::addColumn<DataCheck::Kind>("kind");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("wrongBlocks");
    QTest::addColumn<qint64>("wrongBytes");
    using K = DataCheck::Kind;
    QTest::newRow("intact") << Tamper([](const QString &) {}) << K::None << qint64(-1) << qint64(0)
                            << qint64(0);
    // Deep in the payload, where a check of the stamps alone would see nothing.
    QTest::newRow("one byte flipped") << Tamper([](const QString &f) {
        overwrite(f, 3 * kBlock + 1000,
                  QByteArray(1, char(readAt(f, 3 * kBlock + 1000, 1)[0] ^ 4)));
    }) << K::Corrupt << 3 * kBlock << qint64(1)
                                      << qint64(1);
    QTest::newRow("block 1 holds block 0")
        << Tamper([](const QString &f) { overwrite(f, kBlock, readAt(f, 0, kBlock)); })
        << K::WrapRound << kBlock << qint64(1) << kBlock;
    QTest::newRow("block 2 erased")
        << Tamper([](const QString &f) { overwrite(f, 2 * kBlock, QByteArray(int(kBlock), '\0')); })
        << K::Lost << 2 * kBlock << qint64(1) << kBlock;
    QTest::newRow("cut after 2 blocks")
        << Tamper([](const QString &f) { QVERIFY(QFile::resize(f, 2 * kBlock)); }) << K::Lost
        << 2 * kBlock << qint64(2) << 2 * kBlock;
}

void VerifyTest::readBackFindsTampering()
{
    QFETCH(Tamper, tamper);
    QFETCH(DataCheck::Kind, kind);
    QFETCH(qint64, offset);
    QFETCH(qint64, wrongBlocks);
    QFETCH(qint64, wrongBytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');

    SpeedTester tester;
    tester.setTargetDir(root);
    tester.setTestSize(4 * kBlock);
    tester.setBlockSize(kBlock);
    tester.setStreamCount(2);
    tester.setVerifyData(true);  // the read test stays off: verification reads back anyway
    QVector<DataCheck> checks;
    QStringList errors;
    int readsFinished = 0;
    connect(
        &tester, &SpeedTester::writeFinished, &tester,
        [&] { tamper(root + QStringLiteral("__card_speed_test_2.dat")); }, Qt::DirectConnection);
    connect(
        &tester, &SpeedTester::dataChecked, &tester, [&](const DataCheck &c) { checks << c; },
        Qt::DirectConnection);
    connect(
        &tester, &SpeedTester::readFinished, &tester, [&] { ++readsFinished; },
        Qt::DirectConnection);
    connect(
        &tester, &SpeedTester::testError, &tester, [&](const QString &m) { errors << m; },
        Qt::DirectConnection);
    tester.start();
    QVERIFY(tester.wait(60000));

    QCOMPARE(errors, QStringList());  // a data error is a finding, not a failed run
    QCOMPARE(readsFinished, 1);
    QCOMPARE(checks.size(), 1);
    const DataCheck &c = checks.first();
    QVERIFY(c.ran);
    QCOMPARE(c.checkedBytes, 8 * kBlock);
    QCOMPARE(c.wrongBlocks, wrongBlocks);
    QCOMPARE(c.wrongBytes, wrongBytes);
    QCOMPARE(c.goodBytes, (8 - wrongBlocks) * kBlock);
    QCOMPARE(c.firstKind, kind);
    QCOMPARE(c.firstOffset, offset);
    if (wrongBlocks > 0) {
        QCOMPARE(c.firstFile, QStringLiteral("__card_speed_test_2.dat"));
        QCOMPARE(c.badStreams, QVector<int>{1});
    }
    QCOMPARE(QDir(root).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(VerifyTest)
#include "tst_verify.moc"
