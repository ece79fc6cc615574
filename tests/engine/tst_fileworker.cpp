// FileWorker on real files: whole-block transfers of the random pattern, of a copy and of
// a read-back, and every way a transfer can fail or be stopped.
#include "datastamp.h"
#include "enginetestkit.h"
#include "fileworker.h"
#include "kernelhooks.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <memory>

Q_DECLARE_METATYPE(DataCheck::Kind)

namespace {
// Special values of the "sourceBytes" and "existing" columns; other values are sizes.
constexpr qint64 kNoSource = -1;   // no source: the random pattern is written
constexpr qint64 kMissing = -2;    // a source path with nothing there
constexpr qint64 kAbsent = -1;     // no target before the run
constexpr qint64 kLink = -3;       // a link to a file outside: never written or read through
constexpr qint64 kUnchanged = -1;  // "targetSize": no file of its own, all left as it was
}  // namespace

class TestFileWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { showKeyArguments(); }
    void transfers_data();
    void transfers();
    void stopMidTransferEndsAfterTheCurrentBlock();
    void classifiesSectors_data();
    void classifiesSectors();
};

void TestFileWorker::transfers_data()
{
    QTest::addColumn<FileWorker::Mode>("mode");
    QTest::addColumn<qint64>("sourceBytes");
    QTest::addColumn<qint64>("existing");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<int>("stopFlag");     // -1: null pointer; 1: set before the start
    QTest::addColumn<qint64>("sizeCap");   // no file may grow past it, as on a full card
    QTest::addColumn<QString>("message");  // %S = source path, %T = target path; as
                                           // comparableError() shows it
    QTest::addColumn<qint64>("expectedDone");
    QTest::addColumn<qint64>("targetSize");

    const auto W = FileWorker::Mode::Write;
    const auto R = FileWorker::Mode::Read;
    const qint64 o = 0;
    QTest::newRow("random, partial block dropped, null stop")
        << W << kNoSource << kAbsent << 3 * B + 100 << -1 << o << "" << 3 * B << 3 * B;
    QTest::newRow("random, below one block: empty file")
        << W << kNoSource << kAbsent << B - 1 << 0 << o << "" << o << o;
    QTest::newRow("random truncates an existing file")
        << W << kNoSource << 5 * B << 2 * B << 0 << o << "" << 2 * B << 2 * B;
    QTest::newRow("copy of the first 3 of 5 blocks")
        << W << 5 * B + 1000 << kAbsent << 3 * B << 0 << o << "" << 3 * B << 3 * B;
    QTest::newRow("read 2 of 5 blocks, null stop")
        << R << kNoSource << 5 * B << 2 * B << -1 << o << "" << 2 * B << 5 * B;
    QTest::newRow("read below one block succeeds")
        << R << kNoSource << 3 * B << qint64(1000) << 0 << o << "" << o << 3 * B;
    // The first failure ends the transfer; the blocks before it stay counted.
    QTest::newRow("source shorter than the file")
        << W << 2 * B + 10 << kAbsent << 3 * B << 0 << o << "ErrReasonFileShort|读取源文件失败 (%S)"
        << 2 * B << 2 * B;
    QTest::newRow("missing source") << W << kMissing << kAbsent << 3 * B << 0 << o
                                    << "ErrReason*|无法打开源文件: %S" << o << kUnchanged;
    QTest::newRow("read-back through a link") << R << kNoSource << kLink << 3 * B << 0 << o
                                              << "ErrReason*|无法读取文件: %T" << o << kUnchanged;
    QTest::newRow("write comes back short in block 3")
        << W << kNoSource << kAbsent << 3 * B << 0 << 2 * B + 4096 << "ErrReason*|写入失败 (%T)"
        << 2 * B << 2 * B + 4096;
    // A cap off the 4 KiB grain: the rest written again comes back short too.
    QTest::newRow("write comes back short twice in block 3")
        << W << kNoSource << kAbsent << 3 * B << 0 << 2 * B + 4196
        << "ErrReasonWriteShort|写入失败 (%T)" << 2 * B << 2 * B + 4196;
    // A stop is no error: no message, and not a block moved.
    QTest::newRow("random, stopped before the start")
        << W << kNoSource << kAbsent << 4 * B << 1 << o << "" << o << o;
    QTest::newRow("read, stopped before the start")
        << R << kNoSource << 4 * B << 4 * B << 1 << o << "" << o << 4 * B;
}

void TestFileWorker::transfers()
{
    QFETCH(FileWorker::Mode, mode);
    QFETCH(qint64, sourceBytes);
    QFETCH(qint64, existing);
    QFETCH(qint64, fileSize);
    QFETCH(int, stopFlag);
    QFETCH(qint64, sizeCap);
    QFETCH(QString, message);
    QFETCH(qint64, expectedDone);
    QFETCH(qint64, targetSize);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString source = sourceBytes == kNoSource ? QString() : tmp.filePath("source.mp4");
    const QString target = tmp.filePath("card.dat");
    const QByteArray sourceData = noiseBytes(qMax<qint64>(sourceBytes, 0), 11);
    const QByteArray before = noiseBytes(qMax<qint64>(existing, 0), 7);
    QVERIFY(writeFile(tmp.filePath("outside.dat"), noiseBytes(3 * B, 5)));
    QVERIFY(sourceBytes < 0 || writeFile(source, sourceData));
    QVERIFY(existing < 0 || writeFile(target, before));
    if (existing == kLink)
        REQUIRE_SYMLINKS(tmp.path());
    QVERIFY(existing != kLink || QFile::link(tmp.filePath("outside.dat"), target));
    const QStringList state = folderState(tmp.path());

    std::atomic<int> stop{qMax(stopFlag, 0)};
    FileWorker worker(mode, source, target, fileSize, B, stopFlag < 0 ? nullptr : &stop);
    {
        std::unique_ptr<FileSizeCap> cap(sizeCap > 0 ? new FileSizeCap(sizeCap) : nullptr);
        if (cap && !cap->problem().isEmpty())
            QSKIP(qPrintable("cannot cap file sizes: " + cap->problem()));
        worker.start();
        QVERIFY(worker.wait(30000));
    }

    // Paths as the system writes them (E:\ on Windows).
    QCOMPARE(comparableError(worker.errorMessage()),
             message.replace("%S", QDir::toNativeSeparators(source))
                 .replace("%T", QDir::toNativeSeparators(target)));
    QCOMPARE(worker.succeeded(), message.isEmpty() && stopFlag != 1);
    QCOMPARE(worker.bytesDone(), expectedDone);
    QVERIFY(readFile(source) == sourceData);
    if (targetSize == kUnchanged) {
        QCOMPARE(folderState(tmp.path()), state);
        return;
    }
    // Random data is the same block over and over; a copy is the source's head; a
    // read-back leaves the file alone.
    QVERIFY(QFileInfo(target).isFile() && !QFileInfo(target).isSymLink());
    QByteArray expected = mode == FileWorker::Mode::Read ? before : sourceData;
    if (mode == FileWorker::Mode::Write && source.isEmpty())
        expected = expectedPatternBlock(B).repeated(int(targetSize / B) + 1);
    QCOMPARE(readFile(target), expected.left(int(targetSize)));
}

void TestFileWorker::stopMidTransferEndsAfterTheCurrentBlock()
{
    // Every block of random data begins with these bytes; the helper must agree.
    QCOMPARE(expectedPatternBlock(4), QByteArray::fromHex("B7207D47"));
    // Far more than can be written before the stop arrives; only what was written uses space.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const qint64 fileSize = 1024 * B;
    std::atomic<int> stop{0};
    FileWorker worker(FileWorker::Mode::Write, QString(), tmp.filePath("f"), fileSize, B, &stop);
    worker.start();
    while (worker.bytesDone() < B && worker.isRunning())
        QThread::usleep(200);
    stop.store(1);
    QVERIFY(worker.wait(30000));

    const qint64 done = worker.bytesDone();
    QVERIFY2(done >= B && done < fileSize, "the worker did not notice the stop");
    QCOMPARE(done % B, qint64(0));
    QCOMPARE(QFileInfo(tmp.filePath("f")).size(), done);
    QVERIFY(!worker.succeeded() && worker.errorMessage().isEmpty());
}

void TestFileWorker::classifiesSectors_data()
{
    // What sector 1 of a block of 3 (run 7, file 2, block 5; files below 2 deleted) holds.
    QTest::addColumn<quint64>("run");
    QTest::addColumn<quint32>("file");
    QTest::addColumn<quint64>("block");
    QTest::addColumn<int>("fill");    // every byte this value; -1 the stamped pattern
    QTest::addColumn<int>("flipAt");  // a byte turned over; -1 none
    QTest::addColumn<DataCheck::Kind>("kind");
    QTest::addColumn<qint64>("wrong");
    using K = DataCheck::Kind;
    const qint64 all = kSectorBytes;
    QTest::newRow("as written") << 7ull << 2u << 5ull << -1 << -1 << K::None << 0ll;
    QTest::newRow("zeros") << 7ull << 2u << 5ull << 0 << -1 << K::Lost << all;
    QTest::newRow("ones, erased flash") << 7ull << 2u << 5ull << 0xff << -1 << K::Lost << all;
    QTest::newRow("another block, same offset")
        << 7ull << 2u << 4ull << -1 << -1 << K::WrapRound << all;
    QTest::newRow("a deleted file") << 7ull << 1u << 5ull << -1 << -1 << K::Stale << all;
    QTest::newRow("an earlier run") << 6ull << 2u << 5ull << -1 << -1 << K::Stale << all;
    QTest::newRow("a byte of the pattern") << 7ull << 2u << 5ull << -1 << 4000 << K::Corrupt << 1ll;
    QTest::newRow("a torn stamp") << 7ull << 2u << 5ull << -1 << 9 << K::Corrupt << 1ll;
}

void TestFileWorker::classifiesSectors()
{
    QFETCH(quint64, run);
    QFETCH(quint32, file);
    QFETCH(quint64, block);
    QFETCH(int, fill);
    QFETCH(int, flipAt);
    QFETCH(DataCheck::Kind, kind);
    QFETCH(qint64, wrong);
    using K = DataCheck::Kind;
    const qint64 size = 3 * kSectorBytes;
    QByteArray expected = expectedPatternBlock(size);
    auto *e = reinterpret_cast<unsigned char *>(expected.data());
    stampBlock(e, size, {7, 2, 5});
    QByteArray got = expected;
    // The sector of another place: its stamp and its offset's pattern.
    QByteArray other = expectedPatternBlock(size);
    stampBlock(reinterpret_cast<unsigned char *>(other.data()), size, {run, file, block});
    got.replace(int(kSectorBytes), int(kSectorBytes),
                other.mid(int(kSectorBytes), int(kSectorBytes)));
    if (fill >= 0)
        got.replace(int(kSectorBytes), int(kSectorBytes),
                    QByteArray(int(kSectorBytes), char(fill)));
    if (flipAt >= 0)
        got[int(kSectorBytes) + flipAt] = char(got.at(int(kSectorBytes) + flipAt) ^ 0x10);
    const auto *g = reinterpret_cast<const unsigned char *>(got.constData());

    DataCheck check;
    checkBlock(g, e, size, {7, 2}, "f.dat", 0, 10 * size, &check);
    QCOMPARE(check.goodBytes, size - (kind == K::None ? 0 : kSectorBytes));
    QCOMPARE(check.wrongBytes, wrong);
    QCOMPARE(check.firstKind, kind);
    QCOMPARE(check.firstOffset, kind == K::None ? -1 : 10 * size + kSectorBytes);
    QCOMPARE(check.wrongBlocks, qint64(kind == K::None ? 0 : 1));
    QCOMPARE(check.lostBlocks, qint64(kind == K::Lost || kind == K::Stale ? 1 : 0));
}

QTEST_GUILESS_MAIN(TestFileWorker)
#include "tst_fileworker.moc"
