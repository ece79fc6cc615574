// FileWorker on real files: whole-block transfers of the random pattern, of a copy and of
// a read-back, and every way a transfer can fail or be stopped.
#include "enginetestkit.h"
#include "fileworker.h"
#include "kernelhooks.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
// Special values of the "sourceBytes" and "existing" columns; other values are sizes.
constexpr qint64 kNoSource = -1;   // no source: the random pattern is written
constexpr qint64 kMissing = -2;    // a source path with nothing there
constexpr qint64 kAbsent = -1;     // no target before the run
constexpr qint64 kFolder = -2;     // a folder under the target's name
constexpr qint64 kLink = -3;       // a link to a file outside: never written or read through
constexpr qint64 kUnchanged = -1;  // "targetSize": no file of its own, all left as it was
}  // namespace

class TestFileWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void transfers_data();
    void transfers();
    void stopMidTransferEndsAfterTheCurrentBlock();

private:
    QString path(const char *name) const { return m_tmp->filePath(QLatin1String(name)); }
    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestFileWorker::initTestCase()
{
    // Every block of random data begins with these bytes; the helper must agree.
    QCOMPARE(expectedPatternBlock(4), QByteArray::fromHex("B7207D47"));
}

void TestFileWorker::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestFileWorker::transfers_data()
{
    QTest::addColumn<FileWorker::Mode>("mode");
    QTest::addColumn<qint64>("sourceBytes");
    QTest::addColumn<qint64>("existing");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<int>("stopFlag");     // -1: null pointer; 1: set before the start
    QTest::addColumn<qint64>("sizeCap");   // no file may grow past it, as on a full card
    QTest::addColumn<QString>("message");  // %S = source path, %T = target path
    QTest::addColumn<qint64>("expectedDone");
    QTest::addColumn<qint64>("targetSize");

    const auto W = FileWorker::Mode::Write;
    const auto R = FileWorker::Mode::Read;
    const QString ok;
    const qint64 zero = 0;
    QTest::newRow("random, 3 blocks, null stop pointer")
        << W << kNoSource << kAbsent << 3 * B << -1 << zero << ok << 3 * B << 3 * B;
    QTest::newRow("random, partial last block left out")
        << W << kNoSource << kAbsent << 3 * B + 100 << 0 << zero << ok << 3 * B << 3 * B;
    QTest::newRow("random, below one block: empty file")
        << W << kNoSource << kAbsent << B - 1 << 0 << zero << ok << zero << zero;
    QTest::newRow("random truncates an existing file")
        << W << kNoSource << 5 * B << 2 * B << 0 << zero << ok << 2 * B << 2 * B;
    QTest::newRow("copy of the first 3 of 5 blocks")
        << W << 5 * B + 1000 << kAbsent << 3 * B << 0 << zero << ok << 3 * B << 3 * B;
    QTest::newRow("read 2 of 5 blocks, null stop pointer")
        << R << kNoSource << 5 * B << 2 * B << -1 << zero << ok << 2 * B << 5 * B;
    QTest::newRow("read below one block: opens and succeeds")
        << R << kNoSource << 3 * B << qint64(1000) << 0 << zero << ok << zero << 3 * B;

    // The first failure ends the transfer; the blocks before it stay counted.
    QTest::newRow("source shorter than the file")
        << W << 2 * B + 10 << kAbsent << 3 * B << 0 << zero << QStringLiteral("读取源文件失败 (%S)")
        << 2 * B << 2 * B;
    QTest::newRow("missing source") << W << kMissing << kAbsent << 3 * B << 0 << zero
                                    << QStringLiteral("无法打开源文件: %S") << zero << kUnchanged;
    QTest::newRow("target is a folder")
        << W << kNoSource << kFolder << 3 * B << 0 << zero << QStringLiteral("无法创建目标文件: %T")
        << zero << kUnchanged;
    QTest::newRow("target is a link")
        << W << kNoSource << kLink << 3 * B << 0 << zero << QStringLiteral("无法创建目标文件: %T")
        << zero << kUnchanged;
    QTest::newRow("read-back of a missing file")
        << R << kNoSource << kAbsent << 3 * B << 0 << zero << QStringLiteral("无法读取文件: %T")
        << zero << kUnchanged;
    QTest::newRow("read-back of a shorter file")
        << R << kNoSource << 2 * B << 3 * B << 0 << zero << QStringLiteral("读取失败 (%T)") << 2 * B
        << 2 * B;
    QTest::newRow("read-back through a link")
        << R << kNoSource << kLink << 3 * B << 0 << zero << QStringLiteral("无法读取文件: %T")
        << zero << kUnchanged;
    QTest::newRow("write comes back short in block 3")
        << W << kNoSource << kAbsent << 3 * B << 0 << 2 * B + 4096
        << QStringLiteral("写入失败 (%T)") << 2 * B << 2 * B + 4096;
    QTest::newRow("write refused after 2 blocks")
        << W << kNoSource << kAbsent << 3 * B << 0 << 2 * B << QStringLiteral("写入失败 (%T)")
        << 2 * B << 2 * B;

    // A stop is no error: no message, and not a block moved.
    QTest::newRow("random, stopped before the start")
        << W << kNoSource << kAbsent << 4 * B << 1 << zero << ok << zero << zero;
    QTest::newRow("read, stopped before the start")
        << R << kNoSource << 4 * B << 4 * B << 1 << zero << ok << zero << 4 * B;
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

    const QString source = sourceBytes == kNoSource ? QString() : path("source.mp4");
    const QByteArray sourceData = noiseBytes(qMax<qint64>(sourceBytes, 0), 11);
    if (sourceBytes >= 0)
        QVERIFY(writeFile(source, sourceData));
    const QString target = path("card.dat");
    const QByteArray before = noiseBytes(qMax<qint64>(existing, 0), 7);
    QVERIFY(writeFile(path("outside.dat"), noiseBytes(3 * B, 5)));
    QString skip;
    if (existing == kFolder)
        QVERIFY(QDir().mkdir(target));
    else if (existing == kLink)
        QVERIFY(makeLink(path("outside.dat"), target, &skip));
    else if (existing >= 0)
        QVERIFY(writeFile(target, before));
    if (!skip.isEmpty())
        QSKIP(qPrintable(skip));
    const QStringList state = folderState(m_tmp->path());

    std::atomic<int> stop{qMax(stopFlag, 0)};
    FileWorker worker(mode, source, target, fileSize, B, stopFlag < 0 ? nullptr : &stop);
    {
        std::unique_ptr<FileSizeCap> cap;
        if (sizeCap > 0) {
            cap = std::make_unique<FileSizeCap>(sizeCap);
            if (!cap->problem().isEmpty())
                QSKIP(qPrintable(QStringLiteral("cannot cap file sizes: ") + cap->problem()));
        }
        worker.start();
        QVERIFY(worker.wait(30000));
    }

    message.replace(QLatin1String("%S"), source).replace(QLatin1String("%T"), target);
    QCOMPARE(worker.errorMessage(), message);
    QCOMPARE(worker.succeeded(), message.isEmpty() && stopFlag != 1);
    QCOMPARE(worker.bytesDone(), expectedDone);
    if (sourceBytes >= 0)
        QVERIFY(readFile(source) == sourceData);
    if (targetSize == kUnchanged) {
        QCOMPARE(folderState(m_tmp->path()), state);
        return;
    }
    // Random data is the same block over and over; a copy is the source's head; a
    // read-back leaves the file alone.
    QVERIFY(QFileInfo(target).isFile() && !QFileInfo(target).isSymLink());
    QCOMPARE(QFileInfo(target).size(), targetSize);
    QByteArray expected = sourceData;
    if (mode == FileWorker::Mode::Read)
        expected = before;
    else if (source.isEmpty())
        expected = expectedPatternBlock(B).repeated(int(targetSize / B) + 1);
    QVERIFY(readFile(target) == expected.left(int(targetSize)));
}

void TestFileWorker::stopMidTransferEndsAfterTheCurrentBlock()
{
    // Far more than can be written before the stop arrives; only what was written uses space.
    const qint64 fileSize = 1024 * B;
    const QString target = path("file.dat");
    std::atomic<int> stop{0};
    FileWorker worker(FileWorker::Mode::Write, QString(), target, fileSize, B, &stop);
    worker.start();
    while (worker.bytesDone() < B && worker.isRunning())
        QThread::usleep(200);
    stop.store(1);
    QVERIFY(worker.wait(30000));

    const qint64 done = worker.bytesDone();
    QVERIFY2(done < fileSize, "the worker did not notice the stop");
    QVERIFY(done >= B);
    QCOMPARE(done % B, qint64(0));
    QCOMPARE(QFileInfo(target).size(), done);
    QVERIFY(!worker.succeeded());
    QCOMPARE(worker.errorMessage(), QString());
}

QTEST_GUILESS_MAIN(TestFileWorker)
#include "tst_fileworker.moc"
